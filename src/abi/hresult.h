// Status codes: the HRESULTs the plug-in's COM methods return and the Win32 error codes
// that the spooler and the last-error value carry.
//
// An HRESULT is a signed 32-bit value: negative means failure. A Win32 error code becomes
// an HRESULT in facility 7 (FACILITY_WIN32) with the severity bit set.
#pragma once

#include "abi/types.h"

namespace zenta::abi {

namespace detail {
constexpr HRESULT hr(uint32_t bits) noexcept { return static_cast<HRESULT>(bits); }
}  // namespace detail

#ifndef S_OK
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = detail::hr(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = detail::hr(0x80004002u);
inline constexpr HRESULT E_POINTER = detail::hr(0x80004003u);
inline constexpr HRESULT E_ABORT = detail::hr(0x80004004u);
inline constexpr HRESULT E_FAIL = detail::hr(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = detail::hr(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = detail::hr(0x80070005u);
inline constexpr HRESULT E_HANDLE = detail::hr(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = detail::hr(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = detail::hr(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = detail::hr(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = detail::hr(0x80040111u);

inline constexpr DWORD FACILITY_WIN32 = 7;
#endif

// Win32 error codes (GetLastError, spooler and registry results).
#ifndef ERROR_SUCCESS
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_OUTOFMEMORY = 14;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_INCORRECT_SIZE = 1462;
inline constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
#endif

#ifndef HRESULT_FROM_WIN32
// 0 stays S_OK (so do values that are already negative HRESULTs); any other code keeps its
// low 16 bits in facility 7 with the severity bit set: 87 gives 0x80070057.
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) noexcept {
    if (static_cast<HRESULT>(error) <= 0) return static_cast<HRESULT>(error);
    return detail::hr((error & 0x0000FFFFu) | (7u << 16) | 0x80000000u);
}
#endif

constexpr bool succeeded(HRESULT hr) noexcept { return hr >= 0; }
constexpr bool failed(HRESULT hr) noexcept { return hr < 0; }

}  // namespace zenta::abi
