#pragma once
// The spooler and kernel structures the plug-in exchanges with Windows, laid out as the
// published headers (winspool.h, minwinbase.h) lay them out on x64. Texts are UTF-16 and the
// strings of a returned structure live in the same caller buffer, behind the structures.

#include <cstddef>

#include "abi/devmode.h"
#include "abi/types.h"

namespace zenta::abi {

#ifndef PRINTER_ACCESS_USE
inline constexpr DWORD PRINTER_ACCESS_USE = 0x00000008;
inline constexpr DWORD PRINTER_ACCESS_ADMINISTER = 0x00000004;
inline constexpr DWORD PRINTER_ALL_ACCESS = 0x000F000C;
#endif
#ifndef PRINTER_ENUM_LOCAL
inline constexpr DWORD PRINTER_ENUM_LOCAL = 0x00000002;
#endif

// DeviceCapabilitiesW indexes used by the plug-in.
#ifndef DC_BINS
inline constexpr WORD DC_PAPERS = 2;
inline constexpr WORD DC_PAPERSIZE = 3;
inline constexpr WORD DC_BINS = 6;
inline constexpr WORD DC_BINNAMES = 12;
inline constexpr WORD DC_PAPERNAMES = 16;
#endif
inline constexpr std::size_t kBinNameUnits = 24;    // DC_BINNAMES: 24 wide characters per name
inline constexpr std::size_t kPaperNameUnits = 64;  // DC_PAPERNAMES: 64 wide characters per name

struct PRINTER_DEFAULTSW {
    PWSTR pDatatype;
    DEVMODEW* pDevMode;
    DWORD DesiredAccess;
};

struct PRINTER_INFO_2W {
    PWSTR pServerName;
    PWSTR pPrinterName;
    PWSTR pShareName;
    PWSTR pPortName;
    PWSTR pDriverName;
    PWSTR pComment;
    PWSTR pLocation;
    DEVMODEW* pDevMode;
    PWSTR pSepFile;
    PWSTR pPrintProcessor;
    PWSTR pDatatype;
    PWSTR pParameters;
    PVOID pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
};

struct PRINTER_INFO_4W {
    PWSTR pPrinterName;
    PWSTR pServerName;
    DWORD Attributes;
};

struct PRINTER_INFO_5W {
    PWSTR pPrinterName;
    PWSTR pPortName;
    DWORD Attributes;
    DWORD DeviceNotSelectedTimeout;
    DWORD TransmissionRetryTimeout;
};

struct FORM_INFO_1W {
    DWORD Flags;
    PWSTR pName;
    SIZEL Size;           // thousandths of a millimetre
    RECTL ImageableArea;  // thousandths of a millimetre
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct JOB_INFO_2W {
    DWORD JobId;
    PWSTR pPrinterName;
    PWSTR pMachineName;
    PWSTR pUserName;
    PWSTR pDocument;
    PWSTR pNotifyName;
    PWSTR pDatatype;
    PWSTR pPrintProcessor;
    PWSTR pParameters;
    PWSTR pDriverName;
    DEVMODEW* pDevMode;
    PWSTR pStatus;
    PVOID pSecurityDescriptor;
    DWORD Status;
    DWORD Priority;
    DWORD Position;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD TotalPages;
    DWORD Size;
    SYSTEMTIME Submitted;
    DWORD Time;
    DWORD PagesPrinted;
};

static_assert(!kPointers64 || sizeof(PRINTER_DEFAULTSW) == 24);
static_assert(!kPointers64 || sizeof(PRINTER_INFO_2W) == 136);
static_assert(!kPointers64 || offsetof(PRINTER_INFO_2W, pDevMode) == 56);
static_assert(!kPointers64 || offsetof(PRINTER_INFO_2W, Attributes) == 104);
static_assert(!kPointers64 || sizeof(PRINTER_INFO_4W) == 24);
static_assert(!kPointers64 || sizeof(PRINTER_INFO_5W) == 32);
static_assert(!kPointers64 || sizeof(FORM_INFO_1W) == 40);
static_assert(sizeof(SYSTEMTIME) == 16);
static_assert(!kPointers64 || sizeof(JOB_INFO_2W) == 160);
static_assert(!kPointers64 || offsetof(JOB_INFO_2W, pParameters) == 64);
static_assert(!kPointers64 || offsetof(JOB_INFO_2W, Submitted) == 132);

}  // namespace zenta::abi
