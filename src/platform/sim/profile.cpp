#include "platform/sim/profile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <set>
#include <span>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>

#include "util/base64.h"
#include "util/byte_order.h"
#include "util/hex.h"
#include "util/once.h"
#include "util/utf.h"

namespace zenta::platform::sim {

// ---------------------------------------------------------------------------------------
// Names without regard to case

namespace {

char16_t fold(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    // Latin-1 lower-case letters (à to þ, without ÷) and their upper-case partners.
    if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return static_cast<char16_t>(c - 0x20);
    return c;
}

}  // namespace

int compare_no_case(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const char16_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool equal_no_case(std::u16string_view a, std::u16string_view b) { return compare_no_case(a, b) == 0; }

// ---------------------------------------------------------------------------------------
// Values

DataValue dword_value(abi::DWORD value) {
    DataValue v{abi::REG_DWORD, std::vector<abi::BYTE>(4)};
    util::store_le32(v.bytes.data(), value);
    return v;
}

namespace {

void append_text(std::vector<abi::BYTE>& bytes, std::u16string_view text) {
    for (const char16_t c : text) {
        bytes.push_back(static_cast<abi::BYTE>(c & 0xFF));
        bytes.push_back(static_cast<abi::BYTE>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
}

}  // namespace

DataValue string_value(std::u16string_view text) {
    DataValue v{abi::REG_SZ, {}};
    append_text(v.bytes, text);
    return v;
}

DataValue multi_string_value(const std::vector<std::u16string>& texts) {
    DataValue v{abi::REG_MULTI_SZ, {}};
    for (const auto& text : texts) append_text(v.bytes, text);
    v.bytes.push_back(0);
    v.bytes.push_back(0);
    return v;
}

DataValue binary_value(std::vector<abi::BYTE> bytes) { return DataValue{abi::REG_BINARY, std::move(bytes)}; }

// ---------------------------------------------------------------------------------------
// Built-in tables

const std::vector<Form>& standard_forms() {
    static util::Once<std::vector<Form>> forms;
    return forms.get([] {
        std::vector<Form> list;
#define ZENTA_STANDARD_FORM(name, width, height) \
    list.push_back(Form{name, kFormBuiltin, {width, height}, {0, 0, width, height}});
#include "platform/sim/standard_forms.inc"
#undef ZENTA_STANDARD_FORM
        return list;
    });
}

const std::map<std::u16string, abi::DWORD, NoCaseLess>& builtin_locale_names() {
    static util::Once<std::map<std::u16string, abi::DWORD, NoCaseLess>> names;
    return names.get([] {
        static constexpr std::pair<std::u16string_view, abi::DWORD> kTable[] = {
            {u"en-US", 0x0409},
            {u"en-GB", 0x0809},
            {u"en-AU", 0x0C09},
            {u"en-CA", 0x1009},
            {u"en-IE", 0x1809},
            {u"en-NZ", 0x1409},
            {u"en-IN", 0x4009},
            {u"fr-FR", 0x040C},
            {u"fr-BE", 0x080C},
            {u"fr-CA", 0x0C0C},
            {u"fr-CH", 0x100C},
            {u"fr-LU", 0x140C},
            {u"de-DE", 0x0407},
            {u"de-CH", 0x0807},
            {u"de-AT", 0x0C07},
            {u"de-LU", 0x1007},
            {u"it-IT", 0x0410},
            {u"it-CH", 0x0810},
            {u"es-ES", 0x0C0A},
            {u"es-MX", 0x080A},
            {u"es-US", 0x540A},
            {u"pt-BR", 0x0416},
            {u"pt-PT", 0x0816},
            {u"nl-NL", 0x0413},
            {u"nl-BE", 0x0813},
            {u"ja-JP", 0x0411},
            {u"ko-KR", 0x0412},
            {u"zh-CN", 0x0804},
            {u"zh-TW", 0x0404},
            {u"zh-HK", 0x0C04},
            {u"zh-SG", 0x1004},
            {u"zh-MO", 0x1404},
            {u"zh-Hans-CN", 0x0804},
            {u"zh-Hant-TW", 0x0404},
            {u"zh-Hant-HK", 0x0C04},
            {u"ru-RU", 0x0419},
            {u"tr-TR", 0x041F},
            {u"pl-PL", 0x0415},
            {u"cs-CZ", 0x0405},
            {u"sk-SK", 0x041B},
            {u"hu-HU", 0x040E},
            {u"el-GR", 0x0408},
            {u"sv-SE", 0x041D},
            {u"da-DK", 0x0406},
            {u"fi-FI", 0x040B},
            {u"nb-NO", 0x0414},
            {u"th-TH", 0x041E},
            {u"uk-UA", 0x0422},
            {u"ro-RO", 0x0418},
            {u"bg-BG", 0x0402},
            {u"hr-HR", 0x041A},
            {u"sl-SI", 0x0424},
            {u"he-IL", 0x040D},
            {u"ar-SA", 0x0401},
            {u"vi-VN", 0x042A},
            {u"id-ID", 0x0421},
            // Neutral names.
            {u"en", 0x0009},
            {u"fr", 0x000C},
            {u"de", 0x0007},
            {u"it", 0x0010},
            {u"es", 0x000A},
            {u"pt", 0x0016},
            {u"nl", 0x0013},
            {u"ja", 0x0011},
            {u"ko", 0x0012},
            {u"ru", 0x0019},
            {u"zh-Hans", 0x0004},
            {u"zh-Hant", 0x7C04},
            {u"zh", 0x7804},
        };
        std::map<std::u16string, abi::DWORD, NoCaseLess> map;
        for (const auto& [name, lcid] : kTable) map.emplace(name, lcid);
        return map;
    });
}

Settings Settings::defaults() {
    Settings s;
    s.registry.push_back(RegistryValue{kHkeyCurrentUserId, u"Control Panel\\International\\User Profile",
                                       u"Languages", multi_string_value({u"en-US"})});
    s.registry.push_back(RegistryValue{
        kHkeyLocalMachineId, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
        u"Common AppData", string_value(u"C:\\ProgramData")});
    s.locale_names = builtin_locale_names();
    return s;
}

// ---------------------------------------------------------------------------------------
// DEVMODE

namespace {

constexpr std::size_t kDevmodeSize = sizeof(abi::DEVMODEW);

enum class FieldKind { Short, Word, Dword, Text32 };

struct DevmodeField {
    const char* key;
    std::size_t offset;
    FieldKind kind;
    abi::DWORD bit;  // its dmFields bit, 0 for none
};

constexpr DevmodeField kDevmodeFields[] = {
    {"spec_version", 64, FieldKind::Word, 0},
    {"driver_version", 66, FieldKind::Word, 0},
    {"orientation", 76, FieldKind::Short, 0x00000001},
    {"paper_size", 78, FieldKind::Short, 0x00000002},
    {"paper_length", 80, FieldKind::Short, 0x00000004},
    {"paper_width", 82, FieldKind::Short, 0x00000008},
    {"scale", 84, FieldKind::Short, 0x00000010},
    {"copies", 86, FieldKind::Short, 0x00000100},
    {"default_source", 88, FieldKind::Short, 0x00000200},
    {"print_quality", 90, FieldKind::Short, 0x00000400},
    {"color", 92, FieldKind::Short, 0x00000800},
    {"duplex", 94, FieldKind::Short, 0x00001000},
    {"y_resolution", 96, FieldKind::Short, 0x00002000},
    {"tt_option", 98, FieldKind::Short, 0x00004000},
    {"collate", 100, FieldKind::Short, 0x00008000},
    {"form_name", 102, FieldKind::Text32, 0x00010000},
    {"log_pixels", 166, FieldKind::Word, 0x00020000},
    {"bits_per_pel", 168, FieldKind::Dword, 0x00040000},
    {"pels_width", 172, FieldKind::Dword, 0x00080000},
    {"pels_height", 176, FieldKind::Dword, 0x00100000},
    {"nup", 180, FieldKind::Dword, 0x00000040},
    {"display_frequency", 184, FieldKind::Dword, 0x00400000},
    {"icm_method", 188, FieldKind::Dword, 0x00800000},
    {"icm_intent", 192, FieldKind::Dword, 0x01000000},
    {"media_type", 196, FieldKind::Dword, 0x02000000},
    {"dither_type", 200, FieldKind::Dword, 0x04000000},
    {"panning_width", 212, FieldKind::Dword, 0x08000000},
    {"panning_height", 216, FieldKind::Dword, 0x10000000},
};

// Up to 31 units and a NUL, the rest zero.
void store_text32(abi::BYTE* p, std::u16string_view text) {
    std::memset(p, 0, 64);
    const std::size_t n = std::min<std::size_t>(text.size(), 31);
    for (std::size_t i = 0; i < n; ++i) util::store_le16(p + 2 * i, text[i]);
}

}  // namespace

std::vector<abi::BYTE> default_devmode(std::u16string_view device_name) {
    std::vector<abi::BYTE> dm(kDevmodeSize, 0);
    abi::BYTE* p = dm.data();
    store_text32(p, device_name);
    util::store_le16(p + 64, 0x0401);  // dmSpecVersion
    util::store_le16(p + 66, 0x0600);  // dmDriverVersion
    util::store_le16(p + 68, static_cast<std::uint16_t>(kDevmodeSize));
    util::store_le16(p + 70, 0);     // dmDriverExtra
    util::store_le16(p + 76, 1);     // portrait
    util::store_le16(p + 78, 9);     // A4
    util::store_le16(p + 80, 2970);  // tenths of a millimetre
    util::store_le16(p + 82, 2100);
    util::store_le16(p + 84, 100);  // scale
    util::store_le16(p + 86, 1);    // copies
    util::store_le16(p + 88, 15);   // DMBIN_FORMSOURCE
    util::store_le16(p + 90, 600);  // dpi
    util::store_le16(p + 92, 2);    // colour
    util::store_le16(p + 94, 1);    // simplex
    util::store_le16(p + 96, 600);
    util::store_le16(p + 98, 4);   // DMTT_DOWNLOAD_OUTLINE
    util::store_le16(p + 100, 1);  // collate
    store_text32(p + 102, u"A4");
    util::store_le32(p + 72, 0x0001FF1F);  // the fields above
    return dm;
}

// ---------------------------------------------------------------------------------------
// Reading a profile

namespace {

using json = nlohmann::json;

struct ProfileError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw ProfileError{where.empty() ? what : where + ": " + what};
}

std::string member(const std::string& where, std::string_view key) {
    return where.empty() ? std::string(key) : where + "." + std::string(key);
}

std::string element(const std::string& where, std::size_t index) {
    return where + "[" + std::to_string(index) + "]";
}

// An object whose keys are all known; keys beginning with "_" are comments.
void expect_object(const json& j, const std::string& where, std::span<const std::string_view> known) {
    if (!j.is_object()) fail(where, "must be an object");
    for (const auto& item : j.items()) {
        const std::string& key = item.key();
        if (!key.empty() && key[0] == '_') continue;
        if (std::find(known.begin(), known.end(), key) != known.end()) continue;
        std::string list;
        for (const auto k : known) list += (list.empty() ? "" : ", ") + std::string(k);
        fail(member(where, key), "unknown key (known keys: " + list + ")");
    }
}

void expect_object(const json& j, const std::string& where, std::initializer_list<std::string_view> known) {
    expect_object(j, where, std::span<const std::string_view>(known.begin(), known.size()));
}

const json* find(const json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::uint64_t read_unsigned(const json& j, const std::string& where, std::uint64_t max, const char* what) {
    const std::string message = std::string("must be ") + what;
    if (j.is_number_unsigned()) {
        const std::uint64_t v = j.get<std::uint64_t>();
        if (v > max) fail(where, message);
        return v;
    }
    if (j.is_string()) {
        const std::string& text = j.get_ref<const std::string&>();
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && text.size() <= 18) {
            std::uint64_t v = 0;
            bool ok = true;
            for (std::size_t i = 2; i < text.size() && ok; ++i) {
                const char c = text[i];
                const int d = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
                if (d < 0) ok = false;
                v = v * 16 + static_cast<std::uint64_t>(d);
            }
            if (ok && v <= max) return v;
        }
    }
    fail(where, message + " (a number, or hexadecimal text such as \"0x1F\")");
}

abi::DWORD read_dword(const json& j, const std::string& where) {
    return static_cast<abi::DWORD>(read_unsigned(j, where, 0xFFFFFFFFu, "an unsigned 32-bit number"));
}

abi::WORD read_word(const json& j, const std::string& where) {
    return static_cast<abi::WORD>(read_unsigned(j, where, 0xFFFFu, "an unsigned 16-bit number"));
}

std::int64_t read_signed(const json& j, const std::string& where, std::int64_t min, std::int64_t max,
                         const char* what) {
    if (j.is_number_integer()) {
        const std::int64_t v = j.is_number_unsigned()
                                   ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                                         j.get<std::uint64_t>(), std::numeric_limits<std::int64_t>::max()))
                                   : j.get<std::int64_t>();
        if (v >= min && v <= max) return v;
    }
    fail(where, std::string("must be ") + what);
}

abi::LONG read_long(const json& j, const std::string& where) {
    return static_cast<abi::LONG>(read_signed(j, where, std::numeric_limits<abi::LONG>::min(),
                                              std::numeric_limits<abi::LONG>::max(),
                                              "a signed 32-bit number"));
}

bool read_bool(const json& j, const std::string& where) {
    if (!j.is_boolean()) fail(where, "must be true or false");
    return j.get<bool>();
}

std::u16string read_text(const json& j, const std::string& where) {
    if (!j.is_string()) fail(where, "must be a text");
    return util::utf8_to_utf16(j.get_ref<const std::string&>());
}

std::u16string read_name(const json& j, const std::string& where) {
    std::u16string name = read_text(j, where);
    if (name.empty()) fail(where, "must not be empty");
    return name;
}

std::vector<abi::BYTE> read_hex(const json& j, const std::string& where) {
    if (!j.is_string()) fail(where, "must be hexadecimal text");
    std::string digits;
    for (const char c : j.get_ref<const std::string&>())
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') digits += c;
    if (digits.size() % 2 != 0) fail(where, "odd number of hexadecimal digits (two per byte)");
    auto bytes = util::parse_hex_bytes(digits);
    if (!bytes) fail(where, "not hexadecimal text (two digits 0-9, A-F per byte; spaces allowed between)");
    return std::move(*bytes);
}

std::vector<abi::BYTE> read_base64(const json& j, const std::string& where) {
    if (!j.is_string()) fail(where, "must be Base64 text");
    auto bytes = util::base64_decode(j.get_ref<const std::string&>());
    if (!bytes) fail(where, "not Base64 text");
    return std::move(*bytes);
}

abi::DWORD read_value_type(const json& j, const std::string& where) {
    static constexpr std::pair<std::string_view, abi::DWORD> kNames[] = {
        {"REG_NONE", 0},   {"REG_SZ", 1},       {"REG_EXPAND_SZ", 2},
        {"REG_BINARY", 3}, {"REG_DWORD", 4},    {"REG_DWORD_BIG_ENDIAN", 5},
        {"REG_LINK", 6},   {"REG_MULTI_SZ", 7}, {"REG_QWORD", 11},
    };
    if (j.is_string()) {
        const std::string& text = j.get_ref<const std::string&>();
        for (const auto& [name, type] : kNames)
            if (text == name) return type;
        if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) return read_dword(j, where);
        fail(where, "unknown registry type \"" + text +
                        "\" (REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, "
                        "REG_LINK, REG_MULTI_SZ, REG_QWORD or a number)");
    }
    return read_dword(j, where);
}

constexpr std::string_view kValueForms[] = {"dword",         "qword",        "string",
                                            "expand_string", "multi_string", "binary_hex",
                                            "binary_base64", "hex",          "base64"};

// The value described by the value keys of an object (one of kValueForms, "type" with "hex" or
// "base64"); none when the object has no value key.
std::optional<DataValue> read_value_fields(const json& j, const std::string& where) {
    const char* form = nullptr;
    for (const auto f : kValueForms) {
        if (j.contains(std::string(f))) {
            if (form)
                fail(where, "has two values (\"" + std::string(form) + "\" and \"" + std::string(f) + "\")");
            form = f.data();
        }
    }
    const json* type = find(j, "type");
    if (!form) {
        if (type) fail(member(where, "type"), "needs \"hex\" or \"base64\" beside it");
        return std::nullopt;
    }
    const std::string key(form);
    const std::string at = member(where, key);
    const json& v = j.at(key);
    if (type && key != "hex" && key != "base64")
        fail(member(where, "type"),
             "only goes with \"hex\" or \"base64\" (\"" + key + "\" has its own type)");
    DataValue value;
    if (key == "dword") {
        value = dword_value(read_dword(v, at));
    } else if (key == "qword") {
        const std::uint64_t q = read_unsigned(v, at, ~std::uint64_t{0}, "an unsigned 64-bit number");
        value.type = kRegQword;
        for (int i = 0; i < 8; ++i) value.bytes.push_back(static_cast<abi::BYTE>(q >> (8 * i)));
    } else if (key == "string") {
        value = string_value(read_text(v, at));
    } else if (key == "expand_string") {
        value = string_value(read_text(v, at));
        value.type = abi::REG_EXPAND_SZ;
    } else if (key == "multi_string") {
        if (!v.is_array()) fail(at, "must be a list of texts");
        std::vector<std::u16string> texts;
        for (std::size_t i = 0; i < v.size(); ++i) {
            texts.push_back(read_text(v[i], element(at, i)));
            if (texts.back().empty()) fail(element(at, i), "must not be empty (an empty text ends the list)");
        }
        value = multi_string_value(texts);
    } else if (key == "binary_hex") {
        value = binary_value(read_hex(v, at));
    } else if (key == "binary_base64") {
        value = binary_value(read_base64(v, at));
    } else {
        if (!type) fail(at, "needs a \"type\" beside it");
        value.type = read_value_type(*type, member(where, "type"));
        value.bytes = key == "hex" ? read_hex(v, at) : read_base64(v, at);
    }
    return value;
}

constexpr std::string_view kValueKeys[] = {"dword",        "qword",      "string",        "expand_string",
                                           "multi_string", "binary_hex", "binary_base64", "type",
                                           "hex",          "base64"};

DataValue read_value(const json& j, const std::string& where) {
    expect_object(j, where, kValueKeys);
    auto value = read_value_fields(j, where);
    if (!value)
        fail(where,
             "needs a value: one of \"dword\", \"qword\", \"string\", \"expand_string\", "
             "\"multi_string\", \"binary_hex\", \"binary_base64\", or \"type\" with \"hex\" or \"base64\"");
    return std::move(*value);
}

void read_values(const json& j, const std::string& where, ValueMap& into) {
    if (!j.is_object()) fail(where, "must be an object of value names");
    for (const auto& item : j.items()) {
        const std::string at = member(where, item.key());
        const std::u16string name = util::utf8_to_utf16(item.key());
        if (!into.emplace(name, read_value(item.value(), at)).second)
            fail(at, "the value exists already (names do not depend on case)");
    }
}

abi::SYSTEMTIME read_time(const json& j, const std::string& where) {
    // "YYYY-MM-DDTHH:MM:SS", optionally ".mmm", then "Z".
    const char* const message = "must be a UTC time such as \"2024-05-06T07:08:09.123Z\"";
    if (!j.is_string()) fail(where, message);
    const std::string& t = j.get_ref<const std::string&>();
    const auto number = [&](std::size_t at, std::size_t digits) -> int {
        if (at + digits > t.size()) fail(where, message);
        int v = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (t[i] < '0' || t[i] > '9') fail(where, message);
            v = v * 10 + (t[i] - '0');
        }
        return v;
    };
    if (t.size() < 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
        fail(where, message);
    abi::SYSTEMTIME st{};
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    int millis = 0;
    std::size_t rest = 19;
    if (t[rest] == '.') {
        millis = number(20, 3);
        rest = 23;
    }
    if (rest + 1 != t.size() || t[rest] != 'Z') fail(where, message);
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
        (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 59)
        fail(where, message);
    // Day of the week from the days since 1970-01-01 (a Thursday).
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    st.wYear = static_cast<abi::WORD>(year);
    st.wMonth = static_cast<abi::WORD>(month);
    st.wDayOfWeek = static_cast<abi::WORD>(((days % 7) + 11) % 7);
    st.wDay = static_cast<abi::WORD>(day);
    st.wHour = static_cast<abi::WORD>(hour);
    st.wMinute = static_cast<abi::WORD>(minute);
    st.wSecond = static_cast<abi::WORD>(second);
    st.wMilliseconds = static_cast<abi::WORD>(millis);
    return st;
}

std::optional<std::u16string> read_optional_text(const json& object, const char* key,
                                                 const std::string& where) {
    const json* j = find(object, key);
    if (!j || j->is_null()) return std::nullopt;
    return read_text(*j, member(where, key));
}

std::vector<abi::BYTE> read_devmode(const json& j, const std::string& where,
                                    std::u16string_view printer_name) {
    std::vector<std::string_view> known = {"device_name",    "fields", "private_hex",
                                           "private_base64", "hex",    "base64"};
    for (const auto& f : kDevmodeFields) known.push_back(f.key);
    if (!j.is_object()) fail(where, "must be an object (or null for none)");
    for (const auto& item : j.items()) {
        const std::string& key = item.key();
        if ((key.empty() || key[0] != '_') && std::find(known.begin(), known.end(), key) == known.end())
            fail(member(where, key), "unknown DEVMODE key");
    }

    // A whole DEVMODE, public part and private bytes, as the driver stores it.
    for (const char* blob_key : {"hex", "base64"}) {
        const json* blob = find(j, blob_key);
        if (!blob) continue;
        for (const auto& item : j.items())
            if (item.key() != blob_key && item.key()[0] != '_')
                fail(member(where, item.key()), std::string("cannot stand beside \"") + blob_key + "\"");
        const std::string at = member(where, blob_key);
        std::vector<abi::BYTE> dm =
            std::string_view(blob_key) == "hex" ? read_hex(*blob, at) : read_base64(*blob, at);
        if (dm.size() < 72) fail(at, "a DEVMODE has at least 72 bytes (through dmFields)");
        const std::size_t declared =
            util::load_le16(dm.data() + 68) + std::size_t{util::load_le16(dm.data() + 70)};
        if (declared != dm.size())
            fail(at, "dmSize + dmDriverExtra is " + std::to_string(declared) + " but the DEVMODE has " +
                         std::to_string(dm.size()) + " bytes");
        return dm;
    }

    std::vector<abi::BYTE> dm = default_devmode(printer_name);
    abi::DWORD fields = util::load_le32(dm.data() + 72);
    if (const json* name = find(j, "device_name"))
        store_text32(dm.data(), read_text(*name, member(where, "device_name")));
    for (const auto& f : kDevmodeFields) {
        const json* v = find(j, f.key);
        if (!v) continue;
        const std::string at = member(where, f.key);
        abi::BYTE* p = dm.data() + f.offset;
        switch (f.kind) {
            case FieldKind::Short:
                util::store_le16(p, static_cast<std::uint16_t>(
                                        read_signed(*v, at, -32768, 32767, "a signed 16-bit number")));
                break;
            case FieldKind::Word:
                util::store_le16(p, read_word(*v, at));
                break;
            case FieldKind::Dword:
                util::store_le32(p, read_dword(*v, at));
                break;
            case FieldKind::Text32:
                store_text32(p, read_text(*v, at));
                break;
        }
        fields |= f.bit;
    }
    if (const json* v = find(j, "fields")) fields = read_dword(*v, member(where, "fields"));
    util::store_le32(dm.data() + 72, fields);

    const json* private_hex = find(j, "private_hex");
    const json* private_base64 = find(j, "private_base64");
    if (private_hex && private_base64) fail(where, "has both \"private_hex\" and \"private_base64\"");
    std::vector<abi::BYTE> extra;
    if (private_hex) extra = read_hex(*private_hex, member(where, "private_hex"));
    if (private_base64) extra = read_base64(*private_base64, member(where, "private_base64"));
    if (extra.size() > 0xFFFF) fail(where, "more than 65535 private bytes");
    util::store_le16(dm.data() + 70, static_cast<std::uint16_t>(extra.size()));
    dm.insert(dm.end(), extra.begin(), extra.end());
    return dm;
}

std::vector<Bin> read_bins(const json& j, const std::string& where) {
    if (!j.is_array()) fail(where, "must be a list of bins");
    std::vector<Bin> bins;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::string at = element(where, i);
        expect_object(j[i], at, {"number", "name"});
        const json* number = find(j[i], "number");
        const json* name = find(j[i], "name");
        if (!number || !name) fail(at, "needs \"number\" and \"name\"");
        bins.push_back(Bin{read_word(*number, member(at, "number")), read_text(*name, member(at, "name"))});
    }
    return bins;
}

std::vector<Paper> read_papers(const json& j, const std::string& where) {
    if (!j.is_array()) fail(where, "must be a list of papers");
    std::vector<Paper> papers;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::string at = element(where, i);
        expect_object(j[i], at, {"number", "name", "size"});
        const json* number = find(j[i], "number");
        const json* name = find(j[i], "name");
        const json* size = find(j[i], "size");
        if (!number || !name || !size) fail(at, "needs \"number\", \"name\" and \"size\"");
        const std::string size_at = member(at, "size");
        if (!size->is_array() || size->size() != 2)
            fail(size_at, "must be [width, length] in tenths of a millimetre");
        papers.push_back(Paper{read_word(*number, member(at, "number")), read_text(*name, member(at, "name")),
                               read_long((*size)[0], element(size_at, 0)),
                               read_long((*size)[1], element(size_at, 1))});
    }
    return papers;
}

Form read_form(const json& j, const std::string& at) {
    expect_object(j, at, {"name", "size", "imageable_area", "flags"});
    const json* name = find(j, "name");
    const json* size = find(j, "size");
    if (!name || !size) fail(at, "needs \"name\" and \"size\"");
    Form form;
    form.name = read_name(*name, member(at, "name"));
    const std::string size_at = member(at, "size");
    if (!size->is_array() || size->size() != 2)
        fail(size_at, "must be [width, height] in thousandths of a millimetre");
    form.size = {read_long((*size)[0], element(size_at, 0)), read_long((*size)[1], element(size_at, 1))};
    form.imageable_area = {0, 0, form.size.cx, form.size.cy};
    if (const json* area = find(j, "imageable_area")) {
        const std::string area_at = member(at, "imageable_area");
        if (!area->is_array() || area->size() != 4) fail(area_at, "must be [left, top, right, bottom]");
        form.imageable_area = {
            read_long((*area)[0], element(area_at, 0)), read_long((*area)[1], element(area_at, 1)),
            read_long((*area)[2], element(area_at, 2)), read_long((*area)[3], element(area_at, 3))};
    }
    if (const json* flags = find(j, "flags")) form.flags = read_dword(*flags, member(at, "flags"));
    return form;
}

Job read_job(const json& j, const std::string& at) {
    expect_object(
        j, at,
        {"id", "document", "user", "machine", "notify_name", "datatype", "print_processor", "parameters",
         "status", "status_text", "priority", "total_pages", "size", "pages_printed", "submitted"});
    Job job;
    const json* id = find(j, "id");
    if (!id) fail(at, "needs an \"id\"");
    job.id = read_dword(*id, member(at, "id"));
    if (job.id == 0) fail(member(at, "id"), "must not be 0");
    const auto text = [&](const char* key, std::u16string& into) {
        if (const json* v = find(j, key)) into = read_text(*v, member(at, key));
    };
    const auto number = [&](const char* key, abi::DWORD& into) {
        if (const json* v = find(j, key)) into = read_dword(*v, member(at, key));
    };
    text("document", job.document);
    text("user", job.user);
    text("machine", job.machine);
    text("notify_name", job.notify_name);
    text("datatype", job.datatype);
    text("print_processor", job.print_processor);
    text("parameters", job.parameters);
    job.status_text = read_optional_text(j, "status_text", at);
    number("status", job.status);
    number("priority", job.priority);
    number("total_pages", job.total_pages);
    number("size", job.size);
    number("pages_printed", job.pages_printed);
    if (const json* v = find(j, "submitted")) job.submitted = read_time(*v, member(at, "submitted"));
    return job;
}

Printer read_printer(const json& j, const std::string& at) {
    expect_object(j, at,
                  {"name",
                   "server",
                   "share",
                   "driver",
                   "port",
                   "comment",
                   "location",
                   "sep_file",
                   "print_processor",
                   "datatype",
                   "parameters",
                   "attributes",
                   "priority",
                   "default_priority",
                   "status",
                   "local",
                   "administer",
                   "devmode",
                   "data",
                   "keyed_data",
                   "standard_forms",
                   "forms",
                   "bins",
                   "private_bins",
                   "papers",
                   "jobs"});
    Printer p;
    const json* name = find(j, "name");
    if (!name) fail(at, "needs a \"name\"");
    p.name = read_name(*name, member(at, "name"));
    p.server = read_optional_text(j, "server", at);
    p.share = read_optional_text(j, "share", at);
    p.comment = read_optional_text(j, "comment", at);
    p.location = read_optional_text(j, "location", at);
    p.sep_file = read_optional_text(j, "sep_file", at);
    p.parameters = read_optional_text(j, "parameters", at);
    if (const json* v = find(j, "driver")) p.driver = read_text(*v, member(at, "driver"));
    if (const json* v = find(j, "port")) p.port = read_text(*v, member(at, "port"));
    if (const json* v = find(j, "print_processor"))
        p.print_processor = read_text(*v, member(at, "print_processor"));
    if (const json* v = find(j, "datatype")) p.datatype = read_text(*v, member(at, "datatype"));
    if (const json* v = find(j, "local")) p.local = read_bool(*v, member(at, "local"));
    if (const json* v = find(j, "administer")) p.administer = read_bool(*v, member(at, "administer"));
    p.attributes = p.local ? kPrinterAttributeLocal : kPrinterAttributeNetwork;
    if (const json* v = find(j, "attributes")) p.attributes = read_dword(*v, member(at, "attributes"));
    if (const json* v = find(j, "priority")) p.priority = read_dword(*v, member(at, "priority"));
    if (const json* v = find(j, "default_priority"))
        p.default_priority = read_dword(*v, member(at, "default_priority"));
    if (const json* v = find(j, "status")) p.status = read_dword(*v, member(at, "status"));

    const json* devmode = find(j, "devmode");
    if (!devmode)
        p.devmode = default_devmode(p.name);
    else if (!devmode->is_null())
        p.devmode = read_devmode(*devmode, member(at, "devmode"), p.name);

    if (const json* v = find(j, "data"))
        read_values(*v, member(at, "data"), p.data[std::u16string(kPrinterDriverData)]);
    if (const json* v = find(j, "keyed_data")) {
        const std::string keyed_at = member(at, "keyed_data");
        if (!v->is_object()) fail(keyed_at, "must be an object of key names");
        for (const auto& item : v->items()) {
            const std::u16string key = util::utf8_to_utf16(item.key());
            if (key.empty()) fail(keyed_at, "a key name must not be empty");
            read_values(item.value(), member(keyed_at, item.key()), p.data[key]);
        }
    }

    bool standard = true;
    if (const json* v = find(j, "standard_forms")) standard = read_bool(*v, member(at, "standard_forms"));
    if (standard) p.forms = standard_forms();
    if (const json* v = find(j, "forms")) {
        const std::string forms_at = member(at, "forms");
        if (!v->is_array()) fail(forms_at, "must be a list of forms");
        for (std::size_t i = 0; i < v->size(); ++i) {
            Form form = read_form((*v)[i], element(forms_at, i));
            for (const auto& other : p.forms)
                if (equal_no_case(other.name, form.name))
                    fail(element(forms_at, i), "a form named \"" + util::utf16_to_utf8(form.name) +
                                                   "\" exists already" +
                                                   (standard ? " (a standard form)" : ""));
            p.forms.push_back(std::move(form));
        }
    }
    if (const json* v = find(j, "bins")) p.bins = read_bins(*v, member(at, "bins"));
    if (const json* v = find(j, "private_bins")) p.private_bins = read_bins(*v, member(at, "private_bins"));
    if (const json* v = find(j, "papers")) p.papers = read_papers(*v, member(at, "papers"));
    if (const json* v = find(j, "jobs")) {
        const std::string jobs_at = member(at, "jobs");
        if (!v->is_array()) fail(jobs_at, "must be a list of jobs");
        for (std::size_t i = 0; i < v->size(); ++i) {
            Job job = read_job((*v)[i], element(jobs_at, i));
            for (const auto& other : p.jobs)
                if (other.id == job.id)
                    fail(element(jobs_at, i), "job " + std::to_string(job.id) + " exists already");
            p.jobs.push_back(std::move(job));
        }
    }
    return p;
}

abi::DWORD read_root(const json& j, const std::string& where) {
    if (j.is_string()) {
        const std::string& r = j.get_ref<const std::string&>();
        if (r == "HKCU" || r == "HKEY_CURRENT_USER") return kHkeyCurrentUserId;
        if (r == "HKLM" || r == "HKEY_LOCAL_MACHINE") return kHkeyLocalMachineId;
    }
    fail(where, "must be \"HKCU\" (HKEY_CURRENT_USER) or \"HKLM\" (HKEY_LOCAL_MACHINE)");
}

Settings read_settings(const json& j, const std::string& where) {
    expect_object(j, where,
                  {"registry", "user_default_lang_id", "user_default_ui_language", "locale_name_to_lcid",
                   "locale_names", "version", "locale_paper_size", "user_name", "system_directory"});
    Settings s = Settings::defaults();
    if (const json* v = find(j, "registry")) {
        const std::string reg_at = member(where, "registry");
        if (!v->is_array()) fail(reg_at, "must be a list of registry values");
        s.registry.clear();
        for (std::size_t i = 0; i < v->size(); ++i) {
            const std::string at = element(reg_at, i);
            static constexpr std::string_view kKeys[] = {
                "root",         "path",       "name",          "dword", "qword", "string", "expand_string",
                "multi_string", "binary_hex", "binary_base64", "type",  "hex",   "base64"};
            expect_object((*v)[i], at, kKeys);
            const json& e = (*v)[i];
            const json* root = find(e, "root");
            const json* path = find(e, "path");
            if (!root || !path) fail(at, "needs \"root\" and \"path\"");
            RegistryValue value;
            value.root = read_root(*root, member(at, "root"));
            value.path = read_text(*path, member(at, "path"));
            while (!value.path.empty() && value.path.front() == u'\\') value.path.erase(0, 1);
            while (!value.path.empty() && value.path.back() == u'\\') value.path.pop_back();
            auto data = read_value_fields(e, at);
            if (const json* name = find(e, "name")) {
                value.name = read_text(*name, member(at, "name"));
                if (!data) fail(at, "a registry value needs its data (\"string\", \"dword\", ...)");
                value.value = std::move(*data);
                for (const auto& other : s.registry)
                    if (other.name && other.root == value.root && equal_no_case(other.path, value.path) &&
                        equal_no_case(*other.name, *value.name))
                        fail(at, "the value exists already");
            } else if (data) {
                fail(at, "a registry value needs a \"name\" (\"\" for the key's default value)");
            }
            s.registry.push_back(std::move(value));
        }
    }
    if (const json* v = find(j, "user_default_lang_id"))
        s.user_default_lang_id = read_word(*v, member(where, "user_default_lang_id"));
    if (const json* v = find(j, "user_default_ui_language"))
        s.user_default_ui_language = read_word(*v, member(where, "user_default_ui_language"));
    if (const json* v = find(j, "locale_name_to_lcid"))
        s.locale_name_to_lcid = read_bool(*v, member(where, "locale_name_to_lcid"));
    if (const json* v = find(j, "locale_names")) {
        const std::string at = member(where, "locale_names");
        if (!v->is_object()) fail(at, "must be an object of locale name -> LCID");
        for (const auto& item : v->items())
            s.locale_names[util::utf8_to_utf16(item.key())] =
                read_dword(item.value(), member(at, item.key()));
    }
    if (const json* v = find(j, "version")) {
        const std::string at = member(where, "version");
        expect_object(
            *v, at,
            {"platform_id", "major", "minor", "service_pack_major", "verify_version_info", "get_version_ex"});
        if (const json* x = find(*v, "platform_id"))
            s.version.platform_id = read_dword(*x, member(at, "platform_id"));
        if (const json* x = find(*v, "major")) s.version.major = read_dword(*x, member(at, "major"));
        if (const json* x = find(*v, "minor")) s.version.minor = read_dword(*x, member(at, "minor"));
        if (const json* x = find(*v, "service_pack_major"))
            s.version.service_pack_major = read_word(*x, member(at, "service_pack_major"));
        if (const json* x = find(*v, "verify_version_info"))
            s.version.verify_version_info = read_bool(*x, member(at, "verify_version_info"));
        if (const json* x = find(*v, "get_version_ex"))
            s.version.get_version_ex = read_bool(*x, member(at, "get_version_ex"));
    }
    if (const json* v = find(j, "locale_paper_size"))
        s.locale_paper_size = read_text(*v, member(where, "locale_paper_size"));
    s.user_name = read_optional_text(j, "user_name", where);
    if (const json* v = find(j, "system_directory"))
        s.system_directory = read_text(*v, member(where, "system_directory"));
    return s;
}

Profile read_profile(const json& j) {
    expect_object(j, "", {"printers", "windows"});
    Profile profile;
    if (const json* v = find(j, "printers")) {
        if (!v->is_array()) fail("printers", "must be a list of printers");
        for (std::size_t i = 0; i < v->size(); ++i) {
            Printer printer = read_printer((*v)[i], element("printers", i));
            for (const auto& other : profile.printers)
                if (equal_no_case(other.name, printer.name))
                    fail(element("printers", i), "a printer named \"" + util::utf16_to_utf8(printer.name) +
                                                     "\" exists already (names do not depend on case)");
            profile.printers.push_back(std::move(printer));
        }
    }
    if (const json* v = find(j, "windows")) profile.settings = read_settings(*v, "windows");
    return profile;
}

}  // namespace

std::optional<Profile> parse_profile(std::string_view text, std::string& error) {
    try {
        const json j = json::parse(text.begin(), text.end());
        return read_profile(j);
    } catch (const ProfileError& e) {
        error = e.message;
    } catch (const json::parse_error& e) {
        // "[json.exception.parse_error.101] parse error at line 3, column 5: ..." without the tag.
        std::string what = e.what();
        const auto tag = what.find("] ");
        error = "not valid JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2));
    } catch (const json::exception& e) {
        error = std::string("not a usable profile: ") + e.what();
    }
    return std::nullopt;
}

std::optional<Profile> load_profile(const std::filesystem::path& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "printer profile " + path.string() + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        error = "printer profile " + path.string() + ": cannot be read";
        return std::nullopt;
    }
    std::string reason;
    auto profile = parse_profile(text.str(), reason);
    if (!profile) error = "printer profile " + path.string() + ": " + reason;
    return profile;
}

std::string_view default_profile_text() {
    static constexpr std::string_view kText =
#include "platform/sim/default_profile.inc"
        ;
    return kText;
}

const Profile& default_profile() {
    static util::Once<Profile> profile;
    return profile.get([] {
        std::string error;
        auto parsed = parse_profile(default_profile_text(), error);
        // The built-in profile is part of the program; the tests keep it well-formed.
        return parsed ? std::move(*parsed) : Profile{};
    });
}

std::vector<std::u16string> printer_names(const Profile& profile) {
    std::vector<std::u16string> names;
    for (const auto& p : profile.printers) names.push_back(p.name);
    return names;
}

}  // namespace zenta::platform::sim
