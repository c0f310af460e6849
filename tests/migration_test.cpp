// Migration of records between layouts: the description of an old layout is made from this
// build's own description by editing entries (options reordered or renamed, fields widened,
// scales changed, features left out or added), the old record is laid out as that description
// says, and each value must arrive as the migrators define. Then the import of a plug-in
// devmode of another layout, with the description stored as printer data on both spoolers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "features/description.h"
#include "features/feature_table.h"
#include "features/migration.h"
#include "environment/devmode_migration.h"
#include "settings/layout_version.h"
#include "settings/record.h"
#include "support/printer_fixture.h"
#include "util/base64.h"
#include "util/byte_order.h"
#include "util/hex.h"

namespace zenta {
namespace {

using features::feature;
using features::FeatureId;
using features::MigrationResult;
using settings::Record;

constexpr std::uint32_t kOldVersion = 0x00C0FFEE;

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string_view::npos; start = end + 1)
        parts.emplace_back(text.substr(start, end - start));
    parts.emplace_back(text.substr(start));
    return parts;
}

std::string join(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) (i ? text += separator : text) += parts[i];
    return text;
}

std::string base64_with_nul(std::string text) {
    text.push_back('\0');
    return util::base64_encode({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The description of an old layout: this build's description, named kOldVersion, edited.
class OldLayout {
public:
    OldLayout() : fields_(split(features::describe_layout(settings::layout_version()), ' ')) {
        fields_[1] = util::hex_trimmed(kOldVersion);
    }

    std::string& field(std::size_t i) { return fields_.at(i); }
    std::string& entry(std::string_view key) { return fields_[position(key)]; }
    void replace(std::string_view key, std::string text) { entry(key) = std::move(text); }
    void remove(std::string_view key) {
        fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(position(key)));
    }
    void add(std::string text) { fields_.push_back(std::move(text)); }
    void insert_front(std::string text) { fields_.insert(fields_.begin() + 3, std::move(text)); }

    std::string text() const { return join(fields_, ' '); }
    std::string base64() const { return base64_with_nul(text()); }

private:
    std::size_t position(std::string_view key) const {
        for (std::size_t i = 3; i < fields_.size(); ++i)
            if (fields_[i].starts_with(std::string(key) + ':')) return i;
        ADD_FAILURE() << "no entry " << key;
        return 3;
    }
    std::vector<std::string> fields_;
};

// An old record: the fields at this layout's offsets, then fields the old description places
// behind them.
struct OldRecord {
    Record values = environment::default_record();
    std::vector<std::uint8_t> tail;

    std::uint32_t append(std::vector<std::uint8_t> bytes) {
        const auto offset = static_cast<std::uint32_t>(Record::kSize + tail.size());
        tail.insert(tail.end(), bytes.begin(), bytes.end());
        return offset;
    }
    std::uint32_t append_be(std::uint32_t value, std::uint32_t width) {
        std::vector<std::uint8_t> bytes(width);
        util::store_be(bytes.data(), width, value);
        return append(std::move(bytes));
    }
    std::vector<std::uint8_t> bytes(std::uint32_t version = kOldVersion) const {
        std::vector<std::uint8_t> all(values.bytes.begin(), values.bytes.end());
        util::store_be32(all.data(), version);
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    }
};

std::string entry(std::string_view key, std::uint32_t width, std::uint32_t count, std::uint32_t offset,
                  bool is_signed, std::string_view kind_and_data) {
    return std::string(key) + ':' + std::to_string(width) + ':' + std::to_string(count) + ':' +
           std::to_string(offset) + ':' + (is_signed ? "1" : "0") + ':' + std::string(kind_and_data);
}

// The selection entry of a feature with other option keywords.
std::string selection(std::string_view key, const std::vector<std::string>& keywords, std::uint32_t width = 1,
                      std::uint32_t offset = 0) {
    const auto& f = feature(*features::find_feature(key));
    return entry(key, width, 1, offset ? offset : f.offset, false, "S:" + join(keywords, ':'));
}

MigrationResult migrate(Record& current, const OldRecord& old, const OldLayout& layout) {
    return environment::migrate_record(current, old.bytes(), layout.base64());
}

// The entry of a feature at this layout's offset, with the old layout's width, sign and kind.
std::string entry_here(std::string_view key, std::uint32_t width, bool is_signed,
                       std::string_view kind_and_data) {
    return entry(key, width, 1, feature(*features::find_feature(key)).offset, is_signed, kind_and_data);
}

// The option keywords of this layout's entry for a selection.
std::vector<std::string> keywords_of(std::string_view key) {
    std::vector<std::string> parts = split(OldLayout().entry(key), ':');
    parts.erase(parts.begin(), parts.begin() + 6);
    return parts;
}

// One scalar field of a migration: the value in the old record, the value expected afterwards,
// the old layout's entry (empty: this layout's own) and the current value before (if set).
struct Field {
    std::string_view key;
    std::uint32_t old_value;
    std::uint32_t expected;
    std::string old_entry = {};
    std::optional<std::uint32_t> before = {};
};

FeatureId id_of(std::string_view key) { return *features::find_feature(key); }

// Applies every field to the layout, the old record and the current record (the defaults), migrates
// once and checks every field.
Record migrated(OldLayout layout, OldRecord old, const std::vector<Field>& fields,
                Record current = environment::default_record()) {
    for (const Field& f : fields) {
        if (!f.old_entry.empty()) layout.replace(f.key, f.old_entry);
        old.values.set_raw(id_of(f.key), f.old_value);
        if (f.before) current.set_raw(id_of(f.key), *f.before);
    }
    EXPECT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    for (const Field& f : fields) EXPECT_EQ(current.raw(id_of(f.key)), f.expected) << f.key;
    return current;
}

// ---- selections

TEST(MigrateSelections, AnOptionFollowsItsKeywordToItsNewIndex) {
    // The old PageSize table had A4 first and A3 second; Duplex listed True before False.
    std::vector<std::string> page_sizes = keywords_of("PageSize");
    std::swap(page_sizes[0], page_sizes[1]);
    const std::string sizes = selection("PageSize", page_sizes),
                      duplex = selection("Duplex", {"True", "False"});
    const Record a4 = migrated({}, {}, {{"PageSize", 0, 1, sizes}, {"Duplex", 0, 1, duplex}});
    EXPECT_EQ(a4.option(FeatureId::PageSize).keyword, "A4");
    // A3 and False; an unchanged table keeps the index.
    migrated({}, {}, {{"PageSize", 1, 0, sizes, 1}, {"Duplex", 1, 0, duplex, 1}, {"Orientation", 1, 1}});
}

TEST(MigrateSelections, AnUnknownOptionKeepsItsDistanceFromTheEndOfTheTable) {
    // Collate: the old table had "Sort", "Stack" (gone now) and "Group". Orientation: a table of
    // equal length whose second keyword no longer exists. Duplex: five old options, the middle
    // three gone. NUpCount: an unchanged table.
    const std::string collate = selection("Collate", {"Sort", "Stack", "Group"});
    const std::string duplex = selection("Duplex", {"False", "A", "B", "C", "True"});
    migrated({}, {},
             {{"Collate", 1, 0, collate},                                              // 2 - 3 + 1
              {"Orientation", 1, 1, selection("Orientation", {"Port", "Landscape"})},  // 2 - 2 + 1
              {"Duplex", 1, 0xFE, duplex},  // 2 - 5 + 1 = -2, kept as one byte
              {"NUpCount", 40, 40}});       // beyond the old table of 13: 13 - 13 + 40
    migrated({}, {},
             {{"Collate", 7, 6, collate},  // beyond the old table: 2 - 3 + 7
              {"Duplex", 4, 1, duplex}});  // True
}

TEST(MigrateSelections, OtherWidthsAndSignedFieldsAreNotRead) {
    // PageSize widened to two bytes in the old layout (this one has one); Duplex signed. Their
    // neighbours still migrate.
    OldRecord old;
    const std::uint32_t at = old.append_be(1, 2);
    migrated({}, old,
             {{"PageSize", 1, 5, selection("PageSize", keywords_of("PageSize"), 2, at), 5},
              {"Duplex", 0, 1, entry_here("Duplex", 1, true, "S:False:True"), 1},
              {"Orientation", 1, 1}});
}

TEST(MigrateSelections, StoredItemsAndProfileNumbersCarryTheirNumber) {
    // The 4-byte stored item selections and the 2-byte paper profile numbers have (almost) empty
    // tables: every stored number lies beyond them and is carried as it is.
    const std::uint32_t append = environment::default_record().raw(FeatureId::Append);
    migrated({}, {},
             {{"JobForm", 0x00012345, 0x00012345},
              {"Prepend", 0xFFFFFFFF, 0xFFFFFFFF, {}, 7},
              {"Append", append, append, {}, 9},
              {"MainPaperProfileIndex", 0x0102, 0x0102},
              {"PaperProfileIndexTray1", 0xBEEF, 0xBEEF},
              {"MainPaperProfileFavoriteSpecial", 0x0304, 0x0304}});
    // A 4-byte selection that was 2 bytes wide is not read.
    OldRecord old;
    const std::uint32_t at = old.append_be(0x0011, 2);
    migrated({}, old, {{"JobForm", 0x0011, 42, entry("JobForm", 2, 1, at, false, "S"), 42}});
}

// ---- ranges

TEST(MigrateRanges, ValuesAreRescaledToTheCurrentScale) {
    migrated(
        {}, {},
        {// Tenths of a millimetre into ten-thousandths: times 1000.
         {"CustomPageSizeWidth", 2100, 2100000, entry_here("CustomPageSizeWidth", 4, false, "R:10")},
         // Ten-millionths into ten-thousandths: divided by 1000, half up.
         {"CustomPageSizeHeight", 2970500, 2971, entry_here("CustomPageSizeHeight", 4, false, "R:10000000")},
         {"HorizontalOverlap", 2970499, 2970, entry_here("HorizontalOverlap", 4, false, "R:10000000")},
         // A font size in hundredths of a point, now in tenths (2 bytes): 1255 -> 125.5 -> 126.
         {"Tab1FontSize", 1255, 126, entry_here("Tab1FontSize", 2, false, "R:100")},
         {"Tab2FontSize", 1254, 125, entry_here("Tab2FontSize", 2, false, "R:100")},
         // An old scale of 0 counts as 1: the same as this layout's count of copies, and as 1
         // into a length in ten-thousandths.
         {"NumCopies", 12, 12, entry_here("NumCopies", 2, false, "R:0")},
         {"VerticalOverlap", 7, 70000, entry_here("VerticalOverlap", 4, false, "R:0")},
         // Rescaling keeps the low 32 bits.
         {"SlitPositionTop", 500000, static_cast<std::uint32_t>(500000ull * 10000),
          entry_here("SlitPositionTop", 4, false, "R:1")},
         // Equal scales keep the value.
         {"Zoom", 250, 250}});
}

TEST(MigrateRanges, OtherWidthsAreNotRead) {
    OldRecord old;
    const std::uint32_t at = old.append_be(300, 4);
    migrated({}, old,
             {{"Zoom", 300, 80, entry("Zoom", 4, 1, at, false, "R:1"), 80},
              {"Creep", 5, 99, entry_here("Creep", 2, true, "R:10000"), 99}});
}

TEST(MigrateRanges, FromASignedFieldOnlyValuesBelow1024AreCarried) {
    migrated(
        {}, {},
        {{"Gutter", 1023, 1023},
         {"Creep", 1024, 77, {}, 77},
         {"SlitMargin", static_cast<std::uint32_t>(-5), 66, {}, 66},
         // Scaled up past the limit: 200 whole units become 2000 tenths.
         {"TrimLineWidth", 200, 3, entry_here("TrimLineWidth", 4, true, "R:1"), 3},
         // A field that was unsigned in the old layout carries any value.
         {"CreasePosition1Value", 2500000, 2500000, entry_here("CreasePosition1Value", 4, false, "R:10000")},
         // Signed in the old layout, unsigned in this one: the same limit.
         {"CreasePosition2Value", 2500000, 55, entry_here("CreasePosition2Value", 4, true, "R:10000"), 55}});
}

// ---- texts and byte arrays

TEST(MigrateArrays, TextsAreCopiedAndTerminated) {
    OldLayout layout;
    OldRecord old;
    // A shorter old field without a NUL of its own.
    layout.replace("PageSizeName",
                   entry("PageSizeName", 1, 64, old.append(std::vector<std::uint8_t>(64, 'x')), true, "A"));
    // A field as long as the current one, full to its last byte: the last byte becomes NUL.
    const auto& target = feature(FeatureId::TargetPaperSizeName);
    std::fill_n(old.values.data() + target.offset, target.count, std::uint8_t{'y'});
    // A longer old field is not read, nor a text that was unsigned.
    const std::uint32_t long_at = old.append(std::vector<std::uint8_t>(30, 'z'));
    layout.replace("MainPaperProfileCustomMediaColorName",
                   entry("MainPaperProfileCustomMediaColorName", 1, 30, long_at, true, "A"));
    layout.replace("CustomMediaColorNameAuto", entry("CustomMediaColorNameAuto", 1, 21, 436, false, "A"));
    old.values.set_text(FeatureId::CustomMediaColorNameAuto, "Sky");
    // A text with an option table migrates as a text.
    old.values.set_text(FeatureId::RGBSourceProfile, "Custom RGB v2");

    Record current = environment::default_record();
    current.set_text(FeatureId::PageSizeName, std::string(100, 'q'));
    current.set_text(FeatureId::MainPaperProfileCustomMediaColorName, "Red");
    current.set_text(FeatureId::CustomMediaColorNameAuto, "Blue");
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);

    const auto name = current.field(FeatureId::PageSizeName);
    EXPECT_EQ(current.text(FeatureId::PageSizeName), std::string(64, 'x'));
    EXPECT_TRUE(std::all_of(name.begin() + 64, name.end(), [](std::uint8_t b) { return b == 0; }))
        << "the rest of the field is zero";
    EXPECT_EQ(current.text(FeatureId::TargetPaperSizeName), std::string(target.count - 1, 'y'));
    EXPECT_EQ(current.field(FeatureId::TargetPaperSizeName).back(), 0);
    EXPECT_EQ(current.text(FeatureId::MainPaperProfileCustomMediaColorName), "Red");
    EXPECT_EQ(current.text(FeatureId::CustomMediaColorNameAuto), "Blue");
    EXPECT_EQ(current.text(FeatureId::RGBSourceProfile), "Custom RGB v2");
}

TEST(MigrateArrays, ByteArraysAreCopiedAsTheyAre) {
    OldLayout layout;
    OldRecord old;
    // ChapterPages as long as now, non-zero to its last byte: nothing is forced.
    const auto chapters = old.values.field(FeatureId::ChapterPages);
    for (std::size_t i = 0; i < chapters.size(); ++i) chapters[i] = static_cast<std::uint8_t>(i + 1);
    // PageSpecificForms shorter in the old layout.
    std::vector<std::uint8_t> forms(100);
    for (std::size_t i = 0; i < forms.size(); ++i) forms[i] = static_cast<std::uint8_t>(0xA0 + i);
    layout.replace("PageSpecificForms", entry("PageSpecificForms", 1, 100, old.append(forms), false, "A"));
    // RelayServerSettings was a signed array: not read.
    layout.replace("RelayServerSettings", entry("RelayServerSettings", 1, 884, 26872, true, "A"));
    old.values.field(FeatureId::RelayServerSettings)[0] = 0x55;

    Record current = environment::default_record();
    std::fill_n(current.field(FeatureId::PageSpecificForms).begin(), 1028, std::uint8_t{0xEE});
    current.field(FeatureId::RelayServerSettings)[0] = 0x66;
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);

    EXPECT_TRUE(std::ranges::equal(chapters, current.field(FeatureId::ChapterPages)));
    EXPECT_EQ(current.field(FeatureId::ChapterPages).back(), 122);
    const auto migrated_forms = current.field(FeatureId::PageSpecificForms);
    EXPECT_TRUE(std::equal(forms.begin(), forms.end(), migrated_forms.begin()));
    EXPECT_TRUE(std::all_of(migrated_forms.begin() + 100, migrated_forms.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(current.field(FeatureId::RelayServerSettings)[0], 0x66);
}

// ---- features named or not

TEST(MigrateRecord, FeaturesTheOldLayoutLacksKeepTheirValues) {
    OldLayout layout;
    layout.remove("Zoom");  // added after the old layout
    layout.remove("PageSizeName");
    layout.add("RetiredSetting:1:1:9:0:S:Off:On");  // gone from this layout: ignored
    OldRecord old;
    old.values.set_text(FeatureId::PageSizeName, "Old");
    Record mine = environment::default_record();
    mine.set_text(FeatureId::PageSizeName, "Mine");
    const Record current = migrated(layout, old, {{"Zoom", 400, 150, {}, 150}, {"NumCopies", 3, 3}}, mine);
    EXPECT_EQ(current.text(FeatureId::PageSizeName), "Mine");
    EXPECT_EQ(current.raw(FeatureId::PageSize), mine.raw(FeatureId::PageSize));
}

TEST(MigrateRecord, EveryFeatureOfAnUnchangedLayoutIsCarried) {
    // The old record holds arbitrary bytes; with this layout's own entries, every field arrives
    // as the rule of its kind says, so no feature is left without a migrator.
    std::mt19937 random(20240611);
    std::vector<std::uint8_t> old(Record::kSize);
    for (auto& b : old) b = static_cast<std::uint8_t>(random());
    util::store_be32(old.data(), kOldVersion);
    Record current{};
    ASSERT_EQ(environment::migrate_record(current, old, OldLayout().base64()), MigrationResult::Migrated);
    EXPECT_EQ(current.version(), settings::layout_version());

    const features::ConstRecordBytes from(old.data(), Record::kSize);
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const auto id = static_cast<FeatureId>(i);
        const features::Feature& f = feature(id);
        SCOPED_TRACE(std::string(f.key));
        const std::uint32_t value = features::load_scalar(from, id);
        switch (f.kind) {
            case features::Kind::S: {
                const auto& d = *f.descriptor;
                const std::uint32_t expected =
                    value < d.option_count()
                        ? static_cast<std::uint32_t>(d.index_of(d.options[value].keyword))
                        : value;
                EXPECT_EQ(current.raw(id), expected);
                break;
            }
            case features::Kind::R:
                EXPECT_EQ(current.raw(id), f.is_signed && value >= 1024 ? 0u : value);
                break;
            case features::Kind::A: {
                std::vector<std::uint8_t> expected(old.begin() + f.offset, old.begin() + f.end());
                if (f.is_signed && !expected.empty()) expected.back() = 0;
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), current.field(id).begin()));
                break;
            }
        }
    }
}

// ---- the description's head and the old record's length

std::string edited(std::size_t field, std::string text) {
    OldLayout layout;
    layout.field(field) = std::move(text);
    return layout.base64();
}

TEST(MigrateRecord, ADescriptionThatDoesNotFitLeavesTheRecordAsItWas) {
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 0);
    Record before = environment::default_record();
    before.set_raw(FeatureId::Zoom, 123);
    const std::pair<std::string, const char*> descriptions[] = {
        {edited(0, "2"), "format 2"},
        {edited(2, std::to_string(Record::kSize + 1)), "declared size beyond the old record"},
        {edited(2, "27774x"), "size not a number"},
        {base64_with_nul("1 C0FFEE 27774"), "only three fields"},
        {"not*base64", "not base64"},
        {"", "empty"},
    };
    for (const auto& [description, what] : descriptions) {
        Record current = before;
        EXPECT_EQ(environment::migrate_record(current, old.bytes(), description),
                  MigrationResult::Undescribed)
            << what;
        EXPECT_TRUE(current == before) << what;
    }
    // The declared size equal to the old record's length is accepted.
    Record current = before;
    EXPECT_EQ(
        environment::migrate_record(current, old.bytes(), edited(2, std::to_string(old.bytes().size()))),
        MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);
}

TEST(MigrateRecord, AnOldRecordOfAnotherVersionBecomesTheDefaultRecord) {
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 0);
    OldLayout four;  // an old record of 4 bytes or fewer, with a description that declares no more
    four.field(2) = "4";
    const struct {
        std::vector<std::uint8_t> record;
        std::string description;
        const char* what;
    } cases[] = {
        {old.bytes(0x00C0FFEF), OldLayout().base64(), "another version"},
        {old.bytes(), edited(1, "C0FFEEX"), "a version that is not hexadecimal names no record"},
        {{0x00, 0xC0, 0xFF, 0xEE}, four.base64(), "the head only"},
    };
    for (const auto& c : cases) {
        Record current = environment::default_record();
        current.set_raw(FeatureId::Zoom, 123);
        EXPECT_EQ(environment::migrate_record(current, c.record, c.description), MigrationResult::Reset)
            << c.what;
        EXPECT_TRUE(current == environment::default_record()) << c.what;
    }
}

TEST(MigrateRecord, TheCurrentVersionIsWrittenAndASameLayoutIsNoMigration) {
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 0);
    Record current{};  // all zero
    EXPECT_EQ(environment::migrate_record(current, old.bytes(), edited(0, "9")),
              MigrationResult::Undescribed);
    EXPECT_EQ(current.version(), settings::layout_version()) << "written before the description is checked";
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);

    // This build's own description and record: carried, but not a migration.
    Record same = environment::default_record();
    same.set_raw(FeatureId::Duplex, 1);
    EXPECT_EQ(environment::migrate_record(same, old.bytes(settings::layout_version()),
                                          features::describe_layout_base64(settings::layout_version())),
              MigrationResult::SameLayout);
    EXPECT_EQ(same.raw(FeatureId::Duplex), 0u);
}

TEST(MigrateRecord, FieldsBeyondATruncatedOldRecordAreSkipped) {
    OldRecord old;
    old.values.set_raw(FeatureId::PageSize, 3);                // bytes 9
    old.values.set_raw(FeatureId::CustomPageSizeWidth, 1000);  // 10 to 13
    old.values.set_text(FeatureId::PageSizeName, "cut");       // 19 to 146
    old.values.set_raw(FeatureId::Orientation, 1);             // 147
    old.values.set_raw(FeatureId::InputSlot, 4);               // 148
    old.values.set_raw(FeatureId::MainPaperProfileIndex, 9);   // 149 and 150: straddles the end
    std::vector<std::uint8_t> bytes = old.bytes();
    bytes.resize(150);

    const Record before = environment::default_record();
    Record current = before;
    ASSERT_EQ(environment::migrate_record(current, bytes, edited(2, "150")), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::PageSize), 3u);
    EXPECT_EQ(current.raw(FeatureId::CustomPageSizeWidth), 1000u);
    EXPECT_EQ(current.text(FeatureId::PageSizeName), "cut");
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
    EXPECT_EQ(current.raw(FeatureId::InputSlot), 4u);
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const auto id = static_cast<FeatureId>(i);
        if (feature(id).end() > 150) {
            EXPECT_TRUE(std::ranges::equal(current.field(id), before.field(id))) << feature(id).key;
        }
    }
}

// ---- malformed descriptions

TEST(MigrateRecord, MalformedEntriesAreSkipped) {
    const std::vector<std::string> bad = {
        "Duplex:1:1:190",                   // too few parts
        "Duplex:1:1:190:0:Q:False:True",    // unknown kind
        "Duplex:x:1:190:0:S:False:True",    // width not a number
        "Duplex:1:1:-190:0:S:False:True",   // signed number
        "Duplex:1:1:190:2:S:False:True",    // signed flag neither 0 nor 1
        "Duplex:1:1:99999999999:0:S:True",  // beyond 32 bits
        "Duplex:1:1:4294967295:0:S:True",   // offset far beyond the record
        "Duplex:0:1:190:0:S:True",          // no width
        "Duplex:1:0:190:0:S:True",          // no elements
        ":1:1:190:0:S:True",                // no key
        "",                                 // two spaces in a row
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        OldLayout layout;
        layout.remove("Duplex");
        layout.insert_front(text);
        migrated(layout, {}, {{"Duplex", 0, 1, {}, 1}, {"Orientation", 1, 1}});
    }

    // Ranges need a scale; a field of 4 x 2^30 bytes does not wrap into the record. Of two
    // entries with one key, the first counts.
    OldLayout layout;
    layout.insert_front("Orientation:1:1:" + std::to_string(Record::kSize) + ":0:S:Port:Land");
    OldRecord old;
    old.append_be(0, 1);
    const Record d = environment::default_record();
    migrated(layout, old,
             {{"Zoom", 400, d.raw(FeatureId::Zoom), "Zoom:2:1:356:0:R"},
              {"NumCopies", 5, d.raw(FeatureId::NumCopies), "NumCopies:2:1:376:0:R:one"},
              {"CustomPageSizeWidth", 1, d.raw(FeatureId::CustomPageSizeWidth),
               "CustomPageSizeWidth:4:1073741824:10:0:R:10000"},
              {"CustomPageSizeHeight", 2, d.raw(FeatureId::CustomPageSizeHeight),
               "CustomPageSizeHeight:4294967295:4294967295:14:0:R:10000"},
              {"Orientation", 1, 0}});
}

TEST(MigrateRecord, DamagedDescriptionsAndRecordsNeverReadOutsideTheRecord) {
    const std::string original = OldLayout().text();
    const std::string alphabet = "0123456789: SRAx\xff-";
    std::mt19937 random(7);
    for (int round = 0; round < 150; ++round) {
        std::string text = original;
        const int edits = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < edits && !text.empty(); ++i) {
            const std::size_t at = random() % text.size();
            if (random() % 8 == 0)
                text.erase(at, random() % 64);
            else
                text[at] = alphabet[random() % alphabet.size()];
        }
        if (random() % 4 == 0 && !text.empty()) text.resize(random() % text.size());
        const std::size_t length = random() % 3 == 0 ? random() % 400 : Record::kSize + random() % 64;
        std::vector<std::uint8_t> old(length);
        for (auto& b : old) b = static_cast<std::uint8_t>(random());
        if (old.size() >= 4) util::store_be32(old.data(), kOldVersion);
        Record current = environment::default_record();
        environment::migrate_record(current, old, base64_with_nul(text));
        EXPECT_EQ(current.version(), settings::layout_version());
    }
}

// ---- validation after a migration

TEST(MigrateRecord, ValidationRepairsWhatThisLayoutCannotHold) {
    const std::string duplex = selection("Duplex", {"False", "True", "Auto"});
    // Beyond the old table: 2 - 3 + 6 = 5; tenths: 400.0 % -> 4000.
    migrated({}, {}, {{"Duplex", 6, 5, duplex}, {"Zoom", 4000, 400, entry_here("Zoom", 2, false, "R:10")}});

    Record current = migrated({}, {},
                              {{"Duplex", 6, 5, duplex},
                               {"Zoom", 4000, 4000, entry_here("Zoom", 2, false, "R:1")},
                               {"Orientation", 1, 1}});
    EXPECT_FALSE(environment::validate(current));
    EXPECT_EQ(current.raw(FeatureId::Duplex), feature(FeatureId::Duplex).descriptor->default_index);
    EXPECT_EQ(current.raw(FeatureId::Zoom),
              static_cast<std::uint32_t>(feature(FeatureId::Zoom).range->default_value));
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
}

// ---- the plug-in devmode of another layout

constexpr std::uint32_t kSignature = 0x5A545156;

std::vector<std::uint8_t> plugin_block(const std::vector<std::uint8_t>& record,
                                       std::uint32_t version = kOldVersion) {
    std::vector<std::uint8_t> block(26, 0);
    util::store_le32(block.data(), static_cast<std::uint32_t>(block.size() + record.size()));
    util::store_le32(block.data() + 4, kSignature);
    util::store_le32(block.data() + 8, version);
    util::store_le32(block.data() + 12, 0xFFFFFFFFu);
    util::store_le32(block.data() + 16, 14);
    block.insert(block.end(), record.begin(), record.end());
    return block;
}

// The block with the 32-bit header field at `at` changed.
std::vector<std::uint8_t> patched(std::vector<std::uint8_t> block, std::size_t at, std::uint32_t value) {
    util::store_le32(block.data() + at, value);
    return block;
}

std::vector<abi::BYTE> text_bytes(const std::string& text, bool nul = true) {
    std::vector<abi::BYTE> bytes(text.begin(), text.end());
    if (nul) bytes.push_back(0);
    return bytes;
}

TEST(ForeignBlock, ValueNameAndRecordBounds) {
    EXPECT_EQ(environment::description_value_name(0x00C0FFEE), u"CoreDataDescription.C0FFEE");
    EXPECT_EQ(environment::description_value_name(0x1634B5DF), u"CoreDataDescription.1634B5DF");
    EXPECT_EQ(environment::description_value_name(0x0B), u"CoreDataDescription.0B");

    // A 26-byte header (size, signature, version, extension marker and the extension's length)
    // before a record of 100 bytes; one header field changed per case.
    const std::vector<std::uint8_t> good = plugin_block(std::vector<std::uint8_t>(100, 0xAB));
    // Each case: the field changed and its value, the bytes handed over, where the record begins
    // (0: no record found) and its length.
    const struct {
        std::size_t at;
        std::uint32_t value;
        std::size_t given, start, length;
        const char* what;
    } cases[] = {
        {0, 126, 126, 26, 100, "as written"},
        {0, 0xFFFFFFFFu, 126, 26, 100, "a size beyond the bytes given is bounded by them"},
        {0, 60, 126, 26, 34, "a smaller size cuts the record"},
        {0, 27, 126, 26, 1, "27 bytes"},
        {0, 26, 126, 0, 0, "below 27 bytes"},
        {12, 0, 126, 12, 114, "without the extension marker the record follows the first 12 bytes"},
        {16, 114, 126, 0, 0, "an extension that reaches the end of the block"},
        {16, 113, 126, 125, 1, "an extension that leaves one byte"},
        {16, 0xFFFFFFF8u, 126, 0, 0, "an extension far beyond the block"},
        {4, kSignature + 1, 126, 0, 0, "another signature"},
        {0, 126, 11, 0, 0, "fewer bytes than the header"},
        {0, 126, 18, 0, 0, "marker without its length"},
        {0, 126, 26, 0, 0, "the header only"},
        {0, 126, 27, 26, 1, "one byte of record"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::uint8_t> block = patched(good, c.at, c.value);
        const auto found = environment::locate_foreign_record(std::span(block).first(c.given));
        ASSERT_EQ(found.has_value(), c.start != 0);
        if (!found) continue;
        EXPECT_EQ(found->layout_version, kOldVersion);
        EXPECT_EQ(found->record.data(), block.data() + c.start);
        EXPECT_EQ(found->record.size(), c.length);
    }
    EXPECT_FALSE(environment::locate_foreign_record({}));
}

class DevmodeMigration : public test::SpoolerTest {
protected:
    void TearDown() override {
        connection_ = {};  // closed while its printer still exists
        SpoolerTest::TearDown();
    }

    // A printer holding the description of the old layout under its name.
    abi::HANDLE printer_with(const std::u16string& name, const std::vector<abi::BYTE>& value,
                             abi::DWORD type = abi::REG_BINARY) {
        if (!printers().add_printer(name) ||
            !printers().set_value(name, environment::description_value_name(kOldVersion), type, value)) {
            ADD_FAILURE() << printers().error();
            return nullptr;
        }
        connection_ = environment::PrinterConnection::open(name);
        return connection_.handle();
    }
    bool set_description(const std::u16string& name, const std::vector<abi::BYTE>& value) {
        return printers().set_binary(name, environment::description_value_name(kOldVersion), value);
    }

    // An old layout in which Duplex listed True first and Orientation had a third option.
    static std::string old_layout() {
        OldLayout layout;
        layout.replace("Duplex", selection("Duplex", {"True", "False"}));
        layout.replace("Orientation", selection("Orientation", {"Port", "Land", "Seascape"}));
        return layout.base64();
    }
    static std::vector<std::uint8_t> old_record(std::uint32_t version = kOldVersion) {
        OldRecord old;
        old.values.set_raw(FeatureId::Duplex, 1);       // False
        old.values.set_raw(FeatureId::Orientation, 2);  // Seascape: 2 - 3 + 2 = 1
        old.values.set_raw(FeatureId::NUpCount, 99);    // out of range: repaired
        old.values.set_raw(FeatureId::Zoom, 321);
        return old.bytes(version);
    }
    // The default record after importing the block, which must succeed.
    static Record imported(abi::HANDLE printer, const std::vector<std::uint8_t>& block) {
        Record current = environment::default_record();
        EXPECT_TRUE(environment::migrate_plugin_devmode(current, printer, block));
        return current;
    }
    // A record that an import of the block must leave as it was.
    static void not_imported(abi::HANDLE printer, const std::vector<std::uint8_t>& block, const char* what) {
        Record before = environment::default_record();
        before.set_raw(FeatureId::Zoom, 77);
        Record current = before;
        EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block)) << what;
        EXPECT_TRUE(current == before) << what;
    }

    environment::PrinterConnection connection_;
};

TEST_P(DevmodeMigration, TheDescriptionStoredForTheBlocksLayoutDrivesTheMigration) {
    const abi::HANDLE printer = printer_with(u"Zenta Migration Stored Description", text_bytes(old_layout()));
    ASSERT_TRUE(printer);
    const Record current = imported(printer, plugin_block(old_record()));
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);
    EXPECT_EQ(current.raw(FeatureId::NUpCount), feature(FeatureId::NUpCount).descriptor->default_index)
        << "validated after the migration";
    EXPECT_EQ(current.version(), settings::layout_version());

    // A block that claims more bytes than it has is read within what it has.
    const std::vector<std::uint8_t> block = patched(plugin_block(old_record()), 0, 0xFFFFFFF0u);
    EXPECT_EQ(imported(printer, block).raw(FeatureId::Zoom), 321u);

    // Without the extension marker the record starts after 12 bytes.
    std::vector<std::uint8_t> short_header(block.begin(), block.begin() + 12);
    const std::vector<std::uint8_t> bytes = old_record();
    short_header.insert(short_header.end(), bytes.begin(), bytes.end());
    util::store_le32(short_header.data(), static_cast<std::uint32_t>(short_header.size()));
    EXPECT_EQ(imported(printer, short_header).raw(FeatureId::Zoom), 321u);
}

TEST_P(DevmodeMigration, TheTextEndsAtTheFirstNul) {
    std::vector<abi::BYTE> value = text_bytes(old_layout());
    value.insert(value.end(), {'#', '#', 0, 1, 2});
    const abi::HANDLE printer = printer_with(u"Zenta Migration Text Ends At Nul", value);
    ASSERT_TRUE(printer);
    EXPECT_EQ(imported(printer, plugin_block(old_record())).raw(FeatureId::Zoom), 321u);

    // Without any NUL the whole value is the text.
    ASSERT_TRUE(set_description(u"Zenta Migration Text Ends At Nul", text_bytes(old_layout(), false)));
    EXPECT_EQ(imported(printer, plugin_block(old_record())).raw(FeatureId::Zoom), 321u);
}

TEST_P(DevmodeMigration, OnlyANonEmptyBinaryValueIsADescription) {
    const std::u16string name = u"Zenta Migration Value Types";
    const abi::HANDLE printer = printer_with(name, text_bytes(old_layout()), abi::REG_SZ);
    ASSERT_TRUE(printer);
    const std::vector<std::uint8_t> block = plugin_block(old_record());
    not_imported(printer, block, "REG_SZ");
    ASSERT_TRUE(set_description(name, {}));
    not_imported(printer, block, "empty");
    ASSERT_TRUE(set_description(name, {0, 'M', 'S', 'A'}));
    not_imported(printer, block, "empty text");

    // A value for another layout is not looked at.
    ASSERT_TRUE(set_description(name, text_bytes(old_layout())));
    not_imported(printer, plugin_block(old_record(0xC0FFEF), 0xC0FFEF), "another layout");
    not_imported(nullptr, block, "no printer");
    EXPECT_EQ(imported(printer, block).raw(FeatureId::Zoom), 321u);
}

TEST_P(DevmodeMigration, LyingHeadersAreReadWithinTheBytesGiven) {
    const abi::HANDLE printer = printer_with(u"Zenta Migration Lying Headers", text_bytes(old_layout()));
    ASSERT_TRUE(printer);
    const std::vector<std::uint8_t> good = plugin_block(old_record());
    not_imported(printer, patched(good, 16, 0x7FFFFFFF), "extension beyond the block");
    not_imported(printer, patched(good, 0, 26), "size below 27");
    not_imported(printer, patched(good, 0, 26 + 27000),
                 "size that cuts the record below the declared record size");
    not_imported(printer, {good.begin(), good.begin() + 26 + 27000},
                 "fewer bytes given than the description declares");
    not_imported(printer, patched(good, 4, kSignature ^ 1), "signature");
    not_imported(printer, {good.begin(), good.begin() + 20}, "header only");
    not_imported(printer, {}, "nothing");

    // The old record whose head names another version: the defaults.
    std::vector<std::uint8_t> block = good;
    block[26 + 3] ^= 1;
    Record current = environment::default_record();
    current.set_raw(FeatureId::Zoom, 77);
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block));
    EXPECT_TRUE(current == environment::default_record());
}

INSTANTIATE_TEST_SUITE_P(Spoolers, DevmodeMigration, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

}  // namespace
}  // namespace zenta
