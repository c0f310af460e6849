#pragma once
// The static model of a job setting ("feature"): where it lives in the record and what its
// stored values mean.

#include <cstdint>
#include <span>
#include <string_view>

namespace zenta::features {

enum class Kind : std::uint8_t {
    S,  // selection: an index into the option table
    R,  // range: an integer between a minimum and a maximum, times the scale
    A,  // array: zero-terminated UTF-8 text, or raw bytes
};

struct OptionEntry {
    std::int32_t label;           // row of the option's text in the text table; -1 for none
    std::string_view keyword;     // the option's own name (settings description, migration)
    std::string_view ppd_option;  // keyword in the printer's PPD; empty when it has none
    std::string_view media_name;  // second name used by media settings
    std::string_view pjl_value;   // value written to PJL; empty writes nothing
    std::uint32_t pjl_mode;       // as the feature's
};

struct FeatureDescriptor {
    std::string_view ppd_keyword;   // PPD main keyword; empty when the feature has none
    std::string_view pjl_variable;  // PJL variable; empty when not sent by PJL
    std::uint32_t pjl_mode;         // 0 not sent, 1 and 2 sent as a pair, 3 sent by the PDF path only
    std::int32_t label;             // row of the feature's label in the text table; -1 for none
    std::uint32_t default_index;    // the option that an out-of-range index reads as
    std::span<const OptionEntry> options;

    constexpr std::uint32_t option_count() const { return static_cast<std::uint32_t>(options.size()); }

    // The option a stored index stands for: an index not below the option count reads as the
    // default index. A table without options reads as an empty entry.
    constexpr const OptionEntry& option(std::uint32_t index) const;

    // Index of the option with this keyword (exact, first match), or -1.
    constexpr std::int64_t index_of(std::string_view keyword) const {
        for (std::size_t i = 0; i < options.size(); ++i)
            if (options[i].keyword == keyword) return static_cast<std::int64_t>(i);
        return -1;
    }
};

inline constexpr OptionEntry kEmptyOption{-1, "", "", "", "", 0};

constexpr const OptionEntry& FeatureDescriptor::option(std::uint32_t index) const {
    if (index >= option_count()) index = default_index;
    return index < option_count() ? options[index] : kEmptyOption;
}

// A unit in which a range is shown to users: the label of the unit's text and the factor by
// which the shown number is refined (10: one decimal).
struct DisplayUnit {
    std::int32_t label;
    std::uint32_t factor;
};

struct RangeDescriptor {
    std::uint32_t scale;  // stored value = value x scale
    std::int32_t minimum;
    std::int32_t maximum;
    std::int32_t default_value;
    DisplayUnit units[2];  // the second has label -1 when there is one unit

    constexpr std::uint32_t unit_count() const { return units[1].label < 0 ? 1u : 2u; }
};

struct Feature {
    std::string_view key;
    std::uint32_t offset;  // byte offset in the record
    std::uint32_t width;   // bytes per element: 1, 2 or 4
    std::uint32_t count;   // elements: 1 for scalars, the array length for arrays
    bool is_signed;        // signed ranges; text arrays (characters); not byte arrays
    Kind kind;
    const FeatureDescriptor* descriptor;  // selections, and texts that name a chosen profile
    const RangeDescriptor* range;         // ranges

    constexpr std::uint32_t size() const { return width * count; }
    constexpr std::uint32_t end() const { return offset + size(); }
    constexpr bool is_text() const { return kind == Kind::A && is_signed; }
    constexpr bool is_byte_array() const { return kind == Kind::A && !is_signed; }
    constexpr bool has_options() const { return descriptor != nullptr; }
};

}  // namespace zenta::features
