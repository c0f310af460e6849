// The system services for sections, processes, threads, temporary file names and impersonation:
// the host's own (Win32 on Windows, POSIX on Linux) and the simulated Windows settings over
// them answer the same way.

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "platform/native.h"
#include "platform/sim/system.h"
#include "platform/system.h"
#include "util/utf.h"

#if !defined(_WIN32)
#include "platform/posix/kernel_objects.h"
#endif

namespace zenta::platform {
namespace {

namespace fs = std::filesystem;

constexpr abi::DWORD kErrorFileNotFound = 2;
constexpr abi::DWORD kErrorInvalidHandle = 6;

enum class SystemKind { Native, Simulated };

class KernelObjects : public ::testing::TestWithParam<SystemKind> {
protected:
    void SetUp() override {
        native_ = make_native_system();
        if (GetParam() == SystemKind::Simulated)
            simulated_ = std::make_unique<sim::SimulatedSystem>(sim::Settings::defaults(), *native_);
    }

    System& sys() { return simulated_ ? *simulated_ : *native_; }

    // The exit code of a thread (or a process), STILL_ACTIVE while it runs.
    abi::DWORD exit_code(abi::HANDLE handle, bool process = false) {
        abi::DWORD code = 0;
        EXPECT_TRUE(process ? sys().GetExitCodeProcess(handle, &code)
                            : sys().GetExitCodeThread(handle, &code));
        return code;
    }

    // A name no other test run uses.
    static std::u16string unique(std::string_view stem) {
        static unsigned counter = 0;
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        return util::utf8_to_utf16(std::string(stem) + std::to_string(ticks % 1000000000) + "X" +
                                   std::to_string(++counter));
    }

    std::unique_ptr<System> native_;
    std::unique_ptr<sim::SimulatedSystem> simulated_;
};

INSTANTIATE_TEST_SUITE_P(Systems, KernelObjects, ::testing::Values(SystemKind::Native, SystemKind::Simulated),
                         [](const ::testing::TestParamInfo<SystemKind>& info) {
                             return info.param == SystemKind::Native ? "Native" : "Simulated";
                         });

TEST_P(KernelObjects, ANamedSectionIsSharedUnderItsName) {
    const std::u16string name = unique("ZentaSection");
    const abi::HANDLE created =
        sys().CreateFileMappingW(kInvalidHandleValue, abi::PAGE_READWRITE, 0, 193480, name.c_str());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(last_error(), 0u);
    auto* first =
        static_cast<std::uint8_t*>(sys().MapViewOfFile(created, abi::FILE_MAP_ALL_ACCESS, 0, 0, 193480));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first[0], 0) << "a new section is zero";
    EXPECT_EQ(first[193479], 0);

    const abi::HANDLE opened = sys().OpenFileMappingW(abi::FILE_MAP_ALL_ACCESS, 0, name.c_str());
    ASSERT_NE(opened, nullptr);
    auto* second = static_cast<std::uint8_t*>(sys().MapViewOfFile(opened, abi::FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(second, nullptr);
    first[193479] = 0x5A;
    second[8] = 0xA5;
    EXPECT_EQ(second[193479], 0x5A);
    EXPECT_EQ(first[8], 0xA5);

    // Creating the name again opens the same section and says so.
    const abi::HANDLE again =
        sys().CreateFileMappingW(kInvalidHandleValue, abi::PAGE_READWRITE, 0, 193480, name.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(last_error(), abi::ERROR_ALREADY_EXISTS);
    auto* third =
        static_cast<std::uint8_t*>(sys().MapViewOfFile(again, abi::FILE_MAP_ALL_ACCESS, 0, 0, 193480));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third[8], 0xA5);

    EXPECT_TRUE(sys().UnmapViewOfFile(third));
    EXPECT_TRUE(sys().UnmapViewOfFile(second));
    EXPECT_FALSE(sys().UnmapViewOfFile(second)) << "a view is unmapped once";
    EXPECT_TRUE(sys().CloseHandle(again));
    EXPECT_TRUE(sys().CloseHandle(opened));
    EXPECT_TRUE(sys().UnmapViewOfFile(first));
    EXPECT_TRUE(sys().CloseHandle(created));
    // With every handle closed the name is gone.
    EXPECT_EQ(sys().OpenFileMappingW(abi::FILE_MAP_ALL_ACCESS, 0, name.c_str()), nullptr);
    EXPECT_EQ(last_error(), kErrorFileNotFound);
}

TEST_P(KernelObjects, AMissingSectionDoesNotOpen) {
    EXPECT_EQ(sys().OpenFileMappingW(abi::FILE_MAP_ALL_ACCESS, 0, unique("ZentaNoSuchSection").c_str()),
              nullptr);
    EXPECT_EQ(last_error(), kErrorFileNotFound);
    EXPECT_EQ(sys().MapViewOfFile(reinterpret_cast<abi::HANDLE>(std::uintptr_t{0x7FF0}),
                                  abi::FILE_MAP_ALL_ACCESS, 0, 0, 16),
              nullptr);
}

abi::DWORD ZENTA_STDCALL add_seven(void* parameter) {
    auto* value = static_cast<int*>(parameter);
    *value += 7;
    return static_cast<abi::DWORD>(*value);
}

struct Gate {
    std::atomic<bool> open{false};
};

abi::DWORD ZENTA_STDCALL wait_at_gate(void* parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    while (!gate->open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 42;
}

TEST_P(KernelObjects, AThreadRunsItsRoutineAndEndsWithItsResult) {
    int value = 5;
    abi::DWORD id = 0;
    const abi::HANDLE thread = sys().CreateThread(0, &add_seven, &value, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(sys().WaitForSingleObject(thread, abi::INFINITE), abi::WAIT_OBJECT_0);
    EXPECT_EQ(exit_code(thread), 12u);
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(sys().CloseHandle(thread));
}

TEST_P(KernelObjects, AThreadIsActiveUntilItEnds) {
    Gate gate;
    const abi::HANDLE thread = sys().CreateThread(0, &wait_at_gate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(sys().WaitForSingleObject(thread, 20), abi::WAIT_TIMEOUT);
    EXPECT_EQ(exit_code(thread), abi::STILL_ACTIVE);
    gate.open = true;
    EXPECT_EQ(sys().WaitForSingleObject(thread, 10000), abi::WAIT_OBJECT_0);
    EXPECT_EQ(exit_code(thread), 42u);
    EXPECT_TRUE(sys().CloseHandle(thread));
}

TEST_P(KernelObjects, ASuspendedThreadStartsOnResume) {
    int value = 1;
    const abi::HANDLE thread = sys().CreateThread(0, &add_seven, &value, abi::CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(sys().WaitForSingleObject(thread, 30), abi::WAIT_TIMEOUT);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(sys().ResumeThread(thread), 1u);
    EXPECT_EQ(sys().WaitForSingleObject(thread, abi::INFINITE), abi::WAIT_OBJECT_0);
    EXPECT_EQ(value, 8);
    EXPECT_EQ(sys().ResumeThread(thread), 0u);
    EXPECT_TRUE(sys().CloseHandle(thread));
    EXPECT_EQ(sys().WaitForSingleObject(thread, 0), abi::WAIT_FAILED);
    EXPECT_EQ(last_error(), kErrorInvalidHandle);
}

// A program of the system and a command line that ends it with the given exit code, creating a
// file first when one is named.
struct Program {
    std::u16string application;
    std::u16string command_line;
};

Program exit_program(System& sys, int code, const std::u16string& touch = {}) {
#if defined(_WIN32)
    char16_t directory[260] = {};
    sys.GetSystemDirectoryW(directory, 260);
    const std::u16string cmd = std::u16string(directory) + u"\\cmd.exe";
    std::u16string line = u"\"" + cmd + u"\" /c ";
    if (!touch.empty()) line += u"type nul > \"" + touch + u"\" & ";
    line += u"exit " + util::utf8_to_utf16(std::to_string(code));
    return {cmd, line};
#else
    (void)sys;
    std::u16string script;
    if (!touch.empty()) script += u": > '" + touch + u"'; ";
    script += u"exit " + util::utf8_to_utf16(std::to_string(code));
    return {u"/bin/sh", u"sh -c \"" + script + u"\""};
#endif
}

TEST_P(KernelObjects, AProcessRunsAndEndsWithItsExitCode) {
    Program program = exit_program(sys(), 7);
    abi::PROCESS_INFORMATION info{};
    ASSERT_TRUE(sys().CreateProcessW(program.application.c_str(), program.command_line.data(), 0, 0, &info))
        << last_error();
    EXPECT_NE(info.hProcess, nullptr);
    EXPECT_NE(info.hThread, nullptr);
    EXPECT_NE(info.dwProcessId, 0u);
    EXPECT_EQ(sys().WaitForSingleObject(info.hProcess, abi::INFINITE), abi::WAIT_OBJECT_0);
    EXPECT_EQ(exit_code(info.hProcess, true), 7u);
    EXPECT_TRUE(sys().CloseHandle(info.hThread));
    EXPECT_TRUE(sys().CloseHandle(info.hProcess));
}

TEST_P(KernelObjects, ASuspendedProcessRunsOnlyOnceResumed) {
    const fs::path marker =
        fs::temp_directory_path() / (util::utf16_to_utf8(unique("zenta_resumed_")) + ".txt");
    Program program = exit_program(sys(), 3, marker.u16string());
    abi::PROCESS_INFORMATION info{};
    ASSERT_TRUE(sys().CreateProcessW(program.application.c_str(), program.command_line.data(), 0,
                                     0x05000224 /* the tab file child's flags */, &info))
        << last_error();
    EXPECT_EQ(sys().WaitForSingleObject(info.hProcess, 150), abi::WAIT_TIMEOUT);
    EXPECT_EQ(exit_code(info.hProcess, true), abi::STILL_ACTIVE);
    EXPECT_FALSE(fs::exists(marker)) << "a suspended process has not run";
    EXPECT_EQ(sys().ResumeThread(info.hThread), 1u);
    EXPECT_EQ(sys().WaitForSingleObject(info.hProcess, abi::INFINITE), abi::WAIT_OBJECT_0);
    EXPECT_EQ(exit_code(info.hProcess, true), 3u);
    EXPECT_TRUE(fs::exists(marker));
    sys().CloseHandle(info.hThread);
    sys().CloseHandle(info.hProcess);
    std::error_code ignored;
    fs::remove(marker, ignored);
}

TEST_P(KernelObjects, AMissingProgramIsNotStarted) {
    const std::u16string missing = (fs::temp_directory_path() / "zenta-no-such-program.exe").u16string();
    std::u16string line = u"\"" + missing + u"\" x";
    abi::PROCESS_INFORMATION info{};
    EXPECT_FALSE(sys().CreateProcessW(missing.c_str(), line.data(), 0, abi::CREATE_SUSPENDED, &info));
    EXPECT_EQ(last_error(), kErrorFileNotFound);
    EXPECT_EQ(info.hProcess, nullptr);
}

// A folder's path in a form two spellings of it share: no trailing separator, one letter case.
std::string comparable(const fs::path& folder) {
    std::string text = folder.string();
    while (!text.empty() && (text.back() == '/' || text.back() == '\\')) text.pop_back();
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST_P(KernelObjects, TempFileNamesAreNewEmptyFiles) {
    const fs::path folder = fs::temp_directory_path();
    char16_t first[abi::kMaxPath] = {};
    char16_t second[abi::kMaxPath] = {};
    const std::u16string path = folder.u16string();
    const abi::UINT a = sys().GetTempFileNameW(path.c_str(), u"TP1xyz", 0, first);
    const abi::UINT b = sys().GetTempFileNameW(path.c_str(), u"TP1", 0, second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    for (const char16_t* name : {first, second}) {
        const fs::path file{std::u16string(name)};
        EXPECT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(fs::file_size(file), 0u);
        const std::string base = file.filename().string();
        EXPECT_EQ(base.substr(0, 3), "TP1") << "three characters of the prefix: " << base;
        EXPECT_EQ(fs::path(base).extension().string().size(), 4u);
        EXPECT_EQ(comparable(file.parent_path()), comparable(folder)) << file;
        EXPECT_TRUE(sys().DeleteFileW(name));
        EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_FALSE(sys().DeleteFileW(first)) << "already gone";
    EXPECT_EQ(last_error(), kErrorFileNotFound);

    // A number of the caller's own names the file without making it.
    char16_t named[abi::kMaxPath] = {};
    EXPECT_EQ(sys().GetTempFileNameW(path.c_str(), u"TP1", 0x1ABCD, named), 0xABCDu);
    std::string base = fs::path(std::u16string(named)).filename().string();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(base, "TP1ABCD.TMP") << "letter case aside";
    EXPECT_FALSE(fs::exists(fs::path(std::u16string(named))));

    // A folder that does not exist gives no name.
    const std::u16string nowhere = (folder / "zenta-no-such-folder").u16string();
    EXPECT_EQ(sys().GetTempFileNameW(nowhere.c_str(), u"TP1", 0, named), 0u);
}

TEST_P(KernelObjects, ShortPathsOfExistingFilesAndImpersonation) {
    const fs::path folder = fs::temp_directory_path();
    const std::u16string path = folder.u16string();
    const abi::DWORD needed = sys().GetShortPathNameW(path.c_str(), nullptr, 0);
    ASSERT_GT(needed, 0u);
    std::u16string buffer(needed, u'\0');
    const abi::DWORD length = sys().GetShortPathNameW(path.c_str(), buffer.data(), needed);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, needed);
    buffer.resize(length);
    EXPECT_TRUE(fs::is_directory(fs::path(buffer))) << util::utf16_to_utf8(buffer);
    const std::u16string missing = (folder / "zenta-no-such-file.txt").u16string();
    EXPECT_EQ(sys().GetShortPathNameW(missing.c_str(), nullptr, 0), 0u);

    EXPECT_TRUE(sys().ImpersonateSelf(abi::kSecurityImpersonation));
    EXPECT_TRUE(sys().RevertToSelf());
}

// A System without these calls answers as Windows does for a call it lacks.
TEST(KernelObjectsDefaults, ASystemWithoutThemFailsWith120) {
    struct Bare : System {
        void GetSystemTime(abi::SYSTEMTIME*) override {}
        abi::DWORD GetTickCount() override { return 0; }
        void Sleep(abi::DWORD) override {}
        void srand(unsigned) override {}
        int rand() override { return 0; }
        bool VerifyVersionAtLeast(abi::DWORD, abi::DWORD, abi::WORD) override { return false; }
        bool GetVersionExW(abi::DWORD*, abi::DWORD*, abi::DWORD*) override { return false; }
        abi::DWORD GetModuleFileNameW(void*, char16_t*, abi::DWORD) override { return 0; }
        abi::DWORD GetLongPathNameW(const char16_t*, char16_t*, abi::DWORD) override { return 0; }
        abi::DWORD GetTempPathW(abi::DWORD, char16_t*) override { return 0; }
        abi::UINT GetSystemDirectoryW(char16_t*, abi::UINT) override { return 0; }
        abi::DWORD GetFileAttributesW(const char16_t*) override { return 0; }
        abi::HANDLE CreateFileW(const char16_t*, abi::DWORD, abi::DWORD, abi::DWORD, abi::DWORD) override {
            return nullptr;
        }
        abi::BOOL GetFileSizeEx(abi::HANDLE, std::int64_t*) override { return 0; }
        abi::BOOL ReadFile(abi::HANDLE, void*, abi::DWORD, abi::DWORD*) override { return 0; }
        abi::BOOL CloseHandle(abi::HANDLE) override { return 0; }
        abi::LONG RegOpenKeyExW(HKEY, const char16_t*, abi::DWORD, abi::DWORD, HKEY*) override { return 2; }
        abi::LONG RegQueryValueExW(HKEY, const char16_t*, abi::DWORD*, abi::BYTE*, abi::DWORD*) override {
            return 2;
        }
        abi::LONG RegCloseKey(HKEY) override { return 0; }
        abi::WORD GetUserDefaultLangID() override { return 0; }
        abi::WORD GetUserDefaultUILanguage() override { return 0; }
        LocaleNameToLcidFn LocaleNameToLCID() override { return nullptr; }
        int GetLocaleInfoW(abi::DWORD, abi::DWORD, char16_t*, int) override { return 0; }
        abi::BOOL GetUserNameW(char16_t*, abi::DWORD*) override { return 0; }
    } bare;
    set_last_error(0);
    EXPECT_EQ(bare.CreateFileMappingW(kInvalidHandleValue, abi::PAGE_READWRITE, 0, 1, u"x"), nullptr);
    EXPECT_EQ(last_error(), 120u);
    set_last_error(0);
    EXPECT_EQ(bare.WaitForSingleObject(nullptr, 0), abi::WAIT_FAILED);
    EXPECT_EQ(last_error(), 120u);
    EXPECT_FALSE(bare.ImpersonateSelf(abi::kSecurityImpersonation));
}

#if !defined(_WIN32)
// The command line reaches a Linux program as the Microsoft C runtime would split it.
TEST(CommandLineSplit, TheRuntimeRules) {
    using posix::split_command_line;
    struct Case {
        std::u16string line;
        std::vector<std::u16string> arguments;
    };
    const Case cases[] = {
        {u"\"C:\\Windows\\system32\\rundll32.exe\" /opt/z/libzenta_ps.so,CreateTabFileEx "
         u"ABCDEFGHIJKLMNOPQRST",
         {u"C:\\Windows\\system32\\rundll32.exe", u"/opt/z/libzenta_ps.so,CreateTabFileEx",
          u"ABCDEFGHIJKLMNOPQRST"}},
        {u"  prog   a\tb  ", {u"prog", u"a", u"b"}},
        {u"C:\\dir\\prog.exe \"a b\" c", {u"C:\\dir\\prog.exe", u"a b", u"c"}},
        {u"p a\\\\b \\\"q\\\" \"x\\\\\" y", {u"p", u"a\\\\b", u"\"q\"", u"x\\", u"y"}},
        {u"p \"a \"\"quoted\"\" word\"", {u"p", u"a \"quoted\" word"}},
        {u"\"C:\\a dir\\p\" \"\"", {u"C:\\a dir\\p", u""}},
        {u"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split_command_line(c.line), c.arguments) << util::utf16_to_utf8(c.line);
}
#endif

}  // namespace
}  // namespace zenta::platform
