// zenta pjl: the PJL job header exactly as the plug-in builds it, from the default record (or a
// record file) with the given settings stored directly, without the constraint engine, so that
// any combination can be looked at.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "environment/record_defaults.h"
#include "files.h"
#include "settings/settings_text.h"
#include "stream/pjl_header.h"

namespace zenta::tool {
namespace {

struct PjlOptions {
    std::vector<std::string> assignments;
    std::string record;
    std::optional<std::string> title, user, job_id;
};

int print_header(const PjlOptions& options) {
    settings::Record record = environment::default_record();
    if (!options.record.empty() && !read_record("pjl", options.record, record)) return 1;
    for (const std::string& assignment : options.assignments) {
        if (const auto error = settings::apply_assignment(record, assignment)) {
            std::cerr << "zenta: pjl: " << *error << '\n';
            return 2;
        }
    }
    std::cout << stream::pjl_job_header(record, {options.title, options.user, options.job_id}) << std::flush;
    return 0;
}

}  // namespace

void register_pjl_commands(CLI::App& app) {
    static PjlOptions options;
    auto* pjl = app.add_subcommand("pjl", "Print the PJL job header the plug-in writes for a record");
    pjl->add_option("settings", options.assignments, "Key=Value assignments, stored as they are");
    pjl->add_option("--record", options.record, "Start from this record file instead of the defaults");
    pjl->add_option("--title", options.title, "The document name (JOBNAME unless the record names a file)");
    pjl->add_option("--user", options.user, "The user name (USERNAME)");
    pjl->add_option("--job-id", options.job_id, "The driver job identifier (DRIVERJOBID)");
    set_action(pjl, [] { return print_header(options); });
}

}  // namespace zenta::tool
