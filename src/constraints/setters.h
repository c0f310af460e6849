#pragma once
// The setters: one routine per feature that takes part in rules, generated from rules.inc and
// setter_steps.inc. A setter stores the value, brings the changed list up to date, runs the
// paper steps where the feature has them, fires its rules in order (each rule calls the
// target's setter), runs the page exception check where the feature has it, and leaves the
// path. A rule never fires for a feature on the path, so every chain ends.

#include <cstdint>
#include <span>
#include <string_view>

#include "constraints/context.h"

namespace zenta::constraints {

using Setter = void (*)(Context&, std::uint32_t);

// The setter of a feature, or null when the feature takes part in no rule.
Setter setter_of(FeatureId id);

// Calls the feature's setter when it has one; otherwise stores the value directly. True when a
// setter ran.
bool set_feature(Context& context, FeatureId id, std::uint32_t value);

// Rules are data: what the engine was built from, for reports and tests.
struct RuleEdge {
    FeatureId source;
    FeatureId target;
};
// Every (source, target) pair of the rules, in rule order, with repeats.
std::span<const RuleEdge> rule_edges();
std::size_t rule_count();
// The reason text written beside a rule.
std::string_view rule_reason(std::size_t rule);
std::size_t setter_count();

// The steps setters share (steps.cpp).
void common_pass(Context& context);
void paper_source_check(Context& context, unsigned check);
void page_exception_check(Context& context);

}  // namespace zenta::constraints
