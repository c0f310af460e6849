// The PJL job header: the @PJL SET lines that hand the printer controller the job's settings
// before the PostScript begins.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/record.h"

namespace zenta::stream {

// Who and what the job is, besides its settings. Texts are UTF-8; none means unknown.
struct JobIdentity {
    std::optional<std::string> title;      // the document name
    std::optional<std::string> user_name;  // the account the job is printed from
    std::optional<std::string> job_id;     // the driver job identifier, made once per stream
};

// The longest JOBNAME the controller takes, in bytes.
inline constexpr std::size_t kJobNameBytes = 240;

// The header for a record: the head lines (DRIVERJOBID, STRINGCODESET, QVCOETYPE, USERNAME,
// JOBNAME), then the job settings in feature order. Never empty: STRINGCODESET is always there.
std::string pjl_job_header(const settings::Record& record, const JobIdentity& job);

// Whether a PJL variable is written by a feature rule of its own rather than by the plain
// walk over the features (the walk then leaves the feature out).
bool written_by_rule(std::string_view variable);

// The header's steps after the head lines, each named by its (first) variable, in order.
std::vector<std::string_view> header_order();

}  // namespace zenta::stream
