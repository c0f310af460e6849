#include "features/migration.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "util/base64.h"
#include "util/byte_order.h"
#include "util/hex.h"
#include "util/units.h"

namespace zenta::features {
namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

// Decimal digits only, within 32 bits.
std::optional<std::uint32_t> parse_decimal(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// One entry, or nothing when it is malformed.
std::optional<std::pair<std::string_view, OldEntry>> parse_entry(std::string_view text) {
    const std::vector<std::string_view> parts = split(text, ':');
    if (parts.size() < 6 || parts[0].empty()) return std::nullopt;
    const auto width = parse_decimal(parts[1]);
    const auto count = parse_decimal(parts[2]);
    const auto offset = parse_decimal(parts[3]);
    const auto is_signed = parse_decimal(parts[4]);
    if (!width || !count || !offset || !is_signed || *is_signed > 1) return std::nullopt;

    OldEntry entry;
    entry.width = *width;
    entry.count = *count;
    entry.offset = *offset;
    entry.is_signed = *is_signed == 1;
    if (parts[5] == "S") {
        entry.kind = Kind::S;
        entry.keywords.assign(parts.begin() + 6, parts.end());
    } else if (parts[5] == "R") {
        entry.kind = Kind::R;
        const auto scale = parts.size() > 6 ? parse_decimal(parts[6]) : std::nullopt;
        if (!scale) return std::nullopt;
        entry.scale = *scale;
    } else if (parts[5] == "A") {
        entry.kind = Kind::A;
    } else {
        return std::nullopt;
    }
    return std::pair{parts[0], std::move(entry)};
}

// Calls visit.template operator()<F>() for every feature F in record order.
template <class Visit>
void for_each_feature(Visit&& visit) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (visit.template operator()<static_cast<FeatureId>(I)>(), ...);
    }
    (std::make_index_sequence<kFeatureCount>{});
}

// ---- migrate: one member per feature. The driver has checked that the old field lies inside
// the old record, so `from` points at old.width x old.count readable bytes.

template <FeatureId F>
void migrate_member(RecordBytes current, const std::uint8_t* from, const OldEntry& old) {
    constexpr const Feature& f = feature(F);
    if constexpr (f.kind == Kind::S) {
        // The 4-byte selections (stored items) follow the same rule: their tables are empty,
        // so the stored number is carried over unchanged.
        if (old.width != f.width || old.is_signed) return;
        const std::uint32_t old_index = util::load_be(from, f.width);
        std::int64_t index = -1;
        if (old_index < old.keywords.size()) index = f.descriptor->index_of(old.keywords[old_index]);
        if (index >= 0) {
            store_scalar(current, F, static_cast<std::uint32_t>(index));
        } else {
            // An option this layout does not know keeps its distance from the end of the table
            // (with tables of equal length, its index). The arithmetic wraps; the store keeps
            // the low bytes, and validation repairs an index the table cannot hold.
            const auto old_count = static_cast<std::uint32_t>(old.keywords.size());
            store_scalar(current, F, f.descriptor->option_count() - old_count + old_index);
        }
    } else if constexpr (f.kind == Kind::R) {
        if (old.width != f.width) return;
        const std::uint32_t value = util::rescale(util::load_be(from, f.width), old.scale, f.range->scale);
        // The old value is rescaled as an unsigned number, so a negative one arrives as a very
        // large number. From a signed field, therefore, only a small non-negative value (below
        // 1024 in the current scale) is carried over; any negative value, and any value of 1024
        // or more, leaves the feature as it was.
        if (old.is_signed && value >= 1024) return;
        store_scalar(current, F, value);
    } else {
        // Texts (signed characters) and byte arrays (unsigned) are copied into the zero-filled
        // field; a text is cut so that it ends in NUL, a byte array is taken as it is.
        if (old.width != 1 || old.count > f.count || old.is_signed != f.is_signed) return;
        const std::span<std::uint8_t> field = field_bytes(current, F);
        std::memmove(field.data(), from, old.count);
        std::fill(field.begin() + old.count, field.end(), std::uint8_t{0});
        if constexpr (f.is_signed) field.back() = 0;
    }
}

}  // namespace

bool OldEntry::fits(std::size_t old_size) const {
    if (width == 0 || count == 0) return false;
    const std::uint64_t end = std::uint64_t{offset} + std::uint64_t{width} * std::uint64_t{count};
    return end <= old_size;
}

const OldEntry* OldDescription::find(std::string_view key) const {
    const auto it = entries.find(key);
    return it == entries.end() ? nullptr : &it->second;
}

std::optional<OldDescription> parse_description(std::string_view text) {
    const std::vector<std::string_view> fields = split(text, ' ');
    if (fields.size() < 4 || fields[0] != "1") return std::nullopt;
    const auto record_size = parse_decimal(fields[2]);
    if (!record_size) return std::nullopt;

    OldDescription description;
    description.record_size = *record_size;
    description.version = util::parse_hex_u32(fields[1]);
    for (std::size_t i = 3; i < fields.size(); ++i) {
        auto entry = parse_entry(fields[i]);
        if (entry) description.entries.emplace(std::string(entry->first), std::move(entry->second));
    }
    return description;
}

void migrate_features(RecordBytes current, std::span<const std::uint8_t> old_record,
                      const OldDescription& old) {
    for_each_feature([&]<FeatureId F>() {
        const OldEntry* entry = old.find(feature(F).key);
        if (entry && entry->fits(old_record.size()))
            migrate_member<F>(current, old_record.data() + entry->offset, *entry);
    });
}

MigrationResult migrate_record(RecordBytes current, std::span<const std::uint8_t> old_record,
                               std::string_view description_base64, std::uint32_t current_version,
                               ConstRecordBytes defaults) {
    const auto decoded = util::base64_decode(description_base64);
    if (!decoded) return MigrationResult::Undescribed;
    util::store_be32(current.data(), current_version);

    std::string_view text(reinterpret_cast<const char*>(decoded->data()), decoded->size());
    text = text.substr(0, text.find('\0'));
    const std::optional<OldDescription> old = parse_description(text);
    if (!old || old->record_size > old_record.size()) return MigrationResult::Undescribed;

    if (old_record.size() <= 4 || !old->version || util::load_be32(old_record.data()) != *old->version) {
        std::copy(defaults.begin(), defaults.end(), current.begin());
        return MigrationResult::Reset;
    }

    migrate_features(current, old_record, *old);
    return *old->version != current_version ? MigrationResult::Migrated : MigrationResult::SameLayout;
}

}  // namespace zenta::features
