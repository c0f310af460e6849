#include "plugin/geometry.h"

#include <algorithm>
#include <cmath>

#include "features/feature_table.h"
#include "util/units.h"

namespace zenta::plugin {

using features::FeatureId;

namespace {

constexpr std::uint32_t kCustomPageSize = 26;
constexpr std::uint32_t kLandscape = 1;
constexpr std::uint32_t kMicrometresPerInch = 25400;
constexpr std::uint32_t kHalfInch = 12700;       // rounds a division by kMicrometresPerInch
constexpr std::uint32_t kMicrometreUnit = 1000;  // parts per millimetre
constexpr Extent kDefaultSheet{330200, 1300000};
constexpr std::uint32_t kUnprintableBorder = 5644;  // both edges of one axis together, micrometres
constexpr double kLargestWidthPoints = 914;
constexpr double kLargestHeightPoints = 3669;
constexpr double kPointsPerInch = 72;

// Half away from zero.
double round_half_away(double value) { return std::trunc(value < 0 ? value - 0.5 : value + 0.5); }

// A non-negative rounded value kept in 32 bits, as the fields that receive it are.
std::uint32_t to_u32(double value) {
    const double rounded = round_half_away(value);
    if (!(rounded >= 0)) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::min(rounded, 18446744073709549568.0)));
}

// Micrometres, from a custom size field stored in its range's unit.
std::uint32_t custom_length(const settings::Record& record, FeatureId id) {
    return util::rescale(record.raw(id), features::feature(id).range->scale, kMicrometreUnit);
}

// One axis of the imageable maximum, in device units at `dpi`.
std::uint32_t imageable_axis(std::uint32_t dpi, std::uint32_t sheet, bool full_page, double largest_points) {
    std::uint32_t length = to_u32(util::rescale(sheet, kMicrometreUnit, dpi) / 25.4);
    if (!full_page)
        length =
            sheet > kUnprintableBorder
                ? to_u32(static_cast<double>(sheet - kUnprintableBorder) * dpi / double{kMicrometresPerInch})
                : 0;
    return std::min(length, to_u32(dpi * largest_points / kPointsPerInch));
}

// One axis of the GDIINFO: the size field (millimetres, or micrometres when negative as a
// signed number), the resolution in device units, the sheet length and the offset of the
// printable area. An area wider than `limit` micrometres is cut to it and centred. All compares
// and the offset are unsigned 32-bit, as the fields are; the products are taken in 64 bits.
void limit_axis(abi::ULONG& size, abi::ULONG& res, abi::LONG sheet, abi::LONG& offset, abi::ULONG dpi,
                std::uint32_t limit) {
    const std::uint32_t current = static_cast<abi::LONG>(size) < 0 ? 0u - size : size * 1000u;
    if (current <= limit) return;
    size = 0u - limit;
    res = static_cast<std::uint32_t>((std::uint64_t{dpi} * limit + kHalfInch) / kMicrometresPerInch);
    offset = static_cast<abi::LONG>((static_cast<std::uint32_t>(sheet) - res + 1u) / 2u);
}

// One axis of the imageable area: a span longer than `limit` is cut to it and centred. The
// sums are signed 32-bit (taken in 64 bits, kept in 32) and the halving is a signed division,
// rounding towards zero, on both axes alike.
void centre_span(abi::LONG& low, abi::LONG& high, std::uint32_t limit) {
    if (std::int64_t{high} - low <= std::int64_t{limit}) return;
    const auto t = static_cast<std::int32_t>(std::int64_t{low} - limit + high);
    low = t / 2;
    high = static_cast<abi::LONG>(std::int64_t{low} + limit);
}

}  // namespace

bool full_page(const settings::Record& record) {
    // The stored numbers are compared as they are, not the options they read as (the custom
    // PageSize 26 lies past the option list, so the same holds for every setting here).
    const std::uint32_t output_method = record.raw(FeatureId::OutputMethod);
    return record.raw(FeatureId::FullBleed) == 1 || record.raw(FeatureId::PostcardFullBleed) == 1 ||
           (output_method != 0 && output_method != 7);
}

Extent sheet_size(const settings::Record& record) {
    if (record.raw(FeatureId::PageSize) != kCustomPageSize) return kDefaultSheet;
    return {custom_length(record, FeatureId::CustomPageSizeWidth),
            custom_length(record, FeatureId::CustomPageSizeHeight)};
}

Extent imageable_maximum(std::uint32_t dpi_x, std::uint32_t dpi_y, Extent sheet, bool full_page) {
    return {imageable_axis(dpi_x, sheet.width, full_page, kLargestWidthPoints),
            imageable_axis(dpi_y, sheet.height, full_page, kLargestHeightPoints)};
}

void adjust_gdi_info(abi::GDIINFO& gdi, const settings::Record& record, std::int32_t scale) {
    const abi::ULONG dpi_x = gdi.ulLogPixelsX;
    const abi::ULONG dpi_y = gdi.ulLogPixelsY;
    if (dpi_x == 0) return;
    const bool whole_sheet = full_page(record);

    // Borderless: the printable area is the whole sheet (sizes in micrometres, negative).
    if (dpi_y != 0 && whole_sheet) {
        gdi.ulHorzRes = static_cast<abi::ULONG>(gdi.szlPhysSize.cx);
        gdi.ulHorzSize =
            static_cast<abi::ULONG>(-(std::int64_t{gdi.szlPhysSize.cx} * kMicrometresPerInch / dpi_x));
        gdi.ulVertRes = static_cast<abi::ULONG>(gdi.szlPhysSize.cy);
        gdi.ulVertSize =
            static_cast<abi::ULONG>(-(std::int64_t{gdi.szlPhysSize.cy} * kMicrometresPerInch / dpi_y));
        gdi.ptlPhysOffset = {0, 0};
    }
    if (dpi_y == 0) return;

    // The largest imageable area in micrometres, truncated.
    const Extent units = imageable_maximum(dpi_x, dpi_y, sheet_size(record), whole_sheet);
    auto max_w = static_cast<std::uint32_t>(std::uint64_t{units.width} * kMicrometresPerInch / dpi_x);
    auto max_h = static_cast<std::uint32_t>(std::uint64_t{units.height} * kMicrometresPerInch / dpi_y);
    // GDI's page is turned for landscape, and drawn at the job's scale.
    if (record.raw(FeatureId::Orientation) == kLandscape) std::swap(max_w, max_h);
    if (scale != 0 && scale != 100) {
        // A negative scale (no driver sets one) wraps to a limit beyond any real area.
        max_w = static_cast<std::uint32_t>(std::int64_t{max_w} * 100 / scale);
        max_h = static_cast<std::uint32_t>(std::int64_t{max_h} * 100 / scale);
    }

    limit_axis(gdi.ulHorzSize, gdi.ulHorzRes, gdi.szlPhysSize.cx, gdi.ptlPhysOffset.x, dpi_x, max_w);
    limit_axis(gdi.ulVertSize, gdi.ulVertRes, gdi.szlPhysSize.cy, gdi.ptlPhysOffset.y, dpi_y, max_h);
}

bool adjust_imageable_area(abi::RECTL& area, const settings::Record& record) {
    const abi::RECTL before = area;
    const bool whole_sheet = full_page(record);
    if (whole_sheet) {
        area.right = static_cast<abi::LONG>(static_cast<std::uint32_t>(area.right) +
                                            static_cast<std::uint32_t>(area.left));
        area.bottom = static_cast<abi::LONG>(static_cast<std::uint32_t>(area.bottom) +
                                             static_cast<std::uint32_t>(area.top));
        area.left = 0;
        area.top = 0;
    }
    // At 25400 units per inch the maximum is in micrometres. The sheet is not turned or scaled:
    // the rectangle is in sheet coordinates.
    const Extent limit =
        imageable_maximum(kMicrometresPerInch, kMicrometresPerInch, sheet_size(record), whole_sheet);
    centre_span(area.top, area.bottom, limit.height);
    centre_span(area.left, area.right, limit.width);
    return area.left != before.left || area.top != before.top || area.right != before.right ||
           area.bottom != before.bottom;
}

}  // namespace zenta::plugin
