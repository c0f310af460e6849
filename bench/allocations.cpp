#include "allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <malloc.h>

namespace zenta::bench {
namespace {

std::atomic<std::uint64_t> count{0};
std::atomic<std::uint64_t> live{0};

void* counted(void* p) {
    if (!p) throw std::bad_alloc();
    count.fetch_add(1, std::memory_order_relaxed);
    live.fetch_add(malloc_usable_size(p), std::memory_order_relaxed);
    return p;
}

void* allocate(std::size_t size) { return counted(std::malloc(size ? size : 1)); }

void* allocate_aligned(std::size_t size, std::align_val_t alignment) {
    const auto align = static_cast<std::size_t>(alignment);
    return counted(std::aligned_alloc(align, (size + align - 1) / align * align));
}

void release(void* p) noexcept {
    if (!p) return;
    live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

std::uint64_t allocations_so_far() { return count.load(std::memory_order_relaxed); }
std::uint64_t live_bytes() { return live.load(std::memory_order_relaxed); }

}  // namespace zenta::bench

void* operator new(std::size_t size) { return zenta::bench::allocate(size); }
void* operator new[](std::size_t size) { return zenta::bench::allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return zenta::bench::allocate_aligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return zenta::bench::allocate_aligned(size, a); }
void operator delete(void* p) noexcept { zenta::bench::release(p); }
void operator delete[](void* p) noexcept { zenta::bench::release(p); }
void operator delete(void* p, std::size_t) noexcept { zenta::bench::release(p); }
void operator delete[](void* p, std::size_t) noexcept { zenta::bench::release(p); }
void operator delete(void* p, std::align_val_t) noexcept { zenta::bench::release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { zenta::bench::release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { zenta::bench::release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { zenta::bench::release(p); }
