#pragma once
// IOemPS::Command: the driver's call at each injection point of its PostScript stream. The
// frame builds the call's working record and the writer and PPD reader over the driver's
// helpers; the injection dispatcher decides what is written.

#include "abi/interfaces.h"

namespace zenta::plugin {

// One Command call; true when the plug-in takes part in the injection point. Never throws.
bool run_command(abi::DEVOBJ* devobj, abi::DWORD index, abi::IPrintOemDriverPS* driver,
                 abi::IPrintCorePS2* core) noexcept;

}  // namespace zenta::plugin
