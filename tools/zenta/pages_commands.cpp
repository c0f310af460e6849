// The page exception list of a record file, decoded or selected for one use.

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "settings/page_exceptions.h"
#include "settings/record.h"

namespace zenta::tool {
namespace {

int show_pages(const std::string& path, unsigned mode) {
    settings::Record record;
    if (!read_record("pages", path, record)) return 1;
    settings::PageList list;
    if (mode == 0) {
        auto decoded = settings::decode_pages(record);
        if (!decoded.inside) std::cerr << "zenta: pages: the list runs past the end of its area\n";
        list = std::move(decoded.entries);
    } else {
        list = settings::select_pages(record, mode);
    }
    std::string out;
    for (const settings::PageEntry& entry : list) out += settings::format_entry(entry) + '\n';
    std::cout << out;
    return 0;
}

}  // namespace

void register_pages_commands(CLI::App& app) {
    auto* pages =
        app.add_subcommand("pages", "Print the page exception list of a record file, one entry a line");
    static std::string path;
    static unsigned mode = 0;
    pages->add_option("REC", path, "A record file (27774 bytes)")->required();
    pages
        ->add_option("--select", mode,
                     "Select the entries for one use: 1 output pages (sheets counted, equal entries "
                     "merged), 2 tab sheets")
        ->check(CLI::IsMember({settings::kSelectOutputPages, settings::kSelectTabs}));
    set_action(pages, [] { return show_pages(path, mode); });
}

}  // namespace zenta::tool
