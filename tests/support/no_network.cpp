// No test sends a datagram onto the machine's network. For the whole test program the network in
// use is a capturing one without adapters (the wake-up then finds no IPv4 network); a test that
// looks at the wake-up puts a capturing network of its own in place. The Windows plug-in DLL has
// its own copy of the network services: ZENTA_WAKE_LOG, set before it is loaded, makes it note
// its datagrams instead of sending them.

#include <cstdlib>
#include <string>

#include "platform/network.h"
#include "platform/sim/network.h"

namespace {

struct NoNetwork {
    zenta::platform::sim::CapturingNetwork capture{std::vector<zenta::platform::Adapter>{}};
    zenta::platform::ScopedNetwork scope{capture};

    NoNetwork() {
#ifdef _WIN32
        if (!std::getenv("ZENTA_WAKE_LOG")) _putenv("ZENTA_WAKE_LOG=NUL");
#else
        setenv("ZENTA_WAKE_LOG", "/dev/null", 0);
#endif
    }
};

const NoNetwork g_no_network;

}  // namespace
