// Fixed-width stand-ins for the Windows types that cross the plug-in boundary.
//
// The plug-in exchanges structures and interface calls with the PostScript driver in the
// Windows x64 layout. These aliases give the same widths on every target: DWORD, LONG and
// BOOL are 32 bits also where `long` is 64 bits (LP64 Linux), and WCHAR is a 16-bit UTF-16
// unit (char16_t), not the 32-bit Linux wchar_t. Pointers and handles are 8 bytes on both
// 64-bit targets, so every size and offset asserted in these headers holds on both.
//
// No OS header is included. In a translation unit that also includes <windows.h>, the
// constants that <windows.h> defines as macros (HRESULTs, error codes, HRESULT_FROM_WIN32,
// DM_*, PSINJECT_*, INDEX_Drv*, escapes, REG_*) must be written unqualified: the macros
// carry the same values. Each such group is declared here only when its first name is not
// yet a macro, so either include order compiles. Such a unit should also not pull this
// namespace in with a using-directive: DWORD, HRESULT, DEVMODEW and others would then be
// ambiguous with the SDK's own (which have the same sizes but, for DWORD and LONG, the
// type `long`).
#pragma once

#include <cstddef>
#include <cstdint>

// Calling convention of COM methods and DDI functions. Win64 and the System V x86-64 ABI
// have one convention each; only 32-bit Windows needs __stdcall.
#if defined(_WIN32) && !defined(_WIN64)
#define ZENTA_STDCALL __stdcall
#else
#define ZENTA_STDCALL
#endif

namespace zenta::abi {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using INT = int32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using HRESULT = int32_t;
using FLONG = uint32_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;

using PVOID = void*;
using HANDLE = void*;
using HWND = struct HWND__*;
using HINSTANCE = struct HINSTANCE__*;
using WCHAR = char16_t;
using PWSTR = WCHAR*;
using PCWSTR = const WCHAR*;
using PSTR = char*;
using PCSTR = const char*;
using PBYTE = BYTE*;
using PDWORD = DWORD*;

// Geometry shared by the DDI structures and the page adjustment.
struct POINTL {
    LONG x;
    LONG y;
};

struct SIZEL {
    LONG cx;
    LONG cy;
};

struct RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(HRESULT) == 4 && sizeof(WCHAR) == 2);
static_assert(sizeof(POINTL) == 8 && sizeof(SIZEL) == 8 && sizeof(RECTL) == 16);
static_assert(offsetof(RECTL, right) == 8 && offsetof(RECTL, bottom) == 12);

// The plug-in is built for 64-bit targets only; the pointer-sized layouts below assume it.
inline constexpr bool kPointers64 = sizeof(void*) == 8;

// Registry value types, as the spooler reports them for printer data values.
#ifndef REG_SZ
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
#endif

}  // namespace zenta::abi
