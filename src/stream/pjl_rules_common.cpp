// What the feature rules of the PJL job header share: the tray words and the values of single
// fields.

#include <algorithm>

#include "features/feature_table.h"
#include "stream/job_setup.h"
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {

std::string_view tray_word(std::uint32_t index) {
    static constexpr std::string_view kWords[] = {"AUTO",  "SUBTRAY",    "TRAY1",   "TRAY2",   "TRAY3",
                                                  "TRAY4", "TRAY5",      "TRAY6",   "TRAY7",   "TRAY8",
                                                  "TRAY9", "MANUALFEED", "PITRAY1", "PITRAY2", "PBTRAY"};
    return index < std::size(kWords) ? kWords[index] : kWords[0];
}

std::string_view option_value(const Record& record, FeatureId id) {
    const features::FeatureDescriptor* descriptor = features::feature(id).descriptor;
    return descriptor ? descriptor->option(record.raw(id)).pjl_value : std::string_view{};
}

std::string range_value(const Record& record, FeatureId id) {
    const features::RangeDescriptor* range = features::feature(id).range;
    if (!range) return {};
    const std::int64_t value = std::clamp<std::int64_t>(record.number(id), range->minimum, range->maximum);
    return scaled_number(value, range->scale);
}

}  // namespace zenta::stream::pjl
