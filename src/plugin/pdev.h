#pragma once
// The plug-in PDEV: what the plug-in keeps per device context, from EnablePDEV to DisablePDEV.

#include <array>
#include <cstdint>

#include "abi/ddi.h"
#include "abi/oem.h"
#include "settings/record.h"

namespace zenta::plugin {

inline constexpr std::size_t kHookCount = 27;
inline constexpr std::size_t kDocumentNameUnits = 512;  // at most 511 units and a terminating zero

struct PluginPdev {
    // The core driver's own entry point for each hooked DDI function, in hook table order;
    // null where the driver's table lacks the function (that hook then does not forward).
    std::array<abi::PFN, kHookCount> driver_hooks{};
    std::uint64_t page_counter = 0;  // pages set up so far in the current stream
    std::uint8_t stream_flag = 0;    // a spliced tab sheet still owes a restore on this page
    std::array<char16_t, kDocumentNameUnits> document_name{};  // all zero outside a document
    std::uint32_t surface_width = 0;                           // sizlBitmap of the latest StartDoc/StartPage
    std::uint32_t surface_height = 0;
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
