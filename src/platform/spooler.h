#pragma once
// The print spooler, as the plug-in calls it. Every method has the shape of the Win32 function of
// the same name: the same arguments, the same results, the same error codes (a BOOL-returning
// call leaves its error in the thread's last error; the printer data calls return theirs). Size
// queries behave as on Windows: a buffer too small (or null with size 0) fails with 122
// (ERROR_INSUFFICIENT_BUFFER), or 234 (ERROR_MORE_DATA) for printer data, and sets *needed.
// Structures returned in a caller buffer keep their strings in that buffer, behind the
// structures, exactly as the spooler does.
//
// Implementations: win32/ (the real spooler), sim/ (printers described by a printer profile).

#include "abi/spooler.h"

namespace zenta::platform {

class Spooler {
public:
    virtual ~Spooler() = default;

    virtual abi::BOOL OpenPrinterW(const char16_t* printer_name, abi::HANDLE* printer,
                                   const abi::PRINTER_DEFAULTSW* defaults) = 0;
    virtual abi::BOOL ClosePrinter(abi::HANDLE printer) = 0;

    // Level 2 (PRINTER_INFO_2W).
    virtual abi::BOOL GetPrinterW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer, abi::DWORD size,
                                  abi::DWORD* needed) = 0;

    // Return 0 (ERROR_SUCCESS) or the error: 2 (ERROR_FILE_NOT_FOUND) for a missing value, 234 for a
    // short buffer (with *needed set), 6 (ERROR_INVALID_HANDLE) for a bad handle.
    virtual abi::DWORD GetPrinterDataW(abi::HANDLE printer, const char16_t* value_name, abi::DWORD* type,
                                       abi::BYTE* data, abi::DWORD size, abi::DWORD* needed) = 0;
    virtual abi::DWORD GetPrinterDataExW(abi::HANDLE printer, const char16_t* key_name, const char16_t* value_name,
                                         abi::DWORD* type, abi::BYTE* data, abi::DWORD size,
                                         abi::DWORD* needed) = 0;

    // Levels 4 (PRINTER_INFO_4W) and 5 (PRINTER_INFO_5W) of the local printers (PRINTER_ENUM_LOCAL).
    virtual abi::BOOL EnumPrintersW(abi::DWORD flags, const char16_t* name, abi::DWORD level, abi::BYTE* buffer,
                                    abi::DWORD size, abi::DWORD* needed, abi::DWORD* returned) = 0;

    // Level 1 (FORM_INFO_1W).
    virtual abi::BOOL EnumFormsW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer, abi::DWORD size,
                                 abi::DWORD* needed, abi::DWORD* returned) = 0;

    // The count of items for the capability, writing them to output when it is not null; -1 on
    // failure. DC_BINS writes WORDs, DC_BINNAMES 24-unit names, DC_PAPERS WORDs, DC_PAPERNAMES
    // 64-unit names, DC_PAPERSIZE POINTs in tenths of a millimetre.
    virtual int DeviceCapabilitiesW(const char16_t* device, const char16_t* port, abi::WORD capability,
                                    char16_t* output, const abi::DEVMODEW* devmode) = 0;

    // Level 2 (JOB_INFO_2W).
    virtual abi::BOOL GetJobW(abi::HANDLE printer, abi::DWORD job_id, abi::DWORD level, abi::BYTE* buffer,
                              abi::DWORD size, abi::DWORD* needed) = 0;
};

}  // namespace zenta::platform
