#include "platform/network.h"

#include <atomic>

#include "platform/native.h"
#include "platform/sim/network.h"
#include "util/once.h"

namespace zenta::platform {
namespace {

std::atomic<Network*> g_network{nullptr};
std::atomic<std::uint64_t> g_generation{1};

struct Defaults {
    Network* machine = nullptr;
    Network* in_use = nullptr;  // the machine's, or the wake log's when ZENTA_WAKE_LOG is set
};

// Both live for the whole process, never destroyed.
const Defaults& defaults() {
    static util::Once<Defaults> once;
    return once.get([] {
        Network* machine = make_native_network().release();
        Network* logged = sim::wake_log_network(*machine);
        return Defaults{machine, logged ? logged : machine};
    });
}

}  // namespace

Network& native_network() { return *defaults().machine; }

Network& network() {
    if (Network* n = g_network.load(std::memory_order_acquire)) return *n;
    return *defaults().in_use;
}

std::uint64_t network_generation() { return g_generation.load(std::memory_order_acquire); }

ScopedNetwork::ScopedNetwork(Network& network) : previous_(g_network.load()) {
    g_network.store(&network, std::memory_order_release);
    g_generation.fetch_add(1, std::memory_order_acq_rel);
}

ScopedNetwork::~ScopedNetwork() {
    g_network.store(previous_, std::memory_order_release);
    g_generation.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace zenta::platform
