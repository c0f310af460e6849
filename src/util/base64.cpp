#include "util/base64.h"

#include <array>

namespace zenta::util {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kInvalid = 0xFF;
constexpr uint8_t kSpace = 0xFE;
constexpr uint8_t kPad = 0xFD;

// Maps every byte to its 6-bit value or to one of the markers above.
constexpr std::array<uint8_t, 256> make_decode_table() noexcept {
    std::array<uint8_t, 256> t{};
    for (auto& v : t) v = kInvalid;
    for (uint8_t i = 0; i < 64; ++i) t[static_cast<uint8_t>(kAlphabet[i])] = i;
    t['\r'] = t['\n'] = t[' '] = t['\t'] = kSpace;
    t['='] = kPad;
    return t;
}

constexpr std::array<uint8_t, 256> kDecode = make_decode_table();

// The two characters of every 12-bit value: a group of three bytes is two lookups.
constexpr std::array<std::array<char, 2>, 4096> make_pair_table() noexcept {
    std::array<std::array<char, 2>, 4096> t{};
    for (unsigned v = 0; v < 4096; ++v) t[v] = {kAlphabet[v >> 6], kAlphabet[v & 63]};
    return t;
}

constexpr std::array<std::array<char, 2>, 4096> kPairs = make_pair_table();

}  // namespace

std::string base64_encode(std::span<const uint8_t> bytes) {
    // Written through a pointer into the finished size: this runs over a whole record for every
    // job.
    std::string out((bytes.size() + 2) / 3 * 4, '=');
    char* to = out.data();
    const uint8_t* from = bytes.data();
    const uint8_t* const whole_end = from + bytes.size() / 3 * 3;
    for (; from != whole_end; from += 3, to += 4) {
        const uint32_t v = (uint32_t{from[0]} << 16) | (uint32_t{from[1]} << 8) | from[2];
        const auto& high = kPairs[v >> 12];
        const auto& low = kPairs[v & 0xFFF];
        to[0] = high[0];
        to[1] = high[1];
        to[2] = low[0];
        to[3] = low[1];
    }
    const std::size_t rest = bytes.size() % 3;
    if (rest != 0) {
        const uint32_t v = (uint32_t{from[0]} << 16) | (rest == 2 ? uint32_t{from[1]} << 8 : 0);
        to[0] = kAlphabet[(v >> 18) & 63];
        to[1] = kAlphabet[(v >> 12) & 63];
        if (rest == 2) to[2] = kAlphabet[(v >> 6) & 63];
    }
    return out;
}

std::optional<std::vector<uint8_t>> base64_decode(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3 + 3);

    uint32_t group = 0;      // sextets of the current group, packed from the top
    std::size_t filled = 0;  // sextets in the current group (0..3)
    std::size_t pads = 0;    // '=' seen so far; once non-zero only padding and space may follow

    for (const char ch : text) {
        const uint8_t v = kDecode[static_cast<uint8_t>(ch)];
        if (v == kSpace) continue;
        if (v == kInvalid) return std::nullopt;
        if (v == kPad) {
            ++pads;
            continue;
        }
        if (pads != 0) return std::nullopt;  // data after padding
        group = (group << 6) | v;
        if (++filled == 4) {
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            filled = 0;
        }
    }

    // The final group: 0, 2 or 3 sextets, optionally followed by exactly the padding that
    // completes it to four characters.
    switch (filled) {
        case 0:
            if (pads != 0) return std::nullopt;
            break;
        case 2:
            if (pads != 0 && pads != 2) return std::nullopt;
            out.push_back(static_cast<uint8_t>(group >> 4));
            break;
        case 3:
            if (pads != 0 && pads != 1) return std::nullopt;
            out.push_back(static_cast<uint8_t>(group >> 10));
            out.push_back(static_cast<uint8_t>(group >> 2));
            break;
        default:  // a single dangling character carries less than a byte
            return std::nullopt;
    }
    return out;
}

}  // namespace zenta::util
