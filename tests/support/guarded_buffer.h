#pragma once
// A buffer of exactly the size asked for whose end touches a page that can be neither read nor
// written: a call that goes one byte past the end stops the test program there, instead of
// passing quietly. The start is aligned to 8 bytes when the size is a multiple of 8.

#include <cstddef>
#include <cstdint>
#include <span>

namespace zenta::test {

class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t size);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    std::uint8_t* data() { return data_; }
    std::size_t size() const { return size_; }
    std::span<std::uint8_t> bytes() { return {data_, size_}; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    void* mapping_ = nullptr;
    std::size_t mapping_size_ = 0;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zenta::test
