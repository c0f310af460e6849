// The Windows print spooler, passed through. Texts are UTF-16 on both sides of the boundary
// (char16_t and wchar_t have the same size here), and the abi structures have the SDK's layout,
// so buffers and pointers are handed over as they are.

#include <windows.h>
#include <winspool.h>

#include <memory>

#include "platform/native.h"

namespace zenta::platform {
namespace {

static_assert(sizeof(abi::PRINTER_INFO_2W) == sizeof(::PRINTER_INFO_2W));
static_assert(sizeof(abi::PRINTER_INFO_4W) == sizeof(::PRINTER_INFO_4W));
static_assert(sizeof(abi::PRINTER_INFO_5W) == sizeof(::PRINTER_INFO_5W));
static_assert(sizeof(abi::FORM_INFO_1W) == sizeof(::FORM_INFO_1W));
static_assert(sizeof(abi::JOB_INFO_2W) == sizeof(::JOB_INFO_2W));
static_assert(sizeof(abi::PRINTER_DEFAULTSW) == sizeof(::PRINTER_DEFAULTSW));
static_assert(sizeof(abi::DEVMODEW) == sizeof(::DEVMODEW));

wchar_t* wide(const char16_t* text) { return const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text)); }

// DWORD is `unsigned long` in the SDK and std::uint32_t here: the same 32 bits.
::DWORD* sdk(abi::DWORD* p) { return reinterpret_cast<::DWORD*>(p); }

class Win32Spooler final : public Spooler {
public:
    abi::BOOL OpenPrinterW(const char16_t* printer_name, abi::HANDLE* printer,
                           const abi::PRINTER_DEFAULTSW* defaults) override {
        return ::OpenPrinterW(
            wide(printer_name), reinterpret_cast<::HANDLE*>(printer),
            reinterpret_cast<::PRINTER_DEFAULTSW*>(const_cast<abi::PRINTER_DEFAULTSW*>(defaults)));
    }

    abi::BOOL ClosePrinter(abi::HANDLE printer) override { return ::ClosePrinter(printer); }

    abi::BOOL GetPrinterW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer, abi::DWORD size,
                          abi::DWORD* needed) override {
        return ::GetPrinterW(printer, level, buffer, size, sdk(needed));
    }

    abi::DWORD GetPrinterDataW(abi::HANDLE printer, const char16_t* value_name, abi::DWORD* type,
                               abi::BYTE* data, abi::DWORD size, abi::DWORD* needed) override {
        return ::GetPrinterDataW(printer, wide(value_name), sdk(type), data, size, sdk(needed));
    }

    abi::DWORD GetPrinterDataExW(abi::HANDLE printer, const char16_t* key_name, const char16_t* value_name,
                                 abi::DWORD* type, abi::BYTE* data, abi::DWORD size,
                                 abi::DWORD* needed) override {
        return ::GetPrinterDataExW(printer, wide(key_name), wide(value_name), sdk(type), data, size,
                                   sdk(needed));
    }

    abi::BOOL EnumPrintersW(abi::DWORD flags, const char16_t* name, abi::DWORD level, abi::BYTE* buffer,
                            abi::DWORD size, abi::DWORD* needed, abi::DWORD* returned) override {
        return ::EnumPrintersW(flags, wide(name), level, buffer, size, sdk(needed), sdk(returned));
    }

    abi::BOOL EnumFormsW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer, abi::DWORD size,
                         abi::DWORD* needed, abi::DWORD* returned) override {
        return ::EnumFormsW(printer, level, buffer, size, sdk(needed), sdk(returned));
    }

    int DeviceCapabilitiesW(const char16_t* device, const char16_t* port, abi::WORD capability,
                            char16_t* output, const abi::DEVMODEW* devmode) override {
        return ::DeviceCapabilitiesW(
            reinterpret_cast<const wchar_t*>(device), reinterpret_cast<const wchar_t*>(port), capability,
            reinterpret_cast<wchar_t*>(output), reinterpret_cast<const ::DEVMODEW*>(devmode));
    }

    abi::BOOL GetJobW(abi::HANDLE printer, abi::DWORD job_id, abi::DWORD level, abi::BYTE* buffer,
                      abi::DWORD size, abi::DWORD* needed) override {
        return ::GetJobW(printer, job_id, level, buffer, size, sdk(needed));
    }
};

}  // namespace

std::unique_ptr<Spooler> make_native_spooler() { return std::make_unique<Win32Spooler>(); }

}  // namespace zenta::platform
