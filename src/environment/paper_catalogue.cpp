#include "environment/paper_catalogue.h"

#include <array>

#include "util/units.h"

namespace zenta::environment {

namespace {

constexpr std::uint8_t kNone = kCustomPaper;
using enum SizeClass;

constexpr std::array<CataloguePaper, kCataloguePaperCount> kCatalogue{{
    {0, "A3", Metric, 297000, 420000, 842, 1191, 8, kNone},
    {1, "A4", Metric, 210000, 297000, 595, 842, 9, 0},
    {2, "A5", Metric, 148000, 210000, 420, 595, 11, 1},
    {3, "A6", Metric, 105000, 148000, 297, 420, 70, 2},
    {4, "B4", Metric, 257000, 364000, 729, 1032, 12, kNone},
    {5, "B5", Metric, 182000, 257000, 516, 729, 13, 4},
    {6, "B6", Metric, 128500, 182000, 363, 516, 88, 5},
    {7, "ISOB4", Metric, 250000, 353000, 709, 1001, 42, kNone},
    {8, "ISOB5", Metric, 176000, 250000, 499, 709, 34, 7},
    {9, "ISOB6", Metric, 125000, 176000, 354, 499, 35, 8},
    {10, "Postcard", Other, 100000, 148000, 284, 419, 43, kNone},
    {11, "SRA3", Metric, 320000, 450000, 907, 1276, 0, kNone},
    {12, "SRA4", Metric, 225000, 320000, 638, 907, 0, 11},
    {13, "Tabloid", Inch, 279400, 431800, 792, 1224, 3, kNone},
    {14, "TabloidExtra", Inch, 304800, 457200, 864, 1296, 52, kNone},
    {15, "13x19", Inch, 330200, 482600, 936, 1368, 0, kNone},
    {16, "9x11", Inch, 228600, 279400, 648, 792, 44, kNone},
    {17, "Legal", Inch, 215900, 355600, 612, 1008, 5, kNone},
    {18, "8x13", Inch, 203200, 330200, 576, 936, 0, kNone},
    {19, "Letter", Inch, 215900, 279400, 612, 792, 1, 13},
    {20, "Statement", Inch, 139700, 215900, 396, 612, 6, 19},
    {21, "8K", Other, 270000, 390000, 765, 1106, 0, kNone},
    {22, "16K", Other, 195000, 270000, 553, 765, 0, 21},
    {23, "QVA4Tab1", Metric, 222700, 297000, 631, 842, 0, kNone},
    {24, "QVA4Tab2", Metric, 225000, 297000, 638, 842, 0, kNone},
    {25, "QVLetterTab", Inch, 228600, 279400, 648, 792, 0, kNone},
}};

constexpr bool rows_in_option_order() {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i)
        if (kCatalogue[i].option != i) return false;
    return true;
}
static_assert(rows_in_option_order());

constexpr std::uint32_t kMicrometres = 1000;

}  // namespace

std::span<const CataloguePaper> paper_catalogue() { return kCatalogue; }

const CataloguePaper* catalogue_paper(unsigned option) {
    return option < kCatalogue.size() ? &kCatalogue[option] : nullptr;
}

std::optional<PaperSize> catalogue_size(unsigned option, std::uint32_t unit) {
    const CataloguePaper* paper = catalogue_paper(option);
    if (!paper) return std::nullopt;
    return PaperSize{util::rescale(paper->width_um, kMicrometres, unit),
                     util::rescale(paper->height_um, kMicrometres, unit)};
}

std::optional<PaperSize> catalogue_size_from_points(unsigned option, std::uint32_t unit) {
    const CataloguePaper* paper = catalogue_paper(option);
    if (!paper) return std::nullopt;
    const double per_point = (unit == 0 ? 1.0 : unit) * 25.4 / 72.0;
    return PaperSize{static_cast<std::uint32_t>(paper->width_pt * per_point),
                     static_cast<std::uint32_t>(paper->height_pt * per_point)};
}

}  // namespace zenta::environment
