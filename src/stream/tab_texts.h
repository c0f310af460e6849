// The short PostScript texts that the tab page logic writes around tab sheets. Each begins and
// ends with CR LF; its lines are separated by CR LF.
//
// The tab sheet itself comes between a save block and a restore block of the tab file service:
// the save block keeps ZTQVFeatures (userdict /ZENTAQVSAVE), the page device
// (/ZENTACPDSAVE), userdict, the dictionary and operand stacks; the no-erase block sets
// /ZENTANEP for a tab printed on a document page; the restore block puts userdict and the
// stacks back, keeps setpagedevice aside (/ZENTASPDSAVE) and collects what the document page
// asks of it into /ZENTACPDSAVE, parks Zenta_P5 as ZENTA_NB5 behind a procedure that records
// its next argument as ZENTA_NB5P, and may set pmx_t. The page device restore text undoes that.
#pragma once

#include <string>
#include <string_view>

namespace zenta::stream {

// Records in ZTQVFeatures /QXP1Tab whether page 1 carries a printed tab (created when
// userdict lacks ZTQVFeatures).
std::string qxp1tab_definition(bool page1);

// Wraps userdict's erasepage: while a tab is printed on a page of a page-layout application
// (ZENTANEP true, QXP1Tab and IsQxDict in ZTQVFeatures) the page is not erased and the
// application's IsQxDict runs instead. Defines ZTQVFeatures /ZENTAQXPFix, which keeps the
// application's page matrix once per job (pmx_t and dMT when page 1 carries a tab, else pmx_n
// and dMN), and starts those four as null.
std::string_view erase_page_wrapper();

// Restores a pending pagesave and records in ZTQVFeatures /ZENTASaveAfterTab whether it did.
std::string_view page_save_release();

// Defines userdict /ZTQVPluginEndPageSetupCallBack: a fresh pagesave when the page-save release
// restored one, and the page matrix Zenta_V9 x Zenta_dV9 relative to the default matrix.
std::string_view end_of_page_setup_callback();

// After a tab sheet: setpagedevice back, the page device of the document page replayed
// (PageSize last), ZENTANEP removed, Zenta_P5 back and its recorded call made, the
// application's page matrix back, ZTQVFeatures back from ZENTAQVSAVE, and the document's page
// size set again through Zenta_P5.
std::string_view page_device_restore();

// Runs ZTQVFeatures /ZENTAQXPFix when QXP1Tab is known.
std::string_view qxp_fix_call();

}  // namespace zenta::stream
