#pragma once
// Waiting until the tab document library has finished its tab file. The file exists from the
// start (created empty for its unique name); it is ready once it holds bytes and nobody else has
// it open. The wait is bounded: every round first looks at the time since the wait began and gives
// up at kReadyWaitLimit or later, so no attempt starts past the limit. Between attempts it sleeps
// kReadySleep plus a random 0 to 99 ms (the process-wide generator), so a file that stays empty is
// given up on at the first round past the limit, about 6 seconds in.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace zenta::tabfile {

inline constexpr std::chrono::milliseconds kReadyWaitLimit{5000};
inline constexpr std::uint32_t kReadySleep = 2000;       // ms
inline constexpr std::uint32_t kReadySleepJitter = 100;  // the random part is below this

// The clock and the pause of the wait; tests give their own so that no time passes for real.
struct ReadyWaitServices {
    std::function<std::chrono::steady_clock::time_point()> now;
    std::function<void(std::uint32_t milliseconds)> sleep;
};

// std::chrono::steady_clock and the system seam's Sleep.
ReadyWaitServices default_ready_wait_services();

// 1. Open the file for reading with full sharing (read, write, delete), existing only; when that
//    fails, sleep and try again.
// 2. Ready when GetFileSizeEx gives a size above 0; when GetFileSizeEx itself fails, when the file
//    opened as a binary stream ("rb") and sought to its end is at a position above 0. Not ready:
//    close, sleep, back to 1.
// 3. Close, then open it with no sharing until that succeeds (sleeping between attempts); close.
// True when the file is ready, false when the time ran out.
bool wait_until_ready(const std::u16string& path, const ReadyWaitServices& services);
bool wait_until_ready(const std::u16string& path);

}  // namespace zenta::tabfile
