// The texts of the print stream: the PJL job header's head lines and walk, the job settings
// comments, the job setup, the page setup and the trailers. Whole texts are compared with the
// fixture files in data/stream (ZENTA_UPDATE_FIXTURES=1 writes them anew, for review).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "settings/defaults.h"
#include "features/description.h"
#include "settings/layout_version.h"
#include "settings/page_exceptions.h"
#include "settings/settings_text.h"
#include "stream/job_setup.h"
#include "stream/pjl_header.h"
#include "util/base64.h"

namespace zenta::stream {
namespace {

using features::FeatureId;
using settings::Record;

// The defaults of an A4 locale, whatever the machine's locale is.
Record a4_record() { return settings::make_default_record({settings::kPaperA4, "Arial"}); }

Record record_with(std::initializer_list<std::pair<const char*, const char*>> settings) {
    Record record = a4_record();
    for (const auto& [key, value] : settings) {
        const auto id = features::find_feature(key);
        EXPECT_TRUE(id) << key;
        if (!id) continue;
        const auto error = settings::store_value(record, *id, value);
        EXPECT_FALSE(error) << key << ": " << *error;
    }
    return record;
}

// The fixture's text, or (with ZENTA_UPDATE_FIXTURES set) the text written as the fixture.
void expect_fixture(const std::string& name, const std::string& text) {
    const std::string path = std::string(ZENTA_TEST_DATA_DIR) + "/stream/" + name;
    if (const char* update = std::getenv("ZENTA_UPDATE_FIXTURES"); update && *update == '1') {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, expected) << name;
}

// The whole PostScript of a one-page job's plug-in texts, as the dispatcher writes them.
std::string postscript_of(const Record& record) {
    return job_setup(record) + end_of_setup() + page_setup(record, 1) + page_trailer() + document_trailer();
}

TEST(StreamTexts, DefaultAndChangedJobsAsFixtures) {
    expect_fixture("default.ps", postscript_of(a4_record()));
    // Hold without processing, 4-up landscape on a custom page with a custom target paper, the
    // paper profile's media on tray 4, a custom colour without a name on tray 2.
    const Record changed = record_with({{"OutputMethod", "HoldNoRip"},
                                        {"NUpCount", "4"},
                                        {"Orientation", "Land"},
                                        {"PageSize", "#26"},
                                        {"CustomPageSizeWidth", "2000000"},
                                        {"CustomPageSizeHeight", "3333335"},
                                        {"TargetPaperSize", "#28"},
                                        {"CustomTargetPaperSizeWidth", "2970000"},
                                        {"CustomTargetPaperSizeHeight", "4200005"},
                                        {"PerfectBindMode", "2In1"},
                                        {"Zoom", "2000"},
                                        {"MixedSize", "True"},
                                        {"InputSlot", "Tray4"},
                                        {"MainPaperProfileIndex", "#3"},
                                        {"MainPaperProfileMediaType", "#4"},
                                        {"MainPaperProfileMediaWeight", "#5"},
                                        {"MainPaperProfileMediaColor", "#13"},
                                        {"MainPaperProfileCustomMediaColorName", "Sky"},
                                        {"MainPaperProfileMediaPrepunched", "#1"},
                                        {"MediaTypeTray4", "Plain"},
                                        {"MediaColorTray2", "Custom"}});
    expect_fixture("changed.ps", postscript_of(changed));
}

TEST(StreamTexts, SetupValuesByRecord) {
    struct Case {
        std::initializer_list<std::pair<const char*, const char*>> settings;
        const char* expected_line;
    };
    const Case cases[] = {
        {{}, "ZTQVFeatures /ZTQVPBMode /None put"},
        {{{"PerfectBindMode", "1In1Land"}}, "ZTQVFeatures /ZTQVPBMode /1in1L put"},
        {{{"PerfectBindMode", "3In1"}}, "ZTQVFeatures /ZTQVPBMode /3in1 put"},
        {{{"NUpCount", "16Reverse"}}, "ZTQVFeatures /ZTQVPdNup /16r put"},
        {{{"NUpCount", "6"}}, "ZTQVFeatures /ZTQVPdNup /6f put"},
        {{{"Orientation", "Land"}}, "ZTQVFeatures /Orient (Land) put"},
        {{{"Orientation", "Land"}}, "ZTQVFeatures /PageOrient (Land) put"},
        {{{"PostcardFullBleed", "True"}}, "ZTQVFeatures /ZTQVPostcardFullbleed true put"},
        {{{"Zoom", "0"}}, "ZTQVFeatures /Zoom 1 put"},
        {{{"PageSize", "Letter"}}, "ZTQVFeatures /HiResPageSize [612.00 792.00] put"},
        {{{"PageSize", "B4"}}, "ZTQVFeatures /HiResPageSizePpdPt [729 1032] put"},
        {{{"PageSize", "B4"}}, "ZTQVFeatures /HiResPageSize [728.50 1031.81] put"},
        {{{"PageSize", "#26"}, {"CustomPageSizeWidth", "1000000"}, {"CustomPageSizeHeight", "1000001"}},
         "ZTQVFeatures /HiResPageSizePpdPt [283 283] put"},
        {{{"TargetPaperSize", "A4"}}, "ZTQVFeatures /TPCS undef"},
        {{{"TargetPaperSize", "PaperProfile"},
          {"MainPaperProfileIndex", "#1"},
          {"MainPaperProfileSize", "#26"},
          {"MainPaperProfileWidth", "1234567"},
          {"MainPaperProfileHeight", "2000000"}},
         "ZTQVFeatures /TPCS [123.4567 200.0000] put"},
        {{{"TargetPaperSize", "PaperProfile"}, {"MainPaperProfileSize", "#26"}}, "ZTQVFeatures /TPCS undef"},
        {{{"OutputMethod", "Hold"}}, "ZTQVFeatures /HoldWithoutRIP false put"},
    };
    for (const Case& c : cases) {
        const std::string setup = job_setup(record_with(c.settings));
        EXPECT_NE(setup.find(std::string(c.expected_line) + "\r\n"), std::string::npos) << c.expected_line;
    }
    EXPECT_EQ(job_setup(record_with({{"OutputMethod", "Hold"}})).find(" cvx exec"), std::string::npos);
}

// The paper of each page: a page-specific entry that puts the page on other paper, else the
// target paper.
TEST(StreamTexts, PagePaper) {
    const auto paper_call = [](const Record& record, std::uint64_t page) {
        const std::string text = page_setup(record, page);
        const auto at = text.find("ZTQVFeatures /Zenta_P8 known { ");
        if (at == std::string::npos) return std::string("none");
        const auto start = at + 31;
        return text.substr(start, text.find(" ZTQVFeatures", start) - start);
    };
    EXPECT_EQ(paper_call(a4_record(), 1), "/None");
    EXPECT_EQ(paper_call(record_with({{"TargetPaperSize", "B5"}}), 1), "/QVB5");
    EXPECT_EQ(paper_call(record_with({{"TargetPaperSize", "#28"}}), 1), "none");
    EXPECT_EQ(paper_call(record_with({{"TargetPaperSize", "PaperProfile"},
                                      {"MainPaperProfileIndex", "#2"},
                                      {"MainPaperProfileSize", "#13"}}),
                         1),
              "/QVTabloid");

    Record record = record_with({{"TargetPaperSize", "Letter"}});
    settings::PageEntry other_paper;
    other_paper.kind = 3;
    other_paper.paper_size = 4;  // B4
    other_paper.pages = {{2, 3}};
    settings::PageEntry custom = other_paper;
    custom.paper_size = 26;
    custom.custom_width = 2100049;   // 210.0049 mm: 21000 hundredths
    custom.custom_height = 2970050;  // rounds half up to 29701
    custom.pages = {{5, 5}};
    ASSERT_TRUE(settings::store_pages(record, {other_paper, custom}));
    ASSERT_EQ(settings::select_pages(record, settings::kSelectTabs).size(), 2u) << "the entries take effect";
    const std::pair<std::uint64_t, const char*> pages[] = {
        {1, "/Letter"}, {2, "/QVB4"}, {3, "/QVB4"}, {5, "[21000 29701]"}, {0, "/Letter"}, {70000, "/Letter"}};
    for (const auto& [page, expected] : pages) EXPECT_EQ(paper_call(record, page), expected) << page;

    // The callback goes only when the job has page-specific settings of its own.
    const std::string kUndef = "userdict /ZTQVPluginEndPageSetupCallBack undef\r\n";
    EXPECT_NE(page_setup(record, 1).find(kUndef), std::string::npos);
    EXPECT_EQ(page_setup(a4_record(), 1).find(kUndef), std::string::npos);
    // Any byte of the area away from the default counts, the first and the last included.
    for (const bool last : {false, true}) {
        Record marked = a4_record();
        const auto area = marked.field(features::FeatureId::PageSpecificTrays);
        (last ? area.back() : area.front()) = 1;
        EXPECT_NE(page_setup(marked, 1).find(kUndef), std::string::npos) << (last ? "last" : "first");
    }
}

std::string decode_block(const std::string& comments, const std::string& name) {
    std::istringstream lines(comments);
    std::string line, text;
    bool in_block = false;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r');
        line.pop_back();
        EXPECT_LE(line.size(), 160u);
        if (line.rfind("%%" + name + ": ", 0) == 0) {
            in_block = true;
            text += line.substr(name.size() + 4);
        } else if (in_block && line.rfind("%%+ ", 0) == 0) {
            text += line.substr(4);
        } else {
            in_block = false;
        }
    }
    return text;
}

TEST(StreamTexts, SettingsCommentsCarryTheRecordAndTheDescription) {
    Record record = record_with({{"Duplex", "True"}, {"AccountTrackPassword", "s3cret"}});
    const std::string comments = job_settings_comments(record);
    const auto settings = util::base64_decode(decode_block(comments, "ZENTA-JobSettings"));
    ASSERT_TRUE(settings);
    EXPECT_TRUE(std::equal(settings->begin(), settings->end(), record.bytes.begin(), record.bytes.end()));
    EXPECT_EQ(decode_block(comments, "ZENTA-JobSettingsDescription"),
              features::describe_layout_base64(settings::layout_version()));

    // Only the Base64 record carries the credentials; no other text shows them.
    record = record_with({{"AccountTrack", "True"},
                          {"AccountTrackPassword", "s3cret-1"},
                          {"UserAuthenticationPassword", "s3cret-2"},
                          {"WaitModePassword", "s3cret-3"},
                          {"OutputMethodFolderNamePassword", "s3cret-4"},
                          {"PdfPassword", "s3cret-5"}});
    const std::string texts = pjl_job_header(record, {"t", "u", "i"}) + postscript_of(record);
    EXPECT_EQ(texts.find("s3cret"), std::string::npos);
}

TEST(PjlHeader, HeadLines) {
    const Record record = a4_record();
    const std::string header = pjl_job_header(record, {"A B", "Jane Doe", "ACDE48A1B2C3120712000000"});
    EXPECT_EQ(header.rfind("@PJL SET DRIVERJOBID=\"ACDE48A1B2C3120712000000\"\r\n"
                           "@PJL SET STRINGCODESET=UTF8\r\n"
                           "@PJL SET QVCOETYPE=2\r\n"
                           "@PJL SET USERNAME=\"Jane Doe\"\r\n"
                           "@PJL SET JOBNAME=\"A B\"\r\n",
                           0),
              0u)
        << header;
    // Without identifier, user and title only the two fixed lines open the header.
    EXPECT_EQ(pjl_job_header(record, {})
                  .rfind("@PJL SET STRINGCODESET=UTF8\r\n@PJL SET QVCOETYPE=2\r\n@PJL SET ORIENTATION=", 0),
              0u);
    EXPECT_NE(pjl_job_header(record, {std::nullopt, "admin", ""}).find("USERNAME=\"admin\"\r\n"),
              std::string::npos);
    EXPECT_EQ(pjl_job_header(record, {std::nullopt, std::nullopt, ""}).find("DRIVERJOBID"),
              std::string::npos);
    // Never empty, whatever the record: the stream is always framed by the UEL.
    EXPECT_EQ(pjl_job_header(Record{}, {}).rfind("@PJL SET STRINGCODESET=UTF8\r\n", 0), 0u);
}

TEST(PjlHeader, JobNameFromTheFileNameOrTheTitleCutAt240Bytes) {
    const auto job_name = [](const Record& record, std::optional<std::string> title) {
        const std::string header = pjl_job_header(record, {std::move(title), std::nullopt, std::nullopt});
        const auto at = header.find("@PJL SET JOBNAME=\"");
        if (at == std::string::npos) return std::string("none");
        const auto start = at + 18;
        return header.substr(start, header.find("\"\r\n", start) - start);
    };
    const Record plain = a4_record();
    EXPECT_EQ(job_name(plain, std::nullopt), "none");
    EXPECT_EQ(job_name(plain, "Report"), "Report");
    EXPECT_EQ(job_name(record_with({{"FileName", "file.pdf"}}), "Report"), "file.pdf");

    std::string long_title(239, 'x');
    long_title += "\xC3\xA9 and more";  // é would end at byte 241
    EXPECT_EQ(job_name(plain, long_title), std::string(239, 'x'));
    std::string not_utf8(300, '\xFF');
    EXPECT_EQ(job_name(plain, not_utf8), std::string(240, '\xFF'));
}

TEST(PjlHeader, RuleVariablesAreLeftToTheirRules) {
    for (const char* variable : {"ORIENTATION", "OUTPUTPAPER", "FINISH", "PUNCH", "FOLDING", "COPIES", "QTY",
                                 "HOLD", "DTSTPMODE", "CBSWJOBNAME", "PPSPAPER3", "QVCERTFLEXDAY", "SCREEN1"})
        EXPECT_TRUE(written_by_rule(variable)) << variable;
    for (const char* variable :
         {"DUPLEX", "LAYOUT", "MEDIASOURCE", "RESOLUTION", "QVCUSTOMSCREENLPIC", "HOLDX"})
        EXPECT_FALSE(written_by_rule(variable)) << variable;

    // Every line of a default header is a SET line.
    const std::string header = pjl_job_header(a4_record(), {});
    std::istringstream lines(header);
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.rfind("@PJL SET ", 0), 0u) << line;
        ASSERT_EQ(line.back(), '\r');
    }
}

TEST(ScaledNumber, DecimalPlacesOfTheScale) {
    struct Case {
        std::int64_t stored;
        std::uint32_t scale;
        const char* expected;
    };
    const Case cases[] = {
        {0, 1, "0"},
        {42, 1, "42"},
        {-7, 1, "-7"},
        {25, 10, "2.5"},
        {-25, 10, "-2.5"},
        {5, 10, "0.5"},
        {2100000, 10000, "210.0000"},
        {1, 10000, "0.0001"},
        {-10001, 10000, "-1.0001"},
    };
    for (const Case& c : cases) EXPECT_EQ(scaled_number(c.stored, c.scale), c.expected) << c.stored;
}

}  // namespace
}  // namespace zenta::stream
