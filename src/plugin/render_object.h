#pragma once
// IOemPS: the render plug-in object the core driver creates through the class factory and calls
// at every step of rendering.

#include "abi/interfaces.h"
#include "plugin/com_object.h"

namespace zenta::plugin {

class IOemPS final : public abi::IPrintOemPS2 {
public:
    // IUnknown
    abi::HRESULT ZENTA_STDCALL QueryInterface(const abi::IID& riid, void** ppv) override;
    abi::ULONG ZENTA_STDCALL AddRef() override;
    abi::ULONG ZENTA_STDCALL Release() override;

    // IPrintOemCommon
    abi::HRESULT ZENTA_STDCALL GetInfo(abi::DWORD mode, abi::PVOID buffer, abi::DWORD size,
                                       abi::PDWORD needed) override;
    abi::HRESULT ZENTA_STDCALL DevMode(abi::DWORD mode, abi::OEMDMPARAM* param) override;

    // IPrintOemEngine
    abi::HRESULT ZENTA_STDCALL EnableDriver(abi::DWORD driver_version, abi::DWORD size,
                                            abi::DRVENABLEDATA* ded) override;
    abi::HRESULT ZENTA_STDCALL DisableDriver() override;
    abi::HRESULT ZENTA_STDCALL EnablePDEV(abi::DEVOBJ* devobj, abi::PWSTR printer_name, abi::ULONG patterns,
                                          abi::HSURF* pattern_surfaces, abi::ULONG gdi_info_size,
                                          abi::GDIINFO* gdi_info, abi::ULONG dev_info_size,
                                          abi::DEVINFO* dev_info, abi::DRVENABLEDATA* ded,
                                          abi::PDEVOEM* dev_oem) override;
    abi::HRESULT ZENTA_STDCALL DisablePDEV(abi::DEVOBJ* devobj) override;
    abi::HRESULT ZENTA_STDCALL ResetPDEV(abi::DEVOBJ* old_devobj, abi::DEVOBJ* new_devobj) override;

    // IPrintOemPS
    abi::HRESULT ZENTA_STDCALL PublishDriverInterface(abi::IUnknown* driver_object) override;
    abi::HRESULT ZENTA_STDCALL Command(abi::DEVOBJ* devobj, abi::DWORD index, abi::PVOID data,
                                       abi::DWORD size, abi::DWORD* result) override;

    // IPrintOemPS2
    abi::HRESULT ZENTA_STDCALL WritePrinter(abi::DEVOBJ* devobj, abi::PVOID buffer, abi::DWORD size,
                                            abi::PDWORD written) override;
    abi::HRESULT ZENTA_STDCALL GetPDEVAdjustment(abi::DEVOBJ* devobj, abi::DWORD adjust_type,
                                                 abi::PVOID buffer, abi::DWORD size,
                                                 abi::BOOL* adjustment_done) override;

private:
    ~IOemPS() = default;
    void release_helpers();

    RefCount refs_;
    // The driver's helpers, each taken at most once and held with one reference until
    // DisableDriver or the object's end.
    abi::IPrintOemDriverPS* driver_helper_ = nullptr;
    abi::IPrintCorePS2* core_helper_ = nullptr;
};

}  // namespace zenta::plugin
