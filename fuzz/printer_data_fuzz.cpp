// The printer data values the plug-in reads from the spooler: any bytes, of any registry type,
// as the value a selector byte names, on a simulated printer; every reader of printer data runs.
//
// Input: a selector byte (value name), a type byte, then the value's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "environment/printer.h"
#include "environment/printer_data.h"
#include "environment/wake_up.h"
#include "platform/sim/services.h"

using namespace zenta;

namespace {

constexpr const char16_t* kValueNames[] = {u"InstallableOptions", u"PScriptOffsets", u"PScriptValues",
                                           u"LastCustomPapers",   u"MacAddress",     u"DefaultSpoolDirectory",
                                           u"DefaultDuplex"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    platform::sim::Profile profile = platform::sim::default_profile();
    if (profile.printers.empty()) return 0;
    const std::u16string name = kValueNames[data[0] % std::size(kValueNames)];
    profile.printers.front().data[std::u16string(platform::sim::kPrinterDriverData)][name] =
        platform::sim::DataValue{data[1] % 12u, std::vector<abi::BYTE>(data + 2, data + size)};
    platform::sim::SimulatedServices services(std::move(profile));

    const auto printer = environment::PrinterConnection::open(platform::sim::kDefaultPrinterName);
    (void)environment::default_duplex(printer);
    (void)environment::read_installable_options(printer);
    (void)environment::read_driver_option_map(printer, u"PScriptOffsets");
    (void)environment::read_custom_papers(printer);
    if (const auto address = environment::read_wake_up_address_text(printer))
        (void)environment::parse_hardware_address(*address);
    (void)environment::read_spool_directory(printer);
    return 0;
}
