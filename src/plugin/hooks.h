#pragma once
// The graphics DDI functions the plug-in places itself in front of.

#include <span>

#include "abi/ddi.h"

namespace zenta::plugin {

// The hook table handed to the driver by EnableDriver: 27 entries, each a DDI function index and
// the plug-in's hook for it. A hook's position is also its driver slot in the plug-in PDEV.
std::span<abi::DRVFN> hook_table();

}  // namespace zenta::plugin
