#include "host/core_driver.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include "environment/printer.h"

namespace zenta::host {

using namespace abi;

namespace {

// More hooks than any driver has DDI functions: a table this long is a corrupt answer.
constexpr ULONG kMaxHooks = 256;

const char* devmode_mode_name(DWORD mode) {
    switch (mode) {
        case OEMDM_SIZE:
            return "OEMDM_SIZE";
        case OEMDM_DEFAULT:
            return "OEMDM_DEFAULT";
        case OEMDM_CONVERT:
            return "OEMDM_CONVERT";
        case OEMDM_MERGE:
            return "OEMDM_MERGE";
        default:
            return "an unknown mode";
    }
}

// A public field that the core driver carries from one DEVMODE into another when the source's
// dmFields names it.
struct PublicField {
    DWORD flag;
    std::size_t offset;
    std::size_t size;
};

#define ZENTA_PUBLIC_FIELD(flag, member) \
    PublicField { flag, offsetof(DEVMODEW, member), sizeof(DEVMODEW::member) }
constexpr PublicField kPublicFields[] = {
    ZENTA_PUBLIC_FIELD(DM_ORIENTATION, dmOrientation),
    ZENTA_PUBLIC_FIELD(DM_SCALE, dmScale),
    ZENTA_PUBLIC_FIELD(DM_COPIES, dmCopies),
    ZENTA_PUBLIC_FIELD(DM_DEFAULTSOURCE, dmDefaultSource),
    ZENTA_PUBLIC_FIELD(DM_PRINTQUALITY, dmPrintQuality),
    ZENTA_PUBLIC_FIELD(DM_COLOR, dmColor),
    ZENTA_PUBLIC_FIELD(DM_DUPLEX, dmDuplex),
    ZENTA_PUBLIC_FIELD(DM_YRESOLUTION, dmYResolution),
    ZENTA_PUBLIC_FIELD(DM_TTOPTION, dmTTOption),
    ZENTA_PUBLIC_FIELD(DM_COLLATE, dmCollate),
    ZENTA_PUBLIC_FIELD(DM_NUP, dmNup),
    ZENTA_PUBLIC_FIELD(DM_ICMMETHOD, dmICMMethod),
    ZENTA_PUBLIC_FIELD(DM_ICMINTENT, dmICMIntent),
    ZENTA_PUBLIC_FIELD(DM_MEDIATYPE, dmMediaType),
    ZENTA_PUBLIC_FIELD(DM_DITHERTYPE, dmDitherType),
};
// The paper is chosen by any of these; they travel together, so that a paper named one way
// never leaves behind a different one named another way.
constexpr PublicField kPaperFields[] = {
    ZENTA_PUBLIC_FIELD(DM_PAPERSIZE, dmPaperSize),
    ZENTA_PUBLIC_FIELD(DM_PAPERLENGTH, dmPaperLength),
    ZENTA_PUBLIC_FIELD(DM_PAPERWIDTH, dmPaperWidth),
    ZENTA_PUBLIC_FIELD(DM_FORMNAME, dmFormName),
};
#undef ZENTA_PUBLIC_FIELD
constexpr DWORD kPaperFlags = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME;

void copy_field(DEVMODEW& to, const DEVMODEW& from, const PublicField& field) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(&to) + field.offset,
                reinterpret_cast<const std::uint8_t*>(&from) + field.offset, field.size);
    to.dmFields |= field.flag;
}

// Carries the fields `from` names in its dmFields into `to`, as the core driver does before it
// lets the plug-ins convert or merge their blocks.
void merge_public_fields(DEVMODEW& to, const DEVMODEW& from) {
    for (const PublicField& field : kPublicFields)
        if (from.dmFields & field.flag) copy_field(to, from, field);
    if (from.dmFields & kPaperFlags) {
        to.dmFields &= ~kPaperFlags;
        for (const PublicField& field : kPaperFields)
            if (from.dmFields & field.flag) copy_field(to, from, field);
    }
}

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

bool CoreDriver::load() {
    if (!module_.loaded() && !load_library()) return false;
    if (!plugin_) return create_plugin() && read_info() && publish_helpers();
    if (publish_results_.empty() || failed(publish_results_.back())) return read_info() && publish_helpers();
    return true;
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

// ---- DEVMODEs

HRESULT CoreDriver::devmode(DWORD mode, OEMDMPARAM& param) {
    param.cbSize = sizeof(OEMDMPARAM);
    param.pdriverobj = device_->devobj();
    // The loader's handle is not kept apart from the library; an address inside the module
    // names it just as well.
    param.hModule = reinterpret_cast<HANDLE>(module_.get_class_object());
    if (!plugin_) {
        fail("there is no plug-in object to call DevMode on", E_UNEXPECTED);
        return E_UNEXPECTED;
    }
    const HRESULT hr = plugin_->DevMode(mode, &param);
    if (failed(hr)) fail_call(std::string("DevMode(") + devmode_mode_name(mode) + ")", hr);
    return hr;
}

std::optional<std::uint32_t> CoreDriver::devmode_size(HANDLE printer) {
    OEMDMPARAM param{};
    param.hPrinter = printer;
    if (failed(devmode(OEMDM_SIZE, param))) return std::nullopt;
    if (param.cbBufSize < sizeof(OEM_DMEXTRAHEADER) || param.cbBufSize > DevmodeBuffer::kMaxPluginSize) {
        fail("DevMode(OEMDM_SIZE) asked for a block of " + std::to_string(param.cbBufSize) +
                 " bytes, not between " + std::to_string(sizeof(OEM_DMEXTRAHEADER)) + " and " +
                 std::to_string(DevmodeBuffer::kMaxPluginSize),
             E_UNEXPECTED);
        return std::nullopt;
    }
    return param.cbBufSize;
}

std::optional<DevmodeBuffer> CoreDriver::default_devmode(HANDLE printer) {
    const std::optional<std::uint32_t> size = devmode_size(printer);
    if (!size) return std::nullopt;
    std::u16string name = environment::PrinterConnection::borrow(printer).printer_name();
    if (name.empty()) name = device_->printer_name();
    DevmodeBuffer dm = DevmodeBuffer::make(name, *size);

    OEMDMPARAM param{};
    param.hPrinter = printer;
    param.pPublicDMIn = dm.public_part();
    param.pPublicDMOut = dm.public_part();
    param.pOEMDMOut = dm.plugin_block();
    param.cbBufSize = static_cast<DWORD>(dm.plugin_size());
    if (failed(devmode(OEMDM_DEFAULT, param))) return std::nullopt;
    return dm;
}

std::optional<DevmodeBuffer> CoreDriver::update_devmode(DWORD mode, DevmodeBuffer out,
                                                        const DevmodeBuffer& in, HANDLE printer) {
    merge_public_fields(*out.public_part(), *in.public_part());
    // The plug-in gets pointers it may write through; the caller's input stays as it was.
    DevmodeBuffer source = in;
    OEMDMPARAM param{};
    param.hPrinter = printer;
    param.pPublicDMIn = source.public_part();
    param.pPublicDMOut = out.public_part();
    param.pOEMDMIn = source.plugin_block();
    param.pOEMDMOut = out.plugin_block();
    param.cbBufSize = static_cast<DWORD>(out.plugin_size());
    if (failed(devmode(mode, param))) return std::nullopt;
    return out;
}

std::optional<DevmodeBuffer> CoreDriver::convert_devmode(const DevmodeBuffer& in, HANDLE printer) {
    std::optional<DevmodeBuffer> out = default_devmode(printer);
    if (!out) return std::nullopt;
    return update_devmode(OEMDM_CONVERT, std::move(*out), in, printer);
}

std::optional<DevmodeBuffer> CoreDriver::merge_devmode(const DevmodeBuffer& current, const DevmodeBuffer& app,
                                                       HANDLE printer) {
    const std::optional<std::uint32_t> size = devmode_size(printer);
    if (!size) return std::nullopt;
    std::optional<DevmodeBuffer> out = current.plugin_size() == *size ? current : default_devmode(printer);
    if (!out) return std::nullopt;
    return update_devmode(OEMDM_MERGE, std::move(*out), app, printer);
}

}  // namespace zenta::host
