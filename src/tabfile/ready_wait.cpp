#include "tabfile/ready_wait.h"

#include <cstdio>

#include "platform/os.h"
#include "util/utf.h"

namespace zenta::tabfile {
namespace {

// The fallback size check through the C runtime: whether the file, opened as a binary stream and
// sought to its end, is at a position above 0.
bool stream_has_bytes(const std::u16string& path) {
#if defined(_WIN32)
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    std::FILE* stream = _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rb");
#else
    // The seam's rule for paths on Linux: UTF-8, and "\" counts as "/".
    std::string narrow = util::utf16_to_utf8(path);
    for (char& c : narrow)
        if (c == '\\') c = '/';
    std::FILE* stream = std::fopen(narrow.c_str(), "rb");
#endif
    if (!stream) return false;
    const bool has_bytes = std::fseek(stream, 0, SEEK_END) == 0 && std::ftell(stream) > 0;
    std::fclose(stream);
    return has_bytes;
}

}  // namespace

ReadyWaitServices default_ready_wait_services() {
    return {[] { return std::chrono::steady_clock::now(); },
            [](std::uint32_t milliseconds) { platform::system().Sleep(milliseconds); }};
}

bool wait_until_ready(const std::u16string& path, const ReadyWaitServices& services) {
    platform::System& sys = platform::system();
    const auto start = services.now();
    const auto time_is_up = [&] { return services.now() - start >= kReadyWaitLimit; };
    const auto pause = [&] {
        services.sleep(kReadySleep + static_cast<std::uint32_t>(sys.rand()) % kReadySleepJitter);
    };
    constexpr abi::DWORD kFullSharing =
        platform::kFileShareRead | platform::kFileShareWrite | platform::kFileShareDelete;
    constexpr abi::DWORD kNoSharing = 0;
    const auto open = [&](abi::DWORD sharing) {
        const abi::HANDLE file =
            sys.CreateFileW(path.c_str(), platform::kGenericRead, sharing, platform::kOpenExisting, 0);
        return file == platform::kInvalidHandleValue ? nullptr : file;
    };

    for (;;) {
        if (time_is_up()) return false;
        const abi::HANDLE file = open(kFullSharing);
        if (!file) {
            pause();
            continue;
        }
        std::int64_t size = 0;
        const bool ready = sys.GetFileSizeEx(file, &size) ? size > 0 : stream_has_bytes(path);
        sys.CloseHandle(file);
        if (ready) break;
        pause();
    }

    for (;;) {
        if (time_is_up()) return false;
        if (const abi::HANDLE file = open(kNoSharing)) {
            sys.CloseHandle(file);
            return true;
        }
        pause();
    }
}

bool wait_until_ready(const std::u16string& path) {
    return wait_until_ready(path, default_ready_wait_services());
}

}  // namespace zenta::tabfile
