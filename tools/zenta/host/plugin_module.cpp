#include "host/plugin_module.h"

#include <filesystem>
#include <system_error>

#include "util/utf.h"

namespace zenta::host {

namespace {

// The directory part of a path, with its trailing separator ("" when there is none).
std::u16string directory_of(const std::u16string& path) {
    const std::size_t cut = path.find_last_of(u"/\\");
    return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1);
}

// The path made absolute against the current directory, so that the loader opens exactly
// this file instead of searching its library path.
std::u16string absolute(std::u16string_view path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), ec);
    return ec ? std::u16string(path) : full.u16string();
}

}  // namespace

std::u16string PluginModule::default_path() {
    return directory_of(platform::executable_path()) + platform::library_file_name(u"zenta_ps");
}

bool PluginModule::load(std::u16string_view path) {
    unload();
    error_.clear();
    if (path.empty()) {
        path_.clear();
        error_ = "no plug-in library named";
        return false;
    }
    path_ = absolute(path);
    const std::string shown = util::utf16_to_utf8(path_);

    platform::Library library = platform::Library::open(path_);
    if (!library) {
        error_ = "cannot load the plug-in library " + shown + ": " + library.error();
        return false;
    }
    auto* get_class_object = reinterpret_cast<GetClassObjectFn>(library.symbol("DllGetClassObject"));
    auto* can_unload_now = reinterpret_cast<CanUnloadNowFn>(library.symbol("DllCanUnloadNow"));
    if (!get_class_object || !can_unload_now) {
        error_ = "the plug-in library " + shown + " does not export " +
                 (get_class_object ? "DllCanUnloadNow" : "DllGetClassObject");
        return false;
    }
    library_ = std::move(library);
    get_class_object_ = get_class_object;
    can_unload_now_ = can_unload_now;
    return true;
}

void PluginModule::unload() {
    get_class_object_ = nullptr;
    can_unload_now_ = nullptr;
    library_ = platform::Library();
}

}  // namespace zenta::host
