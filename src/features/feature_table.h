#pragma once
// The 528 job settings in record order, with their option tables and ranges, as constant data.
// Everything here is built at compile time; the record layout is checked there too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "features/model.h"

namespace zenta::features {

enum class FeatureId : std::uint16_t {
#define ZENTA_FEATURE(key, offset, width, count, is_signed, kind) key,
#include "features/feature_list.inc"
#undef ZENTA_FEATURE
};

inline constexpr std::size_t kFeatureCount = 528;
inline constexpr std::uint32_t kRecordSize = 27774;
inline constexpr std::uint32_t kRecordHeadSize = 9;

constexpr std::size_t index_of(FeatureId id) { return static_cast<std::size_t>(id); }

namespace detail {

inline constexpr std::span<const OptionEntry> kNoOptions{};

template <FeatureId F>
inline constexpr const FeatureDescriptor* kDescriptorOf = nullptr;
template <FeatureId F>
inline constexpr const RangeDescriptor* kRangeOf = nullptr;
template <FeatureId F>
inline constexpr bool kUnchecked = false;

#include "features/option_tables.inc"

#define ZENTA_DESCRIPTOR(key, ppd, pjl, mode, label, default_index, options)          \
    inline constexpr FeatureDescriptor k##key##Descriptor{                            \
        ppd, pjl, mode, label, default_index, std::span<const OptionEntry>{options}}; \
    template <>                                                                       \
    inline constexpr const FeatureDescriptor* kDescriptorOf<FeatureId::key> = &k##key##Descriptor;
#include "features/descriptors.inc"
#undef ZENTA_DESCRIPTOR

#define ZENTA_RANGE(key, scale, minimum, maximum, default_value, unit1, factor1, unit2, factor2) \
    inline constexpr RangeDescriptor k##key##Range{                                              \
        scale, minimum, maximum, default_value, {{unit1, factor1}, {unit2, factor2}}};           \
    template <>                                                                                  \
    inline constexpr const RangeDescriptor* kRangeOf<FeatureId::key> = &k##key##Range;
#include "features/range_table.inc"
#undef ZENTA_RANGE

#define ZENTA_UNCHECKED(key) \
    template <>              \
    inline constexpr bool kUnchecked<FeatureId::key> = true;
#include "features/unchecked_features.inc"
#undef ZENTA_UNCHECKED

}  // namespace detail

inline constexpr std::array<Feature, kFeatureCount> kFeatures{{
#define ZENTA_FEATURE(key, offset, width, count, is_signed, kind) \
    Feature{#key,                                                 \
            offset,                                               \
            width,                                                \
            count,                                                \
            is_signed != 0,                                       \
            Kind::kind,                                           \
            detail::kDescriptorOf<FeatureId::key>,                \
            detail::kRangeOf<FeatureId::key>},
#include "features/feature_list.inc"
#undef ZENTA_FEATURE
}};

constexpr const Feature& feature(FeatureId id) { return kFeatures[index_of(id)]; }

// Whether validation checks this field at all (see unchecked_features.inc).
inline constexpr std::array<bool, kFeatureCount> kChecked = [] {
    std::array<bool, kFeatureCount> checked{};
    std::size_t i = 0;
#define ZENTA_FEATURE(key, offset, width, count, is_signed, kind) \
    checked[i++] = !detail::kUnchecked<FeatureId::key>;
#include "features/feature_list.inc"
#undef ZENTA_FEATURE
    return checked;
}();

// Looks a feature up by its key (exact, case-sensitive).
std::optional<FeatureId> find_feature(std::string_view key);

namespace detail {

struct KindCounts {
    std::size_t s1 = 0, s2 = 0, s4 = 0, r4 = 0, r4_signed = 0, r2 = 0, text = 0, bytes = 0,
                text_with_options = 0;
};

consteval KindCounts count_kinds() {
    KindCounts c;
    for (const Feature& f : kFeatures) {
        switch (f.kind) {
            case Kind::S:
                (f.width == 1 ? c.s1 : f.width == 2 ? c.s2 : c.s4)++;
                break;
            case Kind::R:
                (f.width == 2 ? c.r2 : f.is_signed ? c.r4_signed : c.r4)++;
                break;
            case Kind::A:
                (f.is_signed ? c.text : c.bytes)++;
                if (f.descriptor) c.text_with_options++;
                break;
        }
    }
    return c;
}

consteval bool layout_is_packed() {
    std::uint32_t next = kRecordHeadSize;
    for (const Feature& f : kFeatures) {
        if (f.offset != next) return false;
        next = f.end();
    }
    return next == kRecordSize;
}

consteval bool kinds_have_their_data() {
    for (const Feature& f : kFeatures) {
        switch (f.kind) {
            case Kind::S:
                if (!f.descriptor || f.range || f.count != 1) return false;
                if (f.width != 1 && f.width != 2 && f.width != 4) return false;
                break;
            case Kind::R:
                if (f.descriptor || !f.range || f.count != 1 || f.range->scale == 0) return false;
                if (f.range->minimum > f.range->default_value || f.range->default_value > f.range->maximum)
                    return false;
                if (f.width == 2 && (f.range->minimum < 0 || f.range->maximum > 0xFFFF)) return false;
                break;
            case Kind::A:
                if (f.range || f.width != 1) return false;
                break;
        }
        if (f.descriptor) {
            const FeatureDescriptor& d = *f.descriptor;
            if (d.option_count() != 0 && d.default_index >= d.option_count()) return false;
            if (f.kind == Kind::S && f.width < 4 && d.option_count() > (1u << (8 * f.width))) return false;
        }
    }
    return true;
}

}  // namespace detail

static_assert(detail::layout_is_packed(), "every field starts where the previous one ends");
static_assert(detail::kinds_have_their_data(), "selections need options, ranges need a range");
static_assert(detail::count_kinds().s1 == 353 && detail::count_kinds().s2 == 28 &&
              detail::count_kinds().s4 == 3);
static_assert(detail::count_kinds().r4 == 43 && detail::count_kinds().r4_signed == 15 &&
              detail::count_kinds().r2 == 23);
static_assert(detail::count_kinds().text == 59 && detail::count_kinds().bytes == 4 &&
              detail::count_kinds().text_with_options == 14);

}  // namespace zenta::features
