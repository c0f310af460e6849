// Verbs on whole DEVMODE files: the printer's default DEVMODE, conversion and merging through the
// plug-in's DevMode as the core driver calls it, a DEVMODE made around a record file, and a
// readable view of one. A DEVMODE file holds the public DEVMODEW, the core driver's private area
// and the plug-in's block, dmSize + dmDriverExtra bytes in all.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "host/core_driver.h"
#include "host/devmode_buffer.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "util/byte_order.h"
#include "util/hex.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

using host::DevmodeBuffer;
using host::hex32;

// The device name of a DEVMODE that no printer was asked for: the built-in printer's.
constexpr const char* kDefaultDeviceName = "Zenta Production Printer";

std::optional<DevmodeBuffer> read_devmode(std::string_view verb, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(path, bytes)) {
        std::cerr << "zenta: " << verb << ": cannot read '" << path << "'\n";
        return std::nullopt;
    }
    std::string error;
    std::optional<DevmodeBuffer> dm = DevmodeBuffer::from_bytes(bytes, error);
    if (!dm) std::cerr << "zenta: " << verb << ": '" << path << "' is not a DEVMODE: " << error << '\n';
    return dm;
}

bool write_devmode(std::string_view verb, const std::string& path, const DevmodeBuffer& dm) {
    if (write_file(path, dm.bytes())) return true;
    std::cerr << "zenta: " << verb << ": cannot write '" << path << "'\n";
    return false;
}

// What the verbs that call the plug-in share.
struct PluginOptions {
    std::string profile;
    std::string plugin;
    std::string output;
};

// The plug-in loaded as far as DevMode needs it, and the printer it works for.
class DevmodeSession {
public:
    explicit DevmodeSession(const PluginOptions& options)
        : driver_(options.plugin.empty() ? host::PluginModule::default_path()
                                         : util::utf8_to_utf16(options.plugin)) {}

    bool open(std::string_view verb, const std::string& profile) {
        verb_ = verb;
        if (!printer_.open(verb, profile)) return false;
        return driver_.load() || report();
    }
    // Prints why the last plug-in call failed; false.
    bool report() {
        std::cerr << "zenta: " << verb_ << ": " << driver_.error() << '\n';
        return false;
    }
    host::CoreDriver& driver() { return driver_; }
    abi::HANDLE printer() { return printer_.printer().handle(); }

private:
    std::string_view verb_;
    PrinterSession printer_;
    host::CoreDriver driver_;
};

int default_devmode(const PluginOptions& options) {
    constexpr std::string_view verb = "devmode default";
    DevmodeSession session(options);
    if (!session.open(verb, options.profile)) return 1;
    const std::optional<DevmodeBuffer> dm = session.driver().default_devmode(session.printer());
    if (!dm) {
        session.report();
        return 1;
    }
    return write_devmode(verb, options.output, *dm) ? 0 : 1;
}

int convert_devmode(const PluginOptions& options, const std::string& input) {
    constexpr std::string_view verb = "devmode convert";
    const std::optional<DevmodeBuffer> in = read_devmode(verb, input);
    if (!in) return 1;
    DevmodeSession session(options);
    if (!session.open(verb, options.profile)) return 1;
    const std::optional<DevmodeBuffer> out = session.driver().convert_devmode(*in, session.printer());
    if (!out) {
        session.report();
        return 1;
    }
    return write_devmode(verb, options.output, *out) ? 0 : 1;
}

int merge_devmode(const PluginOptions& options, const std::string& current_path,
                  const std::string& app_path) {
    constexpr std::string_view verb = "devmode merge";
    const std::optional<DevmodeBuffer> current = read_devmode(verb, current_path);
    if (!current) return 1;
    const std::optional<DevmodeBuffer> app = read_devmode(verb, app_path);
    if (!app) return 1;
    DevmodeSession session(options);
    if (!session.open(verb, options.profile)) return 1;
    const std::optional<DevmodeBuffer> out =
        session.driver().merge_devmode(*current, *app, session.printer());
    if (!out) {
        session.report();
        return 1;
    }
    return write_devmode(verb, options.output, *out) ? 0 : 1;
}

int devmode_from_record(const std::string& record_path, const std::string& output, const std::string& version,
                        const std::string& device) {
    constexpr std::string_view verb = "devmode from-record";
    // Checked while the arguments were parsed.
    const std::optional<std::uint32_t> replaced =
        version.empty() ? std::nullopt : util::parse_hex_u32(version);
    settings::Record record;
    if (!read_record(verb, record_path, record)) return 1;
    DevmodeBuffer dm = DevmodeBuffer::make(util::utf8_to_utf16(device), settings::kPluginDevmodeSize);
    auto block = std::span<std::uint8_t, settings::kPluginDevmodeSize>(dm.plugin_block(),
                                                                       settings::kPluginDevmodeSize);
    settings::write_plugin_devmode(block, record);
    // Another layout's block: the header names a version this plug-in does not have.
    if (replaced) util::store_le32(block.data() + 8, *replaced);
    return write_devmode(verb, output, dm) ? 0 : 1;
}

// A name field up to its terminator, or whole when it has none.
template <std::size_t N>
std::string field_text(const abi::WCHAR (&field)[N]) {
    return util::utf16_to_utf8(std::u16string_view(field, std::find(field, field + N, u'\0') - field));
}

void print_public(const abi::DEVMODEW& dm) {
    std::printf("dmDeviceName: %s\n", field_text(dm.dmDeviceName).c_str());
    std::printf("dmSize: %u\ndmDriverExtra: %u\ndmFields: %s\n", unsigned{dm.dmSize},
                unsigned{dm.dmDriverExtra}, hex32(dm.dmFields).c_str());
    std::printf("dmOrientation: %d\ndmPaperSize: %d\n", dm.dmOrientation, dm.dmPaperSize);
    std::printf("dmFormName: %s\n", field_text(dm.dmFormName).c_str());
    std::printf("dmCopies: %d\ndmDefaultSource: %d\ndmPrintQuality: %d\ndmYResolution: %d\ndmDuplex: %d\n",
                dm.dmCopies, dm.dmDefaultSource, dm.dmPrintQuality, dm.dmYResolution, dm.dmDuplex);
}

// The header fields that lie inside the block, then the settings when the block passes the
// plug-in's acceptance test.
void print_plugin_block(const std::uint8_t* block, std::size_t size, std::size_t offset) {
    if (!block) {
        std::printf("plug-in block: none\n");
        return;
    }
    std::printf("plug-in block: %zu bytes at byte %zu\n", size, offset);
    struct Word {
        const char* name;
        std::size_t offset;
        bool hex;
    };
    constexpr Word kWords[] = {{"dwSize", 0, false},
                               {"dwSignature", 4, true},
                               {"dwVersion", 8, true},
                               {"extension marker", 12, true},
                               {"extension length", 16, false}};
    for (const Word& word : kWords) {
        if (word.offset + 4 > size) break;
        const std::uint32_t value = util::load_le32(block + word.offset);
        if (word.hex) {
            std::printf("%s: %s\n", word.name, hex32(value).c_str());
        } else {
            std::printf("%s: %u\n", word.name, static_cast<unsigned>(value));
        }
    }
    if (settings::kHeaderFlagOffset < size)
        std::printf("header flag: %u\n", unsigned{block[settings::kHeaderFlagOffset]});
    if (!settings::is_plugin_devmode(block, size)) {
        std::printf("settings: none (the block is not a plug-in devmode of this layout)\n");
        return;
    }
    settings::Record record;
    const auto stored = settings::record_bytes(block);
    std::copy(stored.begin(), stored.end(), record.bytes.begin());
    std::cout << settings::format_settings(record);
}

int show_devmode(const std::string& path) {
    const std::optional<DevmodeBuffer> dm = read_devmode("devmode show", path);
    if (!dm) return 1;
    print_public(*dm->public_part());
    if (const std::optional<std::uint8_t> marker = dm->nup_marker()) {
        std::printf("N-up marker: %u\n", unsigned{*marker});
    } else {
        std::printf("N-up marker: absent\n");
    }
    print_plugin_block(dm->plugin_block(), dm->plugin_size(), dm->plugin_offset());
    std::fflush(stdout);
    return 0;
}

}  // namespace

void register_devmode_commands(CLI::App& app) {
    auto* devmode = app.add_subcommand(
        "devmode", "Make, convert, merge or show whole DEVMODE files through the plug-in's DevMode");
    devmode->require_subcommand(1);

    const auto plugin_options = [](CLI::App* command, PluginOptions& options) {
        command->add_option(
            "--printer", options.profile,
            "A printer profile (default: the built-in printer, or the system's first local one)");
        command->add_option("--plugin", options.plugin,
                            "The plug-in library (default: the one beside this program)");
        command->add_option("-o,--output", options.output, "The DEVMODE file to write")->required();
    };

    auto* make_default = devmode->add_subcommand("default", "Write the printer's default DEVMODE");
    static PluginOptions default_options;
    plugin_options(make_default, default_options);
    set_action(make_default, [] { return default_devmode(default_options); });

    auto* show = devmode->add_subcommand(
        "show", "Print a DEVMODE's public fields, N-up marker, plug-in header and settings");
    static std::string show_path;
    show->add_option("devmode", show_path, "The DEVMODE file")->required();
    set_action(show, [] { return show_devmode(show_path); });

    auto* merge = devmode->add_subcommand(
        "merge", "Merge an application's DEVMODE into the current one, as the core driver does");
    static PluginOptions merge_options;
    static std::string merge_current, merge_app;
    merge->add_option("--in", merge_current, "The current DEVMODE file")->required();
    merge->add_option("--app", merge_app, "The application's DEVMODE file")->required();
    plugin_options(merge, merge_options);
    set_action(merge, [] { return merge_devmode(merge_options, merge_current, merge_app); });

    auto* convert = devmode->add_subcommand(
        "convert", "Convert a DEVMODE into one of the printer, as the core driver does");
    static PluginOptions convert_options;
    static std::string convert_input;
    convert->add_option("devmode", convert_input, "The DEVMODE file to convert")->required();
    plugin_options(convert, convert_options);
    set_action(convert, [] { return convert_devmode(convert_options, convert_input); });

    auto* from_record = devmode->add_subcommand(
        "from-record", "Write a DEVMODE whose plug-in block carries a record file (no plug-in call)");
    static std::string record_path, record_output, record_version;
    static std::string record_device = kDefaultDeviceName;
    from_record->add_option("record", record_path, "The record file (27774 bytes)")->required();
    from_record->add_option("-o,--output", record_output, "The DEVMODE file to write")->required();
    from_record
        ->add_option("--version", record_version,
                     "The layout version to write into the block's header, in hexadecimal (0xXXXXXXXX)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return util::parse_hex_u32(text) ? std::string() : "up to eight hexadecimal digits expected";
            },
            "HEX"));
    from_record->add_option("--device", record_device, "The DEVMODE's device name")->capture_default_str();
    set_action(from_record,
               [] { return devmode_from_record(record_path, record_output, record_version, record_device); });
}

}  // namespace zenta::tool
