#pragma once
// Process-wide values computed on first use. The done flag is tested before taking the lock
// (the fast path every later call takes) and again after, so that two threads racing on the
// first use compute the value once.

#include <atomic>
#include <mutex>
#include <optional>

namespace zenta::util {

template <class T>
class Once {
public:
    template <class Make>
    const T& get(Make&& make) {
        if (!done_.load(std::memory_order_acquire)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!done_.load(std::memory_order_relaxed)) {
                value_.emplace(make());
                done_.store(true, std::memory_order_release);
            }
        }
        return *value_;
    }

private:
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::optional<T> value_;
};

}  // namespace zenta::util
