#include "commands.h"

#include <map>

namespace zenta::tool {
namespace {

std::map<const CLI::App*, std::function<int()>>& actions() {
    static std::map<const CLI::App*, std::function<int()>> table;
    return table;
}

}  // namespace

void set_action(CLI::App* command, std::function<int()> action) { actions()[command] = std::move(action); }

int run_selected(CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands()) {
        const auto it = actions().find(command);
        if (it != actions().end()) return it->second();
    }
    return 2;
}

}  // namespace zenta::tool
