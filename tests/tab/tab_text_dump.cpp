// Writes one of the plug-in's tab texts to standard output, byte for byte, for the Ghostscript
// checks of procset_check.sh.
//   tab_text_dump procset            the delivered procedure set block of this process
//   tab_text_dump block N            the block with first lead-in byte N (decimal)
//   tab_text_dump compact            the compacted procedure set
//   tab_text_dump qxp1tab true|false the QXP1Tab definition
//   tab_text_dump erase-wrapper | page-save-release | end-of-page-setup | page-device-restore |
//                 qxp-fix-call
// Exit status 2 for an unknown request.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "stream/tab_procset.h"
#include "stream/tab_texts.h"

namespace {

int put(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0 ? 0
                                                                                                       : 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zenta::stream;
    const std::string_view what = argc > 1 ? argv[1] : "";
    const std::string_view arg = argc > 2 ? argv[2] : "";
    if (what == "procset") return put(tab_procset_delivery());
    if (what == "block" && !arg.empty()) {
        const long n = std::strtol(argv[2], nullptr, 10);
        if (n >= 0 && n <= 255) return put(tab_procset_block(static_cast<std::uint8_t>(n)));
    }
    if (what == "compact") return put(tab_procset_text());
    if (what == "qxp1tab" && (arg == "true" || arg == "false")) return put(qxp1tab_definition(arg == "true"));
    if (what == "erase-wrapper") return put(erase_page_wrapper());
    if (what == "page-save-release") return put(page_save_release());
    if (what == "end-of-page-setup") return put(end_of_page_setup_callback());
    if (what == "page-device-restore") return put(page_device_restore());
    if (what == "qxp-fix-call") return put(qxp_fix_call());
    std::fputs(
        "usage: tab_text_dump procset | block N | compact | qxp1tab true|false | erase-wrapper |\n"
        "       page-save-release | end-of-page-setup | page-device-restore | qxp-fix-call\n",
        stderr);
    return 2;
}
