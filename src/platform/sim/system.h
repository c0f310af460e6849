#pragma once
// The system services with the Windows settings of a printer profile: registry values, the
// user's language identifiers, LocaleNameToLCID and its name table, the Windows version, the
// locale's paper size, the user name and the system directory come from the settings; time,
// random numbers, sleeping, module paths, the temporary directory, files, sections,
// processes, threads and impersonation are the host's (the System given at construction,
// which must outlive this one).
//
// The system directory's rundll32.exe: on Linux, CreateProcessW of the application
// "<system directory>\rundll32.exe" (letter case aside) runs the launcher program zenta_rundll
// in its place, with the same command line; it plays rundll32 ("library,entry arguments": it
// loads the library and calls the entry's wide form with the arguments). The launcher is the
// file named by the environment variable ZENTA_RUNDLL when it is set, else zenta_rundll beside
// the library that holds these services, else beside the program. Every other application is
// the host's.
//
// The registry holds the profile's values under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE; a key
// exists when a value lies in it or below it. Keys, value names and locale names are compared
// without regard to case. Answers follow Win32: RegOpenKeyExW of a missing key gives 2; a query
// with null data gives the size and 0; a short buffer gives 234 with the size; a bad key 6.
//
// LocaleNameToLCID() hands out one process-wide function that answers from the table of the
// simulated system that handed it out last (names it does not know give 0). Without
// LOCALE_ALLOW_NEUTRAL_NAMES a neutral name ("fr") gives its default specific locale (fr-FR).
//
// GetLocaleInfoW answers LOCALE_IPAPERSIZE (also with LOCALE_RETURN_NUMBER) for any locale;
// other types fail with 1004 (ERROR_INVALID_FLAGS).

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/sim/profile.h"
#include "platform/system.h"

namespace zenta::platform::sim {

class SimulatedSystem : public System {
public:
    SimulatedSystem(Settings settings, System& host);
    ~SimulatedSystem() override;

    const Settings& settings() const { return settings_; }

    // ---- the host's
    void GetSystemTime(abi::SYSTEMTIME* time) override { host_.GetSystemTime(time); }
    abi::DWORD GetTickCount() override { return host_.GetTickCount(); }
    void Sleep(abi::DWORD milliseconds) override { host_.Sleep(milliseconds); }
    void srand(unsigned start) override { host_.srand(start); }
    int rand() override { return host_.rand(); }
    abi::DWORD GetModuleFileNameW(void* module, char16_t* buffer, abi::DWORD size) override {
        return host_.GetModuleFileNameW(module, buffer, size);
    }
    abi::DWORD GetLongPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) override {
        return host_.GetLongPathNameW(path, buffer, size);
    }
    abi::DWORD GetTempPathW(abi::DWORD size, char16_t* buffer) override {
        return host_.GetTempPathW(size, buffer);
    }
    abi::DWORD GetFileAttributesW(const char16_t* path) override { return host_.GetFileAttributesW(path); }
    abi::HANDLE CreateFileW(const char16_t* path, abi::DWORD access, abi::DWORD share, abi::DWORD creation,
                            abi::DWORD flags_and_attributes) override {
        return host_.CreateFileW(path, access, share, creation, flags_and_attributes);
    }
    abi::BOOL GetFileSizeEx(abi::HANDLE file, std::int64_t* size) override {
        return host_.GetFileSizeEx(file, size);
    }
    abi::BOOL ReadFile(abi::HANDLE file, void* buffer, abi::DWORD size, abi::DWORD* read) override {
        return host_.ReadFile(file, buffer, size, read);
    }
    abi::BOOL CloseHandle(abi::HANDLE handle) override { return host_.CloseHandle(handle); }
    abi::BOOL DeleteFileW(const char16_t* path) override { return host_.DeleteFileW(path); }
    abi::UINT GetTempFileNameW(const char16_t* path, const char16_t* prefix, abi::UINT unique,
                               char16_t* buffer) override {
        return host_.GetTempFileNameW(path, prefix, unique, buffer);
    }
    abi::DWORD GetShortPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) override {
        return host_.GetShortPathNameW(path, buffer, size);
    }
    abi::HANDLE CreateFileMappingW(abi::HANDLE file, abi::DWORD protect, abi::DWORD size_high,
                                   abi::DWORD size_low, const char16_t* name) override {
        return host_.CreateFileMappingW(file, protect, size_high, size_low, name);
    }
    abi::HANDLE OpenFileMappingW(abi::DWORD access, abi::BOOL inherit, const char16_t* name) override {
        return host_.OpenFileMappingW(access, inherit, name);
    }
    void* MapViewOfFile(abi::HANDLE mapping, abi::DWORD access, abi::DWORD offset_high, abi::DWORD offset_low,
                        std::size_t size) override {
        return host_.MapViewOfFile(mapping, access, offset_high, offset_low, size);
    }
    abi::BOOL UnmapViewOfFile(const void* view) override { return host_.UnmapViewOfFile(view); }
    abi::BOOL CreateProcessW(const char16_t* application, char16_t* command_line, abi::BOOL inherit_handles,
                             abi::DWORD creation_flags, abi::PROCESS_INFORMATION* information) override;
    abi::DWORD ResumeThread(abi::HANDLE thread) override { return host_.ResumeThread(thread); }
    abi::DWORD WaitForSingleObject(abi::HANDLE object, abi::DWORD milliseconds) override {
        return host_.WaitForSingleObject(object, milliseconds);
    }
    abi::BOOL GetExitCodeProcess(abi::HANDLE process, abi::DWORD* exit_code) override {
        return host_.GetExitCodeProcess(process, exit_code);
    }
    abi::HANDLE CreateThread(std::size_t stack_size, abi::THREAD_START_ROUTINE start, void* parameter,
                             abi::DWORD creation_flags, abi::DWORD* thread_id) override {
        return host_.CreateThread(stack_size, start, parameter, creation_flags, thread_id);
    }
    abi::BOOL GetExitCodeThread(abi::HANDLE thread, abi::DWORD* exit_code) override {
        return host_.GetExitCodeThread(thread, exit_code);
    }
    abi::BOOL ImpersonateSelf(int level) override { return host_.ImpersonateSelf(level); }
    abi::BOOL RevertToSelf() override { return host_.RevertToSelf(); }

    // ---- the settings'
    bool VerifyVersionAtLeast(abi::DWORD major, abi::DWORD minor, abi::WORD service_pack_major) override;
    bool GetVersionExW(abi::DWORD* platform_id, abi::DWORD* major, abi::DWORD* minor) override;
    abi::UINT GetSystemDirectoryW(char16_t* buffer, abi::UINT size) override;
    abi::LONG RegOpenKeyExW(HKEY root, const char16_t* sub_key, abi::DWORD options, abi::DWORD access,
                            HKEY* result) override;
    abi::LONG RegQueryValueExW(HKEY key, const char16_t* value_name, abi::DWORD* type, abi::BYTE* data,
                               abi::DWORD* size) override;
    abi::LONG RegCloseKey(HKEY key) override;
    abi::WORD GetUserDefaultLangID() override { return settings_.user_default_lang_id; }
    abi::WORD GetUserDefaultUILanguage() override { return settings_.user_default_ui_language; }
    LocaleNameToLcidFn LocaleNameToLCID() override;
    int GetLocaleInfoW(abi::DWORD locale, abi::DWORD type, char16_t* data, int size) override;
    abi::BOOL GetUserNameW(char16_t* buffer, abi::DWORD* size) override;

private:
    struct OpenKey {
        abi::DWORD root;
        std::u16string path;
    };
    bool key_exists(abi::DWORD root, std::u16string_view path) const;

    Settings settings_;
    System& host_;
    std::mutex mutex_;
    std::map<std::uintptr_t, OpenKey> keys_;
};

}  // namespace zenta::platform::sim
