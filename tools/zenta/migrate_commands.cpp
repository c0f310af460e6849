// The migrate verb: carries a record of another layout into this one through the job settings
// description of the old layout, as the plug-in does for a plug-in devmode of another layout.

#include <fstream>
#include <iostream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "environment/record_defaults.h"
#include "features/migration.h"
#include "environment/devmode_migration.h"
#include "settings/record.h"
#include "util/base64.h"

namespace zenta::tool {
namespace {

int migrate(const std::string& description_path, const std::string& old_path, const std::string& out_path) {
    std::vector<std::uint8_t> description;
    if (!read_file(description_path, description)) {
        std::cerr << "zenta: migrate: cannot read " << description_path << '\n';
        return 1;
    }
    const std::string text(description.begin(), description.end());
    if (!util::base64_decode(text)) {
        std::cerr << "zenta: migrate: " << description_path << " does not hold Base64 text\n";
        return 1;
    }
    std::vector<std::uint8_t> old_record;
    if (!read_file(old_path, old_record)) {
        std::cerr << "zenta: migrate: cannot read " << old_path << '\n';
        return 1;
    }

    settings::Record record = environment::default_record();
    const features::MigrationResult result = environment::migrate_record(record, old_record, text);
    bool repaired = false;
    if (result == features::MigrationResult::Migrated) repaired = !environment::validate(record);
    if (!write_file(out_path, record.bytes)) {
        std::cerr << "zenta: migrate: cannot write " << out_path << '\n';
        return 1;
    }

    switch (result) {
        case features::MigrationResult::Migrated:
            std::cout << "migrated\n";
            if (repaired) std::cout << "validation repaired values this layout cannot hold\n";
            break;
        case features::MigrationResult::SameLayout:
            std::cout << "not migrated: the description names this layout; values copied by name\n";
            break;
        case features::MigrationResult::Reset:
            std::cout << "not migrated: the old record does not carry the layout version the description "
                         "names; reset to defaults\n";
            break;
        case features::MigrationResult::Undescribed:
            std::cout << "not migrated: the description does not describe the old record; defaults kept\n";
            break;
    }
    return 0;
}

}  // namespace

void register_migrate_commands(CLI::App& app) {
    auto* command = app.add_subcommand(
        "migrate", "Carry a record of another layout into this one through the old layout's description");
    static std::string description_path, old_path, out_path;
    command
        ->add_option("--description", description_path,
                     "The old layout's job settings description, as Base64 text (line breaks allowed)")
        ->required();
    command->add_option("old-record", old_path, "The old record's bytes")->required();
    command->add_option("-o,--output", out_path, "Where to write the new record (27774 bytes)")->required();
    set_action(command, [] { return migrate(description_path, old_path, out_path); });
}

}  // namespace zenta::tool
