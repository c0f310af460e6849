#pragma once
// The job settings record: 27774 bytes, byte-packed, every number big-endian. A 9-byte head
// (layout version, a zero byte, 0xFFFFFFFF) and then the 528 fields in feature order.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "features/field_access.h"

namespace zenta::settings {

using features::FeatureId;
using features::Kind;

struct Record {
    static constexpr std::uint32_t kSize = features::kRecordSize;

    std::array<std::uint8_t, kSize> bytes;

    // A new record is all zero.
    Record() : bytes{} {}
    // A record whose bytes the caller overwrites before reading any (no zero fill first).
    struct Unfilled {};
    explicit Record(Unfilled) {}
    // A record of these bytes, copied once (without clearing it first).
    explicit Record(std::span<const std::uint8_t, kSize> source) : bytes(copy_of(source)) {}

    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }

    features::RecordBytes view() { return features::RecordBytes{bytes}; }
    features::ConstRecordBytes view() const { return features::ConstRecordBytes{bytes}; }

    std::uint32_t version() const { return util::load_be32(bytes.data()); }
    // Writes the head that every record the program makes carries.
    void set_head(std::uint32_t layout_version) {
        util::store_be32(bytes.data(), layout_version);
        bytes[4] = 0;
        util::store_be32(bytes.data() + 5, 0xFFFFFFFFu);
    }

    std::span<std::uint8_t> field(FeatureId id) { return features::field_bytes(view(), id); }
    std::span<const std::uint8_t> field(FeatureId id) const { return features::field_bytes(view(), id); }

    std::uint32_t raw(FeatureId id) const { return features::load_scalar(view(), id); }
    void set_raw(FeatureId id, std::uint32_t value) { features::store_scalar(view(), id, value); }
    std::int64_t number(FeatureId id) const { return features::load_number(view(), id); }
    std::string_view text(FeatureId id) const { return features::load_text(view(), id); }
    void set_text(FeatureId id, std::string_view value) { features::store_text(view(), id, value); }
    const features::OptionEntry& option(FeatureId id) const { return features::load_option(view(), id); }

    // Typed access by a feature known at compile time: selections and unsigned ranges as
    // unsigned numbers, signed ranges as signed numbers, arrays as their text.
    static std::array<std::uint8_t, kSize> copy_of(std::span<const std::uint8_t, kSize> source) {
        std::array<std::uint8_t, kSize> copy;
        std::copy(source.begin(), source.end(), copy.begin());
        return copy;
    }

    template <FeatureId F>
    auto get() const {
        constexpr const features::Feature& f = features::feature(F);
        if constexpr (f.kind == Kind::A)
            return text(F);
        else if constexpr (f.kind == Kind::R && f.is_signed)
            return static_cast<std::int32_t>(raw(F));
        else
            return raw(F);
    }
    template <FeatureId F, class V>
    void set(const V& value) {
        if constexpr (features::feature(F).kind == Kind::A)
            set_text(F, value);
        else
            set_raw(F, static_cast<std::uint32_t>(value));
    }

    friend bool operator==(const Record&, const Record&) = default;
};

static_assert(sizeof(Record) == Record::kSize, "the record is a plain byte array");
static_assert(std::is_trivially_copyable_v<Record>);

}  // namespace zenta::settings
