// The settings text of the tool (Key=Value lines, as `zenta set` and `zenta print` take them).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "environment/record_defaults.h"
#include "settings/settings_text.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    settings::Record record = environment::default_record();
    (void)settings::apply_settings(record, text);
    (void)settings::apply_assignment(record, text);
    (void)settings::format_settings(record);
    return 0;
}
