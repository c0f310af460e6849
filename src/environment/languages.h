#pragma once
// The user's language. The plug-in knows nine built-in languages, numbered by their language
// index (the index used everywhere: text table columns, language-dependent defaults):
//
//   0 English, 1 French, 2 Italian, 3 German, 4 Spanish, 5 Chinese (simplified), 6 Korean,
//   7 Chinese (traditional), 8 Japanese; 9 and up are languages an additional language file adds.
//
// Windows names languages by 16-bit language identifiers (low 10 bits the primary language,
// high 6 bits the sublanguage). Between the two sits an internal code, 0 to 51, one per language
// the driver package knows; 52 stands for none.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zenta::environment {

namespace language {
inline constexpr int kEnglish = 0;
inline constexpr int kFrench = 1;
inline constexpr int kItalian = 2;
inline constexpr int kGerman = 3;
inline constexpr int kSpanish = 4;
inline constexpr int kChineseSimplified = 5;
inline constexpr int kKorean = 6;
inline constexpr int kChineseTraditional = 7;
inline constexpr int kJapanese = 8;
}  // namespace language

inline constexpr int kBuiltInLanguageCount = 9;
inline constexpr int kInternalCodeCount = 52;
inline constexpr int kNoInternalCode = 52;

// One row of the language mapping table: a primary language and the sublanguages it takes (an
// empty list takes every sublanguage of that primary language).
struct LanguageMapping {
    std::uint8_t code;
    std::uint16_t primary;
    std::uint8_t sublanguage_count;
    std::array<std::uint8_t, 4> sublanguages;
};

// One row of the identifier table of the additional language file: an exact identifier.
struct LanguageIdentifier {
    std::uint16_t identifier;
    std::uint8_t code;
};

std::span<const LanguageMapping> language_mapping_table();
std::span<const LanguageIdentifier> language_identifier_table();

// The internal code of a language identifier from the mapping table: the first row of its
// primary language that takes its sublanguage, else the last row of its primary language;
// nothing when the table has no row for that primary language.
std::optional<int> internal_code_of_language(std::uint16_t language_id);

// The internal code that an additional language file means by an identifier (exact match);
// kNoInternalCode when it is not listed.
int internal_code_of_identifier(std::uint32_t identifier);

// Internal codes 7 to 11 and 16 to 48 are the languages an additional language file may add.
bool is_additional_language_code(int code);

// The built-in language index of an internal code, when one of the nine built-in languages
// stands for it.
std::optional<int> built_in_language_of_code(int code);

// The language identifiers of the user, most preferred first, as the system reports them. From
// operating system class 4 on: the user's language list of the control panel, through
// LocaleNameToLCID; before it: the user's default language or, when it differs from the user
// interface language in its primary language, the user interface language.
std::vector<std::uint16_t> user_language_identifiers(int operating_system_class);

// The user language list: the internal codes of those identifiers (unknown languages dropped).
// Computed once per process; the compute form asks the current system anew.
const std::vector<int>& user_language_list();
std::vector<int> compute_user_language_list(int operating_system_class);

// The current language: the built-in language of the first code in the list that has one;
// English when none has.
int current_language();
int current_language_of(std::span<const int> user_language_list);

// The default tab font: the full-width Japanese "MS P Gothic" in UTF-8 when the current
// language is Japanese, else "Arial".
std::string default_tab_font_name();
std::string default_tab_font_name_for(int language);

}  // namespace zenta::environment
