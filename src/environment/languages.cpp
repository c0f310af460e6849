#include "environment/languages.h"

#include <algorithm>

#include "environment/os_class.h"
#include "platform/last_error.h"
#include "platform/os.h"
#include "util/once.h"

namespace zenta::environment {
namespace {

constexpr LanguageMapping row(int code, int primary) {
    return {static_cast<std::uint8_t>(code), static_cast<std::uint16_t>(primary), 0, {}};
}
constexpr LanguageMapping row(int code, int primary, std::initializer_list<int> subs) {
    LanguageMapping mapping{static_cast<std::uint8_t>(code), static_cast<std::uint16_t>(primary), 0, {}};
    for (int sub : subs) mapping.sublanguages[mapping.sublanguage_count++] = static_cast<std::uint8_t>(sub);
    return mapping;
}

// The language mapping table, searched in this order. Where a primary language has several
// rows, the earlier rows name sublanguages and a later row without any takes the rest (English:
// US, Canada and Caribbean are code 0, every other English 1; Chinese: PRC and Singapore are
// simplified, Hong Kong has a code of its own, the rest is traditional). Rows after one that
// takes every sublanguage of the same primary language are never reached by this search; they
// keep their codes for the identifier table below.
constexpr LanguageMapping kMappings[] = {
    row(0, 0x09, {1, 4, 9}),
    row(1, 0x09),
    row(2, 0x11),
    row(3, 0x07),
    row(4, 0x0C),
    row(5, 0x10),
    row(6, 0x0A),
    row(7, 0x16),
    row(8, 0x19),
    row(9, 0x13),
    row(10, 0x1F),
    row(11, 0x15),
    row(13, 0x04, {2, 4}),
    row(50, 0x04, {3}),
    row(12, 0x04),
    row(14, 0x12),
    row(15, 0x1E),
    row(16, 0x1C),
    row(17, 0x23),
    row(18, 0x1A),
    row(19, 0x02),
    row(20, 0x03),
    row(21, 0x1A),
    row(22, 0x05),
    row(23, 0x06),
    row(24, 0x13, {2}),
    row(25, 0x25),
    row(26, 0x0B),
    row(27, 0x08),
    row(28, 0x0E),
    row(29, 0x0F),
    row(30, 0x3C),
    row(31, 0x26),
    row(32, 0x27),
    row(33, 0x6E),
    row(34, 0x2F),
    row(35, 0x3A),
    row(36, 0x14, {1}),
    row(37, 0x14, {2}),
    row(38, 0x18),
    row(39, 0x17),
    row(40, 0x1A, {7}),
    row(41, 0x1A, {6}),
    row(42, 0x1A, {10}),
    row(43, 0x1A, {9}),
    row(44, 0x1B),
    row(45, 0x24),
    row(46, 0x1D, {2}),
    row(47, 0x1D, {1}),
    row(48, 0x22),
    row(49, 0x21),
    row(51, 0x2A),
};
static_assert(std::size(kMappings) == kInternalCodeCount);

// The identifier table of the additional language file: one Windows language identifier per
// internal code. A code named by sublanguages has the identifier of its first sublanguage
// (24: Dutch of Belgium, 0x0813; 46: Swedish of Finland, 0x081D); a code that takes a whole
// primary language has the identifier of that language's home country (7: Portuguese of
// Portugal, 0x0816; 30: Irish of Ireland, 0x083C). Of the two codes that share Croatian's primary
// language, 18 is Croatian (0x041A) and 21 Serbian in Latin script (0x081A); 40 to 43 are the
// Serbian identifiers their sublanguages name. The Chinese codes use the script identifiers
// (0x0004 simplified, 0x7C04 traditional) and 0x0C04 for Hong Kong.
constexpr LanguageIdentifier kIdentifiers[] = {
    {0x0409, 0},  {0x0809, 1},  {0x0411, 2},  {0x0407, 3},  {0x040C, 4},  {0x0410, 5},  {0x040A, 6},
    {0x0816, 7},  {0x0419, 8},  {0x0413, 9},  {0x041F, 10}, {0x0415, 11}, {0x7C04, 12}, {0x0004, 13},
    {0x0412, 14}, {0x041E, 15}, {0x041C, 16}, {0x0423, 17}, {0x041A, 18}, {0x0402, 19}, {0x0403, 20},
    {0x081A, 21}, {0x0405, 22}, {0x0406, 23}, {0x0813, 24}, {0x0425, 25}, {0x040B, 26}, {0x0408, 27},
    {0x040E, 28}, {0x040F, 29}, {0x083C, 30}, {0x0426, 31}, {0x0427, 32}, {0x046E, 33}, {0x042F, 34},
    {0x043A, 35}, {0x0414, 36}, {0x0814, 37}, {0x0418, 38}, {0x0417, 39}, {0x1C1A, 40}, {0x181A, 41},
    {0x281A, 42}, {0x241A, 43}, {0x041B, 44}, {0x0424, 45}, {0x081D, 46}, {0x041D, 47}, {0x0422, 48},
    {0x0421, 49}, {0x0C04, 50}, {0x042A, 51},
};
static_assert(std::size(kIdentifiers) == kInternalCodeCount);

// The built-in language selection table: internal code -> language index.
struct Selection {
    int code;
    int language;
};
constexpr Selection kSelections[] = {
    {0, language::kEnglish},
    {1, language::kEnglish},
    {2, language::kJapanese},
    {3, language::kGerman},
    {4, language::kFrench},
    {5, language::kItalian},
    {6, language::kSpanish},
    {13, language::kChineseSimplified},
    {12, language::kChineseTraditional},
    {14, language::kKorean},
};

constexpr char16_t kUserProfileKey[] = u"Control Panel\\International\\User Profile";
constexpr char16_t kLanguagesValue[] = u"Languages";

// The control panel's language list: locale names ("de-CH", "en-US") in order of preference.
std::vector<std::uint16_t> profile_language_identifiers(platform::System& sys) {
    std::vector<std::uint16_t> identifiers;
    const platform::LocaleNameToLcidFn locale_name_to_lcid = sys.LocaleNameToLCID();
    if (!locale_name_to_lcid) return identifiers;

    platform::HKEY key = nullptr;
    if (sys.RegOpenKeyExW(platform::kHkeyCurrentUser, kUserProfileKey, 0, platform::kKeyQueryValue, &key) !=
            0 ||
        !key)
        return identifiers;
    std::vector<char16_t> names;
    abi::DWORD type = 0;
    abi::DWORD size = 0;
    const abi::LONG queried = sys.RegQueryValueExW(key, kLanguagesValue, &type, nullptr, &size);
    if ((queried == 0 || queried == static_cast<abi::LONG>(platform::kErrorMoreData)) && size > 0 &&
        size <= 0x7FFFFFFBu) {
        // Four zero bytes more than the value: the list ends in NULs even when the stored value
        // does not.
        const abi::DWORD capacity = size + 4;
        names.assign(capacity / 2 + 1, u'\0');
        abi::DWORD read = capacity;
        if (sys.RegQueryValueExW(key, kLanguagesValue, &type, reinterpret_cast<abi::BYTE*>(names.data()),
                                 &read) != 0)
            names.clear();
    }
    sys.RegCloseKey(key);

    // NUL-separated names; an empty name ends the list.
    std::size_t at = 0;
    while (at < names.size() && names[at] != u'\0') {
        std::size_t end = at;
        while (end < names.size() && names[end] != u'\0') ++end;
        const std::u16string name(names.begin() + static_cast<std::ptrdiff_t>(at),
                                  names.begin() + static_cast<std::ptrdiff_t>(end));
        const abi::DWORD lcid = locale_name_to_lcid(name.c_str(), 0);
        if (lcid != 0) identifiers.push_back(static_cast<std::uint16_t>(lcid & 0xFFFFu));
        at = end + 1;
    }
    return identifiers;
}

}  // namespace

std::span<const LanguageMapping> language_mapping_table() { return kMappings; }
std::span<const LanguageIdentifier> language_identifier_table() { return kIdentifiers; }

std::optional<int> internal_code_of_language(std::uint16_t language_id) {
    const unsigned primary = language_id & 0x3FFu;
    const unsigned sublanguage = language_id >> 10;
    const LanguageMapping* last_of_primary = nullptr;
    for (const LanguageMapping& mapping : kMappings) {
        if (mapping.primary != primary) continue;
        last_of_primary = &mapping;
        if (mapping.sublanguage_count == 0) return mapping.code;
        for (int i = 0; i < mapping.sublanguage_count; ++i)
            if (mapping.sublanguages[static_cast<std::size_t>(i)] == sublanguage) return mapping.code;
    }
    if (last_of_primary) return last_of_primary->code;
    return std::nullopt;
}

int internal_code_of_identifier(std::uint32_t identifier) {
    for (const LanguageIdentifier& entry : kIdentifiers)
        if (entry.identifier == identifier) return entry.code;
    return kNoInternalCode;
}

bool is_additional_language_code(int code) { return (code >= 7 && code <= 11) || (code >= 16 && code <= 48); }

std::optional<int> built_in_language_of_code(int code) {
    for (const Selection& selection : kSelections)
        if (selection.code == code) return selection.language;
    return std::nullopt;
}

std::vector<std::uint16_t> user_language_identifiers(int operating_system_class) {
    platform::System& sys = platform::system();
    if (operating_system_class >= 4) return profile_language_identifiers(sys);
    // Older systems have one user language. The user interface language wins unless the
    // default language is a variant of the same language (then the variant is kept).
    const abi::WORD user_default = sys.GetUserDefaultLangID();
    const abi::WORD user_interface = sys.GetUserDefaultUILanguage();
    return {(user_default & 0x3FFu) == (user_interface & 0x3FFu) ? user_default : user_interface};
}

std::vector<int> compute_user_language_list(int operating_system_class) {
    std::vector<int> codes;
    for (const std::uint16_t identifier : user_language_identifiers(operating_system_class))
        if (const auto code = internal_code_of_language(identifier)) codes.push_back(*code);
    return codes;
}

const std::vector<int>& user_language_list() {
    static util::Once<std::vector<int>> cached;
    return cached.get([] { return compute_user_language_list(operating_system_class()); });
}

int current_language_of(std::span<const int> user_language_list) {
    for (const int code : user_language_list)
        if (const auto language = built_in_language_of_code(code)) return *language;
    return language::kEnglish;
}

int current_language() {
    static util::Once<int> cached;
    return cached.get([] { return current_language_of(user_language_list()); });
}

std::string default_tab_font_name_for(int language) {
    // "ＭＳ Ｐゴシック" in UTF-8: full-width M and S, a space, full-width P, Gothic in katakana.
    if (language == language::kJapanese)
        return "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";
    return "Arial";
}

std::string default_tab_font_name() { return default_tab_font_name_for(current_language()); }

}  // namespace zenta::environment
