#include "support/process_counts.h"

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <filesystem>
#include <malloc.h>
#endif

namespace zenta::test {

#if defined(_WIN32)

std::optional<std::size_t> open_handles() {
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return std::nullopt;
    return count;
}

std::optional<std::size_t> private_memory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters))
        return std::nullopt;
    return counters.PrivateUsage;
}

#else

std::optional<std::size_t> open_handles() {
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error))
        ++count;
    if (error) return std::nullopt;
    return count;
}

std::optional<std::size_t> private_memory() { return mallinfo2().uordblks; }

#endif

}  // namespace zenta::test
