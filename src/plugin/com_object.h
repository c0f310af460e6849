#pragma once
// What the plug-in's COM objects share: an interlocked reference count that starts at 1.

#include <atomic>
#include <cstdint>

#include "abi/types.h"

namespace zenta::plugin {

class RefCount {
public:
    // Interlocked increment; returns the new count.
    abi::ULONG add_ref() { return static_cast<abi::ULONG>(count_.fetch_add(1) + 1); }
    // Interlocked decrement; returns the new count (0: the object is to be destroyed).
    abi::ULONG release() { return static_cast<abi::ULONG>(count_.fetch_sub(1) - 1); }

private:
    std::atomic<std::int32_t> count_{1};
};

}  // namespace zenta::plugin
