// A DEVMODE from an application or another driver version, through DevMode as the core driver
// calls it: CONVERT and MERGE with any bytes as the incoming DEVMODE (public part, private area
// and the plug-in block wherever its offset puts it), into a DEVMODE the driver made.
//
// Input: a mode byte, two bytes of the plug-in block's offset in the incoming DEVMODE, then the
// incoming DEVMODE's bytes. The driver hands the plug-in a DEVMODE whose buffer holds what its
// dmSize and dmDriverExtra claim, with the plug-in block starting inside that: the buffer is the
// input, zero-filled up to the claim when that is longer, and the offset falls inside the claim.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "abi/abi.h"
#include "host/devmode_buffer.h"
#include "plugin/devmode.h"
#include "settings/plugin_devmode.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const abi::DWORD mode = data[0] % 2 ? abi::OEMDM_MERGE : abi::OEMDM_CONVERT;
    const std::size_t offset = (std::size_t{data[1]} << 8) | data[2];
    // At least the fields up to dmDriverExtra, as every DEVMODE the driver accepts has them.
    std::vector<std::uint8_t> incoming(data + 3, data + size);
    incoming.resize(std::max(incoming.size(), offsetof(abi::DEVMODEW, dmDriverExtra) + sizeof(abi::WORD)));
    const auto* dm = reinterpret_cast<const abi::DEVMODEW*>(incoming.data());
    const std::size_t extent = std::size_t{dm->dmSize} + dm->dmDriverExtra;
    if (extent == 0) return 0;
    incoming.resize(std::max(incoming.size(), extent));
    host::DevmodeBuffer out = host::DevmodeBuffer::make(u"Zenta Production Printer", settings::kPluginDevmodeSize);

    abi::OEMDMPARAM param{};
    param.cbSize = sizeof param;
    param.pPublicDMIn = reinterpret_cast<abi::DEVMODEW*>(incoming.data());
    param.pOEMDMIn = incoming.data() + offset % extent;
    param.pPublicDMOut = out.public_part();
    param.pOEMDMOut = out.plugin_block();
    param.cbBufSize = settings::kPluginDevmodeSize;
    (void)plugin::devmode_operation(mode, &param, nullptr);
    return 0;
}
