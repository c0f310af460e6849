#pragma once
// The plug-in library as the core driver loads it: the file, and its two COM server exports.

#include <string>
#include <string_view>

#include "abi/abi.h"
#include "platform/library.h"

namespace zenta::host {

class PluginModule {
public:
    using GetClassObjectFn = abi::HRESULT(ZENTA_STDCALL*)(const abi::CLSID& rclsid, const abi::IID& riid,
                                                          void** ppv);
    using CanUnloadNowFn = abi::HRESULT(ZENTA_STDCALL*)();

    // The plug-in library beside the running program (zenta_ps.dll, libzenta_ps.so).
    static std::u16string default_path();

    // Loads the library at `path` (relative paths are taken from the current directory, never
    // searched for) and looks up DllGetClassObject and DllCanUnloadNow. False, with error()
    // naming what failed, when the library does not load or lacks either export; the library
    // is then not kept loaded.
    bool load(std::u16string_view path);
    // Frees the library (FreeLibrary).
    void unload();

    bool loaded() const { return static_cast<bool>(library_); }
    const std::u16string& path() const { return path_; }
    const std::string& error() const { return error_; }

    GetClassObjectFn get_class_object() const { return get_class_object_; }
    CanUnloadNowFn can_unload_now() const { return can_unload_now_; }
    // Any other export, or null.
    void* symbol(const char* name) const { return library_.symbol(name); }

private:
    platform::Library library_;
    std::u16string path_;
    std::string error_;
    GetClassObjectFn get_class_object_ = nullptr;
    CanUnloadNowFn can_unload_now_ = nullptr;
};

}  // namespace zenta::host
