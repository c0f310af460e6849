#include "commands.h"

#include <map>

namespace zenta::tool {
namespace {

constexpr int kNoAction = -1;

std::map<const CLI::App*, std::function<int()>>& actions() {
    static std::map<const CLI::App*, std::function<int()>> table;
    return table;
}

}  // namespace

void set_action(CLI::App* command, std::function<int()> action) { actions()[command] = std::move(action); }

namespace {

// The deepest chosen verb with an action runs ("printer show" before "printer").
int run_deepest(CLI::App& app) {
    for (CLI::App* command : app.get_subcommands()) {
        const int nested = run_deepest(*command);
        if (nested != kNoAction) return nested;
        const auto it = actions().find(command);
        if (it != actions().end()) return it->second();
    }
    return kNoAction;
}

}  // namespace

int run_selected(CLI::App& app) {
    const int status = run_deepest(app);
    return status == kNoAction ? 2 : status;
}

}  // namespace zenta::tool
