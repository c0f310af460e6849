#include "features/families.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "util/crc32.h"

namespace zenta::features {
namespace {

// Calls visit.template operator()<F>() for every feature F in record order.
template <class Visit>
void for_each_feature(Visit&& visit) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (visit.template operator()<static_cast<FeatureId>(I)>(), ...);
    }
    (std::make_index_sequence<kFeatureCount>{});
}

// ---- defaults and validation

// The media settings of the paper sources (every tray, not the automatic choice) accept one index
// beyond their table: it stands for a media value the printer reports that the table lacks.
constexpr bool accepts_index_past_table(std::string_view key) {
    const bool media = key.starts_with("MediaType") || key.starts_with("MediaWeight") ||
                       key.starts_with("MediaColor") || key.starts_with("MediaPrepunched");
    return media && !key.ends_with("Auto");
}

std::string_view default_text(FeatureId id, const FieldDefaults& defaults) {
    return id == FeatureId::Tab1FontName || id == FeatureId::Tab2FontName ? defaults.tab_font
                                                                          : std::string_view();
}

template <FeatureId F>
void default_member(RecordBytes rec, const FieldDefaults& defaults) {
    constexpr const Feature& f = feature(F);
    if constexpr (f.kind == Kind::S)
        store_scalar(rec, F, f.descriptor->default_index);
    else if constexpr (f.kind == Kind::R)
        store_scalar(rec, F, static_cast<std::uint32_t>(f.range->default_value));
    else
        reset_array(rec, F, defaults);
}

// A selection whose last option is followed by a custom size: valid when both custom dimensions
// are set.
bool custom_size_set(ConstRecordBytes rec, FeatureId width, FeatureId height) {
    return load_scalar(rec, width) != 0 && load_scalar(rec, height) != 0;
}

template <FeatureId F>
bool validate_member(RecordBytes rec, const FieldDefaults& defaults) {
    constexpr const Feature& f = feature(F);
    if constexpr (!kChecked[index_of(F)]) {
        return true;
    } else if constexpr (F == FeatureId::PageSize) {
        const std::uint32_t index = load_scalar<F>(rec);
        const std::uint32_t count = f.descriptor->option_count();
        if (index < count || (index == count && custom_size_set(rec, FeatureId::CustomPageSizeWidth,
                                                                FeatureId::CustomPageSizeHeight)))
            return true;
        store_scalar(rec, F, defaults.paper);
        return false;
    } else if constexpr (F == FeatureId::TargetPaperSize) {
        const std::uint32_t index = load_scalar<F>(rec);
        const std::uint32_t count = f.descriptor->option_count();
        if (index < count || (index == count && custom_size_set(rec, FeatureId::CustomTargetPaperSizeWidth,
                                                                FeatureId::CustomTargetPaperSizeHeight)))
            return true;
        store_scalar(rec, F, f.descriptor->default_index);
        return false;
    } else if constexpr (F == FeatureId::TrimLineSize) {
        // The table's last option (26) is the custom size; any other index out of the table is
        // accepted too once a custom size is set.
        const std::uint32_t index = load_scalar<F>(rec);
        if ((index < f.descriptor->option_count() && index != 26) ||
            custom_size_set(rec, FeatureId::TrimLineCustomPageSizeWidth,
                            FeatureId::TrimLineCustomPageSizeHeight))
            return true;
        store_scalar(rec, F, defaults.trim_line_paper);
        return false;
    } else if constexpr (f.kind == Kind::S) {
        const std::uint32_t index = load_scalar<F>(rec);
        const std::uint32_t count = f.descriptor->option_count();
        if (index < count || (accepts_index_past_table(f.key) && index == count)) return true;
        store_scalar(rec, F, f.descriptor->default_index);
        return false;
    } else if constexpr (f.kind == Kind::R) {
        const std::int64_t value = load_number<F>(rec);
        if (f.range->minimum <= value && value <= f.range->maximum) return true;
        store_scalar(rec, F, static_cast<std::uint32_t>(f.range->default_value));
        return false;
    } else {
        if (rec[f.end() - 1] == 0) return true;
        reset_array(rec, F, defaults);
        return false;
    }
}

// ---- compare

template <FeatureId F>
bool differs_member(ConstRecordBytes a, ConstRecordBytes b) {
    constexpr const Feature& f = feature(F);
    if constexpr (f.kind == Kind::A && f.is_signed)
        return load_text(a, F) != load_text(b, F);
    else if constexpr (f.kind == Kind::A)
        return std::memcmp(a.data() + f.offset, b.data() + f.offset, f.size()) != 0;
    else
        return load_scalar<F>(a) != load_scalar<F>(b);
}

// ---- keyword pairs

template <FeatureId F>
void keyword_pair_member(ConstRecordBytes rec, std::vector<KeywordPair>& out, const FieldFilter* filter) {
    constexpr const Feature& f = feature(F);
    if constexpr (f.kind == Kind::S && !f.descriptor->ppd_keyword.empty()) {
        if (filter && !filter->contains(rec.data() + f.offset)) return;
        const OptionEntry& option = f.descriptor->option(load_scalar<F>(rec));
        if (!option.ppd_option.empty()) out.push_back({f.descriptor->ppd_keyword, option.ppd_option});
    }
}

// ---- PJL

template <FeatureId F>
void pjl_member(ConstRecordBytes rec, std::vector<PjlPair>& out) {
    constexpr const Feature& f = feature(F);
    if constexpr (f.kind == Kind::S && !f.descriptor->pjl_variable.empty() &&
                  (f.descriptor->pjl_mode == 1 || f.descriptor->pjl_mode == 2)) {
        const OptionEntry& option = f.descriptor->option(load_scalar<F>(rec));
        if (!option.pjl_value.empty()) out.push_back({f.descriptor->pjl_variable, option.pjl_value});
    }
}

// ---- layout hash

std::uint32_t hash_text(std::uint32_t crc, std::string_view text) {
    crc = util::crc32_update(crc, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    constexpr std::uint8_t nul[1] = {0};
    return util::crc32_update(crc, nul);
}

template <FeatureId F>
std::uint32_t hash_member(std::uint32_t crc) {
    constexpr const Feature& f = feature(F);
    crc = hash_text(crc, f.key);
    if constexpr (f.descriptor != nullptr) {
        crc = hash_number(crc, f.descriptor->option_count());
        for (const OptionEntry& option : f.descriptor->options) crc = hash_text(crc, option.keyword);
    } else if constexpr (f.kind == Kind::R) {
        crc = hash_number(crc, f.range->scale);
    } else {
        crc = hash_number(crc, 1);
    }
    return hash_number(crc, f.size());
}

}  // namespace

bool FieldFilter::contains(const std::uint8_t* address) const {
    return std::find(addresses.begin(), addresses.end(), address) != addresses.end();
}

void write_defaults(RecordBytes rec, const FieldDefaults& defaults) {
    for_each_feature([&]<FeatureId F>() { default_member<F>(rec, defaults); });
}

bool validate_fields(RecordBytes rec, const FieldDefaults& defaults) {
    bool all_valid = true;
    for_each_feature([&]<FeatureId F>() { all_valid &= validate_member<F>(rec, defaults); });
    return all_valid;
}

void reset_array(RecordBytes rec, FeatureId id, const FieldDefaults& defaults) {
    if (feature(id).is_text())
        store_text(rec, id, default_text(id, defaults));
    else
        std::ranges::fill(field_bytes(rec, id), std::uint8_t{0});
}

std::vector<FeatureId> differing_features(ConstRecordBytes a, ConstRecordBytes b) {
    std::vector<FeatureId> out;
    for_each_feature([&]<FeatureId F>() {
        if (differs_member<F>(a, b)) out.push_back(F);
    });
    return out;
}

void collect_keyword_pairs(ConstRecordBytes rec, std::vector<KeywordPair>& out, const FieldFilter* filter) {
    for_each_feature([&]<FeatureId F>() { keyword_pair_member<F>(rec, out, filter); });
}

void collect_pjl_pairs(ConstRecordBytes rec, std::vector<PjlPair>& out) {
    for_each_feature([&]<FeatureId F>() { pjl_member<F>(rec, out); });
}

std::uint32_t hash_number(std::uint32_t crc, std::uint32_t value) {
    std::uint8_t bytes[4];
    if (value <= 0xFFFF) {
        util::store_be16(bytes, static_cast<std::uint16_t>(value));
        return util::crc32_update(crc, std::span<const std::uint8_t>(bytes, 2));
    }
    util::store_be32(bytes, value);
    return util::crc32_update(crc, std::span<const std::uint8_t>(bytes, 4));
}

std::uint32_t hash_features(std::uint32_t crc) {
    for_each_feature([&]<FeatureId F>() { crc = hash_member<F>(crc); });
    return crc;
}

}  // namespace zenta::features
