// The user's language, the built-in text table and the additional language file, through a
// fake of the system services: a registry holding the control panel's language list, the
// older user language calls, a module path and real files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "environment/language_file.h"
#include "environment/languages.h"
#include "environment/text_table.h"
#include "features/feature_table.h"
#include "platform/native.h"
#include "platform/os.h"
#include "platform/sim/system.h"
#include "util/crypto.h"
#include "util/utf.h"

namespace zenta {
namespace {

namespace env = environment;
namespace lang = environment::language;

#if defined(_WIN32)
constexpr std::u16string_view kLibraryEnding = u".dll";
#else
constexpr std::u16string_view kLibraryEnding = u".so";
#endif

// LocaleNameToLCID as kernel32 answers for the names the tests use.
abi::DWORD fake_locale_name_to_lcid(const char16_t* name, abi::DWORD flags) {
    // "de-DE_phoneb" carries a sort order in the high bits.
    static const std::map<std::u16string, abi::DWORD> lcids = {
        {u"en-US", 0x0409}, {u"en-GB", 0x0809}, {u"fr-CH", 0x100C},           {u"fr-FR", 0x040C},
        {u"de-DE", 0x0407}, {u"de-CH", 0x0807}, {u"pt-PT", 0x0816},           {u"pt-BR", 0x0416},
        {u"zh-HK", 0x0C04}, {u"zh-TW", 0x0404}, {u"zh-CN", 0x0804},           {u"ja-JP", 0x0411},
        {u"ar-SA", 0x0401}, {u"ko-KR", 0x0412}, {u"de-DE_phoneb", 0x00010407}};
    if (flags != 0) return 0;
    const auto it = lcids.find(name);
    return it == lcids.end() ? 0 : it->second;
}

// A multi-string value: each name and its NUL, then the closing NUL.
std::vector<abi::BYTE> multi_string(const std::vector<std::u16string>& names, bool closing_nul = true) {
    std::u16string all;
    for (const auto& name : names) all += name + u'\0';
    if (closing_nul) all += u'\0';
    std::vector<abi::BYTE> bytes;
    for (const char16_t c : all) {
        bytes.push_back(static_cast<abi::BYTE>(c));
        bytes.push_back(static_cast<abi::BYTE>(c >> 8));
    }
    return bytes;
}

// The services the language code reaches, answering as each test sets and recording what was
// asked; time, files and everything else are the host's own.
class FakeSystem : public platform::sim::SimulatedSystem {
public:
    FakeSystem() : SimulatedSystem(platform::sim::Settings::defaults(), host()) {}

    // ---- what the fake answers
    bool has_locale_function = true;
    bool has_profile_key = true;
    std::optional<std::vector<abi::BYTE>> languages_value;
    abi::WORD user_default_language = 0x0409;
    abi::WORD user_interface_language = 0x0409;
    std::u16string module_path;
    std::optional<std::int64_t> reported_file_size;  // instead of the file's own size

    // ---- what the fake saw
    int keys_opened = 0, keys_closed = 0, files_open = 0, reads = 0;
    abi::DWORD opened_access = 0, read_buffer_size = 0, file_access = 0, file_share = 0, file_creation = 0;
    std::u16string opened_file;

    abi::DWORD GetModuleFileNameW(void*, char16_t* buffer, abi::DWORD size) override {
        if (size == 0) return 0;
        const std::size_t n = std::min<std::size_t>(module_path.size(), size - 1);
        std::copy_n(module_path.begin(), n, buffer);
        buffer[n] = u'\0';
        return static_cast<abi::DWORD>(n);
    }
    abi::HANDLE CreateFileW(const char16_t* path, abi::DWORD access, abi::DWORD share, abi::DWORD creation,
                            abi::DWORD flags) override {
        opened_file = path;
        file_access = access, file_share = share, file_creation = creation;
        const abi::HANDLE file = SimulatedSystem::CreateFileW(path, access, share, creation, flags);
        if (file != platform::kInvalidHandleValue) ++files_open;
        return file;
    }
    abi::BOOL GetFileSizeEx(abi::HANDLE file, std::int64_t* size) override {
        if (!reported_file_size) return SimulatedSystem::GetFileSizeEx(file, size);
        *size = *reported_file_size;
        return 1;
    }
    abi::BOOL ReadFile(abi::HANDLE file, void* buffer, abi::DWORD size, abi::DWORD* read) override {
        ++reads;
        return SimulatedSystem::ReadFile(file, buffer, size, read);
    }
    abi::BOOL CloseHandle(abi::HANDLE handle) override {
        --files_open;
        return SimulatedSystem::CloseHandle(handle);
    }

    abi::LONG RegOpenKeyExW(platform::HKEY root, const char16_t* sub_key, abi::DWORD, abi::DWORD access,
                            platform::HKEY* result) override {
        if (!has_profile_key || root != platform::kHkeyCurrentUser ||
            std::u16string_view(sub_key) != u"Control Panel\\International\\User Profile")
            return 2;  // ERROR_FILE_NOT_FOUND
        ++keys_opened;
        opened_access = access;
        *result = this;
        return 0;
    }
    abi::LONG RegQueryValueExW(platform::HKEY key, const char16_t* value_name, abi::DWORD* type,
                               abi::BYTE* data, abi::DWORD* size) override {
        if (key != this || std::u16string_view(value_name) != u"Languages" || !languages_value) return 2;
        if (type) *type = 7;  // REG_MULTI_SZ
        const auto& value = *languages_value;
        const abi::DWORD given = *size;
        *size = static_cast<abi::DWORD>(value.size());
        if (!data) return 0;
        read_buffer_size = given;
        if (std::any_of(data, data + given, [](abi::BYTE b) { return b != 0; }))
            return 87;                         // the caller hands over a zeroed buffer
        if (given < value.size()) return 234;  // ERROR_MORE_DATA
        std::copy(value.begin(), value.end(), data);
        return 0;
    }
    abi::LONG RegCloseKey(platform::HKEY) override {
        ++keys_closed;
        return 0;
    }

    abi::WORD GetUserDefaultLangID() override { return user_default_language; }
    abi::WORD GetUserDefaultUILanguage() override { return user_interface_language; }
    platform::LocaleNameToLcidFn LocaleNameToLCID() override {
        return has_locale_function ? fake_locale_name_to_lcid : nullptr;
    }

private:
    static platform::System& host() {
        static const std::unique_ptr<platform::System> native = platform::make_native_system();
        return *native;
    }
};

// The user language list and current language on a system of class 4 or above whose control
// panel lists these languages.
struct ListedLanguages {
    std::vector<int> codes;
    int current;
};
ListedLanguages with_profile_languages(const std::vector<std::u16string>& names) {
    FakeSystem sys;
    sys.languages_value = multi_string(names);
    platform::ScopedServices scope(nullptr, &sys);
    const auto codes = env::compute_user_language_list(4);
    EXPECT_EQ(sys.keys_opened, sys.keys_closed);
    return {codes, env::current_language_of(codes)};
}

// ---------------------------------------------------------------- mapping tables

TEST(LanguageTables, EveryInternalCodeHasOneRowInEachTable) {
    std::multiset<int> mapped, identified;
    std::set<int> identifiers;
    for (const auto& row : env::language_mapping_table()) mapped.insert(row.code);
    for (const auto& row : env::language_identifier_table()) {
        identified.insert(row.code);
        identifiers.insert(row.identifier);
    }
    ASSERT_EQ(mapped.size(), 52u);
    ASSERT_EQ(identified.size(), 52u);
    EXPECT_EQ(identifiers.size(), 52u) << "identifiers are unique";
    for (int code = 0; code < 52; ++code) {
        EXPECT_EQ(mapped.count(code), 1u) << code;
        EXPECT_EQ(identified.count(code), 1u) << code;
    }
    // An identifier of the file's table means a language of the same primary language as the
    // mapping table's row for its code.
    for (const auto& id : env::language_identifier_table()) {
        for (const auto& row : env::language_mapping_table())
            if (row.code == id.code) {
                EXPECT_EQ(row.primary, id.identifier & 0x3FF) << "code " << int(id.code);
            }
    }
}

TEST(LanguageTables, MapsIdentifiersByPrimaryAndSublanguage) {
    // clang-format off
    const std::pair<abi::WORD, std::optional<int>> cases[] = {
        // English: the first row takes US and sublanguage 4 (Canada), the second row the rest (UK).
        {0x0409, 0}, {0x1009, 0}, {0x0809, 1},
        // French (Switzerland): the French row takes every sublanguage; so does the Dutch row
        // before Dutch (Belgium).
        {0x100C, 4}, {0x0813, 9},
        // Chinese: Hong Kong; Taiwan and Macao traditional; the PRC and Singapore simplified.
        {0x0C04, 50}, {0x0404, 12}, {0x1404, 12}, {0x0804, 13}, {0x1004, 13},
        // Portuguese (Brazil); Norwegian Bokmal and Nynorsk; when no Norwegian or Swedish row
        // fits, the last one.
        {0x0416, 7}, {0x0414, 36}, {0x0814, 37}, {0x0C14, 37}, {0x0C1D, 47},
        // Arabic has no row.
        {0x0401, std::nullopt}, {0x0000, std::nullopt}};
    // clang-format on
    for (const auto& [identifier, code] : cases)
        EXPECT_EQ(env::internal_code_of_language(identifier), code) << std::hex << identifier;
}

TEST(LanguageTables, FileIdentifiersMatchExactly) {
    // Brazil's Portuguese, Swiss French and an identifier with a sort order are not listed.
    constexpr int none = env::kNoInternalCode;
    const std::pair<std::uint32_t, int> given[] = {
        {0x0409, 0},  {0x0809, 1},  {0x0411, 2},    {0x0407, 3},    {0x040C, 4},
        {0x0410, 5},  {0x040A, 6},  {0x0004, 13},   {0x7C04, 12},   {0x0412, 14},
        {0x041E, 15}, {0x0413, 9},  {0x0816, 7},    {0x0419, 8},    {0x041F, 10},
        {0x0415, 11}, {0x0C04, 50}, {0x0416, none}, {0x100C, none}, {0x10409, none},
    };
    for (const auto& [identifier, code] : given)
        EXPECT_EQ(env::internal_code_of_identifier(identifier), code) << std::hex << identifier;
}

TEST(LanguageTables, AdditionalAndBuiltInCodes) {
    std::vector<int> additional;
    for (int code = 0; code <= 52; ++code)
        if (env::is_additional_language_code(code)) additional.push_back(code);
    std::vector<int> expected;
    for (int code = 7; code <= 11; ++code) expected.push_back(code);
    for (int code = 16; code <= 48; ++code) expected.push_back(code);
    EXPECT_EQ(additional, expected);

    const std::map<int, int> selection = {{0, 0}, {1, 0}, {2, 8},  {3, 3},  {4, 1},
                                          {5, 2}, {6, 4}, {13, 5}, {12, 7}, {14, 6}};
    for (int code = 0; code <= 52; ++code) {
        const auto it = selection.find(code);
        const auto expected = it == selection.end() ? std::nullopt : std::optional<int>(it->second);
        EXPECT_EQ(env::built_in_language_of_code(code), expected) << code;
    }
}

// ---------------------------------------------------------------- user language list

TEST(UserLanguages, ControlPanelListInOrder) {
    // The current language is the first listed one that is built in, else English.
    const struct {
        std::vector<std::u16string> names;
        std::vector<int> codes;
        int current;
    } cases[] = {
        {{u"fr-CH", u"en-US"}, {4, 0}, lang::kFrench},
        {{u"pt-PT", u"de-DE"}, {7, 3}, lang::kGerman},  // Portuguese has no built-in language
        {{u"zh-HK"}, {50}, lang::kEnglish},
        {{u"zh-TW"}, {12}, lang::kChineseTraditional},
        {{u"zh-CN"}, {13}, lang::kChineseSimplified},
        {{u"ja-JP", u"en-US"}, {2, 0}, lang::kJapanese},
        {{u"ko-KR"}, {14}, lang::kKorean},
        // "xx-XX" has no LCID; Arabic has no row; a sort order in the LCID's high bits is ignored.
        {{u"xx-XX", u"ar-SA", u"de-DE_phoneb", u"en-GB"}, {3, 1}, lang::kGerman},
    };
    for (const auto& c : cases) {
        const auto listed = with_profile_languages(c.names);
        EXPECT_EQ(listed.codes, c.codes) << util::utf16_to_utf8(c.names[0]);
        EXPECT_EQ(listed.current, c.current) << util::utf16_to_utf8(c.names[0]);
    }
}

TEST(UserLanguages, ReadsTheValueIntoAZeroedBufferFourBytesLarger) {
    FakeSystem sys;
    sys.languages_value = multi_string({u"fr-FR", u"de-DE"}, /*closing_nul=*/false);
    platform::ScopedServices scope(nullptr, &sys);
    EXPECT_EQ(env::user_language_identifiers(4), (std::vector<abi::WORD>{0x040C, 0x0407}));
    EXPECT_EQ(sys.read_buffer_size, sys.languages_value->size() + 4);
    EXPECT_EQ(sys.opened_access, platform::kKeyQueryValue);
    EXPECT_EQ(sys.keys_opened, 1);
    EXPECT_EQ(sys.keys_closed, 1);
}

TEST(UserLanguages, NoFallbackFromClassFourOn) {
    FakeSystem sys;
    sys.user_default_language = sys.user_interface_language = 0x0411;  // would be Japanese below class 4
    platform::ScopedServices scope(nullptr, &sys);

    sys.languages_value.reset();  // the value is absent
    EXPECT_TRUE(env::compute_user_language_list(4).empty());
    EXPECT_EQ(env::current_language_of(env::compute_user_language_list(6)), lang::kEnglish);

    sys.languages_value = std::vector<abi::BYTE>{};  // the value is empty
    EXPECT_TRUE(env::compute_user_language_list(5).empty());

    sys.languages_value = multi_string({});  // only the closing NUL
    EXPECT_TRUE(env::compute_user_language_list(5).empty());

    sys.languages_value = multi_string({u"ja-JP"});
    sys.has_profile_key = false;  // the key is absent
    EXPECT_TRUE(env::compute_user_language_list(4).empty());

    sys.has_profile_key = true;
    sys.has_locale_function = false;  // kernel32 without LocaleNameToLCID
    const int opened = sys.keys_opened;
    EXPECT_TRUE(env::compute_user_language_list(4).empty());
    EXPECT_EQ(sys.keys_opened, opened);
    EXPECT_EQ(sys.keys_opened, sys.keys_closed);
}

TEST(UserLanguages, BeforeClassFourOneLanguageFromTheUserCalls) {
    FakeSystem sys;
    sys.languages_value = multi_string({u"fr-FR"});  // not consulted below class 4
    platform::ScopedServices scope(nullptr, &sys);

    // Same primary language: the default language (with its country) is kept.
    sys.user_default_language = 0x0807;
    sys.user_interface_language = 0x0407;
    EXPECT_EQ(env::user_language_identifiers(3), std::vector<abi::WORD>{0x0807});
    EXPECT_EQ(env::current_language_of(env::compute_user_language_list(3)), lang::kGerman);

    // Different primary languages: the user interface language wins.
    sys.user_default_language = 0x0411;
    sys.user_interface_language = 0x0409;
    EXPECT_EQ(env::user_language_identifiers(2), std::vector<abi::WORD>{0x0409});
    EXPECT_EQ(env::current_language_of(env::compute_user_language_list(2)), lang::kEnglish);

    sys.user_default_language = 0x0409;
    sys.user_interface_language = 0x0C04;
    EXPECT_EQ(env::compute_user_language_list(0), std::vector<int>{50});
    EXPECT_EQ(sys.keys_opened, 0);
}

TEST(UserLanguages, CurrentLanguageOfAList) {
    EXPECT_EQ(env::current_language_of({}), lang::kEnglish);
    EXPECT_EQ(env::current_language_of(std::vector<int>{7, 8, 50, 12}), lang::kChineseTraditional);
    EXPECT_EQ(env::current_language_of(std::vector<int>{2, 3}), lang::kJapanese);
    EXPECT_EQ(env::current_language_of(std::vector<int>{1}), lang::kEnglish);
}

TEST(UserLanguages, DefaultTabFont) {
    const std::string gothic =
        "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";
    ASSERT_EQ(util::utf8_to_utf16(gothic), u"ＭＳ Ｐゴシック");
    for (int language = 0; language <= 9; ++language)
        EXPECT_EQ(env::default_tab_font_name_for(language), language == lang::kJapanese ? gothic : "Arial")
            << language;
    // Through the user's list: Hong Kong Chinese has no built-in language, Japanese comes next.
    EXPECT_EQ(env::default_tab_font_name_for(with_profile_languages({u"zh-HK", u"ja-JP"}).current), gothic);
    const std::string process_default = env::default_tab_font_name();
    EXPECT_TRUE(process_default == "Arial" || process_default == gothic);
}

// ---------------------------------------------------------------- text table

TEST(TextTable, LookupEdges) {
    EXPECT_EQ(env::text(9, 2), u"English");  // additional languages read English
    EXPECT_EQ(env::text(-1, 2), u"English");
    EXPECT_TRUE(env::text(0, 2713).empty());
    EXPECT_TRUE(env::text(0, -1).empty());
    EXPECT_TRUE(env::text(0, env::kLastLabelId).empty());
    EXPECT_TRUE(env::text_key(env::kLastLabelId).empty());
    EXPECT_NE(env::text(0, 2713).data(), nullptr);
    EXPECT_NE(env::text(0, 1500).data(), nullptr);  // a reserved row: empty, not null
    // Views into the table: the same text each time, not a copy.
    EXPECT_EQ(env::text(0, 120).data(), env::text(0, 120).data());
    EXPECT_EQ(env::text(9, 120).data(), env::text(0, 120).data());
    EXPECT_GE(env::language_count(), env::kBuiltInLanguageCount);
}

TEST(TextTable, LanguageRowsAgreeWithTheLanguageTables) {
    // Row 1 holds each language's code; through the identifier table and the selection table it
    // must lead back to the language that reads that column.
    // Rows 0 to 3 per language: version, code, native name, and the name in English.
    const std::u16string_view rows[][3] = {
        {u"US - 331", u"0x0409", u"English"},  {u"FR - 331", u"0x040C", u"Français"},
        {u"IT - 331", u"0x0410", u"Italiano"}, {u"DE - 331", u"0x0407", u"Deutsch"},
        {u"ES - 331", u"0x040A", u"Español"},  {u"CN - 331", u"0x0004", u"简体中文"},
        {u"KO - 331", u"0x0412", u"한국어"},   {u"TW - 331", u"0x7C04", u"中國傳統"},
        {u"JA - 331", u"0x0411", u"日本語"}};
    ASSERT_EQ(std::size(rows), std::size_t{env::kBuiltInLanguageCount});
    for (int language = 0; language < env::kBuiltInLanguageCount; ++language) {
        SCOPED_TRACE(language);
        for (int label = 0; label < 3; ++label) EXPECT_EQ(env::text(language, label), rows[language][label]);
        EXPECT_EQ(env::text(language, 3), u"English");
        const std::string narrow = util::utf16_to_utf8(env::text(language, 1));
        const int code =
            env::internal_code_of_identifier(static_cast<std::uint32_t>(std::stoul(narrow, nullptr, 16)));
        EXPECT_EQ(env::built_in_language_of_code(code), language);
    }
    const std::u16string_view keys[] = {u"L10N_LBL_LANGUAGE_VERSION", u"L10N_LBL_LANGUAGECODE",
                                        u"L10N_OPT_LANGUAGE_NATIVE", u"L10N_OPT_LANGUAGE_USENGLISH"};
    for (int label = 0; label < 4; ++label) EXPECT_EQ(env::text_key(label), keys[label]);
}

TEST(TextTable, KeysAreUniqueAndNamed) {
    std::set<std::u16string_view> keys;
    for (int id = 0; id < env::kLastLabelId; ++id) {
        const auto key = env::text_key(id);
        EXPECT_EQ(key.substr(0, 5), u"L10N_") << id;
        EXPECT_TRUE(keys.insert(key).second) << "duplicate key at " << id;
        EXPECT_EQ(env::label_id_of_key(key), id);
    }
    EXPECT_EQ(env::label_id_of_key(u"L10N_LBL_INPUTSLOT"), 11);
    EXPECT_EQ(env::label_id_of_key(u"L10N_LBL_PAGESIZE"), 120);
    EXPECT_EQ(env::label_id_of_key(u"L10N_NO_SUCH_KEY"), -1);
    EXPECT_EQ(env::label_id_of_key(u""), -1);
}

// Labels of the features whose names come from outside: bins (InputSlot) and papers (PageSize).
std::vector<int> matched_labels(std::string_view feature_key) {
    const auto id = features::find_feature(feature_key);
    EXPECT_TRUE(id.has_value()) << feature_key;
    std::vector<int> labels;
    if (!id) return labels;
    const auto* descriptor = features::feature(*id).descriptor;
    labels.push_back(descriptor->label);
    for (const auto& option : descriptor->options) labels.push_back(option.label);
    return labels;
}

TEST(TextTable, RowsReadAcrossLanguagesAreComplete) {
    std::vector<int> required = {0, 1, 2, 3, 2505, 2506, 2507};
    for (const int label : matched_labels("InputSlot")) required.push_back(label);
    for (const int label : matched_labels("PageSize")) required.push_back(label);
    ASSERT_EQ(required.size(), 7u + 13u + 27u);
    for (const int label : required)
        for (int column = 0; column < env::kTextColumnCount; ++column)
            EXPECT_FALSE(env::text_in_column(column, label).empty())
                << "label " << label << " column " << column;

    EXPECT_EQ(env::text(lang::kEnglish, 11), u"Paper Tray");
    EXPECT_EQ(env::text(lang::kGerman, 11), u"Papierfach");
    EXPECT_EQ(env::text(lang::kJapanese, 145), u"レター");
    EXPECT_EQ(env::text(lang::kEnglish, 2505), u"This value got automatically changed by another feature.");
    EXPECT_EQ(env::text(lang::kEnglish, 2506), u"Some values got automatically changed by another feature.");
    EXPECT_EQ(env::text(lang::kEnglish, 2507), u"Changing this value also changed another feature.");
    EXPECT_EQ(env::text_key(2505), u"L10N_LBL_CONSTRAINTINFOFORFEATURE");
    EXPECT_EQ(env::text_key(2506), u"L10N_LBL_CONSTRAINTINFOFORPANEL");
    EXPECT_EQ(env::text_key(2507), u"L10N_LBL_CONSTRAINTINFOFORINITIALFEATURE");
}

TEST(TextTable, NamesOfDifferentBinsAndPapersNeverCollide) {
    // A name from outside is matched in every language in turn: a name of one option in any
    // language must not be a name of another option in any language.
    for (const char* feature : {"InputSlot", "PageSize"}) {
        const auto labels = matched_labels(feature);
        std::map<std::u16string_view, int> owner;
        for (std::size_t i = 1; i < labels.size(); ++i)
            for (int column = 0; column < env::kTextColumnCount; ++column) {
                const auto name = env::text_in_column(column, labels[i]);
                const auto [it, fresh] = owner.emplace(name, labels[i]);
                EXPECT_TRUE(fresh || it->second == labels[i])
                    << feature << ": \"" << util::utf16_to_utf8(name) << "\" names labels " << it->second
                    << " and " << labels[i];
            }
    }
}

TEST(TextTable, EveryLabelOfTheFeatureDataHasAKeyAndEnglish) {
    std::set<int> labels;
    for (const auto& f : features::kFeatures) {
        if (f.descriptor) {
            labels.insert(f.descriptor->label);
            for (const auto& option : f.descriptor->options) labels.insert(option.label);
        }
        if (f.range)
            for (const auto& unit : f.range->units) labels.insert(unit.label);
    }
    labels.erase(-1);
    EXPECT_GT(labels.size(), 1000u);
    for (const int label : labels) {
        ASSERT_GE(label, 0);
        ASSERT_LT(label, env::kLastLabelId);
        const auto key = env::text_key(label);
        EXPECT_EQ(key.find(u"RESERVED"), std::u16string_view::npos) << label;
        // The unit of plain counts is the one label whose text is empty on purpose.
        if (key != u"L10N_LBL_UNIT_COUNT") {
            EXPECT_FALSE(env::text(lang::kEnglish, label).empty()) << label;
        }
    }
}

// ---------------------------------------------------------------- additional language file

std::string read_text_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own for the files of one test, removed afterwards.
class LanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("zenta-lng-" + std::string(info->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        sys_.module_path = (dir_ / "zenta_ps").u16string() + std::u16string(kLibraryEnding);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::filesystem::path lng() const { return dir_ / "zenta.lng"; }

    int count() {
        platform::ScopedServices scope(nullptr, &sys_);
        const int n = env::read_additional_language_count(nullptr);
        EXPECT_EQ(sys_.files_open, 0) << "the file is closed";
        return n;
    }

    std::filesystem::path dir_;
    FakeSystem sys_;
};

constexpr std::u16string_view kThreeLanguages =
    u"L10N_LBL_LANGUAGE_VERSION\tPT - 331\tRU - 331\tUS - 331\n"
    u"L10N_LBL_LANGUAGECODE\t0x0816\t0x0419\t0x0409\n"
    u"L10N_OPT_LANGUAGE_NATIVE\tPortuguês\tРусский\tEnglish\n";

TEST_F(LanguageFileTest, ReadsTheFileBesideTheModule) {
    const auto file = env::encode_language_file(kThreeLanguages);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->size() % 16, 0u);
    EXPECT_GE(file->size(), kThreeLanguages.size() * 2);
    write_bytes(lng(), *file);
    // Portuguese and Russian are additional languages; US English is built in.
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(std::filesystem::path(sys_.opened_file), lng());
    EXPECT_EQ(sys_.file_access, platform::kGenericRead);
    EXPECT_EQ(sys_.file_share, platform::kFileShareRead);
    EXPECT_EQ(sys_.file_creation, platform::kOpenExisting);
}

TEST_F(LanguageFileTest, EncodingRoundTrips) {
    const auto file = env::encode_language_file(kThreeLanguages);
    ASSERT_TRUE(file.has_value());
    const std::u16string plain_prefix(kThreeLanguages.substr(0, 8));
    EXPECT_NE(std::u16string(reinterpret_cast<const char16_t*>(file->data()), 8), plain_prefix)
        << "enciphered";
    EXPECT_EQ(env::decode_language_file(*file), std::u16string(kThreeLanguages));
    // Bytes after the last whole block (of the file and two zero bytes) are not deciphered.
    auto longer = *file;
    longer.insert(longer.end(), {0xAB, 0xCD, 0xEF});
    EXPECT_EQ(env::decode_language_file(longer), std::u16string(kThreeLanguages));
    write_bytes(lng(), longer);
    EXPECT_EQ(count(), 2);
}

TEST_F(LanguageFileTest, MissingSmallLargeAndCorruptFilesCountNothing) {
    EXPECT_EQ(count(), 0);  // missing
    EXPECT_EQ(sys_.reads, 0);

    write_bytes(lng(), {0x41});  // one byte
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(sys_.reads, 0);

    write_bytes(lng(), {0x41, 0x42});  // two bytes: read, deciphered to nothing useful
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(sys_.reads, 1);

    const auto file = env::encode_language_file(kThreeLanguages);
    ASSERT_TRUE(file.has_value());
    write_bytes(lng(), *file);
    sys_.reported_file_size = env::kLanguageFileSizeLimit;  // 100 MiB: too large
    sys_.reads = 0;
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(sys_.reads, 0);
    sys_.reported_file_size.reset();
    EXPECT_EQ(count(), 2);

    // One changed byte garbles the block that holds the language code line's key.
    auto corrupt = *file;
    corrupt[kThreeLanguages.find(u"L10N_LBL_LANGUAGECODE") * 2 + 4] ^= 0x01;
    write_bytes(lng(), corrupt);
    EXPECT_EQ(count(), 0);

    // The right text under another key.
    std::vector<std::uint8_t> plain;
    for (const char16_t c : kThreeLanguages)
        plain.insert(plain.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
    plain.resize((plain.size() + 15) / 16 * 16);
    std::vector<std::uint8_t> foreign(plain.size());
    const util::Aes256Key other_key{1, 2, 3};
    ASSERT_TRUE(util::aes256_cbc_encrypt(other_key, util::AesBlock{}, plain, foreign));
    write_bytes(lng(), foreign);
    EXPECT_EQ(count(), 0);

    write_bytes(lng(), *file);  // the good file, beside a module that is not a library
    sys_.module_path = (dir_ / "zenta_ps.exe").u16string();
    EXPECT_EQ(count(), 0);
}

TEST(LanguageFileText, CountsTheAnnouncedAdditionalLanguages) {
    const std::pair<std::u16string_view, int> cases[] = {
        {u"L10N_LBL_LANGUAGECODE\t0x0816\t0x0419\t0x0409", 2},
        // Either prefix or none; codes 7 to 11 and 16 to 48 count, built-in, Thai (15), Indonesian
        // (49), Hong Kong (50), Vietnamese (51) and unknown identifiers do not.
        {u"L10N_LBL_LANGUAGECODE\t0X0415\t041F\t0x0413\t0x0422\t0x041C", 5},
        {u"L10N_LBL_LANGUAGECODE\t0x041E\t0x0421\t0x0C04\t0x042A\t0x0411\t0x0416\t0x7C04", 0},
        {u"L10N_LBL_LANGUAGECODE\tzz\t\t0x\t0x123456789\t-0x0816\t0x0816", 1},
        // The line may come anywhere, end in CR LF, follow a byte order mark.
        {u"\uFEFFL10N_LBL_LANGUAGE_VERSION\tX\r\nL10N_LBL_LANGUAGECODE\t0x0816\t0x0419\r\nL10N_X\t1\r\n", 2},
        // Only a line that starts with the key, and only the first such line.
        {u"L10N_OTHER\tL10N_LBL_LANGUAGECODE\t0x0816\n", 0},
        {u"L10N_LBL_LANGUAGECODE\t0x0816\nL10N_LBL_LANGUAGECODE\t0x0816\t0x0419\n", 1},
        {u"L10N_LBL_LANGUAGECODE", 0},
        {u"", 0},
        {u"L10N_LBL_LANGUAGECODES\t0x0816", 0},
    };
    for (const auto& [text, count] : cases)
        EXPECT_EQ(env::count_additional_languages(text), count) << util::utf16_to_utf8(text);
}

TEST(LanguageFileFixture, TheCommittedFileStillDeciphers) {
    // Made by `zenta lng encode zenta.txt zenta.lng`: the key and IV must not drift.
    const std::filesystem::path dir = std::filesystem::path(ZENTA_TEST_DATA_DIR) / "lng";
    const std::string source = read_text_file(dir / "zenta.txt");
    ASSERT_FALSE(source.empty());
    const std::string fixture = read_text_file(dir / "zenta.lng");
    ASSERT_FALSE(fixture.empty());
    const auto text = env::decode_language_file(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(fixture.data()), fixture.size()));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, util::utf8_to_utf16(source));

    FakeSystem sys;
    sys.module_path = (dir / "zenta_ps").u16string() + std::u16string(kLibraryEnding);
    platform::ScopedServices scope(nullptr, &sys);
    EXPECT_EQ(env::read_additional_language_count(nullptr), 3);
}

}  // namespace
}  // namespace zenta
