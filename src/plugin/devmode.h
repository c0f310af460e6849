#pragma once
// The plug-in devmode through the driver's DevMode calls: sizing, defaulting, converting and
// merging the block, with the record kept valid, in step with the public DEVMODE, the printer's
// default duplex and driver options, and the N-up marker in the core driver's private area.
//
// Nothing here reads or writes outside what the driver handed in, whatever its size fields
// claim: a DEVMODE is taken to reach dmSize + dmDriverExtra bytes, but never past the start of
// this plug-in's block when the block lies inside it; a block is taken to reach the smaller of
// its own size word (or cbBufSize for the output) and the end of the DEVMODE it lies in.

#include <cstdint>
#include <span>

#include "abi/oem.h"
#include "plugin/pdev.h"

namespace zenta::plugin {

// One DevMode call. False for an unknown mode, a missing parameter block, or a block that
// cannot be sized, defaulted, converted or merged.
bool devmode_operation(abi::DWORD mode, abi::OEMDMPARAM* param, const PluginPdev* pdev) noexcept;

// The public part and private area of a DEVMODE (dmSize + dmDriverExtra bytes), but never past
// this plug-in's block when the block lies inside it.
std::span<std::uint8_t> devmode_bytes(abi::DEVMODEW* dm, const void* own_block);

// Brings the N-up marker of a DEVMODE (public part and private area, `devmode` bounding what
// may be touched) up to date for a record and returns it. While a document has pages set up the
// marker is only read; an absent or unusable private area gives 0.
std::uint8_t update_nup_marker(std::span<std::uint8_t> devmode, const settings::Record* record,
                               const PluginPdev* pdev);

}  // namespace zenta::plugin
