// Verbs of the constraint engine: set features the way the plug-in does when a value comes from
// outside, and apply the public part of a DEVMODE to a record.

#include <cstring>
#include <iostream>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "abi/devmode.h"
#include "commands.h"
#include "constraint_commands.h"
#include "constraints/engine.h"
#include "constraints/explain.h"
#include "environment/printer_data.h"
#include "environment/record_defaults.h"
#include "features/families.h"
#include "files.h"
#include "settings/settings_text.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

using features::FeatureId;
using settings::Record;

struct Common {
    std::string record_path;
    std::string profile_path;
    std::string output_path;
};

// The record to start from and the printer's configuration, when a printer was named.
bool prepare(std::string_view verb, const Common& common, Record& record, PrinterSession& session,
             std::optional<environment::InstallableOptions>& configuration) {
    if (common.record_path.empty())
        record = environment::default_record();
    else if (!read_record(verb, common.record_path, record))
        return false;
    if (!common.profile_path.empty()) {
        if (!session.open(verb, common.profile_path)) return false;
        configuration = environment::read_installable_options(session.printer());
    }
    return true;
}

void print_change(std::ostream& out, const Record& before, const Record& after, FeatureId id) {
    out << features::feature(id).key << ": " << settings::format_value(before, id) << " -> "
        << settings::format_value(after, id) << '\n';
}

// The number a value text stands for in a selection or range field.
std::optional<std::string> parse_number(FeatureId id, std::string_view text, std::uint32_t& value) {
    Record scratch;
    if (auto error = settings::store_value(scratch, id, text)) return error;
    value = scratch.raw(id);
    return std::nullopt;
}

int set_features(const Common& common, const std::vector<std::string>& assignments, bool explain) {
    Record record;
    PrinterSession session;
    std::optional<environment::InstallableOptions> configuration;
    if (!prepare("set", common, record, session, configuration)) return 1;
    const ChangeReport report{&std::cout, explain};
    if (const int status = apply_assignments("set", record, assignments,
                                             configuration ? &*configuration : nullptr, report))
        return status;
    if (!common.output_path.empty() && !write_record("set", common.output_path, record)) return 1;
    return 0;
}

struct PublicFields {
    std::optional<int> paper;
    std::optional<std::string> form;
    std::optional<std::string> size;
    std::optional<std::string> orientation;
    std::optional<int> bin;
    std::optional<std::string> dpi;
    std::optional<int> copies;
    std::optional<int> scale;
};

bool parse_pair(const std::string& text, int& x, int& y, bool second_optional) {
    const auto cut = text.find('x');
    try {
        std::size_t used = 0;
        x = std::stoi(text.substr(0, cut), &used);
        if (used != std::min(cut, text.size())) return false;
        if (cut == std::string::npos) {
            y = x;
            return second_optional;
        }
        y = std::stoi(text.substr(cut + 1), &used);
        return used == text.size() - cut - 1;
    } catch (const std::exception&) {
        return false;
    }
}

// A public DEVMODE with just the fields the flags give.
std::optional<abi::DEVMODEW> make_public_devmode(const PublicFields& in) {
    abi::DEVMODEW dm{};
    dm.dmSpecVersion = abi::DM_SPECVERSION;
    dm.dmSize = sizeof(abi::DEVMODEW);
    auto field = [&dm](abi::DWORD flag) { dm.dmFields |= flag; };
    if (in.paper) {
        field(abi::DM_PAPERSIZE);
        dm.dmPaperSize = static_cast<abi::SHORT>(*in.paper);
    }
    if (in.form) {
        field(abi::DM_FORMNAME);
        const std::u16string name = util::utf8_to_utf16(*in.form);
        std::memcpy(dm.dmFormName, name.data(), std::min(name.size(), std::size(dm.dmFormName) - 1) * 2);
    }
    if (in.size) {
        int w = 0, l = 0;
        if (!parse_pair(*in.size, w, l, false)) {
            std::cerr << "zenta: devmode-public: --size takes WIDTHxLENGTH in tenths of a millimetre\n";
            return std::nullopt;
        }
        field(abi::DM_PAPERWIDTH | abi::DM_PAPERLENGTH);
        dm.dmPaperWidth = static_cast<abi::SHORT>(w);
        dm.dmPaperLength = static_cast<abi::SHORT>(l);
    }
    if (in.orientation) {
        field(abi::DM_ORIENTATION);
        dm.dmOrientation = *in.orientation == "landscape" ? abi::DMORIENT_LANDSCAPE : abi::DMORIENT_PORTRAIT;
    }
    if (in.bin) {
        field(abi::DM_DEFAULTSOURCE);
        dm.dmDefaultSource = static_cast<abi::SHORT>(*in.bin);
    }
    if (in.dpi) {
        int x = 0, y = 0;
        if (!parse_pair(*in.dpi, x, y, true)) {
            std::cerr << "zenta: devmode-public: --dpi takes X or XxY\n";
            return std::nullopt;
        }
        field(abi::DM_PRINTQUALITY);
        dm.dmPrintQuality = static_cast<abi::SHORT>(x);
        if (in.dpi->find('x') != std::string::npos) {
            field(abi::DM_YRESOLUTION);
            dm.dmYResolution = static_cast<abi::SHORT>(y);
        }
    }
    if (in.copies) {
        field(abi::DM_COPIES);
        dm.dmCopies = static_cast<abi::SHORT>(*in.copies);
    }
    if (in.scale) {
        field(abi::DM_SCALE);
        dm.dmScale = static_cast<abi::SHORT>(*in.scale);
    }
    return dm;
}

template <class T>
void print_item(const char* name, const std::optional<T>& value) {
    std::cout << "  " << name << ": ";
    if (value)
        std::cout << +*value << '\n';
    else
        std::cout << "not given\n";
}

void print_request(const environment::PublicSettingsRequest& r) {
    std::cout << "change set:\n  paper name: " << (r.paper_name ? '"' + *r.paper_name + '"' : "not given")
              << '\n';
    print_item("paper kind", r.page_size_type);
    print_item("width", r.width);
    print_item("length", r.length);
    print_item("paper index", r.page_size);
    print_item("orientation", r.orientation);
    print_item("tray code", r.input_slot);
    print_item("resolution code", r.resolution);
    print_item("copies", r.copies);
}

int apply_public(const Common& common, const PublicFields& fields) {
    Record record;
    PrinterSession session;
    std::optional<environment::InstallableOptions> configuration;
    if (!prepare("devmode-public", common, record, session, configuration)) return 1;
    const auto dm = make_public_devmode(fields);
    if (!dm) return 2;

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&*dm);
    const std::span<const std::uint8_t> devmode(bytes, sizeof(*dm));
    const abi::HANDLE printer = session.printer().handle();
    print_request(environment::build_change_set(devmode, record, printer).request);

    const Record before = record;
    const bool changed = constraints::apply_devmode(devmode, record, printer);
    std::cout << "changed: " << (changed ? "yes" : "no") << '\n';
    for (FeatureId id : features::differing_features(before.view(), record.view()))
        print_change(std::cout, before, record, id);
    if (!common.output_path.empty() && !write_record("devmode-public", common.output_path, record)) return 1;
    return 0;
}

void add_common(CLI::App* command, Common& common) {
    command->add_option("--record", common.record_path,
                        "The record to start from (default: the default record)");
    command->add_option("--printer", common.profile_path,
                        "A printer profile (JSON): its printer's configuration, forms and bins are used");
    command->add_option("-o,--output", common.output_path, "Where to write the changed record");
}

}  // namespace

bool is_assignment(std::string_view argument) {
    const auto equals = argument.find('=');
    return equals != std::string_view::npos && features::find_feature(argument.substr(0, equals)).has_value();
}

int apply_assignments(std::string_view verb, Record& record, const std::vector<std::string>& assignments,
                      const environment::InstallableOptions* configuration, const ChangeReport& report) {
    std::ostream* changes = report.automatic_only ? nullptr : report.out;
    for (const std::string& assignment : assignments) {
        const auto equals = assignment.find('=');
        const auto id = features::find_feature(std::string_view(assignment).substr(0, equals));
        if (equals == std::string::npos || !id) {
            std::cerr << "zenta: " << verb << ": '" << assignment << "' is not Key=Value with a known key\n";
            return 2;
        }
        const std::string_view text = std::string_view(assignment).substr(equals + 1);
        const Record before = record;
        if (features::feature(*id).kind == features::Kind::A) {
            if (auto error = settings::store_value(record, *id, text)) {
                std::cerr << "zenta: " << verb << ": " << *error << '\n';
                return 2;
            }
            if (changes) {
                *changes << report.prefix << features::feature(*id).key << " has no rules: stored directly\n";
                if (before != record) print_change(*changes << report.prefix, before, record, *id);
            }
            continue;
        }
        std::uint32_t value = 0;
        if (auto error = parse_number(*id, text, value)) {
            std::cerr << "zenta: " << verb << ": " << *error << '\n';
            return 2;
        }
        constraints::Firings firings;
        const auto change =
            constraints::change_feature(record, *id, value, configuration, report.explain ? &firings : nullptr);
        if (changes && !change.through_setter)
            *changes << report.prefix << features::feature(*id).key << " has no rules: stored directly\n";
        if (!report.out) continue;
        if (report.explain) {
            const auto lines = constraints::explain_changes(before, record, change.changed, firings);
            // The first line is the assigned feature itself, when its value moved.
            const bool first_is_own =
                !lines.empty() && constraints::changed_features(record, change.changed).front() == *id;
            for (std::size_t i = report.automatic_only && first_is_own ? 1 : 0; i < lines.size(); ++i)
                *report.out << report.prefix << lines[i] << '\n';
        } else {
            for (FeatureId changed : constraints::changed_features(record, change.changed))
                print_change(*report.out << report.prefix, before, record, changed);
        }
    }
    return 0;
}

void register_constraint_commands(CLI::App& app) {
    static Common set_common;
    static std::vector<std::string> assignments;
    auto* set = app.add_subcommand(
        "set", "Set features through their rules, one change at a time, and print every field that changed");
    add_common(set, set_common);
    set->add_option("assignments", assignments, "Key=Value, with option keywords or numbers")->required();
    static bool explain = false;
    set->add_flag("--explain", explain, "Say for each change which rule made it and which setting caused it");
    set_action(set, [] { return set_features(set_common, assignments, explain); });

    static Common public_common;
    static PublicFields fields;
    auto* pub = app.add_subcommand(
        "devmode-public",
        "Apply the public part of a DEVMODE made from the flags to a record and print the changes");
    add_common(pub, public_common);
    pub->add_option("--paper", fields.paper, "dmPaperSize (a Windows paper number)");
    pub->add_option("--form", fields.form, "dmFormName");
    pub->add_option("--size", fields.size, "dmPaperWidth x dmPaperLength, tenths of a millimetre (WxL)");
    pub->add_option("--orientation", fields.orientation, "portrait or landscape")
        ->check(CLI::IsMember({"portrait", "landscape"}));
    pub->add_option("--bin", fields.bin, "dmDefaultSource");
    pub->add_option("--dpi", fields.dpi, "dmPrintQuality, or X and Y as XxY");
    pub->add_option("--copies", fields.copies, "dmCopies");
    pub->add_option("--scale", fields.scale, "dmScale");
    set_action(pub, [] { return apply_public(public_common, fields); });
}

}  // namespace zenta::tool
