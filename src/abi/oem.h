// Structures and constants of the printer driver plug-in interface: the device object the
// driver passes to every per-device call, the DEVMODE call block, the plug-in devmode
// header, and the GetInfo, DevMode, Command and GetPDEVAdjustment codes.
#pragma once

#include <cstddef>

#include "abi/devmode.h"
#include "abi/types.h"

namespace zenta::abi {

inline constexpr DWORD PRINTER_OEMINTF_VERSION = 0x00010000;

// ---------------------------------------------------------------------------------------
// GetInfo

inline constexpr DWORD OEMGI_GETSIGNATURE = 1;
inline constexpr DWORD OEMGI_GETINTERFACEVERSION = 2;
inline constexpr DWORD OEMGI_GETVERSION = 3;
inline constexpr DWORD OEMGI_GETPUBLISHERINFO = 4;
inline constexpr DWORD OEMGI_GETREQUESTEDHELPERINTERFACES = 5;

// Answers to OEMGI_GETREQUESTEDHELPERINTERFACES: which helper the driver publishes.
inline constexpr DWORD OEMPUBLISH_DEFAULT = 0;
inline constexpr DWORD OEMPUBLISH_IPRINTCOREHELPER = 1;

inline constexpr DWORD OEM_MODE_PUBLISHER = 0x00000001;

// What OEMGI_GETPUBLISHERINFO fills in (8 bytes).
struct PUBLISHERINFO {
    DWORD dwMode;
    WORD wMinoutlinePPEM;
    WORD wMaxbitmapPPEM;
};

static_assert(sizeof(PUBLISHERINFO) == 8);
static_assert(offsetof(PUBLISHERINFO, wMinoutlinePPEM) == 4);
static_assert(offsetof(PUBLISHERINFO, wMaxbitmapPPEM) == 6);

// ---------------------------------------------------------------------------------------
// DevMode

inline constexpr DWORD OEMDM_SIZE = 1;
inline constexpr DWORD OEMDM_DEFAULT = 2;
inline constexpr DWORD OEMDM_CONVERT = 3;
inline constexpr DWORD OEMDM_MERGE = 4;

// The call block of DevMode. pOEMDMIn and pOEMDMOut point at this plug-in's block inside
// the driver-private area; cbBufSize is the size of the output block.
struct OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    DEVMODEW* pPublicDMIn;
    DEVMODEW* pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;
};
using POEMDMPARAM = OEMDMPARAM*;

static_assert(!kPointers64 || sizeof(OEMDMPARAM) == 72);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, pdriverobj) == 8);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, hPrinter) == 16);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, hModule) == 24);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, pPublicDMIn) == 32);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, pPublicDMOut) == 40);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, pOEMDMIn) == 48);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, pOEMDMOut) == 56);
static_assert(!kPointers64 || offsetof(OEMDMPARAM, cbBufSize) == 64);

// Every plug-in block in the driver-private area starts with this header (little-endian).
struct OEM_DMEXTRAHEADER {
    DWORD dwSize;       // size of the whole block, header included
    DWORD dwSignature;  // the plug-in's signature (as GetInfo reports it)
    DWORD dwVersion;    // the plug-in's version (as GetInfo reports it)
};

static_assert(sizeof(OEM_DMEXTRAHEADER) == 12);
static_assert(offsetof(OEM_DMEXTRAHEADER, dwSignature) == 4);
static_assert(offsetof(OEM_DMEXTRAHEADER, dwVersion) == 8);

// ---------------------------------------------------------------------------------------
// The device object

struct DRVPROCS;  // the driver's helper table; plug-ins do not use it

// Passed by the driver to every per-device call. pdevOEM holds what EnablePDEV returned;
// pOEMDM points at this plug-in's devmode block.
struct DEVOBJ {
    DWORD dwSize;
    PVOID pdevOEM;
    HANDLE hEngine;
    HANDLE hPrinter;
    HANDLE hOEM;
    DEVMODEW* pPublicDM;
    PVOID pOEMDM;
    DRVPROCS* pDrvProcs;
};
using PDEVOBJ = DEVOBJ*;
using PDEVOEM = PVOID;

static_assert(!kPointers64 || sizeof(DEVOBJ) == 64);
static_assert(!kPointers64 || offsetof(DEVOBJ, pdevOEM) == 8);
static_assert(!kPointers64 || offsetof(DEVOBJ, hEngine) == 16);
static_assert(!kPointers64 || offsetof(DEVOBJ, hPrinter) == 24);
static_assert(!kPointers64 || offsetof(DEVOBJ, hOEM) == 32);
static_assert(!kPointers64 || offsetof(DEVOBJ, pPublicDM) == 40);
static_assert(!kPointers64 || offsetof(DEVOBJ, pOEMDM) == 48);
static_assert(!kPointers64 || offsetof(DEVOBJ, pDrvProcs) == 56);

// ---------------------------------------------------------------------------------------
// GetPDEVAdjustment

inline constexpr DWORD PDEV_ADJUST_PAPER_MARGIN_TYPE = 1;
inline constexpr DWORD PDEV_HOSTFONT_ENABLED_TYPE = 2;
inline constexpr DWORD PDEV_USE_TRUE_COLOR_TYPE = 3;

// The buffer of PDEV_ADJUST_PAPER_MARGIN_TYPE: the imageable area in micrometres.
struct PDEV_ADJUST_PAPER_MARGIN {
    RECTL rcImageableArea;
};

static_assert(sizeof(PDEV_ADJUST_PAPER_MARGIN) == 16);

// ---------------------------------------------------------------------------------------
// IPrintCorePS2 attribute queries: the data type reported through pdwDataType.

enum EATTRIBUTE_DATATYPE : DWORD {
    kADT_UNKNOWN = 0,
    kADT_BOOL = 1,
    kADT_INT = 2,
    kADT_LONG = 3,
    kADT_DWORD = 4,
    kADT_ASCII = 5,
    kADT_UNICODE = 6,
    kADT_BINARY = 7,
    kADT_SIZE = 8,
    kADT_RECT = 9,
    kADT_CUSTOMSIZEPARAMS = 10,
};

// ---------------------------------------------------------------------------------------
// Command: the injection points at which the PostScript driver calls the plug-in.

#ifndef PSINJECT_BEGINSTREAM
inline constexpr DWORD PSINJECT_BEGINSTREAM = 1;
inline constexpr DWORD PSINJECT_PSADOBE = 2;
inline constexpr DWORD PSINJECT_PAGESATEND = 3;
inline constexpr DWORD PSINJECT_PAGES = 4;
inline constexpr DWORD PSINJECT_DOCNEEDEDRES = 5;
inline constexpr DWORD PSINJECT_DOCSUPPLIEDRES = 6;
inline constexpr DWORD PSINJECT_PAGEORDER = 7;
inline constexpr DWORD PSINJECT_ORIENTATION = 8;
inline constexpr DWORD PSINJECT_BOUNDINGBOX = 9;
inline constexpr DWORD PSINJECT_DOCUMENTPROCESSCOLORS = 10;
inline constexpr DWORD PSINJECT_COMMENTS = 11;
inline constexpr DWORD PSINJECT_BEGINDEFAULTS = 12;
inline constexpr DWORD PSINJECT_ENDDEFAULTS = 13;
inline constexpr DWORD PSINJECT_BEGINPROLOG = 14;
inline constexpr DWORD PSINJECT_ENDPROLOG = 15;
inline constexpr DWORD PSINJECT_BEGINSETUP = 16;
inline constexpr DWORD PSINJECT_ENDSETUP = 17;
inline constexpr DWORD PSINJECT_TRAILER = 18;
inline constexpr DWORD PSINJECT_EOF = 19;
inline constexpr DWORD PSINJECT_ENDSTREAM = 20;
inline constexpr DWORD PSINJECT_DOCUMENTPROCESSCOLORSATEND = 21;

inline constexpr DWORD PSINJECT_PAGENUMBER = 100;
inline constexpr DWORD PSINJECT_BEGINPAGESETUP = 101;
inline constexpr DWORD PSINJECT_ENDPAGESETUP = 102;
inline constexpr DWORD PSINJECT_PAGETRAILER = 103;
inline constexpr DWORD PSINJECT_PLATECOLOR = 104;
inline constexpr DWORD PSINJECT_SHOWPAGE = 105;
inline constexpr DWORD PSINJECT_PAGEBBOX = 106;
inline constexpr DWORD PSINJECT_ENDPAGECOMMENTS = 107;

inline constexpr DWORD PSINJECT_VMSAVE = 200;
inline constexpr DWORD PSINJECT_VMRESTORE = 201;

inline constexpr DWORD PSINJECT_DLFONT = 0xDDDDDDDD;
#endif

}  // namespace zenta::abi
