// Paper compatibility checks: media lists and their selection, the papers of the sources, the
// search for a usable source, and the paper size and feed direction checks.

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "constraints/paper_checks.h"
#include "features/feature_table.h"

namespace zenta::constraints {
namespace {

using features::FeatureId;

Configuration config_with(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    Configuration c{};
    for (const auto& [i, v] : bytes) c[i] = v;
    return c;
}

PaperAttributes media(std::uint32_t type, std::uint32_t weight = kUnsetMediaWeight,
                      std::uint8_t prepunched = kUnsetPrepunched) {
    PaperAttributes p;
    p.media_type = type;
    p.media_weight = weight;
    p.prepunched = prepunched;
    return p;
}

FeatureId id_of(const std::string& key) {
    const auto id = features::find_feature(key);
    EXPECT_TRUE(id) << key;
    return *id;
}

// ---- media lists --------------------------------------------------------------------------

TEST(PaperChecksMedia, UnsetPaperPassesEveryCheck) {
    const Configuration strict = config_with({{1, 1}, {3, 2}, {9, 1}, {10, 1}, {13, 1}, {23, 1}});
    for (unsigned check = 0; check < 50; ++check) {
        EXPECT_TRUE(check_paper(PaperAttributes{}, check, nullptr)) << check;
        EXPECT_TRUE(check_paper(PaperAttributes{}, check, &strict)) << check;
    }
}

TEST(PaperChecksMedia, EntryMatchesWhenEveryNamedFieldIsKnownAndEqual) {
    const MediaCombination envelope[] = {{4, 13, 14, 2}, kListEnd};
    const MediaCombination thick10[] = {{8, 12, 14, 2}, kListEnd};
    const MediaCombination after_end[] = {kListEnd, {4, 13, 14, 2}};  // never read past the end
    EXPECT_FALSE(passes_media_list(media(4), envelope));
    EXPECT_TRUE(passes_media_list(media(4), thick10));
    EXPECT_FALSE(passes_media_list(media(kUnsetMediaType, 12), thick10));
    EXPECT_TRUE(passes_media_list(media(1, 11), thick10));
    EXPECT_TRUE(passes_media_list(media(4), after_end));

    // Check 45: Fine with Thin is one entry, both fields must match. Check 12: a list entry for
    // prepunched paper ignores the colour. Check 48 has no list: allowed.
    PaperAttributes punched = media(1, 2, 1);
    punched.media_color = 13;
    const struct {
        PaperAttributes paper;
        unsigned check;
        bool allowed;
    } cases[] = {{media(3, 1), 45, false},   {media(3, 2), 45, false}, {media(3), 45, true},
                 {media(3, 3), 45, true},    {media(1, 1), 45, true},  {punched, 12, false},
                 {media(1, 2, 0), 12, true}, {media(4), 48, true}};
    for (const auto& c : cases) EXPECT_EQ(check_paper(c.paper, c.check, nullptr), c.allowed) << c.check;
}

// Each built-in list, by what its entries forbid.
TEST(PaperChecksMedia, BuiltInListsHoldTheirEntriesInOrder) {
    // clang-format off
    const std::vector<std::string> types{"NoSet", "Plain", "ColorCopy", "Fine", "Envelope", "Embossed",
                                         "CoatedG", "CoatedM"};
    const std::vector<std::string> weights{"NoSet", "Thin", "Normal", "Thick", "Thick2", "Thick3", "Thick4",
                                           "Thick5", "Thick6", "Thick7", "Thick8", "Thick9", "Thick10"};
    // clang-format on
    const auto entry = [&](const std::string& word) {
        MediaCombination e = kListEnd;
        if (word == "Prepunched") {
            e.prepunched = 1;
            return e;
        }
        const auto plus = word.find('+');
        const std::string t = plus == std::string::npos ? word : word.substr(0, plus);
        for (std::uint32_t i = 0; i < types.size(); ++i)
            if (types[i] == t) e.media_type = i;
        const std::string w = plus == std::string::npos ? word : word.substr(plus + 1);
        for (std::uint32_t i = 0; i < weights.size(); ++i)
            if (weights[i] == w) e.media_weight = i;
        EXPECT_FALSE(e.media_type == kUnsetMediaType && e.media_weight == kUnsetMediaWeight) << word;
        return e;
    };
    const char* const expected[kMediaListCount] = {
        "",
        "Envelope",
        "Envelope Thick10",
        "Envelope Thick9 Thick10",
        "Envelope Thin",
        "Envelope Thin Normal Thick",
        "Envelope Thin Normal Thick Thick2 Thick3 Thick4",
        "Envelope Thin Normal Thick9 Thick10",
        "Envelope Thin Normal Thick7 Thick8 Thick9 Thick10",
        "Envelope Prepunched",
        "Envelope Thick5 Thick6 Thick7 Thick8 Thick9 Thick10",
        "Envelope Thick3 Thick4 Thick5 Thick6 Thick7 Thick8 Thick9 Thick10",
        "Envelope Thick4 Thick5 Thick6 Thick7 Thick8 Thick9 Thick10",
        "Envelope Thick9 Thick10 Prepunched",
        "Envelope Thick7 Thick8 Thick9 Thick10 Prepunched",
        "Envelope Normal Thick9 Thick10 Prepunched",
        "Envelope Thin Normal Thick Thick7 Thick8 Thick9 Thick10 Prepunched",
        "Embossed Envelope Prepunched",
        "Envelope Embossed Prepunched",
        "Fine+Thin Fine+Normal",
        "Thin Normal",
    };
    for (unsigned n = 0; n < kMediaListCount; ++n) {
        std::vector<std::uint32_t> want;
        std::istringstream words(expected[n]);
        for (std::string w; words >> w;) {
            const MediaCombination e = entry(w);
            want.insert(want.end(), {e.media_type, e.media_weight, e.media_color, e.prepunched});
        }
        want.insert(want.end(), {8, 13, 14, 2});
        std::vector<std::uint32_t> got;
        for (const MediaCombination& e : media_list(n))
            got.insert(got.end(), {e.media_type, e.media_weight, e.media_color, e.prepunched});
        EXPECT_EQ(got, want) << "L" << n;
    }
    EXPECT_TRUE(media_list(kMediaListCount).empty());
}

// ---- selection by check number --------------------------------------------------------------

TEST(PaperChecksSelection, CheckNumberAndConfigurationSelectTheList) {
    // Without a configuration, by check number.
    const struct {
        std::optional<unsigned> list;
        std::vector<unsigned> checks;
    } plain[] = {
        // clang-format off
        {0, {1, 3, 9, 10, 11, 20, 30, 33, 46}}, {1, {0, 2, 7, 22, 23, 25, 27, 38, 39}}, {3, {26, 28}},
        {4, {4, 5}}, {5, {8}}, {6, {6}}, {7, {41}}, {9, {12, 13, 14, 35, 37, 43}}, {10, {15, 16, 17, 29, 40}},
        {11, {18, 19}}, {16, {36}}, {17, {42}}, {18, {44}}, {19, {45}}, {std::nullopt, {48, ~0u}},
        // clang-format on
    };
    for (const auto& row : plain)
        for (const unsigned check : row.checks)
            EXPECT_EQ(media_list_of_check(check, nullptr), row.list) << "check " << check;

    // With a configuration (a byte set to 0 gives the all-zero one).
    const auto with = [](std::size_t byte, std::uint8_t value) { return config_with({{byte, value}}); };
    const struct {
        unsigned check;
        Configuration config;
        std::optional<unsigned> list;
    } configured[] = {
        // clang-format off
        // Byte 23: 1 to 14.
        {1, with(23, 0), 0}, {1, with(23, 1), 2}, {1, with(23, 14), 2}, {1, with(23, 15), 0},
        // Byte 3 = 2.
        {10, with(3, 2), 7}, {10, with(3, 1), 0}, {21, with(3, 2), 7}, {24, with(3, 2), 7},
        {11, with(3, 2), 2}, {20, with(3, 2), 8}, {20, with(3, 3), 0}, {25, with(3, 2), 3},
        // Byte 13 = 1.
        {22, with(13, 1), 12}, {22, with(13, 2), 1}, {23, with(13, 1), 3}, {46, with(13, 1), 20},
        {47, with(13, 1), 20}, {47, with(13, 0), 0},
        // Byte 10 = 1 to 4 before byte 1 = 1 or 2.
        {30, with(10, 0), 0}, {30, with(10, 1), 13}, {31, with(10, 4), 13}, {32, with(10, 5), 0},
        {30, with(1, 1), 14}, {31, with(1, 2), 14}, {32, with(1, 3), 0},
        {30, config_with({{10, 2}, {1, 1}}), 13}, {32, config_with({{10, 7}, {1, 2}}), 14},
        // Byte 9 = 1.
        {33, with(9, 1), 15}, {34, with(9, 1), 15}, {34, with(9, 2), 0},
        // Unknown numbers.
        {89, with(0, 0), std::nullopt},
        // clang-format on
    };
    for (const auto& c : configured)
        EXPECT_EQ(media_list_of_check(c.check, &c.config), c.list) << "check " << c.check;
    // Every check from 0 to 47 has a list.
    for (unsigned check = 0; check < kMediaCheckCount; ++check)
        EXPECT_TRUE(media_list_of_check(check, nullptr)) << check;
    // The selected list is the one the check applies.
    const Configuration heavy = with(13, 1);
    EXPECT_FALSE(check_paper(media(1, 6), 22, &heavy));
    EXPECT_TRUE(check_paper(media(1, 6), 22, nullptr));
}

// ---- papers of the sources ------------------------------------------------------------------

TEST(PaperChecksSources, EachSourceReadsItsOwnFeatures) {
    const char* const suffixes[14] = {"Auto",  "SubTray", "Tray1", "Tray2", "Tray3", "Tray4",   "Tray5",
                                      "Tray6", "Tray7",   "Tray8", "Tray9", "MBT",   "PITray1", "PITray2"};
    settings::Record record;
    for (unsigned s = 0; s < 14; ++s) {
        const std::string suffix = suffixes[s];
        record.set_raw(id_of("MediaType" + suffix), s % 8);
        record.set_raw(id_of("MediaWeight" + suffix), s % 13);
        record.set_raw(id_of("MediaColor" + suffix), s);
        record.set_text(id_of("CustomMediaColorName" + suffix), "colour " + suffix);
        record.set_raw(id_of("MediaPrepunched" + suffix), s % 2);
        record.set_raw(id_of("WeightUnit" + suffix), s % 11);
    }
    for (unsigned s = 0; s < 14; ++s) {
        const PaperAttributes want{
            s % 8, s % 13, s, std::string("colour ") + suffixes[s], static_cast<std::uint8_t>(s % 2), s % 11};
        EXPECT_EQ(paper_of_source(s, record), want) << s;
    }
    EXPECT_EQ(paper_of_source(14, record), paper_of_source(0, record));
    EXPECT_EQ(paper_of_source(~0u, record), paper_of_source(0, record));
}

TEST(PaperChecksSources, StoredValuesOutsideTheTablesReadAsDefaults) {
    settings::Record record;
    record.set<FeatureId::MediaTypeTray2>(8);  // the unset value is never read from a record
    record.set<FeatureId::MediaWeightTray2>(200);
    record.set<FeatureId::MediaPrepunchedTray2>(2);
    // A colour name filling all 21 bytes without an end gives its first 20 characters.
    auto name = record.field(FeatureId::CustomMediaColorNameTray2);
    std::fill(name.begin(), name.end(), std::uint8_t{'x'});
    const PaperAttributes p = paper_of_source(3, record);
    EXPECT_EQ(p.media_type, 0u);
    EXPECT_EQ(p.media_weight, 0u);
    EXPECT_EQ(p.prepunched, 0u);
    EXPECT_EQ(p.custom_color_name, std::string(20, 'x'));
}

TEST(PaperChecksSources, CurrentPaperIsTheProfilesUnlessTheSourceIsAskedFor) {
    settings::Record record;
    record.set<FeatureId::InputSlot>(11);  // MBT
    record.set<FeatureId::MediaTypeMBT>(4);
    record.set<FeatureId::MainPaperProfileMediaType>(5);
    record.set<FeatureId::MainPaperProfileMediaWeight>(12);
    record.set<FeatureId::MainPaperProfileMediaPrepunched>(1);
    EXPECT_EQ(current_paper(record).media_type, 4u);  // no profile selected

    record.set<FeatureId::MainPaperProfileIndex>(3);
    const PaperAttributes profile = current_paper(record);
    EXPECT_EQ(profile.media_type, 5u);
    EXPECT_EQ(profile.media_weight, 12u);
    EXPECT_EQ(profile.prepunched, 1u);
    EXPECT_EQ(profile.weight_unit, 11u);  // a profile has no weight unit
    EXPECT_EQ(current_paper(record, true).media_type, 4u);

    record.set<FeatureId::MainPaperProfileIndex>(0);
    record.set<FeatureId::InputSlot>(12);  // outside the table: Auto
    record.set<FeatureId::MediaTypeAuto>(2);
    EXPECT_EQ(current_paper(record).media_type, 2u);
    EXPECT_EQ(source_of_input_slot(5), 5u);
    EXPECT_EQ(source_of_input_slot(12), 0u);
}

TEST(PaperChecksSources, FindSourceTakesTheFirstOfferedSourceThatPassesCheck42) {
    settings::Record record;
    record.set<FeatureId::MediaTypeAuto>(4);     // Envelope
    record.set<FeatureId::MediaTypeSubTray>(5);  // Embossed
    record.set<FeatureId::MediaPrepunchedTray1>(1);
    record.set<FeatureId::MediaTypeTray2>(1);
    const Configuration all = config_with({{11, 6}});
    EXPECT_EQ(find_source(record, nullptr), kNoSource);
    EXPECT_EQ(find_source(record, &all), 3u);  // Tray2; Tray1 is prepunched
    // Paper-feed configuration 0 offers only Auto and SubTray, and both fail.
    const Configuration bare = config_with({{11, 0}});
    EXPECT_EQ(find_source(record, &bare), 12u);
    // Configuration 23 has no Tray1 to Tray9, but the manual feed.
    record.set<FeatureId::MediaTypeMBT>(1);
    const Configuration bypass_only = config_with({{11, 23}});
    EXPECT_EQ(find_source(record, &bypass_only), kSourceMbt);
    record.set<FeatureId::MediaTypeAuto>(1);
    EXPECT_EQ(find_source(record, &bare), 0u);
}

// ---- paper sizes ----------------------------------------------------------------------------

TEST(PaperChecksSize, SizeIdsAndListShapes) {
    // A3, QVLetterTab, custom; an unknown option reads as the default, A4.
    const std::pair<unsigned, std::uint32_t> ids[] = {
        {0, 1}, {25, 26}, {26, kCustomSizeId}, {27, 2}, {255, 2}};
    for (const auto& [option, id] : ids) EXPECT_EQ(paper_size_id(option), id) << option;

    const Configuration narrow{};
    const Configuration wide = config_with({{kWidePaperPathByte, 1}});
    for (unsigned check : {89u, 105u, 118u, 119u}) {
        for (const Configuration* config : {static_cast<const Configuration*>(nullptr), &narrow, &wide}) {
            const PaperSizeConstraints list = paper_size_constraints(check, config);
            ASSERT_TRUE(list) << check;
            ASSERT_FALSE(list->empty());
            EXPECT_EQ(list->back().paper_size_id, 0u) << check;
            for (std::size_t i = 0; i + 1 < list->size(); ++i) EXPECT_NE((*list)[i].paper_size_id, 0u);
            EXPECT_EQ(paper_size_constraints(check, config), list) << "built once and shared";
        }
    }
    EXPECT_EQ(paper_size_constraints(89, nullptr), paper_size_constraints(89, &wide));
    EXPECT_NE(*paper_size_constraints(89, &narrow), *paper_size_constraints(89, &wide));
    EXPECT_FALSE(paper_size_constraints(0, nullptr));
    EXPECT_FALSE(paper_size_constraints(90, &wide));
}

SizedPaper sized(unsigned option, unsigned feed = kFeedAuto, bool duplex = false) {
    return SizedPaper{paper_size_id(option), feed, 0, 0, duplex};
}
SizedPaper custom_paper(double width_mm, double height_mm, bool duplex = false, unsigned feed = kFeedAuto) {
    return SizedPaper{kCustomSizeId, feed, static_cast<std::uint32_t>(width_mm * 10000),
                      static_cast<std::uint32_t>(height_mm * 10000), duplex};
}

struct SizeCase {
    const char* what;
    SizedPaper paper;
    unsigned check;
    int config;  // 0 none, 1 narrow paper path, 2 wide paper path
    bool allowed;
};

TEST(PaperChecksSize, CheckCombinesModeDuplexFeedDirectionAndLimits) {
    constexpr unsigned A3 = 0, A4 = 1, A5 = 2, A6 = 3, Postcard = 10, SRA3 = 11, SRA4 = 12, x13x19 = 15,
                       Tab = 23, LetterTab = 25;
    const SizeCase cases[] = {
        {"A4 duplex", sized(A4, kFeedLongEdge, true), 89, 1, true},
        {"A4 short edge", sized(A4, kFeedShortEdge), 89, 1, true},
        {"A3 long edge cannot feed", sized(A3, kFeedLongEdge), 89, 2, false},
        {"A3 short edge", sized(A3, kFeedShortEdge, true), 89, 2, true},
        {"Postcard simplex", sized(Postcard), 89, 1, true},
        {"Postcard duplex", sized(Postcard, kFeedAuto, true), 89, 1, false},
        {"A6 duplex", sized(A6, kFeedShortEdge, true), 89, 2, false},
        {"A5 duplex long edge", sized(A5, kFeedLongEdge, true), 89, 1, false},
        {"A5 duplex short edge", sized(A5, kFeedShortEdge, true), 89, 1, true},
        {"A5 duplex printer's choice", sized(A5, kFeedAuto, true), 89, 1, true},
        {"A5 simplex long edge", sized(A5, kFeedLongEdge), 89, 1, true},
        {"SRA3 without the wide path", sized(SRA3), 89, 1, false},
        {"SRA3 with the wide path", sized(SRA3, kFeedShortEdge, true), 89, 2, true},
        {"SRA3 unknown printer", sized(SRA3), 89, 0, true},
        {"13x19 long edge", sized(x13x19, kFeedLongEdge), 89, 2, false},
        {"SRA4 long edge, narrow path", sized(SRA4, kFeedLongEdge), 89, 1, false},
        {"SRA4 long edge, wide path", sized(SRA4, kFeedLongEdge), 89, 2, true},
        {"tab stock simplex", sized(Tab), 89, 1, true},
        {"tab stock duplex", sized(Tab, kFeedAuto, true), 89, 1, false},
        {"letter tab any direction", sized(LetterTab, kFeedLongEdge), 89, 1, true},
        {"custom A4-like duplex", custom_paper(210, 297, true), 89, 1, true},
        {"custom entered landscape", custom_paper(450, 320), 89, 2, true},
        {"custom too wide for narrow path", custom_paper(320, 450), 89, 1, false},
        {"custom too long", custom_paper(300, 490), 89, 2, false},
        {"custom too small", custom_paper(90, 140), 89, 2, false},
        {"custom zero", custom_paper(0, 0), 89, 0, false},
        {"custom small simplex", custom_paper(100, 148), 89, 1, true},
        {"custom small duplex", custom_paper(100, 148, true), 89, 1, false},
        {"custom A5-like duplex long edge", custom_paper(148, 210, true, kFeedLongEdge), 89, 1, false},
        {"custom A5-like duplex short edge", custom_paper(148, 210, true, kFeedShortEdge), 89, 1, true},
        {"105 takes no postcards", sized(Postcard), 105, 1, false},
        {"105 takes no tab stock", sized(Tab), 105, 1, false},
        {"105 A4", sized(A4), 105, 1, true},
        {"105 small custom", custom_paper(100, 148), 105, 2, false},
        {"no list for the number", sized(Postcard, kFeedLongEdge, true), 90, 1, true},
        {"118 as a check", sized(A3, kFeedLongEdge), 118, 1, false},
        {"118 postcard short edge", sized(Postcard, kFeedShortEdge), 118, 1, true},
        {"119 postcard long edge", sized(Postcard, kFeedLongEdge), 119, 1, true},
    };
    const Configuration narrow{};
    const Configuration wide = config_with({{kWidePaperPathByte, 1}});
    const Configuration* configs[] = {nullptr, &narrow, &wide};
    for (const SizeCase& c : cases)
        EXPECT_EQ(check_paper_size(c.paper, c.check, configs[c.config]), c.allowed) << c.what;
}

TEST(PaperChecksFeedDirection, SetsByListSourceAndSize) {
    constexpr unsigned A3 = 0, A4 = 1, Postcard = 10, SRA4 = 12, Tab = 23;
    const Configuration narrow{};
    const Configuration wide = config_with({{kWidePaperPathByte, 1}});
    const struct {
        SizedPaper paper;
        FeedSource source;
        const Configuration* config;
        unsigned set;
    } cases[] = {
        // clang-format off
        {sized(A4), FeedSource::Tray, &narrow, 7},  {sized(A3), FeedSource::Tray, &narrow, 3},
        {sized(A3), FeedSource::Bypass, &narrow, 3}, {sized(Postcard), FeedSource::Tray, nullptr, 3},
        {sized(Postcard), FeedSource::Bypass, nullptr, 7},
        {sized(SRA4), FeedSource::Tray, &narrow, 3}, {sized(SRA4), FeedSource::Tray, &wide, 7},
        {sized(SRA4), FeedSource::Bypass, &narrow, 7}, {sized(Tab), FeedSource::Tray, &narrow, 7},
        {custom_paper(100, 148), FeedSource::Tray, &narrow, 7},
        // Inserters and profiles keep the paper's own direction.
        {sized(A3, kFeedLongEdge), FeedSource::Inserter, &narrow, 4},
        {sized(A4, kFeedShortEdge), FeedSource::Profile, &narrow, 2},
        {sized(A4, kFeedAuto), FeedSource::Inserter, nullptr, 1},
        {sized(A4, 7), FeedSource::Profile, nullptr, 1},
        // Size id 26 always gives every direction.
        {SizedPaper{26, kFeedLongEdge, 0, 0, false}, FeedSource::Inserter, &narrow, 7},
        {SizedPaper{26, kFeedShortEdge, 0, 0, true}, FeedSource::Tray, nullptr, 7},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(feed_direction_set(c.paper, c.source, c.config), c.set)
            << "size " << c.paper.size_id << " source " << static_cast<int>(c.source);
    EXPECT_EQ(feed_source_of(0), FeedSource::Tray);
    EXPECT_EQ(feed_source_of(10), FeedSource::Tray);
    EXPECT_EQ(feed_source_of(11), FeedSource::Bypass);
    EXPECT_EQ(feed_source_of(13), FeedSource::Inserter);
}

TEST(PaperChecksSize, CurrentSizedPaperReadsSizeDirectionAndDuplex) {
    settings::Record record;
    record.set<FeatureId::PageSize>(1);  // A4
    record.set<FeatureId::InputSlot>(2);
    record.set<FeatureId::FeedDirTray1>(2);
    record.set<FeatureId::FeedDir>(1);
    record.set<FeatureId::Duplex>(1);
    EXPECT_EQ(current_sized_paper(record), (SizedPaper{2, kFeedShortEdge, 2100000, 2970000, true}));

    record.set<FeatureId::InputSlot>(0);  // Auto: the job's feed direction
    record.set<FeatureId::Duplex>(0);
    EXPECT_EQ(current_sized_paper(record), (SizedPaper{2, kFeedLongEdge, 2100000, 2970000, false}));

    record.set<FeatureId::PageSize>(26);
    record.set<FeatureId::CustomPageSizeWidth>(1000000);
    record.set<FeatureId::CustomPageSizeHeight>(1480000);
    record.set<FeatureId::MainPaperProfileIndex>(1);
    record.set<FeatureId::MainPaperProfileFeedDir>(9);  // outside the options: the printer's choice
    EXPECT_EQ(current_sized_paper(record), (SizedPaper{kCustomSizeId, kFeedAuto, 1000000, 1480000, false}));
    record.set<FeatureId::MainPaperProfileFeedDir>(1);
    EXPECT_EQ(current_sized_paper(record).feed_direction, kFeedLongEdge);
}

}  // namespace
}  // namespace zenta::constraints
