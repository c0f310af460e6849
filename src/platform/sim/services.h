#pragma once
// The simulated spooler and Windows settings of one printer profile, in place as
// platform::spooler() and platform::system() for the object's lifetime (the tool's --profile
// option, tests). Time, files and the other real services are the host's own.

#include <memory>

#include "platform/native.h"
#include "platform/os.h"
#include "platform/sim/profile.h"
#include "platform/sim/spooler.h"
#include "platform/sim/system.h"

namespace zenta::platform::sim {

class SimulatedServices {
public:
    explicit SimulatedServices(Profile profile)
        : native_(make_native_system()),
          spooler_(std::move(profile.printers)),
          system_(std::move(profile.settings), *native_),
          scope_(&spooler_, &system_) {}

    SimulatedSpooler& spooler() { return spooler_; }
    SimulatedSystem& system() { return system_; }

private:
    std::unique_ptr<System> native_;
    SimulatedSpooler spooler_;
    SimulatedSystem system_;
    ScopedServices scope_;
};

}  // namespace zenta::platform::sim
