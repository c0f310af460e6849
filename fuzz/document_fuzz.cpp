// The document the CUPS filter and `zenta print` take in: told apart from PDF, and taken apart
// as DSC PostScript.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/dsc_document.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)host::looks_like_pdf(text);
    std::string error;
    (void)host::parse_dsc(text, error);
    return 0;
}
