#include "allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace zenta::bench {
namespace {

std::atomic<std::uint64_t> count{0};

void* allocate(std::size_t size) {
    count.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* allocate_aligned(std::size_t size, std::align_val_t alignment) {
    count.fetch_add(1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(align, (size + align - 1) / align * align)) return p;
    throw std::bad_alloc();
}

}  // namespace

std::uint64_t allocations_so_far() { return count.load(std::memory_order_relaxed); }

}  // namespace zenta::bench

void* operator new(std::size_t size) { return zenta::bench::allocate(size); }
void* operator new[](std::size_t size) { return zenta::bench::allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return zenta::bench::allocate_aligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return zenta::bench::allocate_aligned(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
