#pragma once
// The default job settings record and validation, for given locale inputs: the default paper of
// the user's locale and the default tab font. Every record taken from outside is repaired field by
// field before it is used; a record of another layout is replaced as a whole. (The process-wide
// default record, with the inputs of this user's locale, is environment/record_defaults.h.)

#include <cstdint>
#include <string>

#include "settings/record.h"

namespace zenta::settings {

inline constexpr std::uint32_t kPaperA3 = 0;
inline constexpr std::uint32_t kPaperA4 = 1;
inline constexpr std::uint32_t kPaperLegal = 17;
inline constexpr std::uint32_t kPaperLetter = 19;
inline constexpr std::uint32_t kPaperCustom = 26;

struct RecordDefaults {
    std::uint32_t paper = kPaperA4;  // PageSize index of the locale's default paper
    std::string tab_font = "Arial";  // UTF-8
};

// The default paper for the first character of the locale's paper size setting: "1" Letter,
// "5" Legal, "8" A3, "9" A4; anything else (or a failed query, 0) A4.
std::uint32_t default_paper_for(char16_t setting);

// Whether a paper is one of the inch-based papers that set the inch defaults (Letter, Legal).
constexpr bool inch_locale(std::uint32_t paper) { return paper == kPaperLetter || paper == kPaperLegal; }

Record make_default_record(const RecordDefaults& defaults);

// Repairs the record in place against these defaults. Returns true when nothing was repaired.
bool validate(Record& record, const RecordDefaults& defaults);

}  // namespace zenta::settings
