// The program's peak resident memory, from the system (kept apart from the other file helpers:
// the Windows headers it needs define names the plug-in's declarations use).

#include <cstdint>
#include <optional>

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace zenta::tool {

std::optional<std::uint64_t> peak_resident_kib() {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return std::nullopt;
    return counters.PeakWorkingSetSize / 1024;
#else
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(usage.ru_maxrss);  // KiB on Linux
#endif
}

}  // namespace zenta::tool
