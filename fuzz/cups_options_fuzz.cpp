// The CUPS filter's options string (argument 5), turned into job settings and applied.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cups/cups_options.h"
#include "environment/record_defaults.h"
#include "settings/settings_text.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto options = tool::cups::parse_options(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto settings = tool::cups::job_settings(options);
    settings::Record record = environment::default_record();
    for (const std::string& assignment : settings.assignments) (void)settings::apply_assignment(record, assignment);
    (void)tool::cups::queue_defaults(options);
    return 0;
}
