#pragma once
// Reading and writing one field of a job settings record held as raw bytes. A field is found
// by its address: record start plus the feature's offset.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "features/feature_table.h"
#include "util/byte_order.h"

namespace zenta::features {

using RecordBytes = std::span<std::uint8_t, kRecordSize>;
using ConstRecordBytes = std::span<const std::uint8_t, kRecordSize>;

inline std::span<std::uint8_t> field_bytes(RecordBytes rec, FeatureId id) {
    const Feature& f = feature(id);
    return rec.subspan(f.offset, f.size());
}
inline std::span<const std::uint8_t> field_bytes(ConstRecordBytes rec, FeatureId id) {
    const Feature& f = feature(id);
    return rec.subspan(f.offset, f.size());
}

// A scalar field (selection or range) as the unsigned number stored in it.
inline std::uint32_t load_scalar(ConstRecordBytes rec, FeatureId id) {
    const Feature& f = feature(id);
    return util::load_be(rec.data() + f.offset, f.width);
}
// The same for a feature known at compile time: one load of the field's own width, inlined.
template <FeatureId F>
inline std::uint32_t load_scalar(ConstRecordBytes rec) {
    constexpr const Feature& f = feature(F);
    const std::uint8_t* p = rec.data() + f.offset;
    if constexpr (f.width == 1)
        return p[0];
    else if constexpr (f.width == 2)
        return util::load_be16(p);
    else if constexpr (f.width == 4)
        return util::load_be32(p);
    else
        return 0;
}
template <FeatureId F>
inline std::int64_t load_number(ConstRecordBytes rec) {
    const std::uint32_t v = load_scalar<F>(rec);
    if constexpr (feature(F).is_signed)
        return std::int64_t{static_cast<std::int32_t>(v)};
    else
        return std::int64_t{v};
}
// Stores a scalar, truncated to the field width.
inline void store_scalar(RecordBytes rec, FeatureId id, std::uint32_t value) {
    const Feature& f = feature(id);
    util::store_be(rec.data() + f.offset, f.width, value);
}
// A range field as a number, signed where the feature is.
inline std::int64_t load_number(ConstRecordBytes rec, FeatureId id) {
    const std::uint32_t v = load_scalar(rec, id);
    return feature(id).is_signed ? std::int64_t{static_cast<std::int32_t>(v)} : std::int64_t{v};
}

// A text field up to its first zero byte, or the whole field when it holds none.
inline std::string_view load_text(ConstRecordBytes rec, FeatureId id) {
    const auto f = field_bytes(rec, id);
    const auto* begin = reinterpret_cast<const char*>(f.data());
    const void* nul = std::memchr(begin, 0, f.size());
    return {begin, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : f.size()};
}
// Stores a text cut to the field width minus one, zero-filled behind it.
inline void store_text(RecordBytes rec, FeatureId id, std::string_view text) {
    const auto f = field_bytes(rec, id);
    std::fill(f.begin(), f.end(), std::uint8_t{0});
    // An empty view may point nowhere, which memcpy must not be given even for no bytes.
    std::copy_n(text.begin(), std::min(text.size(), f.size() - 1), f.begin());
}

// The option a selection field stands for (an out-of-range index reads as the default).
inline const OptionEntry& load_option(ConstRecordBytes rec, FeatureId id) {
    return feature(id).descriptor->option(load_scalar(rec, id));
}

}  // namespace zenta::features
