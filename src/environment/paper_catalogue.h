#pragma once
// The papers the printer knows by name: one row per option of PageSize, with the sizes the
// printer uses for them and the Windows paper number that applications send for them. The
// display names are the texts of each option's label.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zenta::environment {

// Size classes: how a paper's size is named.
enum class SizeClass : std::uint8_t {
    Other = 0,   // Postcard, 8K, 16K
    Inch = 1,    // the US papers
    Metric = 2,  // ISO, JIS and SRA papers
};

struct CataloguePaper {
    std::uint8_t option;  // option index of PageSize
    std::string_view name;
    SizeClass size_class;
    std::uint32_t width_um;
    std::uint32_t height_um;
    double width_pt;
    double height_pt;
    std::uint16_t windows_paper;  // dmPaperSize; 0 when Windows has no number for it
    std::uint8_t twice;           // the option twice this size; kCustomPaper when none
};

inline constexpr std::size_t kCataloguePaperCount = 26;
// The PageSize option that stands for a custom size (it has no catalogue row).
inline constexpr std::uint8_t kCustomPaper = 26;

std::span<const CataloguePaper> paper_catalogue();
// The row of a PageSize option; null for the custom size and anything beyond.
const CataloguePaper* catalogue_paper(unsigned option);

struct PaperSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    friend bool operator==(const PaperSize&, const PaperSize&) = default;
};

// A catalogue paper's size in a unit given as parts per millimetre (10: tenths of a
// millimetre, 10000: the record's unit), rescaled from micrometres.
std::optional<PaperSize> catalogue_size(unsigned option, std::uint32_t unit);
// The same derived from the point sizes: points x unit x 25.4 / 72, truncated.
std::optional<PaperSize> catalogue_size_from_points(unsigned option, std::uint32_t unit);

// The size Windows publishes for a paper number DMPAPER_LETTER (1) to DMPAPER_PENV_10_ROTATED
// (118), in micrometres; {0, 0} for numbers without a fixed size; nothing outside 1 to 118.
std::optional<PaperSize> standard_paper_size(unsigned windows_paper);

}  // namespace zenta::environment
