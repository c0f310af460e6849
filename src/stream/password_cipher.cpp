#include "stream/password_cipher.h"

#include <array>
#include <cstddef>
#include <vector>

#include "util/hex.h"

namespace zenta::stream {
namespace {

#include "stream/cipher_keys.inc"

constexpr const CipherKeyEntry* entry_of(std::uint32_t id) {
    for (const CipherKeyEntry& entry : kCipherKeys)
        if (entry.id == id) return &entry;
    return nullptr;
}

constexpr bool ids_unique() {
    for (std::size_t i = 0; i < kCipherKeys.size(); ++i)
        for (std::size_t j = i + 1; j < kCipherKeys.size(); ++j)
            if (kCipherKeys[i].id == kCipherKeys[j].id) return false;
    return true;
}

static_assert(ids_unique(), "every id names one entry of the cipher key table");
constexpr bool has_entry(std::uint32_t id) {
    for (const CipherKeyEntry& entry : kCipherKeys)
        if (entry.id == id) return true;
    return false;
}
static_assert(has_entry(kPasswordKeyId), "the password entry is in the cipher key table");

// The text followed by 1 to 16 pad bytes up to a whole number of blocks, each pad byte holding
// the pad length minus 1.
std::vector<std::uint8_t> padded(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const std::size_t pad = util::kAesBlockSize - text.size() % util::kAesBlockSize;
    bytes.insert(bytes.end(), pad, static_cast<std::uint8_t>(pad - 1));
    return bytes;
}

}  // namespace

std::optional<CipherKeyEntry> find_cipher_key(std::uint32_t id) {
    const CipherKeyEntry* entry = entry_of(id);
    if (!entry) return std::nullopt;
    return *entry;
}

std::string encipher_password(std::string_view text) {
    constexpr const CipherKeyEntry& entry = *entry_of(kPasswordKeyId);
    const std::vector<std::uint8_t> plain = padded(text);
    std::vector<std::uint8_t> enciphered(plain.size());
    if (!util::aes128_cbc_encrypt(entry.key, entry.iv, plain, enciphered)) return {};
    return util::hex_upper(enciphered);
}

}  // namespace zenta::stream
