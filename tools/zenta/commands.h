#pragma once
// The verbs of the tool. A verb registers a subcommand and the action to run when it is chosen.

#include <CLI/CLI.hpp>

#include <functional>

namespace zenta::tool {

// Sets the action of a subcommand: it returns the process exit status.
void set_action(CLI::App* command, std::function<int()> action);

// Runs the action of the chosen subcommand.
int run_selected(CLI::App& app);

// layout, features, describe
void register_model_commands(CLI::App& app);

// plugin-info
void register_plugin_commands(CLI::App& app);

// text, lng encode, lng decode
void register_language_commands(CLI::App& app);

// jobid, printer show
void register_printer_commands(CLI::App& app);

// defaults, record new|show|validate
void register_record_commands(CLI::App& app);

// pages
void register_pages_commands(CLI::App& app);

// migrate
void register_migrate_commands(CLI::App& app);

// set, devmode-public
void register_constraint_commands(CLI::App& app);

// devmode default|show|merge|convert|from-record
void register_devmode_commands(CLI::App& app);

// print
// pjl: the PJL job header of a record.
void register_pjl_commands(CLI::App& app);

void register_print_commands(CLI::App& app);
void register_geometry_commands(CLI::App& app);  // geometry: the page geometry the plug-in reports
void register_wake_commands(CLI::App& app);      // wake: the printer's Wake-on-LAN datagrams
void register_inspect_commands(CLI::App& app);   // inspect, preview: reading a spool file back
void register_cups_ppd_commands(CLI::App& app);  // ppd --cups: the PPD of a CUPS queue

}  // namespace zenta::tool
