#pragma once
// The core-driver stand-in: plays the PostScript core driver's part towards the render
// plug-in, calling it through its COM interface exactly as the driver does.
//
// Load sequence (start() runs it whole, each step can also be run alone in this order):
//   load_library     LoadLibrary; look up DllGetClassObject and DllCanUnloadNow
//   create_plugin    DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory);
//                    CreateInstance(IID_IUnknown); QueryInterface for IPrintOemPS2, else IPrintOemPS
//   read_info        GetInfo: signature, version, requested helper interfaces
//   publish_helpers  PublishDriverInterface with the IPrintCorePS2 helper's IUnknown and, when
//                    that answers E_FAIL, again with the IPrintOemDriverPS helper
//   enable_driver    EnableDriver: the plug-in's hook table
//   enable_pdev      EnablePDEV with the stand-in's own DDI functions, its DEVOBJ, GDIINFO and
//                    DEVINFO; the PDEV goes into the DEVOBJ; the WritePrinter probe
// load() runs the first four steps: all that DevMode needs (no PDEV). The DEVMODE calls
// (devmode_size, default_devmode, convert_devmode, merge_devmode) work from then on.
// shutdown() then lets the plug-in go: DisablePDEV, DisableDriver, Release of the render
// object, DllCanUnloadNow, FreeLibrary (each as far as the load got). The destructor runs it.
//
// Every pointer the plug-in hands back is checked before it is used. A failed step leaves a
// message in error() naming the call and its HRESULT.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "host/com_ptr.h"
#include "host/device.h"
#include "host/devmode_buffer.h"
#include "host/helpers.h"
#include "host/plugin_module.h"

namespace zenta::host {

// "0x" and eight upper-case hexadecimal digits.
std::string hex32(std::uint32_t value);

// What GetInfo reported.
struct PluginInfo {
    abi::DWORD signature = 0;  // OEMGI_GETSIGNATURE
    abi::DWORD version = 0;    // OEMGI_GETVERSION
    abi::DWORD helpers = 0;    // OEMGI_GETREQUESTEDHELPERINTERFACES
};

// What the plug-in answered while the stand-in let it go.
struct Teardown {
    bool ran = false;
    abi::HRESULT disable_pdev = abi::S_OK;    // when a PDEV was enabled
    abi::HRESULT disable_driver = abi::S_OK;  // when a render object existed
    abi::ULONG release_count = 0;             // the render object's count after the last Release
    abi::HRESULT can_unload_now = abi::S_OK;  // DllCanUnloadNow, when the library was loaded
};

class CoreDriver {
public:
    explicit CoreDriver(std::u16string plugin_path = PluginModule::default_path());
    ~CoreDriver();
    CoreDriver(const CoreDriver&) = delete;
    CoreDriver& operator=(const CoreDriver&) = delete;

    // ---- the load sequence
    bool load_library();
    bool create_plugin();
    bool read_info();
    bool publish_helpers();
    bool enable_driver();
    bool enable_pdev();
    bool start();
    // load_library, create_plugin, read_info and publish_helpers, each as far as not yet done.
    bool load();
    void shutdown();

    // Why the last step failed, and the HRESULT of the failed call (S_OK when no call failed).
    const std::string& error() const { return error_; }
    abi::HRESULT last_result() const { return last_result_; }

    // ---- what the load found out
    PluginModule& module() { return module_; }
    // The render object (null before create_plugin and after shutdown).
    abi::IPrintOemPS* plugin() const { return plugin_.get(); }
    // Whether the plug-in library is loaded (until shutdown frees it).
    bool library_loaded() const { return module_.loaded(); }
    // The same object as IPrintOemPS2, or null when it offers only IPrintOemPS.
    abi::IPrintOemPS2* plugin2() const { return plugin2_; }
    const PluginInfo& info() const { return info_; }
    // What each PublishDriverInterface call answered, in order.
    const std::vector<abi::HRESULT>& publish_results() const { return publish_results_; }
    // The hook table from EnableDriver (copied), and its iDriverVersion.
    const std::vector<abi::DRVFN>& hooks() const { return hooks_; }
    abi::ULONG hooks_version() const { return hooks_version_; }
    // The plug-in's hook for this DDI index, or null when it does not hook it.
    abi::PFN hook(abi::ULONG ddi_index) const;
    template <class Fn>
    Fn hook_as(abi::ULONG ddi_index) const {
        return abi::from_pfn<Fn>(hook(ddi_index));
    }
    // The answer to the WritePrinter probe (E_NOTIMPL: the driver keeps writing the spool).
    abi::HRESULT write_printer_probe() const { return write_printer_probe_; }
    bool plugin_writes_spool() const { return write_printer_probe_ == abi::S_OK; }
    const Teardown& teardown() const { return teardown_; }

    // ---- the driver's side
    Device& device() { return *device_; }
    // The DDI functions given to EnablePDEV; change it before enable_pdev.
    DriverTable& driver_table() { return driver_table_; }
    Job& job() { return *job_; }
    // The helpers (null only when they could not be allocated).
    CoreHelper* core_helper() const { return core_helper_.get(); }
    DriverHelper* driver_helper() const { return driver_helper_.get(); }

    // Command at an injection point of the device; E_UNEXPECTED without a render object.
    abi::HRESULT command(abi::DWORD index, abi::DWORD* result, abi::PVOID data = nullptr,
                         abi::DWORD size = 0);

    // ---- DEVMODEs, as the core driver keeps them for a printer (`printer` is its handle, passed
    // to the plug-in as hPrinter)

    // DevMode as the driver calls it. Fills in the driver's fields of `param`: cbSize, pdriverobj
    // (the device's DEVOBJ, whose pdevOEM holds the plug-in PDEV once one is enabled, else
    // null) and hModule; the rest is the caller's. E_UNEXPECTED without a render object. A
    // failure is kept in error() and last_result().
    abi::HRESULT devmode(abi::DWORD mode, abi::OEMDMPARAM& param);
    // OEMDM_SIZE: the size of the plug-in's block. Nothing when the call fails or reports a
    // size that is shorter than OEM_DMEXTRAHEADER or does not fit a DEVMODE.
    std::optional<std::uint32_t> devmode_size(abi::HANDLE printer);
    // The printer's default DEVMODE: the core driver's defaults with a block of the size the
    // plug-in asks for, filled by OEMDM_DEFAULT (pPublicDMIn and pPublicDMOut: its public part).
    std::optional<DevmodeBuffer> default_devmode(abi::HANDLE printer);
    // A DEVMODE of this printer made from another one: the printer's default DEVMODE with the
    // public fields that `in` carries (by its dmFields), then OEMDM_CONVERT from `in`'s block.
    std::optional<DevmodeBuffer> convert_devmode(const DevmodeBuffer& in, abi::HANDLE printer);
    // An application's DEVMODE merged into the current one: a copy of `current` when its
    // plug-in block has the size the plug-in asks for, else the printer's default DEVMODE;
    // then the public fields that `app` carries (by its dmFields), then OEMDM_MERGE from
    // `app`'s block.
    std::optional<DevmodeBuffer> merge_devmode(const DevmodeBuffer& current, const DevmodeBuffer& app,
                                               abi::HANDLE printer);

private:
    bool fail(std::string what, abi::HRESULT hr = abi::S_OK);
    bool fail_call(const std::string& call, abi::HRESULT hr);
    bool get_info(abi::DWORD mode, const char* name, abi::DWORD& value);
    bool publish(abi::IUnknown* helper, abi::HRESULT& hr);
    // CONVERT or MERGE of `in` into `out`, after the core driver's own merge of the public fields.
    std::optional<DevmodeBuffer> update_devmode(abi::DWORD mode, DevmodeBuffer out, const DevmodeBuffer& in,
                                                abi::HANDLE printer);

    std::u16string plugin_path_;
    PluginModule module_;
    ComPtr<abi::IPrintOemPS> plugin_;
    abi::IPrintOemPS2* plugin2_ = nullptr;  // same object as plugin_, no reference of its own
    PluginInfo info_;
    std::vector<abi::HRESULT> publish_results_;
    bool driver_enabled_ = false;
    std::vector<abi::DRVFN> hooks_;
    abi::ULONG hooks_version_ = 0;
    bool pdev_enabled_ = false;
    abi::HRESULT write_printer_probe_ = abi::E_NOTIMPL;
    Teardown teardown_;

    std::unique_ptr<Device> device_ = std::make_unique<Device>();
    DriverTable driver_table_;
    std::shared_ptr<Job> job_ = std::make_shared<Job>();
    ComPtr<CoreHelper> core_helper_;
    ComPtr<DriverHelper> driver_helper_;

    std::string error_;
    abi::HRESULT last_result_ = abi::S_OK;
};

}  // namespace zenta::host
