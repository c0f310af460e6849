// The printer environment on both spoolers: opening printers, the printer data readers and the
// driver option bytes; and, on a simulated Windows, companion file names, the operating system
// class, job identifiers and the working directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "abi/devmode.h"
#include "environment/companions.h"
#include "environment/job.h"
#include "environment/os_class.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "platform/last_error.h"
#include "platform/library.h"
#include "platform/native.h"
#include "platform/sim/services.h"
#include "settings/layout_version.h"
#include "settings/record.h"
#include "support/environment.h"
#include "support/printer_fixture.h"
#include "util/hex.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

using test::SpoolerTest;

using test::set_environment;

std::vector<abi::BYTE> option_value(std::initializer_list<std::pair<std::string, std::uint16_t>> entries,
                                    std::string header = util::hex_trimmed(settings::layout_version())) {
    std::vector<abi::BYTE> bytes(header.begin(), header.end());
    bytes.push_back(0);
    for (const auto& [key, number] : entries) {
        bytes.insert(bytes.end(), key.begin(), key.end());
        bytes.push_back(0);
        bytes.push_back(static_cast<abi::BYTE>(number & 0xFF));
        bytes.push_back(static_cast<abi::BYTE>(number >> 8));
    }
    return bytes;
}

class PrinterReaders : public SpoolerTest {};

TEST_P(PrinterReaders, OpensByNameOrByTheFirstLongerLocalName) {
    ASSERT_TRUE(printers().add_printer(u"Zenta Readers Prefix Printer B", u"FILE:")) << printers().error();
    {
        PrinterConnection exact = PrinterConnection::open(u"Zenta Readers Prefix Printer B");
        ASSERT_TRUE(exact);
        EXPECT_EQ(exact.printer_name(), u"Zenta Readers Prefix Printer B");
        ASSERT_NE(exact.description(), nullptr);
        EXPECT_EQ(std::u16string(exact.description()->pPortName), u"FILE:");
    }
    PrinterConnection prefix = PrinterConnection::open(u"Zenta Readers Prefix");
    ASSERT_TRUE(prefix);
    EXPECT_EQ(prefix.printer_name(), u"Zenta Readers Prefix Printer B");

    EXPECT_FALSE(PrinterConnection::open(u"Zenta Readers No Such Printer"));
    EXPECT_NE(platform::last_error(), 0u) << "the failed open's error is left for the caller";
    EXPECT_FALSE(PrinterConnection::open(u""));
}

TEST_P(PrinterReaders, DefaultDuplexNeedsFourBytesOfANumber) {
    const std::u16string name = u"Zenta Readers Duplex";
    ASSERT_TRUE(printers().add_printer(name));
    const PrinterConnection printer = PrinterConnection::open(name);
    ASSERT_TRUE(printer);
    EXPECT_FALSE(read_default_duplex(printer)) << "missing";
    ASSERT_TRUE(printers().set_dword(name, u"DefaultDuplex", 1));
    EXPECT_EQ(read_default_duplex(printer), true);
    ASSERT_TRUE(printers().set_dword(name, u"DefaultDuplex", 0));
    EXPECT_EQ(read_default_duplex(printer), false);
    const abi::BYTE one[] = {1, 0, 0, 0};
    ASSERT_TRUE(printers().set_value(name, u"DefaultDuplex", abi::REG_NONE, one));
    EXPECT_EQ(read_default_duplex(printer), true) << "read by size, whatever the type";
    const abi::BYTE two[] = {1, 0};
    ASSERT_TRUE(printers().set_binary(name, u"DefaultDuplex", two));
    EXPECT_FALSE(read_default_duplex(printer)) << "short";
    const abi::BYTE eight[] = {1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(printers().set_binary(name, u"DefaultDuplex", eight));
    EXPECT_FALSE(read_default_duplex(printer)) << "long";
    EXPECT_FALSE(read_default_duplex(PrinterConnection())) << "no printer";
}

TEST_P(PrinterReaders, InstallableOptionsAreFortyBytes) {
    const std::u16string name = u"Zenta Readers Options";
    ASSERT_TRUE(printers().add_printer(name));
    const PrinterConnection printer = PrinterConnection::open(name);
    EXPECT_FALSE(read_installable_options(printer));
    std::vector<abi::BYTE> block(40);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<abi::BYTE>(i * 3);
    ASSERT_TRUE(printers().set_binary(name, u"InstallableOptions", block));
    const auto options = read_installable_options(printer);
    ASSERT_TRUE(options);
    EXPECT_TRUE(std::equal(options->begin(), options->end(), block.begin()));
    EXPECT_EQ((*options)[kPaperFeedConfigurationByte], 33);

    block.pop_back();
    ASSERT_TRUE(printers().set_binary(name, u"InstallableOptions", block));
    EXPECT_FALSE(read_installable_options(printer)) << "39 bytes";
    ASSERT_TRUE(printers().set_dword(name, u"InstallableOptions", 6));
    EXPECT_FALSE(read_installable_options(printer)) << "4 bytes";
    block.push_back(7);
    ASSERT_TRUE(printers().set_value(name, u"InstallableOptions", abi::REG_NONE, block));
    EXPECT_EQ(read_installable_options(printer).value_or(InstallableOptions{})[39], 7)
        << "any type of 40 bytes";
}

TEST_P(PrinterReaders, DriverOptionMapsAndTheBytesTheyWrite) {
    const std::u16string name = u"Zenta Readers Option Maps";
    ASSERT_TRUE(printers().add_printer(name));
    ASSERT_TRUE(
        printers().set_binary(name, u"PScriptOffsets", option_value({{"QWDuplex", 4}, {"InputSlot", 9}})));
    ASSERT_TRUE(printers().set_binary(
        name, u"PScriptValues",
        option_value({{"QWDuplex_True", 0x0111}, {"QWDuplex_False", 0x22}, {"InputSlot_Tray2", 5}})));
    const PrinterConnection printer = PrinterConnection::open(name);
    const auto offsets = read_driver_option_map(printer, u"PScriptOffsets");
    ASSERT_TRUE(offsets);
    EXPECT_EQ(offsets->at("InputSlot"), 9);

    // A DEVMODE whose private area is 8 bytes: offset 9 lies outside it.
    std::vector<std::uint8_t> devmode(sizeof(abi::DEVMODEW) + 8, 0xEE);
    abi::DEVMODEW public_part{};
    public_part.dmSize = sizeof(abi::DEVMODEW);
    public_part.dmDriverExtra = 8;
    std::memcpy(devmode.data(), &public_part, sizeof public_part);
    settings::Record record;
    record.set<settings::FeatureId::Duplex>(1);     // True
    record.set<settings::FeatureId::InputSlot>(3);  // Tray2
    write_driver_option_bytes(printer.handle(), devmode, record);
    EXPECT_EQ(devmode[sizeof(abi::DEVMODEW) + 4], 0x11) << "the low byte of the value";
    EXPECT_EQ(std::count(devmode.begin() + sizeof(abi::DEVMODEW), devmode.end(), 0xEE), 7);

    // A map with another header makes both count as unreadable: nothing is written.
    ASSERT_TRUE(
        printers().set_binary(name, u"PScriptValues", option_value({{"QWDuplex_False", 0x22}}, "00")));
    record.set<settings::FeatureId::Duplex>(0);
    write_driver_option_bytes(printer.handle(), devmode, record);
    EXPECT_EQ(devmode[sizeof(abi::DEVMODEW) + 4], 0x11);

    // A last number that lost its high byte reads it as zero; an entry cut shorter fails.
    auto truncated = option_value({{"QWDuplex", 0x0304}});
    truncated.pop_back();
    ASSERT_TRUE(printers().set_binary(name, u"PScriptOffsets", truncated));
    EXPECT_EQ(read_driver_option_map(printer, u"PScriptOffsets"), (DriverOptionMap{{"QWDuplex", 4}}));
    truncated.pop_back();
    ASSERT_TRUE(printers().set_binary(name, u"PScriptOffsets", truncated));
    EXPECT_FALSE(read_driver_option_map(printer, u"PScriptOffsets"));
}

TEST_P(PrinterReaders, CustomPapersWakeUpAddressAndSpoolDirectory) {
    const std::u16string name = u"Zenta Readers Papers";
    ASSERT_TRUE(printers().add_printer(name));
    const PrinterConnection printer = PrinterConnection::open(name);

    std::vector<abi::BYTE> papers(2 * kCustomPaperRecordSize + 20, 0);
    ASSERT_TRUE(printers().set_binary(name, u"LastCustomPapers", papers));
    EXPECT_TRUE(read_custom_papers(printer).empty()) << "a part record makes the whole value absent";
    papers.resize(2 * kCustomPaperRecordSize);
    papers[0] = 1;
    papers[4] = 7;  // the stored option index is replaced by the custom size
    std::memcpy(papers.data() + 16, "Banner 330x1200", 15);
    std::memset(papers.data() + kCustomPaperRecordSize + 16, 'x', kCustomPaperRecordSize - 16);  // no NUL
    ASSERT_TRUE(printers().set_binary(name, u"LastCustomPapers", papers));
    const auto read = read_custom_papers(printer);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].kind_flag, 1u);
    EXPECT_EQ(read[0].option_index, 26u);
    EXPECT_EQ(read[0].name, "Banner 330x1200");
    EXPECT_EQ(read[1].name, std::string(kCustomPaperRecordSize - 16, 'x')) << "ends with its record";

    EXPECT_FALSE(read_wake_up_address_text(printer));
    ASSERT_TRUE(printers().set_string(name, u"MacAddress", u"00:11:22:aa:BB:cc"));
    EXPECT_EQ(read_wake_up_address_text(printer), "00:11:22:aa:BB:cc");

    EXPECT_EQ(printer.get_printer_data(u"MacAddress", nullptr, nullptr, 0, nullptr),
              platform::kErrorMoreData);
    EXPECT_EQ(PrinterConnection().get_printer_data(u"MacAddress", nullptr, nullptr, 0, nullptr),
              kErrorInvalidPrinterName);
    std::size_t needed = 0;
    EXPECT_EQ(PrinterConnection().get_bin_names(nullptr, nullptr, 0, &needed), kErrorInvalidPrinterName);
}

INSTANTIATE_TEST_SUITE_P(Spoolers, PrinterReaders, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

// ---- on a simulated Windows

class SimulatedWindows : public ::testing::Test {
protected:
    platform::sim::Profile profile_ = platform::sim::default_profile();
};

// The simulated system with the module path of the test's choosing.
class ModuleNamed : public platform::sim::SimulatedSystem {
public:
    ModuleNamed(platform::sim::Settings settings, platform::System& host, std::u16string path)
        : SimulatedSystem(std::move(settings), host), path_(std::move(path)) {}
    abi::DWORD GetModuleFileNameW(void*, char16_t* buffer, abi::DWORD size) override {
        if (size == 0) return 0;
        const std::size_t n = std::min<std::size_t>(path_.size(), size - 1);
        std::copy_n(path_.begin(), n, buffer);
        buffer[n] = 0;
        return static_cast<abi::DWORD>(n);
    }

private:
    std::u16string path_;
};

TEST_F(SimulatedWindows, CompanionFileNames) {
    auto native = platform::make_native_system();
#if defined(_WIN32)
    const std::u16string plugin = u"C:\\Program Files\\Zenta\\ZENTA_PS.DLL";
    const std::u16string base = u"C:\\Program Files\\Zenta\\ZENTA";
    const std::u16string ending = u".dll";
#else
    const std::u16string plugin = u"/opt/zenta/lib/libzenta_ps.so";
    const std::u16string base = u"/opt/zenta/lib/libzenta";
    const std::u16string ending = u".so";
#endif
    ModuleNamed system(profile_.settings, *native, plugin);
    platform::ScopedServices scope(nullptr, &system);
    EXPECT_EQ(companion_file_name(nullptr, Companion::ConfigurationLibrary), base + u"_ui" + ending);
    EXPECT_EQ(companion_file_name(nullptr, Companion::Help), base + u".chm");
    EXPECT_EQ(companion_file_name(nullptr, Companion::RenderPlugin), base + u"_ps" + ending);
    EXPECT_EQ(companion_file_name(nullptr, Companion::UserModeLibrary), base + u"_umpd" + ending);
    EXPECT_EQ(companion_file_name(nullptr, Companion::TabDocumentLibrary), base + ending);
    EXPECT_EQ(companion_file_name(nullptr, Companion::PclPlugin), base + u"_pcl" + ending);
    EXPECT_EQ(companion_file_name(nullptr, Companion::LanguageFile), base + u".lng");
    EXPECT_EQ(companion_file_name(nullptr, Companion::NotificationLibrary), base + u"_n" + ending);
    EXPECT_EQ(companion_file_name(nullptr, Companion::SystemBase), base) << "not inside the system directory";
}

TEST_F(SimulatedWindows, CompanionNamesNeedALibraryPath) {
    auto native = platform::make_native_system();
    for (const std::u16string path : {u"/usr/bin/zenta", u"C:\\zenta\\zenta.exe", u""}) {
        ModuleNamed system(profile_.settings, *native, path);
        platform::ScopedServices scope(nullptr, &system);
        EXPECT_FALSE(companion_file_name(nullptr, Companion::NotificationLibrary));
    }
    // Only the file name's underscore counts, not one in a folder name.
#if defined(_WIN32)
    ModuleNamed system(profile_.settings, *native, u"C:\\my_drivers\\zenta.DLL");
    platform::ScopedServices scope(nullptr, &system);
    EXPECT_EQ(companion_file_name(nullptr, Companion::NotificationLibrary), u"C:\\my_drivers\\zenta_n.dll");
#else
    ModuleNamed system(profile_.settings, *native, u"/opt/my_drivers/zenta.so");
    platform::ScopedServices scope(nullptr, &system);
    EXPECT_EQ(companion_file_name(nullptr, Companion::NotificationLibrary), u"/opt/my_drivers/zenta_n.so");
#endif
}

TEST_F(SimulatedWindows, CompanionInsideTheSystemDirectory) {
    auto native = platform::make_native_system();
#if defined(_WIN32)
    profile_.settings.system_directory = u"C:\\Windows\\System32";
    ModuleNamed system(profile_.settings, *native,
                       u"c:\\windows\\system32\\spool\\drivers\\x64\\3\\zenta_ps.dll");
    const std::u16string expected = u"C:\\Windows\\System32\\zenta";
#else
    profile_.settings.system_directory = u"/usr/lib";
    ModuleNamed system(profile_.settings, *native, u"/usr/lib/zenta/libzenta_ps.so");
    const std::u16string expected = u"/usr/lib/libzenta";
#endif
    platform::ScopedServices scope(nullptr, &system);
    EXPECT_EQ(companion_file_name(nullptr, Companion::SystemBase), expected);
}

TEST_F(SimulatedWindows, OperatingSystemClass) {
    struct Case {
        abi::DWORD platform_id, major, minor;
        bool verify;
        int expected;
    };
    const Case cases[] = {
        {2, 10, 0, true, 6},
        {2, 6, 2, true, 6},
        {2, 6, 1, true, 5},
        {2, 6, 0, true, 4},
        {2, 5, 1, true, 3},
        {2, 5, 0, true, 2},
        {2, 4, 0, true, 1},
        {1, 4, 10, true, 0},
        {3, 5, 0, true, 7},
        // Without VerifyVersionInfoW the version numbers decide.
        {2, 6, 1, false, 5},
        {2, 6, 3, false, 7},
        {2, 5, 2, false, 3},
    };
    auto native = platform::make_native_system();
    for (const Case& c : cases) {
        platform::sim::Settings settings = profile_.settings;
        settings.version = {c.platform_id, c.major, c.minor, 0, c.verify, true};
        platform::sim::SimulatedSystem system(settings, *native);
        platform::ScopedServices scope(nullptr, &system);
        EXPECT_EQ(compute_operating_system_class(), c.expected) << c.major << '.' << c.minor;
    }
    platform::sim::Settings settings = profile_.settings;
    settings.version = {2, 5, 0, 0, false, false};
    platform::sim::SimulatedSystem system(settings, *native);
    platform::ScopedServices scope(nullptr, &system);
    EXPECT_EQ(compute_operating_system_class(), 7) << "no version at all";
}

TEST(JobIdentifier, TwentySixCharactersOfHexAndTime) {
    for (int i = 0; i < 20; ++i) {
        const std::string id = make_job_identifier();
        ASSERT_EQ(id.size(), 26u) << id;
        EXPECT_EQ(id.substr(0, 6), "ACDE48");
        EXPECT_TRUE(std::all_of(id.begin(), id.begin() + 12,
                                [](char c) { return std::isxdigit(c) && !std::islower(c); }));
        EXPECT_TRUE(std::all_of(id.end() - 14, id.end(), [](char c) { return c >= '0' && c <= '9'; })) << id;
        const int month = std::stoi(id.substr(12, 2));
        EXPECT_TRUE(month >= 1 && month <= 12) << id;
    }
}

// The notification library built beside the tests keeps a job log where ZENTA_JOB_LOG says.
TEST_F(SimulatedWindows, NotifyJobTellsTheNotificationLibrary) {
    const std::u16string program = platform::executable_path();
    const std::u16string folder = program.substr(0, program.find_last_of(u"\\/") + 1);
    const std::u16string plugin = folder + platform::library_file_name(u"zenta_ps");
    auto native = platform::make_native_system();
    ModuleNamed system(profile_.settings, *native, plugin);
    platform::ScopedServices scope(nullptr, &system);

    const std::string log = util::utf16_to_utf8(folder) + "notify_test_jobs.log";
    std::remove(log.c_str());
    set_environment("ZENTA_JOB_LOG", log);
    const std::string id = notify_job(nullptr, u"Zenta Production Printer\nsecond line");
    set_environment("ZENTA_JOB_LOG", "");

    std::ifstream in(log);
    std::string line;
    ASSERT_TRUE(std::getline(in, line)) << "no log at " << log;
    const auto tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos);
    EXPECT_EQ(line.substr(tab + 1), id + "\tZenta Production Printer second line");
    EXPECT_FALSE(std::getline(in, line));
    in.close();
    std::remove(log.c_str());

    // Without the library the identifier still comes back.
    ModuleNamed elsewhere(profile_.settings, *native,
                          folder + u"nowhere" + platform::library_file_name(u"x_ps"));
    platform::ScopedServices scope_elsewhere(nullptr, &elsewhere);
    EXPECT_EQ(notify_job(nullptr, u"P").size(), 26u);
}

TEST(WorkingDirectory, TheTemporaryDirectoryWithoutAPrinter) {
    const auto directory = choose_working_directory(nullptr);
    ASSERT_TRUE(directory);
    const char16_t last = directory->back();
    EXPECT_TRUE(last == u'\\' || last == u'/');
    EXPECT_NE(platform::system().GetFileAttributesW(directory->c_str()), platform::kInvalidFileAttributes);
}

}  // namespace
}  // namespace zenta::environment
