// The verb that loads the render plug-in as the core driver does and shows what it reports.

#include <cstdio>
#include <iostream>
#include <string>

#include "commands.h"
#include "host/core_driver.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

int print_plugin_info(const std::string& plugin_path) {
    host::CoreDriver driver(plugin_path.empty() ? host::PluginModule::default_path()
                                                : util::utf8_to_utf16(plugin_path));
    if (!driver.start()) {
        std::cerr << "zenta: plugin-info: " << driver.error() << '\n';
        return 1;
    }
    const host::PluginInfo info = driver.info();
    const std::size_t hooks = driver.hooks().size();
    driver.shutdown();
    std::printf("signature 0x%08X\nversion 0x%08X\nhelpers %u\nhooks %zu\n",
                static_cast<unsigned>(info.signature), static_cast<unsigned>(info.version),
                static_cast<unsigned>(info.helpers), hooks);
    return 0;
}

}  // namespace

void register_plugin_commands(CLI::App& app) {
    auto* info = app.add_subcommand(
        "plugin-info",
        "Load the render plug-in as the core driver does and print its signature, version, "
        "requested helpers and hook count");
    static std::string plugin_path;
    info->add_option("--plugin", plugin_path, "The plug-in library (default: the one beside this program)");
    set_action(info, [] { return print_plugin_info(plugin_path); });
}

}  // namespace zenta::tool
