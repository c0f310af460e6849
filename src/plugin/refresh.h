#pragma once
// What the document hooks do with the settings beyond the bookkeeping: the refresh of the
// credentials from the spooler job into the plug-in devmode, and the escapes the plug-in answers
// itself instead of the driver.

#include <cstdint>
#include <optional>
#include <span>

#include "abi/ddi.h"
#include "abi/oem.h"
#include "settings/record.h"

namespace zenta::plugin {

// The eleven credential fields, in record order.
std::span<const settings::FeatureId> credential_fields();

// The record of the plug-in block inside a DEVMODE read from the spooler (public part, the
// core driver's private area, the plug-in block): the block lies at dmSize plus the 16-bit word
// at byte 114 of the private area when dmDriverExtra is at least 117, else at dmSize. Nothing
// when the bytes do not hold a valid plug-in devmode there.
std::optional<settings::Record> record_in_devmode(std::span<const std::uint8_t> devmode);

// The credential refresh of DrvStartDoc and DrvStartPage: at the start of a job (a job id, no
// page set up yet) the credentials of the spooler job's parameters reach the plug-in PDEV's
// record; then the PDEV's credentials, and its N-up count or else its page specific trays,
// reach the record of the DEVOBJ's plug-in devmode. Does nothing unless the DEVOBJ has a
// plug-in PDEV, a valid plug-in devmode and a captured record; never throws.
void refresh_credentials(abi::DEVOBJ* devobj) noexcept;

// DrvEscape's own answer for QUERYESCSUPPORT and GET_PS_FEATURESETTING, or nothing when the
// driver answers.
std::optional<abi::ULONG> answer_escape(abi::DEVOBJ* devobj, abi::ULONG escape, abi::ULONG cj_in,
                                        const void* in, abi::ULONG cj_out, void* out) noexcept;

}  // namespace zenta::plugin
