// `zenta inspect`: a spool file read back, its record migrated by the description it carries.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "environment/record_defaults.h"
#include "features/migration.h"
#include "settings/layout_version.h"
#include "stream/job_reader.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stream::JobReadError error;
    const auto job = stream::read_spool_job(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!job) return 0;
    settings::Record record = environment::default_record();
    features::migrate_features(record.view(), job->record, job->layout);
    environment::validate(record);
    return 0;
}
