#pragma once
// The plug-in PDEV: what the plug-in keeps per device context, from EnablePDEV to DisablePDEV.

#include <array>
#include <cstdint>

#include "abi/ddi.h"
#include "abi/oem.h"
#include "settings/record.h"
#include "stream/dispatcher.h"

namespace zenta::plugin {

inline constexpr std::size_t kHookCount = 27;

struct PluginPdev {
    // The core driver's own entry point for each hooked DDI function, in hook table order;
    // null where the driver's table lacks the function (that hook then does not forward).
    std::array<abi::PFN, kHookCount> driver_hooks{};
    // Page counter, stream flag, document name and surface size of the document in progress.
    stream::DocumentState document;
    std::uint32_t job_id = 0;
    std::uint32_t start_doc_count = 0;
    std::uint8_t record_captured = 0;  // the first StartDoc found a plug-in devmode to copy
    settings::Record record;           // private copy of the job settings, all zero until captured
};

// The plug-in PDEV of a device object, or null.
inline PluginPdev* pdev_of(const abi::DEVOBJ* devobj) {
    return devobj ? static_cast<PluginPdev*>(devobj->pdevOEM) : nullptr;
}

}  // namespace zenta::plugin
