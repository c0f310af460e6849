#pragma once
// A simulated print spooler serving the printers of a printer profile with the Win32 contract of
// platform::Spooler: handles from OpenPrinterW (6 ERROR_INVALID_HANDLE once closed or when never
// given out), 1801 ERROR_INVALID_PRINTER_NAME for an unknown name, size queries that fail with
// 122 (or 234 for printer data) and set *needed, structures packed with their texts into the
// caller's buffer. Printer names, data value names and keys are compared without regard to case.
//
// Where the real spooler's behaviour depends on its configuration, this one does the following:
// - OpenPrinterW of a null or empty name (the print server on Windows) fails with 1801.
// - Asking for PRINTER_ACCESS_ADMINISTER of a printer whose profile says "administer": false
//   fails with 5 (ERROR_ACCESS_DENIED), as for a user without the right.
// - EnumPrintersW lists the "local" printers for PRINTER_ENUM_LOCAL and the others for
//   PRINTER_ENUM_CONNECTIONS; levels 2, 4 and 5.
// - GetPrinterW answers levels 2, 4 and 5; EnumFormsW level 1; GetJobW level 2. Other levels
//   fail with 124 (ERROR_INVALID_LEVEL).
// - DeviceCapabilitiesW answers DC_BINS, DC_BINNAMES, DC_PAPERS, DC_PAPERNAMES, DC_PAPERSIZE
//   and, when the profile has private bins, the driver's own 1000 (numbers) and 1001 (names);
//   any other capability, or an unknown printer, gives -1.
// - GetJobW of a job the printer does not hold fails with 87 (ERROR_INVALID_PARAMETER).
//
// Thread-safe: every call takes the spooler's lock.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/profile.h"
#include "platform/spooler.h"

namespace zenta::platform::sim {

class SimulatedSpooler final : public Spooler {
public:
    explicit SimulatedSpooler(std::vector<Printer> printers = {});

    abi::BOOL OpenPrinterW(const char16_t* printer_name, abi::HANDLE* printer,
                           const abi::PRINTER_DEFAULTSW* defaults) override;
    abi::BOOL ClosePrinter(abi::HANDLE printer) override;
    abi::BOOL GetPrinterW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer, abi::DWORD size,
                          abi::DWORD* needed) override;
    abi::DWORD GetPrinterDataW(abi::HANDLE printer, const char16_t* value_name, abi::DWORD* type,
                               abi::BYTE* data, abi::DWORD size, abi::DWORD* needed) override;
    abi::DWORD GetPrinterDataExW(abi::HANDLE printer, const char16_t* key_name, const char16_t* value_name,
                                 abi::DWORD* type, abi::BYTE* data, abi::DWORD size,
                                 abi::DWORD* needed) override;
    abi::BOOL EnumPrintersW(abi::DWORD flags, const char16_t* name, abi::DWORD level, abi::BYTE* buffer,
                            abi::DWORD size, abi::DWORD* needed, abi::DWORD* returned) override;
    abi::BOOL EnumFormsW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer, abi::DWORD size,
                         abi::DWORD* needed, abi::DWORD* returned) override;
    int DeviceCapabilitiesW(const char16_t* device, const char16_t* port, abi::WORD capability,
                            char16_t* output, const abi::DEVMODEW* devmode) override;
    abi::BOOL GetJobW(abi::HANDLE printer, abi::DWORD job_id, abi::DWORD level, abi::BYTE* buffer,
                      abi::DWORD size, abi::DWORD* needed) override;

    // ---- what an administrator changes while the spooler runs (the tests' printer fixture)

    // False when a printer of that name exists.
    bool add_printer(Printer printer);
    // Open handles of a removed printer stay usable until they are closed, as on Windows.
    bool remove_printer(std::u16string_view name);
    // SetPrinterDataExW: stores (or replaces) a value; false for an unknown printer.
    bool set_printer_data(std::u16string_view printer, std::u16string_view key,
                          std::u16string_view value_name, DataValue value);
    // AddFormW: false for an unknown printer or a form name it has already.
    bool add_form(std::u16string_view printer, Form form);
    // False for an unknown printer or a job id it holds already.
    bool add_job(std::u16string_view printer, Job job);
    std::vector<std::u16string> printer_names() const;
    std::size_t open_handles() const;

private:
    std::shared_ptr<Printer> find_printer(std::u16string_view name) const;
    std::shared_ptr<Printer> from_handle(abi::HANDLE handle) const;
    abi::DWORD get_data(abi::HANDLE printer, std::u16string_view key, const char16_t* value_name,
                        abi::DWORD* type, abi::BYTE* data, abi::DWORD size, abi::DWORD* needed);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Printer>> printers_;
    std::map<std::uintptr_t, std::shared_ptr<Printer>> handles_;
};

}  // namespace zenta::platform::sim
