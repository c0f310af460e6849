#pragma once
// The calling thread's last error, as Win32 keeps it: a code set by a failing call for its
// caller to read. On Windows this is SetLastError/GetLastError; on Linux a thread-local value
// kept in one small shared library, so that the plug-in and the program that loaded it see the
// same value, as they do on Windows.

#include <cstdint>

namespace zenta::platform {

// The Win32 error numbers the plug-in and the platform services report, one table for all.
inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorFilenameTooLong = 206;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorInvalidFlags = 1004;
inline constexpr std::uint32_t kErrorInvalidPrinterName = 1801;

void set_last_error(std::uint32_t code);
std::uint32_t last_error();

}  // namespace zenta::platform
