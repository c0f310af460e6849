#pragma once
// The plug-in devmode: the block the core driver keeps for this plug-in behind the public DEVMODE
// and its own private area. A 26-byte header, little-endian (its first 12 bytes are the driver's
// OEM_DMEXTRAHEADER), then the job settings record, 27800 bytes in all:
//
//   0   dwSize             27800
//   4   dwSignature        0x5A545156 ("VQTZ" in memory)
//   8   dwVersion          the record's layout version
//   12  extension marker   0xFFFFFFFF
//   16  extension length   14: the header bytes after the first 12
//   20  header flag        non-zero leaves out the PPD invocation block of the job
//   21  reserved           5 zero bytes
//   26  the record
//
// Also here: the N-up marker, one byte that the plug-in keeps in the core driver's private
// DEVMODE area (which begins dmSize bytes into the DEVMODE and starts with "PRIV").

#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/record.h"

namespace zenta::settings {

inline constexpr std::uint32_t kPluginDevmodeSize = 27800;
inline constexpr std::uint32_t kPluginSignature = 0x5A545156;
inline constexpr std::uint32_t kExtensionMarker = 0xFFFFFFFF;
inline constexpr std::uint32_t kExtensionLength = 14;
inline constexpr std::size_t kExtraHeaderSize = 12;  // OEM_DMEXTRAHEADER
inline constexpr std::size_t kHeaderFlagOffset = 20;
inline constexpr std::size_t kRecordOffset = kExtraHeaderSize + kExtensionLength;
static_assert(kRecordOffset + Record::kSize == kPluginDevmodeSize);

// The acceptance test every reader applies before trusting the record behind a block: the
// block is there and holds at least 27800 bytes, by its own word and by what the caller knows
// to be readable (`available`), and carries this plug-in's signature, this layout's version, the
// extension marker and the extension length 14.
bool is_plugin_devmode(const std::uint8_t* block, std::size_t available);

// The record behind a block that passed the test.
inline std::span<const std::uint8_t, Record::kSize> record_bytes(const std::uint8_t* block) {
    return std::span<const std::uint8_t, Record::kSize>(block + kRecordOffset, Record::kSize);
}
inline std::span<std::uint8_t, Record::kSize> record_bytes(std::uint8_t* block) {
    return std::span<std::uint8_t, Record::kSize>(block + kRecordOffset, Record::kSize);
}

// Writes a whole block: the header of this layout and the record.
void write_plugin_devmode(std::span<std::uint8_t, kPluginDevmodeSize> block, const Record& record);

// ---- The N-up marker ------------------------------------------------------------------------

inline constexpr std::size_t kNupMarkerOffset = 124;  // in the core driver's private area

// The marker byte inside a DEVMODE of `size` readable bytes, or null when the private area is
// too short (dmDriverExtra not above 124, or beyond the bytes given) or does not begin with
// "PRIV".
std::uint8_t* nup_marker(std::uint8_t* devmode, std::size_t size);

// The value the marker takes for a record: 1 when the record prints N-up, or when tab sheets
// are printed through the page exception list (TabImageShift 0 and at least one tab entry in
// the tab printing selection); else 0.
std::uint8_t nup_marker_value(const Record& record);

}  // namespace zenta::settings
