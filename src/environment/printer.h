#pragma once
// The plug-in's window on its printer: a connection to the spooler for one operation, with the
// printer's description fetched once, and thin wrappers over the spooler calls.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "abi/spooler.h"
#include "platform/last_error.h"

namespace zenta::environment {

inline constexpr abi::DWORD kErrorFileNotFound = platform::kErrorFileNotFound;
inline constexpr abi::DWORD kErrorIncorrectSize = 1462;
inline constexpr abi::DWORD kErrorInvalidPrinterName = platform::kErrorInvalidPrinterName;

class PrinterConnection {
public:
    PrinterConnection() = default;
    // Opens a printer by name. When that name does not open, the first local printer whose name
    // begins with it (and is longer) is taken. The thread's last error is the one the last open
    // attempt left. An empty name opens nothing.
    static PrinterConnection open(std::u16string_view name, abi::DWORD access = abi::PRINTER_ACCESS_USE);
    // Uses a handle the driver owns; it is never closed here.
    static PrinterConnection borrow(abi::HANDLE handle);

    PrinterConnection(PrinterConnection&& other) noexcept;
    PrinterConnection& operator=(PrinterConnection&& other) noexcept;
    PrinterConnection(const PrinterConnection&) = delete;
    PrinterConnection& operator=(const PrinterConnection&) = delete;
    ~PrinterConnection();

    abi::HANDLE handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // The printer's PRINTER_INFO_2W, read on first use; null when it cannot be read.
    const abi::PRINTER_INFO_2W* description();
    // The printer's name from its description, or empty.
    std::u16string printer_name();

    // GetPrinterDataW on this printer: 1801 without a handle, 1462 for a size beyond 32 bits,
    // otherwise the spooler's result.
    abi::DWORD get_printer_data(const char16_t* value_name, abi::DWORD* type, abi::BYTE* data,
                                std::size_t size, std::size_t* needed) const;
    // The "printBinNames" value under the "DsDriver" key, with the same error rules.
    abi::DWORD get_bin_names(abi::DWORD* type, abi::BYTE* data, std::size_t size, std::size_t* needed) const;
    // DeviceCapabilitiesW for this printer's name and port (no DEVMODE).
    int device_capability(abi::WORD capability, char16_t* output);

    // A whole printer data value: its bytes and type, or nothing when it cannot be read.
    struct Value {
        abi::DWORD type = 0;
        std::vector<abi::BYTE> bytes;
    };
    bool read_value(const char16_t* value_name, Value& value) const;

private:
    void close();

    abi::HANDLE handle_ = nullptr;
    bool owned_ = false;
    std::vector<std::max_align_t> description_;  // PRINTER_INFO_2W and its strings
    bool description_read_ = false;
};

}  // namespace zenta::environment
