#pragma once
// The public DEVMODE read as a request to change the job settings: paper (PageSizeName,
// PageSizeType, CustomPageSizeWidth/Height, PageSize), Orientation, InputSlot, Resolution and
// NumCopies. Building the request is all this does; the constraint engine applies it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "abi/types.h"
#include "environment/bin_map.h"
#include "environment/paper_identification.h"
#include "environment/printer_data.h"

namespace zenta::settings {
struct Record;
}

namespace zenta::environment {

// PageSizeType options.
inline constexpr std::uint8_t kStandardForm = 0;
inline constexpr std::uint8_t kUserDefinedForm = 1;
inline constexpr std::uint8_t kCustomPageSize = 2;

// Resolution options.
inline constexpr std::uint8_t kResolution600 = 0;
inline constexpr std::uint8_t kResolution1200 = 1;

// dmPaperSize of a custom page size; the PostScript driver then keeps the size in micrometres in
// its private area, at these DEVMODE offsets.
inline constexpr std::uint16_t kCustomPaperNumber = 32767;
inline constexpr std::size_t kCustomWidthOffset = 372;
inline constexpr std::size_t kCustomLengthOffset = 376;

// The request of "apply public settings": only the items that are present are applied.
struct PublicSettingsRequest {
    std::optional<std::string> paper_name;  // PageSizeName; narrow text (UTF-8)
    std::optional<std::uint8_t>
        page_size_type;                     // PageSizeType: kStandardForm, kUserDefinedForm, kCustomPageSize
    std::optional<std::uint32_t> width;     // CustomPageSizeWidth, in its unit (1/10000 mm)
    std::optional<std::uint32_t> length;    // CustomPageSizeHeight, in its unit (1/10000 mm)
    std::optional<std::uint8_t> page_size;  // PageSize option; kCustomPaper (26) for a custom size
    std::optional<std::uint8_t> orientation;  // 1 landscape, 0 portrait
    std::optional<std::uint8_t> input_slot;   // tray code 0 to 11
    std::optional<std::uint8_t> resolution;   // kResolution600 or kResolution1200
    std::optional<std::uint16_t> copies;      // in the scale of NumCopies
    friend bool operator==(const PublicSettingsRequest&, const PublicSettingsRequest&) = default;
};

struct DevmodeChangeSet {
    PublicSettingsRequest request;
    // Whether the DEVMODE asks for another Orientation, InputSlot, PageSize or Resolution than the
    // record holds (copies do not count).
    bool changed = false;
    // The printer's installable options, for the engine's printer-dependent rules; none without a
    // printer handle or when the printer has none.
    std::optional<InstallableOptions> configuration;
};

// Reads the public DEVMODE into a change request against the record. `devmode` is the whole
// DEVMODE as bytes: the public part, then the dmDriverExtra private bytes. Nothing outside it is
// read, whatever dmSize and dmDriverExtra claim: a field that lies beyond the buffer or beyond
// dmSize counts as not given. An empty buffer, or one too short to hold dmFields, gives nothing.
// `printer` may be null: then no installable options, forms, bins or custom papers are consulted.
DevmodeChangeSet build_change_set(std::span<const std::uint8_t> devmode, const settings::Record& record,
                                  abi::HANDLE printer);

// The PageSizeType of a custom paper of that name: a user-defined form when the printer's custom
// paper of that name is marked as one, a custom page size when it is not but the DEVMODE asked for
// one (dmPaperSize 32767), else a standard form; a standard form as well when no custom paper has
// the name.
std::uint8_t custom_paper_kind(const std::vector<CustomPaper>& papers, const std::string& name,
                               bool custom_paper_number);

}  // namespace zenta::environment
