// ppd --cups: the PPD of the printer for a CUPS queue, generated from the feature model; with
// --left-out, the features it does not offer and why.

#include <iostream>
#include <string>

#include "commands.h"
#include "cups_ppd.h"
#include "features/feature_table.h"
#include "files.h"

namespace zenta::tool {
namespace {

int print_left_out() {
    std::string text;
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const std::string_view reason = cups::left_out_reason(static_cast<features::FeatureId>(i));
        if (!reason.empty())
            text += std::string(features::kFeatures[i].key) + ": " + std::string(reason) + '\n';
    }
    std::cout << text;
    return 0;
}

int write_ppd(bool cups, bool left_out, const std::string& output) {
    if (!cups) {
        std::cerr << "zenta: ppd: say which PPD: --cups (the PPD of a CUPS queue)\n";
        return 2;
    }
    if (left_out) return print_left_out();
    const std::string ppd = cups::make_cups_ppd();
    if (output.empty() || output == "-") {
        std::cout << ppd;
        return std::cout.flush() ? 0 : 1;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(ppd.data());
    if (!replace_file(output, {bytes, ppd.size()})) {
        std::cerr << "zenta: ppd: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

void register_cups_ppd_commands(CLI::App& app) {
    auto* ppd =
        app.add_subcommand("ppd", "Write the PPD of the printer for a CUPS queue (zenta-cups filter)");
    static bool cups = false;
    static bool left_out = false;
    static std::string output;
    ppd->add_flag("--cups", cups, "The PPD for CUPS: every dialog setting of the feature model as an option");
    ppd->add_flag("--left-out", left_out,
                  "List the features the PPD does not offer, with the reason, instead");
    ppd->add_option("-o,--output", output, "Where to write it (default: standard output)");
    set_action(ppd, [] { return write_ppd(cups, left_out, output); });
}

}  // namespace zenta::tool
