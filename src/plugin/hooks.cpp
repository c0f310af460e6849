#include "plugin/hooks.h"

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>

#include "environment/printer.h"
#include "environment/wake_up.h"
#include "plugin/pdev.h"
#include "plugin/refresh.h"
#include "settings/plugin_devmode.h"
#include "util/byte_order.h"

namespace zenta::plugin {
namespace {

using namespace abi;

// Hook positions, in table order.
enum Hook : std::size_t {
    kRealizeBrush,
    kCopyBits,
    kBitBlt,
    kStretchBlt,
    kStretchBltROP,
    kPlgBlt,
    kTransparentBlt,
    kAlphaBlend,
    kGradientFill,
    kTextOut,
    kStrokePath,
    kFillPath,
    kStrokeAndFillPath,
    kStartPage,
    kSendPage,
    kEscape,
    kStartDoc,
    kEndDoc,
    kQueryFont,
    kQueryFontTree,
    kQueryFontData,
    kQueryAdvanceWidths,
    kFontManagement,
    kGetGlyphMode,
    kIcmCreateColorTransform,
    kIcmDeleteColorTransform,
    kQueryDeviceSupport,
};
static_assert(kQueryDeviceSupport + 1 == kHookCount);

// The device object of a call: the surface's dhpdev. For the calls with a target and a source
// surface it is the target's, or the source's when the target is not a surface of this device.
DEVOBJ* devobj_of(const SURFOBJ* target, const SURFOBJ* source = nullptr) {
    if (target && target->dhpdev) return reinterpret_cast<DEVOBJ*>(target->dhpdev);
    if (source && source->dhpdev) return reinterpret_cast<DEVOBJ*>(source->dhpdev);
    return nullptr;
}
DEVOBJ* devobj_of(DHPDEV dhpdev) { return reinterpret_cast<DEVOBJ*>(dhpdev); }

// ---- Document bookkeeping, before the driver's own function runs -------------------------------

void take_surface_size(PluginPdev& pdev, const SURFOBJ* pso) {
    if (!pso) return;
    pdev.document.surface_width = static_cast<std::uint32_t>(pso->sizlBitmap.cx);
    pdev.document.surface_height = static_cast<std::uint32_t>(pso->sizlBitmap.cy);
}

// A document begins: its job id and name when given, the surface, and at the first document of
// this device context the job settings of the plug-in devmode.
void start_document(DEVOBJ* devobj, const SURFOBJ* pso, const char16_t* name, DWORD job_id) {
    PluginPdev* pdev = pdev_of(devobj);
    if (!pdev) return;
    if (job_id != 0) pdev->job_id = job_id;
    if (name) {
        auto& document_name = pdev->document.document_name;
        document_name.fill(0);
        for (std::size_t i = 0; i + 1 < document_name.size() && name[i] != 0; ++i) document_name[i] = name[i];
    }
    take_surface_size(*pdev, pso);
    if (++pdev->start_doc_count != 1) return;
    const auto* block = static_cast<const std::uint8_t*>(devobj->pOEMDM);
    pdev->record_captured = block && settings::is_plugin_devmode(block, util::load_le32(block));
    if (pdev->record_captured) {
        const auto bytes = settings::record_bytes(block);
        std::copy(bytes.begin(), bytes.end(), pdev->record.bytes.begin());
    }
}

void start_page(DEVOBJ* devobj, const SURFOBJ* pso) {
    if (PluginPdev* pdev = pdev_of(devobj)) take_surface_size(*pdev, pso);
}

// The document ends: its name and surface are forgotten; the counts stay for the device context.
void end_document(DEVOBJ* devobj) {
    PluginPdev* pdev = pdev_of(devobj);
    if (!pdev) return;
    pdev->document.document_name.fill(0);
    pdev->document.surface_width = 0;
    pdev->document.surface_height = 0;
}

// What a hook answers when there is no driver function to forward to: the DDI's own failure
// value (FALSE, 0 or null; FD_ERROR for DrvQueryFontData, whose LONG result is a size).
template <Hook P, class R>
R failure() {
    if constexpr (P == kQueryFontData)
        return -1;
    else
        return R{};
}

// Calls the driver's own function in slot `P` with exactly the arguments the hook received and
// returns its result unchanged.
template <Hook P, class Fn, class... Args>
auto forward(const DEVOBJ* devobj, Args... args) {
    using Result = std::invoke_result_t<Fn, Args...>;
    const PluginPdev* pdev = pdev_of(devobj);
    if (!pdev || !pdev->driver_hooks[P]) return failure<P, Result>();
    return from_pfn<Fn>(pdev->driver_hooks[P])(args...);
}

// ---- the hooks

// Answers success without reaching the driver.
BOOL ZENTA_STDCALL HookRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return 1; }

BOOL ZENTA_STDCALL HookCopyBits(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                POINTL* pptlSrc) {
    return forward<kCopyBits, PFN_DrvCopyBits>(devobj_of(dst, src), dst, src, pco, pxlo, prclDest, pptlSrc);
}

BOOL ZENTA_STDCALL HookBitBlt(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                              RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                              POINTL* pptlBrush, ROP4 rop4) {
    return forward<kBitBlt, PFN_DrvBitBlt>(devobj_of(trg, src), trg, src, mask, pco, pxlo, prclTrg, pptlSrc,
                                           pptlMask, pbo, pptlBrush, rop4);
}

BOOL ZENTA_STDCALL HookStretchBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                  COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                  POINTL* pptlMask, ULONG iMode) {
    return forward<kStretchBlt, PFN_DrvStretchBlt>(devobj_of(dst, src), dst, src, mask, pco, pxlo, pca,
                                                   pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
}

BOOL ZENTA_STDCALL HookStretchBltROP(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                     COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                     POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4) {
    return forward<kStretchBltROP, PFN_DrvStretchBltROP>(devobj_of(dst, src), dst, src, mask, pco, pxlo, pca,
                                                         pptlHTOrg, prclDest, prclSrc, pptlMask, iMode, pbo,
                                                         rop4);
}

BOOL ZENTA_STDCALL HookPlgBlt(SURFOBJ* trg, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                              COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl,
                              POINTL* pptl, ULONG iMode) {
    return forward<kPlgBlt, PFN_DrvPlgBlt>(devobj_of(trg, src), trg, src, mask, pco, pxlo, pca, pptlBrushOrg,
                                           pptfx, prcl, pptl, iMode);
}

BOOL ZENTA_STDCALL HookTransparentBlt(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      RECTL* prclDst, RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved) {
    return forward<kTransparentBlt, PFN_DrvTransparentBlt>(devobj_of(dst, src), dst, src, pco, pxlo, prclDst,
                                                           prclSrc, iTransColor, ulReserved);
}

BOOL ZENTA_STDCALL HookAlphaBlend(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                  RECTL* prclSrc, BLENDOBJ* pBlendObj) {
    return forward<kAlphaBlend, PFN_DrvAlphaBlend>(devobj_of(dst, src), dst, src, pco, pxlo, prclDest,
                                                   prclSrc, pBlendObj);
}

BOOL ZENTA_STDCALL HookGradientFill(SURFOBJ* dst, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex,
                                    ULONG nVertex, PVOID pMesh, ULONG nMesh, RECTL* prclExtents,
                                    POINTL* pptlDitherOrg, ULONG ulMode) {
    return forward<kGradientFill, PFN_DrvGradientFill>(devobj_of(dst), dst, pco, pxlo, pVertex, nVertex,
                                                       pMesh, nMesh, prclExtents, pptlDitherOrg, ulMode);
}

BOOL ZENTA_STDCALL HookTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                               RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                               MIX mix) {
    return forward<kTextOut, PFN_DrvTextOut>(devobj_of(pso), pso, pstro, pfo, pco, prclExtra, prclOpaque,
                                             pboFore, pboOpaque, pptlOrg, mix);
}

BOOL ZENTA_STDCALL HookStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                  POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    return forward<kStrokePath, PFN_DrvStrokePath>(devobj_of(pso), pso, ppo, pco, pxo, pbo, pptlBrushOrg,
                                                   plineattrs, mix);
}

BOOL ZENTA_STDCALL HookFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                MIX mix, FLONG flOptions) {
    return forward<kFillPath, PFN_DrvFillPath>(devobj_of(pso), pso, ppo, pco, pbo, pptlBrushOrg, mix,
                                               flOptions);
}

BOOL ZENTA_STDCALL HookStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                         BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                         POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions) {
    return forward<kStrokeAndFillPath, PFN_DrvStrokeAndFillPath>(
        devobj_of(pso), pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill, flOptions);
}

BOOL ZENTA_STDCALL HookStartPage(SURFOBJ* pso) {
    start_page(devobj_of(pso), pso);
    refresh_credentials(devobj_of(pso));
    return forward<kStartPage, PFN_DrvStartPage>(devobj_of(pso), pso);
}

BOOL ZENTA_STDCALL HookSendPage(SURFOBJ* pso) {
    return forward<kSendPage, PFN_DrvSendPage>(devobj_of(pso), pso);
}

// Declines the pass-through escapes when the printer asks for it, and answers the N-up setting
// itself when the plug-in prints N-up or tab sheets; the driver answers everything else.
ULONG ZENTA_STDCALL HookEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    if (const auto answer = answer_escape(devobj_of(pso), iEsc, cjIn, pvIn, cjOut, pvOut)) return *answer;
    return forward<kEscape, PFN_DrvEscape>(devobj_of(pso), pso, iEsc, cjIn, pvIn, cjOut, pvOut);
}

// The printer is woken first of all, so that it is awake by the time the job reaches it.
void wake_printer_of(const DEVOBJ* devobj) {
    if (!devobj || !devobj->hPrinter) return;
    const std::u16string name = environment::PrinterConnection::borrow(devobj->hPrinter).printer_name();
    if (!name.empty()) environment::wake_printer(name);
}

BOOL ZENTA_STDCALL HookStartDoc(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId) {
    wake_printer_of(devobj_of(pso));
    start_document(devobj_of(pso), pso, pwszDocName, dwJobId);
    refresh_credentials(devobj_of(pso));
    return forward<kStartDoc, PFN_DrvStartDoc>(devobj_of(pso), pso, pwszDocName, dwJobId);
}

BOOL ZENTA_STDCALL HookEndDoc(SURFOBJ* pso, FLONG fl) {
    end_document(devobj_of(pso));
    return forward<kEndDoc, PFN_DrvEndDoc>(devobj_of(pso), pso, fl);
}

IFIMETRICS* ZENTA_STDCALL HookQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid) {
    return forward<kQueryFont, PFN_DrvQueryFont>(devobj_of(dhpdev), dhpdev, iFile, iFace, pid);
}

PVOID ZENTA_STDCALL HookQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode,
                                      ULONG_PTR* pid) {
    return forward<kQueryFontTree, PFN_DrvQueryFontTree>(devobj_of(dhpdev), dhpdev, iFile, iFace, iMode, pid);
}

LONG ZENTA_STDCALL HookQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd,
                                     PVOID pv, ULONG cjSize) {
    return forward<kQueryFontData, PFN_DrvQueryFontData>(devobj_of(dhpdev), dhpdev, pfo, iMode, hg, pgd, pv,
                                                         cjSize);
}

BOOL ZENTA_STDCALL HookQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg,
                                          PVOID pvWidths, ULONG cGlyphs) {
    return forward<kQueryAdvanceWidths, PFN_DrvQueryAdvanceWidths>(devobj_of(dhpdev), dhpdev, pfo, iMode, phg,
                                                                   pvWidths, cGlyphs);
}

ULONG ZENTA_STDCALL HookFontManagement(SURFOBJ* pso, FONTOBJ* pfo, ULONG iMode, ULONG cjIn, PVOID pvIn,
                                       ULONG cjOut, PVOID pvOut) {
    return forward<kFontManagement, PFN_DrvFontManagement>(devobj_of(pso), pso, pfo, iMode, cjIn, pvIn, cjOut,
                                                           pvOut);
}

ULONG ZENTA_STDCALL HookGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo) {
    return forward<kGetGlyphMode, PFN_DrvGetGlyphMode>(devobj_of(dhpdev), dhpdev, pfo);
}

HANDLE ZENTA_STDCALL HookIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* pLogColorSpace,
                                                 PVOID pvSourceProfile, ULONG cjSourceProfile,
                                                 PVOID pvDestProfile, ULONG cjDestProfile,
                                                 PVOID pvTargetProfile, ULONG cjTargetProfile,
                                                 DWORD dwReserved) {
    return forward<kIcmCreateColorTransform, PFN_DrvIcmCreateColorTransform>(
        devobj_of(dhpdev), dhpdev, pLogColorSpace, pvSourceProfile, cjSourceProfile, pvDestProfile,
        cjDestProfile, pvTargetProfile, cjTargetProfile, dwReserved);
}

BOOL ZENTA_STDCALL HookIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE hcmXform) {
    return forward<kIcmDeleteColorTransform, PFN_DrvIcmDeleteColorTransform>(devobj_of(dhpdev), dhpdev,
                                                                             hcmXform);
}

BOOL ZENTA_STDCALL HookQueryDeviceSupport(SURFOBJ* pso, XLATEOBJ* pxlo, XFORMOBJ* pxo, ULONG iType,
                                          ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    return forward<kQueryDeviceSupport, PFN_DrvQueryDeviceSupport>(devobj_of(pso), pso, pxlo, pxo, iType,
                                                                   cjIn, pvIn, cjOut, pvOut);
}

}  // namespace

std::span<DRVFN> hook_table() {
    static std::array<DRVFN, kHookCount> table{{
        {INDEX_DrvRealizeBrush, to_pfn(HookRealizeBrush)},
        {INDEX_DrvCopyBits, to_pfn(HookCopyBits)},
        {INDEX_DrvBitBlt, to_pfn(HookBitBlt)},
        {INDEX_DrvStretchBlt, to_pfn(HookStretchBlt)},
        {INDEX_DrvStretchBltROP, to_pfn(HookStretchBltROP)},
        {INDEX_DrvPlgBlt, to_pfn(HookPlgBlt)},
        {INDEX_DrvTransparentBlt, to_pfn(HookTransparentBlt)},
        {INDEX_DrvAlphaBlend, to_pfn(HookAlphaBlend)},
        {INDEX_DrvGradientFill, to_pfn(HookGradientFill)},
        {INDEX_DrvTextOut, to_pfn(HookTextOut)},
        {INDEX_DrvStrokePath, to_pfn(HookStrokePath)},
        {INDEX_DrvFillPath, to_pfn(HookFillPath)},
        {INDEX_DrvStrokeAndFillPath, to_pfn(HookStrokeAndFillPath)},
        {INDEX_DrvStartPage, to_pfn(HookStartPage)},
        {INDEX_DrvSendPage, to_pfn(HookSendPage)},
        {INDEX_DrvEscape, to_pfn(HookEscape)},
        {INDEX_DrvStartDoc, to_pfn(HookStartDoc)},
        {INDEX_DrvEndDoc, to_pfn(HookEndDoc)},
        {INDEX_DrvQueryFont, to_pfn(HookQueryFont)},
        {INDEX_DrvQueryFontTree, to_pfn(HookQueryFontTree)},
        {INDEX_DrvQueryFontData, to_pfn(HookQueryFontData)},
        {INDEX_DrvQueryAdvanceWidths, to_pfn(HookQueryAdvanceWidths)},
        {INDEX_DrvFontManagement, to_pfn(HookFontManagement)},
        {INDEX_DrvGetGlyphMode, to_pfn(HookGetGlyphMode)},
        {INDEX_DrvIcmCreateColorTransform, to_pfn(HookIcmCreateColorTransform)},
        {INDEX_DrvIcmDeleteColorTransform, to_pfn(HookIcmDeleteColorTransform)},
        {INDEX_DrvQueryDeviceSupport, to_pfn(HookQueryDeviceSupport)},
    }};
    return table;
}

}  // namespace zenta::plugin
