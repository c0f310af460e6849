// Conversion between UTF-8 (texts in the record and the print stream) and UTF-16 (texts
// exchanged with Windows).
//
// Both directions are total: anything that is not well-formed becomes U+FFFD. In UTF-8,
// each maximal subpart of an ill-formed sequence (the longest prefix of a well-formed
// sequence, or else a single byte) turns into one U+FFFD; this rejects overlong forms,
// encoded surrogates and values above U+10FFFF. In UTF-16, each unpaired surrogate turns
// into one U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace zenta::util {

std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

// At most max_bytes of a text. A well-formed UTF-8 text is cut only between sequences: a
// sequence that would not fit whole is dropped with all that follows. Any other text is cut
// at max_bytes.
std::string_view utf8_prefix(std::string_view text, std::size_t max_bytes);

}  // namespace zenta::util
