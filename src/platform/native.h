#pragma once
// The operating system's own services, without simulation.
//
// On Windows: the Win32 spooler and system calls, passed through.
// On Linux: no spooler (null), and the POSIX services where Linux has them (time, random
// numbers, sleeping, module paths, the temporary directory, files). What only Windows has
// answers as on a system without it: no registry keys (2), no LocaleNameToLCID, no Windows
// version, no system directory, LOCALE_IPAPERSIZE unknown; language identifiers are 0x0409.
// The simulated Windows settings (sim::SimulatedSystem) supply those.

#include <memory>

#include "platform/network.h"
#include "platform/spooler.h"
#include "platform/system.h"

namespace zenta::platform {

std::unique_ptr<Spooler> make_native_spooler();
std::unique_ptr<System> make_native_system();
std::unique_ptr<Network> make_native_network();

}  // namespace zenta::platform
