#pragma once
// The PPD of the printer for a CUPS queue, generated from the feature model. Every selection a
// user sets through a dialog is a PPD option whose keyword is the feature key and whose choices
// are the option keywords; every range is a custom option whose choice is the default and whose
// custom value is given in the range's first display unit. The choices carry no PostScript: the
// CUPS filter (zenta-cups) takes the job's options and sets the features itself, through the
// constraint engine, exactly as `zenta set Key=Value` does.
//
// The other way round, for the filter: the installable options block from the choices of the
// PPD's installed options, and the stored number of a range from what CUPS sends for it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "environment/printer_data.h"
#include "features/feature_table.h"

namespace zenta::tool::cups {

// The whole PPD text (ASCII for the English texts, UTF-8 for the translations, LF line
// ends). The defaults are those of the default record and of the built-in printer's installable
// options.
std::string make_cups_ppd();

// Why a feature is not an option of the PPD; empty when it is one. Every feature can still be
// set with `-o Key=Value`: the filter takes any feature key.
std::string_view left_out_reason(features::FeatureId id);

// The installable options block for the choices of the PPD's installed options, by option
// keyword (the *Default lines of the InstallableOptions group, or a job's options), for example
// {"PrinterClass", "Class9"}, {"PaperFeed", "Config6"}. An option not given, or given a choice
// the PPD does not have, keeps the byte of the base block (by default the built-in printer's).
environment::InstallableOptions installable_options_from(const std::map<std::string, std::string>& choices);
environment::InstallableOptions installable_options_from(const std::map<std::string, std::string>& choices,
                                                         const environment::InstallableOptions& base);

// The stored number of a range feature for what CUPS sends as its value, in the range's first
// display unit: the default choice or any number ("150", "12.5"), a custom value
// ("Custom.150", "Custom.-2.5") or the same in braces ("{Value=150}"). The number is rounded to
// the stored unit; nothing when the text is not such a number, lies outside the range, or the
// feature is not a range.
std::optional<std::int64_t> range_value_from_choice(features::FeatureId id, std::string_view choice);

}  // namespace zenta::tool::cups
