// Generation of the setters from the rules. Each rule is resolved to numbers at compile time;
// each setter is a template instantiated for its feature, whose rule tests unfold into
// straight-line code with the feature numbers and values as constants.

#include "constraints/setters.h"

#include <array>
#include <utility>

#include "constraints/rule_table.h"

namespace zenta::constraints {

namespace {

using namespace rules;

// ---- What each feature's setter does besides its rules --------------------------------------

struct Steps {
    bool common_pass = false;
    bool page_check = false;
    unsigned paper_source_check = 0;  // the paper size check number; 0 for none
    bool declared = false;
};

consteval std::array<Steps, features::kFeatureCount> steps_of_features() {
    using enum FeatureId;
    std::array<Steps, features::kFeatureCount> steps{};
#define ZENTA_COMMON_PASS(f) steps[features::index_of(f)].common_pass = true;
#define ZENTA_PAGE_CHECK(f) steps[features::index_of(f)].page_check = true;
#define ZENTA_PAPER_SOURCE_CHECK(f, check) steps[features::index_of(f)].paper_source_check = check;
#define ZENTA_SETTER(f) steps[features::index_of(f)].declared = true;
#include "constraints/setter_steps.inc"
#undef ZENTA_COMMON_PASS
#undef ZENTA_PAGE_CHECK
#undef ZENTA_PAPER_SOURCE_CHECK
#undef ZENTA_SETTER
    return steps;
}

constexpr auto kSteps = steps_of_features();

constexpr bool takes_part(FeatureId id) {
    const Steps& s = kSteps[features::index_of(id)];
    if (s.common_pass || s.page_check || s.paper_source_check != 0 || s.declared) return true;
    for (const Rule& r : kRules)
        if (r.source == id || r.target == id) return true;
    return false;
}

consteval bool rules_are_sound() {
    for (const Rule& r : kRules) {
        const features::Feature& source = features::feature(r.source);
        const features::Feature& target = features::feature(r.target);
        if (source.kind == features::Kind::A || target.kind == features::Kind::A) return false;
        if (r.source == r.target) return false;
        if (r.old_values.matches(r.new_value) && r.old_values.test == Test::OneOf) return false;
    }
    return true;
}
static_assert(rules_are_sound(), "a rule targets its own source, a text, or sets a value it moves away from");

template <FeatureId F>
consteval std::size_t rule_count_of() {
    std::size_t n = 0;
    for (const Rule& r : kRules) n += r.source == F;
    return n;
}

template <FeatureId F>
constexpr auto kRulesOf = [] {
    std::array<std::size_t, rule_count_of<F>()> indexes{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < kRules.size(); ++i)
        if (kRules[i].source == F) indexes[n++] = i;
    return indexes;
}();

// ---- The generated code ---------------------------------------------------------------------

template <FeatureId F>
void set(Context& context, std::uint32_t value);

constexpr std::size_t kAnyOldValue = ~std::size_t{0};

template <std::size_t R>
bool printer_allows(const Context& context) {
    constexpr const Rule& rule = kRules[R];
    if constexpr (rule.printer_byte < 0) {
        return true;
    } else {
        const Configuration* config = context.configuration();
        if (!config) return false;
        const std::uint8_t byte = (*config)[static_cast<std::size_t>(rule.printer_byte)];
        for (std::size_t i = 0; i < rule.printer_count; ++i)
            if (byte == rule.printer_values[i]) return true;
        return false;
    }
}

// One test of rule R: against old value number V, or against the whole old-value test.
template <std::size_t R, std::size_t V>
void run_test(Context& context) {
    constexpr const Rule& rule = kRules[R];
    if (!rule.when.matches(context.value(rule.source))) return;
    if (context.on_path(rule.target)) return;
    const std::uint32_t current = context.value(rule.target);
    if constexpr (V == kAnyOldValue) {
        if (!rule.old_values.matches(current)) return;
    } else {
        if (current != rule.old_values.items[V]) return;
    }
    if constexpr (rule.has_condition_feature) {
        if (!rule.condition_values.matches(context.value(rule.condition_feature))) return;
    }
    if (!printer_allows<R>(context)) return;
    if (Firings* firings = context.firings()) [[unlikely]]
        firings->push_back({Firing::Kind::Rule, R, rule.source, context.value(rule.source), rule.target});
    set<rule.target>(context, rule.new_value);
}

template <std::size_t R, std::size_t... V>
void run_value_tests(Context& context, std::index_sequence<V...>) {
    (run_test<R, V>(context), ...);
}

template <std::size_t R>
void run_rule(Context& context) {
    if constexpr (kRules[R].old_values.test == Test::OneOf)
        run_value_tests<R>(context, std::make_index_sequence<kRules[R].old_values.count>{});
    else
        run_test<R, kAnyOldValue>(context);
}

template <FeatureId F, std::size_t... I>
void run_rules(Context& context, std::index_sequence<I...>) {
    (run_rule<kRulesOf<F>[I]>(context), ...);
}

// A shared step of feature F's setter; while firings are noted, its stores are noted as its own.
template <FeatureId F, class Step>
void run_step(Context& context, Firing::Kind kind, Step step) {
    if (!context.firings()) [[likely]] {
        step();
        return;
    }
    const Firing previous = context.begin_step({kind, 0, F, context.value(F), F});
    step();
    context.end_step(previous);
}

template <FeatureId F>
void set(Context& context, std::uint32_t value) {
    constexpr Steps steps = kSteps[features::index_of(F)];
    context.enter(F);
    context.store(F, value);
    if constexpr (steps.common_pass) run_step<F>(context, Firing::Kind::CommonPass, [&] { common_pass(context); });
    run_rules<F>(context, std::make_index_sequence<kRulesOf<F>.size()>{});
    if constexpr (steps.paper_source_check != 0)
        run_step<F>(context, Firing::Kind::PaperSourceCheck,
                    [&] { paper_source_check(context, steps.paper_source_check); });
    if constexpr (steps.page_check)
        run_step<F>(context, Firing::Kind::PageCheck, [&] { page_exception_check(context); });
    context.leave();
}

template <FeatureId F>
constexpr Setter setter_for() {
    if constexpr (takes_part(F))
        return &set<F>;
    else
        return nullptr;
}

template <std::size_t... I>
constexpr std::array<Setter, features::kFeatureCount> make_setters(std::index_sequence<I...>) {
    return {{setter_for<static_cast<FeatureId>(I)>()...}};
}

constexpr auto kSetters = make_setters(std::make_index_sequence<features::kFeatureCount>{});

constexpr auto kReasons = [] {
    const auto written = written_rules();
    std::array<std::string_view, kRuleCount> reasons{};
    for (std::size_t i = 0; i < kRuleCount; ++i) reasons[i] = written[i].reason;
    return reasons;
}();

constexpr auto kEdges = [] {
    std::array<RuleEdge, kRuleCount> edges{};
    for (std::size_t i = 0; i < kRuleCount; ++i) edges[i] = {kRules[i].source, kRules[i].target};
    return edges;
}();

}  // namespace

Setter setter_of(FeatureId id) {
    const std::size_t i = features::index_of(id);
    return i < kSetters.size() ? kSetters[i] : nullptr;
}

bool set_feature(Context& context, FeatureId id, std::uint32_t value) {
    if (Setter setter = setter_of(id)) {
        setter(context, value);
        return true;
    }
    context.store(id, value);
    return false;
}

std::span<const RuleEdge> rule_edges() { return kEdges; }
std::size_t rule_count() { return kRuleCount; }
std::string_view rule_reason(std::size_t rule) { return rule < kRuleCount ? kReasons[rule] : std::string_view(); }
std::size_t setter_count() {
    std::size_t n = 0;
    for (Setter s : kSetters) n += s != nullptr;
    return n;
}

}  // namespace zenta::constraints
