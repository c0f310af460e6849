#pragma once
// The layout version: a CRC-32 over the record size, every feature's key, option keywords,
// scale and width, and a closing 16. It identifies a record layout wherever a record is
// stored, so that a record of any other layout is never read as if it were this one.

#include <cstdint>

namespace zenta::settings {

// Computed on the first call and cached for the life of the process.
std::uint32_t layout_version();

// One pass over the feature table, without the cache.
std::uint32_t compute_layout_version();

// How many times the process computed the layout version (the cache makes it at most one).
unsigned layout_version_passes();

}  // namespace zenta::settings
