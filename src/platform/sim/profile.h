#pragma once
// A printer profile: the printers of a simulated spooler and the Windows settings that a Linux
// host does not have (registry values, the user's languages, the Windows version, the locale's
// paper size, the user and system directory). Profiles are JSON files (see README.md, "Printer
// profiles"); the built-in one describes the "Zenta Production Printer".
//
// Names that Windows compares without regard to case (printers, printer data values and keys,
// registry keys and values, locale names) are compared here the same way, folding ASCII and
// Latin-1 letters.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/spooler.h"
#include "abi/types.h"

namespace zenta::platform::sim {

// Case-insensitive ordering of UTF-16 names.
int compare_no_case(std::u16string_view a, std::u16string_view b);
bool equal_no_case(std::u16string_view a, std::u16string_view b);
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const { return compare_no_case(a, b) < 0; }
};

// Registry value types beyond those of abi/types.h.
inline constexpr abi::DWORD kRegDwordBigEndian = 5;
inline constexpr abi::DWORD kRegLink = 6;
inline constexpr abi::DWORD kRegQword = 11;

// A printer data or registry value: its type and its bytes exactly as stored.
struct DataValue {
    abi::DWORD type = 0;
    std::vector<abi::BYTE> bytes;
    bool operator==(const DataValue&) const = default;
};
DataValue dword_value(abi::DWORD value);                                 // REG_DWORD, little-endian
DataValue string_value(std::u16string_view text);                        // REG_SZ with its NUL
DataValue multi_string_value(const std::vector<std::u16string>& texts);  // REG_MULTI_SZ, closing NUL
DataValue binary_value(std::vector<abi::BYTE> bytes);                    // REG_BINARY

// The key GetPrinterDataW reads: GetPrinterDataW(name) is GetPrinterDataExW("PrinterDriverData", name).
inline constexpr std::u16string_view kPrinterDriverData = u"PrinterDriverData";

using ValueMap = std::map<std::u16string, DataValue, NoCaseLess>;
using KeyMap = std::map<std::u16string, ValueMap, NoCaseLess>;

// FORM_INFO_1W flags.
inline constexpr abi::DWORD kFormUser = 0;
inline constexpr abi::DWORD kFormBuiltin = 1;
inline constexpr abi::DWORD kFormPrinter = 2;

struct Form {
    std::u16string name;
    abi::DWORD flags = kFormUser;
    abi::SIZEL size{};            // thousandths of a millimetre
    abi::RECTL imageable_area{};  // thousandths of a millimetre
};

// The forms every Windows spooler has built in, in the order EnumFormsW lists them.
const std::vector<Form>& standard_forms();

// An input bin as DeviceCapabilitiesW reports it (DC_BINS/DC_BINNAMES, or the driver's own 1000/1001).
struct Bin {
    abi::WORD number = 0;
    std::u16string name;  // reported in 24 units, cut or NUL-padded
};

// A paper as DeviceCapabilitiesW reports it (DC_PAPERS/DC_PAPERNAMES/DC_PAPERSIZE).
struct Paper {
    abi::WORD number = 0;
    std::u16string name;  // reported in 64 units
    abi::LONG width = 0;  // tenths of a millimetre
    abi::LONG length = 0;
};

// A job in the printer's queue (GetJobW level 2).
struct Job {
    abi::DWORD id = 0;
    std::u16string document;
    std::u16string user;
    std::u16string machine;
    std::u16string notify_name;  // empty: the user
    std::u16string datatype = u"RAW";
    std::u16string print_processor = u"winprint";
    std::u16string parameters;
    std::optional<std::u16string> status_text;
    abi::DWORD status = 0;
    abi::DWORD priority = 1;
    abi::DWORD total_pages = 0;
    abi::DWORD size = 0;
    abi::DWORD pages_printed = 0;
    abi::SYSTEMTIME submitted{};
};

inline constexpr abi::DWORD kPrinterAttributeShared = 0x00000008;
inline constexpr abi::DWORD kPrinterAttributeNetwork = 0x00000010;
inline constexpr abi::DWORD kPrinterAttributeLocal = 0x00000040;

struct Printer {
    std::u16string name;
    std::optional<std::u16string> server;  // null for a local printer
    std::optional<std::u16string> share;
    std::u16string driver = u"Zenta PS";
    std::u16string port = u"FILE:";
    std::optional<std::u16string> comment;
    std::optional<std::u16string> location;
    std::optional<std::u16string> sep_file;
    std::u16string print_processor = u"winprint";
    std::u16string datatype = u"RAW";
    std::optional<std::u16string> parameters;
    abi::DWORD attributes = kPrinterAttributeLocal;
    abi::DWORD priority = 1;
    abi::DWORD default_priority = 0;
    abi::DWORD status = 0;
    bool local = true;       // listed by EnumPrintersW with PRINTER_ENUM_LOCAL (else with CONNECTIONS)
    bool administer = true;  // whether opening with PRINTER_ACCESS_ADMINISTER succeeds (else 5)
    // The driver's DEVMODE: the public part followed by dmDriverExtra private bytes; none when empty.
    std::vector<abi::BYTE> devmode;
    KeyMap data;  // key -> value name -> value; GetPrinterDataW reads kPrinterDriverData
    std::vector<Form> forms;
    std::vector<Bin> bins;
    std::optional<std::vector<Bin>> private_bins;  // DeviceCapabilitiesW 1000 (numbers) and 1001 (names)
    std::vector<Paper> papers;
    std::vector<Job> jobs;
};

// The DEVMODE a printer has when its profile gives none: public part only, for A4 portrait.
std::vector<abi::BYTE> default_devmode(std::u16string_view device_name);

// ---- the simulated Windows settings

inline constexpr abi::DWORD kHkeyCurrentUserId = 0x80000001u;
inline constexpr abi::DWORD kHkeyLocalMachineId = 0x80000002u;

struct RegistryValue {
    abi::DWORD root = kHkeyCurrentUserId;
    std::u16string path;                 // below the root, "\"-separated, no leading "\"
    std::optional<std::u16string> name;  // none: the entry only makes the key exist
    DataValue value;
};

struct WindowsVersion {
    abi::DWORD platform_id = 2;  // VER_PLATFORM_WIN32_NT
    abi::DWORD major = 10;
    abi::DWORD minor = 0;
    abi::WORD service_pack_major = 0;
    bool verify_version_info = true;  // VerifyVersionInfoW answers
    bool get_version_ex = true;       // GetVersionExW exists in kernel32
};

struct Settings {
    std::vector<RegistryValue> registry;
    abi::WORD user_default_lang_id = 0x0409;
    abi::WORD user_default_ui_language = 0x0409;
    bool locale_name_to_lcid = true;  // LocaleNameToLCID exists in kernel32
    // Locale name -> LCID for LocaleNameToLCID: the built-in table plus the profile's own.
    std::map<std::u16string, abi::DWORD, NoCaseLess> locale_names;
    WindowsVersion version;
    std::u16string locale_paper_size = u"9";  // LOCALE_IPAPERSIZE: 9 A4, 1 Letter
    std::optional<std::u16string> user_name;  // none: the real user's name
    std::u16string system_directory = u"C:\\Windows\\system32";

    // A Windows 10 machine of a US English user: the registry holds the "Languages" of
    // HKCU\Control Panel\International\User Profile ("en-US") and the "Common AppData" of
    // HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders ("C:\ProgramData").
    static Settings defaults();
};

// The built-in locale name table of LocaleNameToLCID: specific names (en-US 0x0409, fr-CH
// 0x100C, zh-HK 0x0C04, ...) and the neutral ones ("en", "zh-Hans", ...).
const std::map<std::u16string, abi::DWORD, NoCaseLess>& builtin_locale_names();

struct Profile {
    std::vector<Printer> printers;
    Settings settings = Settings::defaults();
};

// Reads a profile from JSON text. A malformed profile (bad JSON, a wrong type, an unknown key,
// bad hex or Base64, a duplicate name) gives nothing, and error says what and where, for
// example `printers[0].data.DefaultDuplex: "dword" must be an unsigned 32-bit number`.
std::optional<Profile> parse_profile(std::string_view json, std::string& error);
// Reads a profile file; error also names the file.
std::optional<Profile> load_profile(const std::filesystem::path& path, std::string& error);

// The built-in profile: one printer, "Zenta Production Printer".
std::string_view default_profile_text();
const Profile& default_profile();
inline constexpr std::u16string_view kDefaultPrinterName = u"Zenta Production Printer";

std::vector<std::u16string> printer_names(const Profile& profile);

}  // namespace zenta::platform::sim
