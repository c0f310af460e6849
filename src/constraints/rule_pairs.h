#pragma once
// The rules that are plain pairs between two selections: "when <source> is V, <target> may not
// stay O", with no condition on a third feature or on the printer. A printer description can
// state such a rule as a constraint between two choices, so that a dialog warns before the
// engine resets the target. The engine itself never reads this list; it is built at compile
// time from the same rules.inc as the setters.

#include <cstdint>
#include <span>
#include <vector>

#include "features/feature_table.h"

namespace zenta::constraints {

using features::FeatureId;

struct RulePair {
    FeatureId source;
    std::uint32_t source_value;  // option index of the source
    FeatureId target;
    std::uint32_t old_value;  // option index of the target that the rule moves away from
    std::uint32_t rule;       // the rule's number (rule order, as rule_reason() counts)
};

// Every (source value, old value) of every plain rule between two selections with options, in
// rule order; a rule that lists several values gives one pair per combination ("anything but"
// lists stand for every other option). The same pair may come from several rules.
std::span<const RulePair> plain_rule_pairs();

// The values that rules compare one byte of the installable options block with, ascending,
// without repeats; empty for a byte no rule reads.
std::vector<std::uint8_t> printer_values_compared(int byte);

}  // namespace zenta::constraints
