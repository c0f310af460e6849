// Whole documents printed by the core-driver stand-in with the plug-in taking part: the PPD
// reader, the DSC reader, the driver's own stream around the plug-in's injection points, the
// public DEVMODE fields the driver keeps in step with the settings, and every printed job run
// through Ghostscript.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "environment/printer.h"
#include "environment/public_devmode.h"
#include "environment/record_defaults.h"
#include "features/feature_table.h"
#include "host/core_driver.h"
#include "host/device.h"
#include "host/dsc_document.h"
#include "host/ghostscript.h"
#include "host/ppd_file.h"
#include "host/print_job.h"
#include "host/reliability.h"
#include "platform/sim/services.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "support/read_back.h"

namespace zenta {
namespace {

using namespace abi;
using host::DevmodeBuffer;
using host::DscDocument;
using host::PpdFile;

// ---- the PPD reader

constexpr std::string_view kTestPpd =
    "*PPD-Adobe: \"4.3\"\n"
    "*% a comment: with a colon\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: False\n"
    "*HWMargins: 12 12 12 12\n"
    "*OpenUI *ZTQVProcedures/Printer Procedures: PickOne\n"
    "*OrderDependency: 5 DocumentSetup *ZTQVProcedures\n"
    "*DefaultZTQVProcedures: Installed\n"
    "*ZTQVProcedures Installed/Installed: \"userdict /ZTQVTestA 1 put\n"
    "userdict /ZTQVTestB 2 put\"\n"
    "*End\n"
    "*CloseUI: *ZTQVProcedures\n"
    "*OpenUI *QWOutputMethod/Output Method: PickOne\n"
    "*OrderDependency: 50 DocumentSetup *QWOutputMethod\n"
    "*DefaultQWOutputMethod: Print\n"
    "*QWOutputMethod Print/Print: \"userdict /ZTQVTestMethod /Print put\"\n"
    "*QWOutputMethod Hold/Hold <28>queue<29>: \"userdict /ZTQVTestMethod /Hold put\"\n"
    "*CloseUI: *QWOutputMethod\n"
    "*OpenUI *PageSize/Page Size: PickOne\n"
    "*OrderDependency: 20 AnySetup *PageSize\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<< /PageSize [595 842] >> setpagedevice\"\n"
    "*PageSize A3/A3: \"<< /PageSize [842 1191] >> setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*OrderDependency: 20 AnySetup *PageRegion\n"
    "*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<< /PageSize [595 842] >> setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*OpenUI *QWPageMark: PickOne\n"
    "*OrderDependency: 30 PageSetup *QWPageMark\n"
    "*DefaultQWPageMark: On\n"
    "*QWPageMark On: \"userdict /ZTQVTestMark true put\"\n"
    "*CloseUI: *QWPageMark\n"
    "*OpenUI *QWEarly: PickOne\n"
    "*OrderDependency: 1 Prolog *QWEarly\n"
    "*DefaultQWEarly: Yes\n"
    "*QWEarly Yes: \"/ZTQVTestEarly true def\"\n"
    "*QWEarly No: \"\"\n"
    "*CloseUI: *QWEarly\n"
    "*JCLOpenUI *JCLHold: PickOne\n"
    "*DefaultJCLHold: On\n"
    "*JCLHold On: \"@PJL SET HOLD=ON<0A>\"\n"
    "*JCLCloseUI: *JCLHold\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*PaperDimension A3/A3: \"842 1191\"\n"
    "*PaperDimension Bad/Bad: \"595\"\n";

template <typename T>
T loaded(std::optional<T> read, const std::string& error) {
    EXPECT_TRUE(read) << error;
    return read ? std::move(*read) : T();
}
// The PPD above, and the printer's own.
PpdFile test_ppd() {
    std::string error;
    return loaded(PpdFile::parse(kTestPpd, error), error);
}
PpdFile printer_ppd() {
    std::string error;
    return loaded(PpdFile::read(host::default_ppd_path(), error), error);
}

// Text a reader refuses, and what its error says.
struct Refused {
    std::string text;
    std::string error;
};
template <typename Parse>
void expect_refused(const std::vector<Refused>& cases, Parse parse) {
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(parse(c.text, error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST(HostPpdFile, ReadsFeaturesOptionsValuesAndPaperDimensions) {
    const PpdFile ppd = test_ppd();
    std::vector<std::string> keywords;
    for (const host::PpdFeature& feature : ppd.features()) keywords.push_back(feature.keyword);
    EXPECT_EQ(keywords, (std::vector<std::string>{"ZTQVProcedures", "QWOutputMethod", "PageSize",
                                                  "PageRegion", "QWPageMark", "QWEarly", "JCLHold"}));
    const host::PpdFeature* procedures = ppd.feature("ZTQVProcedures");
    ASSERT_NE(procedures, nullptr);
    EXPECT_EQ(procedures->translation, "Printer Procedures");
    EXPECT_EQ(procedures->type, "PickOne");
    EXPECT_EQ(procedures->default_option, "Installed");
    ASSERT_TRUE(procedures->order);
    EXPECT_EQ(procedures->order->order, 5);
    EXPECT_EQ(procedures->order->section, "DocumentSetup");
    ASSERT_EQ(procedures->options.size(), 1u);
    // A value over two lines keeps its line end as the stream's; the *End line is no statement.
    EXPECT_EQ(procedures->options[0].value, "userdict /ZTQVTestA 1 put\r\nuserdict /ZTQVTestB 2 put");
    EXPECT_EQ(ppd.option("QWOutputMethod", "Hold")->translation, "Hold (queue)");
    EXPECT_TRUE(ppd.feature("JCLHold")->jcl);
    EXPECT_EQ(ppd.value("LanguageLevel"), "3");
    EXPECT_EQ(ppd.value("HWMargins"), "12 12 12 12");
    EXPECT_EQ(ppd.value("Missing"), std::nullopt);
    EXPECT_EQ(ppd.default_option("PaperDimension"), "A4");
    EXPECT_EQ(ppd.invocations().at({"PageSize", "A3"}), "<< /PageSize [842 1191] >> setpagedevice");
    EXPECT_EQ(ppd.invocations().count({"PaperDimension", "A4"}), 0u) << "not a UI feature";
    const auto a3 = ppd.paper_dimension("A3");
    ASSERT_TRUE(a3);
    EXPECT_EQ(a3->width, 842);
    EXPECT_EQ(a3->height, 1191);
    EXPECT_FALSE(ppd.paper_dimension("Bad"));
    EXPECT_FALSE(ppd.paper_dimension("A5"));
}

TEST(HostPpdFile, BadInputIsAnErrorNamingTheLineOrFile) {
    const std::string head = "*PPD-Adobe: \"4.3\"\n";
    expect_refused(
        {
            {"", "not a PPD file"},
            {"%!PS-Adobe-3.0\n", "not a PPD file"},
            {head + "*PageSize A4: \"<< /PageSize\n[595 842] >>\n",
             "line 2: the quoted value of *PageSize A4 does not end"},
            {head + "*OpenUI *A: PickOne\n*OpenUI *B: PickOne\n",
             "line 3: *OpenUI *B inside the UI block of *A (line 2)"},
            {head + "*OpenUI *A: PickOne\n", "line 2: the UI block of *A has no *CloseUI"},
            {head + "*CloseUI: *A\n", "line 2: *CloseUI: *A without *OpenUI"},
            {head + "*OpenUI *A: PickOne\n*CloseUI: *B\n",
             "line 3: *CloseUI: *B does not close the UI block of *A"},
            {head + "*OpenUI A: PickOne\n", "line 2: *OpenUI names no *keyword"},
            {head + "*OpenUI *A: PickOne\n*CloseUI: *A\n*OpenUI *A: PickOne\n",
             "line 4: a second UI block for *A"},
            {head + "*: x\n", "line 2: a statement without a keyword"},
        },
        [](const std::string& text, std::string& error) { return PpdFile::parse(text, error).has_value(); });
    std::string error;
    EXPECT_FALSE(PpdFile::read("no-such-dir/none.ppd", error));
    EXPECT_EQ(error, "cannot read 'no-such-dir/none.ppd'");
}

// ---- the DSC reader

constexpr std::string_view kTestDocument =
    "%!PS-Adobe-3.0\n"
    "%%Title: two pages\n"
    "%%Pages: 2\n"
    "%%DocumentNeededResources: font Times-Roman\n"
    "%%+ font Courier\n"
    "%%EndComments\n"
    "%%BeginProlog\n"
    "/TestEnd { showpage } bind def\n"
    "%%EndProlog\n"
    "%%BeginSetup\n"
    "/Times-Roman findfont 24 scalefont setfont\n"
    "%%EndSetup\n"
    "%%Page: one 1\n"
    "%%PageBoundingBox: 0 0 595 842\n"
    "%%BeginPageSetup\n"
    "/TestPage 1 def\n"
    "%%EndPageSetup\n"
    "72 72 moveto (one) show\n"
    "TestEnd\n"
    "%%PageTrailer\n"
    "%%Page: two 2\n"
    "72 72 moveto (two) show\n"
    "showpage\n"
    "%%Trailer\n"
    "%%Pages: 2\n"
    "%%EOF\n";

DscDocument two_page_document() {
    std::string error;
    return loaded(host::parse_dsc(kTestDocument, error), error);
}

TEST(HostDscDocument, SectionsWithoutTheirStructureComments) {
    const DscDocument doc = two_page_document();
    EXPECT_EQ(doc.prolog, "/TestEnd { showpage } bind def\n");
    EXPECT_EQ(doc.setup, "/Times-Roman findfont 24 scalefont setfont\n");
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(doc.pages[0].setup, "/TestPage 1 def\n");
    EXPECT_EQ(doc.pages[0].content, "72 72 moveto (one) show\nTestEnd\n");
    EXPECT_EQ(doc.pages[1].setup, "");
    EXPECT_EQ(doc.pages[1].content, "72 72 moveto (two) show\nshowpage\n");
    EXPECT_EQ(doc.trailer, "");
    EXPECT_EQ(doc.needed_resources, (std::vector<std::string>{"font Times-Roman", "font Courier"}));
}

TEST(HostDscDocument, NestedDocumentsAndDataAreTakenAsTheyAre) {
    const std::string binary = "\n%%Page: 9 9\n\r\n";
    const std::string text =
        "%!PS-Adobe-3.0\r\n%%EndComments\r\n%%Page: 1 1\r\n"
        "%%BeginDocument: inner.eps\r\n%!PS-Adobe-3.0 EPSF-3.0\r\n%%Page: 1 1\r\n"
        "%%EndDocument\r\n"
        "%%BeginBinary: " +
        std::to_string(binary.size()) + "\r\n" + binary + "%%EndBinary\r\n" +
        "%%BeginData: 1 ASCII Lines\r\n%%Trailer\r\n%%EndData\r\nlast";
    std::string error;
    const std::optional<DscDocument> doc = host::parse_dsc(text, error);
    ASSERT_TRUE(doc) << error;
    ASSERT_EQ(doc->pages.size(), 1u);
    EXPECT_EQ(doc->pages[0].content, text.substr(text.find("%%BeginDocument")) + "\r\n")
        << "a section ends with a line end";
}

TEST(HostDscDocument, NotDscIsAnError) {
    expect_refused(
        {{"", "not DSC PostScript"},
         {"%!PS\nshowpage\n", "not DSC PostScript"},
         {"%PDF-1.4\n", "not DSC PostScript"},
         {"%!PS-Adobe-3.0\n%%EndComments\n1 pop\n%%Trailer\n", "DSC PostScript without pages"}},
        [](const std::string& text, std::string& error) { return host::parse_dsc(text, error).has_value(); });
}

TEST(HostDscDocument, PostScriptStrings) {
    EXPECT_EQ(host::ps_string("A4 (210 x 297) \\"), "(A4 \\(210 x 297\\) \\\\)");
    EXPECT_EQ(host::ps_string("R\xC3\xA9sum\xC3\xA9\n"), "(R\\303\\251sum\\303\\251\\012)");
}

// ---- the PostScript of a job, as the check takes it out

TEST(HostGhostscript, JobPostScriptLeavesOutThePjl) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\x1B%-12345X@PJL\r\n@PJL SET A=1\r\n%!PS\r\n1 pop\r\n@PJL late\r\n\x1B%-12345X",
         "%!PS\r\n1 pop\r\n"},
        {"no PostScript at all\n", ""},
        {"%!PS\n@PJL", "%!PS\n"},
        {"text %!PS\n%!PS-Adobe-3.0\nx", "%!PS-Adobe-3.0\nx"},
    };
    for (const auto& [job, postscript] : cases) EXPECT_EQ(host::job_postscript(job), postscript) << job;
}

// ---- printing

constexpr std::u16string_view kPrinterName = u"Zenta Production Printer";

// Ghostscript is there, or the test cannot run it (under Wine without access to the host's gs).
#ifdef _WIN32
#define ZENTA_REQUIRE_GHOSTSCRIPT() \
    if (std::string gs_error; !host::find_ghostscript(gs_error)) GTEST_SKIP() << gs_error
#else
#define ZENTA_REQUIRE_GHOSTSCRIPT() \
    if (std::string gs_error; !host::find_ghostscript(gs_error)) GTEST_FAIL() << gs_error
#endif

// The printer's defaults with `settings` applied.
settings::Record record_with(std::string_view settings) {
    settings::Record record = environment::default_record();
    EXPECT_FALSE(settings::apply_settings(record, settings)) << settings;
    return record;
}

class HostPrint : public ::testing::Test {
protected:
    void SetUp() override {
        printer_ = environment::PrinterConnection::open(kPrinterName);
        ASSERT_TRUE(printer_);
    }

    struct Printed {
        bool ok = false;
        std::string error;
        std::string spool;
        std::vector<host::InjectionCall> injections;
        std::vector<host::OptionQuery> queries;
        unsigned pages = 0;
    };

    // One job with a driver of its own.
    Printed print(const PpdFile& ppd, const DscDocument& doc, const settings::Record& record,
                  std::u16string_view title = u"Test Job") {
        host::CoreDriver driver;
        host::PrintJob job(driver, ppd, doc);
        Printed printed;
        const DevmodeBuffer dm = host::application_devmode(kPrinterName, record, printer_.handle());
        printed.ok = job.print(dm, printer_.handle(), title, 7);
        printed.error = job.error();
        printed.spool = job.spool();
        printed.injections = job.injections();
        printed.pages = job.pages_printed();
        printed.queries = driver.job().option_queries;
        // The record the job was printed with: the DEVMODE's, its paper name as the public part says.
        const std::optional<settings::Record> used = host::job_settings(dm, printer_.handle());
        EXPECT_TRUE(used);
        if (printed.ok && used) {
            EXPECT_TRUE(test::reads_back(printed.spool, *used));
        }
        return printed;
    }

    platform::sim::SimulatedServices services_{platform::sim::default_profile()};
    environment::PrinterConnection printer_;
};

const std::map<DWORD, std::string>& point_names() {
    // clang-format off
#define P(name) {PSINJECT_##name, #name}
    static const std::map<DWORD, std::string> names = {
        P(BEGINSTREAM), P(PSADOBE), P(PAGESATEND), P(PAGES), P(DOCNEEDEDRES), P(DOCSUPPLIEDRES), P(PAGEORDER),
        P(ORIENTATION), P(BOUNDINGBOX), P(DOCUMENTPROCESSCOLORS), P(COMMENTS), P(BEGINDEFAULTS),
        P(ENDDEFAULTS), P(BEGINPROLOG), P(ENDPROLOG), P(BEGINSETUP), P(ENDSETUP), P(TRAILER), P(EOF),
        P(ENDSTREAM), P(DOCUMENTPROCESSCOLORSATEND), P(PAGENUMBER), P(BEGINPAGESETUP), P(ENDPAGESETUP),
        P(PAGETRAILER), P(SHOWPAGE), P(PAGEBBOX), P(ENDPAGECOMMENTS), P(VMSAVE), P(VMRESTORE)};
    // clang-format on
#undef P
    return names;
}

// The spool with what the plug-in wrote at each injection point replaced by "[NAME]": the
// driver's own stream and where it called Command.
std::string marked_stream(const std::string& spool, const std::vector<host::InjectionCall>& calls) {
    std::string out;
    std::size_t at = 0;
    for (const host::InjectionCall& call : calls) {
        out += spool.substr(at, call.begin - at);
        const auto name = point_names().find(call.index);
        out += "[" + (name == point_names().end() ? std::to_string(call.index) : name->second) + "]";
        at = call.end;
    }
    return out + spool.substr(at);
}

// A feature's code as the driver sends it, where an error in it stops nothing.
std::string feature(const std::string& choice, const std::string& code) {
    return "[{\r\n%%BeginFeature: *" + choice + "\r\n" + code +
           "\r\n%%EndFeature\r\n} stopped cleartomark\r\n";
}

TEST_F(HostPrint, TheDriversStreamAroundTheInjectionPoints) {
    const Printed printed = print(test_ppd(), two_page_document(), environment::default_record());
    ASSERT_TRUE(printed.ok) << printed.error;
    EXPECT_EQ(printed.pages, 2u);

    // The driver's lines end in CR LF; the document's own code keeps its line ends.
    const auto page = [](const std::string& number, const std::string& setup, const std::string& content) {
        return "[PAGENUMBER]%%Page: " + number + " " + number +
               "\r\n[PAGEBBOX]%%PageBoundingBox: 0 0 595 842\r\n"
               "[ENDPAGECOMMENTS]%%EndPageComments\r\n"
               "%%BeginPageSetup\r\n"
               "[BEGINPAGESETUP][VMSAVE]userdict /pagesave save put\r\n"
               "userdict /showpage {} put\r\n" +
               feature("QWPageMark On", "userdict /ZTQVTestMark true put") + setup +
               "[ENDPAGESETUP]%%EndPageSetup\r\n" + content +
               "userdict /showpage undef\r\n"
               "[SHOWPAGE]showpage\r\n"
               "userdict /pagesave get restore\r\n"
               "[VMRESTORE]%%PageTrailer\r\n"
               "[PAGETRAILER]";
    };
    const std::string expected =
        "[BEGINSTREAM][PSADOBE]%!PS-Adobe-3.0\r\n"
        "%%Title: Test Job\r\n"
        "%%Creator: Zenta core driver stand-in\r\n"
        "%%LanguageLevel: 3\r\n"
        "[BOUNDINGBOX]%%BoundingBox: 0 0 595 842\r\n"
        "[DOCUMENTPROCESSCOLORSATEND]%%DocumentProcessColors: (atend)\r\n"
        "%%DocumentNeededResources: (atend)\r\n"
        "%%DocumentSuppliedResources: (atend)\r\n"
        "[PAGESATEND]%%Pages: (atend)\r\n"
        "[PAGEORDER]%%PageOrder: Ascend\r\n"
        "[ORIENTATION]%%Orientation: Portrait\r\n"
        "[COMMENTS]%%EndComments\r\n"
        "%%BeginDefaults\r\n"
        "[BEGINDEFAULTS]%%PageOrientation: Portrait\r\n"
        "[ENDDEFAULTS]%%EndDefaults\r\n"
        "%%BeginProlog\r\n"
        "[BEGINPROLOG]" +
        feature("QWEarly Yes", "/ZTQVTestEarly true def") +
        "userdict /showpage {} put\r\n"
        "/TestEnd { showpage } bind def\n"
        "userdict /showpage undef\r\n"
        "[ENDPROLOG]%%EndProlog\r\n"
        "%%BeginSetup\r\n"
        "[BEGINSETUP]" +
        feature("ZTQVProcedures Installed", "userdict /ZTQVTestA 1 put\r\nuserdict /ZTQVTestB 2 put") +
        feature("PageSize A4", "<< /PageSize [595 842] >> setpagedevice") +
        feature("QWOutputMethod Print", "userdict /ZTQVTestMethod /Print put") +
        "/Times-Roman findfont 24 scalefont setfont\n"
        "[ENDSETUP]%%EndSetup\r\n" +
        page("1", "/TestPage 1 def\n", "72 72 moveto (one) show\nTestEnd\n") +
        page("2", "", "72 72 moveto (two) show\nshowpage\n") +
        "%%Trailer\r\n"
        "[TRAILER][PAGES]%%Pages: 2\r\n"
        "%%DocumentNeededResources: font Times-Roman\r\n%%+ font Courier\r\n"
        "[DOCNEEDEDRES]%%DocumentSuppliedResources:\r\n"
        "[DOCSUPPLIEDRES][DOCUMENTPROCESSCOLORS]%%DocumentProcessColors: Black\r\n"
        "%%EOF\r\n"
        "[EOF][ENDSTREAM]";
    EXPECT_EQ(marked_stream(printed.spool, printed.injections), expected);

    // Nothing before the stream begins nor after it ends, and every call answered.
    ASSERT_FALSE(printed.injections.empty());
    EXPECT_EQ(printed.injections.front().index, PSINJECT_BEGINSTREAM);
    EXPECT_EQ(printed.injections.front().begin, 0u);
    EXPECT_EQ(printed.injections.back().index, PSINJECT_ENDSTREAM);
    EXPECT_EQ(printed.injections.back().end, printed.spool.size());
    for (const host::InjectionCall& call : printed.injections) {
        EXPECT_EQ(call.hr, S_OK) << call.index;
        EXPECT_TRUE(call.result == 0 || call.result == ERROR_NOT_SUPPORTED) << call.index;
    }
}

// The lines of a job with the per-job lines the plug-in writes (job identifier, user) masked.
std::vector<std::string> masked_lines(const std::string& spool) {
    std::vector<std::string> lines;
    std::istringstream in(spool);
    for (std::string line; std::getline(in, line);) {
        for (const std::string_view prefix :
             {"@PJL SET DRIVERJOBID=", "@PJL SET USERNAME=", "%%ZENTA-ForEx: "})
            if (line.starts_with(prefix)) line = std::string(prefix) + "*";
        lines.push_back(line);
    }
    return lines;
}

TEST_F(HostPrint, TwoPrintsDifferOnlyInTheJobIdentifierAndUser) {
    const settings::Record record = record_with("PageSize=A3\nOrientation=Land\nOutputMethod=Hold\n");
    const Printed first = print(test_ppd(), two_page_document(), record);
    const Printed second = print(test_ppd(), two_page_document(), record);
    ASSERT_TRUE(first.ok && second.ok) << first.error << second.error;
    EXPECT_EQ(masked_lines(first.spool), masked_lines(second.spool));
    const std::string marked = marked_stream(first.spool, first.injections);
    EXPECT_NE(marked.find("%%BeginFeature: *PageSize A3\r\n"), std::string::npos);
    EXPECT_NE(marked.find("[ORIENTATION]%%Orientation: Landscape\r\n"), std::string::npos);
}

TEST_F(HostPrint, ThePluginsPpdQueriesAreAnsweredFromThePpd) {
    const PpdFile ppd = test_ppd();
    const Printed printed = print(ppd, two_page_document(), record_with("OutputMethod=Hold\n"));
    ASSERT_TRUE(printed.ok) << printed.error;
    for (const host::OptionQuery& query : printed.queries) {
        const host::PpdOption* option =
            ppd.feature(query.feature) ? ppd.option(query.feature, query.option) : nullptr;
        if (!option || query.attribute != "Invocation") {
            EXPECT_EQ(query.result, E_INVALIDARG) << query.feature << " " << query.option;
        } else if (query.buffer_size == 0) {
            EXPECT_EQ(query.result, E_OUTOFMEMORY) << "the size query";
        } else {
            EXPECT_EQ(query.result, S_OK) << query.feature << " " << query.option;
        }
    }
    // What the plug-in got for the output method is the PPD's text.
    const bool answered =
        std::any_of(printed.queries.begin(), printed.queries.end(), [](const host::OptionQuery& q) {
            return q.feature == "QWOutputMethod" && q.option == "Hold" && q.result == S_OK;
        });
    if (answered) {
        EXPECT_NE(printed.spool.find("userdict /ZTQVTestMethod /Hold put"), std::string::npos);
    }
}

TEST_F(HostPrint, EveryJobRunsInGhostscript) {
    ZENTA_REQUIRE_GHOSTSCRIPT();
    const PpdFile ppd = printer_ppd();
    for (const std::string_view settings :
         {"", "PageSize=A3\nOrientation=Land\n", "NUpCount=2\nOutputMethod=Hold\nDuplex=False\n"}) {
        const settings::Record record = record_with(settings);
        const Printed test_ppd_job = print(test_ppd(), two_page_document(), record);
        ASSERT_TRUE(test_ppd_job.ok) << test_ppd_job.error;
        const host::JobCheck check = host::check_job(test_ppd_job.spool);
        EXPECT_TRUE(check.ok) << settings << check.message;

        // The printer's own PPD, its procedures and the built-in test document.
        const host::JobPaper paper = host::job_paper(ppd, &record);
        const Printed job = print(ppd, host::test_document(3, host::test_page_text(paper)), record);
        ASSERT_TRUE(job.ok) << job.error;
        const host::JobCheck traced = host::check_job(job.spool, true);
        EXPECT_TRUE(traced.ok) << settings << traced.message;
    }
}

// Pages as Ghostscript's bounding box device counts them.
std::size_t pages_rendered(const std::string& job) {
    host::TemporaryDirectory dir;
    std::ofstream(dir.path() / "job.ps", std::ios::binary) << host::job_postscript(job);
    const host::GhostscriptRun run = host::run_ghostscript(
        {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=bbox", "job.ps"}, dir.path());
    EXPECT_TRUE(run.started) << run.error;
    return host::occurrences(run.output, "%%BoundingBox:");
}

TEST_F(HostPrint, APdfPrintsPageForPage) {
    ZENTA_REQUIRE_GHOSTSCRIPT();
    host::TemporaryDirectory dir;
    ASSERT_TRUE(dir) << dir.error();
    std::ofstream(dir.path() / "source.ps", std::ios::binary)
        << "%!PS\n/Helvetica findfont 40 scalefont setfont\n"
           "72 700 moveto (first) show showpage\n72 700 moveto (second) show showpage\n";
    const host::GhostscriptRun made = host::run_ghostscript(
        {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-sOutputFile=two.pdf", "source.ps"},
        dir.path());
    ASSERT_EQ(made.exit_code, 0) << made.error << made.output;

    std::string error;
    const std::optional<DscDocument> doc = host::read_document((dir.path() / "two.pdf").string(), error);
    ASSERT_TRUE(doc) << error;
    EXPECT_EQ(doc->pages.size(), 2u);
    const Printed printed = print(test_ppd(), *doc, environment::default_record(), u"two.pdf");
    ASSERT_TRUE(printed.ok) << printed.error;
    const host::JobCheck check = host::check_job(printed.spool);
    EXPECT_TRUE(check.ok) << check.message;
    // The document's own showpage does nothing: every page comes out once.
    EXPECT_EQ(pages_rendered(printed.spool), 2u);
    EXPECT_EQ(pages_rendered(print(test_ppd(), two_page_document(), environment::default_record()).spool),
              2u);
}

// ---- the driver's choices from the settings

TEST(HostPrintChoices, PpdOptionsFollowTheSettings) {
    const PpdFile ppd = printer_ppd();
    // "Keyword Option" in the order they are sent: the procedures and the PPD's own first.
    const std::string always = "ZTQVProcedures Installed, QWOpCreator Zenta, QWOpPPDVersion 1.0, ";
    const std::pair<std::string_view, std::string> cases[] = {
        {"PageSize=A4\nResolution=600dpi\nOutputMethod=Print\n",
         "Resolution 600dpi, PageSize A4, QWOutputMethod Print"},
        {"PageSize=A3\nResolution=1200dpi\nOutputMethod=Hold\n",
         "Resolution 1200dpi, PageSize A3, QWOutputMethod Hold"},
        // An option the PPD does not have: the PPD's default.
        {"PageSize=Letter\nOutputMethod=Secure\n",
         "Resolution 600dpi, PageSize Letter, QWOutputMethod Print"},
    };
    for (const auto& [text, chosen] : cases) {
        settings::Record record = record_with("Resolution=600dpi\n");
        ASSERT_FALSE(settings::apply_settings(record, text));
        std::string sent;
        for (const host::FeatureChoice& choice : host::choose_features(ppd, &record))
            sent += (sent.empty() ? "" : ", ") + choice.feature->keyword + " " + choice.option->keyword;
        EXPECT_EQ(sent, always + chosen) << text;
    }
    EXPECT_EQ(host::job_paper(ppd, nullptr).keyword, ppd.default_option("PageSize"));
    EXPECT_EQ(host::test_page_text({"QVB5", "B5 (JIS)", {516, 729}, true}).paper, "B5 (JIS), 182 x 257 mm");
}

class HostPublicFields : public HostPrint {};

TEST_F(HostPublicFields, ThePublicFieldsSayWhatTheSettingsSay) {
    for (const std::string_view settings :
         {"PageSize=A3\nOrientation=Land\n", "PageSize=Letter\nNumCopies=4\nResolution=1200dpi\n",
          "PageSize=QVA4Tab1\nResolution=600dpi\n", "InputSlot=Tray1\nPageSize=A5\n"}) {
        const settings::Record record = record_with(settings);
        DevmodeBuffer dm = host::application_devmode(kPrinterName, record, printer_.handle());
        const environment::DevmodeChangeSet change =
            environment::build_change_set(dm.bytes(), record, printer_.handle());
        EXPECT_FALSE(change.changed) << settings;
        const std::optional<settings::Record> merged = host::job_settings(dm, printer_.handle());
        ASSERT_TRUE(merged);
        for (const char* key : {"PageSize", "Orientation", "Resolution", "InputSlot", "NumCopies"}) {
            const auto id = features::find_feature(key);
            ASSERT_TRUE(id);
            EXPECT_EQ(settings::format_value(*merged, *id), settings::format_value(record, *id))
                << settings << key;
        }
    }
}

// ---- the stand-in's DDI functions while a document is printed

struct RefusingDriver final : host::DocumentDriver {
    bool start_doc(SURFOBJ*, const char16_t*, DWORD) override { return true; }
    bool start_page(SURFOBJ*) override { return false; }
    bool send_page(SURFOBJ*) override { return true; }
    bool end_doc(SURFOBJ*, FLONG) override { throw std::runtime_error("no"); }
};

TEST(HostDocumentDriver, ADocumentStepThatFailsAnswersFalse) {
    host::Device device;
    RefusingDriver driver;
    const auto start_doc = from_pfn<PFN_DrvStartDoc>(host::ddi_function(INDEX_DrvStartDoc));
    const auto start_page = from_pfn<PFN_DrvStartPage>(host::ddi_function(INDEX_DrvStartPage));
    const auto end_doc = from_pfn<PFN_DrvEndDoc>(host::ddi_function(INDEX_DrvEndDoc));
    EXPECT_EQ(static_cast<std::uint32_t>(start_page(device.surface())), host::ddi_result(INDEX_DrvStartPage))
        << "no document: the call is only logged";
    device.set_document_driver(&driver);
    std::u16string name = u"Doc";
    EXPECT_EQ(static_cast<std::uint32_t>(start_doc(device.surface(), name.data(), 1)),
              host::ddi_result(INDEX_DrvStartDoc));
    EXPECT_EQ(start_page(device.surface()), 0);
    EXPECT_EQ(end_doc(device.surface(), 0), 0) << "an exception does not leave the DDI function";
    EXPECT_EQ(device.ddi_calls().size(), 4u) << "every call is logged";
}

}  // namespace
}  // namespace zenta
