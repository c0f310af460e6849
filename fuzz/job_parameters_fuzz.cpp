// The spooler job's parameters text, as the credential refresh reads it: Base64 of a DEVMODE,
// whose plug-in record is found behind the driver's private area.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugin/refresh.h"
#include "util/base64.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto devmode = util::base64_decode(text)) (void)plugin::record_in_devmode(*devmode);
    // The bytes taken as the decoded DEVMODE itself reach deeper.
    (void)plugin::record_in_devmode(std::span(data, size));
    return 0;
}
