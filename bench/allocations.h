#pragma once
// Counts the heap allocations made through operator new anywhere in the process (the plug-in
// library's included): the benchmark program replaces the global allocation functions.

#include <cstdint>
#include <string>

namespace zenta::bench {

std::uint64_t allocations_so_far();

// Declares that one iteration of benchmark `name` may make at most `limit` allocations; the
// benchmark reports its count as the counter "allocations".
struct AllocationLimit {
    AllocationLimit(std::string name, double limit);
};

}  // namespace zenta::bench
