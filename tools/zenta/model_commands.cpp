// Verbs that show the record layout and the feature model.

#include <cstdio>
#include <iostream>
#include <string>

#include "commands.h"
#include "features/description.h"
#include "features/feature_table.h"
#include "settings/layout_version.h"

namespace zenta::tool {
namespace {

using features::Feature;
using features::Kind;

char kind_letter(const Feature& f) { return f.kind == Kind::S ? 'S' : f.kind == Kind::R ? 'R' : 'A'; }

int print_layout() {
    std::printf("version 0x%08X size %u features %zu\n", settings::layout_version(), features::kRecordSize,
                features::kFeatureCount);
    return 0;
}

int print_features() {
    std::string out;
    for (const Feature& f : features::kFeatures) {
        out += f.key;
        out += ' ' + std::to_string(f.offset) + ' ' + std::to_string(f.width) + ' ' +
               std::to_string(f.count) + ' ';
        out += kind_letter(f);
        out += f.is_signed ? " 1" : " 0";
        if (f.descriptor) {
            for (const features::OptionEntry& option : f.descriptor->options) {
                out += ' ';
                out += option.keyword;
            }
        } else if (f.range) {
            out += " scale=" + std::to_string(f.range->scale) + " min=" + std::to_string(f.range->minimum) +
                   " max=" + std::to_string(f.range->maximum) +
                   " default=" + std::to_string(f.range->default_value);
        }
        out += '\n';
    }
    std::cout << out;
    return 0;
}

}  // namespace

void register_model_commands(CLI::App& app) {
    set_action(app.add_subcommand("layout", "Print the layout version, record size and feature count"),
               print_layout);
    set_action(app.add_subcommand("features", "List every feature in record order with its options or range"),
               print_features);

    auto* describe = app.add_subcommand("describe", "Print the job settings description of this layout");
    static bool base64 = false;
    describe->add_flag("--base64", base64, "Print the Base64 form that travels in printer data and jobs");
    set_action(describe, [] {
        const std::uint32_t version = settings::layout_version();
        std::cout << (base64 ? features::describe_layout_base64(version) : features::describe_layout(version))
                  << '\n';
        return 0;
    });
}

}  // namespace zenta::tool
