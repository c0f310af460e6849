// The eexec cipher of Type 1 fonts, as PostScript interpreters apply it to the text that the
// eexec operator reads: a 16-bit key starting at 55665; each cipher byte is the plain byte XOR
// the key's high byte, and the key then becomes (cipher byte + key) * 52845 + 22719.
//
// The interpreter throws away the first four plain bytes of what it decrypts, so an encrypted
// text starts with four lead-in bytes. Here the lead-in bytes are chosen as cipher bytes: they
// are written unchanged and advance the key like any other cipher byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zenta::util {

inline constexpr uint16_t kEexecKey = 55665;
inline constexpr uint16_t kEexecC1 = 52845;
inline constexpr uint16_t kEexecC2 = 22719;

// The lead-in bytes as they are, then the plain text encrypted.
std::string eexec_encrypt(std::string_view plain, std::span<const uint8_t> lead_in);

// Every plain byte of the cipher text, the lead-in's plain bytes included.
std::string eexec_decrypt(std::string_view cipher);

// The plain text after the first `skip` plain bytes (the lead-in); "" when the cipher text is
// not longer than that.
std::string eexec_decrypt(std::string_view cipher, std::size_t skip);

}  // namespace zenta::util
