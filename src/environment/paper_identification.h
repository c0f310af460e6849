#pragma once
// Recognising a paper that comes from outside (a DEVMODE, a form of the spooler) as one of the
// PageSize options: by its Windows paper number, by its display name in any built-in language and
// by its size.
//
// Names are compared as narrow texts. Narrow here means UTF-8: wide names from Windows and the
// display texts of the text table are both converted with util::utf16_to_utf8 before comparing,
// and the comparison is exact (case and every character count).

#include <cstdint>
#include <string>
#include <string_view>

#include "environment/paper_catalogue.h"

namespace zenta::environment {

// The unit of CustomPageSizeWidth and CustomPageSizeHeight: ten-thousandths of a millimetre.
std::uint32_t custom_size_unit();

// The display name of a PageSize option (0 to 25) in a language, as narrow text; empty for the
// custom size and anything beyond. Languages other than the nine built-in ones read English, as
// the text table does. The narrow texts are made once per process.
std::string_view paper_display_name(unsigned option, int language);

// The PageSize option that a paper stands for, or kCustomPaper (26) for a custom or unknown paper.
//   paper_number  dmPaperSize (DMPAPER_*; 256 and up are the driver's or the user's own forms)
//   name          the paper's name, as Windows gives it (dmFormName or a form's name); may be empty
//   width/length  the paper's size in `unit` parts per millimetre (0 and 0 when not known)
//
// Numbers 1 to 117 with an option of their own give that option at once. Otherwise a name whose
// option has the given size wins; then the size (for numbers 1 to 117 replaced by the size Windows
// gives that number) picks the options of that size, and the name decides between them.
unsigned identify_paper(std::uint32_t paper_number, std::u16string_view name, std::uint32_t width,
                        std::uint32_t length, std::uint32_t unit);

}  // namespace zenta::environment
