#include "host/core_driver.h"

#include <cstdio>
#include <utility>

namespace zenta::host {

using namespace abi;

namespace {

// More hooks than any driver has DDI functions: a table this long is a corrupt answer.
constexpr ULONG kMaxHooks = 256;

}  // namespace

std::string hex32(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

CoreDriver::CoreDriver(std::u16string plugin_path)
    : plugin_path_(std::move(plugin_path)),
      core_helper_(ComPtr<CoreHelper>::adopt(CoreHelper::create(job_))),
      driver_helper_(ComPtr<DriverHelper>::adopt(DriverHelper::create(job_))) {}

CoreDriver::~CoreDriver() { shutdown(); }

bool CoreDriver::fail(std::string what, HRESULT hr) {
    error_ = std::move(what);
    last_result_ = hr;
    return false;
}

bool CoreDriver::fail_call(const std::string& call, HRESULT hr) {
    return fail(call + " failed with " + hex32(static_cast<std::uint32_t>(hr)), hr);
}

// ---- the load sequence

bool CoreDriver::load_library() {
    if (!module_.load(plugin_path_)) return fail(module_.error());
    return true;
}

bool CoreDriver::create_plugin() {
    if (!module_.loaded()) return fail("the plug-in library is not loaded");
    if (plugin_) return true;

    ComPtr<IClassFactory> factory;
    HRESULT hr = module_.get_class_object()(CLSID_OEMRENDER, IID_IClassFactory, factory.put());
    if (failed(hr)) return fail_call("DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory)", hr);
    if (!factory)
        return fail("DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory) gave no class factory", hr);

    ComPtr<IUnknown> object;
    hr = factory->CreateInstance(nullptr, IID_IUnknown, object.put());
    factory.reset();
    if (failed(hr)) return fail_call("IClassFactory::CreateInstance(IID_IUnknown)", hr);
    if (!object) return fail("IClassFactory::CreateInstance(IID_IUnknown) gave no object", hr);

    // The newest interface first.
    ComPtr<IPrintOemPS> render;
    hr = object->QueryInterface(IID_IPrintOemPS2, render.put());
    if (succeeded(hr) && render) {
        plugin2_ = static_cast<IPrintOemPS2*>(render.get());
    } else {
        hr = object->QueryInterface(IID_IPrintOemPS, render.put());
        if (failed(hr) || !render)
            return fail("the plug-in object offers neither IPrintOemPS2 nor IPrintOemPS (" +
                            hex32(static_cast<std::uint32_t>(hr)) + ")",
                        failed(hr) ? hr : E_NOINTERFACE);
    }
    plugin_ = std::move(render);
    return true;
}

bool CoreDriver::get_info(DWORD mode, const char* name, DWORD& value) {
    DWORD buffer = 0;
    DWORD needed = 0;
    const HRESULT hr = plugin_->GetInfo(mode, &buffer, sizeof buffer, &needed);
    if (failed(hr)) return fail_call(std::string("GetInfo(") + name + ")", hr);
    value = buffer;
    return true;
}

bool CoreDriver::read_info() {
    if (!plugin_) return fail("there is no plug-in object to ask");
    return get_info(OEMGI_GETSIGNATURE, "OEMGI_GETSIGNATURE", info_.signature) &&
           get_info(OEMGI_GETVERSION, "OEMGI_GETVERSION", info_.version) &&
           get_info(OEMGI_GETREQUESTEDHELPERINTERFACES, "OEMGI_GETREQUESTEDHELPERINTERFACES", info_.helpers);
}

// Offers one helper through its IUnknown.
bool CoreDriver::publish(IUnknown* helper, HRESULT& hr) {
    ComPtr<IUnknown> unknown;
    if (!helper || failed(helper->QueryInterface(IID_IUnknown, unknown.put())) || !unknown)
        return fail("the driver's helper object could not be created", E_OUTOFMEMORY);
    hr = plugin_->PublishDriverInterface(unknown.get());
    publish_results_.push_back(hr);
    return true;
}

bool CoreDriver::publish_helpers() {
    if (!plugin_) return fail("there is no plug-in object to publish to");
    HRESULT hr = E_FAIL;
    if (info_.helpers & OEMPUBLISH_IPRINTCOREHELPER) {
        if (!publish(core_helper_.get(), hr)) return false;
        if (hr == E_FAIL && !publish(driver_helper_.get(), hr)) return false;
    } else {
        if (!publish(driver_helper_.get(), hr)) return false;
    }
    if (failed(hr)) return fail_call("PublishDriverInterface", hr);
    return true;
}

bool CoreDriver::enable_driver() {
    if (!plugin_) return fail("there is no plug-in object to enable");
    DRVENABLEDATA ded{};
    const HRESULT hr = plugin_->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof ded, &ded);
    if (failed(hr)) return fail_call("EnableDriver", hr);
    driver_enabled_ = true;
    if (ded.c > kMaxHooks)
        return fail("EnableDriver reported " + std::to_string(ded.c) + " hooks", E_UNEXPECTED);
    if (ded.c != 0 && !ded.pdrvfn)
        return fail("EnableDriver reported " + std::to_string(ded.c) + " hooks without a table", E_POINTER);
    hooks_.assign(ded.pdrvfn, ded.pdrvfn + ded.c);
    hooks_version_ = ded.iDriverVersion;
    return true;
}

bool CoreDriver::enable_pdev() {
    if (!plugin_) return fail("there is no plug-in object to enable a PDEV with");
    if (pdev_enabled_) return true;
    Device& dev = *device_;
    PDEVOEM pdev = nullptr;
    const HRESULT hr = plugin_->EnablePDEV(dev.devobj(), dev.printer_name(), Device::kPatternCount,
                                           dev.patterns(), sizeof(GDIINFO), &dev.gdi_info(), sizeof(DEVINFO),
                                           &dev.dev_info(), driver_table_.data(), &pdev);
    if (failed(hr)) return fail_call("EnablePDEV", hr);
    if (!pdev) return fail("EnablePDEV succeeded without a PDEV", hr);
    dev.devobj()->pdevOEM = pdev;
    pdev_enabled_ = true;

    // Whether the plug-in takes over the spooler writes.
    if (plugin2_) {
        DWORD written = 0;
        write_printer_probe_ = plugin2_->WritePrinter(nullptr, nullptr, 0, &written);
    }
    return true;
}

bool CoreDriver::start() {
    return load_library() && create_plugin() && read_info() && publish_helpers() && enable_driver() &&
           enable_pdev();
}

void CoreDriver::shutdown() {
    if (!plugin_ && !module_.loaded()) return;
    teardown_ = Teardown{};
    teardown_.ran = true;
    if (plugin_) {
        if (pdev_enabled_) {
            teardown_.disable_pdev = plugin_->DisablePDEV(device_->devobj());
            pdev_enabled_ = false;
        }
        teardown_.disable_driver = plugin_->DisableDriver();
        driver_enabled_ = false;
        plugin2_ = nullptr;
        teardown_.release_count = plugin_.reset();
    }
    if (module_.loaded()) {
        teardown_.can_unload_now = module_.can_unload_now()();
        module_.unload();
    }
    hooks_.clear();
}

// ---- calls into the plug-in

PFN CoreDriver::hook(ULONG ddi_index) const {
    for (const DRVFN& f : hooks_)
        if (f.iFunc == ddi_index) return f.pfn;
    return nullptr;
}

HRESULT CoreDriver::command(DWORD index, DWORD* result, PVOID data, DWORD size) {
    if (!plugin_) return E_UNEXPECTED;
    return plugin_->Command(device_->devobj(), index, data, size, result);
}

}  // namespace zenta::host
