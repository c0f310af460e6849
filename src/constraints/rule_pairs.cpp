// The plain pairs among the rules, resolved at compile time from rules.inc (see rule_pairs.h).

#include "constraints/rule_pairs.h"

#include <algorithm>
#include <array>

#include "constraints/rule_table.h"

namespace zenta::constraints {
namespace {

using namespace rules;

consteval bool is_choice_list(FeatureId id) {
    const features::Feature& f = features::feature(id);
    return f.kind == features::Kind::S && f.descriptor->option_count() > 0;
}

consteval bool is_plain(const Rule& r) {
    return !r.has_condition_feature && r.printer_byte < 0 && is_choice_list(r.source) &&
           is_choice_list(r.target);
}

// The options of a selection that a value test accepts, in option order.
consteval Values accepted(FeatureId id, const Values& test) {
    Values listed;
    listed.test = Test::OneOf;
    for (std::uint32_t option = 0; option < features::feature(id).descriptor->option_count(); ++option)
        if (test.matches(option)) listed.items[listed.count++] = option;
    return listed;
}

consteval std::size_t pair_count() {
    std::size_t n = 0;
    for (const Rule& r : kRules)
        if (is_plain(r)) n += accepted(r.source, r.when).count * accepted(r.target, r.old_values).count;
    return n;
}

constexpr auto kPairs = []() consteval {
    std::array<RulePair, pair_count()> pairs{};
    std::size_t n = 0;
    for (std::uint32_t i = 0; i < kRuleCount; ++i) {
        const Rule& r = kRules[i];
        if (!is_plain(r)) continue;
        const Values sources = accepted(r.source, r.when);
        const Values olds = accepted(r.target, r.old_values);
        for (std::size_t s = 0; s < sources.count; ++s)
            for (std::size_t o = 0; o < olds.count; ++o)
                pairs[n++] = {r.source, sources.items[s], r.target, olds.items[o], i};
    }
    return pairs;
}
();

}  // namespace

std::span<const RulePair> plain_rule_pairs() { return kPairs; }

std::vector<std::uint8_t> printer_values_compared(int byte) {
    std::vector<std::uint8_t> values;
    for (const Rule& r : kRules)
        if (r.printer_byte == byte)
            values.insert(values.end(), r.printer_values.begin(), r.printer_values.begin() + r.printer_count);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

}  // namespace zenta::constraints
