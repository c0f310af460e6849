#pragma once
// The vocabulary in which the rules between features are written (rules.inc), and its
// resolution at compile time into numbers. A rule reads:
//
//   when <source> is <value(s)> [and <another feature> is <value(s)>] [and the printer ...],
//   and <target> is not on the path and now is <old value(s)>:  set <target> to <new value>
//
// Values are written as the option keywords of the feature (selections) or as the stored
// number (ranges, and selections without an option table). A keyword that the feature does not
// have stops the build. Nothing here is looked at while a record is changed: the setters are
// generated from the resolved rules (setters.cpp), one straight-line routine per feature.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "features/feature_table.h"

namespace zenta::constraints::rules {

using features::FeatureId;

inline constexpr std::size_t kMaxWrittenValues = 16;
inline constexpr std::size_t kMaxValues = 32;  // a complement may name every option but one

enum class Test : std::uint8_t {
    Any,     // no test
    OneOf,   // the value is one of the listed ones
    NoneOf,  // the value is none of the listed ones
};

// ---- As written ------------------------------------------------------------------------------

struct WrittenValues {
    Test test = Test::Any;
    std::array<std::string_view, kMaxWrittenValues> items{};
    std::size_t count = 0;
};

template <class... T>
consteval WrittenValues Is(T... values) {
    static_assert(sizeof...(T) >= 1 && sizeof...(T) <= kMaxWrittenValues);
    return {Test::OneOf, {std::string_view(values)...}, sizeof...(T)};
}
template <class... T>
consteval WrittenValues IsNot(T... values) {
    static_assert(sizeof...(T) >= 1 && sizeof...(T) <= kMaxWrittenValues);
    return {Test::NoneOf, {std::string_view(values)...}, sizeof...(T)};
}

// A further condition of a rule: another feature's value, the printer configuration, or both.
// A printer condition compares one byte of the installable options block with a few values and
// fails when the block is absent.
struct WrittenCondition {
    bool has_feature = false;
    FeatureId feature{};
    WrittenValues values;
    int printer_byte = -1;
    std::array<std::uint8_t, 8> printer_values{};
    std::size_t printer_count = 0;
};

inline constexpr WrittenCondition Always{};

consteval WrittenCondition With(FeatureId feature, WrittenValues values) {
    WrittenCondition c;
    c.has_feature = true;
    c.feature = feature;
    c.values = values;
    return c;
}

template <class... T>
consteval WrittenCondition OnPrinter(int byte, T... values) {
    static_assert(sizeof...(T) >= 1 && sizeof...(T) <= 8);
    WrittenCondition c;
    c.printer_byte = byte;
    c.printer_values = {static_cast<std::uint8_t>(values)...};
    c.printer_count = sizeof...(T);
    return c;
}

consteval WrittenCondition operator&&(WrittenCondition a, const WrittenCondition& b) {
    if (b.has_feature) {
        a.has_feature = true;
        a.feature = b.feature;
        a.values = b.values;
    }
    if (b.printer_byte >= 0) {
        a.printer_byte = b.printer_byte;
        a.printer_values = b.printer_values;
        a.printer_count = b.printer_count;
    }
    return a;
}

struct WrittenRule {
    FeatureId source;
    WrittenValues when;
    FeatureId target;
    WrittenValues old_values;
    std::string_view new_value;
    WrittenCondition condition;
    std::string_view reason;
};

// ---- Resolved --------------------------------------------------------------------------------

struct Values {
    Test test = Test::Any;
    std::array<std::uint32_t, kMaxValues> items{};
    std::size_t count = 0;

    constexpr bool matches(std::uint32_t v) const {
        if (test == Test::Any) return true;
        bool listed = false;
        for (std::size_t i = 0; i < count; ++i) listed = listed || items[i] == v;
        return test == Test::OneOf ? listed : !listed;
    }
};

struct Rule {
    FeatureId source;
    Values when;
    FeatureId target;
    // OneOf: one test per listed old value, in the listed order. NoneOf: one test.
    Values old_values;
    std::uint32_t new_value;
    bool has_condition_feature;
    FeatureId condition_feature;
    Values condition_values;
    int printer_byte;
    std::array<std::uint8_t, 8> printer_values;
    std::size_t printer_count;
};

// The stored number a written value stands for.
consteval std::uint32_t value_of(FeatureId id, std::string_view text) {
    const features::Feature& f = features::feature(id);
    if (f.kind == features::Kind::A) throw "rules compare selections and ranges only";
    if (f.descriptor && f.descriptor->option_count() > 0) {
        const std::int64_t index = f.descriptor->index_of(text);
        if (index < 0) throw "the feature has no option with this keyword";
        return static_cast<std::uint32_t>(index);
    }
    if (text.empty()) throw "a number is missing";
    const bool negative = text.front() == '-';
    std::int64_t n = 0;
    for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') throw "not a number";
        n = n * 10 + (text[i] - '0');
    }
    return static_cast<std::uint32_t>(negative ? -n : n);
}

consteval Values resolve(FeatureId id, const WrittenValues& written) {
    Values v;
    v.test = written.test;
    for (std::size_t i = 0; i < written.count; ++i) v.items[v.count++] = value_of(id, written.items[i]);
    return v;
}

// Old values "anything but these" of a selection become one test per remaining option, in
// option order, as every other list of old values.
consteval Values resolve_old(FeatureId id, const WrittenValues& written) {
    Values v = resolve(id, written);
    const features::Feature& f = features::feature(id);
    if (v.test != Test::NoneOf || f.kind != features::Kind::S || f.descriptor->option_count() == 0) return v;
    Values complement;
    complement.test = Test::OneOf;
    for (std::uint32_t option = 0; option < f.descriptor->option_count(); ++option)
        if (v.matches(option)) complement.items[complement.count++] = option;
    return complement;
}

consteval Rule resolve(const WrittenRule& w) {
    if (w.when.test == Test::Any || w.old_values.test == Test::Any) throw "a rule needs both value tests";
    if (w.condition.has_feature && w.condition.values.test == Test::Any) throw "a condition needs values";
    return Rule{w.source,
                resolve(w.source, w.when),
                w.target,
                resolve_old(w.target, w.old_values),
                value_of(w.target, w.new_value),
                w.condition.has_feature,
                w.condition.feature,
                w.condition.has_feature ? resolve(w.condition.feature, w.condition.values) : Values{},
                w.condition.printer_byte,
                w.condition.printer_values,
                w.condition.printer_count};
}

}  // namespace zenta::constraints::rules

namespace zenta::constraints::rules {

// Bytes of the installable options block that rules compare.
inline constexpr int kPrinterClassByte = 2;  // the printer model class
inline constexpr int kFolderUnitByte = 7;    // the folding unit installed

}  // namespace zenta::constraints::rules
