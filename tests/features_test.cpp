// The feature model and the record layout: offsets, option vocabulary, per-feature families
// and the layout version, checked against fixtures written from the printer's documentation.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "features/description.h"
#include "features/families.h"
#include "features/feature_table.h"
#include "settings/layout_version.h"
#include "settings/record.h"
#include "util/base64.h"
#include "util/crc32.h"

namespace zenta {
namespace {

using features::feature;
using features::FeatureId;
using settings::Record;

std::string read_fixture(const std::string& name) {
    std::ifstream in(std::string(ZENTA_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The layout version of this build, computed independently from the documented layout.
constexpr std::uint32_t kExpectedLayoutVersion = 0x1634B5DF;

TEST(Layout, DescriptionMatchesTheDocumentedLayout) {
    // Every key, offset, width, count, signed flag, kind, option keyword and scale, in order.
    std::string expected = read_fixture("layout_description.txt");
    ASSERT_FALSE(expected.empty());
    expected.pop_back();  // the fixture's newline
    EXPECT_EQ(features::describe_layout(kExpectedLayoutVersion), expected);
}

TEST(Layout, DescriptionTravelsAsBase64WithItsNul) {
    const std::string text = features::describe_layout(settings::layout_version());
    EXPECT_EQ(text.rfind("1 1634B5DF 27774 PageSize:1:1:9:0:S:A3:A4:A5:", 0), 0u);
    EXPECT_NE(text.find(" CustomPageSizeWidth:4:1:10:0:R:10000 "), std::string::npos);
    const auto decoded = util::base64_decode(features::describe_layout_base64(settings::layout_version()));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), text.size() + 1);
    EXPECT_EQ(decoded->back(), 0);
    EXPECT_EQ(std::string(decoded->begin(), decoded->end() - 1), text);
}

TEST(Layout, KnownOffsets) {
    EXPECT_EQ(feature(FeatureId::PageSize).offset, 9u);
    EXPECT_EQ(feature(FeatureId::Duplex).offset, 190u);
    EXPECT_EQ(feature(FeatureId::Gutter).offset, 193u);
    EXPECT_EQ(feature(FeatureId::RGBSourceProfile).offset, 21816u);
    EXPECT_EQ(feature(FeatureId::CoreDataLoadedFromPdUi).offset, 27773u);
    EXPECT_EQ(feature(FeatureId::CoreDataLoadedFromPdUi).end(), features::kRecordSize);
    EXPECT_EQ(feature(FeatureId::PageSpecificTrays).size(), 18202u);
    EXPECT_FALSE(feature(FeatureId::PageSpecificTrays).is_signed);
    EXPECT_TRUE(feature(FeatureId::PageSizeName).is_text());
}

TEST(Layout, VersionIsTheDocumentedCrcAndComputedOnce) {
    EXPECT_EQ(settings::compute_layout_version(), kExpectedLayoutVersion);
    const unsigned before = settings::layout_version_passes();
    EXPECT_EQ(settings::layout_version(), kExpectedLayoutVersion);
    EXPECT_EQ(settings::layout_version(), kExpectedLayoutVersion);
    EXPECT_LE(settings::layout_version_passes(), before + 1);
}

TEST(Layout, NumberItemsTakeTwoBytesUpTo65535) {
    const std::uint8_t two[] = {0xFF, 0xFF};
    const std::uint8_t four[] = {0x00, 0x01, 0x00, 0x00};
    EXPECT_EQ(features::hash_number(0, 65535), util::crc32_update(0, two));
    EXPECT_EQ(features::hash_number(0, 65536), util::crc32_update(0, four));
}

TEST(Layout, FindFeatureByKey) {
    EXPECT_EQ(features::find_feature("Duplex"), FeatureId::Duplex);
    EXPECT_EQ(features::find_feature("CoreDataLoadedFromPdUi"), FeatureId::CoreDataLoadedFromPdUi);
    EXPECT_FALSE(features::find_feature("duplex"));
    EXPECT_FALSE(features::find_feature(""));
    for (std::size_t i = 0; i < features::kFeatureCount; ++i)
        EXPECT_EQ(features::find_feature(features::kFeatures[i].key), static_cast<FeatureId>(i));
}

TEST(OptionTables, EveryOptionMatchesTheDocumentedVocabulary) {
    std::istringstream in(read_fixture("option_vocabulary.txt"));
    std::string line;
    int options = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        const bool head = key.back() == ':';
        if (head) key.pop_back();
        const auto id = features::find_feature(key);
        ASSERT_TRUE(id) << key;
        const features::FeatureDescriptor& d = *feature(*id).descriptor;
        std::string a, b, c, e;
        if (head) {
            fields >> a >> b >> c >> e;
            EXPECT_EQ(a, "ppd=" + std::string(d.ppd_keyword)) << key;
            EXPECT_EQ(b, "pjl=" + std::string(d.pjl_variable)) << key;
            EXPECT_EQ(c, "mode=" + std::to_string(d.pjl_mode)) << key;
            EXPECT_EQ(e, "default=" + std::to_string(d.default_index)) << key;
            continue;
        }
        std::uint32_t index = 0;
        fields >> index >> a >> b >> c;
        ASSERT_LT(index, d.option_count()) << line;
        const features::OptionEntry& o = d.options[index];
        EXPECT_EQ(a, o.keyword) << line;
        EXPECT_EQ(b, "ppd=" + std::string(o.ppd_option)) << line;
        EXPECT_EQ(c, "pjl=" + std::string(o.pjl_value)) << line;
        EXPECT_EQ(o.pjl_mode, d.pjl_mode) << line;
        ++options;
    }
    EXPECT_EQ(options, 1773);
}

TEST(OptionTables, TablesFilledAtRunTimeAreEmptyHere) {
    for (FeatureId id : {FeatureId::MainPaperProfileFeedDir, FeatureId::FeedDirTray3, FeatureId::JobForm,
                         FeatureId::UserAuthenticationServer}) {
        const auto& d = *feature(id).descriptor;
        EXPECT_EQ(d.option_count(), 0u);
        EXPECT_EQ(d.default_index, 0u);
        EXPECT_EQ(d.option(5).keyword, "");
    }
    EXPECT_EQ(feature(FeatureId::JobForm).descriptor->label, 854);
    EXPECT_EQ(feature(FeatureId::UserAuthenticationServer).descriptor->label, 1589);
    EXPECT_EQ(feature(FeatureId::MainPaperProfileFeedDir).descriptor->label, -1);
    EXPECT_EQ(feature(FeatureId::Prepend).descriptor->pjl_variable, "ZENTAPREPENDJOB");
}

TEST(OptionTables, LabelIds) {
    EXPECT_EQ(feature(FeatureId::PageSize).descriptor->label, 120);
    EXPECT_EQ(feature(FeatureId::PageSize).descriptor->options[0].label, 126);
    EXPECT_EQ(feature(FeatureId::Layout).descriptor->label, 17);
    EXPECT_EQ(feature(FeatureId::Duplex).descriptor->label, 22);
    EXPECT_EQ(feature(FeatureId::Duplex).descriptor->options[1].label, -1);
    // Every weight unit setting shares one label and one set of option labels.
    for (FeatureId id :
         {FeatureId::WeightUnitAuto, FeatureId::WeightUnitTray5, FeatureId::WeightUnitPBTray}) {
        EXPECT_EQ(feature(id).descriptor->label, 1126);
        EXPECT_EQ(feature(id).descriptor->options[0].label, 1115);
    }
    EXPECT_EQ(feature(FeatureId::Creep).range->units[0].label, 1106);
    EXPECT_EQ(feature(FeatureId::Creep).range->units[1].label, 1112);
    EXPECT_EQ(feature(FeatureId::Zoom).range->unit_count(), 1u);
}

TEST(OptionTables, LabelIdsFitTheTextTable) {
    for (const features::Feature& f : features::kFeatures) {
        if (!f.descriptor) continue;
        EXPECT_LT(f.descriptor->label, 2712) << f.key;
        for (const auto& o : f.descriptor->options) EXPECT_LT(o.label, 2712) << f.key << ' ' << o.keyword;
    }
}

TEST(Ranges, DocumentedDescriptors) {
    const auto& width = *feature(FeatureId::CustomPageSizeWidth).range;
    EXPECT_EQ(width.scale, 10000u);
    EXPECT_EQ(width.maximum, 600000000);
    const auto& gutter = *feature(FeatureId::Gutter).range;
    EXPECT_EQ(gutter.minimum, -2500000);
    EXPECT_EQ(gutter.maximum, 2500000);
    EXPECT_EQ(feature(FeatureId::Creep).range->maximum, 500000);
    const auto& copies = *feature(FeatureId::NumCopies).range;
    EXPECT_EQ(copies.minimum, 1);
    EXPECT_EQ(copies.maximum, 9999);
    EXPECT_EQ(copies.default_value, 1);
    EXPECT_EQ(feature(FeatureId::Zoom).range->default_value, 100);
    EXPECT_EQ(feature(FeatureId::JobCharSize).range->default_value, 7);
    EXPECT_EQ(feature(FeatureId::Tab2FontSize).range->scale, 10u);
    EXPECT_EQ(feature(FeatureId::Tab1LineSpacing).range->default_value, 12);
    EXPECT_EQ(feature(FeatureId::TrimLineWidth).range->maximum, 5);
}

// ---- the record

TEST(Record, NewRecordIsAllZero) {
    const Record r;
    for (std::uint8_t b : r.bytes) ASSERT_EQ(b, 0);
}

TEST(Record, ScalarsAreBigEndian) {
    Record r;
    r.set<FeatureId::MainPaperProfileIndex>(300);
    EXPECT_EQ(r.bytes[149], 0x01);
    EXPECT_EQ(r.bytes[150], 0x2C);
    EXPECT_EQ(r.get<FeatureId::MainPaperProfileIndex>(), 300u);

    r.set<FeatureId::Gutter>(-2500000);
    EXPECT_EQ(r.bytes[193], 0xFF);
    EXPECT_EQ(r.bytes[194], 0xD9);
    EXPECT_EQ(r.bytes[195], 0xDA);
    EXPECT_EQ(r.bytes[196], 0x60);
    EXPECT_EQ(r.get<FeatureId::Gutter>(), -2500000);
    EXPECT_EQ(r.number(FeatureId::Gutter), -2500000);

    r.set_raw(FeatureId::Duplex, 0x1FF);  // truncated to the one-byte field
    EXPECT_EQ(r.bytes[190], 0xFF);
    EXPECT_EQ(r.bytes[189], 0);
    EXPECT_EQ(r.bytes[191], 0);

    r.set_head(0xA1B2C3D4);
    EXPECT_EQ(r.version(), 0xA1B2C3D4u);
    EXPECT_EQ(r.bytes[4], 0);
    EXPECT_EQ(r.bytes[8], 0xFF);
}

TEST(Record, TextsAreCutAndZeroTerminated) {
    Record r;
    r.set<FeatureId::Tab1FontName>(std::string(80, 'x'));  // 51-byte field
    EXPECT_EQ(r.get<FeatureId::Tab1FontName>().size(), 50u);
    EXPECT_EQ(r.field(FeatureId::Tab1FontName).back(), 0);
    EXPECT_EQ(r.bytes[feature(FeatureId::Tab1FontName).end()], 0) << "the next field is untouched";
    r.set_text(FeatureId::Tab1FontName, "Arial");
    EXPECT_EQ(r.text(FeatureId::Tab1FontName), "Arial");
    EXPECT_EQ(r.field(FeatureId::Tab1FontName)[6], 0);
    // An empty view that points nowhere clears the text (found by the settings fuzz target: the
    // copy was handed the null pointer).
    r.set_text(FeatureId::Tab1FontName, std::string_view());
    EXPECT_EQ(r.text(FeatureId::Tab1FontName), "");
}

// ---- option lookup and the emit families

std::vector<features::PjlPair> pjl_of(const Record& r) {
    std::vector<features::PjlPair> pairs;
    features::collect_pjl_pairs(r.view(), pairs);
    return pairs;
}

bool has_pair(const std::vector<features::PjlPair>& pairs, std::string_view var, std::string_view value) {
    return std::find(pairs.begin(), pairs.end(), features::PjlPair{var, value}) != pairs.end();
}

TEST(Families, OutOfRangeIndexReadsAsTheDefault) {
    Record r;
    r.set<FeatureId::Duplex>(2);  // equal to the option count
    EXPECT_EQ(r.option(FeatureId::Duplex).keyword, "True");
    r.set<FeatureId::Duplex>(7);
    EXPECT_TRUE(has_pair(pjl_of(r), "DUPLEX", "ON"));
    r.set<FeatureId::Duplex>(0);
    EXPECT_TRUE(has_pair(pjl_of(r), "DUPLEX", "OFF"));
}

TEST(Families, WeightUnitIsSentOnlyForTheAutomaticTray) {
    Record r;
    r.set<FeatureId::WeightUnitAuto>(10);
    r.set<FeatureId::WeightUnitTray5>(10);
    EXPECT_EQ(r.option(FeatureId::WeightUnitAuto).keyword, "lb6");
    EXPECT_EQ(r.option(FeatureId::WeightUnitTray5).keyword, "lb6");
    auto pairs = pjl_of(r);
    EXPECT_TRUE(has_pair(pairs, "MEDIAWEIGHTUNIT", "LBTAG"));
    EXPECT_EQ(
        std::count_if(pairs.begin(), pairs.end(), [](auto& p) { return p.variable == "MEDIAWEIGHTUNIT"; }),
        1);
    r.set<FeatureId::WeightUnitAuto>(11);
    EXPECT_TRUE(has_pair(pjl_of(r), "MEDIAWEIGHTUNIT", "GM2"));
}

TEST(Families, PjlSkipsModeThreeAndOptionsWithoutValue) {
    Record r;  // all zero: index 0 everywhere
    const auto pairs = pjl_of(r);
    EXPECT_TRUE(has_pair(pairs, "MEDIASOURCE", "AUTO"));
    EXPECT_TRUE(has_pair(pairs, "INFONIN1", "N2") == false) << "NUpCount 1 has no PJL value";
    for (const auto& p : pairs) {
        EXPECT_NE(p.variable, "USEPDFXOUTPUTINTENT");
        EXPECT_NE(p.variable, "USEAPPE");
        EXPECT_NE(p.variable, "PAPERPROFILEID") << "None has no PJL value";
    }
    r.set<FeatureId::NUpCount>(2);  // 2Reverse
    EXPECT_TRUE(has_pair(pjl_of(r), "INFONIN1", "N2"));
    r.set<FeatureId::InputSlot>(11);
    EXPECT_TRUE(has_pair(pjl_of(r), "MEDIASOURCE", "MANUALFEED"));
}

std::vector<features::KeywordPair> keyword_pairs(const Record& r,
                                                 const features::FieldFilter* filter = nullptr) {
    std::vector<features::KeywordPair> pairs;
    features::collect_keyword_pairs(r.view(), pairs, filter);
    return pairs;
}

TEST(Families, KeywordPairsNeedBothKeywords) {
    Record r;
    r.set<FeatureId::InputSlot>(0);       // Auto: no PPD option keyword
    r.set<FeatureId::Staple>(3);          // 1Staple: none either
    r.set<FeatureId::PageSize>(4);        // B4 -> QVB4
    r.set<FeatureId::NUpCount>(1);        // 2 -> 2Forward
    r.set<FeatureId::MediaTypeTray1>(2);  // no PPD main keyword
    const auto pairs = keyword_pairs(r);
    auto has = [&](std::string_view k, std::string_view o) {
        return std::find(pairs.begin(), pairs.end(), features::KeywordPair{k, o}) != pairs.end();
    };
    EXPECT_TRUE(has("PageSize", "QVB4"));
    EXPECT_TRUE(has("QWNup", "2Forward"));
    EXPECT_TRUE(has("QWDuplex", "False"));
    for (const auto& p : pairs) {
        EXPECT_NE(p.keyword, "InputSlot");
        EXPECT_NE(p.keyword, "QWStaple");
        EXPECT_FALSE(p.option.empty());
    }
    // Pairs come in record order.
    EXPECT_EQ(pairs.front().keyword, "PageSize");
}

TEST(Families, KeywordPairFilterKeepsOnlyTheGivenFields) {
    Record r;
    r.set<FeatureId::Duplex>(1);
    const std::uint8_t* fields[] = {r.data() + feature(FeatureId::Duplex).offset,
                                    r.data() + feature(FeatureId::InputSlot).offset};
    const features::FieldFilter filter{fields};
    const auto pairs = keyword_pairs(r, &filter);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], (features::KeywordPair{"QWDuplex", "True"}));
}

TEST(Families, ValidationRepairsByThePlainRule) {
    Record r;  // zero: ranges below their minimum, everything else in range
    EXPECT_FALSE(features::validate_fields(r.view(), {}));
    EXPECT_EQ(r.get<FeatureId::NumCopies>(), 1u);
    EXPECT_EQ(r.get<FeatureId::Zoom>(), 100u);
    EXPECT_TRUE(features::validate_fields(r.view(), {})) << "a repaired record passes";

    Record bad = r;
    bad.set<FeatureId::Duplex>(2);
    bad.set<FeatureId::Gutter>(-2500001);
    bad.field(FeatureId::PageSizeName).back() = 'x';
    bad.field(FeatureId::ChapterPages).back() = 1;
    EXPECT_FALSE(features::validate_fields(bad.view(), {}));
    EXPECT_EQ(bad.get<FeatureId::Duplex>(), 1u);
    EXPECT_EQ(bad.get<FeatureId::Gutter>(), 0);
    EXPECT_EQ(bad.text(FeatureId::PageSizeName), "");
    for (std::uint8_t b : bad.field(FeatureId::ChapterPages)) EXPECT_EQ(b, 0);
    bad.set<FeatureId::Duplex>(0);
    EXPECT_EQ(bad, r) << "nothing else was touched";
}

TEST(Families, ValidationKeepsWhatItCannotJudge) {
    Record r;
    features::validate_fields(r.view(), {});
    Record edge = r;
    edge.set<FeatureId::Gutter>(-2500000);  // the minimum, compared signed
    edge.set<FeatureId::MainPaperProfileIndex>(0xFFFF);
    edge.set<FeatureId::FeedDirTray3>(200);
    edge.set<FeatureId::JobForm>(0xFFFFFFFFu);
    auto name = edge.field(FeatureId::PageSizeName);
    name[0] = 'A';
    name[100] = 'B';  // anything before a zero last byte is left alone
    const Record before = edge;
    EXPECT_TRUE(features::validate_fields(edge.view(), {}));
    EXPECT_EQ(edge, before);
}

TEST(Families, CompareTextsAsStrings) {
    Record a, b;
    b.field(FeatureId::PageSizeName)[5] = 'x';  // behind the terminating zero
    EXPECT_TRUE(features::differing_features(a.view(), b.view()).empty());
    b.set<FeatureId::PageSizeName>("Custom");
    b.set<FeatureId::NumCopies>(3);
    b.field(FeatureId::RelayServerSettings)[800] = 1;  // byte arrays compare every byte
    const auto diff = features::differing_features(a.view(), b.view());
    ASSERT_EQ(diff.size(), 3u);
    EXPECT_EQ(diff[0], FeatureId::PageSizeName);
    EXPECT_EQ(diff[1], FeatureId::NumCopies);
    EXPECT_EQ(diff[2], FeatureId::RelayServerSettings);
}

}  // namespace
}  // namespace zenta
