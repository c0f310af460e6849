#include "constraints/explain.h"

#include "constraints/setters.h"
#include "settings/settings_text.h"

namespace zenta::constraints {
namespace {

// A setting's value as it stood when it caused a change.
std::string value_text(const settings::Record& record, FeatureId id, std::uint32_t value) {
    settings::Record scratch = record;
    scratch.set_raw(id, value);
    return settings::format_value(scratch, id);
}

std::string_view step_name(Firing::Kind kind) {
    switch (kind) {
        case Firing::Kind::CommonPass:
            return "the paper, source and adjustment check every paper setting runs";
        case Firing::Kind::PaperSourceCheck:
            return "the automatic source cannot feed this paper the way round the job needs, so the sheet turns";
        case Firing::Kind::PageCheck:
            return "page exception entries that no longer fit the job are removed";
        case Firing::Kind::Rule:
            break;
    }
    return {};
}

}  // namespace

std::vector<std::string> explain_changes(const settings::Record& before, const settings::Record& after,
                                         const ChangedList& changed, const Firings& firings) {
    std::vector<std::string> lines;
    for (FeatureId id : changed_features(after, changed)) {
        std::string line = std::string(features::feature(id).key) + ": " + settings::format_value(before, id) +
                           " -> " + settings::format_value(after, id);
        // The last firing that reached the field decided its value.
        for (auto it = firings.rbegin(); it != firings.rend(); ++it) {
            if (it->target != id || (it->kind != Firing::Kind::Rule && it->source == id)) continue;
            line += "  because " + std::string(features::feature(it->source).key) + ' ' +
                    value_text(after, it->source, it->source_value) + ": ";
            line += it->kind == Firing::Kind::Rule ? rule_reason(it->rule) : step_name(it->kind);
            break;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace zenta::constraints
