// The tab document library (zenta.dll / libzenta.so beside this test program), called as the
// plug-in's tab file worker calls it: the document it writes keeps the six stretches the tab file
// service takes out of it, in file order; its tab data follows the entry and the record; and,
// run by Ghostscript with the printer's procedures and the tab printing procedure set, it prints
// the tab text on the nose of the tab position, on a sheet of its own or on the document page.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "abi/tab_document.h"
#include "environment/record_defaults.h"
#include "host/ghostscript.h"
#include "host/ppd_file.h"
#include "platform/library.h"
#include "settings/record.h"
#include "settings/settings_text.h"

namespace zenta {
namespace {

namespace fs = std::filesystem;

const platform::Library& tab_library() {
    static const platform::Library library = [] {
        const std::u16string program = platform::executable_path();
        const std::u16string folder = program.substr(0, program.find_last_of(u"\\/") + 1);
        return platform::Library::open(folder + platform::library_file_name(u"zenta"));
    }();
    return library;
}

abi::CreateTabDocumentFn create_tab_document() {
    const platform::Library& library = tab_library();
    return library ? reinterpret_cast<abi::CreateTabDocumentFn>(library.symbol(abi::kCreateTabDocumentName))
                   : nullptr;
}

struct Sheet {
    std::string text = "Intro";
    std::array<std::uint8_t, 5> attributes{0, 0, 1, 0, 0};  // Tab1 stock, inserted, first position
    std::u16string title = u"Inserted Tab before 3";
    abi::WORD orientation = 1;
    abi::WORD quality = 600;
};

std::string read_whole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The default record with both tab stocks set as the A4 defaults have them (the defaults follow
// the locale's paper: Letter tab stock elsewhere).
const settings::Record& a4_tab_record() {
    static const settings::Record record = [] {
        settings::Record r = environment::default_record();
        for (const char* stock : {"Tab1", "Tab2"}) {
            std::string text;
            for (const char* setting :
                 {"PageSize=QVA4Tab1", "NumOfTabs=5", "SpaceAbove=0", "Height=403000", "SpaceBelow=0",
                  "FontName=Arial", "FontBold=False", "FontItalic=False", "FontSize=120", "LineSpacing=12",
                  "Orientation=Normal", "Position=Center", "TextPosition=0"})
                text += std::string(stock) + setting + "\n";
            const auto error = settings::apply_settings(r, text);
            EXPECT_FALSE(error) << *error;
        }
        return r;
    }();
    return record;
}

// The document for one sheet; nothing when the library says it wrote none.
std::optional<std::string> tab_document(const Sheet& sheet,
                                        const settings::Record& record = a4_tab_record()) {
    const abi::CreateTabDocumentFn create = create_tab_document();
    if (!create) return std::nullopt;
    host::TemporaryDirectory dir;
    const fs::path file = dir.path() / "TP1A.tmp";
    std::ofstream(file, std::ios::binary).flush();  // the worker's file exists, empty
    abi::TabDocumentEntry entry{};
    std::copy(sheet.attributes.begin(), sheet.attributes.end(), entry.attributes);
    entry.text = sheet.text.c_str();
    const abi::BOOL result =
        create(nullptr, u"Zenta Production Printer", file.u16string().c_str(), sheet.title.c_str(), 17,
               sheet.orientation, sheet.quality, 0, 0xFFFF, abi::kTabDocumentEntrySize, &entry,
               abi::kTabDocumentRecordSize, record.data(), 0);
    if ((result & 0xFF) == 0) return std::nullopt;
    return read_whole(file);
}

// ---- the stretches the tab file service keeps

struct Stretch {
    std::string_view start;
    std::string_view end;
};
constexpr std::array<Stretch, 6> kStretches{{
    {"%!PS-Adobe-3", "%%BeginSetup"},
    {"userdict", "featurebegin{"},
    {"%%BeginFeature: *QWOpCreator", "featurebegin{"},
    {"%%BeginFeature: *QWOpPPDVersion", "featurebegin{"},
    {"%%BeginFeature: *PageSize", "featurebegin{"},
    {"1 setlinecap 1 setlinejoin", "%%EOF"},
}};

// Each stretch from its start marker up to (not including) its end marker, each search going on
// where the last stretch ended; nothing when a marker is missing.
std::optional<std::array<std::string, 6>> stretches(std::string_view file) {
    std::array<std::string, 6> found;
    std::size_t at = 0;
    for (std::size_t i = 0; i < kStretches.size(); ++i) {
        const std::size_t start = file.find(kStretches[i].start, at);
        if (start == std::string_view::npos) return std::nullopt;
        const std::size_t end = file.find(kStretches[i].end, start + kStretches[i].start.size());
        if (end == std::string_view::npos) return std::nullopt;
        found[i] = std::string(file.substr(start, end - start));
        at = end;
    }
    return found;
}

// The text the tab file service splices into the job.
std::string extracted(const std::array<std::string, 6>& s) {
    return s[0] + s[1] + "featurebegin{\r\n" + s[2] + "featurebegin{\r\n" + s[3] + "featurebegin{\r\n" +
           s[4] + s[5];
}

const host::PpdFile& printer_ppd() {
    static const host::PpdFile ppd = [] {
        std::string error;
        auto read = host::PpdFile::read(host::default_ppd_path(), error);
        EXPECT_TRUE(read) << error;
        return read ? std::move(*read) : host::PpdFile();
    }();
    return ppd;
}

// The code with every line ending in CR LF (the PPD reader may have made them so already).
std::string crlf(std::string_view code) {
    std::string out;
    for (const char c : code) {
        if (c == '\n' && !out.ends_with('\r')) out += '\r';
        out += c;
    }
    return out;
}

std::string feature_text(const std::string& keyword, const std::string& option) {
    std::string code = crlf(printer_ppd().invocations().at({keyword, option}));
    if (!code.ends_with("\r\n")) code += "\r\n";
    return "%%BeginFeature: *" + keyword + " " + option + "\r\n" + code +
           "%%EndFeature\r\n}featurecleanup\r\n";
}

// The lines of the tab data, from "ZentaTABdict begin" to its "end".
std::string tab_data(std::string_view document) {
    const std::size_t begin = document.find("ZentaTABdict begin\r\n");
    const std::size_t end = document.find("\r\nend\r\n", begin);
    if (begin == std::string_view::npos || end == std::string_view::npos) return {};
    return std::string(document.substr(begin + 20, end + 2 - begin - 20));
}

class TabDocumentLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tab_library()) << tab_library().error();
        ASSERT_NE(create_tab_document(), nullptr) << "no CreateTabDocument export";
    }
};

TEST_F(TabDocumentLibrary, KeepsTheSixStretchesInFileOrder) {
    for (const std::uint8_t placement : {0, 1}) {
        Sheet sheet;
        sheet.attributes[2] = placement;
        sheet.title = placement == 0 ? u"Printed Tab on 1" : u"Inserted Tab before 3";
        const auto document = tab_document(sheet);
        ASSERT_TRUE(document);
        const auto s = stretches(*document);
        ASSERT_TRUE(s) << *document;
        const std::string title = placement == 0 ? "Printed Tab on 1" : "Inserted Tab before 3";
        EXPECT_TRUE((*s)[0].starts_with("%!PS-Adobe-3.0\r\n%%Title: " + title + "\r\n")) << (*s)[0];
        EXPECT_TRUE((*s)[0].ends_with("%%EndProlog\r\n")) << (*s)[0];
        EXPECT_EQ((*s)[1], "userdict /ZentaTabDocument get begin\r\n");
        EXPECT_EQ((*s)[2], feature_text("QWOpCreator", "Zenta"));
        EXPECT_EQ((*s)[3], feature_text("QWOpPPDVersion", "1.0"));
        EXPECT_EQ((*s)[4], feature_text("PageSize", "QVA4Tab1"));
        EXPECT_TRUE((*s)[5].starts_with("1 setlinecap 1 setlinejoin\r\nuserdict /ZentaTABdict known not"))
            << (*s)[5];
        EXPECT_TRUE((*s)[5].ends_with("%%PageTrailer\r\n%%Trailer\r\nend\r\n")) << (*s)[5];
        // Each stretch once: the file holds no second start marker that a search could take.
        for (const Stretch& stretch : kStretches) {
            if (stretch.start == "userdict") continue;
            EXPECT_EQ(document->find(stretch.start, document->find(stretch.start) + 1), std::string::npos)
                << stretch.start;
        }
    }
}

TEST_F(TabDocumentLibrary, SendsThePpdSetupFeaturesInOrder) {
    Sheet sheet;
    sheet.quality = 1200;
    sheet.orientation = 2;
    const auto document = tab_document(sheet);
    ASSERT_TRUE(document);
    std::vector<std::string> features;
    for (std::size_t at = document->find("%%BeginFeature: *"); at != std::string::npos;
         at = document->find("%%BeginFeature: *", at + 1))
        features.push_back(document->substr(at + 17, document->find('\r', at) - at - 17));
    EXPECT_EQ(features,
              (std::vector<std::string>{"ZTQVProcedures Installed", "QWOpCreator Zenta", "QWOpPPDVersion 1.0",
                                        "Resolution 1200dpi", "PageSize QVA4Tab1", "QWOutputMethod Print"}));
    // A multi-line invocation as the PPD has it, every line ending in CR LF.
    EXPECT_NE(document->find(feature_text("ZTQVProcedures", "Installed")), std::string::npos);
    EXPECT_NE(document->find("\r\n%%Orientation: Landscape\r\n"), std::string::npos);
    EXPECT_NE(document->find("\r\n%%BoundingBox: 0 0 631 842\r\n"), std::string::npos);
    sheet.quality = 300;
    EXPECT_NE(tab_document(sheet)->find("%%BeginFeature: *Resolution 600dpi\r\n"), std::string::npos)
        << "a resolution the PPD lacks gives its default";
}

// The per-stock arrays of the tab data: each name with its values for both stocks of the A4
// defaults, and for the second record of the test below.
struct SetsRow {
    const char* name;
    const char* defaults;
    const char* second;
};
constexpr SetsRow kSets[] = {
    {"pagesize", "/QVA4Tab1 /QVA4Tab1", "/QVA4Tab1 /QVLetterTab"},
    {"tabs", "5 5", "5 3"},
    {"topspace", "0 0", "0 28.35"},
    {"bottomspace", "0 0", "0 14.17"},
    {"height", "114.24 114.24", "114.24 141.73"},
    {"orient", "90 90", "0 270"},
    {"direct", "(LR) (LR)", "(LR) (TB)"},
    {"pos", "(Center) (Center)", "(Center) (Top)"},
    {"textpos", "0 0", "0 -5.67"},
    {"fontsize", "12 12", "12 9.5"},
    {"fontitalic", "false false", "false true"},
    {"fontbold", "false false", "false true"},
    {"linespace", "1.2 1.2", "1.2 1.5"},
    {"fontname", "/Arial /Arial", "/Arial (Times New Roman) cvn"},
};

std::string sets(const char* SetsRow::*column) {
    std::string out;
    for (const SetsRow& row : kSets)
        out += std::string("/TABsets_") + row.name + " [" + row.*column + "] def\r\n";
    return out;
}

// The arrays of the one tab a document carries.
std::string one_tab(int set, const std::string& text, int position, const std::string& insert_flag = "1") {
    return "/TABsets [" + std::to_string(set) + "] def\r\n/TABtexts [" + text + "] def\r\n/TABposnumbers [" +
           std::to_string(position) + "] def\r\n/TABinsertflags [" + insert_flag + "] def\r\n";
}

constexpr std::string_view kTabTail =
    "currentdict /TABcolors undef\r\n"
    "/TABcount 0 def\r\n"
    "/TABpagenumbers [globaldict /TABpagecount known { globaldict /TABpagecount get } { 0 } ifelse 1 add] "
    "def\r\n";

// A printed tab: the stream decides whether the sheet is inserted.
constexpr const char* kPrintedFlag =
    "userdict /ZENTANEP known { userdict /ZENTANEP get true eq { 0 } { 1 } ifelse } { 1 } ifelse";

TEST_F(TabDocumentLibrary, TabDataFollowsTheEntryAndTheRecord) {
    settings::Record second = a4_tab_record();
    ASSERT_FALSE(
        settings::apply_settings(second,
                                 "Tab2PageSize=QVLetterTab\nTab2NumOfTabs=3\nTab2SpaceAbove=100000\n"
                                 "Tab2SpaceBelow=50000\nTab2Height=500000\nTab2FontName=Times New Roman\n"
                                 "Tab2FontBold=True\nTab2FontItalic=True\nTab2FontSize=95\n"
                                 "Tab2LineSpacing=15\nTab2Orientation=Vertical\nTab2Position=Top\n"
                                 "Tab2TextPosition=-20000\nTab1Orientation=Horizontal\n"));
    const settings::Record& defaults = a4_tab_record();
    const std::string default_sets = sets(&SetsRow::defaults);
    const struct {
        std::string what;
        Sheet sheet;
        const settings::Record* record;
        std::string expected;
    } cases[] = {
        // clang-format off
        {"inserted, first stock, third position", {"Intro", {0, 0, 1, 2, 0}}, &defaults,
         default_sets + one_tab(0, "(Intro)", 2)},
        {"printed: the stream decides", {"A", {0, 0, 0, 0, 0}}, &defaults,
         default_sets + one_tab(0, "(A)", 0, kPrintedFlag)},
        {"a position past the bank starts a new bank", {"B", {0, 0, 1, 7, 9}}, &defaults,
         default_sets + one_tab(0, "(B)", 2)},
        {"second stock, two lines", {"Part\r\nOne", {0, 1, 1, 4, 0}}, &second,
         sets(&SetsRow::second) + one_tab(1, "[(Part) (One)]", 1)},
        {"Latin-1 where it can, the bytes where not; % and parentheses escaped",
         {"K\xC3\x9C (%) \\", {0, 0, 1, 0, 0}}, &defaults,
         default_sets + one_tab(0, "(K\\334 \\(\\045\\) \\\\)", 0)},
        {"UTF-8 beyond Latin-1", {"\xE6\x97\xA5", {0, 0, 1, 0, 0}}, &defaults,
         default_sets + one_tab(0, "(\\346\\227\\245)", 0)},
        {"an empty text", {"", {0, 0, 1, 0, 0}}, &defaults, default_sets + one_tab(0, "()", 0)},
        // clang-format on
    };
    for (const auto& c : cases) {
        const auto document = tab_document(c.sheet, *c.record);
        ASSERT_TRUE(document) << c.what;
        EXPECT_EQ(tab_data(*document), c.expected + std::string(kTabTail)) << c.what;
    }
}

TEST_F(TabDocumentLibrary, NoTextBreaksTheStretches) {
    Sheet sheet;
    sheet.text = "%%EOF featurebegin{ 1 setlinecap 1 setlinejoin";
    sheet.title = u"%%BeginSetup (x)";
    const auto document = tab_document(sheet);
    ASSERT_TRUE(document);
    const auto s = stretches(*document);
    ASSERT_TRUE(s);
    EXPECT_NE((*s)[0].find("%%Title: (\\045\\045BeginSetup \\(x\\))\r\n"), std::string::npos) << (*s)[0];
    EXPECT_TRUE((*s)[5].ends_with("%%Trailer\r\nend\r\n"));
    EXPECT_NE((*s)[5].find("/TABtexts [(\\045\\045EOF featurebegin{ 1 setlinecap 1 setlinejoin)] def"),
              std::string::npos);
}

TEST_F(TabDocumentLibrary, BadCallsWriteNothing) {
    const abi::CreateTabDocumentFn create = create_tab_document();
    host::TemporaryDirectory dir;
    const fs::path file = dir.path() / "kept.tmp";
    std::ofstream(file, std::ios::binary) << "old";
    const std::u16string path = file.u16string();
    const std::u16string missing = (dir.path() / "no" / "such.tmp").u16string();
    const settings::Record& record = a4_tab_record();
    abi::TabDocumentEntry entry{{0, 0, 1, 0, 0}, "x"};
    const auto call = [&](const char16_t* p, abi::DWORD entry_size, const abi::TabDocumentEntry* e,
                          abi::DWORD record_size, const abi::BYTE* r) {
        return create(nullptr, nullptr, p, nullptr, 0, 1, 0, 0, 0, entry_size, e, record_size, r, 0) & 0xFF;
    };
    EXPECT_EQ(call(path.c_str(), 12, &entry, 27774, record.data()), 0);
    EXPECT_EQ(call(path.c_str(), 13, &entry, 27773, record.data()), 0);
    EXPECT_EQ(call(path.c_str(), 13, nullptr, 27774, record.data()), 0);
    EXPECT_EQ(call(path.c_str(), 13, &entry, 27774, nullptr), 0);
    EXPECT_EQ(call(nullptr, 13, &entry, 27774, record.data()), 0);
    EXPECT_EQ(call(u"", 13, &entry, 27774, record.data()), 0);
    EXPECT_EQ(call(missing.c_str(), 13, &entry, 27774, record.data()), 0);
    EXPECT_EQ(read_whole(file), "old");
    // No title and no text are no fault.
    entry.text = nullptr;
    EXPECT_NE(call(path.c_str(), 13, &entry, 27774, record.data()), 0);
    EXPECT_NE(read_whole(file).find("/TABtexts [()] def"), std::string::npos);
}

// ---- Ghostscript

struct Rendered {
    bool ok = false;
    std::string output;
    struct Page {
        int width = 0, height = 0;
        std::vector<unsigned char> rgb;
    };
    std::vector<Page> pages;
};

// Runs PostScript on the ppmraw device at `dpi` and reads the pages back.
Rendered render(const std::string& postscript, int dpi) {
    Rendered rendered;
    host::TemporaryDirectory dir;
    std::ofstream(dir.path() / "job.ps", std::ios::binary) << postscript;
    const host::GhostscriptRun run =
        host::run_ghostscript({"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=ppmraw",
                               "-r" + std::to_string(dpi), "-sOutputFile=page%d.ppm", "job.ps"},
                              dir.path());
    rendered.output = run.output + run.error;
    rendered.ok = run.started && run.exit_code == 0 && run.output.find("Error:") == std::string::npos;
    for (int n = 1;; ++n) {
        std::ifstream in(dir.path() / ("page" + std::to_string(n) + ".ppm"), std::ios::binary);
        if (!in) break;
        // "P6", width, height and the largest value, with "#" comment lines between them.
        std::vector<int> header;
        std::string word;
        while (header.size() < 4 && in >> word) {
            if (word.starts_with("#")) {
                std::getline(in, word);
                continue;
            }
            header.push_back(word == "P6" ? 6 : std::atoi(word.c_str()));
        }
        in.get();
        Rendered::Page page;
        if (header.size() == 4) page.width = header[1], page.height = header[2];
        page.rgb.resize(static_cast<std::size_t>(page.width) * page.height * 3);
        in.read(reinterpret_cast<char*>(page.rgb.data()), static_cast<std::streamsize>(page.rgb.size()));
        rendered.pages.push_back(std::move(page));
    }
    return rendered;
}

// A rectangle in points from the lower left corner: x0 y0 x1 y1.
using Box = std::array<double, 4>;

// Ink (a pixel that is not white) inside a box, or, with `outside`, anywhere but inside it (a
// pixel's width of tolerance on either side).
std::size_t ink(const Rendered::Page& page, int dpi, const Box& box, bool outside = false) {
    const auto [x0, y0, x1, y1] = box;
    std::size_t count = 0;
    const double px = 72.0 / dpi;
    for (int row = 0; row < page.height; ++row) {
        const double y = (page.height - row - 0.5) * px;
        for (int col = 0; col < page.width; ++col) {
            const double x = (col + 0.5) * px;
            const bool in_box = x > x0 + px && x < x1 - px && y > y0 + px && y < y1 - px;
            const bool near_box = x > x0 - px && x < x1 + px && y > y0 - px && y < y1 + px;
            if (outside ? near_box : !in_box) continue;
            const unsigned char* p = &page.rgb[(static_cast<std::size_t>(row) * page.width + col) * 3];
            if (p[0] < 224 || p[1] < 224 || p[2] < 224) ++count;
        }
    }
    return count;
}

// The nose box of a tab position on the default tab stock (A4 tab, 12.7 mm nose, five tabs of
// 40.3 mm from top to bottom).
Box nose_box(unsigned position) {
    const double height = 403000 / 10000.0 * 72 / 25.4;
    const double gap = (842 - 5 * height) / 4;
    const double top = 842 - position * (height + gap);
    return {595, top - height, 631, top};
}

// The text the tab file service splices into the job for one sheet; empty when there is none.
std::string spliced(const Sheet& sheet) {
    const auto document = tab_document(sheet);
    const auto s = document ? stretches(*document) : std::nullopt;
    return s ? extracted(*s) : std::string();
}

// Ghostscript runs, with the prolog of a job around spliced tab sheets: the printer's procedures
// and the tab procedure set.
class TabSheetsInGhostscript : public TabDocumentLibrary {
protected:
    void SetUp() override {
        TabDocumentLibrary::SetUp();
        if (HasFatalFailure()) return;
        std::string error;
        if (!host::find_ghostscript(error)) GTEST_SKIP() << "Ghostscript is not installed";
        const std::string procset =
            read_whole(fs::path(ZENTA_TEST_DATA_DIR) / ".." / ".." / "src" / "stream" / "tab_procset.ps");
        if (procset.empty()) GTEST_SKIP() << "the tab procedure set is not in the source tree";
        prolog_ = "%!PS\n" + printer_ppd().invocations().at({"ZTQVProcedures", "Installed"}) + "\n" +
                  procset + "\n";
    }

    static constexpr int kDpi = 36;
    std::string prolog_;
};

TEST_F(TabSheetsInGhostscript, TheDocumentAloneRuns) {
    for (const std::uint8_t placement : {0, 1}) {
        Sheet sheet;
        sheet.attributes[2] = placement;
        const auto document = tab_document(sheet);
        ASSERT_TRUE(document);
        const host::JobCheck check = host::check_job(*document);
        EXPECT_TRUE(check.ok) << check.message;
        // Without the tab procedures a sheet is a blank page of the tab page's size, unless the
        // stream asked to print the tab on the page it is in.
        const Rendered alone = render(*document, 10);
        ASSERT_TRUE(alone.ok) << alone.output;
        ASSERT_EQ(alone.pages.size(), 1u);
        EXPECT_EQ(alone.pages[0].width, 88);  // 631 points
        EXPECT_EQ(ink(alone.pages[0], 10, {0, 0, 0, 0}, true), 0u);
        const Rendered on_page = render("%!PS\nuserdict /ZENTANEP true put\n" + *document, 10);
        ASSERT_TRUE(on_page.ok) << on_page.output;
        EXPECT_EQ(on_page.pages.size(), placement == 0 ? 0u : 1u);
    }
}

TEST_F(TabSheetsInGhostscript, AnInsertedSheetPrintsItsTextOnTheNose) {
    for (const unsigned position : {0u, 3u}) {
        const std::string sheet = spliced({"Chapter", {0, 0, 1, static_cast<std::uint8_t>(position), 0}});
        ASSERT_FALSE(sheet.empty());
        const Rendered r = render(prolog_ + sheet, kDpi);
        ASSERT_TRUE(r.ok) << r.output;
        ASSERT_EQ(r.pages.size(), 1u) << "a sheet of its own";
        EXPECT_EQ(r.pages[0].width, 316);  // 631 points: the tab page
        EXPECT_GT(ink(r.pages[0], kDpi, nose_box(position)), 20u) << "position " << position;
        EXPECT_EQ(ink(r.pages[0], kDpi, nose_box(position), true), 0u) << "position " << position;
    }
}

TEST_F(TabSheetsInGhostscript, APrintedTabSharesItsDocumentPage) {
    const std::string printed = spliced({"One", {0, 0, 0, 1, 0}});
    const std::string inserted = spliced({"Two", {0, 0, 1, 2, 0}});
    ASSERT_FALSE(printed.empty() || inserted.empty());
    // Page 1 with a printed tab (the stream marks it not to be erased), then an inserted sheet,
    // then page 2: three pages, each tab text on its own nose.
    const std::string page =
        "newpath 100 300 moveto 200 0 rlineto 0 200 rlineto -200 0 rlineto closepath fill\n";
    const Rendered r =
        render(prolog_ + "gsave userdict /ZENTANEP true put\n" + printed + "userdict /ZENTANEP undef\n" +
                   page + "showpage grestore\n" + inserted + page + "showpage\n",
               kDpi);
    ASSERT_TRUE(r.ok) << r.output;
    ASSERT_EQ(r.pages.size(), 3u);
    EXPECT_GT(ink(r.pages[0], kDpi, nose_box(1)), 20u) << "the printed tab on page 1";
    EXPECT_GT(ink(r.pages[0], kDpi, {150, 350, 250, 450}), 1000u) << "the page's own drawing";
    EXPECT_GT(ink(r.pages[1], kDpi, nose_box(2)), 20u) << "the inserted sheet";
    EXPECT_EQ(ink(r.pages[1], kDpi, nose_box(2), true), 0u) << "the inserted sheet carries the text alone";
    EXPECT_EQ(ink(r.pages[2], kDpi, {560, 0, 631, 842}), 0u) << "no tab on page 2";
}

}  // namespace
}  // namespace zenta
