// The default record and validation, and the settings text of the tool.

#include <gtest/gtest.h>

#include "features/families.h"
#include "settings/defaults.h"
#include "settings/layout_version.h"
#include "settings/settings_text.h"

namespace zenta::settings {
namespace {

const RecordDefaults kMetric{kPaperA4, "Arial"};
const RecordDefaults kLetter{kPaperLetter, "ＭＳ Ｐゴシック"};

TEST(DefaultRecord, HeadAndFields) {
    const Record r = make_default_record(kMetric);
    EXPECT_EQ(r.version(), layout_version());
    EXPECT_EQ(r.bytes[4], 0);
    for (int i = 5; i < 9; ++i) EXPECT_EQ(r.bytes[i], 0xFF);
    EXPECT_EQ(r.get<FeatureId::Duplex>(), 1u) << "a new record asks for duplex";
    EXPECT_EQ(r.get<FeatureId::NumCopies>(), 1u);
    EXPECT_EQ(r.get<FeatureId::Zoom>(), 100u);
    EXPECT_EQ(r.get<FeatureId::ScreenAngleMagenta>(), 10u);
    EXPECT_EQ(r.get<FeatureId::JobForm>(), 0xFFFFFFFFu);
    EXPECT_EQ(r.get<FeatureId::Prepend>(), 0xFFFFFFFFu);
    EXPECT_EQ(r.get<FeatureId::AppendPageCount>(), 0u);
    for (std::uint8_t b : r.field(FeatureId::PageSpecificTrays)) ASSERT_EQ(b, 0);
    EXPECT_EQ(r.text(FeatureId::PageSizeName), "");
}

TEST(DefaultRecord, LocaleDependentFields) {
    const Record metric = make_default_record(kMetric);
    EXPECT_EQ(metric.get<FeatureId::PageSize>(), kPaperA4);
    EXPECT_EQ(metric.get<FeatureId::Tab1PageSize>(), 0u);
    EXPECT_EQ(metric.get<FeatureId::Tab2Height>(), 403000u);
    EXPECT_EQ(metric.get<FeatureId::TrimLineSize>(), 1u);
    EXPECT_EQ(metric.get<FeatureId::PerfectBindCustomPageSizeWidth>(), 2100000u);
    EXPECT_EQ(metric.get<FeatureId::TrimLineCustomPageSizeHeight>(), 2970000u);
    EXPECT_EQ(metric.text(FeatureId::Tab1FontName), "Arial");

    const Record letter = make_default_record(kLetter);
    EXPECT_EQ(letter.get<FeatureId::PageSize>(), kPaperLetter);
    EXPECT_EQ(letter.get<FeatureId::Tab2PageSize>(), 2u);
    EXPECT_EQ(letter.get<FeatureId::Tab1Height>(), 343000u);
    EXPECT_EQ(letter.get<FeatureId::TrimLineSize>(), 19u);
    EXPECT_EQ(letter.get<FeatureId::TrimLineCustomPageSizeWidth>(), 2159000u);
    EXPECT_EQ(letter.get<FeatureId::PerfectBindCustomPageSizeHeight>(), 2794000u);
    EXPECT_EQ(letter.text(FeatureId::Tab2FontName), "ＭＳ Ｐゴシック");

    const Record legal = make_default_record({kPaperLegal, "Arial"});
    EXPECT_EQ(legal.get<FeatureId::PageSize>(), kPaperLegal);
    EXPECT_EQ(legal.get<FeatureId::TrimLineSize>(), 19u) << "Legal is an inch paper";
    EXPECT_EQ(make_default_record({kPaperA3, "Arial"}).get<FeatureId::Tab1Height>(), 403000u);
}

TEST(DefaultRecord, PaperOfTheLocaleSetting) {
    EXPECT_EQ(default_paper_for(u'1'), kPaperLetter);
    EXPECT_EQ(default_paper_for(u'5'), kPaperLegal);
    EXPECT_EQ(default_paper_for(u'8'), kPaperA3);
    EXPECT_EQ(default_paper_for(u'9'), kPaperA4);
    EXPECT_EQ(default_paper_for(u'2'), kPaperA4);
    EXPECT_EQ(default_paper_for(u'\0'), kPaperA4);
}

TEST(Validation, TheDefaultRecordIsValid) {
    for (const RecordDefaults& d : {kMetric, kLetter}) {
        Record r = make_default_record(d);
        const Record before = r;
        EXPECT_TRUE(validate(r, d));
        EXPECT_EQ(r, before);
    }
}

TEST(Validation, AnotherLayoutBecomesTheDefaultRecord) {
    Record r = make_default_record(kMetric);
    r.set<FeatureId::NumCopies>(5);
    r.set_head(layout_version() ^ 1);
    EXPECT_FALSE(validate(r, kMetric));
    EXPECT_EQ(r, make_default_record(kMetric));
}

TEST(Validation, SpecialCases) {
    const Record good = make_default_record(kLetter);

    Record r = good;
    r.set<FeatureId::PageSize>(26);  // custom without a width
    r.set<FeatureId::CustomPageSizeHeight>(2000000);
    EXPECT_FALSE(validate(r, kLetter));
    EXPECT_EQ(r.get<FeatureId::PageSize>(), kPaperLetter) << "the locale's paper";

    r = good;
    r.set<FeatureId::PageSize>(26);
    r.set<FeatureId::CustomPageSizeWidth>(1000000);
    r.set<FeatureId::CustomPageSizeHeight>(2000000);
    EXPECT_TRUE(validate(r, kLetter));
    r.set<FeatureId::PageSize>(27);
    EXPECT_FALSE(validate(r, kLetter));

    r = good;
    r.set<FeatureId::TargetPaperSize>(28);
    EXPECT_FALSE(validate(r, kLetter));
    EXPECT_EQ(r.get<FeatureId::TargetPaperSize>(), 0u);
    r.set<FeatureId::TargetPaperSize>(28);
    r.set<FeatureId::CustomTargetPaperSizeWidth>(5);
    r.set<FeatureId::CustomTargetPaperSizeHeight>(5);
    EXPECT_TRUE(validate(r, kLetter));

    r = good;
    r.set<FeatureId::TrimLineSize>(26);  // custom: needs both custom dimensions, which the defaults set
    EXPECT_TRUE(validate(r, kLetter));
    r.set<FeatureId::TrimLineCustomPageSizeWidth>(0);
    EXPECT_FALSE(validate(r, kLetter));
    EXPECT_EQ(r.get<FeatureId::TrimLineSize>(), 19u);
    r.set<FeatureId::TrimLineSize>(26);
    EXPECT_FALSE(validate(r, kMetric));
    EXPECT_EQ(r.get<FeatureId::TrimLineSize>(), 1u);

    r = good;
    r.set<FeatureId::MediaTypeTray1>(8);  // equal to the option count: passes
    EXPECT_TRUE(validate(r, kLetter));
    r.set<FeatureId::MediaTypeTray1>(9);
    EXPECT_FALSE(validate(r, kLetter));
    EXPECT_EQ(r.get<FeatureId::MediaTypeTray1>(), 0u);
    r.set<FeatureId::MediaTypeAuto>(8);  // the automatic choice has no such allowance
    EXPECT_FALSE(validate(r, kLetter));

    r = good;
    r.set<FeatureId::Gutter>(-2500000);  // stored 0xFFD9DA60: the comparison is signed
    EXPECT_TRUE(validate(r, kLetter));
    r.set<FeatureId::Gutter>(-2500001);
    EXPECT_FALSE(validate(r, kLetter));
    EXPECT_EQ(r.get<FeatureId::Gutter>(), 0);

    r = good;
    r.field(FeatureId::Tab1FontName).back() = 'x';
    EXPECT_FALSE(validate(r, kLetter));
    EXPECT_EQ(r.text(FeatureId::Tab1FontName), "ＭＳ Ｐゴシック") << "a text is reset to its default";
}

TEST(Validation, ChecksEveryFieldAndReportsOnce) {
    Record r = make_default_record(kMetric);
    r.set<FeatureId::Duplex>(9);
    r.set<FeatureId::NumCopies>(0);
    r.field(FeatureId::PageSizeName).back() = 'x';
    r.field(FeatureId::RelayServerSettings).back() = 7;
    EXPECT_FALSE(validate(r, kMetric));
    EXPECT_EQ(r, make_default_record(kMetric)) << "every bad field repaired, all in one pass";
}

TEST(Validation, UncheckedFieldsKeepTheirValues) {
    Record r = make_default_record(kMetric);
    r.set<FeatureId::MainPaperProfileIndex>(0x1234);
    r.set<FeatureId::FeedDirTray3>(200);
    r.set<FeatureId::JobFormColorMode>(77);
    r.set<FeatureId::UserAuthenticationServer>(3);
    const Record before = r;
    EXPECT_TRUE(validate(r, kMetric));
    EXPECT_EQ(r, before);
}

// ---- settings text

TEST(SettingsText, RoundTripsTheDefaultRecord) {
    const Record r = make_default_record(kLetter);
    const std::string text = format_settings(r);
    EXPECT_NE(text.find("\nDuplex=True\n"), std::string::npos);
    EXPECT_NE(text.find("\nGutter=0\n"), std::string::npos);
    EXPECT_NE(text.find("\nJobForm=#4294967295\n"), std::string::npos);
    EXPECT_NE(text.find("\nTab1FontName=ＭＳ Ｐゴシック\n"), std::string::npos);
    EXPECT_NE(text.find("\nPageSpecificTrays=\n"), std::string::npos);
    Record copy;
    copy.set_head(layout_version());
    ASSERT_EQ(apply_settings(copy, text), std::nullopt);
    EXPECT_EQ(copy, r);
}

TEST(SettingsText, ValuesAsAUserWritesThem) {
    Record r = make_default_record(kMetric);
    EXPECT_EQ(apply_settings(r,
                             "# a comment\n\nDuplex=False\r\nGutter = -1200\nPageSize=#200\n"
                             "PageSizeName= Banner \nChapterPages=0102FF\n"),
              std::nullopt);
    EXPECT_EQ(r.get<FeatureId::Duplex>(), 0u);
    EXPECT_EQ(r.get<FeatureId::Gutter>(), -1200);
    EXPECT_EQ(format_value(r, FeatureId::PageSize), "#200");
    EXPECT_EQ(r.text(FeatureId::PageSizeName), " Banner ") << "texts keep their spaces";
    EXPECT_EQ(format_value(r, FeatureId::ChapterPages), "0102FF");
}

TEST(SettingsText, ErrorsNameTheKey) {
    Record r = make_default_record(kMetric);
    auto error = apply_assignment(r, "Duplx=True");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Duplx"), std::string::npos);
    error = apply_assignment(r, "Duplex=Maybe");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Duplex"), std::string::npos);
    EXPECT_NE(error->find("Maybe"), std::string::npos);
    EXPECT_TRUE(apply_assignment(r, "Duplex=#256")) << "does not fit one byte";
    EXPECT_TRUE(apply_assignment(r, "NumCopies=70000")) << "does not fit two bytes";
    EXPECT_TRUE(apply_assignment(r, "Gutter=3000000000"));
    EXPECT_TRUE(apply_assignment(r, "Tab1FontName=" + std::string(51, 'x')));
    EXPECT_TRUE(apply_assignment(r, "ChapterPages=ABC"));
    EXPECT_TRUE(apply_assignment(r, "NoEquals"));
    error = apply_settings(r, "Duplex=True\nZoom=abc\n");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->rfind("line 2:", 0), 0u);
}

}  // namespace
}  // namespace zenta::settings
