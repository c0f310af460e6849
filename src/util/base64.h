// Base64 with the RFC 4648 alphabet (A-Z a-z 0-9 + /) and '=' padding.
//
// The job settings description travels in this form, both in the print stream and in
// the printer data values that describe older record layouts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zenta::util {

// Always padded to a multiple of four characters; no line breaks.
std::string base64_encode(std::span<const uint8_t> bytes);

// Decodes padded or unpadded text. ASCII whitespace (CR, LF, space, tab) is skipped
// wherever it stands. Returns nullopt for any other character outside the alphabet, for
// '=' anywhere but as the complete padding of the final group, for padding that does not
// match the final group, and for a final group of a single character. Unused low bits of
// the final group are ignored.
std::optional<std::vector<uint8_t>> base64_decode(std::string_view text);

}  // namespace zenta::util
