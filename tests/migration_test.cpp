// Migration of records between layouts: the description of an old layout is made from this
// build's own description by editing entries (options reordered or renamed, fields widened,
// scales changed, features left out or added), the old record is laid out as that description
// says, and each value must arrive as the migrators define. Then the import of a plug-in
// devmode of another layout, with the description stored as printer data on both spoolers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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
    for (const std::string& part : parts) {
        if (!text.empty() || &part != &parts.front()) text += separator;
        text += part;
    }
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
    void remove(std::string_view key) { fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(position(key))); }
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

// ---- selections

TEST(MigrateSelections, AnOptionFollowsItsKeywordToItsNewIndex) {
    OldLayout layout;
    // The old PageSize table had A4 first and A3 second; Duplex listed True before False.
    std::vector<std::string> page_sizes = split(layout.entry("PageSize"), ':');
    page_sizes.erase(page_sizes.begin(), page_sizes.begin() + 6);
    std::swap(page_sizes[0], page_sizes[1]);
    layout.replace("PageSize", selection("PageSize", page_sizes));
    layout.replace("Duplex", selection("Duplex", {"True", "False"}));

    OldRecord old;
    old.values.set_raw(FeatureId::PageSize, 0);  // A4 in the old table
    old.values.set_raw(FeatureId::Duplex, 0);    // True in the old table
    Record current = environment::default_record();
    EXPECT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::PageSize), 1u);
    EXPECT_EQ(current.option(FeatureId::PageSize).keyword, "A4");
    EXPECT_EQ(current.raw(FeatureId::Duplex), 1u);

    old.values.set_raw(FeatureId::PageSize, 1);   // A3
    old.values.set_raw(FeatureId::Duplex, 1);     // False
    old.values.set_raw(FeatureId::Orientation, 1);  // an unchanged table keeps the index
    EXPECT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::PageSize), 0u);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
}

TEST(MigrateSelections, AnUnknownOptionKeepsItsDistanceFromTheEndOfTheTable) {
    OldLayout layout;
    // Collate: the old table had "Sort", "Stack" (gone now) and "Group".
    layout.replace("Collate", selection("Collate", {"Sort", "Stack", "Group"}));
    // Orientation: a table of equal length whose second keyword no longer exists.
    layout.replace("Orientation", selection("Orientation", {"Port", "Landscape"}));
    // Duplex: five old options, the middle three gone.
    layout.replace("Duplex", selection("Duplex", {"False", "A", "B", "C", "True"}));
    // NUpCount: an unchanged table.

    OldRecord old;
    old.values.set_raw(FeatureId::Collate, 1);      // 2 - 3 + 1 = 0
    old.values.set_raw(FeatureId::Orientation, 1);  // 2 - 2 + 1 = 1
    old.values.set_raw(FeatureId::Duplex, 1);       // 2 - 5 + 1 = -2, kept as one byte
    old.values.set_raw(FeatureId::NUpCount, 40);    // beyond the old table of 13: 13 - 13 + 40
    Record current = environment::default_record();
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Collate), 0u);
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0xFEu);
    EXPECT_EQ(current.raw(FeatureId::NUpCount), 40u);

    old.values.set_raw(FeatureId::Collate, 7);  // beyond the old table: 2 - 3 + 7
    old.values.set_raw(FeatureId::Duplex, 4);   // True
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Collate), 6u);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 1u);
}

TEST(MigrateSelections, OtherWidthsAndSignedFieldsAreNotRead) {
    OldLayout layout;
    OldRecord old;
    // PageSize widened to two bytes in the old layout (this one has one); Duplex signed.
    const std::uint32_t at = old.append_be(1, 2);
    std::vector<std::string> page_sizes = split(layout.entry("PageSize"), ':');
    page_sizes.erase(page_sizes.begin(), page_sizes.begin() + 6);
    layout.replace("PageSize", selection("PageSize", page_sizes, 2, at));
    layout.replace("Duplex", entry("Duplex", 1, 1, 190, true, "S:False:True"));
    old.values.set_raw(FeatureId::Duplex, 0);
    old.values.set_raw(FeatureId::Orientation, 1);

    Record current = environment::default_record();
    current.set_raw(FeatureId::PageSize, 5);
    current.set_raw(FeatureId::Duplex, 1);
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::PageSize), 5u);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 1u);
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u) << "its neighbours still migrate";
}

TEST(MigrateSelections, StoredItemsAndProfileNumbersCarryTheirNumber) {
    // The 4-byte stored item selections and the 2-byte paper profile numbers have (almost) empty
    // tables: every stored number lies beyond them and is carried as it is.
    OldLayout layout;
    OldRecord old;
    old.values.set_raw(FeatureId::JobForm, 0x00012345);
    old.values.set_raw(FeatureId::Prepend, 0xFFFFFFFF);
    old.values.set_raw(FeatureId::MainPaperProfileIndex, 0x0102);
    old.values.set_raw(FeatureId::PaperProfileIndexTray1, 0xBEEF);
    old.values.set_raw(FeatureId::MainPaperProfileFavoriteSpecial, 0x0304);
    Record current = environment::default_record();
    current.set_raw(FeatureId::Prepend, 7);
    current.set_raw(FeatureId::Append, 9);
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::JobForm), 0x00012345u);
    EXPECT_EQ(current.raw(FeatureId::Prepend), 0xFFFFFFFFu);
    EXPECT_EQ(current.raw(FeatureId::Append), old.values.raw(FeatureId::Append));
    EXPECT_EQ(current.raw(FeatureId::MainPaperProfileIndex), 0x0102u);
    EXPECT_EQ(current.raw(FeatureId::PaperProfileIndexTray1), 0xBEEFu);
    EXPECT_EQ(current.raw(FeatureId::MainPaperProfileFavoriteSpecial), 0x0304u);

    // A 4-byte selection that was 2 bytes wide is not read.
    const std::uint32_t at = old.append_be(0x0011, 2);
    layout.replace("JobForm", entry("JobForm", 2, 1, at, false, "S"));
    current.set_raw(FeatureId::JobForm, 42);
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::JobForm), 42u);
}

// ---- ranges

TEST(MigrateRanges, ValuesAreRescaledToTheCurrentScale) {
    OldLayout layout;
    OldRecord old;
    // Tenths of a millimetre into ten-thousandths: times 1000.
    layout.replace("CustomPageSizeWidth", entry("CustomPageSizeWidth", 4, 1, 10, false, "R:10"));
    old.values.set_raw(FeatureId::CustomPageSizeWidth, 2100);
    // Ten-millionths into ten-thousandths: divided by 1000, half up.
    layout.replace("CustomPageSizeHeight", entry("CustomPageSizeHeight", 4, 1, 14, false, "R:10000000"));
    old.values.set_raw(FeatureId::CustomPageSizeHeight, 2970500);
    layout.replace("HorizontalOverlap", entry("HorizontalOverlap", 4, 1, 209, false, "R:10000000"));
    old.values.set_raw(FeatureId::HorizontalOverlap, 2970499);
    // A font size in hundredths of a point, now in tenths (2 bytes): 1255 -> 125.5 -> 126.
    layout.replace("Tab1FontSize", entry("Tab1FontSize", 2, 1, 19593, false, "R:100"));
    old.values.set_raw(FeatureId::Tab1FontSize, 1255);
    layout.replace("Tab2FontSize", entry("Tab2FontSize", 2, 1, feature(FeatureId::Tab2FontSize).offset, false,
                                         "R:100"));
    old.values.set_raw(FeatureId::Tab2FontSize, 1254);
    // An old scale of 0 counts as 1: the same as this layout's count of copies.
    layout.replace("NumCopies", entry("NumCopies", 2, 1, 376, false, "R:0"));
    old.values.set_raw(FeatureId::NumCopies, 12);
    // ... and as 1 into a length in ten-thousandths.
    layout.replace("VerticalOverlap", entry("VerticalOverlap", 4, 1, 213, false, "R:0"));
    old.values.set_raw(FeatureId::VerticalOverlap, 7);
    // Rescaling keeps the low 32 bits.
    layout.replace("SlitPositionTop", entry("SlitPositionTop", 4, 1, 403, false, "R:1"));
    old.values.set_raw(FeatureId::SlitPositionTop, 500000);
    // Equal scales keep the value.
    old.values.set_raw(FeatureId::Zoom, 250);

    Record current = environment::default_record();
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::CustomPageSizeWidth), 2100000u);
    EXPECT_EQ(current.raw(FeatureId::CustomPageSizeHeight), 2971u);
    EXPECT_EQ(current.raw(FeatureId::HorizontalOverlap), 2970u);
    EXPECT_EQ(current.raw(FeatureId::Tab1FontSize), 126u);
    EXPECT_EQ(current.raw(FeatureId::Tab2FontSize), 125u);
    EXPECT_EQ(current.raw(FeatureId::NumCopies), 12u);
    EXPECT_EQ(current.raw(FeatureId::VerticalOverlap), 70000u);
    EXPECT_EQ(current.raw(FeatureId::SlitPositionTop), static_cast<std::uint32_t>(500000ull * 10000));
    EXPECT_EQ(current.raw(FeatureId::Zoom), 250u);
}

TEST(MigrateRanges, OtherWidthsAreNotRead) {
    OldLayout layout;
    OldRecord old;
    const std::uint32_t at = old.append_be(300, 4);
    layout.replace("Zoom", entry("Zoom", 4, 1, at, false, "R:1"));
    layout.replace("Creep", entry("Creep", 2, 1, 198, true, "R:10000"));
    old.values.set_raw(FeatureId::Creep, 5);
    Record current = environment::default_record();
    current.set_raw(FeatureId::Zoom, 80);
    current.set_raw(FeatureId::Creep, 99);
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Zoom), 80u);
    EXPECT_EQ(current.raw(FeatureId::Creep), 99u);
}

TEST(MigrateRanges, FromASignedFieldOnlyValuesBelow1024AreCarried) {
    OldLayout layout;
    OldRecord old;
    old.values.set_raw(FeatureId::Gutter, 1023);
    old.values.set_raw(FeatureId::Creep, 1024);
    old.values.set_raw(FeatureId::SlitMargin, static_cast<std::uint32_t>(-5));
    // Scaled up past the limit: 200 whole units become 2000 tenths.
    layout.replace("TrimLineWidth", entry("TrimLineWidth", 4, 1, 24561, true, "R:1"));
    old.values.set_raw(FeatureId::TrimLineWidth, 200);
    // A field that was unsigned in the old layout carries any value.
    layout.replace("CreasePosition1Value", entry("CreasePosition1Value", 4, 1, 417, false, "R:10000"));
    old.values.set_raw(FeatureId::CreasePosition1Value, 2500000);
    // Signed in the old layout, unsigned in this one: the same limit.
    layout.replace("CreasePosition2Value", entry("CreasePosition2Value", 4, 1, 421, true, "R:10000"));
    old.values.set_raw(FeatureId::CreasePosition2Value, 2500000);

    Record current = environment::default_record();
    current.set_raw(FeatureId::Creep, 77);
    current.set_raw(FeatureId::SlitMargin, 66);
    current.set_raw(FeatureId::TrimLineWidth, 3);
    current.set_raw(FeatureId::CreasePosition2Value, 55);
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.number(FeatureId::Gutter), 1023);
    EXPECT_EQ(current.raw(FeatureId::Creep), 77u);
    EXPECT_EQ(current.raw(FeatureId::SlitMargin), 66u);
    EXPECT_EQ(current.raw(FeatureId::TrimLineWidth), 3u);
    EXPECT_EQ(current.raw(FeatureId::CreasePosition1Value), 2500000u);
    EXPECT_EQ(current.raw(FeatureId::CreasePosition2Value), 55u);
}

// ---- texts and byte arrays

TEST(MigrateArrays, TextsAreCopiedAndTerminated) {
    OldLayout layout;
    OldRecord old;
    // A shorter old field without a NUL of its own.
    const std::uint32_t short_at = old.append(std::vector<std::uint8_t>(64, 'x'));
    layout.replace("PageSizeName", entry("PageSizeName", 1, 64, short_at, true, "A"));
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

    EXPECT_TRUE(std::equal(chapters.begin(), chapters.end(), current.field(FeatureId::ChapterPages).begin()));
    EXPECT_EQ(current.field(FeatureId::ChapterPages).back(), 122);
    const auto migrated_forms = current.field(FeatureId::PageSpecificForms);
    EXPECT_TRUE(std::equal(forms.begin(), forms.end(), migrated_forms.begin()));
    EXPECT_TRUE(std::all_of(migrated_forms.begin() + 100, migrated_forms.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(current.field(FeatureId::RelayServerSettings)[0], 0x66);
}

// ---- features named or not

TEST(MigrateRecord, FeaturesTheOldLayoutLacksKeepTheirValues) {
    OldLayout layout;
    layout.remove("Zoom");           // added after the old layout
    layout.remove("PageSizeName");
    layout.add("RetiredSetting:1:1:9:0:S:Off:On");  // gone from this layout: ignored
    OldRecord old;
    old.values.set_raw(FeatureId::Zoom, 400);
    old.values.set_text(FeatureId::PageSizeName, "Old");
    old.values.set_raw(FeatureId::NumCopies, 3);

    Record current = environment::default_record();
    current.set_raw(FeatureId::Zoom, 150);
    current.set_text(FeatureId::PageSizeName, "Mine");
    const std::uint8_t page_size = current.field(FeatureId::PageSize)[0];
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Zoom), 150u);
    EXPECT_EQ(current.text(FeatureId::PageSizeName), "Mine");
    EXPECT_EQ(current.raw(FeatureId::NumCopies), 3u);
    EXPECT_EQ(current.field(FeatureId::PageSize)[0], page_size);
}

TEST(MigrateRecord, EveryFeatureOfAnUnchangedLayoutIsCarried) {
    // The old record holds arbitrary bytes; with this layout's own entries, every field arrives
    // as the rule of its kind says, so no feature is left without a migrator.
    OldLayout layout;
    std::mt19937 random(20240611);
    std::vector<std::uint8_t> old(Record::kSize);
    for (auto& b : old) b = static_cast<std::uint8_t>(random());
    util::store_be32(old.data(), kOldVersion);
    Record current{};
    ASSERT_EQ(environment::migrate_record(current, old, layout.base64()), MigrationResult::Migrated);
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
                    value < d.option_count() ? static_cast<std::uint32_t>(d.index_of(d.options[value].keyword)) : value;
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

TEST(MigrateRecord, ADescriptionThatDoesNotFitLeavesTheRecordAsItWas) {
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 0);
    Record before = environment::default_record();
    before.set_raw(FeatureId::Zoom, 123);

    const auto untouched = [&](const OldLayout& layout, const std::vector<std::uint8_t>& bytes,
                               const char* what) {
        Record current = before;
        EXPECT_EQ(environment::migrate_record(current, bytes, layout.base64()), MigrationResult::Undescribed) << what;
        EXPECT_TRUE(current == before) << what;
    };
    {
        OldLayout layout;
        layout.field(0) = "2";
        untouched(layout, old.bytes(), "format 2");
    }
    {
        OldLayout layout;
        layout.field(2) = std::to_string(Record::kSize + 1);
        untouched(layout, old.bytes(), "declared size beyond the old record");
        layout.field(2) = "27774x";
        untouched(layout, old.bytes(), "size not a number");
    }
    {
        // Only three fields.
        Record current = before;
        EXPECT_EQ(environment::migrate_record(current, old.bytes(), base64_with_nul("1 C0FFEE 27774")),
                  MigrationResult::Undescribed);
        EXPECT_TRUE(current == before);
        EXPECT_EQ(environment::migrate_record(current, old.bytes(), "not*base64"), MigrationResult::Undescribed);
        EXPECT_TRUE(current == before);
        EXPECT_EQ(environment::migrate_record(current, old.bytes(), ""), MigrationResult::Undescribed);
        EXPECT_TRUE(current == before);
    }
    // The declared size equal to the old record's length is accepted.
    OldLayout layout;
    layout.field(2) = std::to_string(old.bytes().size());
    Record current = before;
    EXPECT_EQ(environment::migrate_record(current, old.bytes(), layout.base64()), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);
}

TEST(MigrateRecord, AnOldRecordOfAnotherVersionBecomesTheDefaultRecord) {
    OldLayout layout;
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 0);
    Record current = environment::default_record();
    current.set_raw(FeatureId::Zoom, 123);
    EXPECT_EQ(environment::migrate_record(current, old.bytes(0x00C0FFEF), layout.base64()), MigrationResult::Reset);
    EXPECT_TRUE(current == environment::default_record());

    current.set_raw(FeatureId::Zoom, 123);
    layout.field(1) = "C0FFEEX";  // not hexadecimal: names no record
    EXPECT_EQ(environment::migrate_record(current, old.bytes(), layout.base64()), MigrationResult::Reset);
    EXPECT_TRUE(current == environment::default_record());

    // An old record of 4 bytes or fewer, with a description that declares no more.
    layout.field(1) = "C0FFEE";
    layout.field(2) = "4";
    const std::vector<std::uint8_t> head = {0x00, 0xC0, 0xFF, 0xEE};
    current.set_raw(FeatureId::Zoom, 123);
    EXPECT_EQ(environment::migrate_record(current, head, layout.base64()), MigrationResult::Reset);
    EXPECT_TRUE(current == environment::default_record());
}

TEST(MigrateRecord, TheCurrentVersionIsWrittenAndASameLayoutIsNoMigration) {
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 0);
    Record current{};  // all zero
    OldLayout layout;
    layout.field(0) = "9";
    EXPECT_EQ(environment::migrate_record(current, old.bytes(), layout.base64()), MigrationResult::Undescribed);
    EXPECT_EQ(current.version(), settings::layout_version()) << "written before the description is checked";
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);

    // This build's own description and record: carried, but not a migration.
    Record same = environment::default_record();
    same.set_raw(FeatureId::Duplex, 1);
    const auto own = old.bytes(settings::layout_version());
    EXPECT_EQ(environment::migrate_record(same, own,
                                       features::describe_layout_base64(settings::layout_version())),
              MigrationResult::SameLayout);
    EXPECT_EQ(same.raw(FeatureId::Duplex), 0u);
}

TEST(MigrateRecord, FieldsBeyondATruncatedOldRecordAreSkipped) {
    OldLayout layout;
    layout.field(2) = "150";
    OldRecord old;
    old.values.set_raw(FeatureId::PageSize, 3);                // bytes 9
    old.values.set_raw(FeatureId::CustomPageSizeWidth, 1000);  // 10 to 13
    old.values.set_text(FeatureId::PageSizeName, "cut");       // 19 to 146
    old.values.set_raw(FeatureId::Orientation, 1);             // 147
    old.values.set_raw(FeatureId::InputSlot, 4);               // 148
    old.values.set_raw(FeatureId::MainPaperProfileIndex, 9);   // 149 and 150: straddles the end
    std::vector<std::uint8_t> bytes = old.bytes();
    bytes.resize(150);

    Record current = environment::default_record();
    const Record before = current;
    ASSERT_EQ(environment::migrate_record(current, bytes, layout.base64()), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::PageSize), 3u);
    EXPECT_EQ(current.raw(FeatureId::CustomPageSizeWidth), 1000u);
    EXPECT_EQ(current.text(FeatureId::PageSizeName), "cut");
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
    EXPECT_EQ(current.raw(FeatureId::InputSlot), 4u);
    EXPECT_EQ(current.raw(FeatureId::MainPaperProfileIndex), before.raw(FeatureId::MainPaperProfileIndex));
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
        "Duplex:1:1:190",                  // too few parts
        "Duplex:1:1:190:0:Q:False:True",   // unknown kind
        "Duplex:x:1:190:0:S:False:True",   // width not a number
        "Duplex:1:1:-190:0:S:False:True",  // signed number
        "Duplex:1:1:190:2:S:False:True",   // signed flag neither 0 nor 1
        "Duplex:1:1:99999999999:0:S:True",  // beyond 32 bits
        "Duplex:1:1:4294967295:0:S:True",  // offset far beyond the record
        "Duplex:0:1:190:0:S:True",         // no width
        "Duplex:1:0:190:0:S:True",         // no elements
        ":1:1:190:0:S:True",               // no key
        "",                                // two spaces in a row
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        OldLayout layout;
        layout.remove("Duplex");
        layout.insert_front(text);
        OldRecord old;
        old.values.set_raw(FeatureId::Duplex, 0);
        old.values.set_raw(FeatureId::Orientation, 1);
        Record current = environment::default_record();
        current.set_raw(FeatureId::Duplex, 1);
        ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
        EXPECT_EQ(current.raw(FeatureId::Duplex), 1u);
        EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
    }

    // Ranges need a scale; a field of 4 x 2^30 bytes does not wrap into the record.
    OldLayout layout;
    layout.replace("Zoom", "Zoom:2:1:356:0:R");
    layout.replace("NumCopies", "NumCopies:2:1:376:0:R:one");
    layout.replace("CustomPageSizeWidth", "CustomPageSizeWidth:4:1073741824:10:0:R:10000");
    layout.replace("CustomPageSizeHeight", "CustomPageSizeHeight:4294967295:4294967295:14:0:R:10000");
    // Of two entries with one key, the first counts.
    layout.insert_front("Orientation:1:1:" + std::to_string(Record::kSize) + ":0:S:Port:Land");
    OldRecord old;
    old.append_be(0, 1);
    old.values.set_raw(FeatureId::Orientation, 1);
    old.values.set_raw(FeatureId::Zoom, 400);
    old.values.set_raw(FeatureId::NumCopies, 5);
    old.values.set_raw(FeatureId::CustomPageSizeWidth, 1);
    old.values.set_raw(FeatureId::CustomPageSizeHeight, 2);
    Record current = environment::default_record();
    const Record before = current;
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Zoom), before.raw(FeatureId::Zoom));
    EXPECT_EQ(current.raw(FeatureId::NumCopies), before.raw(FeatureId::NumCopies));
    EXPECT_EQ(current.raw(FeatureId::CustomPageSizeWidth), before.raw(FeatureId::CustomPageSizeWidth));
    EXPECT_EQ(current.raw(FeatureId::CustomPageSizeHeight), before.raw(FeatureId::CustomPageSizeHeight));
    EXPECT_EQ(current.raw(FeatureId::Orientation), 0u);
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
    OldLayout layout;
    layout.replace("Duplex", selection("Duplex", {"False", "True", "Auto"}));
    layout.replace("Zoom", entry("Zoom", 2, 1, 356, false, "R:10"));  // tenths: 400.0 % -> 4000
    OldRecord old;
    old.values.set_raw(FeatureId::Duplex, 6);  // beyond the old table: 2 - 3 + 6 = 5
    old.values.set_raw(FeatureId::Zoom, 4000);
    old.values.set_raw(FeatureId::Orientation, 1);
    Record current = environment::default_record();
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_EQ(current.raw(FeatureId::Duplex), 5u);
    EXPECT_EQ(current.raw(FeatureId::Zoom), 400u);

    layout.replace("Zoom", entry("Zoom", 2, 1, 356, false, "R:1"));
    old.values.set_raw(FeatureId::Zoom, 4000);
    current = environment::default_record();
    ASSERT_EQ(migrate(current, old, layout), MigrationResult::Migrated);
    EXPECT_FALSE(environment::validate(current));
    EXPECT_EQ(current.raw(FeatureId::Duplex), feature(FeatureId::Duplex).descriptor->default_index);
    EXPECT_EQ(current.raw(FeatureId::Zoom), static_cast<std::uint32_t>(feature(FeatureId::Zoom).range->default_value));
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
}

// ---- the plug-in devmode of another layout

constexpr std::uint32_t kSignature = 0x5A545156;

std::vector<std::uint8_t> plugin_block(const std::vector<std::uint8_t>& record, std::uint32_t version = kOldVersion) {
    std::vector<std::uint8_t> block(26, 0);
    util::store_le32(block.data(), static_cast<std::uint32_t>(block.size() + record.size()));
    util::store_le32(block.data() + 4, kSignature);
    util::store_le32(block.data() + 8, version);
    util::store_le32(block.data() + 12, 0xFFFFFFFFu);
    util::store_le32(block.data() + 16, 14);
    block.insert(block.end(), record.begin(), record.end());
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

    const std::vector<std::uint8_t> record(100, 0xAB);
    std::vector<std::uint8_t> block = plugin_block(record);
    auto found = environment::locate_foreign_record(block);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->layout_version, kOldVersion);
    EXPECT_EQ(found->record.data(), block.data() + 26);
    EXPECT_EQ(found->record.size(), 100u);

    // A size beyond the bytes given is bounded by them; a smaller one cuts the record.
    util::store_le32(block.data(), 0xFFFFFFFFu);
    ASSERT_TRUE(found = environment::locate_foreign_record(block));
    EXPECT_EQ(found->record.size(), 100u);
    util::store_le32(block.data(), 60);
    ASSERT_TRUE(found = environment::locate_foreign_record(block));
    EXPECT_EQ(found->record.size(), 34u);
    util::store_le32(block.data(), 27);
    ASSERT_TRUE(found = environment::locate_foreign_record(block));
    EXPECT_EQ(found->record.size(), 1u);
    util::store_le32(block.data(), 26);
    EXPECT_FALSE(environment::locate_foreign_record(block)) << "below 27 bytes";
    util::store_le32(block.data(), 126);

    // Without the extension marker the record follows the first 12 bytes.
    util::store_le32(block.data() + 12, 0);
    ASSERT_TRUE(found = environment::locate_foreign_record(block));
    EXPECT_EQ(found->record.data(), block.data() + 12);
    EXPECT_EQ(found->record.size(), 114u);
    util::store_le32(block.data() + 12, 0xFFFFFFFFu);

    // An extension that reaches the end of the block, or far beyond it.
    util::store_le32(block.data() + 16, 114);
    EXPECT_FALSE(environment::locate_foreign_record(block));
    util::store_le32(block.data() + 16, 113);
    ASSERT_TRUE(found = environment::locate_foreign_record(block));
    EXPECT_EQ(found->record.size(), 1u);
    util::store_le32(block.data() + 16, 0xFFFFFFF8u);
    EXPECT_FALSE(environment::locate_foreign_record(block));
    util::store_le32(block.data() + 16, 14);

    // Another signature; fewer bytes than the header.
    util::store_le32(block.data() + 4, 0x5A545157);
    EXPECT_FALSE(environment::locate_foreign_record(block));
    util::store_le32(block.data() + 4, kSignature);
    EXPECT_FALSE(environment::locate_foreign_record(std::span(block).first(11)));
    EXPECT_FALSE(environment::locate_foreign_record(std::span(block).first(18))) << "marker without its length";
    EXPECT_FALSE(environment::locate_foreign_record(std::span(block).first(26)));
    ASSERT_TRUE(found = environment::locate_foreign_record(std::span(block).first(27)));
    EXPECT_EQ(found->record.size(), 1u);
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
        if (!printers().add_printer(name)) {
            ADD_FAILURE() << printers().error();
            return nullptr;
        }
        if (!printers().set_value(name, environment::description_value_name(kOldVersion), type, value)) {
            ADD_FAILURE() << printers().error();
            return nullptr;
        }
        connection_ = environment::PrinterConnection::open(name);
        return connection_.handle();
    }

    // An old layout in which Duplex listed True first and Orientation had a third option.
    static OldLayout old_layout() {
        OldLayout layout;
        layout.replace("Duplex", selection("Duplex", {"True", "False"}));
        layout.replace("Orientation", selection("Orientation", {"Port", "Land", "Seascape"}));
        return layout;
    }
    static OldRecord old_record() {
        OldRecord old;
        old.values.set_raw(FeatureId::Duplex, 1);       // False
        old.values.set_raw(FeatureId::Orientation, 2);  // Seascape: 2 - 3 + 2 = 1
        old.values.set_raw(FeatureId::NUpCount, 99);    // out of range: repaired
        old.values.set_raw(FeatureId::Zoom, 321);
        return old;
    }

    environment::PrinterConnection connection_;
};

TEST_P(DevmodeMigration, TheDescriptionStoredForTheBlocksLayoutDrivesTheMigration) {
    const abi::HANDLE printer =
        printer_with(u"Zenta Migration Stored Description", text_bytes(old_layout().base64()));
    ASSERT_TRUE(printer);
    Record current = environment::default_record();
    ASSERT_TRUE(environment::migrate_plugin_devmode(current, printer, plugin_block(old_record().bytes())));
    EXPECT_EQ(current.raw(FeatureId::Duplex), 0u);
    EXPECT_EQ(current.raw(FeatureId::Orientation), 1u);
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);
    EXPECT_EQ(current.raw(FeatureId::NUpCount), feature(FeatureId::NUpCount).descriptor->default_index)
        << "validated after the migration";
    EXPECT_EQ(current.version(), settings::layout_version());

    // A block that claims more bytes than it has is read within what it has.
    std::vector<std::uint8_t> block = plugin_block(old_record().bytes());
    util::store_le32(block.data(), 0xFFFFFFF0u);
    current = environment::default_record();
    ASSERT_TRUE(environment::migrate_plugin_devmode(current, printer, block));
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);

    // Without the extension marker the record starts after 12 bytes.
    std::vector<std::uint8_t> short_header(block.begin(), block.begin() + 12);
    const std::vector<std::uint8_t> bytes = old_record().bytes();
    short_header.insert(short_header.end(), bytes.begin(), bytes.end());
    util::store_le32(short_header.data(), static_cast<std::uint32_t>(short_header.size()));
    current = environment::default_record();
    ASSERT_TRUE(environment::migrate_plugin_devmode(current, printer, short_header));
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);
}

TEST_P(DevmodeMigration, TheTextEndsAtTheFirstNul) {
    std::vector<abi::BYTE> value = text_bytes(old_layout().base64());
    const std::vector<abi::BYTE> trailer = {'#', '#', 0, 1, 2};
    value.insert(value.end(), trailer.begin(), trailer.end());
    const abi::HANDLE printer = printer_with(u"Zenta Migration Text Ends At Nul", value);
    ASSERT_TRUE(printer);
    Record current = environment::default_record();
    EXPECT_TRUE(environment::migrate_plugin_devmode(current, printer, plugin_block(old_record().bytes())));
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);

    // Without any NUL the whole value is the text.
    ASSERT_TRUE(printers().set_binary(u"Zenta Migration Text Ends At Nul",
                                      environment::description_value_name(kOldVersion),
                                      text_bytes(old_layout().base64(), false)));
    current = environment::default_record();
    EXPECT_TRUE(environment::migrate_plugin_devmode(current, printer, plugin_block(old_record().bytes())));
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);
}

TEST_P(DevmodeMigration, OnlyANonEmptyBinaryValueIsADescription) {
    const std::u16string name = u"Zenta Migration Value Types";
    const std::string text = old_layout().base64();
    const abi::HANDLE printer = printer_with(name, text_bytes(text), abi::REG_SZ);
    ASSERT_TRUE(printer);
    const std::vector<std::uint8_t> block = plugin_block(old_record().bytes());
    Record before = environment::default_record();
    before.set_raw(FeatureId::Zoom, 77);

    Record current = before;
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block)) << "REG_SZ";
    EXPECT_TRUE(current == before);

    ASSERT_TRUE(printers().set_binary(name, environment::description_value_name(kOldVersion), {}));
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block)) << "empty";
    EXPECT_TRUE(current == before);

    const std::vector<abi::BYTE> nul_first = {0, 'M', 'S', 'A'};
    ASSERT_TRUE(printers().set_binary(name, environment::description_value_name(kOldVersion), nul_first));
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block)) << "empty text";
    EXPECT_TRUE(current == before);

    // A value for another layout is not looked at.
    ASSERT_TRUE(printers().set_binary(name, environment::description_value_name(kOldVersion), text_bytes(text)));
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, plugin_block(old_record().bytes(0xC0FFEF), 0xC0FFEF)));
    EXPECT_TRUE(current == before);
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, nullptr, block)) << "no printer";
    EXPECT_TRUE(current == before);

    EXPECT_TRUE(environment::migrate_plugin_devmode(current, printer, block));
    EXPECT_EQ(current.raw(FeatureId::Zoom), 321u);
}

TEST_P(DevmodeMigration, LyingHeadersAreReadWithinTheBytesGiven) {
    const abi::HANDLE printer = printer_with(u"Zenta Migration Lying Headers", text_bytes(old_layout().base64()));
    ASSERT_TRUE(printer);
    Record before = environment::default_record();
    before.set_raw(FeatureId::Zoom, 77);
    const std::vector<std::uint8_t> good = plugin_block(old_record().bytes());

    const auto not_migrated = [&](std::vector<std::uint8_t> block, const char* what) {
        Record current = before;
        EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block)) << what;
        EXPECT_TRUE(current == before) << what;
    };
    std::vector<std::uint8_t> block = good;
    util::store_le32(block.data() + 16, 0x7FFFFFFF);
    not_migrated(block, "extension beyond the block");
    block = good;
    util::store_le32(block.data(), 26);
    not_migrated(block, "size below 27");
    block = good;
    util::store_le32(block.data(), 26 + 27000);
    not_migrated(block, "size that cuts the record below the declared record size");
    block = good;
    block.resize(26 + 27000);
    not_migrated(block, "fewer bytes given than the description declares");
    block = good;
    block[4] ^= 1;
    not_migrated(block, "signature");
    not_migrated(std::vector<std::uint8_t>(good.begin(), good.begin() + 20), "header only");
    not_migrated({}, "nothing");

    // The old record whose head names another version: the defaults.
    block = good;
    block[26 + 3] ^= 1;
    Record current = before;
    EXPECT_FALSE(environment::migrate_plugin_devmode(current, printer, block));
    EXPECT_TRUE(current == environment::default_record());
}

INSTANTIATE_TEST_SUITE_P(Spoolers, DevmodeMigration, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

}  // namespace
}  // namespace zenta
