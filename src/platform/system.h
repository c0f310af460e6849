#pragma once
// The operating system services the plug-in uses beyond the spooler, each shaped like the Win32
// call it stands for (same arguments, results and error codes).
//
// Implementations: win32/ (the real calls), posix/ (Linux services where they exist: time,
// random numbers, files, the temporary directory) completed by sim/ for what Linux does not
// have (registry, user languages, locale paper size, the Windows version).

#include <cstdint>

#include "abi/spooler.h"
#include "abi/types.h"

namespace zenta::platform {

using HKEY = void*;
inline const HKEY kHkeyCurrentUser = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline const HKEY kHkeyLocalMachine = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
inline constexpr abi::DWORD kKeyQueryValue = 0x0001;
inline constexpr abi::DWORD kKeyRead = 0x20019;

inline constexpr abi::DWORD kGenericRead = 0x80000000u;
inline constexpr abi::DWORD kGenericWrite = 0x40000000u;
inline constexpr abi::DWORD kFileShareRead = 0x00000001u;
inline constexpr abi::DWORD kCreateNew = 1;
inline constexpr abi::DWORD kOpenExisting = 3;
inline constexpr abi::DWORD kFileAttributeDirectory = 0x00000010u;
inline constexpr abi::DWORD kFileAttributeTemporary = 0x00000100u;
inline constexpr abi::DWORD kFileFlagDeleteOnClose = 0x04000000u;
inline constexpr abi::DWORD kInvalidFileAttributes = 0xFFFFFFFFu;
inline const abi::HANDLE kInvalidHandleValue = reinterpret_cast<abi::HANDLE>(~std::uintptr_t{0});

inline constexpr abi::DWORD kLocaleUserDefault = 0x0400;
inline constexpr abi::DWORD kLocaleIPaperSize = 0x100A;

using LocaleNameToLcidFn = abi::DWORD (*)(const char16_t* name, abi::DWORD flags);

class System {
public:
    virtual ~System() = default;

    // ---- time and chance
    virtual void GetSystemTime(abi::SYSTEMTIME* time) = 0;  // UTC
    virtual abi::DWORD GetTickCount() = 0;
    virtual void Sleep(abi::DWORD milliseconds) = 0;
    // The C runtime's pseudo-random generator: srand sets its start value, rand draws 0 to 32767.
    virtual void srand(unsigned start) = 0;
    virtual int rand() = 0;

    // ---- the Windows version, as VerifyVersionInfoW (at least the given major.minor and service
    // pack major, compared in that order of rank, so 6.2 SP0 is at least 6.1 SP1) and
    // GetVersionExW (platform id, major, minor) answer; false when the call is not available.
    virtual bool VerifyVersionAtLeast(abi::DWORD major, abi::DWORD minor, abi::WORD service_pack_major) = 0;
    virtual bool GetVersionExW(abi::DWORD* platform_id, abi::DWORD* major, abi::DWORD* minor) = 0;

    // ---- modules and paths (lengths in UTF-16 units; results as the Win32 calls give them).
    // On Linux paths are POSIX paths in which "\" counts as "/", and a module is named by any
    // address inside it.
    virtual abi::DWORD GetModuleFileNameW(void* module, char16_t* buffer, abi::DWORD size) = 0;
    virtual abi::DWORD GetLongPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) = 0;
    virtual abi::DWORD GetTempPathW(abi::DWORD size, char16_t* buffer) = 0;
    virtual abi::UINT GetSystemDirectoryW(char16_t* buffer, abi::UINT size) = 0;

    // ---- files
    virtual abi::DWORD GetFileAttributesW(const char16_t* path) = 0;
    virtual abi::HANDLE CreateFileW(const char16_t* path, abi::DWORD access, abi::DWORD share,
                                    abi::DWORD creation, abi::DWORD flags_and_attributes) = 0;
    virtual abi::BOOL GetFileSizeEx(abi::HANDLE file, std::int64_t* size) = 0;
    virtual abi::BOOL ReadFile(abi::HANDLE file, void* buffer, abi::DWORD size, abi::DWORD* read) = 0;
    virtual abi::BOOL CloseHandle(abi::HANDLE handle) = 0;

    // ---- registry (results are Win32 error codes; 0 is success)
    virtual abi::LONG RegOpenKeyExW(HKEY root, const char16_t* sub_key, abi::DWORD options, abi::DWORD access,
                                    HKEY* result) = 0;
    virtual abi::LONG RegQueryValueExW(HKEY key, const char16_t* value_name, abi::DWORD* type,
                                       abi::BYTE* data, abi::DWORD* size) = 0;
    virtual abi::LONG RegCloseKey(HKEY key) = 0;

    // ---- the user's language and locale
    virtual abi::WORD GetUserDefaultLangID() = 0;
    virtual abi::WORD GetUserDefaultUILanguage() = 0;
    // LocaleNameToLCID as found in kernel32.dll at run time, or null where it does not exist.
    virtual LocaleNameToLcidFn LocaleNameToLCID() = 0;
    virtual int GetLocaleInfoW(abi::DWORD locale, abi::DWORD type, char16_t* data, int size) = 0;
    virtual abi::BOOL GetUserNameW(char16_t* buffer, abi::DWORD* size) = 0;
};

}  // namespace zenta::platform
