#include "plugin/render_object.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "abi/guids.h"
#include "abi/hresult.h"
#include "platform/last_error.h"
#include "plugin/command.h"
#include "plugin/devmode.h"
#include "plugin/geometry.h"
#include "plugin/hooks.h"
#include "plugin/pdev.h"
#include "settings/layout_version.h"
#include "settings/plugin_devmode.h"
#include "util/byte_order.h"

namespace zenta::plugin {

using namespace abi;

namespace {

// "ZTQV" read as a big-endian number.
constexpr DWORD kSignature = 0x5A545156;

// The GDIINFO size up to and including the page fields the plug-in adjusts.
constexpr ULONG kGdiInfoSize = 320;

// The job settings behind the device's plug-in devmode, or nothing. A block that is there but
// fails the acceptance test counts as no plug-in devmode: its record cannot be trusted, so the
// driver's geometry stays as it is.
bool device_record(const DEVOBJ* devobj, settings::Record& record) {
    const auto* block = devobj ? static_cast<const std::uint8_t*>(devobj->pOEMDM) : nullptr;
    if (!block || !settings::is_plugin_devmode(block, util::load_le32(block))) return false;
    const auto bytes = settings::record_bytes(block);
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    return true;
}

// dmScale of the public DEVMODE when it sets DM_SCALE and reaches that far, else 0.
std::int32_t devmode_scale(DEVOBJ* devobj) {
    const std::span<std::uint8_t> dm = devmode_bytes(devobj->pPublicDM, devobj->pOEMDM);
    if (dm.size() < offsetof(DEVMODEW, dmScale) + sizeof(SHORT)) return 0;
    const DEVMODEW* public_dm = devobj->pPublicDM;
    if (!(public_dm->dmFields & DM_SCALE)) return 0;
    return public_dm->dmScale;
}

}  // namespace

// ---- IUnknown

HRESULT IOemPS::QueryInterface(const IID& riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPrintOemPS || riid == IID_IPrintOemPS2) {
        AddRef();
        *ppv = static_cast<IPrintOemPS2*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG IOemPS::AddRef() { return refs_.add_ref(); }

ULONG IOemPS::Release() {
    const ULONG count = refs_.release();
    if (count == 0) {
        release_helpers();
        delete this;
    }
    return count;
}

void IOemPS::release_helpers() {
    if (driver_helper_) {
        driver_helper_->Release();
        driver_helper_ = nullptr;
    }
    if (core_helper_) {
        core_helper_->Release();
        core_helper_ = nullptr;
    }
}

// ---- identification

HRESULT IOemPS::GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
    if (!needed) {
        platform::set_last_error(platform::kErrorInvalidParameter);
        return E_FAIL;
    }
    if (mode == OEMGI_GETPUBLISHERINFO) {
        *needed = 8;
        return E_NOTIMPL;
    }
    if (mode != OEMGI_GETSIGNATURE && mode != OEMGI_GETVERSION &&
        mode != OEMGI_GETREQUESTEDHELPERINTERFACES) {
        platform::set_last_error(platform::kErrorInvalidParameter);
        return E_FAIL;
    }
    *needed = sizeof(DWORD);
    if (size < sizeof(DWORD) || !buffer) {
        platform::set_last_error(platform::kErrorInsufficientBuffer);
        return E_FAIL;
    }
    DWORD value = 0;
    switch (mode) {
        case OEMGI_GETSIGNATURE:
            value = kSignature;
            break;
        case OEMGI_GETVERSION:
            value = settings::layout_version();
            break;
        default:
            value = OEMPUBLISH_IPRINTCOREHELPER;
            break;
    }
    util::store_le32(static_cast<std::uint8_t*>(buffer), value);
    return S_OK;
}

HRESULT IOemPS::PublishDriverInterface(IUnknown* driver_object) {
    if (!driver_object) return E_FAIL;
    if (!core_helper_) {
        void* core = nullptr;
        if (driver_object->QueryInterface(IID_IPrintCorePS2, &core) == S_OK)
            core_helper_ = static_cast<IPrintCorePS2*>(core);
    }
    if (driver_helper_) return S_OK;
    void* driver = nullptr;
    if (driver_object->QueryInterface(IID_IPrintOemDriverPS, &driver) == S_OK && driver) {
        driver_helper_ = static_cast<IPrintOemDriverPS*>(driver);
        return S_OK;
    }
    driver_helper_ = nullptr;
    return E_FAIL;
}

// ---- the device context

HRESULT IOemPS::EnableDriver(DWORD, DWORD, DRVENABLEDATA* ded) {
    if (!ded) return S_OK;
    const auto hooks = hook_table();
    ded->iDriverVersion = PRINTER_OEMINTF_VERSION;
    ded->c = static_cast<ULONG>(hooks.size());
    ded->pdrvfn = hooks.data();
    return S_OK;
}

HRESULT IOemPS::DisableDriver() {
    release_helpers();
    return S_OK;
}

HRESULT IOemPS::EnablePDEV(DEVOBJ* devobj, PWSTR, ULONG, HSURF*, ULONG gdi_info_size, GDIINFO* gdi_info,
                           ULONG, DEVINFO*, DRVENABLEDATA* ded, PDEVOEM* dev_oem) {
    if (!dev_oem) return E_FAIL;
    *dev_oem = nullptr;
    PluginPdev* pdev = new (std::nothrow) PluginPdev();
    if (!pdev) return E_OUTOFMEMORY;
    *dev_oem = pdev;

    // The driver's own entry point for every hooked function, found by DDI index.
    const auto hooks = hook_table();
    if (ded && ded->pdrvfn) {
        for (std::size_t slot = 0; slot < hooks.size(); ++slot) {
            for (ULONG i = 0; i < ded->c; ++i) {
                if (ded->pdrvfn[i].iFunc == hooks[slot].iFunc) {
                    pdev->driver_hooks[slot] = ded->pdrvfn[i].pfn;
                    break;
                }
            }
        }
    }

    // The page the driver reports, as the job settings ask for it.
    if (!gdi_info || gdi_info_size < kGdiInfoSize) return S_OK;
    const std::unique_ptr<settings::Record> record(new (std::nothrow) settings::Record());
    if (!record || !device_record(devobj, *record)) return S_OK;
    adjust_gdi_info(*gdi_info, *record, devmode_scale(devobj));
    return S_OK;
}

HRESULT IOemPS::DisablePDEV(DEVOBJ* devobj) {
    if (devobj && devobj->pdevOEM) {
        delete static_cast<PluginPdev*>(devobj->pdevOEM);
        devobj->pdevOEM = nullptr;
    }
    return S_OK;
}

HRESULT IOemPS::DevMode(DWORD mode, OEMDMPARAM* param) {
    // The driver object is a DEVOBJ; its pdevOEM is this plug-in's PDEV once one is enabled.
    const PluginPdev* pdev = param ? pdev_of(static_cast<const DEVOBJ*>(param->pdriverobj)) : nullptr;
    if (devmode_operation(mode, param, pdev)) return S_OK;
    platform::set_last_error(platform::kErrorInvalidParameter);
    return E_FAIL;
}

HRESULT IOemPS::ResetPDEV(DEVOBJ* old_devobj, DEVOBJ* new_devobj) {
    // The document in progress survives a DEVMODE change: name, job id, counters, hooks and the
    // captured settings move to the new block.
    PluginPdev* from = pdev_of(old_devobj);
    PluginPdev* to = pdev_of(new_devobj);
    if (from && to && from != to) *to = *from;
    return S_OK;
}

// ---- the print stream

HRESULT IOemPS::Command(DEVOBJ* devobj, DWORD index, PVOID, DWORD, DWORD* result) {
    // At a point the plug-in does not take part in, the driver does its default.
    const bool handled = run_command(devobj, index, driver_helper_, core_helper_);
    if (result) *result = handled ? 0 : platform::kErrorNotSupported;
    return S_OK;
}

// ---- not taken over by the plug-in

HRESULT IOemPS::WritePrinter(DEVOBJ*, PVOID, DWORD, PDWORD) { return E_NOTIMPL; }

// ---- the page geometry

// Only the imageable area is adjusted; other adjustment types and short buffers are the
// driver's (S_FALSE). Without job settings the rectangle stays as it is.
HRESULT IOemPS::GetPDEVAdjustment(DEVOBJ* devobj, DWORD adjust_type, PVOID buffer, DWORD size, BOOL* done) {
    if (adjust_type != PDEV_ADJUST_PAPER_MARGIN_TYPE || size < sizeof(PDEV_ADJUST_PAPER_MARGIN) || !buffer)
        return S_FALSE;
    const std::unique_ptr<settings::Record> record(new (std::nothrow) settings::Record());
    if (!record || !device_record(devobj, *record)) return S_OK;
    RECTL area;
    std::memcpy(&area, buffer, sizeof area);
    const bool changed = adjust_imageable_area(area, *record);
    std::memcpy(buffer, &area, sizeof area);
    if (done) *done = changed ? 1 : 0;
    return S_OK;
}

}  // namespace zenta::plugin
