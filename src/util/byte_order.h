// Fixed-width integer loads and stores at unaligned byte addresses.
//
// Everything inside the job settings record is big-endian; the driver-visible header of
// the plug-in devmode is little-endian like the driver's own structures. Callers check
// bounds before calling: these helpers touch exactly the bytes their width names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zenta::util {

constexpr uint16_t load_be16(const uint8_t* p) noexcept {
    return static_cast<uint16_t>((static_cast<uint16_t>(p[0]) << 8) | p[1]);
}

constexpr uint32_t load_be32(const uint8_t* p) noexcept {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

constexpr void store_be16(uint8_t* p, uint16_t v) noexcept {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

constexpr void store_be32(uint8_t* p, uint32_t v) noexcept {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Big-endian field of 1, 2 or 4 bytes, as the record's numeric fields are. Any other
// width reads as 0 and stores nothing.
constexpr uint32_t load_be(const uint8_t* p, std::size_t width) noexcept {
    switch (width) {
        case 1:
            return p[0];
        case 2:
            return load_be16(p);
        case 4:
            return load_be32(p);
        default:
            return 0;
    }
}

// Stores the low `width` bytes of v (the value is truncated to the field width).
constexpr void store_be(uint8_t* p, std::size_t width, uint32_t v) noexcept {
    switch (width) {
        case 1:
            p[0] = static_cast<uint8_t>(v);
            break;
        case 2:
            store_be16(p, static_cast<uint16_t>(v));
            break;
        case 4:
            store_be32(p, v);
            break;
        default:
            break;
    }
}

constexpr uint16_t load_le16(const uint8_t* p) noexcept {
    return static_cast<uint16_t>(p[0] | (static_cast<uint16_t>(p[1]) << 8));
}

constexpr uint32_t load_le32(const uint8_t* p) noexcept {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr void store_le16(uint8_t* p, uint16_t v) noexcept {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr void store_le32(uint8_t* p, uint32_t v) noexcept {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace zenta::util
