// The password cipher of the PJL job header: the values written enciphered (the secure print,
// account track and user authentication passwords, the PDF password) are padded to whole 16-byte
// blocks, enciphered with AES-128 in CBC mode under an entry of the cipher key table that the
// plug-in shares with the printer controller (cipher_keys.inc), and written as upper-case
// hexadecimal, two digits per byte, with nothing before or after the enciphered bytes.
//
// Padding: at least one pad byte is always added, up to the next multiple of 16 bytes, and every
// pad byte holds the number of pad bytes minus 1. A text of 16 bytes thus gains a whole block of
// 0x0F bytes, a text of 15 bytes a single 0x00 byte, and the empty text is the pad block alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "util/crypto.h"

namespace zenta::stream {

// One entry of the cipher key table.
struct CipherKeyEntry {
    std::uint32_t id;
    util::Aes128Key key;
    util::AesBlock iv;
};

// The entry the plug-in enciphers its PJL values under.
inline constexpr std::uint32_t kPasswordKeyId = 233;

// The entry of the cipher key table with this id; nothing when the table has none.
std::optional<CipherKeyEntry> find_cipher_key(std::uint32_t id);

// The text (8-bit bytes, UTF-8 for user texts) padded, enciphered under entry kPasswordKeyId and
// written in upper-case hexadecimal: 32 digits for up to 15 bytes, 64 for 16 to 31, and so on.
// An empty string when the platform's cipher fails; such a value is never a valid enciphered
// one, which always has at least 32 digits.
std::string encipher_password(std::string_view text);

}  // namespace zenta::stream
