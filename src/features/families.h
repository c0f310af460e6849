#pragma once
// Per-feature operations. Each family has one routine per feature, generated from the feature
// table at compile time, and one driver here that runs them in record order.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "features/field_access.h"

namespace zenta::features {

// What the defaults of a few fields depend on: the locale's default paper and the user's
// language.
struct FieldDefaults {
    std::uint32_t paper = 1;            // PageSize of the locale's default paper
    std::uint32_t trim_line_paper = 1;  // TrimLineSize: Letter (19) in inch locales, else A4 (1)
    std::string_view tab_font;          // the tab font names' default text
};

// Writes every field's default: a selection its default index, a range its default, a text its
// default text (the tab fonts) or zeros, a byte array zeros.
void write_defaults(RecordBytes rec, const FieldDefaults& defaults);

// Checks every field in record order and repairs what fails; all checks run. A selection index
// beyond its table becomes the default index, a range value outside its limits (compared signed
// for signed fields) the range default, a text or byte array without a zero last byte its default.
// Special cases: the media settings of the paper sources (not the automatic one) also accept one
// index beyond their table; PageSize, TargetPaperSize and TrimLineSize accept their custom size
// when both custom dimensions are set, and PageSize and TrimLineSize fall back to the locale's
// paper. Fields whose values are given meaning by other data are not checked. Returns true when
// nothing was repaired.
bool validate_fields(RecordBytes rec, const FieldDefaults& defaults);

// Refills a text or byte array with its default.
void reset_array(RecordBytes rec, FeatureId id, const FieldDefaults& defaults);

// The features whose values differ between two records, in record order: scalars by value,
// texts as strings, byte arrays byte by byte.
std::vector<FeatureId> differing_features(ConstRecordBytes a, ConstRecordBytes b);

// A set of field addresses inside one record, used to restrict a walk to some fields.
struct FieldFilter {
    std::span<const std::uint8_t* const> addresses;
    bool contains(const std::uint8_t* address) const;
};

struct KeywordPair {
    std::string_view keyword;  // PPD main keyword
    std::string_view option;   // PPD option keyword
    friend bool operator==(const KeywordPair&, const KeywordPair&) = default;
};

// Appends (PPD main keyword, PPD option keyword) for every selection whose feature and stored
// option both have one; with a filter, only for the fields it holds.
void collect_keyword_pairs(ConstRecordBytes rec, std::vector<KeywordPair>& out,
                           const FieldFilter* filter = nullptr);

struct PjlPair {
    std::string_view variable;
    std::string_view value;
    friend bool operator==(const PjlPair&, const PjlPair&) = default;
};

// Appends (PJL variable, PJL value) for every selection sent as a plain PJL pair (mode 1 or 2)
// whose stored option has a PJL value.
void collect_pjl_pairs(ConstRecordBytes rec, std::vector<PjlPair>& out);

// Feeds what identifies the record layout, feature by feature, into a CRC-32 and returns it:
// each key, the option keywords of selections and of texts with a name list, the scale of
// ranges, and the field width.
std::uint32_t hash_features(std::uint32_t crc);

// Appends a layout-identifying number to a CRC-32: two bytes big-endian up to 65535, else four.
std::uint32_t hash_number(std::uint32_t crc, std::uint32_t value);

}  // namespace zenta::features
