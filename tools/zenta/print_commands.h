#pragma once
// Printing a document through the plug-in as the PostScript core driver does: the print verb
// and the CUPS filter share it.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/profile.h"
#include "preview.h"

namespace zenta::tool {

struct PrintOptions {
    std::vector<std::string> arguments;  // DOCUMENT and Key=Value settings
    std::string record;
    std::string devmode;
    std::string profile;                                   // a printer profile file
    std::optional<platform::sim::Profile> printer_profile;  // or one in memory
    std::string ppd;
    std::string plugin;
    std::optional<std::string> title;
    std::optional<unsigned> pages;
    bool check = false;
    std::string preview;  // a directory for the page images
    unsigned preview_dpi = kPreviewDpi;
    bool quiet = false;  // no explanations of the engine's automatic changes
    std::string output;  // the spool file, written whole or not at all
    bool discard = false;  // a null sink instead: the job is counted as it is written, then dropped
    bool timing = false;   // report the plug-in's Command time and the peak resident memory
    // Where the job goes instead of a file, when set.
    std::ostream* job_out = nullptr;
    // Where the summary and the explanations go (standard output when null), each line after
    // info_prefix; errors go to standard error after error_prefix.
    std::ostream* messages = nullptr;
    std::string info_prefix;
    std::string error_prefix = "zenta: print: ";
    // Set to the number of pages printed, when given.
    unsigned* pages_printed = nullptr;
};

// 0 when the job was written; 1 on a failure and 2 for a usage error, after saying why.
int print_document(const PrintOptions& options);

}  // namespace zenta::tool
