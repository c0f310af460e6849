// The feature rules of the PJL job header: the lines that read several fields, derive their
// value, or write several variables. Each rule appends its "@PJL SET" lines to the header text;
// pjl_order.inc says where in the header each one stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/record.h"
#include "stream/text.h"

namespace zenta::stream::pjl {

using features::FeatureId;
using settings::Record;

// A rule: appends its lines (append_pjl_set) for a record. Pure; never fails.
using Rule = void (*)(const Record& record, std::string& out);

// ---- What the rules share ---------------------------------------------------------------------

// The controller's words for the paper sources: index 0 AUTO, 1 SUBTRAY, 2 TRAY1 ... 10 TRAY9,
// 11 MANUALFEED, 12 PITRAY1, 13 PITRAY2, 14 PBTRAY; any other index AUTO.
std::string_view tray_word(std::uint32_t index);

// The PJL value of a selection's stored option (an index beyond the table reads as the default).
std::string_view option_value(const Record& record, FeatureId id);

// A range's stored number, clamped to its limits, in its own unit (the number divided by the
// scale, with as many decimal places as the scale has).
std::string range_value(const Record& record, FeatureId id);

// "ON" or "OFF".
inline std::string_view on_off(bool on) { return on ? "ON" : "OFF"; }

// ---- Paper, imposition and finishing (pjl_rules_paper.cpp) ------------------------------------

void orientation(const Record&, std::string&);          // ORIENTATION
void paper_profile_id(const Record&, std::string&);     // PAPERPROFILEID
void favorite_special_id(const Record&, std::string&);  // FAVORITESPECIALID
void page_loop(const Record&, std::string&);            // PAGELOOP
void overlap(const Record&, std::string&);              // OVERLAPWIDTH, OVERLAPHEIGHT
void output_paper(const Record&, std::string&);   // OUTPUTPAPER, OUTPUTPAPERSIZEWIDTH, OUTPUTPAPERSIZEHEIGHT
void fit_and_scale(const Record&, std::string&);  // FITTOPAPER, SCALE
void full_bleed(const Record&, std::string&);     // FULLBLEED
void trimming_profiles(const Record&, std::string&);  // TRIMMINGPROFILEID, COVERTRIMMINGPROFILEID
void finishing(const Record&, std::string&);          // FINISH, STAPLEPITCH, STITCH, STITCHNUM
void punch(const Record&, std::string&);              // PUNCH, PUNCHNUM
void copies(const Record&, std::string&);             // COPIES or QTY
void offset_stacking(const Record&, std::string&);    // COPIESOFFSET, SHEETSOFFSET, JOBOFFSET
void folding(const Record&, std::string&);            // FOLDING
void slitter(const Record&, std::string&);  // SLIT, SLITPOSITION1, SLITPOSITION2, BODYSLITPOSITIONOFFSET
void creaser(const Record&, std::string&);  // CREASE, CREASELINE, CREASEPOSITION
void media(const Record&, std::string&);    // MEDIATYPE, MEDIAWEIGHT, MEDIACOLOR
void media_color_name(const Record&, std::string&);    // MEDIACOLORNAME
void media_prepunched(const Record&, std::string&);    // MEDIAPREPUNCHED, MEDIAWEIGHTUNIT
void banner_page(const Record&, std::string&);         // HEADERPAGE, HEADERPAGETRAY
void perfect_bind_tray(const Record&, std::string&);   // PERFECTBINDTRAY, PERFECTBINDMEDIACOLORNAME
void perfect_bind_paper(const Record&, std::string&);  // PERFECTBINDPAPERSIZE, PERFECTBINDPAPERPROFILEID
void chapters(const Record&, std::string&);            // CHAPTERMODE, CHAPTER
void page_repeat(const Record&, std::string&);         // PERPAGESETPAGEREPEAT
void tab_image_shift(const Record&, std::string&);     // TABIMAGESHIFT, TABIMAGESHIFTINFO
void overlays(const Record&, std::string&);            // ZENTAOVERLAYALL ... ZENTAAPPENDJOB
void image_shift(const Record&, std::string&);  // IMAGESHIFT, IMAGESHIFTINFO, HIGHPRECISIONIMAGESHIFTINFO

// ---- Covers and page-specific sheets (pjl_rules_pages.cpp) -----------------------------------

void cover_sets(const Record&, std::string&);  // PERPAGESETn and PPS*n of the covers, sets 3, 1, 2, 4
void index_info(const Record&, std::string&);  // QVINDEXINFO1, QVINDEXINFO2

// ---- Colour, stamps and marks (pjl_rules_colour.cpp) ------------------------------------------

void two_colour_mapping(const Record&,
                        std::string&);  // TWOCLRMAPPING, TWOCLRMAPPINGCOLOR1..4, TWOCLRMAPPINGSPOT1..4
void colour_bar_patch(const Record&, std::string&);      // CBCOLORPATCHPRINT, CBCOLORPATCHPOSITION
void colour_bar_job_info(const Record&, std::string&);   // CBJOB*, CBSW*
void colour_management(const Record&, std::string&);     // COLORMANAGEMENT
void rgb_profiles(const Record&, std::string&);          // RGBDLPROFILE1..3, USSRCPROFILE
void cmyk_profiles(const Record&, std::string&);         // CMYKDLPROFILE1..3, USSIMPROFILE
void destination_profile(const Record&, std::string&);   // DSTPROFILEMODE, USDSTPROFILE
void tone_curves(const Record&, std::string&);           // TONECURVE1, TONECURVE2
void pure_black(const Record&, std::string&);            // PUREBLACKMODE
void gray_rgb(const Record&, std::string&);              // NEUGRAYRGB
void gray_cmyk(const Record&, std::string&);             // NEUGRAYCMYK
void black_overprint(const Record&, std::string&);       // BLACKOVERPRINTMODE
void composite_overprint(const Record&, std::string&);   // COMPOSITEOVERPRINT
void spot_colour(const Record&, std::string&);           // SPOTCOLORMODE2
void priority_spot_colour(const Record&, std::string&);  // PRIORITYSPOTCOLORMODE, PRIORITYSPOTCOLORTABLENAME
void replace_colour(const Record&, std::string&);        // REPLACECOLORMODE2, REPLACECOLORTABLE
void embedded_rgb(const Record&, std::string&);          // USERGBEMBEDDEDPROFILE
void embedded_cmyk(const Record&, std::string&);         // USECMYKEMBEDDEDPROFILE
void rgb_simulation(const Record&, std::string&);        // RGBSIMULATION
void pdfx_output_intent(const Record&, std::string&);    // USEPDFXOUTPUTINTENT
void colour_validation(const Record&, std::string&);     // COLORVALIDATION
void screen_text_graphics(const Record&, std::string&);  // SCREEN1
void screen_image(const Record&, std::string&);          // SCREEN2
void trim_box(const Record&, std::string&);              // TRIMBOXSIZE ... TRIMBOXLINEWIDTH
void date_stamp(const Record&, std::string&);            // DTSTP*
void page_stamp(const Record&, std::string&);            // PAGESTAMP, PSTP*
void numbering(const Record&, std::string&);             // NUMBERING*
void copy_guard(const Record&, std::string&);            // JIMONMODE ... JIMONLANGUAGE
void mail_notice(const Record&, std::string&);           // SENDEMAIL, SENDEMAILTIMING, SENDEMAILADDRESS

// ---- Output, accounts and users (pjl_rules_output.cpp) ----------------------------------------

void account_track(const Record&, std::string&);  // QVSECTIONNAME, QVSECTIONKEY2
void output_method(const Record&,
                   std::string&);  // QVJOBID, HOLDKEY2, ZENTAFORMSAVE, HOLD, BOXHOLD ... BOXIDNAME
void pdf_search_dir(const Record&, std::string&);       // EXTFILESEARCHDIR
void pdf_password(const Record&, std::string&);         // PDFPASSWD
void job_comment(const Record&, std::string&);          // JOBCOMMENT
void user_authentication(const Record&, std::string&);  // QVUSERNAME, QVUSERKEY2, QVCERT*

}  // namespace zenta::stream::pjl
