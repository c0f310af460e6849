#pragma once
// Settings given on the command line as Key=Value, applied to a record the way the plug-in
// applies a value that comes from outside. Shared by the verbs that take settings (set, print).

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "environment/printer_data.h"
#include "settings/record.h"

namespace zenta::tool {

// Whether a command-line argument is Key=Value with a known feature key.
bool is_assignment(std::string_view argument);

// What apply_assignments prints of the changes it makes.
struct ChangeReport {
    std::ostream* out = nullptr;  // null: nothing
    bool explain = false;         // each change the engine made, with its reason
    bool automatic_only = false;  // leave out the fields the assignments name themselves
    std::string prefix;           // put before every line
};

// Applies the assignments in order, one change at a time: a selection or range through the
// constraint engine (the feature's setter and rules, with the printer's configuration when one
// is given), a text stored directly. Every field that changed is printed as the report asks.
// Returns 0, or 2 after printing (naming the verb) what is wrong with an assignment: an
// unknown key or a value the feature does not take.
int apply_assignments(std::string_view verb, settings::Record& record,
                      const std::vector<std::string>& assignments,
                      const environment::InstallableOptions* configuration, const ChangeReport& report);

}  // namespace zenta::tool
