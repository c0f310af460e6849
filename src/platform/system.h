#pragma once
// The operating system services the plug-in uses beyond the spooler, each shaped like the Win32
// call it stands for (same arguments, results and error codes).
//
// Implementations: win32/ (the real calls), posix/ (Linux services where they exist: time,
// random numbers, files, the temporary directory, shared memory, processes, threads) completed
// by sim/ for what Linux does not have (registry, user languages, locale paper size, the
// Windows version, the system directory and its rundll32.exe).

#include <cstddef>
#include <cstdint>

#include "abi/process.h"
#include "abi/spooler.h"
#include "abi/types.h"
#include "platform/last_error.h"

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
inline constexpr abi::DWORD kFileShareWrite = 0x00000002u;
inline constexpr abi::DWORD kFileShareDelete = 0x00000004u;
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
    // Closes a file, section, process or thread handle.
    virtual abi::BOOL CloseHandle(abi::HANDLE handle) = 0;
    virtual abi::BOOL DeleteFileW(const char16_t* path);
    // GetTempFileNameW: "<path>\<first three characters of prefix><hex number>.tmp" into a buffer
    // of abi::kMaxPath units. With unique 0 the number starts from the clock and is raised until
    // the name is new, and the file is created empty; the result is the number used, 0 on
    // failure (a path that is no folder, or one too long for the buffer).
    virtual abi::UINT GetTempFileNameW(const char16_t* path, const char16_t* prefix, abi::UINT unique,
                                       char16_t* buffer);
    // GetShortPathNameW: the 8.3 form of an existing path (lengths as GetLongPathNameW). Linux has
    // no short names: an existing path comes back unchanged.
    virtual abi::DWORD GetShortPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size);

    // ---- shared memory sections. A section backed by the paging file (file =
    // kInvalidHandleValue) of the given size; a named one can be opened by another process
    // while a handle to it is open. Creating a name that exists opens it, with last error 183.
    // On Linux a named section is a POSIX shared memory object of that name, which goes away
    // when the handle that created it is closed.
    virtual abi::HANDLE CreateFileMappingW(abi::HANDLE file, abi::DWORD protect, abi::DWORD size_high,
                                           abi::DWORD size_low, const char16_t* name);
    virtual abi::HANDLE OpenFileMappingW(abi::DWORD access, abi::BOOL inherit, const char16_t* name);
    // size 0 maps the whole section.
    virtual void* MapViewOfFile(abi::HANDLE mapping, abi::DWORD access, abi::DWORD offset_high,
                                abi::DWORD offset_low, std::size_t size);
    virtual abi::BOOL UnmapViewOfFile(const void* view);

    // ---- processes and threads
    // CreateProcessW without security attributes, with the caller's environment and current
    // directory and default start-up information (the only form the plug-in uses). The command
    // line must be writable, as Windows asks. On Linux the application is run with the command
    // line split into arguments by the Windows rules; CREATE_SUSPENDED holds it before it starts
    // the program until ResumeThread, CREATE_NEW_PROCESS_GROUP gives it a process group of its
    // own, and the other flags have no meaning there.
    virtual abi::BOOL CreateProcessW(const char16_t* application, char16_t* command_line,
                                     abi::BOOL inherit_handles, abi::DWORD creation_flags,
                                     abi::PROCESS_INFORMATION* information);
    // The previous suspend count, or 0xFFFFFFFF on failure.
    virtual abi::DWORD ResumeThread(abi::HANDLE thread);
    // WAIT_OBJECT_0 once the process or thread has ended, WAIT_TIMEOUT, or WAIT_FAILED.
    virtual abi::DWORD WaitForSingleObject(abi::HANDLE object, abi::DWORD milliseconds);
    virtual abi::BOOL GetExitCodeProcess(abi::HANDLE process, abi::DWORD* exit_code);
    // CreateThread with default security attributes (length 24, no descriptor, not inherited);
    // stack size 0 is the default.
    virtual abi::HANDLE CreateThread(std::size_t stack_size, abi::THREAD_START_ROUTINE start, void* parameter,
                                     abi::DWORD creation_flags, abi::DWORD* thread_id);
    virtual abi::BOOL GetExitCodeThread(abi::HANDLE thread, abi::DWORD* exit_code);

    // ---- security: the calling thread takes a copy of the process's identity at this level
    // (abi::kSecurityImpersonation, ...) until RevertToSelf. On Linux both do nothing and
    // succeed.
    virtual abi::BOOL ImpersonateSelf(int level);
    virtual abi::BOOL RevertToSelf();

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

protected:
    // What a System without one of the calls above that have a body answers: failure with
    // last error 120 (ERROR_CALL_NOT_IMPLEMENTED), as Windows does for a call it does not have.
    static void not_implemented() { set_last_error(120); }
};

inline abi::BOOL System::DeleteFileW(const char16_t*) {
    not_implemented();
    return 0;
}
inline abi::UINT System::GetTempFileNameW(const char16_t*, const char16_t*, abi::UINT, char16_t*) {
    not_implemented();
    return 0;
}
inline abi::DWORD System::GetShortPathNameW(const char16_t*, char16_t*, abi::DWORD) {
    not_implemented();
    return 0;
}
inline abi::HANDLE System::CreateFileMappingW(abi::HANDLE, abi::DWORD, abi::DWORD, abi::DWORD,
                                              const char16_t*) {
    not_implemented();
    return nullptr;
}
inline abi::HANDLE System::OpenFileMappingW(abi::DWORD, abi::BOOL, const char16_t*) {
    not_implemented();
    return nullptr;
}
inline void* System::MapViewOfFile(abi::HANDLE, abi::DWORD, abi::DWORD, abi::DWORD, std::size_t) {
    not_implemented();
    return nullptr;
}
inline abi::BOOL System::UnmapViewOfFile(const void*) {
    not_implemented();
    return 0;
}
inline abi::BOOL System::CreateProcessW(const char16_t*, char16_t*, abi::BOOL, abi::DWORD,
                                        abi::PROCESS_INFORMATION*) {
    not_implemented();
    return 0;
}
inline abi::DWORD System::ResumeThread(abi::HANDLE) {
    not_implemented();
    return 0xFFFFFFFFu;
}
inline abi::DWORD System::WaitForSingleObject(abi::HANDLE, abi::DWORD) {
    not_implemented();
    return 0xFFFFFFFFu;  // WAIT_FAILED
}
inline abi::BOOL System::GetExitCodeProcess(abi::HANDLE, abi::DWORD*) {
    not_implemented();
    return 0;
}
inline abi::HANDLE System::CreateThread(std::size_t, abi::THREAD_START_ROUTINE, void*, abi::DWORD,
                                        abi::DWORD*) {
    not_implemented();
    return nullptr;
}
inline abi::BOOL System::GetExitCodeThread(abi::HANDLE, abi::DWORD*) {
    not_implemented();
    return 0;
}
inline abi::BOOL System::ImpersonateSelf(int) {
    not_implemented();
    return 0;
}
inline abi::BOOL System::RevertToSelf() {
    not_implemented();
    return 0;
}

}  // namespace zenta::platform
