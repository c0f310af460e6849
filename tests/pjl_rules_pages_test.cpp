// The per-page sets of the covers and the index descriptions of the page exception list in the
// PJL job header, compared byte for byte.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "features/feature_table.h"
#include "settings/defaults.h"
#include "settings/page_exceptions.h"
#include "stream/pjl_rules.h"

namespace zenta {
namespace {

using features::FeatureId;
using settings::PageEntry;
using settings::Record;
using enum FeatureId;
using Values = std::vector<std::pair<FeatureId, std::uint32_t>>;

// "A=1 B=2" -> "@PJL SET A=1\r\n@PJL SET B=2\r\n"
std::string pjl(const std::string& lines) {
    std::istringstream in(lines);
    std::string out, line;
    while (in >> line) out += "@PJL SET " + line + "\r\n";
    return out;
}

std::string run(void (*rule)(const Record&, std::string&), const Values& values, Record record) {
    for (const auto& [id, value] : values) record.set_raw(id, value);
    std::string out;
    rule(record, out);
    return out;
}

Record base() { return settings::make_default_record({settings::kPaperA4, "Arial"}); }

TEST(PjlRulesPages, CoverSets) {
    Record named = base();
    named.set_text(BackCoverPaperProfileCustomMediaColorName, "Sky");
    const Values profile_values{{BackCoverPaperProfileFeedDir, 2},
                                {BackCoverPaperProfileMediaType, 6},
                                {BackCoverPaperProfileSize, 26},
                                {BackCoverPaperProfileWidth, 2100000},
                                {BackCoverPaperProfileHeight, 2970005}};
    Values with_profile = profile_values;
    with_profile.insert(with_profile.end(),
                        {{BackCoverTray, 1}, {BackCoverPrinted, 1}, {BackCoverPaperProfileIndex, 7}});
    Values without_profile = profile_values;
    without_profile.push_back({BackCoverTray, 2});
    const struct {
        Values values;
        Record record;
        std::string expected;
    } cases[] = {
        {{}, base(), ""},
        {with_profile, named,
         "PERPAGESET2=PRINT PPSPAPER2=SUBTRAY PPSFEEDDIRECTION2=SEF PPSCUSTOMPAPER2=\"M,210.0000,297.0005\" "
         "PPSGLOSSYMODE2=ON PPSPAPERPROFILEID2=7 PPSMEDIACOLORNAME2=\"Sky\" PPSINSERTPAGES2=END"},
        {without_profile, named,
         "PERPAGESET2=BLANK PPSPAPER2=TRAY1 PPSFEEDDIRECTION2=AUTO PPSGLOSSYMODE2=OFF PPSINSERTPAGES2=END"},
        {{{FrontCoverTray, 10},
          {FrontCoverPaperProfileIndex, 300},
          {FrontCoverPaperProfileFeedDir, 9},
          {FrontCoverPaperProfileMediaType, 7},
          {FrontCoverPaperProfileSize, 1}},
         base(),
         "PERPAGESET1=BLANK PPSPAPER1=TRAY9 PPSFEEDDIRECTION1=AUTO PPSGLOSSYMODE1=OFF PPSPAPERPROFILEID1=300 "
         "PPSINSERTPAGES1=1"},
        {{{FrontCoverTray, 12}, {BackCoverTray, 255}, {PIFrontCoverTray, 3}}, base(), ""},
        {{{PIBackCoverTray, 1},
          {BackCoverTray, 4},
          {FrontCoverTray, 11},
          {PIFrontCoverTray, 2},
          {FrontCoverPrinted, 1}},
         base(),
         "PERPAGESET3=BLANK PPSPAPER3=PITRAY2 PPSFEEDDIRECTION3=AUTO PPSGLOSSYMODE3=OFF PPSINSERTPAGES3=1 "
         "PERPAGESET1=PRINT PPSPAPER1=MANUALFEED PPSFEEDDIRECTION1=AUTO PPSGLOSSYMODE1=OFF PPSINSERTPAGES1=1 "
         "PERPAGESET2=BLANK PPSPAPER2=TRAY3 PPSFEEDDIRECTION2=AUTO PPSGLOSSYMODE2=OFF PPSINSERTPAGES2=END "
         "PERPAGESET4=BLANK PPSPAPER4=PITRAY1 PPSFEEDDIRECTION4=AUTO PPSGLOSSYMODE4=OFF PPSINSERTPAGES4=END"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run(stream::pjl::cover_sets, c.values, c.record), pjl(c.expected)) << c.expected;
}

// Each cover tray option gives the tray word that the perfect binding tray option of the same
// keyword carries as its PJL value.
TEST(PjlRulesPages, CoverTraysMapByMeaning) {
    const features::FeatureDescriptor& words = *features::feature(PerfectBindTray).descriptor;
    for (const FeatureId tray : {PIBackCoverTray, BackCoverTray}) {
        const auto options = features::feature(tray).descriptor->options;
        for (std::uint32_t i = 1; i < options.size(); ++i) {
            const std::int64_t same = words.index_of(options[i].keyword);
            ASSERT_GE(same, 0) << options[i].keyword;
            const std::string paper = "=" + std::string(words.options[same].pjl_value) + "\r\n";
            EXPECT_NE(run(stream::pjl::cover_sets, {{tray, i}}, base()).find(paper), std::string::npos);
        }
    }
}

// An entry: kind, pages, then value 1 (staple), value 3 (side), value 7 (punch), value 8 (tray),
// flag 1, paper size and custom size, placement.
PageEntry entry(std::uint8_t kind, std::vector<settings::PageRange> pages, std::uint8_t staple = 0,
                std::uint8_t side = 0, std::uint8_t punch = 0, std::uint8_t tray = 0, bool flag = false,
                std::uint8_t paper = 26, std::uint32_t width = 0, std::uint32_t height = 0,
                std::uint8_t placement = 0) {
    PageEntry e;
    e.kind = kind, e.pages = std::move(pages), e.value_1 = staple, e.value_3 = side, e.value_7 = punch;
    e.value_8 = tray, e.flag_1 = flag, e.paper_size = paper, e.custom_width = width, e.custom_height = height;
    e.setting.placement = placement;
    return e;
}

TEST(PjlRulesPages, IndexInfo) {
    const PageEntry sheet = entry(0, {{2, 4}, {7, 7}}, 3, 1, 2, 3, true), tab = entry(6, {{3, 3}});
    const struct {
        Values values;
        std::vector<PageEntry> entries;
        std::string expected;
    } cases[] = {
        {{}, {}, ""},
        {{},
         {sheet, tab},
         "QVINDEXINFO1=\"PERPAGESET6=TAB,NONE,NONE,NONE;PPSPAPER6=AUTO;PPSINSERTPAGES6=3;\" "
         "QVINDEXINFO2=\"PERPAGESET5=PRINT,LEFT1POINT,11,END;PPSPAPER5=TRAY2;PPSINSERTPAGES5=2THRU4,7;"
         "\""},
        {{{Binding, 1}},
         {entry(3, {{1, 1}}, 3, 2, 1, 0, false, 4),
          entry(2, {{5, 9}}, 4, 0, 0, 0, false, 26, 1000000, 1500000),
          entry(4, {{6, 6}}, 6, 0, 0, 12, false, 26, 1, 1), entry(4, {{8, 8}}, 1, 0, 0, 13), entry(1, {})},
         "QVINDEXINFO2=\"PERPAGESET5=BLANK,RIGHT1POINT,10,CONT;PPSPAPER5=JISB4;PPSINSERTPAGES5=1;"
         "PERPAGESET6=BLANK,ANY2POINTPITCH3,NONE,NONE;PPSPAPER6=AUTO;PPSCUSTOMPAPER6=M,100.0000,150.0000;"
         "PPSINSERTPAGES6=5THRU9;PERPAGESET7=BLANK,ANY2POINTPITCH1,NONE,NONE;PPSPAPER7=PITRAY1;"
         "PPSINSERTPAGES7=6;PERPAGESET8=BLANK,LEFT1POINT,NONE,NONE;PPSPAPER8=PITRAY2;PPSINSERTPAGES8=8;"
         "PERPAGESET9=BLANK,NONE,NONE,NONE;PPSPAPER9=AUTO;PPSINSERTPAGES9=NONE;\""},
        // Output page numbers: the tab inserted before page 2 moves page 5 to 6; equal entries merge.
        {{},
         {entry(5, {{2, 2}}, 0, 0, 0, 0, false, 26, 0, 0, 1), entry(0, {{5, 5}}), entry(0, {{1, 1}})},
         "QVINDEXINFO1=\"PERPAGESET5=TAB,NONE,NONE,NONE;PPSPAPER5=AUTO;PPSINSERTPAGES5=2;\" "
         "QVINDEXINFO2=\"PERPAGESET6=BLANK,NONE,NONE,NONE;PPSPAPER6=AUTO;PPSINSERTPAGES6=1,6;\""},
        {{{Layout, 1}}, {sheet, tab}, ""},
    };
    for (const auto& c : cases) {
        Record record = base();
        ASSERT_TRUE(settings::store_pages(record, c.entries));
        EXPECT_EQ(run(stream::pjl::index_info, c.values, record), pjl(c.expected)) << c.expected;
    }
}

TEST(PjlRulesPages, IndexInfoDescribesAtMost200Entries) {
    std::vector<PageEntry> entries(201, entry(0, {{1, 1}}));
    for (std::uint16_t i = 0; i < entries.size(); ++i) entries[i].number_1 = i;  // keeps them apart
    Record record = base();
    ASSERT_TRUE(settings::store_pages(record, entries));
    const std::string out = run(stream::pjl::index_info, {}, record);
    EXPECT_TRUE(out.starts_with("@PJL SET QVINDEXINFO2=\"PERPAGESET5=BLANK,"));
    EXPECT_TRUE(
        out.ends_with(";PERPAGESET204=BLANK,NONE,NONE,NONE;PPSPAPER204=AUTO;PPSINSERTPAGES204=1;\"\r\n"));
    EXPECT_EQ(out.find('\n'), out.size() - 1);
}

}  // namespace
}  // namespace zenta
