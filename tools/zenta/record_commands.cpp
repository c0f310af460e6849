// Verbs on job settings records: the default record, making a record from settings text, showing
// and validating one. A record file holds the record's 27774 bytes.

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "environment/languages.h"
#include "environment/record_defaults.h"
#include "features/families.h"
#include "settings/defaults.h"
#include "settings/layout_version.h"
#include "settings/settings_text.h"
#include "util/hex.h"

namespace zenta::tool {
namespace {

using settings::Record;

int print_defaults(int paper_setting) {
    settings::RecordDefaults defaults = environment::record_defaults();
    if (paper_setting != 0)
        defaults.paper = settings::default_paper_for(static_cast<char16_t>(u'0' + paper_setting));
    std::cout << settings::format_settings(settings::make_default_record(defaults));
    return 0;
}

int new_record(const std::vector<std::string>& inputs, const std::string& output) {
    Record record = environment::default_record();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string& input = inputs[i];
        std::optional<std::string> error;
        if (i == 0 && input.find('=') == std::string::npos) {
            std::vector<std::uint8_t> bytes;
            if (!read_file(input, bytes)) {
                std::cerr << "zenta: cannot read " << input << '\n';
                return 1;
            }
            error = settings::apply_settings(record, std::string(bytes.begin(), bytes.end()));
            if (error) *error = input + ": " + *error;
        } else {
            error = settings::apply_assignment(record, input);
        }
        if (error) {
            std::cerr << "zenta: record new: " << *error << '\n';
            return 2;
        }
    }
    return write_record("record new", output, record) ? 0 : 1;
}

int show_record(const std::string& path) {
    Record record;
    if (!read_record("record show", path, record)) return 1;
    std::cout << settings::format_settings(record);
    return 0;
}

int validate_record(const std::string& path) {
    Record record;
    if (!read_record("record validate", path, record)) return 1;
    const Record before = record;
    if (before.version() != settings::layout_version())
        std::cerr << "zenta: the record's layout version 0x" << util::hex_u32(before.version())
                  << " is not this layout's 0x" << util::hex_u32(settings::layout_version())
                  << ": it is replaced by the default record\n";
    const bool valid = environment::validate(record);
    for (features::FeatureId id : features::differing_features(before.view(), record.view()))
        std::cout << features::feature(id).key << ": " << settings::format_value(before, id) << " -> "
                  << settings::format_value(record, id) << '\n';
    return valid ? 0 : 1;
}

}  // namespace

void register_record_commands(CLI::App& app) {
    auto* defaults = app.add_subcommand("defaults", "Print every field of the default record as Key=Value");
    static int paper_setting = 0;
    defaults
        ->add_option(
            "--paper-setting", paper_setting,
            "The locale's paper size setting: 1 Letter, 5 Legal, 8 A3, 9 A4 (default: this machine's)")
        ->check(CLI::IsMember({1, 5, 8, 9}));
    set_action(defaults, [] { return print_defaults(paper_setting); });

    auto* record = app.add_subcommand("record", "Make, show or validate a job settings record file");
    record->require_subcommand(1);

    auto* make = record->add_subcommand(
        "new", "Write a record: the defaults, then the given settings stored directly");
    static std::vector<std::string> inputs;
    static std::string output;
    make->add_option("settings", inputs, "A settings file (Key=Value lines) and/or Key=Value assignments");
    make->add_option("-o,--output", output, "The record file to write")->required();
    set_action(make, [] { return new_record(inputs, output); });

    auto* show = record->add_subcommand("show", "Print every field of a record as Key=Value");
    static std::string show_path;
    show->add_option("record", show_path, "The record file")->required();
    set_action(show, [] { return show_record(show_path); });

    auto* validate = record->add_subcommand("validate", "Repair a record and print each repaired field");
    static std::string validate_path;
    validate->add_option("record", validate_path, "The record file")->required();
    set_action(validate, [] { return validate_record(validate_path); });
}

}  // namespace zenta::tool
