#pragma once
// The PostScript texts that bracket a tab sheet spliced into the print stream. The tab sheet is a
// complete document of its own (the tab document library's output, cut down by the extraction),
// run in the middle of the job: the save block keeps what that document would disturb (the
// plug-in's feature dictionary, userdict, the dictionary stack, the page device, the operand
// stack and QXP1Tab) and the restore block puts it back. For a tab printed on a document page,
// the no-erase block keeps the tab sheet's showpage from ending that page.
//
// Each text begins with CR LF and each of its lines ends with CR LF.

#include <string>
#include <string_view>

namespace zenta::tabfile {

std::string_view tab_save_block();
std::string_view no_erase_block();
std::string_view tab_restore_block();

// The text that goes into the stream for one tab sheet, in its order: the save block, the no-erase
// block when the tab is printed on the page, the extracted tab file, the restore block.
std::string tab_sheet_text(std::string_view extracted, bool printed_on_page);

}  // namespace zenta::tabfile
