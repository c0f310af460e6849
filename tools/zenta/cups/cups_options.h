#pragma once
// The options text CUPS hands a filter, and how it becomes the tool's Key=Value settings.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zenta::tool::cups {

// "name=value name2='quoted value' flag noflag ...": pairs in the order given. A name alone is
// "true", a name with the prefix "no" alone is that name "false"; quotes (' or ") and backslash
// escapes as CUPS writes them.
std::vector<std::pair<std::string, std::string>> parse_options(std::string_view text);

struct Settings {
    std::vector<std::string> assignments;  // Key=Value, in feature order
    // Options left out, "name=value: why". Refused ones look like job settings (a capitalised name,
    // as every feature key and PPD keyword is) but name no feature or give a value the feature
    // does not take: the user meant them, so they are errors. The others are CUPS's own job
    // attributes (job-uuid, number-up, ...), which are not the filter's business.
    std::vector<std::string> refused;
    std::vector<std::string> ignored;
};

// The options that name a job setting, as Key=Value in the order of the features (so that the
// same options give the same job however CUPS orders them; a later value of the same key wins).
// A choice CUPS writes for a custom value ("Custom.150") gives its number; "true"/"false" the
// feature's own True/False. Options that name no setting are left for CUPS and listed.
Settings job_settings(const std::vector<std::pair<std::string, std::string>>& options);

// The queue's own defaults (the PPD's *Default choices, which `lpadmin -o` rewrites) that differ
// from the default record, as options: they go before the job's own options.
std::vector<std::pair<std::string, std::string>> queue_defaults(
    const std::vector<std::pair<std::string, std::string>>& ppd_defaults);

// Whether an option names one of the PPD's installed options (the printer's, not the job's).
bool is_installable_option(std::string_view name);

}  // namespace zenta::tool::cups
