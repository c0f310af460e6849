#include "platform/sim/system.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>

#include "platform/last_error.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "util/utf.h"
#endif

namespace zenta::platform::sim {
namespace {

constexpr abi::LONG kErrorFileNotFound = 2;
constexpr abi::LONG kErrorInvalidHandle = 6;
constexpr abi::DWORD kLocaleAllowNeutralNames = 0x08000000u;
constexpr abi::DWORD kLocaleReturnNumber = 0x20000000u;
constexpr abi::DWORD kLocaleTypeModifiers = 0x80000000u | 0x40000000u | kLocaleReturnNumber;

using LocaleTable = std::map<std::u16string, abi::DWORD, NoCaseLess>;

// The table the process-wide LocaleNameToLCID answers from: the one of the simulated system that
// handed the function out last.
std::mutex g_locale_mutex;
std::shared_ptr<const LocaleTable> g_locale_table;

// The specific locale a neutral one stands for when neutral results are not allowed.
abi::DWORD specific_locale(abi::DWORD lcid) {
    static constexpr std::pair<abi::DWORD, abi::DWORD> kDefaults[] = {
        {0x000A, 0x0C0A},  // es -> es-ES (international sort)
        {0x0004, 0x0804},  // zh-Hans -> zh-CN
        {0x7804, 0x0804},  // zh -> zh-CN
        {0x7C04, 0x0C04},  // zh-Hant -> zh-HK
    };
    for (const auto& [neutral, specific] : kDefaults)
        if (lcid == neutral) return specific;
    if ((lcid & 0xFFFF) >> 10 == 0)
        return (lcid & 0xFFFF0000u) | 0x0400u | (lcid & 0x3FFu);  // SUBLANG_DEFAULT
    return lcid;
}

bool is_neutral(abi::DWORD lcid) { return (lcid & 0xFFFF) >> 10 == 0 || lcid == 0x7C04 || lcid == 0x7804; }

abi::DWORD locale_name_to_lcid(const char16_t* name, abi::DWORD flags) {
    if (!name) return 0;
    std::shared_ptr<const LocaleTable> table;
    {
        std::lock_guard<std::mutex> lock(g_locale_mutex);
        table = g_locale_table;
    }
    if (!table) return 0;
    const auto it = table->find(std::u16string_view(name));
    if (it == table->end()) return 0;
    if (is_neutral(it->second) && !(flags & kLocaleAllowNeutralNames)) return specific_locale(it->second);
    return it->second;
}

std::uintptr_t next_key_handle() {
    static std::atomic<std::uintptr_t> counter{0};
    return 0x7A100000u + 8 * ++counter;
}

std::u16string_view trim_separators(std::u16string_view path) {
    while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return path;
}

// A length-checked copy with its NUL, in the manner of GetSystemDirectoryW: the length without
// the NUL, or the size needed (with the NUL) when the buffer is too small.
abi::DWORD copy_out(std::u16string_view text, char16_t* buffer, abi::DWORD size) {
    if (!buffer || size < text.size() + 1) return static_cast<abi::DWORD>(text.size() + 1);
    std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
    buffer[text.size()] = 0;
    return static_cast<abi::DWORD>(text.size());
}

#if !defined(_WIN32)
// The launcher program that plays rundll32 (see the header): its POSIX path, or empty.
std::string rundll_launcher() {
    if (const char* named = std::getenv("ZENTA_RUNDLL"); named && *named) return named;
    constexpr const char* kName = "zenta_rundll";
    const auto beside = [kName](const std::string& file) -> std::string {
        const auto slash = file.rfind('/');
        if (slash == std::string::npos) return {};
        const std::string candidate = file.substr(0, slash + 1) + kName;
        return ::access(candidate.c_str(), X_OK) == 0 ? candidate : std::string();
    };
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&rundll_launcher), &info) && info.dli_fname) {
        char resolved[4096];
        const std::string found = beside(::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname);
        if (!found.empty()) return found;
    }
    char program[4096];
    const ssize_t n = ::readlink("/proc/self/exe", program, sizeof program - 1);
    if (n > 0) return beside(std::string(program, static_cast<std::size_t>(n)));
    return {};
}
#endif

}  // namespace

SimulatedSystem::SimulatedSystem(Settings settings, System& host)
    : settings_(std::move(settings)), host_(host) {}

SimulatedSystem::~SimulatedSystem() = default;

bool SimulatedSystem::VerifyVersionAtLeast(abi::DWORD major, abi::DWORD minor, abi::WORD service_pack_major) {
    const WindowsVersion& v = settings_.version;
    if (!v.verify_version_info) return false;
    // VerifyVersionInfoW compares major, minor and service pack in that order of rank.
    return std::tie(v.major, v.minor, v.service_pack_major) >= std::tie(major, minor, service_pack_major);
}

bool SimulatedSystem::GetVersionExW(abi::DWORD* platform_id, abi::DWORD* major, abi::DWORD* minor) {
    const WindowsVersion& v = settings_.version;
    if (!v.get_version_ex) return false;
    if (platform_id) *platform_id = v.platform_id;
    if (major) *major = v.major;
    if (minor) *minor = v.minor;
    return true;
}

abi::UINT SimulatedSystem::GetSystemDirectoryW(char16_t* buffer, abi::UINT size) {
    return copy_out(settings_.system_directory, buffer, size);
}

abi::BOOL SimulatedSystem::CreateProcessW(const char16_t* application, char16_t* command_line,
                                          abi::BOOL inherit_handles, abi::DWORD creation_flags,
                                          abi::PROCESS_INFORMATION* information) {
#if !defined(_WIN32)
    if (application) {
        std::u16string rundll = settings_.system_directory + u"\\rundll32.exe";
        std::u16string asked(application);
        for (std::u16string* path : {&rundll, &asked})
            for (char16_t& c : *path)
                if (c == u'/') c = u'\\';
        if (equal_no_case(asked, rundll)) {
            const std::string launcher = rundll_launcher();
            if (launcher.empty()) {
                if (information) *information = {};
                set_last_error(2);  // ERROR_FILE_NOT_FOUND
                return 0;
            }
            const std::u16string program = util::utf8_to_utf16(launcher);
            return host_.CreateProcessW(program.c_str(), command_line, inherit_handles, creation_flags,
                                        information);
        }
    }
#endif
    return host_.CreateProcessW(application, command_line, inherit_handles, creation_flags, information);
}

bool SimulatedSystem::key_exists(abi::DWORD root, std::u16string_view path) const {
    if (path.empty()) return true;
    for (const auto& v : settings_.registry) {
        if (v.root != root || v.path.size() < path.size()) continue;
        if (!equal_no_case(std::u16string_view(v.path).substr(0, path.size()), path)) continue;
        if (v.path.size() == path.size() || v.path[path.size()] == u'\\') return true;
    }
    return false;
}

abi::LONG SimulatedSystem::RegOpenKeyExW(HKEY root, const char16_t* sub_key, abi::DWORD /*options*/,
                                         abi::DWORD /*access*/, HKEY* result) {
    if (!result) return static_cast<abi::LONG>(kErrorInvalidParameter);
    *result = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey key;
    const auto id = reinterpret_cast<std::uintptr_t>(root);
    if (id == kHkeyCurrentUserId || id == kHkeyLocalMachineId) {
        key.root = static_cast<abi::DWORD>(id);
    } else {
        const auto it = keys_.find(id);
        if (it == keys_.end()) return kErrorInvalidHandle;
        key = it->second;
    }
    const std::u16string_view sub =
        trim_separators(sub_key ? std::u16string_view(sub_key) : std::u16string_view());
    if (!sub.empty()) {
        if (!key.path.empty()) key.path += u'\\';
        key.path += sub;
    }
    if (!key_exists(key.root, key.path)) return kErrorFileNotFound;
    const std::uintptr_t handle = next_key_handle();
    keys_.emplace(handle, std::move(key));
    *result = reinterpret_cast<HKEY>(handle);
    return 0;
}

abi::LONG SimulatedSystem::RegQueryValueExW(HKEY key, const char16_t* value_name, abi::DWORD* type,
                                            abi::BYTE* data, abi::DWORD* size) {
    if (data && !size) return static_cast<abi::LONG>(kErrorInvalidParameter);
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey open;
    const auto id = reinterpret_cast<std::uintptr_t>(key);
    if (id == kHkeyCurrentUserId || id == kHkeyLocalMachineId) {
        open.root = static_cast<abi::DWORD>(id);
    } else {
        const auto it = keys_.find(id);
        if (it == keys_.end()) return kErrorInvalidHandle;
        open = it->second;
    }
    const std::u16string_view name = value_name ? std::u16string_view(value_name) : std::u16string_view();
    for (const auto& v : settings_.registry) {
        if (!v.name || v.root != open.root || !equal_no_case(v.path, open.path) ||
            !equal_no_case(*v.name, name))
            continue;
        const auto n = static_cast<abi::DWORD>(v.value.bytes.size());
        if (type) *type = v.value.type;
        if (!data) {
            if (size) *size = n;
            return 0;
        }
        if (*size < n) {
            *size = n;
            return static_cast<abi::LONG>(kErrorMoreData);
        }
        if (n) std::memcpy(data, v.value.bytes.data(), n);
        *size = n;
        return 0;
    }
    return kErrorFileNotFound;
}

abi::LONG SimulatedSystem::RegCloseKey(HKEY key) {
    const auto id = reinterpret_cast<std::uintptr_t>(key);
    if (id == kHkeyCurrentUserId || id == kHkeyLocalMachineId) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_.erase(id) ? 0 : kErrorInvalidHandle;
}

LocaleNameToLcidFn SimulatedSystem::LocaleNameToLCID() {
    if (!settings_.locale_name_to_lcid) return nullptr;
    auto table = std::make_shared<const LocaleTable>(settings_.locale_names);
    std::lock_guard<std::mutex> lock(g_locale_mutex);
    g_locale_table = std::move(table);
    return &locale_name_to_lcid;
}

int SimulatedSystem::GetLocaleInfoW(abi::DWORD /*locale*/, abi::DWORD type, char16_t* data, int size) {
    if (size < 0 || (size > 0 && !data)) {
        set_last_error(kErrorInvalidParameter);
        return 0;
    }
    if ((type & ~kLocaleTypeModifiers) != kLocaleIPaperSize) {
        set_last_error(kErrorInvalidFlags);
        return 0;
    }
    const std::u16string& text = settings_.locale_paper_size;
    if (type & kLocaleReturnNumber) {
        // The number as a DWORD in two UTF-16 units.
        abi::DWORD number = 0;
        for (const char16_t c : text) {
            if (c < u'0' || c > u'9') break;
            number = number * 10 + static_cast<abi::DWORD>(c - u'0');
        }
        if (size == 0) return 2;
        if (size < 2) {
            set_last_error(kErrorInsufficientBuffer);
            return 0;
        }
        std::memcpy(data, &number, sizeof number);
        return 2;
    }
    const int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) return needed;
    if (size < needed) {
        set_last_error(kErrorInsufficientBuffer);
        return 0;
    }
    std::memcpy(data, text.c_str(), static_cast<std::size_t>(needed) * sizeof(char16_t));
    return needed;
}

abi::BOOL SimulatedSystem::GetUserNameW(char16_t* buffer, abi::DWORD* size) {
    if (!settings_.user_name) return host_.GetUserNameW(buffer, size);
    if (!size) {
        set_last_error(kErrorInvalidParameter);
        return 0;
    }
    const std::u16string& name = *settings_.user_name;
    const auto needed = static_cast<abi::DWORD>(name.size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        set_last_error(kErrorInsufficientBuffer);
        return 0;
    }
    std::memcpy(buffer, name.c_str(), needed * sizeof(char16_t));
    *size = needed;
    return 1;
}

}  // namespace zenta::platform::sim
