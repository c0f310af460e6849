// CRC-32 with the reflected polynomial 0xEDB88320 (the CRC of zip, PNG and Ethernet).
//
// crc32_update has the zlib calling convention: the register is complemented on entry and
// on exit, so a running value can be fed piece by piece and the start value is 0:
//   crc32_update(crc32_update(0, a), b) == crc32_update(0, a + b).
// The layout version starts its register at 0 rather than 0xFFFFFFFF; with this function
// that is simply crc32_update(0xFFFFFFFF, stream).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zenta::util {

namespace detail {

constexpr std::array<uint32_t, 256> make_crc32_table() noexcept {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[n] = c;
    }
    return table;
}

inline constexpr std::array<uint32_t, 256> crc32_table = make_crc32_table();

}  // namespace detail

constexpr uint32_t crc32_update(uint32_t crc, std::span<const uint8_t> bytes) noexcept {
    uint32_t c = ~crc;
    for (uint8_t b : bytes) c = detail::crc32_table[(c ^ b) & 0xFFu] ^ (c >> 8);
    return ~c;
}

}  // namespace zenta::util
