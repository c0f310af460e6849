#pragma once
// The settings a printed job carries, read back as `zenta inspect` reads them: every job a suite
// prints through the stand-in is checked to give back exactly the record it was printed with.

#include <gtest/gtest.h>

#include <string_view>

#include "settings/record.h"

namespace zenta::test {

// Success when the spool file reads back (this layout, no migration) into `record`, byte for
// byte; else which field differs first, or why the file does not read.
::testing::AssertionResult reads_back(std::string_view spool, const settings::Record& record);

}  // namespace zenta::test
