#pragma once
// Page previews of a print job: Ghostscript runs the job's PostScript (the PJL taken out, as the
// printer's interpreter sees it, with the printer procedures the job carries from the PPD) and
// renders every page it prints, tab sheets included, to DIR/page-NNN.png (24-bit colour).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zenta::tool {

// The resolution of a preview when none is asked for: enough to see a page, small to keep.
inline constexpr unsigned kPreviewDpi = 50;

// Renders the job's pages into `directory` (made when missing) and returns the files written, in
// page order, named as `directory` joined with "page-NNN.png". Pages are rendered into a
// private directory first and only moved into `directory` when Ghostscript found no error;
// page files of an earlier preview beyond the new last page are removed. Nothing, with `error`
// set, when Ghostscript is missing, fails or renders no page, or a file cannot be written.
std::optional<std::vector<std::string>> render_preview(std::string_view job, const std::string& directory,
                                                       unsigned dpi, std::string& error);

}  // namespace zenta::tool
