#include "constraints/context.h"

#include <algorithm>
#include <cstring>

namespace zenta::constraints {

Context::Context(settings::Record& record, ChangedList& changed, const Configuration* configuration,
                 const std::uint8_t* unchanged_bytes)
    : record_(record),
      changed_(changed),
      configuration_(configuration),
      owned_snapshot_(unchanged_bytes ? nullptr : std::make_unique<const settings::Record>(record)),
      snapshot_(unchanged_bytes ? unchanged_bytes : owned_snapshot_->data()) {}

bool Context::on_path(FeatureId id) const {
    const auto& visited = visited_.list();
    return std::find(visited.begin(), visited.end(), address(id)) != visited.end();
}

void Context::mark_changed(FieldAddress field, bool differs) {
    if (differs)
        changed_.push_back(field);
    else
        std::erase(changed_, field);
}

void Context::note(FeatureId id) {
    const features::Feature& f = features::feature(id);
    mark_changed(address(id), std::memcmp(address(id), snapshot_ + f.offset, f.size()) != 0);
    if (firings_) [[unlikely]] note_step_store(id);
}

void Context::note_text(FeatureId id) {
    const features::Feature& f = features::feature(id);
    const auto* now = address(id);
    const auto* before = snapshot_ + f.offset;
    const auto* nul = static_cast<const std::uint8_t*>(std::memchr(now, 0, f.size()));
    bool differs = nul == nullptr;
    if (!differs) {
        const std::size_t length = static_cast<std::size_t>(nul - now) + 1;
        differs = std::memcmp(now, before, length) != 0;
    }
    mark_changed(now, differs);
    if (firings_) [[unlikely]] note_step_store(id);
}

FeatureId feature_at(const settings::Record& record, FieldAddress field) {
    const auto offset = static_cast<std::uint32_t>(field - record.data());
    const auto& all = features::kFeatures;
    const auto it =
        std::upper_bound(all.begin(), all.end(), offset,
                         [](std::uint32_t o, const features::Feature& f) { return o < f.offset; });
    return static_cast<FeatureId>(std::distance(all.begin(), it) - 1);
}

std::vector<FeatureId> changed_features(const settings::Record& record, const ChangedList& changed) {
    std::vector<FeatureId> features;
    for (FieldAddress field : changed) {
        const FeatureId id = feature_at(record, field);
        if (std::find(features.begin(), features.end(), id) == features.end()) features.push_back(id);
    }
    return features;
}

}  // namespace zenta::constraints
