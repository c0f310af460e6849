// The published ciphers the plug-in needs, taken from the platform: BCrypt on Windows, OpenSSL's
// libcrypto elsewhere (src/platform/win32/crypto.cpp, src/platform/posix/crypto.cpp).
//
// AES is used in cipher block chaining mode without padding: the input is whole 16-byte blocks
// and the output has exactly its length. Every function reports failure instead of throwing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace zenta::util {

using Sha256Digest = std::array<uint8_t, 32>;
using Aes128Key = std::array<uint8_t, 16>;
using Aes256Key = std::array<uint8_t, 32>;
using AesBlock = std::array<uint8_t, 16>;

inline constexpr std::size_t kAesBlockSize = 16;

// SHA-256 of the bytes; nothing when the platform's provider is not available.
std::optional<Sha256Digest> sha256(std::span<const uint8_t> data);

// AES-256 in CBC mode over whole blocks: `in` must be a multiple of 16 bytes long and `out` at
// least as long (only its first in.size() bytes are written). The IV is not changed. False when
// the lengths do not fit or the platform refuses; `out` then holds nothing meaningful.
bool aes256_cbc_decrypt(const Aes256Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out);
bool aes256_cbc_encrypt(const Aes256Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out);

// AES-128 in CBC mode, with the same contract as the AES-256 functions above.
bool aes128_cbc_decrypt(const Aes128Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out);
bool aes128_cbc_encrypt(const Aes128Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out);

}  // namespace zenta::util
