// The plug-in library loaded and freed again and again, as a spooler does over its life: each
// cycle loads it, creates the render object, enables the driver and a device context, sets up a
// page and takes everything down again. The process's handles and memory stay where they were.

#include <gtest/gtest.h>

#include "abi/abi.h"
#include "host/core_driver.h"
#include "support/process_counts.h"

namespace zenta {
namespace {

constexpr int kWarmUp = 20;   // first-use values and the loader's own caches settle
constexpr int kCycles = 200;

bool cycle() {
    host::CoreDriver driver;
    if (!driver.start()) return false;
    abi::DWORD result = 0;
    driver.command(abi::PSINJECT_BEGINPAGESETUP, &result);
    driver.shutdown();
    return !driver.library_loaded();
}

TEST(PluginLoadUnload, TwoHundredCyclesLeaveHandlesAndMemoryFlat) {
    for (int i = 0; i < kWarmUp; ++i) ASSERT_TRUE(cycle());
    const auto handles = test::open_handles();
    const auto memory = test::private_memory();
    ASSERT_TRUE(handles && memory);
    for (int i = 0; i < kCycles; ++i) ASSERT_TRUE(cycle()) << "cycle " << i;
    // A few handles and pages come and go with the loader; growth with the cycles would show
    // as hundreds.
    EXPECT_LE(*test::open_handles(), *handles + 4);
    EXPECT_LE(*test::private_memory(), *memory + 1024 * 1024) << "bytes before: " << *memory;
}

}  // namespace
}  // namespace zenta
