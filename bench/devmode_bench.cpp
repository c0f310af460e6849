// OEMDM_MERGE through the plug-in's COM interface, as the core driver calls it for every
// DEVMODE an application hands in, against copying one record (engine_bench.cpp).

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "environment/printer.h"
#include "host/core_driver.h"
#include "ratio.h"
#include "settings/defaults.h"
#include "settings/plugin_devmode.h"
#include "util/byte_order.h"

namespace {

using namespace zenta;

constexpr std::size_t kPrivate = 256;

// Public part, a private area beginning with "PRIV", and a plug-in block of the default record.
std::vector<std::uint64_t> make_devmode() {
    const std::size_t size = sizeof(abi::DEVMODEW) + kPrivate + settings::kPluginDevmodeSize;
    std::vector<std::uint64_t> storage((size + 7) / 8);
    auto* bytes = reinterpret_cast<std::uint8_t*>(storage.data());
    auto* dm = reinterpret_cast<abi::DEVMODEW*>(bytes);
    dm->dmSpecVersion = abi::DM_SPECVERSION;
    dm->dmSize = sizeof(abi::DEVMODEW);
    dm->dmDriverExtra = static_cast<abi::WORD>(kPrivate + settings::kPluginDevmodeSize);
    dm->dmFields = abi::DM_ORIENTATION | abi::DM_PAPERSIZE | abi::DM_COPIES | abi::DM_PRINTQUALITY |
                   abi::DM_DEFAULTSOURCE;
    dm->dmPaperSize = 9;
    dm->dmOrientation = abi::DMORIENT_PORTRAIT;
    dm->dmCopies = 1;
    dm->dmPrintQuality = 600;
    dm->dmDefaultSource = abi::DMBIN_AUTO;
    std::memcpy(bytes + sizeof(abi::DEVMODEW), "PRIV", 4);
    util::store_le16(bytes + sizeof(abi::DEVMODEW) + 114, kPrivate);
    settings::write_plugin_devmode(
        std::span<std::uint8_t, settings::kPluginDevmodeSize>(bytes + sizeof(abi::DEVMODEW) + kPrivate,
                                                              settings::kPluginDevmodeSize),
        settings::make_default_record({settings::kPaperA4, "Arial"}));
    return storage;
}

void DevModeMerge(benchmark::State& state) {
    host::CoreDriver driver;
    if (!driver.load_library() || !driver.create_plugin()) {
        state.SkipWithError(driver.error().c_str());
        return;
    }
    auto printer = environment::PrinterConnection::open(u"Zenta Production Printer");
    auto app = make_devmode();
    auto out = make_devmode();
    auto* app_dm = reinterpret_cast<abi::DEVMODEW*>(app.data());
    auto* out_dm = reinterpret_cast<abi::DEVMODEW*>(out.data());
    abi::OEMDMPARAM p{};
    p.cbSize = sizeof(p);
    p.hPrinter = printer.handle();
    p.pPublicDMIn = app_dm;
    p.pPublicDMOut = out_dm;
    p.pOEMDMIn = reinterpret_cast<std::uint8_t*>(app_dm) + sizeof(abi::DEVMODEW) + kPrivate;
    p.pOEMDMOut = reinterpret_cast<std::uint8_t*>(out_dm) + sizeof(abi::DEVMODEW) + kPrivate;
    p.cbBufSize = settings::kPluginDevmodeSize;
    bool landscape = false;
    for (auto _ : state) {
        // The application turns the page each time, so that every merge changes the record.
        out_dm->dmOrientation = landscape ? abi::DMORIENT_LANDSCAPE : abi::DMORIENT_PORTRAIT;
        landscape = !landscape;
        benchmark::DoNotOptimize(driver.plugin()->DevMode(abi::OEMDM_MERGE, &p));
    }
    driver.shutdown();
}
BENCHMARK(DevModeMerge);

const zenta::bench::Ratio kMerge("DevModeMerge", "RecordCopy", 5);

}  // namespace
