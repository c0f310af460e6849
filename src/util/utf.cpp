#include "util/utf.h"

#include <cstdint>

namespace zenta::util {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr bool is_continuation(uint8_t b) noexcept { return (b & 0xC0) == 0x80; }

// One UTF-8 sequence at `at`: its code point and the bytes it takes when well-formed; else the
// bytes of its maximal subpart (at least one) and ok = false.
struct Decoded {
    char32_t cp = 0;
    std::size_t used = 1;
    bool ok = false;
};

Decoded decode(std::string_view text, std::size_t at) {
    const std::size_t n = text.size();
    const uint8_t b0 = static_cast<uint8_t>(text[at]);
    if (b0 < 0x80) return {b0, 1, true};

    // Length of the sequence and the allowed range of its second byte; the narrowed ranges
    // after E0, ED, F0 and F4 exclude overlong forms, surrogates and values above U+10FFFF.
    std::size_t len = 0;
    uint8_t lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return {};  // stray continuation or invalid lead
    }

    std::size_t used = 1;
    while (used < len) {
        if (at + used >= n) return {0, used, false};  // truncated at the end of the text
        const uint8_t b = static_cast<uint8_t>(text[at + used]);
        const bool in_range = used == 1 ? (b >= lo && b <= hi) : is_continuation(b);
        if (!in_range) return {0, used, false};
        cp = (cp << 6) | (b & 0x3F);
        ++used;
    }
    return {cp, used, true};
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = decode(text, i);
        if (d.ok)
            append_utf16(out, d.cp);
        else
            out += static_cast<char16_t>(kReplacement);
        i += d.used;
    }
    return out;
}

std::string_view utf8_prefix(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) return text;
    std::size_t whole = 0;  // bytes of the sequences that fit whole
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = decode(text, i);
        if (!d.ok) return text.substr(0, max_bytes);
        i += d.used;
        if (i <= max_bytes) whole = i;
    }
    return text.substr(0, whole);
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            append_utf8(out, kReplacement);
        } else {
            append_utf8(out, u);
        }
    }
    return out;
}

}  // namespace zenta::util
