// The system services contract: the host's own services (Win32 on Windows, POSIX on Linux) and
// the simulated Windows settings over them answer these the same way: time, random numbers,
// the temporary folder, files created, read and deleted on close, the program's file name.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/native.h"
#include "platform/sim/system.h"
#include "platform/system.h"
#include "support/printer_fixture.h"

namespace zenta::platform {
namespace {

constexpr abi::DWORD kErrorFileNotFound = 2;
constexpr abi::DWORD kErrorInvalidHandle = 6;
constexpr abi::DWORD kErrorFileExists = 80;

enum class SystemKind { Native, Simulated };

class SystemContract : public ::testing::TestWithParam<SystemKind> {
protected:
    void SetUp() override {
        native_ = make_native_system();
        if (GetParam() == SystemKind::Simulated)
            simulated_ = std::make_unique<sim::SimulatedSystem>(sim::Settings::defaults(), *native_);
    }

    System& sys() { return simulated_ ? *simulated_ : *native_; }

    // The temporary folder, sized then read; the length read leaves out the NUL written after it.
    std::u16string temp_dir() {
        const abi::DWORD needed = sys().GetTempPathW(0, nullptr);
        EXPECT_GT(needed, 1u);
        std::u16string dir(needed, u'x');
        const abi::DWORD length = sys().GetTempPathW(needed, dir.data());
        EXPECT_EQ(length, needed - 1) << "the length without the NUL";
        EXPECT_EQ(dir.substr(length), std::u16string(1, u'\0'));
        dir.resize(length);
        return dir;
    }

    // A name in the temporary folder that no other test run uses.
    std::u16string fresh_name(std::u16string_view stem) {
        static unsigned counter = 0;
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string unique = std::to_string(ticks) + "_" + std::to_string(++counter);
        return std::u16string(stem) + std::u16string(unique.begin(), unique.end()) + u".tmp";
    }

    std::unique_ptr<System> native_;
    std::unique_ptr<sim::SimulatedSystem> simulated_;
};

bool ends_with_separator(const std::u16string& path) {
    return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
}

TEST_P(SystemContract, TempPathEndsWithASeparatorAndNamesAFolder) {
    const std::u16string dir = temp_dir();
    EXPECT_TRUE(ends_with_separator(dir));
    const abi::DWORD attributes = sys().GetFileAttributesW(dir.c_str());
    ASSERT_NE(attributes, kInvalidFileAttributes);
    EXPECT_TRUE(attributes & kFileAttributeDirectory);

    // A buffer one unit short gets nothing and the size needed.
    const auto length = static_cast<abi::DWORD>(dir.size());
    std::u16string short_buffer(length, u'x');
    EXPECT_EQ(sys().GetTempPathW(length, short_buffer.data()), length + 1);
}

TEST_P(SystemContract, CreateNewRefusesAnExistingNameAndDeleteOnCloseRemovesTheFile) {
    const std::u16string dir = temp_dir();
    // Joined with a backslash, as code written for Windows joins it.
    std::u16string path = dir;
    if (ends_with_separator(path)) path.pop_back();
    path += u'\\';
    path += fresh_name(u"zenta_contract_probe_");

    const abi::DWORD flags = kFileAttributeTemporary | kFileFlagDeleteOnClose;
    const abi::HANDLE file =
        sys().CreateFileW(path.c_str(), kGenericRead | kGenericWrite, 0, kCreateNew, flags);
    ASSERT_NE(file, kInvalidHandleValue) << "error " << last_error();
    ASSERT_NE(file, nullptr);
    EXPECT_NE(sys().GetFileAttributesW(path.c_str()), kInvalidFileAttributes) << "the file exists while open";

    set_last_error(0);
    EXPECT_EQ(sys().CreateFileW(path.c_str(), kGenericRead | kGenericWrite, 0, kCreateNew, flags),
              kInvalidHandleValue);
    EXPECT_EQ(last_error(), kErrorFileExists);

    EXPECT_TRUE(sys().CloseHandle(file));
    set_last_error(0);
    EXPECT_EQ(sys().GetFileAttributesW(path.c_str()), kInvalidFileAttributes) << "deleted when closed";
    EXPECT_EQ(last_error(), kErrorFileNotFound);

    // The handle is gone with the file.
    set_last_error(0);
    EXPECT_FALSE(sys().CloseHandle(file));
    EXPECT_EQ(last_error(), kErrorInvalidHandle);
}

TEST_P(SystemContract, OpenExistingReadsTheWholeFile) {
    const std::u16string path = temp_dir() + fresh_name(u"zenta_contract_read_");
    const std::string content = "Zenta\r\n\x01\x02\x03 and the rest of the bytes";
    {
        std::ofstream out(std::filesystem::path(path), std::ios::binary);
        out << content;
    }
    const abi::HANDLE file = sys().CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, 0);
    ASSERT_NE(file, kInvalidHandleValue) << "error " << last_error();
    std::int64_t size = -1;
    ASSERT_TRUE(sys().GetFileSizeEx(file, &size));
    EXPECT_EQ(size, static_cast<std::int64_t>(content.size()));
    std::string read_back(content.size() + 10, '\0');
    abi::DWORD read = 0;
    ASSERT_TRUE(sys().ReadFile(file, read_back.data(), static_cast<abi::DWORD>(read_back.size()), &read));
    EXPECT_EQ(read, content.size());
    read_back.resize(read);
    EXPECT_EQ(read_back, content);
    // At the end of the file a read succeeds with nothing.
    char more[4];
    EXPECT_TRUE(sys().ReadFile(file, more, sizeof more, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(sys().CloseHandle(file));
    std::filesystem::remove(std::filesystem::path(path));

    set_last_error(0);
    EXPECT_EQ(sys().CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, 0),
              kInvalidHandleValue);
    EXPECT_EQ(last_error(), kErrorFileNotFound);
}

TEST_P(SystemContract, SystemTimeIsTheCurrentUtcTime) {
    abi::SYSTEMTIME t{};
    sys().GetSystemTime(&t);
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    EXPECT_GE(t.wYear, 2024);
    EXPECT_GE(t.wMonth, 1);
    EXPECT_LE(t.wMonth, 12);
    EXPECT_GE(t.wDay, 1);
    EXPECT_LE(t.wDay, 31);
    EXPECT_LE(t.wDayOfWeek, 6);
    EXPECT_LE(t.wHour, 23);
    EXPECT_LE(t.wMinute, 59);
    EXPECT_LE(t.wSecond, 59);
    EXPECT_LE(t.wMilliseconds, 999);
    // The same day as the C library's clock (unless midnight passed in between).
    if (utc.tm_hour == t.wHour) {
        EXPECT_EQ(t.wYear, utc.tm_year + 1900);
        EXPECT_EQ(t.wMonth, utc.tm_mon + 1);
        EXPECT_EQ(t.wDay, utc.tm_mday);
        EXPECT_EQ(t.wDayOfWeek, utc.tm_wday);
    }
}

TEST_P(SystemContract, TickCountAdvancesWhileSleeping) {
    // The tick count moves in steps of up to 16 ms on Windows.
    const abi::DWORD before = sys().GetTickCount();
    sys().Sleep(100);
    const abi::DWORD elapsed = sys().GetTickCount() - before;
    EXPECT_GE(elapsed, 80u);
    EXPECT_LT(elapsed, 5000u);
}

TEST_P(SystemContract, RandomNumbersRepeatAfterTheSameStart) {
    // The C runtime's generator: the same numbers for a start value on both systems.
    sys().srand(1);
    std::vector<int> first;
    for (int i = 0; i < 5; ++i) first.push_back(sys().rand());
    EXPECT_EQ(first, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    sys().srand(1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(sys().rand(), first[static_cast<std::size_t>(i)]);

    sys().srand(20240506);
    int high = 0;
    for (int i = 0; i < 2000; ++i) {
        const int r = sys().rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        high = std::max(high, r);
    }
    EXPECT_GT(high, 30000) << "all fifteen bits are used";
}

TEST_P(SystemContract, ModuleFileNameOfTheProgram) {
    std::vector<char16_t> buffer(4096);
    const abi::DWORD length =
        sys().GetModuleFileNameW(nullptr, buffer.data(), static_cast<abi::DWORD>(buffer.size()));
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, buffer.size());
    const std::u16string path(buffer.data(), length);
    EXPECT_NE(path.find(u"zenta_tests"), std::u16string::npos);
    const abi::DWORD attributes = sys().GetFileAttributesW(path.c_str());
    ASSERT_NE(attributes, kInvalidFileAttributes);
    EXPECT_FALSE(attributes & kFileAttributeDirectory);

    // Too small a buffer: cut to size - 1 units and a NUL; the result is the size, error 122.
    // (Wine, like Windows XP, fills all `size` units with the name and writes no NUL.)
    std::vector<char16_t> small(5, u'x');
    set_last_error(0);
    EXPECT_EQ(sys().GetModuleFileNameW(nullptr, small.data(), 5), 5u);
    EXPECT_EQ(last_error(), kErrorInsufficientBuffer);
    EXPECT_EQ(std::u16string(small.data(), 4), path.substr(0, 4));
    EXPECT_EQ(small[4], test::running_under_wine() ? path[4] : u'\0');

    // The long form of an existing path names the same file.
    std::vector<char16_t> long_path(4096);
    const abi::DWORD long_length =
        sys().GetLongPathNameW(path.c_str(), long_path.data(), static_cast<abi::DWORD>(long_path.size()));
    ASSERT_GT(long_length, 0u);
    EXPECT_NE(sys().GetFileAttributesW(long_path.data()), kInvalidFileAttributes);
    set_last_error(0);
    EXPECT_EQ(sys().GetLongPathNameW((temp_dir() + fresh_name(u"zenta_contract_none_")).c_str(),
                                     long_path.data(), static_cast<abi::DWORD>(long_path.size())),
              0u);
    EXPECT_EQ(last_error(), kErrorFileNotFound);
}

TEST_P(SystemContract, UserNameIsSizedThenRead) {
    abi::DWORD size = 0;
    set_last_error(0);
    EXPECT_FALSE(sys().GetUserNameW(nullptr, &size));
    EXPECT_EQ(last_error(), kErrorInsufficientBuffer);
    ASSERT_GT(size, 1u);
    std::u16string name(size, u'\0');
    ASSERT_TRUE(sys().GetUserNameW(name.data(), &size));
    EXPECT_EQ(size, name.size()) << "the size with the NUL";
    EXPECT_EQ(name.back(), u'\0');
    EXPECT_NE(name[0], u'\0');
}

INSTANTIATE_TEST_SUITE_P(Systems, SystemContract,
                         ::testing::Values(SystemKind::Native, SystemKind::Simulated),
                         [](const ::testing::TestParamInfo<SystemKind>& info) {
                             return std::string(info.param == SystemKind::Native ? "Native" : "Simulated");
                         });

#ifdef _WIN32
// The Windows-only services of the real system (the simulated ones: platform_sim_test.cpp).
TEST(Win32System, VersionLocaleAndRegistry) {
    auto sys = make_native_system();
    // Major, minor and service pack are compared in order of rank: a later major version passes
    // whatever service pack is asked for.
    EXPECT_TRUE(sys->VerifyVersionAtLeast(5, 1, 0));
    EXPECT_TRUE(sys->VerifyVersionAtLeast(5, 1, 99));
    EXPECT_FALSE(sys->VerifyVersionAtLeast(99, 0, 0));
    abi::DWORD platform_id = 0, major = 0, minor = 0;
    ASSERT_TRUE(sys->GetVersionExW(&platform_id, &major, &minor));
    EXPECT_EQ(platform_id, 2u);
    EXPECT_GE(major, 6u);

    const LocaleNameToLcidFn to_lcid = sys->LocaleNameToLCID();
    ASSERT_NE(to_lcid, nullptr);
    EXPECT_EQ(to_lcid(u"en-US", 0), 0x0409u);
    EXPECT_EQ(to_lcid(u"fr-CH", 0), 0x100Cu);

    EXPECT_EQ(sys->GetLocaleInfoW(kLocaleUserDefault, kLocaleIPaperSize, nullptr, 0), 2) << "\"1\" or \"9\"";
    char16_t dir[260];
    EXPECT_GT(sys->GetSystemDirectoryW(dir, 260), 0u);
    HKEY key = nullptr;
    ASSERT_EQ(sys->RegOpenKeyExW(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                                 kKeyRead, &key),
              0);
    EXPECT_EQ(sys->RegQueryValueExW(key, u"No Such Zenta Value", nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(sys->RegCloseKey(key), 0);
}
#else
// On Linux a module is named by an address inside it.
TEST(PosixSystem, ModuleFileNameOfALibraryAddress) {
    auto sys = make_native_system();
    std::vector<char16_t> buffer(4096);
    const abi::DWORD length = sys->GetModuleFileNameW(reinterpret_cast<void*>(&last_error), buffer.data(),
                                                      static_cast<abi::DWORD>(buffer.size()));
    ASSERT_GT(length, 0u);
    const std::u16string path(buffer.data(), length);
    EXPECT_TRUE(path.ends_with(u"/libzenta_platform.so"));
    EXPECT_EQ(path.front(), u'/');
}

TEST(PosixSystem, WindowsOnlyServicesAnswerAsAbsent) {
    auto sys = make_native_system();
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(sys->RegOpenKeyExW(kHkeyCurrentUser, u"Control Panel", 0, kKeyRead, &key), 2);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(sys->LocaleNameToLCID(), nullptr);
    EXPECT_FALSE(sys->VerifyVersionAtLeast(5, 1, 0));
    EXPECT_FALSE(sys->GetVersionExW(nullptr, nullptr, nullptr));
    char16_t dir[64];
    EXPECT_EQ(sys->GetSystemDirectoryW(dir, 64), 0u);
}
#endif

}  // namespace
}  // namespace zenta::platform
