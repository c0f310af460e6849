// The library's exported entry points: the COM server's two, and the entry that rundll32 runs
// in the tab file child process.

#include <chrono>
#include <new>
#include <thread>

#include "abi/guids.h"
#include "abi/hresult.h"
#include "plugin/class_factory.h"
#include "plugin/exports.h"
#include "plugin/module.h"
#include "tabfile/child.h"

using namespace zenta;
using namespace zenta::abi;

extern "C" {

ZENTA_EXPORT HRESULT ZENTA_STDCALL DllGetClassObject(const CLSID& rclsid, const IID& riid, void** ppv) {
    if (!ppv) return E_OUTOFMEMORY;
    *ppv = nullptr;
    if (!(rclsid == CLSID_OEMRENDER)) return CLASS_E_CLASSNOTAVAILABLE;
    plugin::IOemCF* factory = new (std::nothrow) plugin::IOemCF();
    if (!factory) return E_OUTOFMEMORY;
    // On success the caller holds the only reference; on failure the factory is gone.
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

ZENTA_EXPORT HRESULT ZENTA_STDCALL DllCanUnloadNow() {
    // A tab file child may still be at work with this library: give it a moment.
    if (plugin::tab_document_seen()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Live objects do not count: only LockServer keeps the library loaded.
    return plugin::server_locks() != 0 ? S_FALSE : S_OK;
}

ZENTA_EXPORT void ZENTA_STDCALL CreateTabFileExW(HWND, HINSTANCE, PWSTR command_line, int) {
    // The tab file child process: the command line names the section of the tab request.
    try {
        tabfile::create_tab_file(command_line);
    } catch (...) {
    }
}

}  // extern "C"
