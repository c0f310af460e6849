#pragma once
// Counts the heap allocations made through operator new anywhere in the process (the plug-in
// library's included): the benchmark program replaces the global allocation functions.

#include <cstdint>
#include <string>

namespace zenta::bench {

std::uint64_t allocations_so_far();
// The bytes allocated through operator new and not yet freed (as the allocator sized them).
std::uint64_t live_bytes();

// Declares that benchmark `name` may report at most `limit` in its counter `counter` (the
// allocations per call, the bytes a device context holds, ...).
struct CounterLimit {
    CounterLimit(std::string name, std::string counter, double limit);
};

}  // namespace zenta::bench
