#include "environment/job.h"

#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "environment/companions.h"
#include "environment/os_class.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "platform/os.h"
#include "util/once.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

#if defined(_WIN32)
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

int draw() { return platform::system().rand(); }

std::u16string temp_path() {
    std::vector<char16_t> buffer(65536, 0);
    const abi::DWORD n =
        platform::system().GetTempPathW(static_cast<abi::DWORD>(buffer.size()), buffer.data());
    return n > 0 && n < buffer.size() ? std::u16string(buffer.data(), n) : std::u16string();
}

std::u16string common_app_data() {
    platform::System& sys = platform::system();
    platform::HKEY key = nullptr;
    if (sys.RegOpenKeyExW(platform::kHkeyLocalMachine,
                          u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                          platform::kKeyRead, &key) != 0)
        return {};
    std::vector<abi::BYTE> data(65536 * sizeof(char16_t), 0);
    abi::DWORD size = static_cast<abi::DWORD>(data.size() - sizeof(char16_t));
    abi::DWORD type = 0;
    const abi::LONG result = sys.RegQueryValueExW(key, u"Common AppData", &type, data.data(), &size);
    sys.RegCloseKey(key);
    if (result != 0 || (type != abi::REG_SZ && type != abi::REG_EXPAND_SZ)) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(data.data()));
}

bool ends_in_separator(std::u16string_view path) {
    return !path.empty() && (path.back() == u'\\' || path.back() == u'/' || path.back() == u':');
}

// Whether a file can be made in the directory: a fresh probe name is created and deleted again.
bool takes_probe_file(const std::u16string& directory) {
    platform::System& sys = platform::system();
    const abi::DWORD attributes = sys.GetFileAttributesW(directory.c_str());
    if (attributes == platform::kInvalidFileAttributes || !(attributes & platform::kFileAttributeDirectory))
        return false;
    static constexpr char16_t kAlphabet[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const std::u16string prefix = ends_in_separator(directory) ? directory : directory + kSeparator;
    std::u16string probe;
    for (long attempt = 0;; ++attempt) {
        if (attempt == 47110815) return false;
        probe = prefix;
        for (int i = 0; i < 14; ++i) probe += kAlphabet[draw() % 62];
        probe += u".tmp";
        if (sys.GetFileAttributesW(probe.c_str()) == platform::kInvalidFileAttributes) break;
    }
    const abi::HANDLE file = sys.CreateFileW(
        probe.c_str(), platform::kGenericRead | platform::kGenericWrite, 0, platform::kCreateNew,
        platform::kFileAttributeTemporary | platform::kFileFlagDeleteOnClose);
    if (file == platform::kInvalidHandleValue || file == nullptr) return false;
    sys.CloseHandle(file);
    return true;
}

}  // namespace

// The C runtime keeps the generator's state per thread, and every thread starts from the same
// value: each thread that draws is started once, from the clock and its own identity, so that
// jobs rendered at the same moment on two threads never draw the same numbers.
void start_random_once() {
    thread_local bool started = false;
    if (started) return;
    started = true;
    platform::System& sys = platform::system();
    abi::SYSTEMTIME now{};
    sys.GetSystemTime(&now);
    const std::size_t id = std::hash<std::thread::id>{}(std::this_thread::get_id());
    const auto thread = static_cast<unsigned>(id ^ (id >> 32));
    sys.srand(sys.GetTickCount() ^ (static_cast<unsigned>(now.wMilliseconds) << 16) ^ now.wSecond ^ thread);
}

std::string make_job_identifier() {
    start_random_once();
    // The three random bytes in the order they are drawn (argument order is the compiler's).
    const int first = draw() % 255, second = draw() % 255, third = draw() % 255;
    char text[32];
    std::snprintf(text, sizeof text, "ACDE48%02X%02X%02X", first, second, third);
    abi::SYSTEMTIME now{};
    platform::system().GetSystemTime(&now);
    char time[24];
    std::snprintf(time, sizeof time, "%02u%02u%02u%02u%02u%04u", now.wMonth % 100u, now.wDay % 100u,
                  now.wHour % 100u, now.wMinute % 100u, now.wSecond % 100u, now.wMilliseconds % 10000u);
    return std::string(text) + time;
}

std::string notify_job(void* module, std::u16string_view printer_name) {
    std::string identifier = make_job_identifier();
    // Once found, the library stays mapped for the life of the process: every job loads and
    // frees it as before, but that is then a reference count step instead of a search of the
    // disk and a mapping of the file.
    static util::Once<platform::Library> pinned;
    pinned.get([module] { return load_companion(module, Companion::NotificationLibrary); });
    const platform::Library library = load_companion(module, Companion::NotificationLibrary);
    using Notify = int (*)(const char* job_identifier, const char* printer_name);
    if (auto* notify = reinterpret_cast<Notify>(library.symbol("BdcSetNotifyPrint"))) {
        const std::string printer = util::utf16_to_utf8(printer_name);
        notify(identifier.c_str(), printer.c_str());
    }
    return identifier;
}

std::optional<std::u16string> choose_working_directory(void* printer) {
    const int os_class = operating_system_class();
    std::vector<std::u16string> candidates;
    if (os_class < 4) candidates.push_back(temp_path());
    if (printer) candidates.push_back(common_app_data());
    if (printer) {
        const PrinterConnection connection = PrinterConnection::borrow(printer);
        candidates.push_back(read_spool_directory(connection).value_or(u""));
    } else {
        candidates.emplace_back();
    }
    if (os_class >= 4) candidates.push_back(temp_path());

    for (std::u16string& directory : candidates) {
        if (directory.empty() || !takes_probe_file(directory)) continue;
        if (directory.back() != u'\\' && directory.back() != u'/') directory += kSeparator;
        return directory;
    }
    return std::nullopt;
}

}  // namespace zenta::environment
