// Hexadecimal text forms. Digits written are always upper case.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zenta::util {

// Two digits per byte, in order: {0x0A, 0xFF} -> "0AFF".
std::string hex_upper(std::span<const uint8_t> bytes);

// Always eight digits: 0x1234 -> "00001234".
std::string hex_u32(uint32_t value);

// Two digits per byte, most significant byte first, leading zero bytes dropped; zero is
// "00". This is the form in which a layout version names its stored description:
// 0x1234 -> "1234", 0x00012345 -> "012345".
std::string hex_trimmed(uint32_t value);

// One to eight hexadecimal digits of either case, optionally after "0x" or "0X"; nothing
// else (no sign, no space).
std::optional<uint32_t> parse_hex_u32(std::string_view text);

// An even number of hexadecimal digits of either case, two per byte; "" is no bytes.
std::optional<std::vector<uint8_t>> parse_hex_bytes(std::string_view text);

}  // namespace zenta::util
