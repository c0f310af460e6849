// The verb that shows the page geometry the plug-in reports for a job: the GDIINFO page fields
// before and after EnablePDEV, or the imageable area through GetPDEVAdjustment. The settings go
// straight into the record (no constraint engine), as `record new` stores them.

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "host/devmode_buffer.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"

namespace zenta::tool {
namespace {

using namespace abi;

struct Options {
    std::vector<std::string> settings;
    std::string dpi;
    std::vector<long long> physical, printable, size, offset, adjust;
    std::optional<int> scale;
    bool landscape = false;
    DWORD type = PDEV_ADJUST_PAPER_MARGIN_TYPE;
    DWORD buffer = sizeof(PDEV_ADJUST_PAPER_MARGIN);
};

// "X" or "XxY": dots per inch across and down.
bool parse_dpi(const std::string& text, ULONG& x, ULONG& y) {
    const auto number = [](const std::string& part, ULONG& value) {
        if (part.empty() || part.size() > 10 || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const unsigned long long n = std::stoull(part);
        if (n > 0xFFFFFFFFull) return false;
        value = static_cast<ULONG>(n);
        return true;
    };
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos) return number(text, x) && number(text, y);
    return number(text.substr(0, cross), x) && number(text.substr(cross + 1), y);
}

const char* result_name(HRESULT hr) {
    switch (hr) {
        case S_OK:
            return "S_OK";
        case S_FALSE:
            return "S_FALSE";
        case E_NOTIMPL:
            return "E_NOTIMPL";
        default:
            return nullptr;
    }
}

int run_geometry(const Options& o) {
    constexpr const char* verb = "geometry";
    settings::Record record = environment::default_record();
    for (const std::string& assignment : o.settings) {
        if (const std::optional<std::string> error = settings::apply_assignment(record, assignment)) {
            std::cerr << "zenta: " << verb << ": " << *error << '\n';
            return 2;
        }
    }
    if (o.landscape) record.set_raw(features::FeatureId::Orientation, 1);

    const bool adjusting = !o.adjust.empty();
    ULONG dpi_x = 0, dpi_y = 0;
    if (!adjusting) {
        if (o.dpi.empty() || o.physical.empty() || o.printable.empty() || o.size.empty()) {
            std::cerr << "zenta: " << verb
                      << ": give --dpi, --physical, --printable and --size, or --adjust\n";
            return 2;
        }
        if (!parse_dpi(o.dpi, dpi_x, dpi_y)) {
            std::cerr << "zenta: " << verb << ": '" << o.dpi << "' is not X or XxY dots per inch\n";
            return 2;
        }
    }

    // The job's DEVMODE: the record in the plug-in's block, the public fields in agreement.
    host::DevmodeBuffer dm =
        host::DevmodeBuffer::make(u"Zenta Production Printer", settings::kPluginDevmodeSize);
    settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                       dm.plugin_block(), settings::kPluginDevmodeSize),
                                   record);
    DEVMODEW* pub = dm.public_part();
    pub->dmFields |= DM_ORIENTATION;
    pub->dmOrientation =
        record.raw(features::FeatureId::Orientation) == 1 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (o.scale) {
        pub->dmFields |= DM_SCALE;
        pub->dmScale = static_cast<SHORT>(*o.scale);
    }

    host::CoreDriver driver;
    host::Device& device = driver.device();
    device.devobj()->pPublicDM = pub;
    device.devobj()->pOEMDM = dm.plugin_block();
    const auto let_go = [&] {
        driver.shutdown();
        device.devobj()->pPublicDM = nullptr;
        device.devobj()->pOEMDM = nullptr;
    };

    if (adjusting) {
        if (!driver.start() || !driver.plugin2()) {
            std::cerr << "zenta: " << verb << ": "
                      << (driver.error().empty() ? "the plug-in lacks GetPDEVAdjustment" : driver.error())
                      << '\n';
            let_go();
            return 1;
        }
        // The rectangle at the start of a buffer of the size asked for.
        std::vector<std::uint8_t> buffer(std::max<std::size_t>(o.buffer, sizeof(RECTL)));
        const RECTL given{static_cast<LONG>(o.adjust[0]), static_cast<LONG>(o.adjust[1]),
                          static_cast<LONG>(o.adjust[2]), static_cast<LONG>(o.adjust[3])};
        std::memcpy(buffer.data(), &given, sizeof given);
        BOOL done = 0;
        const HRESULT hr =
            driver.plugin2()->GetPDEVAdjustment(device.devobj(), o.type, buffer.data(), o.buffer, &done);
        RECTL area;
        std::memcpy(&area, buffer.data(), sizeof area);
        let_go();
        if (const char* name = result_name(hr))
            std::printf("result %s\n", name);
        else
            std::printf("result %s\n", host::hex32(static_cast<std::uint32_t>(hr)).c_str());
        std::printf("rcImageableArea %ld %ld %ld %ld\n", static_cast<long>(area.left),
                    static_cast<long>(area.top), static_cast<long>(area.right),
                    static_cast<long>(area.bottom));
        std::printf("adjusted %d\n", static_cast<int>(done));
        return 0;
    }

    GDIINFO before = host::Device::default_gdi_info();
    before.ulLogPixelsX = dpi_x;
    before.ulLogPixelsY = dpi_y;
    before.szlPhysSize = {static_cast<LONG>(o.physical[0]), static_cast<LONG>(o.physical[1])};
    before.ulHorzRes = static_cast<ULONG>(o.printable[0]);
    before.ulVertRes = static_cast<ULONG>(o.printable[1]);
    before.ulHorzSize = static_cast<ULONG>(o.size[0]);
    before.ulVertSize = static_cast<ULONG>(o.size[1]);
    // Without --offset the driver's area is centred on the sheet.
    before.ptlPhysOffset = o.offset.empty()
                               ? POINTL{static_cast<LONG>((o.physical[0] - o.printable[0]) / 2),
                                        static_cast<LONG>((o.physical[1] - o.printable[1]) / 2)}
                               : POINTL{static_cast<LONG>(o.offset[0]), static_cast<LONG>(o.offset[1])};
    device.gdi_info() = before;
    const bool enabled = driver.load() && driver.enable_driver() && driver.enable_pdev();
    const GDIINFO after = device.gdi_info();
    const std::string error = driver.error();
    let_go();
    if (!enabled) {
        std::cerr << "zenta: " << verb << ": " << error << '\n';
        return 1;
    }
    const auto line = [](const char* name, long long a, long long b) {
        std::printf("%s %lld %lld\n", name, a, b);
    };
    line("ulHorzSize", static_cast<LONG>(before.ulHorzSize), static_cast<LONG>(after.ulHorzSize));
    line("ulVertSize", static_cast<LONG>(before.ulVertSize), static_cast<LONG>(after.ulVertSize));
    line("ulHorzRes", before.ulHorzRes, after.ulHorzRes);
    line("ulVertRes", before.ulVertRes, after.ulVertRes);
    line("ptlPhysOffset.x", before.ptlPhysOffset.x, after.ptlPhysOffset.x);
    line("ptlPhysOffset.y", before.ptlPhysOffset.y, after.ptlPhysOffset.y);
    return 0;
}

}  // namespace

void register_geometry_commands(CLI::App& app) {
    static Options o;
    auto* geometry = app.add_subcommand(
        "geometry",
        "Run EnablePDEV for a job and print the GDIINFO page fields before and after, or run "
        "GetPDEVAdjustment (--adjust) and print its result and the imageable area");
    geometry->add_option("settings", o.settings, "Key=Value settings stored into the default record");
    geometry->add_option("--dpi", o.dpi, "Device resolution: X or XxY dots per inch");
    geometry->add_option("--physical", o.physical, "szlPhysSize: the sheet in device units")->expected(2);
    geometry->add_option("--printable", o.printable, "ulHorzRes and ulVertRes in device units")->expected(2);
    geometry->add_option("--size", o.size, "ulHorzSize and ulVertSize: millimetres, or negative micrometres")
        ->expected(2);
    geometry->add_option("--offset", o.offset, "ptlPhysOffset (default: the printable area centred)")
        ->expected(2);
    geometry->add_option("--scale", o.scale, "dmScale of the public DEVMODE (sets DM_SCALE)");
    geometry->add_flag("--landscape", o.landscape, "Orientation 1, and a landscape public DEVMODE");
    geometry->add_option("--adjust", o.adjust, "The imageable area in micrometres for GetPDEVAdjustment")
        ->expected(4);
    geometry->add_option("--type", o.type, "The adjustment type (default 1, the paper margins)");
    geometry->add_option("--buffer", o.buffer, "The buffer size in bytes (default 16)");
    set_action(geometry, [] { return run_geometry(o); });
}

}  // namespace zenta::tool
