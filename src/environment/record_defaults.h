#pragma once
// The process-wide default job settings record of this user, and validation against it: the
// default paper comes from the locale's paper size setting, the tab font from the user's
// language. Both are asked once per process.

#include <cstdint>

#include "settings/defaults.h"

namespace zenta::environment {

// The PageSize index of the locale's default paper (LOCALE_IPAPERSIZE), asked once.
std::uint32_t default_paper();
// The same, asked anew.
std::uint32_t query_default_paper();

// This user's defaults: the locale's paper and the default tab font.
const settings::RecordDefaults& record_defaults();

// The default record, built on first use and then only read.
const settings::Record& default_record();

// Validates against this user's defaults; true when nothing was repaired.
bool validate(settings::Record& record);

}  // namespace zenta::environment
