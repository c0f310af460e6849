// The tab request block, the extraction of a tab file, the wait for it and the texts around a tab
// sheet.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "abi/devmode.h"
#include "platform/native.h"
#include "platform/os.h"
#include "platform/sim/system.h"
#include "settings/record.h"
#include "tabfile/extraction.h"
#include "tabfile/ready_wait.h"
#include "tabfile/request_block.h"
#include "tabfile/tab_blocks.h"

namespace zenta::tabfile {
namespace {

namespace fs = std::filesystem;

std::string read_data(const std::string& name) {
    std::ifstream in(std::string(ZENTA_TEST_DATA_DIR) + "/tabfile/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::uint16_t le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
std::uint32_t le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return le16(bytes, at) | (static_cast<std::uint32_t>(le16(bytes, at + 2)) << 16);
}

// ---------------------------------------------------------------------------------------------
// The request block

class RequestBlockTest : public ::testing::Test {
protected:
    RequestBlock block() { return RequestBlock(bytes_.data(), kRequestBlockSize); }
    ConstRequestBlock view() const { return ConstRequestBlock(bytes_.data(), kRequestBlockSize); }

    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kRequestBlockSize, 0xAA);
};

// A public DEVMODE of dm_size bytes (plus private bytes) with the four words set.
std::vector<std::uint8_t> devmode(abi::DWORD fields, std::size_t dm_size = sizeof(abi::DEVMODEW),
                                  std::size_t extra = 0) {
    std::vector<std::uint8_t> bytes(dm_size + extra, 0);
    const auto put16 = [&](std::size_t at, std::uint16_t v) {
        if (at + 2 > bytes.size()) return;
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    put16(offsetof(abi::DEVMODEW, dmSize), static_cast<std::uint16_t>(dm_size));
    put16(offsetof(abi::DEVMODEW, dmDriverExtra), static_cast<std::uint16_t>(extra));
    put16(offsetof(abi::DEVMODEW, dmFields), static_cast<std::uint16_t>(fields));
    put16(offsetof(abi::DEVMODEW, dmFields) + 2, static_cast<std::uint16_t>(fields >> 16));
    put16(offsetof(abi::DEVMODEW, dmOrientation), 2);
    put16(offsetof(abi::DEVMODEW, dmScale), 150);
    put16(offsetof(abi::DEVMODEW, dmPrintQuality), 0xFFFC);  // DMRES_HIGH
    put16(offsetof(abi::DEVMODEW, dmYResolution), 1200);
    return bytes;
}

TEST_F(RequestBlockTest, FieldsSitAtTheirOffsets) {
    settings::Record record;
    record.bytes.front() = 0x11;
    record.bytes.back() = 0x22;
    const auto dm = devmode(abi::DM_ORIENTATION | abi::DM_SCALE | abi::DM_PRINTQUALITY | abi::DM_YRESOLUTION);
    TabRequest request;
    request.module = reinterpret_cast<void*>(std::uintptr_t{0x7FF612345678});
    request.printer = reinterpret_cast<void*>(std::uintptr_t{0x1234});
    request.printer_name = u"Zenta";
    request.tab_file_path = u"C:\\Temp\\TP1A.tmp";
    request.document_name = u"Printed Tab on 1";
    request.public_devmode = dm;
    request.record = &record;
    request.job_id = 0x01020304;
    request.attributes = {1, 2, 3, 4, 5};
    request.tab_text = "Chapter";
    fill_request_block(block(), request);

    const auto& b = bytes_;
    EXPECT_EQ(le32(b, 0), 0x12345678u);
    EXPECT_EQ(le32(b, 4), 0x7FF6u);
    EXPECT_EQ(le32(b, 8), 0x1234u);
    EXPECT_EQ(le32(b, 12), 0u);
    EXPECT_EQ(le16(b, 16), u'Z');
    EXPECT_EQ(le16(b, 16 + 8), u'a');
    EXPECT_EQ(le16(b, 16 + 10), 0u);
    EXPECT_EQ(le16(b, 8210), u'C');
    EXPECT_EQ(le16(b, 139284), u'P');
    EXPECT_EQ(le16(b, 147478), 2u);
    EXPECT_EQ(le16(b, 147480), 0xFFFCu);
    EXPECT_EQ(le16(b, 147482), 1200u);
    EXPECT_EQ(le16(b, 147484), 150u);
    EXPECT_EQ(b[147486], 0x11);
    EXPECT_EQ(b[147486 + 27773], 0x22);
    EXPECT_EQ(le32(b, 175260), 0x01020304u);
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 175264, b.begin() + 175269),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(std::string(b.begin() + 175269, b.begin() + 175277), std::string("Chapter\0", 8));
    EXPECT_EQ(le32(b, 193472), 1u);
    EXPECT_EQ(le32(b, 193476), 0u);
    // Everything not written is zero: the block was zero-filled first.
    EXPECT_EQ(std::count(b.begin() + 16 + 12, b.begin() + 8210, 0), 8210 - 28);
    EXPECT_EQ(std::count(b.begin() + 175277, b.begin() + 193472, 0), 193472 - 175277);

    EXPECT_EQ(module_handle(view()), request.module);
    EXPECT_EQ(printer_handle(view()), request.printer);
    EXPECT_EQ(printer_name(view()), u"Zenta");
    EXPECT_EQ(tab_file_path(view()), u"C:\\Temp\\TP1A.tmp");
    EXPECT_EQ(document_name(view()), u"Printed Tab on 1");
    EXPECT_EQ(job_id(view()), 0x01020304u);
    EXPECT_EQ(tab_attributes(view()), (TabAttributes{1, 2, 3, 4, 5}));
    EXPECT_EQ(tab_text(view()), "Chapter");
    EXPECT_EQ(status(view()), kStatusPending);
    EXPECT_TRUE(std::equal(record.bytes.begin(), record.bytes.end(), record_bytes(view()).begin()));
    EXPECT_TRUE(block_acceptable(view()));
}

TEST_F(RequestBlockTest, LongTextsKeepTheirFirstCharacters) {
    TabRequest request;
    request.module = &request;
    fill_request_block(block(), request);
    const std::u16string fits(4096, u'n');
    set_printer_name(block(), fits);
    EXPECT_EQ(printer_name(view()), fits);
    EXPECT_EQ(le16(bytes_, 16 + 2 * 4095), u'n');
    EXPECT_EQ(le16(bytes_, kPrinterNameLastCell), 0u);

    std::u16string longer = fits + u"X";
    longer[0] = u'A';
    set_printer_name(block(), longer);
    EXPECT_EQ(printer_name(view()).size(), 4096u);
    EXPECT_EQ(printer_name(view()).front(), u'A');
    EXPECT_EQ(le16(bytes_, kPrinterNameLastCell), 0u);
    EXPECT_EQ(le16(bytes_, kTabFilePathOffset), 0u) << "the next field is untouched";

    set_tab_file_path(block(), std::u16string(70000, u'p'));
    EXPECT_EQ(tab_file_path(view()), std::u16string(65536, u'p'));
    set_document_name(block(), std::u16string(5000, u'd'));
    EXPECT_EQ(document_name(view()), std::u16string(4096, u'd'));
    EXPECT_EQ(orientation(view()), 1u) << "the next field is untouched";
    EXPECT_TRUE(block_acceptable(view()));

    // A shorter text written over a longer one leaves nothing of the longer behind.
    set_printer_name(block(), u"P");
    EXPECT_EQ(le16(bytes_, 16 + 2), 0u);
    EXPECT_EQ(le16(bytes_, 16 + 2 * 4095), 0u);

    // The cut does not leave half of a surrogate pair.
    std::u16string pair(4095, u'x');
    pair += u"\U0001F600";
    set_printer_name(block(), pair);
    EXPECT_EQ(printer_name(view()), std::u16string(4095, u'x'));
}

TEST_F(RequestBlockTest, TabTextIsCutToItsField) {
    fill_request_block(block(), TabRequest{});
    set_tab_text(block(), std::string(18202, 't'));
    EXPECT_EQ(tab_text(view()).size(), 18202u);
    set_tab_text(block(), std::string(20000, 't'));
    EXPECT_EQ(tab_text(view()), std::string(18202, 't'));
    EXPECT_EQ(bytes_[kStatusOffset - 1], 0);
    EXPECT_EQ(status(view()), kStatusPending) << "the next field is untouched";
    // A UTF-8 sequence that would not fit whole is dropped.
    set_tab_text(block(), std::string(18201, 't') + "\xC3\xA9");
    EXPECT_EQ(tab_text(view()), std::string(18201, 't'));
    // A zero byte ends the text.
    set_tab_text(block(), std::string("ab\0cd", 5));
    EXPECT_EQ(tab_text(view()), "ab");
}

TEST_F(RequestBlockTest, AcceptanceChecks) {
    TabRequest request;
    request.module = &request;
    fill_request_block(block(), request);
    ASSERT_TRUE(block_acceptable(view()));

    for (const auto& [offset, what] :
         {std::pair<std::size_t, const char*>{kPrinterNameLastCell, "printer name"},
          {kPrinterNameLastCell + 1, "its high byte"},
          {kTabFilePathLastCell, "tab file path"},
          {kDocumentNameLastCell, "document name"},
          {kDocumentNameLastCell + 1, "its high byte"}}) {
        fill_request_block(block(), request);
        bytes_[offset] = 'x';
        EXPECT_FALSE(block_acceptable(view())) << what;
    }
    // Other cells of a text may hold anything.
    fill_request_block(block(), request);
    bytes_[kPrinterNameLastCell - 2] = 'x';
    bytes_[kTabFilePathLastCell - 2] = 'x';
    EXPECT_TRUE(block_acceptable(view()));

    request.module = nullptr;
    fill_request_block(block(), request);
    EXPECT_FALSE(block_acceptable(view()));
    set_module_handle(block(), reinterpret_cast<void*>(std::uintptr_t{1}));
    EXPECT_TRUE(block_acceptable(view()));
}

std::vector<std::uint8_t> first(std::vector<std::uint8_t> bytes, std::size_t n) {
    bytes.resize(n);
    return bytes;
}

TEST(DevmodeWords, ReadByTheirFlags) {
    constexpr abi::DWORD kAll =
        abi::DM_ORIENTATION | abi::DM_SCALE | abi::DM_PRINTQUALITY | abi::DM_YRESOLUTION;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        DevmodeWords expected;
    };
    const Case cases[] = {
        {"all flags", devmode(kAll), {2, 0xFFFC, 1200, 150}},
        {"no flags", devmode(0), {1, 0, 0, 0xFFFF}},
        {"orientation only", devmode(abi::DM_ORIENTATION), {2, 0, 0, 0xFFFF}},
        {"scale only", devmode(abi::DM_SCALE), {1, 0, 0, 150}},
        {"quality and y resolution",
         devmode(abi::DM_PRINTQUALITY | abi::DM_YRESOLUTION),
         {1, 0xFFFC, 1200, 0xFFFF}},
        {"with private bytes", devmode(kAll, sizeof(abi::DEVMODEW), 400), {2, 0xFFFC, 1200, 150}},
        // dmSize 96 ends just before dmYResolution.
        {"dmSize short of dmYResolution", devmode(kAll, 96), {2, 0xFFFC, 0, 150}},
        {"buffer short of dmYResolution", first(devmode(kAll), 97), {2, 0xFFFC, 0, 150}},
        {"buffer short of dmFields", first(devmode(kAll), 75), {1, 0, 0, 0xFFFF}},
        {"dmSize short of dmFields", devmode(kAll, 72, 200), {1, 0, 0, 0xFFFF}},
        {"empty", {}, {1, 0, 0, 0xFFFF}},
    };
    for (const Case& c : cases) EXPECT_EQ(devmode_words(c.bytes), c.expected) << c.what;
}

// ---------------------------------------------------------------------------------------------
// Extraction

// Bytes in memory, given out in pieces of the sizes listed (the last size repeats); a read also
// stops at each of the cut offsets, wherever the reading position came from.
class PieceSource : public ByteSource {
public:
    PieceSource(std::string data, std::vector<std::size_t> pieces, std::vector<std::size_t> cuts = {})
        : data_(std::move(data)), pieces_(std::move(pieces)), cuts_(std::move(cuts)) {}

    std::size_t read(void* buffer, std::size_t size) override {
        std::size_t n =
            std::min({size, pieces_[std::min(next_, pieces_.size() - 1)], data_.size() - position_});
        ++next_;
        for (const std::size_t cut : cuts_)
            if (cut > position_) n = std::min(n, cut - position_);
        std::copy_n(data_.data() + position_, n, static_cast<char*>(buffer));
        position_ += n;
        ++reads_;
        return n;
    }
    std::uint64_t position() const override { return position_; }
    bool seek(std::uint64_t position) override {
        if (position > data_.size()) return false;
        position_ = static_cast<std::size_t>(position);
        return true;
    }
    std::size_t reads() const { return reads_; }

private:
    std::string data_;
    std::vector<std::size_t> pieces_;
    std::vector<std::size_t> cuts_;
    std::size_t next_ = 0;
    std::size_t position_ = 0;
    std::size_t reads_ = 0;
};

// What the extraction keeps of file, read in pieces of the sizes listed and stopping at the cuts.
std::optional<std::string> extracted(const std::string& file, std::vector<std::size_t> pieces,
                                     std::vector<std::size_t> cuts = {}) {
    PieceSource source(file, std::move(pieces), std::move(cuts));
    return extract_stretches(source);
}

class Extraction : public ::testing::Test {
protected:
    std::string sample_ = read_data("sample_tab.ps");
    std::string expected_ = read_data("sample_tab_extracted.ps");
};

TEST_F(Extraction, BufferSize) {
    EXPECT_EQ(section_buffer_size("%!PS-Adobe-3", "%%BeginSetup"), 4095u);
    EXPECT_EQ(section_buffer_size(std::string(1600, 's'), "e"), 4224u);
    EXPECT_EQ(section_buffer_size("s", std::string(2000, 'e')), 5024u);
}

TEST_F(Extraction, SampleInPiecesOfAnySize) {
    ASSERT_FALSE(sample_.empty());
    ASSERT_FALSE(expected_.empty());
    for (const std::vector<std::size_t>& pieces :
         {std::vector<std::size_t>{4095}, {1}, {7}, {13}, {1, 7, 4096, 2, 30}, {100000}}) {
        EXPECT_EQ(extracted(sample_, pieces), expected_) << "pieces of " << pieces.front();
    }
}

TEST_F(Extraction, MarkerSplitBetweenTwoReads) {
    // Every marker the extraction looks for, cut at each of its bytes by the end of a read.
    const std::size_t setup = sample_.find("%%BeginSetup");
    for (const std::string_view marker :
         {"%!PS-Adobe-3", "%%BeginSetup", "userdict", "featurebegin{", "%%BeginFeature: *QWOpCreator",
          "%%BeginFeature: *QWOpPPDVersion", "%%BeginFeature: *PageSize", "1 setlinecap 1 setlinejoin",
          "%%EOF"}) {
        const std::size_t at = marker == "%!PS-Adobe-3" ? 0 : sample_.find(marker, setup);
        ASSERT_NE(at, std::string::npos) << marker;
        for (std::size_t cut = 1; cut < marker.size(); ++cut) {
            for (const std::size_t piece : {std::size_t{4095}, std::size_t{7}})
                ASSERT_EQ(extracted(sample_, {piece}, {at + cut}), expected_)
                    << marker << " cut after " << cut << ", pieces of " << piece;
        }
    }
}

TEST_F(Extraction, PageRegionInsteadOfPageSize) {
    // The same change to the file and to what the extraction keeps of it.
    const auto page_region = [](std::string text, bool page_size_after) {
        replace_all(text, "%%BeginFeature: *PageSize", "%%BeginFeature: *PageRegion");
        if (page_size_after) text.insert(text.find("%%PageTrailer"), "%%BeginFeature: *PageSize A5\r\n");
        return text;
    };
    EXPECT_EQ(extracted(page_region(sample_, false), {7}), page_region(expected_, false));
    // A page size feature after the page region one that no "featurebegin{" follows: its copy
    // fails at the end of the file, and the page region copy starts again from where it began.
    EXPECT_EQ(extracted(page_region(sample_, true), {1}), page_region(expected_, true));
}

TEST_F(Extraction, MissingStretchGivesNothing) {
    for (const auto& [marker, replacement] :
         {std::pair<std::string_view, std::string_view>{"%%BeginFeature: *QWOpCreator",
                                                        "%%BeginFeature: *QWOpMaker"},
          {"%%BeginFeature: *QWOpPPDVersion", "%%BeginFeature: *QWOpVersion"},
          {"%%BeginFeature: *PageSize", "%%BeginFeature: *MediaSize"},
          {"1 setlinecap 1 setlinejoin", "1 setlinecap 2 setlinejoin"},
          {"%%EOF", "%%EOT"},
          {"%%BeginSetup", "%%BeginSetUp"},
          {"%!PS-Adobe-3", "%!PS-Adobe-2"}}) {
        std::string file = sample_;
        replace_all(file, marker, replacement);
        EXPECT_EQ(extracted(file, {4095}), std::nullopt) << marker;
    }
    // Without any "featurebegin{" after the setup's userdict.
    EXPECT_EQ(
        extracted(sample_.substr(0, sample_.find("featurebegin{", sample_.find("%%BeginSetup"))), {4095}),
        std::nullopt);
    EXPECT_EQ(extracted("", {4095}), std::nullopt);
}

TEST(SectionCopy, CopiesFromStartToEndMarker) {
    PieceSource source("junk START one two END three END", {3});
    std::string text = "kept:";
    EXPECT_TRUE(copy_section(source, "START", "END", text));
    EXPECT_EQ(text, "kept:START one two ");
    EXPECT_EQ(source.position(), 19u) << "left at the end marker";
    EXPECT_TRUE(copy_section(source, "END", "END", text));
    EXPECT_EQ(text, "kept:START one two END three ") << "the end marker is searched after the start marker";
}

TEST(SectionCopy, MissingEndMarkerKeepsWhatWasCopied) {
    const std::string tail(10000, 'x');
    PieceSource source("junk START " + tail, {4095});
    std::string text;
    EXPECT_FALSE(copy_section(source, "START", "END", text));
    EXPECT_EQ(text, "START " + tail);

    PieceSource no_start("junk " + tail + " END", {5});
    text.clear();
    EXPECT_FALSE(copy_section(no_start, "START", "END", text));
    EXPECT_EQ(text, "");
}

TEST(SectionCopy, ReadsBufferSizedPieces) {
    PieceSource source(std::string(3 * 4095, 'x') + "START" + std::string(4095, 'y') + "END", {1u << 20});
    std::string text;
    EXPECT_TRUE(copy_section(source, "START", "END", text));
    EXPECT_EQ(text, "START" + std::string(4095, 'y'));
    // About one read per 4095 bytes (less what each window keeps), not more.
    EXPECT_LE(source.reads(), 6u);
}

// A file in the temporary directory, removed at the end of the test.
class TempFile {
public:
    explicit TempFile(const std::string& contents, const char* name = "zenta_tabfile_test.tmp")
        : path_(fs::temp_directory_path() / name) {
        std::ofstream(path_, std::ios::binary) << contents;
    }
    ~TempFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    std::u16string path() const { return path_.u16string(); }
    bool exists() const { return fs::exists(path_); }

private:
    fs::path path_;
};

TEST_F(Extraction, TabFileIsExtractedAndDeleted) {
    TempFile file(sample_);
    EXPECT_EQ(extract_tab_file(file.path()), expected_);
    EXPECT_FALSE(file.exists()) << "deleted when closed";
}

TEST_F(Extraction, MissingOrIncompleteTabFile) {
    EXPECT_EQ(extract_tab_file(u"/no/such/folder/TP1.tmp"), std::nullopt);
    TempFile file(sample_.substr(0, sample_.find("%%EOF")));
    EXPECT_EQ(extract_tab_file(file.path()), std::nullopt);
}

// ---------------------------------------------------------------------------------------------
// The wait for the tab file

// A clock that only moves when the wait sleeps: by the time asked for, or by a fixed step.
class FakeTime {
public:
    explicit FakeTime(std::uint32_t step = 0) : step_(step) {}

    ReadyWaitServices services() {
        return {[this] {
                    ++checks_;
                    return start_ + elapsed_;
                },
                [this](std::uint32_t ms) {
                    sleeps_.push_back(ms);
                    elapsed_ += std::chrono::milliseconds(step_ ? step_ : ms);
                }};
    }
    const std::vector<std::uint32_t>& sleeps() const { return sleeps_; }
    int checks() const { return checks_; }

private:
    std::chrono::steady_clock::time_point start_{std::chrono::hours(1)};
    std::chrono::steady_clock::duration elapsed_{};
    std::uint32_t step_;
    std::vector<std::uint32_t> sleeps_;
    int checks_ = 0;
};

// Whether a file of these contents (none: no file at all) is found ready; the wait never
// removes the file.
bool ready(const char* contents, FakeTime& time) {
    std::optional<TempFile> file;
    if (contents) file.emplace(contents);
    const bool ready = wait_until_ready(file ? file->path() : u"/no/such/folder/TP1.tmp", time.services());
    EXPECT_TRUE(!file || file->exists());
    return ready;
}

TEST(ReadyWait, EmptyFileIsGivenUpOnAtTheFirstCheckPastTheLimit) {
    FakeTime time;
    EXPECT_FALSE(ready("", time));
    // Checks at 0, ~2050, ~4100 (all below 5000 ms) and ~6150, where it stops.
    ASSERT_EQ(time.sleeps().size(), 3u);
    std::uint32_t total = 0;
    for (const std::uint32_t ms : time.sleeps()) {
        EXPECT_GE(ms, 2000u);
        EXPECT_LE(ms, 2099u);
        total += ms;
    }
    EXPECT_LT(total - time.sleeps().back(), 5000u);
    EXPECT_GE(total, 5000u);
    EXPECT_EQ(time.checks(), 1 + 4);  // the start and one check per round
}

TEST(ReadyWait, NoRoundStartsAtTheLimitOrLater) {
    struct Case {
        const char* contents;
        std::uint32_t step;
        std::size_t sleeps;
    };
    // Step 2500: checks at 0, 2500, 5000 (gives up). Step 2499: 0, 2499, 4998, 7497 (gives up).
    // A missing file runs out of time the same way.
    for (const Case c : {Case{"", 2500, 2}, Case{"", 2499, 3}, Case{"", 5000, 1}, Case{"", 4999, 2},
                         Case{"", 1000, 5}, Case{nullptr, 2000, 3}}) {
        SCOPED_TRACE(::testing::Message()
                     << "step " << c.step << (c.contents ? ", empty file" : ", no file"));
        FakeTime time(c.step);
        EXPECT_FALSE(ready(c.contents, time));
        EXPECT_EQ(time.sleeps().size(), c.sleeps);
    }
}

// A system on which GetFileSizeEx fails, so that the wait measures the file as a stream.
class NoFileSize : public platform::sim::SimulatedSystem {
public:
    using SimulatedSystem::SimulatedSystem;
    abi::BOOL GetFileSizeEx(abi::HANDLE, std::int64_t*) override { return 0; }
};

TEST(ReadyWait, FileWithBytesIsReadyAtOnceSizedOrMeasuredAsAStream) {
    auto native = platform::make_native_system();
    NoFileSize system(platform::sim::Settings::defaults(), *native);
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "GetFileSizeEx fails" : "GetFileSizeEx answers");
        std::optional<platform::ScopedServices> scope;
        if (stream) scope.emplace(nullptr, &system);
        for (const char* contents : {"x", "%!PS-Adobe-3.0\r\n"}) {
            FakeTime time;
            EXPECT_TRUE(ready(contents, time)) << contents;
            EXPECT_TRUE(time.sleeps().empty()) << contents;
        }
        FakeTime time;
        EXPECT_FALSE(ready("", time));
        EXPECT_EQ(time.sleeps().size(), 3u);
    }
}

// ---------------------------------------------------------------------------------------------
// The texts around a tab sheet

TEST(TabBlocks, ByteForByte) {
    EXPECT_EQ(tab_save_block(), read_data("tab_save_block.ps"));
    EXPECT_EQ(no_erase_block(), read_data("no_erase_block.ps"));
    EXPECT_EQ(tab_restore_block(), read_data("tab_restore_block.ps"));
    for (const std::string_view block : {tab_save_block(), no_erase_block(), tab_restore_block()}) {
        EXPECT_EQ(block.substr(0, 2), "\r\n");
        EXPECT_EQ(block.substr(block.size() - 2), "\r\n");
    }
}

TEST(TabBlocks, TabSheetTextOrder) {
    const std::string save(tab_save_block()), no_erase(no_erase_block()), restore(tab_restore_block());
    EXPECT_EQ(tab_sheet_text("SHEET", true), save + no_erase + "SHEET" + restore);
    EXPECT_EQ(tab_sheet_text("SHEET", false), save + "SHEET" + restore);
}

}  // namespace
}  // namespace zenta::tabfile
