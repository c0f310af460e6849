// The graphics DDI as a render plug-in sees it: the function table exchanged through
// EnableDriver and EnablePDEV, the GDIINFO and DEVINFO that EnablePDEV may adjust, the
// surface object the hooks receive, the DDI function numbers, the prototypes of the hooked
// functions and the escapes that DrvEscape filters.
#pragma once

#include <cstddef>

#include "abi/types.h"

namespace zenta::abi {

// ---------------------------------------------------------------------------------------
// Handles and scalar types

struct HSURF__;
struct DHSURF__;
struct DHPDEV__;
struct HDEV__;
struct HPALETTE__;
using HSURF = HSURF__*;
using DHSURF = DHSURF__*;
using DHPDEV = DHPDEV__*;  // the driver's device block; for a hooked call, the DEVOBJ
using HDEV = HDEV__*;
using HPALETTE = HPALETTE__*;

using HGLYPH = ULONG;
using ROP4 = ULONG;
using MIX = ULONG;
using FIX = LONG;     // 28.4 fixed point
using LDECI4 = LONG;  // fixed point with four decimal places

struct POINTFIX {
    FIX x;
    FIX y;
};

// Objects the hooks only pass on (by pointer) to the driver's own functions.
struct BRUSHOBJ;
struct CLIPOBJ;
struct XLATEOBJ;
struct XFORMOBJ;
struct PATHOBJ;
struct STROBJ;
struct FONTOBJ;
struct LINEATTRS;
struct BLENDOBJ;
struct TRIVERTEX;
struct COLORADJUSTMENT;
struct IFIMETRICS;
struct GLYPHDATA;
struct LOGCOLORSPACEW;

// ---------------------------------------------------------------------------------------
// Function table

// A DDI entry point of any signature; cast to the function's own type before calling.
using PFN = LONG_PTR(ZENTA_STDCALL*)();

struct DRVFN {
    ULONG iFunc;  // INDEX_Drv* number
    PFN pfn;
};

struct DRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;  // number of entries in pdrvfn
    DRVFN* pdrvfn;
};
using PDRVENABLEDATA = DRVENABLEDATA*;

static_assert(!kPointers64 || (sizeof(DRVFN) == 16 && offsetof(DRVFN, pfn) == 8));
static_assert(!kPointers64 || sizeof(DRVENABLEDATA) == 16);
static_assert(offsetof(DRVENABLEDATA, c) == 4);
static_assert(!kPointers64 || offsetof(DRVENABLEDATA, pdrvfn) == 8);

// Converts between a typed entry point and PFN through the generic function pointer type,
// which the compiler accepts as compatible with every function type.
template <class F>
PFN to_pfn(F* f) noexcept {
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(f));
}

template <class FnPtr>
FnPtr from_pfn(PFN pfn) noexcept {
    return reinterpret_cast<FnPtr>(reinterpret_cast<void (*)()>(pfn));
}

// ---------------------------------------------------------------------------------------
// GDIINFO: the device's capabilities as EnablePDEV reports them to GDI (320 bytes).

struct CIECHROMA {
    LDECI4 x;
    LDECI4 y;
    LDECI4 Y;
};

struct COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LDECI4 RedGamma;
    LDECI4 GreenGamma;
    LDECI4 BlueGamma;
    LDECI4 MagentaInCyanDye;
    LDECI4 YellowInCyanDye;
    LDECI4 CyanInMagentaDye;
    LDECI4 YellowInMagentaDye;
    LDECI4 CyanInYellowDye;
    LDECI4 MagentaInYellowDye;
};

static_assert(sizeof(CIECHROMA) == 12 && sizeof(COLORINFO) == 120);

struct GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;  // printable width in mm; a negative value (as LONG) is micrometres
    ULONG ulVertSize;  // printable height, likewise
    ULONG ulHorzRes;   // printable width in device units
    ULONG ulVertRes;   // printable height in device units
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;  // device units per inch
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;  // top-left of the printable area on the sheet, device units
    SIZEL szlPhysSize;     // the whole sheet, device units
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    BYTE* pHTPatA;
    BYTE* pHTPatB;
    BYTE* pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
};

static_assert(!kPointers64 || (sizeof(GDIINFO) == 320 && alignof(GDIINFO) == 8));
static_assert(offsetof(GDIINFO, ulHorzSize) == 8);
static_assert(offsetof(GDIINFO, ulVertSize) == 12);
static_assert(offsetof(GDIINFO, ulHorzRes) == 16);
static_assert(offsetof(GDIINFO, ulVertRes) == 20);
static_assert(offsetof(GDIINFO, ulLogPixelsX) == 40);
static_assert(offsetof(GDIINFO, ulLogPixelsY) == 44);
static_assert(offsetof(GDIINFO, ulAspectXY) == 72);
static_assert(offsetof(GDIINFO, denStyleStep) == 84);
static_assert(offsetof(GDIINFO, ptlPhysOffset) == 88);
static_assert(offsetof(GDIINFO, szlPhysSize) == 96);
static_assert(offsetof(GDIINFO, ulNumPalReg) == 104);
static_assert(offsetof(GDIINFO, ciDevice) == 108);
static_assert(offsetof(GDIINFO, ulDevicePelsDPI) == 228);
static_assert(offsetof(GDIINFO, yPanningAlignment) == 268);
static_assert(offsetof(GDIINFO, cyHTPat) == 276);
static_assert(!kPointers64 || offsetof(GDIINFO, pHTPatA) == 280);
static_assert(!kPointers64 || offsetof(GDIINFO, pHTPatC) == 296);
static_assert(!kPointers64 || offsetof(GDIINFO, flShadeBlend) == 304);
static_assert(!kPointers64 || offsetof(GDIINFO, ulPhysicalPixelGamma) == 312);

// ---------------------------------------------------------------------------------------
// DEVINFO: the device's graphics capabilities and default fonts (312 bytes).

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[32];
};

static_assert(sizeof(LOGFONTW) == 92 && offsetof(LOGFONTW, lfFaceName) == 28);

struct DEVINFO {
    FLONG flGraphicsCaps;
    LOGFONTW lfDefaultFont;
    LOGFONTW lfAnsiVarFont;
    LOGFONTW lfAnsiFixFont;
    ULONG cFonts;
    ULONG iDitherFormat;
    USHORT cxDither;
    USHORT cyDither;
    HPALETTE hpalDefault;
    FLONG flGraphicsCaps2;
};

static_assert(!kPointers64 || sizeof(DEVINFO) == 312);
static_assert(offsetof(DEVINFO, lfDefaultFont) == 4);
static_assert(offsetof(DEVINFO, lfAnsiVarFont) == 96);
static_assert(offsetof(DEVINFO, lfAnsiFixFont) == 188);
static_assert(offsetof(DEVINFO, cFonts) == 280);
static_assert(offsetof(DEVINFO, cyDither) == 290);
static_assert(!kPointers64 || offsetof(DEVINFO, hpalDefault) == 296);
static_assert(!kPointers64 || offsetof(DEVINFO, flGraphicsCaps2) == 304);

// ---------------------------------------------------------------------------------------
// SURFOBJ: the drawing surface. For surfaces of a plug-in's device, dhpdev is the DEVOBJ.

struct SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;  // surface size in device pixels
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
};

static_assert(!kPointers64 || sizeof(SURFOBJ) == 80);
static_assert(!kPointers64 || offsetof(SURFOBJ, dhpdev) == 16);
static_assert(!kPointers64 || offsetof(SURFOBJ, sizlBitmap) == 32);
static_assert(!kPointers64 || offsetof(SURFOBJ, cjBits) == 40);
static_assert(!kPointers64 || offsetof(SURFOBJ, pvScan0) == 56);
static_assert(!kPointers64 || offsetof(SURFOBJ, lDelta) == 64);
static_assert(!kPointers64 || offsetof(SURFOBJ, iType) == 76);
static_assert(!kPointers64 || offsetof(SURFOBJ, fjBitmap) == 78);

// ---------------------------------------------------------------------------------------
// DDI function numbers (DRVFN::iFunc). 9, 21, 36, 39 and 63 are unused.

#ifndef INDEX_DrvEnablePDEV
inline constexpr ULONG INDEX_DrvEnablePDEV = 0;
inline constexpr ULONG INDEX_DrvCompletePDEV = 1;
inline constexpr ULONG INDEX_DrvDisablePDEV = 2;
inline constexpr ULONG INDEX_DrvEnableSurface = 3;
inline constexpr ULONG INDEX_DrvDisableSurface = 4;
inline constexpr ULONG INDEX_DrvAssertMode = 5;
inline constexpr ULONG INDEX_DrvOffset = 6;
inline constexpr ULONG INDEX_DrvResetPDEV = 7;
inline constexpr ULONG INDEX_DrvDisableDriver = 8;
inline constexpr ULONG INDEX_DrvCreateDeviceBitmap = 10;
inline constexpr ULONG INDEX_DrvDeleteDeviceBitmap = 11;
inline constexpr ULONG INDEX_DrvRealizeBrush = 12;
inline constexpr ULONG INDEX_DrvDitherColor = 13;
inline constexpr ULONG INDEX_DrvStrokePath = 14;
inline constexpr ULONG INDEX_DrvFillPath = 15;
inline constexpr ULONG INDEX_DrvStrokeAndFillPath = 16;
inline constexpr ULONG INDEX_DrvPaint = 17;
inline constexpr ULONG INDEX_DrvBitBlt = 18;
inline constexpr ULONG INDEX_DrvCopyBits = 19;
inline constexpr ULONG INDEX_DrvStretchBlt = 20;
inline constexpr ULONG INDEX_DrvSetPalette = 22;
inline constexpr ULONG INDEX_DrvTextOut = 23;
inline constexpr ULONG INDEX_DrvEscape = 24;
inline constexpr ULONG INDEX_DrvDrawEscape = 25;
inline constexpr ULONG INDEX_DrvQueryFont = 26;
inline constexpr ULONG INDEX_DrvQueryFontTree = 27;
inline constexpr ULONG INDEX_DrvQueryFontData = 28;
inline constexpr ULONG INDEX_DrvSetPointerShape = 29;
inline constexpr ULONG INDEX_DrvMovePointer = 30;
inline constexpr ULONG INDEX_DrvLineTo = 31;
inline constexpr ULONG INDEX_DrvSendPage = 32;
inline constexpr ULONG INDEX_DrvStartPage = 33;
inline constexpr ULONG INDEX_DrvEndDoc = 34;
inline constexpr ULONG INDEX_DrvStartDoc = 35;
inline constexpr ULONG INDEX_DrvGetGlyphMode = 37;
inline constexpr ULONG INDEX_DrvSynchronize = 38;
inline constexpr ULONG INDEX_DrvSaveScreenBits = 40;
inline constexpr ULONG INDEX_DrvGetModes = 41;
inline constexpr ULONG INDEX_DrvFree = 42;
inline constexpr ULONG INDEX_DrvDestroyFont = 43;
inline constexpr ULONG INDEX_DrvQueryFontCaps = 44;
inline constexpr ULONG INDEX_DrvLoadFontFile = 45;
inline constexpr ULONG INDEX_DrvUnloadFontFile = 46;
inline constexpr ULONG INDEX_DrvFontManagement = 47;
inline constexpr ULONG INDEX_DrvQueryTrueTypeTable = 48;
inline constexpr ULONG INDEX_DrvQueryTrueTypeOutline = 49;
inline constexpr ULONG INDEX_DrvGetTrueTypeFile = 50;
inline constexpr ULONG INDEX_DrvQueryFontFile = 51;
inline constexpr ULONG INDEX_DrvMovePanning = 52;
inline constexpr ULONG INDEX_DrvQueryAdvanceWidths = 53;
inline constexpr ULONG INDEX_DrvSetPixelFormat = 54;
inline constexpr ULONG INDEX_DrvDescribePixelFormat = 55;
inline constexpr ULONG INDEX_DrvSwapBuffers = 56;
inline constexpr ULONG INDEX_DrvStartBanding = 57;
inline constexpr ULONG INDEX_DrvNextBand = 58;
inline constexpr ULONG INDEX_DrvGetDirectDrawInfo = 59;
inline constexpr ULONG INDEX_DrvEnableDirectDraw = 60;
inline constexpr ULONG INDEX_DrvDisableDirectDraw = 61;
inline constexpr ULONG INDEX_DrvQuerySpoolType = 62;
inline constexpr ULONG INDEX_DrvIcmCreateColorTransform = 64;
inline constexpr ULONG INDEX_DrvIcmDeleteColorTransform = 65;
inline constexpr ULONG INDEX_DrvIcmCheckBitmapBits = 66;
inline constexpr ULONG INDEX_DrvIcmSetDeviceGammaRamp = 67;
inline constexpr ULONG INDEX_DrvGradientFill = 68;
inline constexpr ULONG INDEX_DrvStretchBltROP = 69;
inline constexpr ULONG INDEX_DrvPlgBlt = 70;
inline constexpr ULONG INDEX_DrvAlphaBlend = 71;
inline constexpr ULONG INDEX_DrvSynthesizeFont = 72;
inline constexpr ULONG INDEX_DrvGetSynthesizedFontFiles = 73;
inline constexpr ULONG INDEX_DrvTransparentBlt = 74;
inline constexpr ULONG INDEX_DrvQueryPerBandInfo = 75;
inline constexpr ULONG INDEX_DrvQueryDeviceSupport = 76;
inline constexpr ULONG INDEX_DrvReserved1 = 77;
inline constexpr ULONG INDEX_DrvReserved2 = 78;
inline constexpr ULONG INDEX_DrvReserved3 = 79;
inline constexpr ULONG INDEX_DrvReserved4 = 80;
inline constexpr ULONG INDEX_DrvReserved5 = 81;
inline constexpr ULONG INDEX_DrvReserved6 = 82;
inline constexpr ULONG INDEX_DrvReserved7 = 83;
inline constexpr ULONG INDEX_DrvReserved8 = 84;
inline constexpr ULONG INDEX_DrvDeriveSurface = 85;
inline constexpr ULONG INDEX_DrvQueryGlyphAttrs = 86;
inline constexpr ULONG INDEX_DrvNotify = 87;
inline constexpr ULONG INDEX_DrvSynchronizeSurface = 88;
inline constexpr ULONG INDEX_DrvResetDevice = 89;
inline constexpr ULONG INDEX_DrvReserved9 = 90;
inline constexpr ULONG INDEX_DrvReserved10 = 91;
inline constexpr ULONG INDEX_DrvReserved11 = 92;
#endif
// Numbers added in later versions of the interface (not every SDK defines them).
#ifndef INDEX_DrvRenderHint
inline constexpr ULONG INDEX_DrvRenderHint = 93;
inline constexpr ULONG INDEX_DrvCreateDeviceBitmapEx = 94;
inline constexpr ULONG INDEX_DrvDeleteDeviceBitmapEx = 95;
inline constexpr ULONG INDEX_DrvAssociateSharedSurface = 96;
inline constexpr ULONG INDEX_DrvSynchronizeRedirectionBitmaps = 97;
inline constexpr ULONG INDEX_DrvAccumulateD3DDirtyRect = 98;
inline constexpr ULONG INDEX_DrvStartDxInterop = 99;
inline constexpr ULONG INDEX_DrvEndDxInterop = 100;
inline constexpr ULONG INDEX_DrvLockDisplayArea = 101;
inline constexpr ULONG INDEX_DrvUnlockDisplayArea = 102;
inline constexpr ULONG INDEX_DrvSurfaceComplete = 103;
#endif

// ---------------------------------------------------------------------------------------
// Prototypes of the DDI functions a render plug-in hooks.

using PFN_DrvRealizeBrush = BOOL(ZENTA_STDCALL*)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern,
                                                 SURFOBJ* psoMask, XLATEOBJ* pxlo, ULONG iHatch);
using PFN_DrvCopyBits = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                             RECTL* prclDest, POINTL* pptlSrc);
using PFN_DrvBitBlt = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                           XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                                           BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
using PFN_DrvStretchBlt = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                               CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                               POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                               POINTL* pptlMask, ULONG iMode);
using PFN_DrvStretchBltROP = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                                  CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                                  POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                                  POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4);
using PFN_DrvPlgBlt = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco,
                                           XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlBrushOrg,
                                           POINTFIX* pptfx, RECTL* prcl, POINTL* pptl, ULONG iMode);
using PFN_DrvTransparentBlt = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco,
                                                   XLATEOBJ* pxlo, RECTL* prclDst, RECTL* prclSrc,
                                                   ULONG iTransColor, ULONG ulReserved);
using PFN_DrvAlphaBlend = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco,
                                               XLATEOBJ* pxlo, RECTL* prclDest, RECTL* prclSrc,
                                               BLENDOBJ* pBlendObj);
using PFN_DrvGradientFill = BOOL(ZENTA_STDCALL*)(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                                 TRIVERTEX* pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh,
                                                 RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode);
using PFN_DrvTextOut = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                            RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                            BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
using PFN_DrvStrokePath = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                               BRUSHOBJ* pbo, POINTL* pptlBrushOrg, LINEATTRS* plineattrs,
                                               MIX mix);
using PFN_DrvFillPath = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                             POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
using PFN_DrvStrokeAndFillPath = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                                      BRUSHOBJ* pboStroke, LINEATTRS* plineattrs,
                                                      BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                                      FLONG flOptions);
using PFN_DrvStartPage = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso);
using PFN_DrvSendPage = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso);
using PFN_DrvEscape = ULONG(ZENTA_STDCALL*)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                            PVOID pvOut);
using PFN_DrvStartDoc = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId);
using PFN_DrvEndDoc = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, FLONG fl);
using PFN_DrvQueryFont = IFIMETRICS*(ZENTA_STDCALL*)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace,
                                                     ULONG_PTR* pid);
using PFN_DrvQueryFontTree = PVOID(ZENTA_STDCALL*)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode,
                                                   ULONG_PTR* pid);
using PFN_DrvQueryFontData = LONG(ZENTA_STDCALL*)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg,
                                                  GLYPHDATA* pgd, PVOID pv, ULONG cjSize);
using PFN_DrvQueryAdvanceWidths = BOOL(ZENTA_STDCALL*)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg,
                                                       PVOID pvWidths, ULONG cGlyphs);
using PFN_DrvFontManagement = ULONG(ZENTA_STDCALL*)(SURFOBJ* pso, FONTOBJ* pfo, ULONG iMode, ULONG cjIn,
                                                    PVOID pvIn, ULONG cjOut, PVOID pvOut);
using PFN_DrvGetGlyphMode = ULONG(ZENTA_STDCALL*)(DHPDEV dhpdev, FONTOBJ* pfo);
using PFN_DrvIcmCreateColorTransform = HANDLE(ZENTA_STDCALL*)(DHPDEV dhpdev, LOGCOLORSPACEW* pLogColorSpace,
                                                              PVOID pvSourceProfile, ULONG cjSourceProfile,
                                                              PVOID pvDestProfile, ULONG cjDestProfile,
                                                              PVOID pvTargetProfile, ULONG cjTargetProfile,
                                                              DWORD dwReserved);
using PFN_DrvIcmDeleteColorTransform = BOOL(ZENTA_STDCALL*)(DHPDEV dhpdev, HANDLE hcmXform);
using PFN_DrvQueryDeviceSupport = BOOL(ZENTA_STDCALL*)(SURFOBJ* pso, XLATEOBJ* pxlo, XFORMOBJ* pxo,
                                                       ULONG iType, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                                       PVOID pvOut);

// ---------------------------------------------------------------------------------------
// Escapes (DrvEscape's iEsc) and the GET_PS_FEATURESETTING feature numbers.

#ifndef QUERYESCSUPPORT
inline constexpr ULONG QUERYESCSUPPORT = 8;
inline constexpr ULONG POSTSCRIPT_DATA = 37;
inline constexpr ULONG POSTSCRIPT_IGNORE = 38;
inline constexpr ULONG POSTSCRIPT_PASSTHROUGH = 4115;
inline constexpr ULONG POSTSCRIPT_IDENTIFY = 4117;
inline constexpr ULONG POSTSCRIPT_INJECTION = 4118;
inline constexpr ULONG GET_PS_FEATURESETTING = 4121;
inline constexpr ULONG FEATURESETTING_NUP = 0;
#endif

}  // namespace zenta::abi
