#pragma once
// The page geometry the plug-in reports to GDI: the printable area of the driver's GDIINFO in
// EnablePDEV and the imageable-area rectangle of GetPDEVAdjustment. Both are widened to the
// whole sheet for borderless output and limited, centred, to the largest area the printer can
// image, for the sheet that the job settings record asks for.
//
// All functions are pure: they read the record, the given numbers and the fields they change.

#include <cstdint>

#include "abi/ddi.h"
#include "settings/record.h"

namespace zenta::plugin {

// A width and a height.
struct Extent {
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    friend bool operator==(const Extent&, const Extent&) = default;
};

// Borderless output: FullBleed 1, PostcardFullBleed 1, or an OutputMethod other than 0 and 7.
bool full_page(const settings::Record& record);

// The sheet in micrometres: the custom size of the record when PageSize is the custom size
// (26), else the fixed 330.2 x 1300 mm sheet.
Extent sheet_size(const settings::Record& record);

// The largest area the printer images on a sheet (micrometres), in device units at dpi_x by
// dpi_y; 25400 by 25400 gives micrometres.
Extent imageable_maximum(std::uint32_t dpi_x, std::uint32_t dpi_y, Extent sheet, bool full_page);

// Rewrites the page fields of a GDIINFO (ulHorzSize, ulVertSize, ulHorzRes, ulVertRes,
// ptlPhysOffset) for a record. `scale` is the public DEVMODE's dmScale when DM_SCALE is set,
// else 0. Nothing changes when ulLogPixelsX is 0.
void adjust_gdi_info(abi::GDIINFO& gdi, const settings::Record& record, std::int32_t scale);

// Adjusts the imageable area (micrometres, sheet coordinates) for a record; true when the
// rectangle changed.
bool adjust_imageable_area(abi::RECTL& area, const settings::Record& record);

}  // namespace zenta::plugin
