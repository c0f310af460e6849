#include "util/eexec.h"

#include <cstdint>

namespace zenta::util {
namespace {

// The key advances modulo 2^16; the product is formed unsigned (as int it would overflow).
uint16_t next_key(uint16_t key, uint8_t cipher) {
    return static_cast<uint16_t>((std::uint32_t{cipher} + key) * kEexecC1 + kEexecC2);
}

}  // namespace

std::string eexec_encrypt(std::string_view plain, std::span<const uint8_t> lead_in) {
    std::string out;
    out.reserve(lead_in.size() + plain.size());
    uint16_t key = kEexecKey;
    for (const uint8_t c : lead_in) {
        out.push_back(static_cast<char>(c));
        key = next_key(key, c);
    }
    for (const char p : plain) {
        const auto c = static_cast<uint8_t>(static_cast<uint8_t>(p) ^ (key >> 8));
        out.push_back(static_cast<char>(c));
        key = next_key(key, c);
    }
    return out;
}

std::string eexec_decrypt(std::string_view cipher) { return eexec_decrypt(cipher, 0); }

std::string eexec_decrypt(std::string_view cipher, std::size_t skip) {
    std::string out;
    if (cipher.size() > skip) out.reserve(cipher.size() - skip);
    uint16_t key = kEexecKey;
    for (std::size_t i = 0; i < cipher.size(); ++i) {
        const auto c = static_cast<uint8_t>(cipher[i]);
        if (i >= skip) out.push_back(static_cast<char>(c ^ (key >> 8)));
        key = next_key(key, c);
    }
    return out;
}

}  // namespace zenta::util
