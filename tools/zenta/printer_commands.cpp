// Verbs about the printer the plug-in is attached to: a fresh job identifier, and everything the
// plug-in reads from the printer, decoded.

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "environment/job.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "features/feature_table.h"
#include "platform/last_error.h"
#include "platform/os.h"
#include "platform/sim/services.h"
#include "util/hex.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

using environment::PrinterConnection;

std::string narrow(const char16_t* text) { return text ? util::utf16_to_utf8(text) : std::string(); }

void show_description(PrinterConnection& printer) {
    const abi::PRINTER_INFO_2W* info = printer.description();
    if (!info) {
        std::cout << "description: unreadable\n";
        return;
    }
    std::cout << "printer: " << narrow(info->pPrinterName) << '\n'
              << "server: " << narrow(info->pServerName) << '\n'
              << "share: " << narrow(info->pShareName) << '\n'
              << "port: " << narrow(info->pPortName) << '\n'
              << "driver: " << narrow(info->pDriverName) << '\n'
              << "comment: " << narrow(info->pComment) << '\n'
              << "location: " << narrow(info->pLocation) << '\n'
              << "attributes: 0x" << util::hex_u32(info->Attributes) << '\n'
              << "status: 0x" << util::hex_u32(info->Status) << '\n'
              << "jobs: " << info->cJobs << '\n';
}

void show_option_map(PrinterConnection& printer, const char16_t* name) {
    const auto map = environment::read_driver_option_map(printer, name);
    std::cout << util::utf16_to_utf8(name) << ": ";
    if (!map) {
        std::cout << "absent or not for this layout\n";
        return;
    }
    std::cout << map->size() << (map->size() == 1 ? " entry\n" : " entries\n");
    for (const auto& [key, number] : *map) std::cout << "  " << key << " = " << number << '\n';
}

void show_bins(PrinterConnection& printer) {
    const int count = printer.device_capability(abi::DC_BINS, nullptr);
    const int names = printer.device_capability(abi::DC_BINNAMES, nullptr);
    std::cout << "bins: " << count << " numbers, " << names << " names\n";
    if (count <= 0 || names <= 0) return;
    std::vector<abi::WORD> numbers(static_cast<std::size_t>(count));
    std::vector<char16_t> text(static_cast<std::size_t>(names) * abi::kBinNameUnits + 1, 0);
    printer.device_capability(abi::DC_BINS, reinterpret_cast<char16_t*>(numbers.data()));
    printer.device_capability(abi::DC_BINNAMES, text.data());
    for (int i = 0; i < std::min(count, names); ++i) {
        const char16_t* name = text.data() + static_cast<std::size_t>(i) * abi::kBinNameUnits;
        std::u16string bin(name, std::char_traits<char16_t>::length(name) < abi::kBinNameUnits
                                     ? std::char_traits<char16_t>::length(name)
                                     : abi::kBinNameUnits);
        std::cout << "  " << numbers[static_cast<std::size_t>(i)] << ' ' << util::utf16_to_utf8(bin) << '\n';
    }
}

void show_bin_names_value(PrinterConnection& printer) {
    std::size_t needed = 0;
    abi::DWORD type = 0;
    std::cout << "printBinNames: ";
    const abi::DWORD probe = printer.get_bin_names(&type, nullptr, 0, &needed);
    if ((probe != 0 && probe != platform::kErrorMoreData) || needed == 0) {
        std::cout << "absent\n";
        return;
    }
    std::vector<abi::BYTE> bytes(needed + 2, 0);
    if (printer.get_bin_names(&type, bytes.data(), needed, &needed) != 0) {
        std::cout << "unreadable\n";
        return;
    }
    std::vector<std::string> names;
    std::u16string current;
    for (std::size_t i = 0; i + 1 < needed; i += 2) {
        const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c != 0) {
            current.push_back(c);
            continue;
        }
        if (current.empty()) break;
        names.push_back(util::utf16_to_utf8(current));
        current.clear();
    }
    std::cout << names.size() << " names\n";
    for (const auto& name : names) std::cout << "  " << name << '\n';
}

int show_printer(const std::string& profile_path, const std::string& printer_name) {
    PrinterSession session;
    if (!session.open("printer show", profile_path, printer_name)) return 1;
    PrinterConnection& printer = session.printer();
    show_description(printer);

    const auto duplex = environment::read_default_duplex(printer);
    std::cout << "DefaultDuplex: " << (duplex ? (*duplex ? "on" : "off") : "absent") << '\n';

    const auto options = environment::read_installable_options(printer);
    std::cout << "InstallableOptions: ";
    if (options) {
        std::cout << util::hex_upper(*options) << '\n';
        std::cout << "  paper-feed configuration: "
                  << int{(*options)[environment::kPaperFeedConfigurationByte]} << "\n  trays available:";
        const auto& slots = features::feature(features::FeatureId::InputSlot).descriptor->options;
        for (unsigned tray = 0; tray < slots.size(); ++tray)
            if (environment::tray_available(tray, *options)) std::cout << ' ' << slots[tray].keyword;
        std::cout << '\n';
    } else {
        std::cout << "absent\n";
    }

    show_option_map(printer, u"PScriptOffsets");
    show_option_map(printer, u"PScriptValues");

    const auto papers = environment::read_custom_papers(printer);
    std::cout << "LastCustomPapers: " << papers.size() << '\n';
    for (const auto& paper : papers) std::cout << "  kind " << paper.kind_flag << ' ' << paper.name << '\n';

    show_bins(printer);
    show_bin_names_value(printer);

    const auto address = environment::read_wake_up_address_text(printer);
    std::cout << "MacAddress: " << (address ? *address : "absent") << '\n';
    const auto spool = environment::read_spool_directory(printer);
    std::cout << "DefaultSpoolDirectory: " << (spool ? util::utf16_to_utf8(*spool) : "absent") << '\n';
    return 0;
}

}  // namespace

void register_printer_commands(CLI::App& app) {
    set_action(app.add_subcommand("jobid", "Print a fresh driver job identifier"), [] {
        std::cout << environment::make_job_identifier() << '\n';
        return 0;
    });

    auto* printer = app.add_subcommand("printer", "Show what the plug-in reads from a printer");
    printer->require_subcommand(1);
    auto* show =
        printer->add_subcommand("show", "Print the printer's description and every value the plug-in reads");
    static std::string profile, name;
    show->add_option("--profile", profile, "A printer profile (JSON) to simulate the spooler with")
        ->check(CLI::ExistingFile);
    show->add_option("--printer", name, "The printer's name (default: the first local printer)");
    set_action(show, [] { return show_printer(profile, name); });
}

}  // namespace zenta::tool
