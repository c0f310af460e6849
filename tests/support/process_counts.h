#pragma once
// What the test process holds, as the system counts it: for tests that a long run does not grow.

#include <cstddef>
#include <optional>

namespace zenta::test {

// Open handles (Windows) or file descriptors (Linux).
std::optional<std::size_t> open_handles();
// Memory the process has committed for itself: private bytes (Windows) or the heap's bytes in
// use (Linux).
std::optional<std::size_t> private_memory();

}  // namespace zenta::test
