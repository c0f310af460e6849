#pragma once
// The spooler and system services in use by this process. By default they are the host's own:
// the real ones on Windows; on Linux the POSIX services with a simulated spooler and the
// simulated Windows settings of a printer profile (the file named by ZENTA_PRINTER_PROFILE, or
// the built-in "Zenta Production Printer"). Tests and the tool install others for a scope.

#include "platform/spooler.h"
#include "platform/system.h"

namespace zenta::platform {

Spooler& spooler();
System& system();

// Puts other services in place for its lifetime (either may be null to keep the current one).
class ScopedServices {
public:
    ScopedServices(Spooler* spooler, System* system);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Spooler* previous_spooler_;
    System* previous_system_;
};

}  // namespace zenta::platform
