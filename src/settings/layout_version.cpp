#include "settings/layout_version.h"

#include <atomic>

#include "features/families.h"
#include "util/once.h"

namespace zenta::settings {
namespace {

std::atomic<unsigned> g_passes{0};

}  // namespace

std::uint32_t compute_layout_version() {
    ++g_passes;
    // The register starts at 0 and the result is complemented: the zlib-style update applied
    // to a previous value of 0xFFFFFFFF.
    std::uint32_t crc = 0xFFFFFFFFu;
    crc = features::hash_number(crc, features::kRecordSize);
    crc = features::hash_features(crc);
    crc = features::hash_number(crc, 16);
    return crc;
}

std::uint32_t layout_version() {
    static util::Once<std::uint32_t> version;
    return version.get(compute_layout_version);
}

unsigned layout_version_passes() { return g_passes.load(); }

}  // namespace zenta::settings
