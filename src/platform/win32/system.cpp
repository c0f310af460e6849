// The Windows system calls, passed through. LocaleNameToLCID and GetVersionExW are looked up in
// kernel32.dll when first asked for, so that the program also starts on a Windows without them.

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "platform/native.h"

namespace zenta::platform {
namespace {

static_assert(sizeof(abi::SYSTEMTIME) == sizeof(::SYSTEMTIME));

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
::DWORD* sdk(abi::DWORD* p) { return reinterpret_cast<::DWORD*>(p); }

FARPROC kernel32_function(const char* name) {
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? ::GetProcAddress(kernel32, name) : nullptr;
}

class Win32System final : public System {
public:
    void GetSystemTime(abi::SYSTEMTIME* time) override {
        ::GetSystemTime(reinterpret_cast<::SYSTEMTIME*>(time));
    }
    abi::DWORD GetTickCount() override { return ::GetTickCount(); }
    void Sleep(abi::DWORD milliseconds) override { ::Sleep(milliseconds); }
    void srand(unsigned start) override { std::srand(start); }
    int rand() override { return std::rand(); }

    bool VerifyVersionAtLeast(abi::DWORD major, abi::DWORD minor, abi::WORD service_pack_major) override {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof info;
        info.dwMajorVersion = major;
        info.dwMinorVersion = minor;
        info.wServicePackMajor = service_pack_major;
        ULONGLONG condition = 0;
        condition = ::VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
        condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
        condition = ::VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
        return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                                    condition) != FALSE;
    }

    bool GetVersionExW(abi::DWORD* platform_id, abi::DWORD* major, abi::DWORD* minor) override {
        using GetVersionExFn = BOOL(WINAPI*)(OSVERSIONINFOW*);
        const auto get_version =
            reinterpret_cast<GetVersionExFn>(reinterpret_cast<void*>(kernel32_function("GetVersionExW")));
        if (!get_version) return false;
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!get_version(&info)) return false;
        if (platform_id) *platform_id = info.dwPlatformId;
        if (major) *major = info.dwMajorVersion;
        if (minor) *minor = info.dwMinorVersion;
        return true;
    }

    abi::DWORD GetModuleFileNameW(void* module, char16_t* buffer, abi::DWORD size) override {
        return ::GetModuleFileNameW(static_cast<HMODULE>(module), wide(buffer), size);
    }
    abi::DWORD GetLongPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) override {
        return ::GetLongPathNameW(wide(path), wide(buffer), size);
    }
    abi::DWORD GetTempPathW(abi::DWORD size, char16_t* buffer) override {
        return ::GetTempPathW(size, wide(buffer));
    }
    abi::UINT GetSystemDirectoryW(char16_t* buffer, abi::UINT size) override {
        return ::GetSystemDirectoryW(wide(buffer), size);
    }

    abi::DWORD GetFileAttributesW(const char16_t* path) override { return ::GetFileAttributesW(wide(path)); }
    abi::HANDLE CreateFileW(const char16_t* path, abi::DWORD access, abi::DWORD share, abi::DWORD creation,
                            abi::DWORD flags_and_attributes) override {
        return ::CreateFileW(wide(path), access, share, nullptr, creation, flags_and_attributes, nullptr);
    }
    abi::BOOL GetFileSizeEx(abi::HANDLE file, std::int64_t* size) override {
        LARGE_INTEGER value{};
        if (!::GetFileSizeEx(file, &value)) return FALSE;
        if (size) *size = value.QuadPart;
        return TRUE;
    }
    abi::BOOL ReadFile(abi::HANDLE file, void* buffer, abi::DWORD size, abi::DWORD* read) override {
        return ::ReadFile(file, buffer, size, sdk(read), nullptr);
    }
    abi::BOOL CloseHandle(abi::HANDLE handle) override { return ::CloseHandle(handle); }
    abi::BOOL DeleteFileW(const char16_t* path) override { return ::DeleteFileW(wide(path)); }
    abi::UINT GetTempFileNameW(const char16_t* path, const char16_t* prefix, abi::UINT unique,
                               char16_t* buffer) override {
        return ::GetTempFileNameW(wide(path), wide(prefix), unique, wide(buffer));
    }
    abi::DWORD GetShortPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) override {
        return ::GetShortPathNameW(wide(path), wide(buffer), size);
    }

    abi::HANDLE CreateFileMappingW(abi::HANDLE file, abi::DWORD protect, abi::DWORD size_high,
                                   abi::DWORD size_low, const char16_t* name) override {
        return ::CreateFileMappingW(file, nullptr, protect, size_high, size_low, wide(name));
    }
    abi::HANDLE OpenFileMappingW(abi::DWORD access, abi::BOOL inherit, const char16_t* name) override {
        return ::OpenFileMappingW(access, inherit, wide(name));
    }
    void* MapViewOfFile(abi::HANDLE mapping, abi::DWORD access, abi::DWORD offset_high, abi::DWORD offset_low,
                        std::size_t size) override {
        return ::MapViewOfFile(mapping, access, offset_high, offset_low, size);
    }
    abi::BOOL UnmapViewOfFile(const void* view) override { return ::UnmapViewOfFile(view); }

    abi::BOOL CreateProcessW(const char16_t* application, char16_t* command_line, abi::BOOL inherit_handles,
                             abi::DWORD creation_flags, abi::PROCESS_INFORMATION* information) override {
        static_assert(sizeof(abi::PROCESS_INFORMATION) == sizeof(::PROCESS_INFORMATION));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ::PROCESS_INFORMATION info{};
        const BOOL created =
            ::CreateProcessW(wide(application), wide(command_line), nullptr, nullptr, inherit_handles,
                             creation_flags, nullptr, nullptr, &startup, &info);
        if (information) {
            information->hProcess = info.hProcess;
            information->hThread = info.hThread;
            information->dwProcessId = info.dwProcessId;
            information->dwThreadId = info.dwThreadId;
        }
        return created;
    }
    abi::DWORD ResumeThread(abi::HANDLE thread) override { return ::ResumeThread(thread); }
    abi::DWORD WaitForSingleObject(abi::HANDLE object, abi::DWORD milliseconds) override {
        return ::WaitForSingleObject(object, milliseconds);
    }
    abi::BOOL GetExitCodeProcess(abi::HANDLE process, abi::DWORD* exit_code) override {
        return ::GetExitCodeProcess(process, sdk(exit_code));
    }
    abi::HANDLE CreateThread(std::size_t stack_size, abi::THREAD_START_ROUTINE start, void* parameter,
                             abi::DWORD creation_flags, abi::DWORD* thread_id) override {
        SECURITY_ATTRIBUTES attributes{};
        attributes.nLength = sizeof attributes;
        return ::CreateThread(&attributes, stack_size, reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                              parameter, creation_flags, sdk(thread_id));
    }
    abi::BOOL GetExitCodeThread(abi::HANDLE thread, abi::DWORD* exit_code) override {
        return ::GetExitCodeThread(thread, sdk(exit_code));
    }

    abi::BOOL ImpersonateSelf(int level) override {
        return ::ImpersonateSelf(static_cast<SECURITY_IMPERSONATION_LEVEL>(level));
    }
    abi::BOOL RevertToSelf() override { return ::RevertToSelf(); }

    abi::LONG RegOpenKeyExW(HKEY root, const char16_t* sub_key, abi::DWORD options, abi::DWORD access,
                            HKEY* result) override {
        return ::RegOpenKeyExW(static_cast<::HKEY>(root), wide(sub_key), options, access,
                               reinterpret_cast<::HKEY*>(result));
    }
    abi::LONG RegQueryValueExW(HKEY key, const char16_t* value_name, abi::DWORD* type, abi::BYTE* data,
                               abi::DWORD* size) override {
        return ::RegQueryValueExW(static_cast<::HKEY>(key), wide(value_name), nullptr, sdk(type), data,
                                  sdk(size));
    }
    abi::LONG RegCloseKey(HKEY key) override { return ::RegCloseKey(static_cast<::HKEY>(key)); }

    abi::WORD GetUserDefaultLangID() override { return ::GetUserDefaultLangID(); }
    abi::WORD GetUserDefaultUILanguage() override { return ::GetUserDefaultUILanguage(); }

    LocaleNameToLcidFn LocaleNameToLCID() override {
        // LCID WINAPI LocaleNameToLCID(LPCWSTR, DWORD): on x64 the same call as the portable shape.
        return reinterpret_cast<LocaleNameToLcidFn>(
            reinterpret_cast<void*>(kernel32_function("LocaleNameToLCID")));
    }

    int GetLocaleInfoW(abi::DWORD locale, abi::DWORD type, char16_t* data, int size) override {
        return ::GetLocaleInfoW(locale, type, wide(data), size);
    }

    abi::BOOL GetUserNameW(char16_t* buffer, abi::DWORD* size) override {
        return ::GetUserNameW(wide(buffer), sdk(size));
    }
};

}  // namespace

std::unique_ptr<System> make_native_system() { return std::make_unique<Win32System>(); }

}  // namespace zenta::platform
