// Cross-check of the driver plug-in ABI declarations against the Windows SDK headers of
// the toolchain: every structure both declare has the same size and field offsets, every
// constant both define has the same value, and the identifiers the SDK defines are the
// same 16 bytes. Built for Windows only; the native build has no SDK to compare with.
//
// Our values are captured before <windows.h> is included, since that header turns many of
// the same names into macros.

#ifdef _WIN32

#include "abi/abi.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>

// Constants that the SDK headers define too.
// clang-format off
#define ZENTA_SDK_CONSTANTS(X)                                                             \
  X(S_OK) X(S_FALSE) X(E_NOTIMPL) X(E_NOINTERFACE) X(E_POINTER) X(E_ABORT) X(E_FAIL)       \
  X(E_UNEXPECTED) X(E_ACCESSDENIED) X(E_HANDLE) X(E_OUTOFMEMORY) X(E_INVALIDARG)           \
  X(CLASS_E_NOAGGREGATION) X(CLASS_E_CLASSNOTAVAILABLE) X(FACILITY_WIN32)                  \
  X(ERROR_SUCCESS) X(ERROR_FILE_NOT_FOUND) X(ERROR_PATH_NOT_FOUND) X(ERROR_ACCESS_DENIED)  \
  X(ERROR_INVALID_HANDLE) X(ERROR_NOT_ENOUGH_MEMORY) X(ERROR_INVALID_DATA)                 \
  X(ERROR_OUTOFMEMORY) X(ERROR_NOT_SUPPORTED) X(ERROR_INVALID_PARAMETER)                   \
  X(ERROR_INSUFFICIENT_BUFFER) X(ERROR_MORE_DATA) X(ERROR_NO_MORE_ITEMS)                   \
  X(ERROR_INCORRECT_SIZE) X(ERROR_INVALID_PRINTER_NAME)                                    \
  X(REG_NONE) X(REG_SZ) X(REG_EXPAND_SZ) X(REG_BINARY) X(REG_DWORD) X(REG_MULTI_SZ)       \
  X(CCHDEVICENAME) X(CCHFORMNAME) X(DM_SPECVERSION)                                        \
  X(DM_ORIENTATION) X(DM_PAPERSIZE) X(DM_PAPERLENGTH) X(DM_PAPERWIDTH) X(DM_SCALE)         \
  X(DM_POSITION) X(DM_NUP) X(DM_DISPLAYORIENTATION) X(DM_COPIES) X(DM_DEFAULTSOURCE)       \
  X(DM_PRINTQUALITY) X(DM_COLOR) X(DM_DUPLEX) X(DM_YRESOLUTION) X(DM_TTOPTION)             \
  X(DM_COLLATE) X(DM_FORMNAME) X(DM_LOGPIXELS) X(DM_BITSPERPEL) X(DM_PELSWIDTH)            \
  X(DM_PELSHEIGHT) X(DM_DISPLAYFLAGS) X(DM_DISPLAYFREQUENCY) X(DM_ICMMETHOD)               \
  X(DM_ICMINTENT) X(DM_MEDIATYPE) X(DM_DITHERTYPE) X(DM_PANNINGWIDTH)                      \
  X(DM_PANNINGHEIGHT) X(DM_DISPLAYFIXEDOUTPUT)                                             \
  X(DMORIENT_PORTRAIT) X(DMORIENT_LANDSCAPE)                                               \
  X(DMPAPER_LETTER) X(DMPAPER_FIRST) X(DMPAPER_A4) X(DMPAPER_PENV_10_ROTATED)              \
  X(DMPAPER_LAST) X(DMPAPER_USER)                                                          \
  X(DMBIN_UPPER) X(DMBIN_FIRST) X(DMBIN_ONLYONE) X(DMBIN_LOWER) X(DMBIN_MIDDLE)            \
  X(DMBIN_MANUAL) X(DMBIN_ENVELOPE) X(DMBIN_ENVMANUAL) X(DMBIN_AUTO) X(DMBIN_TRACTOR)      \
  X(DMBIN_SMALLFMT) X(DMBIN_LARGEFMT) X(DMBIN_LARGECAPACITY) X(DMBIN_CASSETTE)             \
  X(DMBIN_FORMSOURCE) X(DMBIN_LAST) X(DMBIN_USER)                                          \
  X(DMRES_DRAFT) X(DMRES_LOW) X(DMRES_MEDIUM) X(DMRES_HIGH)                                \
  X(DMCOLOR_MONOCHROME) X(DMCOLOR_COLOR) X(DMDUP_SIMPLEX) X(DMDUP_VERTICAL)                \
  X(DMDUP_HORIZONTAL) X(DMCOLLATE_FALSE) X(DMCOLLATE_TRUE) X(DMNUP_SYSTEM) X(DMNUP_ONEUP)  \
  X(PSINJECT_BEGINSTREAM) X(PSINJECT_PSADOBE) X(PSINJECT_PAGESATEND) X(PSINJECT_PAGES)     \
  X(PSINJECT_DOCNEEDEDRES) X(PSINJECT_DOCSUPPLIEDRES) X(PSINJECT_PAGEORDER)                \
  X(PSINJECT_ORIENTATION) X(PSINJECT_BOUNDINGBOX) X(PSINJECT_DOCUMENTPROCESSCOLORS)        \
  X(PSINJECT_COMMENTS) X(PSINJECT_BEGINDEFAULTS) X(PSINJECT_ENDDEFAULTS)                   \
  X(PSINJECT_BEGINPROLOG) X(PSINJECT_ENDPROLOG) X(PSINJECT_BEGINSETUP)                     \
  X(PSINJECT_ENDSETUP) X(PSINJECT_TRAILER) X(PSINJECT_EOF) X(PSINJECT_ENDSTREAM)           \
  X(PSINJECT_DOCUMENTPROCESSCOLORSATEND) X(PSINJECT_PAGENUMBER)                            \
  X(PSINJECT_BEGINPAGESETUP) X(PSINJECT_ENDPAGESETUP) X(PSINJECT_PAGETRAILER)              \
  X(PSINJECT_PLATECOLOR) X(PSINJECT_SHOWPAGE) X(PSINJECT_PAGEBBOX)                         \
  X(PSINJECT_ENDPAGECOMMENTS) X(PSINJECT_VMSAVE) X(PSINJECT_VMRESTORE) X(PSINJECT_DLFONT)  \
  X(QUERYESCSUPPORT) X(POSTSCRIPT_DATA) X(POSTSCRIPT_IGNORE) X(POSTSCRIPT_PASSTHROUGH)     \
  X(POSTSCRIPT_IDENTIFY) X(POSTSCRIPT_INJECTION) X(GET_PS_FEATURESETTING)                  \
  X(FEATURESETTING_NUP)
// clang-format on

// DDI function numbers that the SDK's winddi.h defines (the later ones, 93 to 103, it may
// lack).
// clang-format off
#define ZENTA_DDI_INDEXES(X)                                                               \
  X(INDEX_DrvEnablePDEV) X(INDEX_DrvCompletePDEV) X(INDEX_DrvDisablePDEV)                  \
  X(INDEX_DrvEnableSurface) X(INDEX_DrvDisableSurface) X(INDEX_DrvAssertMode)              \
  X(INDEX_DrvOffset) X(INDEX_DrvResetPDEV) X(INDEX_DrvDisableDriver)                       \
  X(INDEX_DrvCreateDeviceBitmap) X(INDEX_DrvDeleteDeviceBitmap) X(INDEX_DrvRealizeBrush)   \
  X(INDEX_DrvDitherColor) X(INDEX_DrvStrokePath) X(INDEX_DrvFillPath)                      \
  X(INDEX_DrvStrokeAndFillPath) X(INDEX_DrvPaint) X(INDEX_DrvBitBlt) X(INDEX_DrvCopyBits)  \
  X(INDEX_DrvStretchBlt) X(INDEX_DrvSetPalette) X(INDEX_DrvTextOut) X(INDEX_DrvEscape)     \
  X(INDEX_DrvDrawEscape) X(INDEX_DrvQueryFont) X(INDEX_DrvQueryFontTree)                   \
  X(INDEX_DrvQueryFontData) X(INDEX_DrvSetPointerShape) X(INDEX_DrvMovePointer)            \
  X(INDEX_DrvLineTo) X(INDEX_DrvSendPage) X(INDEX_DrvStartPage) X(INDEX_DrvEndDoc)         \
  X(INDEX_DrvStartDoc) X(INDEX_DrvGetGlyphMode) X(INDEX_DrvSynchronize)                    \
  X(INDEX_DrvSaveScreenBits) X(INDEX_DrvGetModes) X(INDEX_DrvFree)                         \
  X(INDEX_DrvDestroyFont) X(INDEX_DrvQueryFontCaps) X(INDEX_DrvLoadFontFile)               \
  X(INDEX_DrvUnloadFontFile) X(INDEX_DrvFontManagement) X(INDEX_DrvQueryTrueTypeTable)     \
  X(INDEX_DrvQueryTrueTypeOutline) X(INDEX_DrvGetTrueTypeFile) X(INDEX_DrvQueryFontFile)   \
  X(INDEX_DrvMovePanning) X(INDEX_DrvQueryAdvanceWidths) X(INDEX_DrvSetPixelFormat)        \
  X(INDEX_DrvDescribePixelFormat) X(INDEX_DrvSwapBuffers) X(INDEX_DrvStartBanding)         \
  X(INDEX_DrvNextBand) X(INDEX_DrvGetDirectDrawInfo) X(INDEX_DrvEnableDirectDraw)          \
  X(INDEX_DrvDisableDirectDraw) X(INDEX_DrvQuerySpoolType)                                 \
  X(INDEX_DrvIcmCreateColorTransform) X(INDEX_DrvIcmDeleteColorTransform)                  \
  X(INDEX_DrvIcmCheckBitmapBits) X(INDEX_DrvIcmSetDeviceGammaRamp)                         \
  X(INDEX_DrvGradientFill) X(INDEX_DrvStretchBltROP) X(INDEX_DrvPlgBlt)                    \
  X(INDEX_DrvAlphaBlend) X(INDEX_DrvSynthesizeFont) X(INDEX_DrvGetSynthesizedFontFiles)    \
  X(INDEX_DrvTransparentBlt) X(INDEX_DrvQueryPerBandInfo) X(INDEX_DrvQueryDeviceSupport)   \
  X(INDEX_DrvReserved1) X(INDEX_DrvReserved2) X(INDEX_DrvReserved3) X(INDEX_DrvReserved4)  \
  X(INDEX_DrvReserved5) X(INDEX_DrvReserved6) X(INDEX_DrvReserved7) X(INDEX_DrvReserved8)  \
  X(INDEX_DrvDeriveSurface) X(INDEX_DrvQueryGlyphAttrs) X(INDEX_DrvNotify)                 \
  X(INDEX_DrvSynchronizeSurface) X(INDEX_DrvResetDevice) X(INDEX_DrvReserved9)             \
  X(INDEX_DrvReserved10) X(INDEX_DrvReserved11)
// clang-format on

namespace ours {
#define ZENTA_CAPTURE(name) constexpr long long name##_value = zenta::abi::name;
ZENTA_SDK_CONSTANTS(ZENTA_CAPTURE)
ZENTA_DDI_INDEXES(ZENTA_CAPTURE)
#undef ZENTA_CAPTURE

constexpr long long hresult_from_win32_87 = zenta::abi::HRESULT_FROM_WIN32(87);
constexpr long long hresult_from_win32_1801 = zenta::abi::HRESULT_FROM_WIN32(1801);
constexpr long long hresult_from_win32_0 = zenta::abi::HRESULT_FROM_WIN32(0);
}  // namespace ours

#include <windows.h>

#include <gtest/gtest.h>

#define ZENTA_SAME_VALUE(name) static_assert(ours::name##_value == static_cast<long long>(name), #name);
ZENTA_SDK_CONSTANTS(ZENTA_SAME_VALUE)

static_assert(ours::hresult_from_win32_87 == HRESULT_FROM_WIN32(87));
static_assert(ours::hresult_from_win32_1801 == HRESULT_FROM_WIN32(1801));
static_assert(ours::hresult_from_win32_0 == HRESULT_FROM_WIN32(0));

namespace zabi = zenta::abi;

// Same size and the same offset for every listed field.
#define ZENTA_SAME_FIELD(ours_type, sdk_type, field) \
    static_assert(offsetof(ours_type, field) == offsetof(sdk_type, field), #sdk_type "." #field);
#define ZENTA_SAME_SIZE(ours_type, sdk_type)                                   \
    static_assert(sizeof(ours_type) == sizeof(sdk_type), "sizeof " #sdk_type); \
    static_assert(alignof(ours_type) == alignof(sdk_type), "alignof " #sdk_type);

ZENTA_SAME_SIZE(zabi::GUID, ::GUID)
ZENTA_SAME_FIELD(zabi::GUID, ::GUID, Data2)
ZENTA_SAME_FIELD(zabi::GUID, ::GUID, Data3)
ZENTA_SAME_FIELD(zabi::GUID, ::GUID, Data4)

ZENTA_SAME_SIZE(zabi::POINTL, ::POINTL)
ZENTA_SAME_SIZE(zabi::SIZEL, ::SIZEL)
ZENTA_SAME_SIZE(zabi::RECTL, ::RECTL)
ZENTA_SAME_FIELD(zabi::RECTL, ::RECTL, top)
ZENTA_SAME_FIELD(zabi::RECTL, ::RECTL, right)
ZENTA_SAME_FIELD(zabi::RECTL, ::RECTL, bottom)

// clang-format off
#define ZENTA_DEVMODE_FIELDS(X)                                                             \
  X(dmDeviceName) X(dmSpecVersion) X(dmDriverVersion) X(dmSize) X(dmDriverExtra)            \
  X(dmFields) X(dmOrientation) X(dmPaperSize) X(dmPaperLength) X(dmPaperWidth) X(dmScale)   \
  X(dmCopies) X(dmDefaultSource) X(dmPrintQuality) X(dmColor) X(dmDuplex) X(dmYResolution)  \
  X(dmTTOption) X(dmCollate) X(dmFormName) X(dmLogPixels) X(dmBitsPerPel) X(dmPelsWidth)    \
  X(dmPelsHeight) X(dmDisplayFlags) X(dmNup) X(dmDisplayFrequency) X(dmICMMethod)           \
  X(dmICMIntent) X(dmMediaType) X(dmDitherType) X(dmReserved1) X(dmReserved2)               \
  X(dmPanningWidth) X(dmPanningHeight)
// clang-format on
#define ZENTA_DEVMODE_FIELD(field) ZENTA_SAME_FIELD(zabi::DEVMODEW, ::DEVMODEW, field)
ZENTA_SAME_SIZE(zabi::DEVMODEW, ::DEVMODEW)
ZENTA_DEVMODE_FIELDS(ZENTA_DEVMODE_FIELD)
// The display view of the union shares its bytes with the printer fields.
static_assert(offsetof(zabi::DEVMODEW, dmOrientation) == offsetof(::DEVMODEW, dmPosition));
static_assert(offsetof(zabi::DEVMODEW, dmScale) == offsetof(::DEVMODEW, dmDisplayOrientation));
static_assert(offsetof(zabi::DEVMODEW, dmDefaultSource) == offsetof(::DEVMODEW, dmDisplayFixedOutput));
static_assert(sizeof(zabi::DEVMODEW::dmDeviceName) == sizeof(::DEVMODEW::dmDeviceName));
static_assert(sizeof(zabi::DEVMODEW::dmFormName) == sizeof(::DEVMODEW::dmFormName));

// clang-format off
#define ZENTA_LOGFONT_FIELDS(X)                                                             \
  X(lfWidth) X(lfEscapement) X(lfOrientation) X(lfWeight) X(lfItalic) X(lfUnderline)        \
  X(lfStrikeOut) X(lfCharSet) X(lfOutPrecision) X(lfClipPrecision) X(lfQuality)             \
  X(lfPitchAndFamily) X(lfFaceName)
// clang-format on
#define ZENTA_LOGFONT_FIELD(field) ZENTA_SAME_FIELD(zabi::LOGFONTW, ::LOGFONTW, field)
ZENTA_SAME_SIZE(zabi::LOGFONTW, ::LOGFONTW)
ZENTA_LOGFONT_FIELDS(ZENTA_LOGFONT_FIELD)

// winddi.h needs the DirectDraw DDK headers; where the toolchain ships them, the DDI
// structures, function numbers and hook prototypes are compared as well.
#if __has_include(<ddrawint.h>) && __has_include(<d3dnthal.h>)
#include <winddi.h>

#define ZENTA_SAME_INDEX(name) static_assert(ours::name##_value == static_cast<long long>(name), #name);
ZENTA_DDI_INDEXES(ZENTA_SAME_INDEX)
#ifdef INDEX_DrvRenderHint
static_assert(zabi::INDEX_DrvRenderHint == INDEX_DrvRenderHint);
static_assert(zabi::INDEX_DrvSurfaceComplete == INDEX_DrvSurfaceComplete);
#endif

ZENTA_SAME_SIZE(zabi::DRVFN, ::DRVFN)
ZENTA_SAME_FIELD(zabi::DRVFN, ::DRVFN, pfn)
ZENTA_SAME_SIZE(zabi::DRVENABLEDATA, ::DRVENABLEDATA)
ZENTA_SAME_FIELD(zabi::DRVENABLEDATA, ::DRVENABLEDATA, c)
ZENTA_SAME_FIELD(zabi::DRVENABLEDATA, ::DRVENABLEDATA, pdrvfn)
ZENTA_SAME_SIZE(zabi::POINTFIX, ::POINTFIX)
ZENTA_SAME_SIZE(zabi::CIECHROMA, ::CIECHROMA)
ZENTA_SAME_SIZE(zabi::COLORINFO, ::COLORINFO)
ZENTA_SAME_FIELD(zabi::COLORINFO, ::COLORINFO, AlignmentWhite)
ZENTA_SAME_FIELD(zabi::COLORINFO, ::COLORINFO, MagentaInYellowDye)

// clang-format off
#define ZENTA_GDIINFO_FIELDS(X)                                                             \
  X(ulVersion) X(ulTechnology) X(ulHorzSize) X(ulVertSize) X(ulHorzRes) X(ulVertRes)        \
  X(cBitsPixel) X(cPlanes) X(ulNumColors) X(flRaster) X(ulLogPixelsX) X(ulLogPixelsY)       \
  X(flTextCaps) X(ulDACRed) X(ulDACGreen) X(ulDACBlue) X(ulAspectX) X(ulAspectY)            \
  X(ulAspectXY) X(xStyleStep) X(yStyleStep) X(denStyleStep) X(ptlPhysOffset)                \
  X(szlPhysSize) X(ulNumPalReg) X(ciDevice) X(ulDevicePelsDPI) X(ulPrimaryOrder)            \
  X(ulHTPatternSize) X(ulHTOutputFormat) X(flHTFlags) X(ulVRefresh) X(ulBltAlignment)       \
  X(ulPanningHorzRes) X(ulPanningVertRes) X(xPanningAlignment) X(yPanningAlignment)         \
  X(cxHTPat) X(cyHTPat) X(pHTPatA) X(pHTPatB) X(pHTPatC) X(flShadeBlend)                    \
  X(ulPhysicalPixelCharacteristics) X(ulPhysicalPixelGamma)
// clang-format on
#define ZENTA_GDIINFO_FIELD(field) ZENTA_SAME_FIELD(zabi::GDIINFO, ::GDIINFO, field)
ZENTA_SAME_SIZE(zabi::GDIINFO, ::GDIINFO)
ZENTA_GDIINFO_FIELDS(ZENTA_GDIINFO_FIELD)

// clang-format off
#define ZENTA_DEVINFO_FIELDS(X)                                                             \
  X(flGraphicsCaps) X(lfDefaultFont) X(lfAnsiVarFont) X(lfAnsiFixFont) X(cFonts)            \
  X(iDitherFormat) X(cxDither) X(cyDither) X(hpalDefault) X(flGraphicsCaps2)
// clang-format on
#define ZENTA_DEVINFO_FIELD(field) ZENTA_SAME_FIELD(zabi::DEVINFO, ::DEVINFO, field)
ZENTA_SAME_SIZE(zabi::DEVINFO, ::DEVINFO)
ZENTA_DEVINFO_FIELDS(ZENTA_DEVINFO_FIELD)

// clang-format off
#define ZENTA_SURFOBJ_FIELDS(X)                                                             \
  X(dhsurf) X(hsurf) X(dhpdev) X(hdev) X(sizlBitmap) X(cjBits) X(pvBits) X(pvScan0)         \
  X(lDelta) X(iUniq) X(iBitmapFormat) X(iType) X(fjBitmap)
// clang-format on
#define ZENTA_SURFOBJ_FIELD(field) ZENTA_SAME_FIELD(zabi::SURFOBJ, ::SURFOBJ, field)
ZENTA_SAME_SIZE(zabi::SURFOBJ, ::SURFOBJ)
ZENTA_SURFOBJ_FIELDS(ZENTA_SURFOBJ_FIELD)

// The hooked prototypes: same return width, same number of parameters, same width each.
template <class>
struct Signature;
template <class R, class... A>
struct Signature<R (*)(A...)> {
    static constexpr std::size_t arity = sizeof...(A);
    static constexpr std::size_t result_size = sizeof(R);
    template <std::size_t I>
    static constexpr std::size_t param_size = sizeof(std::tuple_element_t<I, std::tuple<A...>>);
};

template <class Ours, class Sdk, std::size_t... I>
constexpr bool same_params(std::index_sequence<I...>) {
    return ((Signature<Ours>::template param_size<I> == Signature<Sdk>::template param_size<I>)&&...);
}

template <class Ours, class Sdk>
constexpr bool same_signature() {
    if constexpr (Signature<Ours>::arity != Signature<Sdk>::arity) {
        return false;
    } else {
        return Signature<Ours>::result_size == Signature<Sdk>::result_size &&
               same_params<Ours, Sdk>(std::make_index_sequence<Signature<Ours>::arity>{});
    }
}

// clang-format off
#define ZENTA_HOOKED(X)                                                                    \
  X(DrvRealizeBrush) X(DrvCopyBits) X(DrvBitBlt) X(DrvStretchBlt) X(DrvStretchBltROP)      \
  X(DrvPlgBlt) X(DrvTransparentBlt) X(DrvAlphaBlend) X(DrvGradientFill) X(DrvTextOut)      \
  X(DrvStrokePath) X(DrvFillPath) X(DrvStrokeAndFillPath) X(DrvStartPage) X(DrvSendPage)  \
  X(DrvEscape) X(DrvStartDoc) X(DrvEndDoc) X(DrvQueryFont) X(DrvQueryFontTree)             \
  X(DrvQueryFontData) X(DrvQueryAdvanceWidths) X(DrvFontManagement) X(DrvGetGlyphMode)     \
  X(DrvIcmCreateColorTransform) X(DrvIcmDeleteColorTransform) X(DrvQueryDeviceSupport)
// clang-format on
#define ZENTA_SAME_PROTOTYPE(fn) static_assert(same_signature<zabi::PFN_##fn, ::PFN_##fn>(), "PFN_" #fn);
ZENTA_HOOKED(ZENTA_SAME_PROTOTYPE)
#endif  // winddi.h available

namespace {

TEST(AbiWindowsCrossCheck, InterfaceIdentifiersMatchTheSdk) {
    EXPECT_EQ(std::memcmp(&zabi::IID_IUnknown, &__uuidof(::IUnknown), 16), 0);
    EXPECT_EQ(std::memcmp(&zabi::IID_IClassFactory, &__uuidof(::IClassFactory), 16), 0);
}

TEST(AbiWindowsCrossCheck, Win32ErrorMapping) {
    EXPECT_EQ(zabi::HRESULT{ours::hresult_from_win32_87}, E_INVALIDARG);
    EXPECT_EQ(static_cast<uint32_t>(ours::hresult_from_win32_1801),
              static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)));
}

}  // namespace

#endif  // _WIN32
