#include "environment/companions.h"

#include <vector>

#include "platform/module.h"
#include "platform/os.h"
#include "util/once.h"

namespace zenta::environment {
namespace {

#if defined(_WIN32)
constexpr std::u16string_view kLibraryEnding = u"dll";
constexpr char16_t kSeparator = u'\\';
#else
// A shared object ends in "so" where a Windows library ends in "dll"; the names are made by the
// same rule with that ending (libzenta_ps.so gives libzenta_n.so, libzenta.lng, ...).
constexpr std::u16string_view kLibraryEnding = u"so";
constexpr char16_t kSeparator = u'/';
#endif

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool ends_with_ignoring_case(std::u16string_view text, std::u16string_view ending) {
    if (text.size() < ending.size()) return false;
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (lower(text[text.size() - ending.size() + i]) != lower(ending[i])) return false;
    return true;
}

bool starts_with_ignoring_case(std::u16string_view text, std::u16string_view start) {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i)
        if (lower(text[i]) != lower(start[i])) return false;
    return true;
}

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

// The module's full path, long form.
std::u16string module_path(void* module) {
    platform::System& sys = platform::system();
    std::vector<char16_t> buffer(260);
    for (;;) {
        const abi::DWORD n =
            sys.GetModuleFileNameW(module, buffer.data(), static_cast<abi::DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
    const std::u16string short_path(buffer.begin(), buffer.end());
    const abi::DWORD needed = sys.GetLongPathNameW(short_path.c_str(), nullptr, 0);
    if (needed == 0) return short_path;
    std::vector<char16_t> long_path(needed);
    const abi::DWORD n = sys.GetLongPathNameW(short_path.c_str(), long_path.data(), needed);
    if (n == 0 || n >= needed) return short_path;
    return std::u16string(long_path.data(), n);
}

std::u16string system_directory() {
    platform::System& sys = platform::system();
    std::vector<char16_t> buffer(260);
    const abi::UINT n = sys.GetSystemDirectoryW(buffer.data(), static_cast<abi::UINT>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return {};
    return std::u16string(buffer.data(), n);
}

}  // namespace

namespace {

// The plug-in's own file: it cannot move while the plug-in is loaded, and every job asks for it.
const std::u16string& own_module_path() {
    static util::Once<std::u16string> path;
    return path.get([] { return module_path(platform::module_handle()); });
}

}  // namespace

std::optional<std::u16string> companion_file_name(void* module, Companion kind) {
    const bool own = module && module == platform::module_handle();
    const std::u16string path = own ? own_module_path() : module_path(module);
    if (path.empty() || !ends_with_ignoring_case(path, kLibraryEnding)) return std::nullopt;

    // The base: the path without its extension and, when the file name holds an underscore,
    // without everything from its last underscore ("zenta_ps.dll" -> "zenta").
    std::size_t name_start = path.size();
    while (name_start > 0 && !is_separator(path[name_start - 1])) --name_start;
    std::u16string base = path;
    const std::size_t dot = base.rfind(u'.');
    if (dot != std::u16string::npos && dot >= name_start) base.resize(dot);
    const std::size_t underscore = base.rfind(u'_');
    if (underscore != std::u16string::npos && underscore >= name_start) base.resize(underscore);

    const std::u16string ending = u"." + std::u16string(kLibraryEnding);
    switch (kind) {
        case Companion::ConfigurationLibrary:
            return base + u"_ui" + ending;
        case Companion::Help:
            return base + u".chm";
        case Companion::RenderPlugin:
            return base + u"_ps" + ending;
        case Companion::UserModeLibrary:
            return base + u"_umpd" + ending;
        case Companion::TabDocumentLibrary:
            return base + ending;
        case Companion::PclPlugin:
            return base + u"_pcl" + ending;
        case Companion::LanguageFile:
            return base + u".lng";
        case Companion::NotificationLibrary:
            return base + u"_n" + ending;
        case Companion::SystemBase: {
            const std::u16string system = system_directory();
            if (system.empty() || !starts_with_ignoring_case(path, system)) return base;
            return system + kSeparator + base.substr(name_start);
        }
    }
    return std::nullopt;
}

platform::Library load_companion(void* module, Companion kind) {
    const auto name = companion_file_name(module, kind);
    return name ? platform::Library::open(*name) : platform::Library();
}

}  // namespace zenta::environment
