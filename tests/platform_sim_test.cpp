// The simulated spooler and Windows settings: reading printer profiles (good, malformed, the
// built-in one), the answers the spooler contract does not cover (jobs, private bins, access,
// connections), the simulated registry, locale names, Windows version and locale settings, and
// the services in use (platform::spooler(), platform::system()).

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "abi/spooler.h"
#include "platform/last_error.h"
#include "platform/native.h"
#include "platform/os.h"
#include "platform/sim/profile.h"
#include "platform/sim/services.h"
#include "platform/sim/spooler.h"
#include "platform/sim/system.h"
#include "util/base64.h"
#include "util/byte_order.h"
#include "util/utf.h"

namespace zenta::platform::sim {
namespace {

using namespace std::string_literals;

const std::string kProfiles = std::string(ZENTA_TEST_DATA_DIR) + "/profiles/";

using Texts = std::vector<std::u16string>;

std::vector<abi::BYTE> bytes(std::initializer_list<int> values) {
    std::vector<abi::BYTE> out;
    for (const int v : values) out.push_back(static_cast<abi::BYTE>(v));
    return out;
}

std::vector<abi::BYTE> utf16_bytes(std::u16string_view text) {
    std::vector<abi::BYTE> out;
    for (const char16_t c : text) {
        out.push_back(static_cast<abi::BYTE>(c & 0xFF));
        out.push_back(static_cast<abi::BYTE>(c >> 8));
    }
    return out;
}

Profile load(const std::string& file) {
    std::string error;
    auto profile = load_profile(kProfiles + file, error);
    EXPECT_TRUE(profile) << error;
    return profile ? std::move(*profile) : Profile{};
}

// The error of a profile text that must not parse.
std::string rejection(std::string_view json) {
    std::string error;
    const auto profile = parse_profile(json, error);
    EXPECT_FALSE(profile) << json;
    EXPECT_FALSE(error.empty());
    return error;
}

const DataValue& value_of(const Printer& p, std::u16string_view key, std::u16string_view name) {
    static const DataValue none;
    const auto k = p.data.find(key);
    if (k == p.data.end()) return none;
    const auto v = k->second.find(name);
    return v == k->second.end() ? none : v->second;
}

// ---------------------------------------------------------------------------------------
// Profiles

TEST(PrinterProfile, ReadsEveryKindOfEntry) {
    const Profile profile = load("good.json");
    ASSERT_EQ(profile.printers.size(), 2u);
    const Printer& p = profile.printers[0];
    const auto text = [](const std::optional<std::u16string>& t) { return t.value_or(u"(none)"); };
    EXPECT_EQ((Texts{p.name, text(p.server), text(p.share), p.driver, p.port, text(p.comment),
                     text(p.location), text(p.sep_file)}),
              (Texts{u"Zenta Test Line", u"\\\\PRINTSRV", u"ZentaLine", u"Zenta PS Test", u"IP_192.0.2.44",
                     u"Fixture printer", u"Lab 2", u"(none)"}));
    EXPECT_EQ(p.attributes, 0x248u);
    EXPECT_EQ(p.status, 4u);
    EXPECT_TRUE(p.local);

    // The DEVMODE: the default one with the given fields and six private bytes behind it.
    ASSERT_EQ(p.devmode.size(), 226u);
    const abi::BYTE* dm = p.devmode.data();
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(dm)), u"Zenta Line");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(dm + 102)), u"A3");
    // dmSize, dmDriverExtra, landscape, A3, the bin, -4 and the duplex mode at their offsets.
    const std::pair<int, int> words[] = {{68, 220}, {70, 6},      {76, 2}, {78, 8},
                                         {88, 258}, {90, 0xFFFC}, {94, 2}};
    for (const auto& [at, value] : words) EXPECT_EQ(util::load_le16(dm + at), value) << "byte " << at;
    EXPECT_EQ(util::load_le32(dm + 72), 0x0001FF1Fu);
    EXPECT_EQ(std::vector<abi::BYTE>(dm + 220, dm + 226), bytes({0x5A, 0x54, 0x51, 0x56, 0x00, 0x01}));

    // Printer data with their types; names do not depend on case, and keyed and unkeyed values meet.
    std::vector<abi::BYTE> counting(40);
    for (std::size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<abi::BYTE>(i);
    const std::pair<std::u16string_view, DataValue> values[] = {
        {u"DefaultDuplex", dword_value(1)},
        {u"defaultduplex", dword_value(1)},
        {u"MacAddress", {abi::REG_SZ, utf16_bytes(std::u16string(u"00-1B-2C-3D-4E-5F\0", 18))}},
        {u"InstallableOptions", binary_value(counting)},
        {u"LastCustomPapers", binary_value(bytes({1, 2, 3, 4, 5, 6, 7, 8}))},
        {u"DefaultSpoolDirectory", {abi::REG_EXPAND_SZ, utf16_bytes(std::u16string(u"%TEMP%\\Spool\0", 13))}},
        {u"Stamp", {kRegQword, bytes({0, 0, 0, 0, 1, 0, 0, 0})}},
        {u"Raw", {abi::REG_NONE, {}}},
        {u"Odd", {99, bytes({1, 2, 3})}},
        {u"Names", {abi::REG_MULTI_SZ, utf16_bytes(std::u16string(u"\u00C4\0\u65E5\u672C\u8A9E\0\0", 7))}},
        {u"FromKey", dword_value(7)},
    };
    for (const auto& [name, value] : values)
        EXPECT_EQ(value_of(p, kPrinterDriverData, name), value) << util::utf16_to_utf8(std::u16string(name));
    EXPECT_EQ(value_of(p, u"dsdriver", u"printBinNames"), multi_string_value({u"Tray 1", u"Tray 2"}));

    // Forms without the standard ones, bins, papers.
    ASSERT_EQ(p.forms.size(), 2u);
    EXPECT_EQ(std::tuple(p.forms[0].flags, p.forms[0].imageable_area.top, p.forms[1].flags,
                         p.forms[1].imageable_area.right, p.forms[1].imageable_area.bottom),
              std::tuple(kFormPrinter, 2000, kFormUser, 100000, 150000));
    ASSERT_EQ(p.bins.size(), 2u);
    ASSERT_TRUE(p.private_bins);
    ASSERT_EQ(p.papers.size(), 1u);
    EXPECT_EQ(std::tuple(p.bins[1].number, p.private_bins->at(0).name, p.papers[0].length),
              std::tuple(257, u"Tray 1"s, 4200));

    // Jobs; 2024-02-29 was a Thursday.
    ASSERT_EQ(p.jobs.size(), 2u);
    const Job& job = p.jobs[0];
    EXPECT_EQ((Texts{job.parameters, text(job.status_text), p.jobs[1].datatype}),
              (Texts{u"AAAA", u"Printing", u"RAW"}));
    const abi::SYSTEMTIME& t = job.submitted;
    EXPECT_EQ((std::vector<int>{static_cast<int>(job.id), t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour,
                                t.wMinute, t.wSecond, t.wMilliseconds}),
              (std::vector<int>{12, 2024, 2, 4, 29, 23, 59, 58, 250}));

    // A network printer without DEVMODE, and the defaults.
    const Printer& remote = profile.printers[1];
    EXPECT_EQ(std::tuple(remote.local, remote.administer, remote.devmode.empty(), remote.attributes,
                         remote.port, remote.forms.size()),
              std::tuple(false, false, true, kPrinterAttributeNetwork, u"FILE:"s, standard_forms().size()));

    // The Windows settings.
    const Settings& s = profile.settings;
    ASSERT_EQ(s.registry.size(), 4u);
    EXPECT_EQ(s.registry[0].value, multi_string_value({u"fr-CH", u"en-US"}));
    EXPECT_EQ(std::tuple(s.registry[1].root, s.registry[1].path, s.registry[1].name.has_value()),
              std::tuple(kHkeyLocalMachineId, u"SOFTWARE\\Zenta\\Empty"s, false));
    EXPECT_EQ(std::tuple(s.user_default_lang_id, s.user_default_ui_language, s.locale_names.at(u"X-ZENTA"),
                         s.locale_names.at(u"fr-CH")),
              std::tuple(0x0407, 0x0409, 0x0C07u, 0x100Cu));
    EXPECT_EQ(std::tuple(s.version.major, s.version.service_pack_major, s.version.get_version_ex,
                         s.version.verify_version_info),
              std::tuple(6u, 1, false, true));
    EXPECT_EQ((Texts{s.locale_paper_size, text(s.user_name), s.system_directory}),
              (Texts{u"1", u"alice", u"C:\\WINDOWS\\System32"}));
}

TEST(PrinterProfile, MalformedFilesSayWhatAndWhere) {
    const std::pair<const char*, std::vector<const char*>> files[] = {
        {"bad_json.json", {"bad_json.json", "not valid JSON", "line 3"}},
        {"wrong_type.json", {"printers[0].data.DefaultDuplex.dword: must be an unsigned 32-bit number"}},
        {"odd_hex.json",
         {"printers[0].data.InstallableOptions.binary_hex: odd number of hexadecimal digits"}},
        {"no_such_profile.json", {"cannot be read"}},
    };
    for (const auto& [file, fragments] : files) {
        std::string error;
        EXPECT_FALSE(load_profile(kProfiles + file, error)) << file;
        for (const char* fragment : fragments) EXPECT_NE(error.find(fragment), std::string::npos) << error;
    }
}

// Profile texts around the entries of one printer, one printer data value or the Windows settings.
std::string printer_with(std::string_view entries) {
    return R"({"printers": [{"name": "A", )" + std::string(entries) + "}]}";
}
std::string data_value(std::string_view value) {
    return printer_with(R"("data": {"V": )" + std::string(value) + "}");
}
std::string devmode(std::string_view fields) { return printer_with(R"("devmode": )" + std::string(fields)); }
std::string windows(std::string_view settings) { return R"({"windows": )" + std::string(settings) + "}"; }
std::string registry(std::string_view entries) {
    return windows(R"({"registry": [)" + std::string(entries) + "]}");
}

TEST(PrinterProfile, RejectsEveryMalformedEntry) {
    const std::pair<std::string, const char*> cases[] = {
        {R"([])", "must be an object"},
        {R"({"printers": {}})", "printers: must be a list of printers"},
        {R"({"printer": []})", "printer: unknown key"},
        {R"({"printers": [{}]})", "printers[0]: needs a \"name\""},
        {R"({"printers": [{"name": ""}]})", "printers[0].name: must not be empty"},
        {R"({"printers": [{"name": "A"}, {"name": "a"}]})",
         "printers[1]: a printer named \"a\" exists already"},
        {printer_with(R"("colour": 1)"), "printers[0].colour: unknown key"},
        {R"({"printers": [{"name": 5}]})", "printers[0].name: must be a text"},
        {printer_with(R"("local": 1)"), "printers[0].local: must be true or false"},
        {data_value(R"({"dword": 4294967296})"), "unsigned 32-bit"},
        {data_value(R"({"dword": -1})"), "unsigned 32-bit"},
        {data_value(R"({"dword": 1.5})"), "unsigned 32-bit"},
        {data_value(R"({"dword": "0x1G"})"), "unsigned 32-bit"},
        {data_value(R"({"string": 5})"), "V.string: must be a text"},
        {data_value(R"({"dword": 1, "string": "x"})"), "has two values"},
        {data_value(R"({})"), "printers[0].data.V: needs a value"},
        {data_value(R"(1)"), "printers[0].data.V: must be an object"},
        {data_value(R"({"type": 4, "dword": 1})"), "only goes with"},
        {data_value(R"({"hex": "00"})"), "needs a \"type\""},
        {data_value(R"({"type": "REG_WORD", "hex": "00"})"), "unknown registry type \"REG_WORD\""},
        {data_value(R"({"binary_hex": "0G"})"), "not hexadecimal"},
        {data_value(R"({"binary_base64": "!!"})"), "not Base64"},
        {data_value(R"({"multi_string": "x"})"), "must be a list of texts"},
        {data_value(R"({"multi_string": ["a", ""]})"), "multi_string[1]: must not be empty"},
        {printer_with(R"("data": {"V": {"dword": 1}, "v": {"dword": 2}})"), "exists already"},
        {printer_with(
             R"("data": {"V": {"dword": 1}}, "keyed_data": {"printerdriverdata": {"V": {"dword": 1}}})"),
         "exists already"},
        {printer_with(R"("keyed_data": {"": {}})"), "must not be empty"},
        {devmode(R"({"hex": "00"})"), "at least 72 bytes"},
        {devmode(R"({"orientation": 40000})"), "devmode.orientation: must be a signed 16-bit"},
        {devmode(R"({"orientation": 1, "hex": "00"})"), "cannot stand beside"},
        {devmode(R"({"dmOrientation": 1})"), "devmode.dmOrientation: unknown DEVMODE key"},
        {devmode(R"({"private_hex": "00", "private_base64": "AA=="})"),
         "both \"private_hex\" and \"private_base64\""},
        {devmode("3"), "devmode: must be an object"},
        {printer_with(R"("forms": [{"name": "F", "size": [1]}])"), "[width, height]"},
        {printer_with(R"("forms": [{"name": "a4", "size": [1, 2]}])"), "exists already (a standard form)"},
        {printer_with(R"("forms": [{"name": "F", "size": [1, 2], "imageable_area": [0, 0, 1]}])"),
         "[left, top, right, bottom]"},
        {printer_with(R"("bins": [{"number": 70000, "name": "x"}])"), "unsigned 16-bit"},
        {printer_with(R"("bins": [{"number": 1}])"), "needs \"number\" and \"name\""},
        {printer_with(R"("papers": [{"number": 1, "name": "x", "size": [1, "2"]}])"),
         "papers[0].size[1]: must be a signed 32-bit number"},
        {printer_with(R"("jobs": [{"id": 0}])"), "jobs[0].id: must not be 0"},
        {printer_with(R"("jobs": [{"id": 3}, {"id": 3}])"), "job 3 exists already"},
        {printer_with(R"("jobs": [{"id": 3, "submitted": "2023-02-29T00:00:00Z"}])"), "UTC time"},
        {printer_with(R"("jobs": [{"id": 3, "submitted": "2024-01-01 00:00:00"}])"), "UTC time"},
        {registry(R"({"root": "HKCR", "path": "x"})"), "windows.registry[0].root"},
        {registry(R"({"root": "HKCU", "path": "x", "name": "v"})"), "needs its data"},
        {registry(R"({"root": "HKCU", "path": "x", "dword": 1})"), "needs a \"name\""},
        {registry(R"({"root": "HKCU", "name": "v", "dword": 1})"), "needs \"root\" and \"path\""},
        {registry(R"({"root": "HKCU", "path": "x", "name": "v", "dword": 1},
                     {"root": "HKCU", "path": "X", "name": "V", "dword": 2})"),
         "windows.registry[1]: the value exists already"},
        {windows(R"({"version": {"major": "ten"}})"), "windows.version.major"},
        {windows(R"({"language": 1})"), "windows.language: unknown key"},
        {windows(R"({"user_default_lang_id": 65536})"), "unsigned 16-bit"},
        {"{\"printers\": [{\"name\": \"\xFF\"}]}", "not valid JSON"},
        {"", "not valid JSON"},
    };
    for (const auto& [json, expected] : cases) {
        const std::string error = rejection(json);
        EXPECT_NE(error.find(expected), std::string::npos) << json << "\n  gave: " << error;
    }
}

TEST(PrinterProfile, CommentsAndDefaults) {
    std::string error;
    const auto profile = parse_profile(R"({"_note": "x", "printers": [{"name": "Only", "_why": 1}]})", error);
    ASSERT_TRUE(profile) << error;
    const Printer& p = profile->printers.at(0);
    EXPECT_EQ(p.devmode, default_devmode(u"Only"));
    EXPECT_EQ(p.forms.size(), standard_forms().size());
    EXPECT_TRUE(p.data.empty());
    EXPECT_EQ(p.attributes, kPrinterAttributeLocal);
    // Settings not given are those of a Windows 10 machine of a US English user.
    const Settings defaults = Settings::defaults();
    EXPECT_EQ(profile->settings.registry.size(), defaults.registry.size());
    EXPECT_EQ(profile->settings.user_default_lang_id, 0x0409);
    EXPECT_EQ(profile->settings.version.major, 10u);
    EXPECT_EQ(profile->settings.locale_paper_size, u"9");
}

TEST(PrinterProfile, TruncatedTextNeverCrashes) {
    const std::string_view text = default_profile_text();
    for (std::size_t n = 0; n < text.size(); n += 11) {
        std::string error;
        const auto profile = parse_profile(text.substr(0, n), error);
        if (!profile) {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(PrinterProfile, TheBuiltInProfileDescribesTheProductionPrinter) {
    std::string error;
    ASSERT_TRUE(parse_profile(default_profile_text(), error)) << error;
    const Profile& profile = default_profile();
    ASSERT_EQ(printer_names(profile), std::vector<std::u16string>{std::u16string(kDefaultPrinterName)});
    const Printer& p = profile.printers[0];
    EXPECT_EQ(p.port, u"IP_192.0.2.10");
    EXPECT_EQ(value_of(p, kPrinterDriverData, u"DefaultDuplex"), dword_value(1));
    const DataValue& options = value_of(p, kPrinterDriverData, u"InstallableOptions");
    EXPECT_EQ(options.type, abi::REG_BINARY);
    EXPECT_EQ(options.bytes.size(), 40u);
    // An all-zero hardware address: the built-in printer is never woken over the network.
    EXPECT_EQ(value_of(p, kPrinterDriverData, u"MacAddress"), string_value(u"00:00:00:00:00:00"));
    ASSERT_EQ(p.bins.size(), 12u);
    EXPECT_EQ(p.bins[0].number, 15);
    EXPECT_EQ(p.bins[2].name, u"Tray 1");
    const DataValue& bin_names = value_of(p, u"DsDriver", u"printBinNames");
    EXPECT_EQ(bin_names.type, abi::REG_MULTI_SZ);
    std::vector<std::u16string> names;
    for (const auto& b : p.bins) names.push_back(b.name);
    EXPECT_EQ(bin_names, multi_string_value(names));
    EXPECT_GT(p.forms.size(), standard_forms().size());
    EXPECT_FALSE(p.papers.empty());

    // Its job carries a DEVMODE of the printer as Base64.
    ASSERT_EQ(p.jobs.size(), 1u);
    const std::u16string& parameters = p.jobs[0].parameters;
    const auto devmode = util::base64_decode(std::string(parameters.begin(), parameters.end()));
    ASSERT_TRUE(devmode);
    ASSERT_EQ(devmode->size(), 220u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(devmode->data())), kDefaultPrinterName);
    EXPECT_EQ(util::load_le16(devmode->data() + 68), 220);
}

// ---------------------------------------------------------------------------------------
// The simulated spooler beyond the contract

class SimulatedSpoolerTest : public ::testing::Test {
protected:
    SimulatedSpoolerTest() : spooler_(load("good.json").printers) {}

    abi::HANDLE open(const char16_t* name, abi::DWORD access = abi::PRINTER_ACCESS_USE) {
        abi::PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        abi::HANDLE handle = nullptr;
        EXPECT_TRUE(spooler_.OpenPrinterW(name, &handle, &defaults));
        return handle;
    }

    SimulatedSpooler spooler_;
};

TEST_F(SimulatedSpoolerTest, JobsAreReadAtLevel2) {
    abi::HANDLE h = open(u"Zenta Test Line");
    abi::DWORD needed = 0;
    EXPECT_FALSE(spooler_.GetJobW(h, 12, 2, nullptr, 0, &needed));
    EXPECT_EQ(last_error(), kErrorInsufficientBuffer);
    std::vector<std::uint64_t> storage(needed / 8 + 1);
    auto* buffer = reinterpret_cast<abi::BYTE*>(storage.data());
    ASSERT_TRUE(spooler_.GetJobW(h, 12, 2, buffer, needed, &needed));
    const auto* job = reinterpret_cast<const abi::JOB_INFO_2W*>(buffer);
    EXPECT_EQ((Texts{job->pPrinterName, job->pDocument, job->pUserName, job->pNotifyName, job->pMachineName,
                     job->pParameters, job->pStatus, job->pDriverName}),
              (Texts{u"Zenta Test Line", u"Report", u"alice", u"alice", u"\\\\WS01", u"AAAA", u"Printing",
                     u"Zenta PS Test"}));
    ASSERT_NE(job->pDevMode, nullptr);
    EXPECT_EQ(job->pDevMode->dmDriverExtra, 6);
    EXPECT_EQ(
        (std::vector<unsigned>{job->JobId, job->Status, job->Position, job->TotalPages, job->Submitted.wDay}),
        (std::vector<unsigned>{12, 16, 1, 3, 29}));
    for (const char16_t* text : {job->pPrinterName, job->pDocument, job->pParameters})
        EXPECT_TRUE(reinterpret_cast<const abi::BYTE*>(text) >= buffer &&
                    reinterpret_cast<const abi::BYTE*>(text) < buffer + needed);

    // The second job has no parameters and no status text.
    ASSERT_FALSE(spooler_.GetJobW(h, 13, 2, nullptr, 0, &needed));
    std::vector<std::uint64_t> second(needed / 8 + 1);
    ASSERT_TRUE(spooler_.GetJobW(h, 13, 2, reinterpret_cast<abi::BYTE*>(second.data()), needed, &needed));
    const auto* job2 = reinterpret_cast<const abi::JOB_INFO_2W*>(second.data());
    EXPECT_EQ(job2->pParameters, nullptr);
    EXPECT_EQ(job2->pStatus, nullptr);
    EXPECT_EQ(job2->Position, 2u);

    set_last_error(0);
    EXPECT_FALSE(spooler_.GetJobW(h, 14, 2, buffer, needed, &needed));
    EXPECT_EQ(last_error(), kErrorInvalidParameter);
    EXPECT_FALSE(spooler_.GetJobW(h, 12, 1, buffer, needed, &needed));
    EXPECT_EQ(last_error(), 124u);
    spooler_.ClosePrinter(h);
}

TEST_F(SimulatedSpoolerTest, PrivateBinsAndNameSlots) {
    const char16_t* name = u"Zenta Test Line";
    EXPECT_EQ(spooler_.DeviceCapabilitiesW(name, u"", 1000, nullptr, nullptr), 1);
    EXPECT_EQ(spooler_.DeviceCapabilitiesW(name, u"", 1001, nullptr, nullptr), 1);
    EXPECT_EQ(spooler_.DeviceCapabilitiesW(u"Zenta Remote", u"", 1000, nullptr, nullptr), -1);
    EXPECT_EQ(spooler_.DeviceCapabilitiesW(u"No Such Printer", u"", abi::DC_BINS, nullptr, nullptr), -1);
    EXPECT_EQ(spooler_.DeviceCapabilitiesW(name, u"", 999, nullptr, nullptr), -1);

    // Names fill 24-unit slots: a long one is cut and has no NUL, a short one is NUL-padded.
    std::vector<char16_t> names(2 * abi::kBinNameUnits, u'#');
    ASSERT_EQ(spooler_.DeviceCapabilitiesW(name, u"", abi::DC_BINNAMES, names.data(), nullptr), 2);
    EXPECT_EQ(std::u16string(names.data(), names.size()),
              std::u16string(u"Automatically Select\0\0\0\0A bin name longer than t", 48));
}

TEST_F(SimulatedSpoolerTest, AccessConnectionsAndLevels) {
    // A printer this user may not administer.
    abi::PRINTER_DEFAULTSW admin{nullptr, nullptr, abi::PRINTER_ALL_ACCESS};
    abi::HANDLE h = nullptr;
    EXPECT_FALSE(spooler_.OpenPrinterW(u"Zenta Remote", &h, &admin));
    EXPECT_EQ(last_error(), 5u);
    h = open(u"Zenta Test Line", abi::PRINTER_ALL_ACCESS);
    EXPECT_NE(h, nullptr);
    EXPECT_EQ(spooler_.open_handles(), 1u);

    // Local printers and connections are listed apart.
    abi::DWORD needed = 0, returned = 0;
    std::vector<std::uint64_t> storage(256);
    auto* buffer = reinterpret_cast<abi::BYTE*>(storage.data());
    ASSERT_TRUE(spooler_.EnumPrintersW(4, nullptr, 4, buffer, 2048, &needed, &returned));  // CONNECTIONS
    ASSERT_EQ(returned, 1u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const abi::PRINTER_INFO_4W*>(buffer)->pPrinterName),
              u"Zenta Remote");
    ASSERT_TRUE(
        spooler_.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, 2, buffer, 2048, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    const auto* info = reinterpret_cast<const abi::PRINTER_INFO_2W*>(buffer);
    EXPECT_EQ(std::u16string(info->pServerName), u"\\\\PRINTSRV");
    EXPECT_EQ(info->pSepFile, nullptr);
    EXPECT_EQ(info->cJobs, 2u);
    EXPECT_EQ(info->Status, 4u);
    ASSERT_FALSE(
        spooler_.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, 3, buffer, 2048, &needed, &returned));
    EXPECT_EQ(last_error(), 124u);
    EXPECT_EQ(returned, 0u);

    // Nothing to list is success with nothing needed.
    SimulatedSpooler empty;
    needed = 99;
    returned = 99;
    EXPECT_TRUE(empty.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, 5, nullptr, 0, &needed, &returned));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);

    // A handle of one spooler means nothing to another.
    abi::DWORD type = 0;
    EXPECT_EQ(empty.GetPrinterDataW(h, u"DefaultDuplex", &type, nullptr, 0, &needed), 6u);

    // A printer without DEVMODE reports none.
    abi::HANDLE remote = open(u"Zenta Remote");
    ASSERT_FALSE(spooler_.GetPrinterW(remote, 2, nullptr, 0, &needed));
    std::vector<std::uint64_t> two(needed / 8 + 1);
    ASSERT_TRUE(spooler_.GetPrinterW(remote, 2, reinterpret_cast<abi::BYTE*>(two.data()), needed, &needed));
    EXPECT_EQ(reinterpret_cast<const abi::PRINTER_INFO_2W*>(two.data())->pDevMode, nullptr);
    spooler_.ClosePrinter(remote);
    spooler_.ClosePrinter(h);
}

TEST_F(SimulatedSpoolerTest, EmptyValuesAndRemovedPrinters) {
    abi::HANDLE h = open(u"Zenta Test Line");
    abi::DWORD type = 7, needed = 7;
    EXPECT_EQ(spooler_.GetPrinterDataW(h, u"Raw", &type, nullptr, 0, &needed), 0u);
    EXPECT_EQ(type, abi::REG_NONE);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(spooler_.GetPrinterDataExW(h, nullptr, u"Raw", &type, nullptr, 0, &needed),
              kErrorInvalidParameter);

    // Removing the printer keeps its open handle usable; it no longer opens by name.
    EXPECT_TRUE(spooler_.remove_printer(u"zenta test line"));
    abi::BYTE data[4];
    EXPECT_EQ(spooler_.GetPrinterDataW(h, u"DefaultDuplex", &type, data, 4, &needed), 0u);
    abi::HANDLE again = nullptr;
    EXPECT_FALSE(spooler_.OpenPrinterW(u"Zenta Test Line", &again, nullptr));
    EXPECT_EQ(last_error(), 1801u);
    EXPECT_TRUE(spooler_.ClosePrinter(h));
    EXPECT_EQ(spooler_.open_handles(), 0u);

    EXPECT_FALSE(spooler_.set_printer_data(u"Zenta Test Line", kPrinterDriverData, u"X", dword_value(1)));
    EXPECT_FALSE(spooler_.add_job(u"Zenta Remote", Job{}));  // id 0
    Job job;
    job.id = 5;
    EXPECT_TRUE(spooler_.add_job(u"Zenta Remote", job));
    EXPECT_FALSE(spooler_.add_job(u"Zenta Remote", job));
    EXPECT_FALSE(spooler_.add_form(u"Zenta Remote", Form{u"LETTER", kFormUser, {1, 1}, {0, 0, 1, 1}}));
}

// ---------------------------------------------------------------------------------------
// The simulated Windows settings

class SimulatedSettingsTest : public ::testing::Test {
protected:
    SimulatedSettingsTest() : native_(make_native_system()), system_(load("good.json").settings, *native_) {}

    std::unique_ptr<System> native_;
    SimulatedSystem system_;
};

TEST_F(SimulatedSettingsTest, RegistryKeysAndValues) {
    HKEY key = nullptr;
    ASSERT_EQ(system_.RegOpenKeyExW(kHkeyCurrentUser, u"control panel\\International\\User Profile", 0,
                                    kKeyQueryValue, &key),
              0);
    ASSERT_NE(key, nullptr);
    const auto expected = multi_string_value({u"fr-CH", u"en-US"}).bytes;

    // No data: the size and success; a short buffer: 234 and the size; then the value.
    abi::DWORD type = 0, size = 0;
    EXPECT_EQ(system_.RegQueryValueExW(key, u"Languages", &type, nullptr, &size), 0);
    EXPECT_EQ(type, abi::REG_MULTI_SZ);
    EXPECT_EQ(size, expected.size());
    std::vector<abi::BYTE> data(expected.size() + 4, 0xEE);
    size = 4;
    EXPECT_EQ(system_.RegQueryValueExW(key, u"Languages", &type, data.data(), &size), 234);
    EXPECT_EQ(size, expected.size());
    size = static_cast<abi::DWORD>(data.size());
    EXPECT_EQ(system_.RegQueryValueExW(key, u"LANGUAGES", &type, data.data(), &size), 0);
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(std::vector<abi::BYTE>(data.begin(), data.begin() + size), expected);
    EXPECT_EQ(data[size], 0xEE) << "nothing written beyond the value";
    EXPECT_EQ(system_.RegQueryValueExW(key, u"Missing", &type, data.data(), &size), 2);
    EXPECT_EQ(system_.RegQueryValueExW(key, u"Languages", &type, data.data(), nullptr), 87);
    EXPECT_EQ(system_.RegCloseKey(key), 0);
    EXPECT_EQ(system_.RegCloseKey(key), 6);
    EXPECT_EQ(system_.RegQueryValueExW(key, u"Languages", &type, nullptr, &size), 6);

    // Keys exist when a value or a key-only entry lies in or below them.
    EXPECT_EQ(
        system_.RegOpenKeyExW(kHkeyCurrentUser, u"Control Panel\\International\\Missing", 0, kKeyRead, &key),
        2);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(system_.RegOpenKeyExW(kHkeyLocalMachine, u"Control Panel", 0, kKeyRead, &key), 2);
    HKEY software = nullptr;
    ASSERT_EQ(system_.RegOpenKeyExW(kHkeyLocalMachine, u"SOFTWARE", 0, kKeyRead, &software), 0);
    HKEY empty = nullptr;
    EXPECT_EQ(system_.RegOpenKeyExW(software, u"Zenta\\Empty", 0, kKeyRead, &empty), 0)
        << "relative to a key";
    EXPECT_EQ(system_.RegQueryValueExW(empty, u"", &type, nullptr, &size), 2);
    EXPECT_EQ(system_.RegOpenKeyExW(software, u"Zent", 0, kKeyRead, &key), 2) << "whole names only";
    HKEY zenta = nullptr;
    ASSERT_EQ(system_.RegOpenKeyExW(software, u"Zenta", 0, kKeyRead, &zenta), 0);
    EXPECT_EQ(system_.RegQueryValueExW(zenta, nullptr, &type, nullptr, &size), 0) << "the default value";
    EXPECT_EQ(type, abi::REG_SZ);
    abi::DWORD level = 0;
    size = 4;
    EXPECT_EQ(system_.RegQueryValueExW(zenta, u"Level", &type, reinterpret_cast<abi::BYTE*>(&level), &size),
              0);
    EXPECT_EQ(level, 3u);
    for (HKEY k : {software, empty, zenta}) EXPECT_EQ(system_.RegCloseKey(k), 0);
    EXPECT_EQ(system_.RegOpenKeyExW(reinterpret_cast<HKEY>(0x1234), u"x", 0, kKeyRead, &key), 6);
}

TEST_F(SimulatedSettingsTest, LocaleNamesLanguagesAndVersion) {
    EXPECT_EQ(system_.GetUserDefaultLangID(), 0x0407);
    EXPECT_EQ(system_.GetUserDefaultUILanguage(), 0x0409);

    const LocaleNameToLcidFn to_lcid = system_.LocaleNameToLCID();
    ASSERT_NE(to_lcid, nullptr);
    // The profile's own name beside the built-in ones; a neutral name gives its specific locale
    // unless neutral ones are allowed (0x08000000).
    const std::tuple<const char16_t*, abi::DWORD, abi::DWORD> lcids[] = {
        {u"fr-CH", 0, 0x100C},   {u"EN-us", 0, 0x0409}, {u"zh-HK", 0, 0x0C04},       {u"zh-TW", 0, 0x0404},
        {u"x-zenta", 0, 0x0C07}, {u"en", 0, 0x0409},    {u"en", 0x08000000, 0x0009}, {u"zh-Hans", 0, 0x0804},
        {u"xx-YY", 0, 0},        {nullptr, 0, 0}};
    for (const auto& [name, flags, lcid] : lcids)
        EXPECT_EQ(to_lcid(name, flags), lcid) << (name ? util::utf16_to_utf8(name) : "null") << " " << flags;

    // 6.1 with service pack 1, compared in order of rank.
    const std::tuple<abi::DWORD, abi::DWORD, abi::WORD, bool> versions[] = {
        {6, 1, 1, true}, {6, 1, 2, false}, {6, 0, 5, true}, {5, 1, 0, true}, {6, 2, 0, false}};
    for (const auto& [major, minor, service_pack, at_least] : versions)
        EXPECT_EQ(system_.VerifyVersionAtLeast(major, minor, service_pack), at_least)
            << major << "." << minor;
    abi::DWORD platform_id = 0, major = 0, minor = 0;
    EXPECT_FALSE(system_.GetVersionExW(&platform_id, &major, &minor)) << "this profile's kernel32 lacks it";

    Settings old = Settings::defaults();
    old.version = {1, 4, 10, 0, false, true};
    old.locale_name_to_lcid = false;
    SimulatedSystem windows_98(old, *native_);
    EXPECT_FALSE(windows_98.VerifyVersionAtLeast(5, 1, 0));
    ASSERT_TRUE(windows_98.GetVersionExW(&platform_id, &major, &minor));
    EXPECT_EQ(platform_id, 1u);
    EXPECT_EQ(major, 4u);
    EXPECT_EQ(minor, 10u);
    EXPECT_EQ(windows_98.LocaleNameToLCID(), nullptr);
}

TEST_F(SimulatedSettingsTest, LocaleInfoUserAndSystemDirectory) {
    // LOCALE_IPAPERSIZE as text (size query first) and as a number.
    EXPECT_EQ(system_.GetLocaleInfoW(kLocaleUserDefault, kLocaleIPaperSize, nullptr, 0), 2);
    char16_t text[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(system_.GetLocaleInfoW(kLocaleUserDefault, kLocaleIPaperSize, text, 4), 2);
    EXPECT_EQ(std::u16string(text), u"1");
    set_last_error(0);
    EXPECT_EQ(system_.GetLocaleInfoW(kLocaleUserDefault, kLocaleIPaperSize, text, 1), 0);
    EXPECT_EQ(last_error(), kErrorInsufficientBuffer);
    abi::DWORD number = 0;
    EXPECT_EQ(system_.GetLocaleInfoW(kLocaleUserDefault, kLocaleIPaperSize | 0x20000000,
                                     reinterpret_cast<char16_t*>(&number), 2),
              2);
    EXPECT_EQ(number, 1u);
    set_last_error(0);
    EXPECT_EQ(system_.GetLocaleInfoW(kLocaleUserDefault, 0x0002, text, 4), 0);  // LOCALE_SLANGUAGE
    EXPECT_EQ(last_error(), 1004u);

    abi::DWORD size = 3;
    char16_t name[8] = {};
    EXPECT_FALSE(system_.GetUserNameW(name, &size));
    EXPECT_EQ(last_error(), kErrorInsufficientBuffer);
    EXPECT_EQ(size, 6u);
    EXPECT_TRUE(system_.GetUserNameW(name, &size));
    EXPECT_EQ(std::u16string(name), u"alice");

    char16_t dir[32];
    EXPECT_EQ(system_.GetSystemDirectoryW(dir, 5), 20u) << "too small: the size with the NUL";
    EXPECT_EQ(system_.GetSystemDirectoryW(dir, 32), 19u);
    EXPECT_EQ(std::u16string(dir), u"C:\\WINDOWS\\System32");
}

// ---------------------------------------------------------------------------------------
// The services in use

TEST(Services, ScopesPutServicesInPlaceAndRestoreThem) {
    Spooler& before_spooler = spooler();
    System& before_system = system();
    {
        SimulatedServices services(load("good.json"));
        EXPECT_EQ(&spooler(), &services.spooler());
        EXPECT_EQ(&system(), &services.system());
        abi::HANDLE h = nullptr;
        EXPECT_TRUE(spooler().OpenPrinterW(u"Zenta Test Line", &h, nullptr));
        spooler().ClosePrinter(h);
        EXPECT_EQ(system().GetUserDefaultLangID(), 0x0407);
        {
            SimulatedSpooler inner;
            ScopedServices only_spooler(&inner, nullptr);
            EXPECT_EQ(&spooler(), &inner);
            EXPECT_EQ(&system(), &services.system()) << "a null system keeps the current one";
        }
        EXPECT_EQ(&spooler(), &services.spooler());
    }
    EXPECT_EQ(&spooler(), &before_spooler);
    EXPECT_EQ(&system(), &before_system);
}

#ifndef _WIN32
TEST(Services, LinuxDefaultsAreTheBuiltInProfile) {
    if (std::getenv("ZENTA_PRINTER_PROFILE")) GTEST_SKIP() << "ZENTA_PRINTER_PROFILE names another profile";
    abi::HANDLE h = nullptr;
    ASSERT_TRUE(spooler().OpenPrinterW(u"Zenta Production Printer", &h, nullptr));
    abi::DWORD type = 0, needed = 0;
    abi::BYTE duplex[4] = {};
    EXPECT_EQ(spooler().GetPrinterDataW(h, u"DefaultDuplex", &type, duplex, 4, &needed), 0u);
    EXPECT_EQ(duplex[0], 1);
    EXPECT_TRUE(spooler().ClosePrinter(h));
    EXPECT_TRUE(system().VerifyVersionAtLeast(6, 2, 0));
    EXPECT_NE(system().LocaleNameToLCID(), nullptr);
    char16_t dir[64];
    EXPECT_GT(system().GetSystemDirectoryW(dir, 64), 0u);
}
#endif

}  // namespace
}  // namespace zenta::platform::sim
