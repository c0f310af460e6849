// The kernel's constants and structures for shared memory sections, processes, threads, waits
// and impersonation, as the published headers (winbase.h, memoryapi.h, processthreadsapi.h,
// winnt.h) define them.
#pragma once

#include <cstddef>

#include "abi/types.h"

namespace zenta::abi {

// Process creation flags (CreateProcessW) and thread creation flags (CreateThread).
#ifndef CREATE_SUSPENDED
inline constexpr DWORD CREATE_SUSPENDED = 0x00000004;
inline constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
inline constexpr DWORD CREATE_NEW_PROCESS_GROUP = 0x00000200;
inline constexpr DWORD CREATE_BREAKAWAY_FROM_JOB = 0x01000000;
inline constexpr DWORD CREATE_DEFAULT_ERROR_MODE = 0x04000000;
#endif

// Page protection of a section (CreateFileMappingW) and access to its views (MapViewOfFile,
// OpenFileMappingW).
#ifndef PAGE_READWRITE
inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD PAGE_READWRITE = 0x04;
#endif
#ifndef FILE_MAP_ALL_ACCESS
inline constexpr DWORD FILE_MAP_WRITE = 0x0002;
inline constexpr DWORD FILE_MAP_READ = 0x0004;
inline constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001F;
#endif

// Waits (WaitForSingleObject).
#ifndef INFINITE
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
#endif
#ifndef WAIT_OBJECT_0
inline constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
inline constexpr DWORD WAIT_TIMEOUT = 0x00000102;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
#endif

// The exit code of a process or thread that has not ended (GetExitCodeProcess,
// GetExitCodeThread).
#ifndef STILL_ACTIVE
inline constexpr DWORD STILL_ACTIVE = 259;
#endif

// Error codes of these calls.
#ifndef ERROR_ALREADY_EXISTS
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
#endif
#ifndef ERROR_CALL_NOT_IMPLEMENTED
inline constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
#endif
#ifndef ERROR_FILENAME_EXCED_RANGE
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
#endif
#ifndef ERROR_DIRECTORY
inline constexpr DWORD ERROR_DIRECTORY = 267;
#endif

// SECURITY_IMPERSONATION_LEVEL (ImpersonateSelf).
inline constexpr int kSecurityAnonymous = 0;
inline constexpr int kSecurityIdentification = 1;
inline constexpr int kSecurityImpersonation = 2;
inline constexpr int kSecurityDelegation = 3;

// The longest path GetTempFileNameW writes, with its NUL (MAX_PATH).
inline constexpr std::size_t kMaxPath = 260;

// What CreateProcessW hands back: the new process and its first thread.
struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// The security attributes of a new object (CreateThread, CreateProcessW).
struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    PVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};

static_assert(!kPointers64 || sizeof(PROCESS_INFORMATION) == 24);
static_assert(!kPointers64 || offsetof(PROCESS_INFORMATION, dwProcessId) == 16);
static_assert(!kPointers64 || sizeof(SECURITY_ATTRIBUTES) == 24);
static_assert(!kPointers64 || offsetof(SECURITY_ATTRIBUTES, bInheritHandle) == 16);

// A thread's start routine (LPTHREAD_START_ROUTINE); on x64 Windows and Linux alike a plain
// C call.
using THREAD_START_ROUTINE = DWORD(ZENTA_STDCALL*)(void* parameter);

}  // namespace zenta::abi
