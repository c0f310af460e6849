#include "platform/os.h"

#include <atomic>
#include <memory>

#include "platform/native.h"
#include "util/once.h"

#ifndef _WIN32
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/sim/profile.h"
#include "platform/sim/spooler.h"
#include "platform/sim/system.h"
#include "util/utf.h"
#endif

namespace zenta::platform {
namespace {

// What ScopedServices put in place; null: the default.
std::atomic<Spooler*> g_spooler{nullptr};
std::atomic<System*> g_system{nullptr};

// The defaults live for the whole process (never destroyed, so that nothing that runs while
// the process ends finds them gone).
struct Defaults {
    Spooler* spooler = nullptr;
    System* system = nullptr;
};

#ifdef _WIN32

Defaults make_defaults() { return Defaults{make_native_spooler().release(), make_native_system().release()}; }

#else

// Linux has no spooler and no Windows settings: both come from the printer profile named by
// ZENTA_PRINTER_PROFILE, else from the built-in one. A profile that cannot be read is reported
// once on standard error; the spooler then has no printers.
Defaults make_defaults() {
    sim::Profile profile;
    const char* path = std::getenv("ZENTA_PRINTER_PROFILE");
    if (path && *path) {
        std::string error;
        if (auto loaded = sim::load_profile(path, error)) {
            profile = std::move(*loaded);
        } else {
            std::fprintf(stderr, "zenta: %s; no printers are simulated\n", error.c_str());
        }
    } else {
        profile = sim::default_profile();
    }
    System* host = make_native_system().release();
    return Defaults{new sim::SimulatedSpooler(std::move(profile.printers)),
                    new sim::SimulatedSystem(std::move(profile.settings), *host)};
}

#endif

const Defaults& defaults() {
    static util::Once<Defaults> once;
    return once.get(make_defaults);
}

}  // namespace

Spooler& spooler() {
    if (Spooler* s = g_spooler.load(std::memory_order_acquire)) return *s;
    return *defaults().spooler;
}

System& system() {
    if (System* s = g_system.load(std::memory_order_acquire)) return *s;
    return *defaults().system;
}

ScopedServices::ScopedServices(Spooler* spooler, System* system)
    : previous_spooler_(g_spooler.load()), previous_system_(g_system.load()) {
    if (spooler) g_spooler.store(spooler, std::memory_order_release);
    if (system) g_system.store(system, std::memory_order_release);
}

ScopedServices::~ScopedServices() {
    g_spooler.store(previous_spooler_, std::memory_order_release);
    g_system.store(previous_system_, std::memory_order_release);
}

}  // namespace zenta::platform
