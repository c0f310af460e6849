#include "util/hex.h"

namespace zenta::util {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

constexpr int digit_value(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void append_byte(std::string& out, uint32_t byte) {
    out += kDigits[(byte >> 4) & 0xF];
    out += kDigits[byte & 0xF];
}

}  // namespace

std::string hex_upper(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) append_byte(out, b);
    return out;
}

std::string hex_u32(uint32_t value) {
    std::string out;
    out.reserve(8);
    for (int shift = 24; shift >= 0; shift -= 8) append_byte(out, value >> shift);
    return out;
}

std::string hex_trimmed(uint32_t value) {
    int shift = 24;
    while (shift > 0 && (value >> shift) == 0) shift -= 8;
    std::string out;
    out.reserve(8);
    for (; shift >= 0; shift -= 8) append_byte(out, value >> shift);
    return out;
}

std::optional<uint32_t> parse_hex_u32(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        const int d = digit_value(c);
        if (d < 0) return std::nullopt;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return value;
}

std::optional<std::vector<uint8_t>> parse_hex_bytes(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit_value(text[i]);
        const int lo = digit_value(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>((hi << 4) | lo));
    }
    return out;
}

}  // namespace zenta::util
