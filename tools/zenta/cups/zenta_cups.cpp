// zenta-cups: the CUPS filter of the Zenta production printer. It prints the document through
// the plug-in exactly as `zenta print` does (the core-driver stand-in drives the plug-in
// library), so a job sent with `lp -o Staple=1StapleLeft` reaches the printer with the same PJL
// header and PostScript as the same job printed from Windows.
//
//   zenta-cups job-id user title copies options [file]
//
// The document (PostScript or PDF) is the file, or standard input; the job goes to standard
// output; messages go to standard error with the CUPS prefixes. The settings are the options
// that name job settings, applied through the constraint engine in feature order; the title,
// the user and the copy count come from the arguments; the printer's installable options from
// the choices of the PPD's installable options (the PPD CUPS names in PPD). The printer is the
// built-in one, or the printer profile ZENTA_PRINTER_PROFILE names. Exit status 1 only when no
// job could be written.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "cups_options.h"
#include "cups_ppd.h"
#include "print_commands.h"
#include "platform/sim/profile.h"
#include "util/utf.h"

namespace {

namespace fs = std::filesystem;
using namespace zenta;

// Standard input kept in a file of its own for the time of the job.
class InputCopy {
public:
    bool make() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("zenta-cups-" + std::to_string(random() % 100000000) + ".in");
        std::ofstream out(path_, std::ios::binary);
        out << std::cin.rdbuf();
        return static_cast<bool>(out.flush()) && fs::file_size(path_) > 0;
    }
    ~InputCopy() {
        std::error_code ec;
        if (!path_.empty()) fs::remove(path_, ec);
    }
    std::string path() const { return path_.string(); }

private:
    fs::path path_;
};

// The PPD's *Default choices: those of the installable options group, and the others.
struct PpdDefaults {
    std::map<std::string, std::string> installed;
    std::vector<std::pair<std::string, std::string>> queue;
};

PpdDefaults read_ppd_defaults(const char* ppd_path) {
    PpdDefaults defaults;
    if (!ppd_path || !*ppd_path) return defaults;
    std::ifstream in(ppd_path);
    bool installed = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("*OpenGroup: InstallableOptions", 0) == 0) installed = true;
        if (line.rfind("*CloseGroup: InstallableOptions", 0) == 0) installed = false;
        if (line.rfind("*Default", 0) != 0) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(8, colon - 8);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        if (installed)
            defaults.installed[name] = value;
        else
            defaults.queue.emplace_back(std::move(name), std::move(value));
    }
    return defaults;
}

std::optional<platform::sim::Profile> printer_profile() {
    const char* path = std::getenv("ZENTA_PRINTER_PROFILE");
    if (!path || !*path) return platform::sim::default_profile();
    std::string error;
    auto profile = platform::sim::load_profile(path, error);
    if (!profile) std::cerr << "ERROR: " << error << '\n';
    return profile;
}

int filter(int argc, char** argv) {
    if (argc < 6 || argc > 7) {
        std::cerr << "ERROR: usage: zenta-cups job-id user title copies options [file]\n";
        return 1;
    }
    const std::string user = argv[2];
    const std::string title = argv[3];
    const long copies = std::max(1L, std::strtol(argv[4], nullptr, 10));

    InputCopy input;
    std::string document = argc == 7 ? argv[6] : std::string();
    if (document.empty()) {
        if (!input.make()) {
            std::cerr << "ERROR: no document on standard input\n";
            return 1;
        }
        document = input.path();
    }

    const PpdDefaults ppd = read_ppd_defaults(std::getenv("PPD"));
    auto options = tool::cups::queue_defaults(ppd.queue);
    const auto job_options = tool::cups::parse_options(argv[5]);
    options.insert(options.end(), job_options.begin(), job_options.end());
    // The installable options may also come with the job's options; they are the printer's.
    auto installed = ppd.installed;
    for (auto it = options.begin(); it != options.end();) {
        if (tool::cups::is_installable_option(it->first)) {
            installed[it->first] = it->second;
            it = options.erase(it);
        } else {
            ++it;
        }
    }
    bool copies_given = false;
    for (const auto& option : options) copies_given = copies_given || option.first == "NumCopies";
    if (copies > 1 && !copies_given) options.emplace_back("NumCopies", std::to_string(copies));
    const tool::cups::Settings settings = tool::cups::job_settings(options);
    for (const std::string& refused : settings.refused) std::cerr << "ERROR: option " << refused << '\n';
    for (const std::string& ignored : settings.ignored) std::cerr << "DEBUG: option " << ignored << '\n';

    std::optional<platform::sim::Profile> profile = printer_profile();
    if (!profile || profile->printers.empty()) {
        std::cerr << "ERROR: no printer to print with\n";
        return 1;
    }
    profile->settings.user_name = util::utf8_to_utf16(user);
    const auto block = tool::cups::installable_options_from(installed);
    profile->printers.front().data[std::u16string(platform::sim::kPrinterDriverData)][u"InstallableOptions"] =
        platform::sim::binary_value(std::vector<abi::BYTE>(block.begin(), block.end()));

    tool::PrintOptions print;
    print.arguments.push_back(document);
    print.arguments.insert(print.arguments.end(), settings.assignments.begin(), settings.assignments.end());
    print.title = title;
    print.printer_profile = std::move(*profile);
    print.job_out = &std::cout;
    print.messages = &std::cerr;
    print.info_prefix = "INFO: ";
    print.error_prefix = "ERROR: ";
    unsigned pages = 0;
    print.pages_printed = &pages;
    if (tool::print_document(print) != 0) return 1;
    for (unsigned page = 1; page <= pages; ++page) std::cerr << "PAGE: " << page << ' ' << copies << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    try {
        return filter(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "ERROR: " << e.what() << '\n';
        return 1;
    }
}
