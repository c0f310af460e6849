// zenta: the command-line companion of the plug-in. Each verb is registered by the file that
// implements it; this file only parses and reports.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"zenta: job settings, layout and plug-in tool for the Zenta production printer driver"};
    app.require_subcommand(1);
    app.fallthrough(false);
    zenta::tool::register_model_commands(app);
    zenta::tool::register_plugin_commands(app);
    zenta::tool::register_language_commands(app);
    zenta::tool::register_printer_commands(app);
    zenta::tool::register_record_commands(app);
    zenta::tool::register_pages_commands(app);
    zenta::tool::register_migrate_commands(app);
    zenta::tool::register_constraint_commands(app);
    zenta::tool::register_devmode_commands(app);
    zenta::tool::register_print_commands(app);
    zenta::tool::register_pjl_commands(app);
    zenta::tool::register_geometry_commands(app);
    zenta::tool::register_wake_commands(app);
    zenta::tool::register_inspect_commands(app);
    zenta::tool::register_cups_ppd_commands(app);

    const auto is_verb = [&](const char* word) {
        for (const CLI::App* command : app.get_subcommands({}))
            if (command->check_name(word)) return true;
        return false;
    };
    if (argc > 1 && argv[1][0] != '-' && !is_verb(argv[1])) {
        std::cerr << "zenta: unknown verb '" << argv[1] << "'\n\n" << app.help();
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "zenta: " << e.what() << "\n\n" << app.help();
        return 2;
    }
    try {
        return zenta::tool::run_selected(app);
    } catch (const std::exception& e) {
        std::cerr << "zenta: " << e.what() << '\n';
        return 1;
    }
}
