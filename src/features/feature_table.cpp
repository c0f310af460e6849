#include "features/feature_table.h"

#include <algorithm>

namespace zenta::features {
namespace {

// Feature indices sorted by key, for lookups by name.
constexpr std::array<std::uint16_t, kFeatureCount> kByKey = [] {
    std::array<std::uint16_t, kFeatureCount> order{};
    for (std::size_t i = 0; i < kFeatureCount; ++i) order[i] = static_cast<std::uint16_t>(i);
    std::sort(order.begin(), order.end(),
              [](std::uint16_t a, std::uint16_t b) { return kFeatures[a].key < kFeatures[b].key; });
    return order;
}();

}  // namespace

std::optional<FeatureId> find_feature(std::string_view key) {
    const auto it =
        std::lower_bound(kByKey.begin(), kByKey.end(), key,
                         [](std::uint16_t i, std::string_view k) { return kFeatures[i].key < k; });
    if (it == kByKey.end() || kFeatures[*it].key != key) return std::nullopt;
    return static_cast<FeatureId>(*it);
}

}  // namespace zenta::features
