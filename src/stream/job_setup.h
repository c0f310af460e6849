// The PostScript texts the plug-in adds to a job: the job settings comments, the job setup,
// the end of setup, the page setup, the page trailer and the document trailer.
//
// The plug-in and the printer's PPD code meet in the dictionary ZTQVFeatures: the plug-in puts
// the job's values there and calls the procedures the PPD code defined, each call guarded so
// that a printer without the procedure is unaffected. The procedures and their arguments:
//
//   Zenta_NupP5  [w h] (Port|Land) /nup   the page geometry, in the job setup and every page
//                                         setup: HiResPageSize, PageOrient and ZTQVPdNup
//   Zenta_NupP0  -                        end of the job setup
//   Zenta_P4     -                        start of every page setup
//   Zenta_P8     /keyword | [w h]         the page's paper: a PPD page size keyword, or a custom
//                                         size in hundredths of a millimetre
//   Zenta_NupP3  -                        end of every page
//   Zenta_P6     -                        end of the document
//
// Every text is a pure function of the record (and the page number).
#pragma once

#include <cstdint>
#include <string>

#include "settings/page_exceptions.h"
#include "settings/record.h"
#include "stream/tab_pages.h"

namespace zenta::stream {

// The line that marks the end of every page, for the printer's procedures to find.
inline constexpr std::string_view kPageTrailerMarker = "%%ZENTAPAGETRAILER%%";

// %%ZENTA-JobSettings (the record in Base64) and %%ZENTA-JobSettingsDescription (the layout's
// description in its Base64 form) as comment blocks.
std::string job_settings_comments(const settings::Record& record);

// The values of the job, from PDVersion to TrayConfiguration.
std::string job_setup(const settings::Record& record);

// Zenta_V11 and the call of Zenta_NupP0.
std::string end_of_setup();

// Zenta_P4, the page geometry, the page's paper and, when the job has page-specific
// settings, the removal of the end-of-page-setup callback. `page` counts from 1.
std::string page_setup(const settings::Record& record, std::uint64_t page);
// The same appended to `out`, with the page exception list already selected for the record.
void append_page_setup(std::string& out, const settings::Record& record, std::uint64_t page,
                       const PageSelection& pages);

// The call of Zenta_NupP3 and the page trailer marker.
std::string page_trailer();

// The call of Zenta_P6.
std::string document_trailer();

// A stored range value in its own unit: the number divided by the scale, with as many decimal
// places as the scale has digits after the leading 1 (none for scale 1; 10000 gives four).
// Negative numbers keep their sign.
std::string scaled_number(std::int64_t stored, std::uint32_t scale);

}  // namespace zenta::stream
