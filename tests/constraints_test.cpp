// The constraint engine: the setter contract, the rule families, the entries, and termination of
// every chain the rules can start.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "constraints/engine.h"
#include "constraints/explain.h"
#include "constraints/rule_model.h"
#include "constraints/setters.h"
#include "features/families.h"
#include "settings/defaults.h"
#include "settings/page_exceptions.h"
#include "settings/settings_text.h"

namespace zenta::constraints {
namespace {

using enum FeatureId;
using settings::Record;

Record default_record() { return settings::make_default_record({settings::kPaperA4, "Arial"}); }

bool listed(const Context& context, FeatureId id) {
    const auto& changed = const_cast<Context&>(context).changed();
    return std::find(changed.begin(), changed.end(), context.address(id)) != changed.end();
}

// A printer configuration that enables the printer-dependent rules named in the tests.
Configuration printer(std::initializer_list<std::pair<int, std::uint8_t>> bytes) {
    Configuration config{};
    config[environment::kPaperFeedConfigurationByte] = 6;  // every tray installed
    for (auto [byte, value] : bytes) config[static_cast<std::size_t>(byte)] = value;
    return config;
}

struct Engine : ::testing::Test {
    Record record = default_record();
    ChangedList changed;

    void set(FeatureId id, std::uint32_t value, const Configuration* config = nullptr) {
        Context context(record, changed, config);
        set_feature(context, id, value);
    }
};

TEST_F(Engine, SettingBackToTheSnapshotValueLeavesTheChangedList) {
    Context context(record, changed, nullptr);
    set_feature(context, Layout, 2);
    EXPECT_TRUE(listed(context, Layout));
    set_feature(context, Layout, 0);
    EXPECT_FALSE(listed(context, Layout));
    EXPECT_TRUE(context.visited().empty());
}

TEST_F(Engine, ATargetOnThePathIsLeftButOtherTargetsStillChange) {
    record.set_raw(NUpCount, 3);
    Context context(record, changed, nullptr);
    context.enter(Layout);
    set_feature(context, BookletSplitting, 1);
    EXPECT_EQ(record.raw(Layout), 0u);
    EXPECT_EQ(record.raw(NUpCount), 0u);
}

TEST_F(Engine, BookletSplittingForcesBookletAndStaysOn) {
    set(BookletSplitting, 1);
    EXPECT_EQ(record.raw(Layout), 2u);
    EXPECT_EQ(record.raw(BookletSplitting), 1u);
    const auto features = changed_features(record, changed);
    ASSERT_GE(features.size(), 2u);
    EXPECT_EQ(features[0], BookletSplitting);
    EXPECT_EQ(features[1], Layout);
}

TEST_F(Engine, FamilyEdgeCases) {
    // No rule lists Booklet as an old layout.
    record.set_raw(Layout, 2);
    set(BookletSplitting, 1);
    EXPECT_EQ(record.raw(Layout), 2u);

    record = default_record();
    set(ColorMode, 2);
    EXPECT_EQ(record.raw(DateColor), 0u);
    record = default_record();
    record.set_raw(DateColor, 5);  // Magenta
    set(ColorMode, 2);
    EXPECT_EQ(record.raw(DateColor), 0u);
    EXPECT_EQ(record.raw(Separation), 0u);

    record = default_record();
    record.set_raw(MediaWeightTray4, 3);  // Thick
    set(MediaTypeTray4, 4);               // Envelope
    EXPECT_EQ(record.raw(MediaWeightTray4), 3u);
    record.set_raw(MediaWeightTray4, 10);  // Thick8
    set(MediaTypeTray4, 4);
    EXPECT_EQ(record.raw(MediaWeightTray4), 0u);

    record = default_record();
    record.set_raw(Zoom, 50);
    record.set_raw(TrimLine, 0);
    set(TrimLine, 1);
    EXPECT_EQ(record.raw(Zoom), 100u);
}

TEST_F(Engine, PrinterDependentRulesNeedTheConfiguration) {
    record.set_raw(Fold, 3);  // LetterFold
    set(NTo1, 1);
    EXPECT_EQ(record.raw(Fold), 3u);
    record = default_record();
    record.set_raw(Fold, 3);
    const Configuration folder = printer({{rules::kFolderUnitByte, 1}});
    set(NTo1, 1, &folder);
    EXPECT_EQ(record.raw(Fold), 0u);

    // Heavy plain paper only on the printer classes that cannot feed it: a tray and the
    // automatic source alike (the automatic source adds its own class pairs before these).
    const Configuration other_class = printer({{rules::kPrinterClassByte, 5}});
    const Configuration heavy_limit = printer({{rules::kPrinterClassByte, 9}});
    for (auto [type, weight] :
         {std::pair{MediaTypeTray4, MediaWeightTray4}, {MediaTypeAuto, MediaWeightAuto}}) {
        SCOPED_TRACE(features::feature(type).key);
        for (std::uint32_t heavy : {11u, 12u}) {  // Thick9, Thick10
            record = default_record();
            record.set_raw(weight, heavy);
            set(type, 1, &other_class);  // Plain
            EXPECT_EQ(record.raw(weight), heavy);
            set(type, 3, &heavy_limit);  // Fine
            EXPECT_EQ(record.raw(weight), 0u);
        }
    }
}

// While the printer chooses the source, every media setter of every source checks that the
// automatic choice can feed the paper: A6 cannot be duplexed as it stands, so the sheet turns
// and the binding edge with it. With a tray chosen, the check stays out of the way.
TEST_F(Engine, EveryMediaSetterEndsWithThePaperSourceCheck) {
    struct Case {
        FeatureId feature;
        std::uint32_t value;
    };
    const Case cases[] = {
        {MediaTypeAuto, 1},    {MediaWeightAuto, 2},    {MediaPrepunchedAuto, 1},
        {MediaTypeSubTray, 1}, {MediaWeightSubTray, 2}, {MediaPrepunchedSubTray, 1},
        {MediaTypeTray4, 1},   {MediaWeightTray4, 2},   {MediaPrepunchedTray4, 1},
        {MediaTypeMBT, 1},     {MediaWeightPBTray, 2},  {MediaPrepunchedPITray2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(features::feature(c.feature).key);
        for (std::uint32_t slot : {0u, 5u}) {  // Auto, Tray4
            record = default_record();
            record.set_raw(PageSize, 3);  // A6
            record.set_raw(Duplex, 1);
            record.set_raw(InputSlot, slot);
            set(c.feature, c.value);
            EXPECT_EQ(record.raw(c.feature), c.value);
            EXPECT_EQ(record.raw(Binding), slot == 0 ? 2u : 0u);  // Top, or Left as it was
        }
    }
}

// Each changed field names the rule (or shared step) that set it and the setting that caused it,
// so that a chain reads from top to bottom; the first line is the change from outside.
TEST(Explanations, NameTheReasonAndTheCauseAlongTheChain) {
    struct Case {
        const char* start;
        const char* change;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"Staple=1StapleLeft\nDuplex=True\nNUpCount=2\nPunch=2Holes\n", "BookletSplitting=True",
         {"BookletSplitting: False -> True",
          "Layout: None -> Booklet  because BookletSplitting True: split booklets are printed in booklet layout",
          "Staple: 1StapleLeft -> None  because Layout Booklet: a booklet is stitched at its fold, not stapled at "
          "a corner",
          "Punch: 2Holes -> None  because Layout Booklet: holes would cut into the booklet's pages",
          "NUpCount: 2 -> 1  because BookletSplitting True: a booklet places one page per side"}},
        {"Staple=1StapleLeft\n", "NTo1=True",
         {"NTo1: False -> True",
          "Staple: 1StapleLeft -> None  because NTo1 True: reverse order output is not stapled"}},
        {"PageSize=A6\nDuplex=True\n", "MediaTypeTray4=Plain",
         {"MediaTypeTray4: NoSet -> Plain",
          "Binding: Left -> Top  because MediaTypeTray4 Plain: the automatic source cannot feed this paper the way "
          "round the job needs, so the sheet turns"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        Record record = default_record();
        ASSERT_FALSE(settings::apply_settings(record, c.start));
        const Record before = record;
        Record wanted = record;
        ASSERT_FALSE(settings::apply_settings(wanted, std::string(c.change) + "\n"));
        const std::string_view key = std::string_view(c.change).substr(0, std::string_view(c.change).find('='));
        const FeatureId id = *features::find_feature(key);
        Firings firings;
        const FeatureChange change = change_feature(record, id, wanted.raw(id), nullptr, &firings);
        EXPECT_EQ(explain_changes(before, record, change.changed, firings), c.lines);
        // Noting firings changes nothing the engine does.
        Record unexplained = before;
        change_feature(unexplained, id, wanted.raw(id), nullptr);
        EXPECT_EQ(unexplained, record);
    }
}

// Every chain the engine can start from a user's setting explains itself: each option of each
// selection, from the default record and from a record full of finishing, changes no field
// without a reason and a cause.
TEST(Explanations, EveryChangedFieldHasItsReason) {
    Record finishing = default_record();
    ASSERT_FALSE(settings::apply_settings(
        finishing, "Staple=1StapleLeft\nDuplex=True\nPunch=2Holes\nNUpCount=2\nPageSize=A6\n"));
    std::size_t chains = 0;
    for (const Record& start : {default_record(), finishing}) {
        for (const features::Feature& feature : features::kFeatures) {
            if (!feature.descriptor || feature.count != 1) continue;
            const FeatureId id = *features::find_feature(feature.key);
            for (std::uint32_t option = 0; option < feature.descriptor->options.size(); ++option) {
                Record record = start;
                Firings firings;
                const FeatureChange change = change_feature(record, id, option, nullptr, &firings);
                const auto lines = explain_changes(start, record, change.changed, firings);
                for (std::size_t i = 1; i < lines.size(); ++i)
                    EXPECT_NE(lines[i].find("  because "), std::string::npos)
                        << feature.key << " option " << option << ": " << lines[i];
                chains += lines.size() > 1;
            }
        }
    }
    EXPECT_GT(chains, 100u) << chains;
}

TEST_F(Engine, AFeatureSetEarlierInTheChainKeepsItsValue) {
    record.set_raw(Duplex, 0);
    Context context(record, changed, nullptr);
    context.enter(Duplex);
    record.set_raw(Duplex, 1);
    set_feature(context, PostcardFullBleed, 1);
    EXPECT_EQ(record.raw(Duplex), 1u);
}

TEST(DefaultDuplex, AppliedOnlyWhenItChangesSomething) {
    Record record = default_record();
    record.set_raw(Duplex, 1);
    record.set_raw(CoreDataLoadedFromPdUi, 1);
    record.set_raw(Layout, 2);
    Record before = record;
    EXPECT_FALSE(apply_default_duplex(record, false));
    EXPECT_EQ(record, before);

    record.set_raw(CoreDataLoadedFromPdUi, 0);
    before = record;
    EXPECT_FALSE(apply_default_duplex(record, std::nullopt));
    EXPECT_FALSE(apply_default_duplex(record, true));
    EXPECT_EQ(record, before);

    EXPECT_TRUE(apply_default_duplex(record, false));
    EXPECT_EQ(record.raw(Duplex), 0u);
}

TEST(PublicSettings, GivenValuesArePinnedAndTheNameComparedAsText) {
    Record record = default_record();
    record.set_text(PageSizeName, "A4");
    environment::PublicSettingsRequest request;
    request.paper_name = "A4";
    request.page_size = 19;  // Letter
    request.orientation = 1;
    request.resolution = 0;
    request.copies = 4;
    ChangedList changed;
    apply_public_settings(record, request, nullptr, changed);
    EXPECT_EQ(record.raw(PageSize), 19u);
    EXPECT_EQ(record.raw(Orientation), 1u);
    EXPECT_EQ(record.raw(Resolution), 0u);
    EXPECT_EQ(record.raw(NumCopies), 4u);
    const auto features = changed_features(record, changed);
    EXPECT_EQ(std::count(features.begin(), features.end(), PageSizeName), 0);
    EXPECT_EQ(std::count(features.begin(), features.end(), PageSize), 1);
}

TEST(PublicSettings, ATrayThePrinterDoesNotOfferIsIgnored) {
    Record record = default_record();
    environment::PublicSettingsRequest request;
    request.input_slot = 5;  // Tray4
    Configuration config{};  // paper-feed configuration 0: no trays 2 to 11
    apply_public_settings(record, request, &config);
    EXPECT_EQ(record.raw(InputSlot), 0u);
    apply_public_settings(record, request, nullptr);
    EXPECT_EQ(record.raw(InputSlot), 5u);
}

// Whatever the rules fired by the paper, orientation, tray and resolution setters do, every given
// value stands at the end.
TEST(PublicSettings, EveryGivenValueStays) {
    const Configuration config = printer({{rules::kPrinterClassByte, 9}});
    Record start = default_record();
    start.set_raw(Staple, 1);
    start.set_raw(MediaTypeTray1, 4);
    for (std::uint8_t paper = 0; paper <= 26; ++paper) {
        for (std::uint8_t slot = 0; slot < 12; ++slot) {
            environment::PublicSettingsRequest request;
            request.paper_name = "Paper";
            request.page_size_type = 2;
            request.width = 1000000 + paper;
            request.length = 2000000;
            request.page_size = paper;
            request.orientation = slot % 2;
            request.input_slot = slot;
            request.resolution = paper % 2;
            request.copies = 7;
            Record record = start;
            apply_public_settings(record, request, &config);
            EXPECT_EQ(record.text(PageSizeName), "Paper");
            EXPECT_EQ(record.raw(PageSizeType), 2u);
            EXPECT_EQ(record.raw(CustomPageSizeWidth), 1000000u + paper);
            EXPECT_EQ(record.raw(CustomPageSizeHeight), 2000000u);
            EXPECT_EQ(record.raw(PageSize), paper);
            EXPECT_EQ(record.raw(Orientation), slot % 2u);
            EXPECT_EQ(record.raw(InputSlot), slot);
            EXPECT_EQ(record.raw(Resolution), paper % 2u);
            EXPECT_EQ(record.raw(NumCopies), 7u);
        }
    }
}

TEST(CommonPass, ASourceThatCannotTakeTheFinishingIsLeft) {
    Record record = default_record();
    record.set_raw(Staple, 1);
    record.set_raw(InputSlot, 2);  // Tray1
    const Configuration config = printer({});
    change_feature(record, MediaTypeTray1, 4, &config);  // envelopes cannot be stapled
    EXPECT_NE(record.raw(InputSlot), 2u);
}

TEST(CommonPass, TheProfileFollowsThePageSize) {
    Record record = default_record();
    record.set_raw(MainPaperProfileIndex, 3);
    change_feature(record, InputSlot, 1, nullptr);
    EXPECT_EQ(record.raw(MainPaperProfileSize), record.raw(PageSize));
    EXPECT_EQ(record.raw(MainPaperProfileWidth), 2100000u);
    EXPECT_EQ(record.raw(MainPaperProfileHeight), 2970000u);
}

settings::PageList one_entry(std::uint8_t print_side, std::uint8_t source) {
    settings::PageEntry entry;
    entry.kind = 2;
    entry.value_3 = print_side;
    entry.value_8 = source;
    entry.pages = {{3, 4}};
    return {entry};
}

TEST(PageCheck, ClearsWhatTheRecordNoLongerAllows) {
    Record record = default_record();
    ASSERT_TRUE(settings::store_pages(record, one_entry(2, 5)));
    const Record with_list = record;

    ChangedList changed;
    {
        Context context(record, changed, nullptr);
        set_feature(context, Layout, 2);  // booklet: imposition decides the sides
    }
    auto pages = settings::decode_pages(record.field(PageSpecificTrays), false).entries;
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].value_3, 0);
    EXPECT_EQ(pages[0].value_8, 5);
    EXPECT_EQ(changed_features(record, changed).back(), PageSpecificTrays);

    record = with_list;
    const Configuration no_trays{};
    change_feature(record, Staple, 1, &no_trays);
    pages = settings::decode_pages(record.field(PageSpecificTrays), false).entries;
    EXPECT_EQ(pages[0].value_3, 2);
    EXPECT_EQ(pages[0].value_8, 12);

    // Grouped output has no per-page settings to check.
    record = with_list;
    record.set_raw(Collate, 1);
    change_feature(record, Layout, 2, nullptr);
    EXPECT_TRUE(std::ranges::equal(record.field(PageSpecificTrays), with_list.field(PageSpecificTrays)));
}

// Every value of every feature with a setter, from the default record, with and without a
// printer: every chain ends, the set value stays, and the path is empty again.
TEST(Termination, EveryFeatureEveryValue) {
    const Record start = default_record();
    const Configuration config = printer({{rules::kPrinterClassByte, 9}, {rules::kFolderUnitByte, 1}});
    std::size_t runs = 0;
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const auto id = static_cast<FeatureId>(i);
        if (!setter_of(id)) continue;
        const features::Feature& f = features::feature(id);
        std::vector<std::uint32_t> values;
        if (f.kind == features::Kind::S) {
            for (std::uint32_t v = 0; v <= f.descriptor->option_count(); ++v) values.push_back(v);
        } else {
            values = {static_cast<std::uint32_t>(f.range->minimum),
                      static_cast<std::uint32_t>(f.range->maximum),
                      static_cast<std::uint32_t>(f.range->default_value), 0u};
        }
        for (const Configuration* c : {static_cast<const Configuration*>(nullptr), &config}) {
            for (std::uint32_t v : values) {
                Record record = start;
                ChangedList changed;
                {
                    Context context(record, changed, c);
                    setter_of(id)(context, v);
                    EXPECT_TRUE(context.visited().empty());
                }
                Record expected = start;
                expected.set_raw(id, v);
                EXPECT_EQ(record.raw(id), expected.raw(id)) << f.key << " = " << v;
                for (FieldAddress field : changed)
                    EXPECT_FALSE(std::ranges::equal(record.field(feature_at(record, field)),
                                                    start.field(feature_at(record, field))));
                ++runs;
            }
        }
    }
    EXPECT_GT(runs, 1000u);
}

TEST(Termination, EveryRuleTargetHasASetter) {
    for (const RuleEdge& edge : rule_edges()) {
        EXPECT_NE(setter_of(edge.source), nullptr);
        EXPECT_NE(setter_of(edge.target), nullptr);
    }
    EXPECT_GE(setter_count(), 100u);
}

}  // namespace
}  // namespace zenta::constraints
