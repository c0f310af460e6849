#include "stream/pjl_header.h"

#include <algorithm>
#include <optional>
#include <iterator>
#include <vector>

#include "features/feature_table.h"
#include "stream/pjl_rules.h"
#include "stream/text.h"
#include "util/once.h"
#include "util/utf.h"

namespace zenta::stream {
namespace {

using features::FeatureId;

enum class LineKind : std::uint8_t { Rule, Covered, CoveredPrefix, Feature, Range };

struct OrderEntry {
    LineKind kind;
    std::string_view variable;
    pjl::Rule rule = nullptr;
    FeatureId range{};
};

constexpr OrderEntry kOrder[] = {
#define ZENTA_PJL_RULE(variable, rule) {LineKind::Rule, variable, &pjl::rule},
#define ZENTA_PJL_COVERED(variable) {LineKind::Covered, variable},
#define ZENTA_PJL_COVERED_PREFIX(prefix) {LineKind::CoveredPrefix, prefix},
#define ZENTA_PJL_FEATURE(variable) {LineKind::Feature, variable},
#define ZENTA_PJL_RANGE(variable, feature) {LineKind::Range, variable, nullptr, FeatureId::feature},
#include "stream/pjl_order.inc"
#undef ZENTA_PJL_RULE
#undef ZENTA_PJL_COVERED
#undef ZENTA_PJL_COVERED_PREFIX
#undef ZENTA_PJL_FEATURE
#undef ZENTA_PJL_RANGE
};

// One step of the header after its head lines: a rule, or the line of one feature.
struct Step {
    pjl::Rule rule = nullptr;
    FeatureId feature{};
    std::string_view variable;
};

std::optional<FeatureId> feature_of_variable(std::string_view variable) {
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const features::FeatureDescriptor* d = features::kFeatures[i].descriptor;
        if (d && d->pjl_variable == variable && features::kFeatures[i].kind == features::Kind::S)
            return static_cast<FeatureId>(i);
    }
    return std::nullopt;
}

// The steps in header order, found once: the order data, and after it the selections of the
// plain walk that it does not name, each placed after the feature before it in feature order.
const std::vector<Step>& steps() {
    static util::Once<std::vector<Step>> once;
    return once.get([] {
        std::vector<Step> list;
        for (const OrderEntry& entry : kOrder) {
            if (entry.kind == LineKind::Rule) list.push_back({entry.rule, {}, entry.variable});
            if (entry.kind == LineKind::Range) list.push_back({nullptr, entry.range, entry.variable});
            if (entry.kind == LineKind::Feature)
                if (const auto id = feature_of_variable(entry.variable))
                    list.push_back({nullptr, *id, entry.variable});
        }
        const auto placed = [&](FeatureId id) {
            return std::find_if(list.begin(), list.end(), [&](const Step& s) {
                return !s.rule && !s.variable.empty() && s.feature == id;
            });
        };
        auto after = list.begin();
        for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
            const auto id = static_cast<FeatureId>(i);
            const features::FeatureDescriptor* d = features::kFeatures[i].descriptor;
            if (auto at = placed(id); at != list.end()) {
                after = at + 1;
                continue;
            }
            if (!d || d->pjl_variable.empty() || (d->pjl_mode != 1 && d->pjl_mode != 2) ||
                features::kFeatures[i].kind != features::Kind::S || written_by_rule(d->pjl_variable))
                continue;
            after = list.insert(after, Step{nullptr, id, d->pjl_variable}) + 1;
        }
        return list;
    });
}

}  // namespace

bool written_by_rule(std::string_view variable) {
    for (const OrderEntry& entry : kOrder) {
        if ((entry.kind == LineKind::Rule || entry.kind == LineKind::Covered) && entry.variable == variable)
            return true;
        if (entry.kind == LineKind::CoveredPrefix && variable.starts_with(entry.variable)) return true;
    }
    return false;
}

std::vector<std::string_view> header_order() {
    std::vector<std::string_view> variables;
    for (const Step& step : steps()) variables.push_back(step.variable);
    return variables;
}

std::string pjl_job_header(const settings::Record& record, const JobIdentity& job) {
    std::string out;
    if (job.job_id && !job.job_id->empty())
        append_pjl_set(out, "DRIVERJOBID", *job.job_id, PjlQuoting::Always);
    append_pjl_set(out, "STRINGCODESET", "UTF8", PjlQuoting::Automatic);
    append_pjl_set(out, "QVCOETYPE", "2", PjlQuoting::Automatic);
    if (job.user_name) append_pjl_set(out, "USERNAME", *job.user_name, PjlQuoting::Always);
    const std::string_view file_name = record.text(FeatureId::FileName);
    const std::optional<std::string_view> job_name = !file_name.empty()
                                                         ? std::optional<std::string_view>(file_name)
                                                     : job.title ? std::optional<std::string_view>(*job.title)
                                                                 : std::nullopt;
    if (job_name)
        append_pjl_set(out, "JOBNAME", util::utf8_prefix(*job_name, kJobNameBytes), PjlQuoting::Always);

    for (const Step& step : steps()) {
        if (step.rule) {
            step.rule(record, out);
        } else if (features::feature(step.feature).kind == features::Kind::R) {
            append_pjl_set(out, step.variable, pjl::range_value(record, step.feature), PjlQuoting::Automatic);
        } else if (const std::string_view value = pjl::option_value(record, step.feature); !value.empty()) {
            append_pjl_set(out, step.variable, value, PjlQuoting::Automatic);
        }
    }
    return out;
}

}  // namespace zenta::stream
