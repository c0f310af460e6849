#include "support/read_back.h"

#include <algorithm>

#include "features/feature_table.h"
#include "stream/job_reader.h"

namespace zenta::test {

::testing::AssertionResult reads_back(std::string_view spool, const settings::Record& record) {
    stream::JobReadError error;
    const auto job = stream::read_spool_job(spool, error);
    if (!job) return ::testing::AssertionFailure() << "line " << error.line << ": " << error.message;
    if (job->record.size() != record.bytes.size())
        return ::testing::AssertionFailure() << "a " << job->record.size() << "-byte record";
    const auto [read, printed] = std::mismatch(job->record.begin(), job->record.end(), record.bytes.begin());
    if (read == job->record.end()) return ::testing::AssertionSuccess();
    const auto offset = static_cast<std::size_t>(read - job->record.begin());
    std::string_view key = "no field";
    for (const features::Feature& feature : features::kFeatures)
        if (offset >= feature.offset && offset < feature.end()) key = feature.key;
    return ::testing::AssertionFailure() << "the record read back differs at byte " << offset << " (" << key
                                         << "): " << int(*read) << " instead of " << int(*printed);
}

}  // namespace zenta::test
