// Rescaling of lengths between units.
//
// A length carries a unit in parts per millimetre (10 = tenths of a millimetre, 10000 =
// micrometres ... ). Going from `from_units` to `to_units`, both units are first reduced by
// their greatest common divisor to m = to / g and d = from / g; the result is
// value * m / d in 64-bit unsigned arithmetic, rounded half up when the unit gets coarser
// (m < d) and truncated otherwise, keeping the low 32 bits. A unit of 0 counts as 1.
#pragma once

#include <cstdint>
#include <numeric>

namespace zenta::util {

constexpr uint32_t rescale(uint32_t value, uint32_t from_units, uint32_t to_units) noexcept {
    const uint64_t from = from_units == 0 ? 1 : from_units;
    const uint64_t to = to_units == 0 ? 1 : to_units;
    const uint64_t g = std::gcd(from, to);
    const uint64_t m = to / g;
    const uint64_t d = from / g;
    // value < 2^32 and m < 2^32, so the product fits; when m < d the rounding term d / 2 is
    // below 2^31 and m <= 2^32 - 2, which still leaves room.
    uint64_t n = static_cast<uint64_t>(value) * m;
    if (m < d) n += d / 2;
    return static_cast<uint32_t>(n / d);
}

}  // namespace zenta::util
