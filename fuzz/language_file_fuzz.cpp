// The additional language file: any bytes decoded (AES through the platform's crypto), and the
// languages counted in the text.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "environment/language_file.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto text = environment::decode_language_file(std::span(data, size)))
        (void)environment::count_additional_languages(*text);
    // The same bytes read as the text itself (UTF-16, as a decoded file holds it).
    const std::u16string text(reinterpret_cast<const char16_t*>(data), size / 2);
    (void)environment::count_additional_languages(text);
    return 0;
}
