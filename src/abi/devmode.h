// The public DEVMODE (wide version) and the dmFields bits and field values the plug-in
// reads and writes.
//
// DEVMODEW is 220 bytes (dmSize), 4-aligned, followed in memory by dmDriverExtra bytes of
// driver-private data: first the driver's own area, then the plug-in blocks.
#pragma once

#include <cstddef>

#include "abi/types.h"

namespace zenta::abi {

#ifndef CCHDEVICENAME
inline constexpr std::size_t CCHDEVICENAME = 32;
inline constexpr std::size_t CCHFORMNAME = 32;
#endif

struct DEVMODEW {
    WCHAR dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    // Bytes 76 to 91 are a union in the published declaration. Printers use this view (eight
    // shorts); displays read the same bytes as dmPosition (POINTL at 76),
    // dmDisplayOrientation (DWORD at 84) and dmDisplayFixedOutput (DWORD at 88).
    SHORT dmOrientation;
    SHORT dmPaperSize;
    SHORT dmPaperLength;
    SHORT dmPaperWidth;
    SHORT dmScale;
    SHORT dmCopies;
    SHORT dmDefaultSource;
    SHORT dmPrintQuality;
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    WCHAR dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    union {
        DWORD dmDisplayFlags;
        DWORD dmNup;
    };
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
    DWORD dmPanningWidth;
    DWORD dmPanningHeight;
};

static_assert(sizeof(DEVMODEW) == 220 && alignof(DEVMODEW) == 4);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == 64);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == 66);
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmPaperSize) == 78);
static_assert(offsetof(DEVMODEW, dmPaperLength) == 80);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == 82);
static_assert(offsetof(DEVMODEW, dmScale) == 84);
static_assert(offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEW, dmDefaultSource) == 88);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == 90);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmDuplex) == 94);
static_assert(offsetof(DEVMODEW, dmYResolution) == 96);
static_assert(offsetof(DEVMODEW, dmTTOption) == 98);
static_assert(offsetof(DEVMODEW, dmCollate) == 100);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmPelsWidth) == 172);
static_assert(offsetof(DEVMODEW, dmPelsHeight) == 176);
static_assert(offsetof(DEVMODEW, dmDisplayFlags) == 180);
static_assert(offsetof(DEVMODEW, dmNup) == 180);
static_assert(offsetof(DEVMODEW, dmDisplayFrequency) == 184);
static_assert(offsetof(DEVMODEW, dmICMMethod) == 188);
static_assert(offsetof(DEVMODEW, dmICMIntent) == 192);
static_assert(offsetof(DEVMODEW, dmMediaType) == 196);
static_assert(offsetof(DEVMODEW, dmDitherType) == 200);
static_assert(offsetof(DEVMODEW, dmReserved1) == 204);
static_assert(offsetof(DEVMODEW, dmReserved2) == 208);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == 212);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);

#ifndef DM_ORIENTATION
inline constexpr WORD DM_SPECVERSION = 0x0401;

// dmFields: which fields carry a value.
inline constexpr DWORD DM_ORIENTATION = 0x00000001;
inline constexpr DWORD DM_PAPERSIZE = 0x00000002;
inline constexpr DWORD DM_PAPERLENGTH = 0x00000004;
inline constexpr DWORD DM_PAPERWIDTH = 0x00000008;
inline constexpr DWORD DM_SCALE = 0x00000010;
inline constexpr DWORD DM_POSITION = 0x00000020;
inline constexpr DWORD DM_NUP = 0x00000040;
inline constexpr DWORD DM_DISPLAYORIENTATION = 0x00000080;
inline constexpr DWORD DM_COPIES = 0x00000100;
inline constexpr DWORD DM_DEFAULTSOURCE = 0x00000200;
inline constexpr DWORD DM_PRINTQUALITY = 0x00000400;
inline constexpr DWORD DM_COLOR = 0x00000800;
inline constexpr DWORD DM_DUPLEX = 0x00001000;
inline constexpr DWORD DM_YRESOLUTION = 0x00002000;
inline constexpr DWORD DM_TTOPTION = 0x00004000;
inline constexpr DWORD DM_COLLATE = 0x00008000;
inline constexpr DWORD DM_FORMNAME = 0x00010000;
inline constexpr DWORD DM_LOGPIXELS = 0x00020000;
inline constexpr DWORD DM_BITSPERPEL = 0x00040000;
inline constexpr DWORD DM_PELSWIDTH = 0x00080000;
inline constexpr DWORD DM_PELSHEIGHT = 0x00100000;
inline constexpr DWORD DM_DISPLAYFLAGS = 0x00200000;
inline constexpr DWORD DM_DISPLAYFREQUENCY = 0x00400000;
inline constexpr DWORD DM_ICMMETHOD = 0x00800000;
inline constexpr DWORD DM_ICMINTENT = 0x01000000;
inline constexpr DWORD DM_MEDIATYPE = 0x02000000;
inline constexpr DWORD DM_DITHERTYPE = 0x04000000;
inline constexpr DWORD DM_PANNINGWIDTH = 0x08000000;
inline constexpr DWORD DM_PANNINGHEIGHT = 0x10000000;
inline constexpr DWORD DM_DISPLAYFIXEDOUTPUT = 0x20000000;

// dmOrientation
inline constexpr SHORT DMORIENT_PORTRAIT = 1;
inline constexpr SHORT DMORIENT_LANDSCAPE = 2;

// dmPaperSize: the standard paper numbers run from 1 to 118; drivers number their own
// forms from 256.
inline constexpr SHORT DMPAPER_LETTER = 1;
inline constexpr SHORT DMPAPER_FIRST = DMPAPER_LETTER;
inline constexpr SHORT DMPAPER_A4 = 9;
inline constexpr SHORT DMPAPER_PENV_10_ROTATED = 118;
inline constexpr SHORT DMPAPER_LAST = DMPAPER_PENV_10_ROTATED;
inline constexpr SHORT DMPAPER_USER = 256;

// dmDefaultSource: standard bins; drivers number their own bins from 256.
inline constexpr SHORT DMBIN_UPPER = 1;
inline constexpr SHORT DMBIN_FIRST = DMBIN_UPPER;
inline constexpr SHORT DMBIN_ONLYONE = 1;
inline constexpr SHORT DMBIN_LOWER = 2;
inline constexpr SHORT DMBIN_MIDDLE = 3;
inline constexpr SHORT DMBIN_MANUAL = 4;
inline constexpr SHORT DMBIN_ENVELOPE = 5;
inline constexpr SHORT DMBIN_ENVMANUAL = 6;
inline constexpr SHORT DMBIN_AUTO = 7;
inline constexpr SHORT DMBIN_TRACTOR = 8;
inline constexpr SHORT DMBIN_SMALLFMT = 9;
inline constexpr SHORT DMBIN_LARGEFMT = 10;
inline constexpr SHORT DMBIN_LARGECAPACITY = 11;
inline constexpr SHORT DMBIN_CASSETTE = 14;
inline constexpr SHORT DMBIN_FORMSOURCE = 15;
inline constexpr SHORT DMBIN_LAST = DMBIN_FORMSOURCE;
inline constexpr SHORT DMBIN_USER = 256;

// dmPrintQuality: a positive value is dots per inch, these negative ones are levels.
inline constexpr SHORT DMRES_DRAFT = -1;
inline constexpr SHORT DMRES_LOW = -2;
inline constexpr SHORT DMRES_MEDIUM = -3;
inline constexpr SHORT DMRES_HIGH = -4;

// dmColor
inline constexpr SHORT DMCOLOR_MONOCHROME = 1;
inline constexpr SHORT DMCOLOR_COLOR = 2;

// dmDuplex
inline constexpr SHORT DMDUP_SIMPLEX = 1;
inline constexpr SHORT DMDUP_VERTICAL = 2;
inline constexpr SHORT DMDUP_HORIZONTAL = 3;

// dmCollate
inline constexpr SHORT DMCOLLATE_FALSE = 0;
inline constexpr SHORT DMCOLLATE_TRUE = 1;

// dmNup
inline constexpr DWORD DMNUP_SYSTEM = 1;
inline constexpr DWORD DMNUP_ONEUP = 2;
#endif

}  // namespace zenta::abi
