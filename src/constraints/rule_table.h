#pragma once
// The rules of rules.inc, resolved to numbers at compile time: the table the generated setters
// are made from, and that reports over the rules (the plain pairs) read.

#include <array>

#include "constraints/rule_model.h"

namespace zenta::constraints::rules {

consteval auto written_rules() {
    using enum FeatureId;
    return std::array{
#define ZENTA_RULE(source, when, target, old_values, new_value, condition, reason) \
    WrittenRule{source, when, target, old_values, new_value, condition, reason},
#include "constraints/rules.inc"
#undef ZENTA_RULE
    };
}

inline constexpr auto kRuleCount = written_rules().size();

consteval std::array<Rule, kRuleCount> resolve_rules() {
    const auto written = written_rules();
    std::array<Rule, kRuleCount> resolved{};
    for (std::size_t i = 0; i < kRuleCount; ++i) resolved[i] = resolve(written[i]);
    return resolved;
}

inline constexpr std::array<Rule, kRuleCount> kRules = resolve_rules();

}  // namespace zenta::constraints::rules
