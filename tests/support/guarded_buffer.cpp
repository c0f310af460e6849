#include "support/guarded_buffer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zenta::test {

namespace {

std::size_t page_size() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

GuardedBuffer::GuardedBuffer(std::size_t size) : size_(size) {
    const std::size_t page = page_size();
    const std::size_t data_pages = (size + page - 1) / page;
    mapping_size_ = (data_pages + 1) * page;
#ifdef _WIN32
    mapping_ = VirtualAlloc(nullptr, mapping_size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!mapping_) return;
    DWORD old = 0;
    VirtualProtect(static_cast<char*>(mapping_) + data_pages * page, page, PAGE_NOACCESS, &old);
#else
    void* m = mmap(nullptr, mapping_size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return;
    mapping_ = m;
    mprotect(static_cast<char*>(mapping_) + data_pages * page, page, PROT_NONE);
#endif
    data_ = static_cast<std::uint8_t*>(mapping_) + data_pages * page - size;
}

GuardedBuffer::~GuardedBuffer() {
    if (!mapping_) return;
#ifdef _WIN32
    VirtualFree(mapping_, 0, MEM_RELEASE);
#else
    munmap(mapping_, mapping_size_);
#endif
}

}  // namespace zenta::test
