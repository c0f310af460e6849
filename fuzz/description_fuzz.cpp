// A settings description and the record it describes, as a spool file or a DEVMODE of another
// layout brings them: parsed, and the record migrated into this layout. Input: the description
// text, a zero byte, then the old record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "environment/record_defaults.h"
#include "features/migration.h"
#include "settings/layout_version.h"
#include "util/base64.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* end = std::find(data, data + size, std::uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(data), static_cast<std::size_t>(end - data));
    const std::span<const std::uint8_t> old_record(end == data + size ? end : end + 1, data + size);
    if (const auto parsed = features::parse_description(text)) {
        settings::Record record = environment::default_record();
        features::migrate_features(record.view(), old_record, *parsed);
        environment::validate(record);
    }
    settings::Record record = environment::default_record();
    const std::string base64 = util::base64_encode(std::span(data, static_cast<std::size_t>(end - data)));
    if (features::migrate_record(record.view(), old_record, base64, settings::layout_version(),
                                 environment::default_record().view()) == features::MigrationResult::Migrated)
        environment::validate(record);
    return 0;
}
