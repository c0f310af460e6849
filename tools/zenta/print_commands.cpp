// The print verb: a whole document printed through the plug-in as the PostScript core driver
// prints it, into a spool file.
//
//   zenta print [DOCUMENT] [Key=Value ...] [--record REC | --devmode DM] [--printer PROFILE]
//               [--ppd FILE] [--title TEXT] [--pages N] [--check] [--preview DIR [--dpi N]]
//               [--timing] (-o JOB.prn | --discard)
//
// The job's DEVMODE: the printer's default DEVMODE, with an application's DEVMODE (--devmode) or
// a record (--record, carried in a DEVMODE whose public fields follow it) merged into it through
// the plug-in's DevMode; settings given as Key=Value then go through the constraint engine as
// `zenta set` applies them and are merged in the same way. The document is a DSC PostScript
// file, a PDF (through Ghostscript) or the built-in test document. The spool file is written
// whole or not at all (a temporary file beside it, renamed at the end). --preview then renders
// its pages to DIR/page-NNN.png, as `zenta preview` does.
//
// --discard prints into a null sink: the stream goes out page by page and is counted, never
// kept, so that a job of any length runs in the same memory. --timing reports the time of the
// plug-in's Command calls (the job's start and end apart from its pages) and the program's peak
// resident memory: the figures of the performance table.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "print_commands.h"
#include "commands.h"
#include "constraint_commands.h"
#include "environment/printer_data.h"
#include "environment/record_defaults.h"
#include "features/families.h"
#include "features/feature_table.h"
#include "files.h"
#include "host/core_driver.h"
#include "host/dsc_document.h"
#include "host/ghostscript.h"
#include "host/ppd_file.h"
#include "host/print_job.h"
#include "preview.h"
#include "settings/settings_text.h"
#include "tabfile/tab_blocks.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

namespace fs = std::filesystem;
using host::DevmodeBuffer;
using settings::Record;

constexpr std::string_view kVerb = "print";
constexpr unsigned kDefaultPages = 3;
// The spooler job id the driver is given with the document.
constexpr abi::DWORD kJobId = 1;
constexpr const char* kTestDocumentTitle = "Zenta test document";
// Longer values are shortened in the summary.
constexpr std::size_t kSummaryValueLength = 40;

// Where the messages of one print go: the tool's own prefix, or the one its caller asks for.
std::string g_error_prefix = "zenta: print: ";

int usage_error(const std::string& message) {
    std::cerr << g_error_prefix << message << '\n';
    return 2;
}

int failure(const std::string& message) {
    std::cerr << g_error_prefix << message << '\n';
    return 1;
}

fs::path path_of(const std::string& utf8) { return fs::path(util::utf8_to_utf16(utf8)); }

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path_of(path), ec);
}

std::optional<DevmodeBuffer> read_devmode(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(path, bytes)) {
        failure("cannot read '" + path + "'");
        return std::nullopt;
    }
    std::string error;
    std::optional<DevmodeBuffer> dm = DevmodeBuffer::from_bytes(bytes, error);
    if (!dm) failure("'" + path + "' is not a DEVMODE: " + error);
    return dm;
}

// The plug-in loaded as far as DevMode needs it, with the printer it prints on.
class PrintSession {
public:
    explicit PrintSession(const PrintOptions& options)
        : driver_(options.plugin.empty() ? host::PluginModule::default_path()
                                         : util::utf8_to_utf16(options.plugin)) {}

    bool open(const PrintOptions& options) {
        const bool opened = options.printer_profile ? printer_.open(kVerb, *options.printer_profile)
                                                    : printer_.open(kVerb, options.profile);
        if (!opened) return false;
        return driver_.load() || report();
    }
    bool report() {
        failure(driver_.error());
        return false;
    }
    host::CoreDriver& driver() { return driver_; }
    environment::PrinterConnection& printer() { return printer_.printer(); }
    abi::HANDLE handle() { return printer_.printer().handle(); }

    // `app` merged into `job` through the plug-in's DevMode, as the core driver merges an
    // application's DEVMODE.
    bool merge(DevmodeBuffer& job, const DevmodeBuffer& app) {
        std::optional<DevmodeBuffer> merged = driver_.merge_devmode(job, app, handle());
        if (!merged) return report();
        job = std::move(*merged);
        return true;
    }
    // The job's DEVMODE with this record in its block and its public fields following it,
    // merged in.
    bool merge_record(DevmodeBuffer& job, const Record& record) {
        DevmodeBuffer app = job;
        if (!host::set_devmode_record(app, record)) {
            failure("the job's DEVMODE has no room for a record");
            return false;
        }
        host::set_public_fields(app, record, handle());
        return merge(job, app);
    }

private:
    PrinterSession printer_;
    host::CoreDriver driver_;
};

// Where the tab sheets of a print were made: the tab document library notes the process id of
// each sheet in the file ZENTA_TAB_LOG names, set for the life of this object. A sheet made in
// this process came from the fallback thread, any other from the child process.
class TabSheetLog {
public:
    TabSheetLog() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("zenta-tabs-" + std::to_string(random() % 1000000) + ".log");
        set(path_.native());
    }
    ~TabSheetLog() {
        set({});
        std::error_code ec;
        fs::remove(path_, ec);
    }
    TabSheetLog(const TabSheetLog&) = delete;
    TabSheetLog& operator=(const TabSheetLog&) = delete;

    // " (child process N, thread M)", the parts that occur; empty when nothing was noted.
    std::string paths() const {
        std::ifstream in(path_);
        unsigned child = 0, thread = 0;
        for (long process = 0; in >> process;) (process == own_process() ? thread : child)++;
        std::string text;
        if (child) text += "child process " + std::to_string(child);
        if (thread) text += std::string(text.empty() ? "" : ", ") + "thread " + std::to_string(thread);
        return text.empty() ? text : " (" + text + ")";
    }

private:
#if defined(_WIN32)
    static void set(const std::wstring& value) { _wputenv_s(L"ZENTA_TAB_LOG", value.c_str()); }
    static long own_process() { return _getpid(); }
#else
    static void set(const std::string& value) {
        if (value.empty())
            unsetenv("ZENTA_TAB_LOG");
        else
            setenv("ZENTA_TAB_LOG", value.c_str(), 1);
    }
    static long own_process() { return getpid(); }
#endif
    fs::path path_;
};

// "Key=Value ..." of the settings that differ between the two records.
std::string differing_settings(const Record& defaults, const Record& job) {
    std::string text;
    for (features::FeatureId id : features::differing_features(defaults.view(), job.view())) {
        std::string value = settings::format_value(job, id);
        if (value.size() > kSummaryValueLength) value = value.substr(0, kSummaryValueLength - 3) + "...";
        text += (text.empty() ? "" : " ") + std::string(features::feature(id).key) + "=" + value;
    }
    return text.empty() ? "the printer's defaults" : text;
}

// "plug-in Command: J us for the job's start and end, P us for N pages (X us per page, median
// Y us) in C calls; peak resident memory M KiB".
std::string timing_line(const host::PrintJob& job) {
    using std::chrono::duration;
    const host::CommandTime& time = job.command_time();
    const auto micro = [](std::chrono::nanoseconds t) { return duration<double, std::micro>(t).count(); };
    const unsigned pages = job.pages_printed();
    char text[256];
    std::snprintf(text, sizeof text,
                  "plug-in Command: %.1f us for the job's start and end, %.1f us for %u pages (%.3f us per page, "
                  "median %.3f us) in %zu calls",
                  micro(time.job), micro(time.pages), pages, pages ? micro(time.pages) / pages : 0.0,
                  micro(time.median_page()), time.calls);
    std::string line = text;
    if (const auto peak = peak_resident_kib()) line += "; peak resident memory " + std::to_string(*peak) + " KiB";
    return line;
}

// Writes the job whole or not at all.
bool write_job(const std::string& target, const std::string& bytes) {
    if (replace_file(target, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())))
        return true;
    failure("cannot write '" + target + "'");
    return false;
}

}  // namespace

int print_document(const PrintOptions& options) {
    g_error_prefix = options.error_prefix;
    std::ostream& messages = options.messages ? *options.messages : std::cout;
    // A Key=Value with a known key is a setting; so is any Key=Value that names no file.
    std::string document_path;
    std::vector<std::string> assignments;
    for (const std::string& argument : options.arguments) {
        if (is_assignment(argument) || (argument.find('=') != std::string::npos && !file_exists(argument))) {
            assignments.push_back(argument);
        } else if (document_path.empty()) {
            document_path = argument;
        } else {
            return usage_error("one document at a time ('" + document_path + "' and '" + argument + "')");
        }
    }
    for (const std::string& assignment : assignments)
        if (!is_assignment(assignment))
            return usage_error("'" + assignment + "' is not Key=Value with a known key");
    if (options.pages && !document_path.empty())
        return usage_error("--pages is for the built-in test document, not for '" + document_path + "'");
    if (options.discard == !options.output.empty() && !options.job_out)
        return usage_error("give the spool file (-o) or --discard, one of them");
    if (options.discard && (options.check || !options.preview.empty()))
        return usage_error("--check and --preview need the job: not with --discard");

    const std::string ppd_path = options.ppd.empty() ? host::default_ppd_path() : options.ppd;
    if (ppd_path.empty()) return failure("no PPD found (zenta.ppd); name one with --ppd");
    std::string error;
    std::optional<host::PpdFile> ppd = host::PpdFile::read(ppd_path, error);
    if (!ppd) return failure(error);

    std::optional<host::DscDocument> document;
    if (!document_path.empty()) {
        document = host::read_document(document_path, error);
        if (!document) return failure(error);
    }
    std::optional<Record> record_file;
    if (!options.record.empty()) {
        record_file.emplace();
        if (!read_record(kVerb, options.record, *record_file)) return 1;
    }
    std::optional<DevmodeBuffer> devmode_file;
    if (!options.devmode.empty()) {
        devmode_file = read_devmode(options.devmode);
        if (!devmode_file) return 1;
    }

    // The job's DEVMODE, as the driver makes it for the application.
    PrintSession session(options);
    if (!session.open(options)) return 1;
    const std::optional<DevmodeBuffer> defaults = session.driver().default_devmode(session.handle());
    if (!defaults) {
        session.report();
        return 1;
    }
    DevmodeBuffer job = *defaults;
    if (devmode_file && !session.merge(job, *devmode_file)) return 1;
    if (record_file && !session.merge_record(job, *record_file)) return 1;
    if (!assignments.empty()) {
        Record record = host::job_settings(job, session.handle()).value_or(environment::default_record());
        const auto configuration = environment::read_installable_options(session.printer());
        if (const int status = apply_assignments(kVerb, record, assignments,
                                                 configuration ? &*configuration : nullptr,
                                                 ChangeReport{options.quiet ? nullptr : &messages, true, true, options.info_prefix}))
            return status;
        if (!session.merge_record(job, record)) return 1;
    }
    const std::optional<Record> settings = host::job_settings(job, session.handle());

    if (!document) {
        const host::JobPaper paper = host::job_paper(*ppd, settings ? &*settings : nullptr);
        document = host::test_document(options.pages.value_or(kDefaultPages), host::test_page_text(paper));
    }
    const std::string title = options.title ? *options.title
                              : document_path.empty()
                                  ? kTestDocumentTitle
                                  : util::utf16_to_utf8(path_of(document_path).filename().u16string());

    host::PrintJob print_job(session.driver(), std::move(*ppd), std::move(*document));
    TabSheetLog tab_log;
    // Each tab sheet the plug-in spliced in opens with the tab save block.
    const std::string_view save_block = tabfile::tab_save_block();
    const auto count_tab_sheets = [save_block](std::string_view text) {
        std::size_t count = 0;
        for (auto at = text.find(save_block); at != std::string::npos; at = text.find(save_block, at + 1)) ++count;
        return count;
    };
    std::size_t discarded_bytes = 0, tab_sheets = 0;
    if (options.discard)
        print_job.stream_to([&](std::string_view piece) {
            discarded_bytes += piece.size();
            tab_sheets += count_tab_sheets(piece);
        });
    if (!print_job.print(job, session.handle(), util::utf8_to_utf16(title), kJobId))
        return failure(print_job.error());
    const std::string& spool = print_job.spool();
    if (options.discard) {
    } else if (options.job_out) {
        if (!options.job_out->write(spool.data(), static_cast<std::streamsize>(spool.size())).flush())
            return failure("cannot write the job");
    } else if (!write_job(options.output, spool)) {
        return 1;
    }

    const std::string target = options.discard ? std::string("null sink") : options.job_out ? std::string("job") : options.output;
    std::string summary =
        options.info_prefix + target + ": " + std::to_string(print_job.pages_printed()) +
        (print_job.pages_printed() == 1 ? " page, " : " pages, ") +
        std::to_string(options.discard ? discarded_bytes : spool.size()) +
        " bytes; settings: " +
        (settings
             ? differing_settings(
                   host::job_settings(*defaults, session.handle()).value_or(environment::default_record()),
                   *settings)
             : std::string("none (the DEVMODE holds no settings of this plug-in)"));
    if (!options.discard) tab_sheets = count_tab_sheets(spool);
    if (tab_sheets != 0) summary += "; tab sheets: " + std::to_string(tab_sheets) + tab_log.paths();
    if (options.check) {
        const host::JobCheck check = host::check_job(spool);
        if (!check.ok) {
            messages << summary << '\n';
            return failure("--check: " + check.message);
        }
        summary += "; Ghostscript: no error";
    }
    messages << summary << '\n';
    if (options.timing) messages << options.info_prefix << timing_line(print_job) << '\n';
    if (!options.preview.empty()) {
        const auto images = render_preview(spool, options.preview, options.preview_dpi, error);
        if (!images) return failure("--preview: " + error);
        for (const std::string& image : *images) messages << options.info_prefix << image << '\n';
    }
    if (options.pages_printed) *options.pages_printed = print_job.pages_printed();
    return 0;
}

void register_print_commands(CLI::App& app) {
    static PrintOptions options;
    auto* print = app.add_subcommand(
        "print",
        "Print a document through the plug-in as the PostScript core driver does, into a spool file");
    print->add_option("arguments", options.arguments,
                      "DOCUMENT (DSC PostScript or PDF; default: the built-in test document) and settings as "
                      "Key=Value");
    auto* record =
        print->add_option("--record", options.record, "A record file whose settings the job starts from");
    auto* devmode = print->add_option("--devmode", options.devmode,
                                      "An application's DEVMODE file, merged into the printer's");
    record->excludes(devmode);
    print->add_option("--printer", options.profile,
                      "A printer profile (default: the built-in printer, or the system's first local one)");
    print->add_option("--ppd", options.ppd,
                      "The printer's PPD (default: zenta.ppd of this program or its source tree)");
    print->add_option("--title", options.title, "The document name (default: the document's file name)");
    print->add_option("--pages", options.pages, "Pages of the built-in test document (default 3)")
        ->check(CLI::Range(1u, 100000u));
    print->add_flag("--check", options.check,
                    "Run the job's PostScript through Ghostscript; fail on its errors");
    print->add_option("--preview", options.preview,
                      "Render the job's pages to DIR/page-NNN.png through Ghostscript");
    print->add_option("--dpi", options.preview_dpi, "With --preview: resolution of the page images (default 50)")
        ->check(CLI::Range(1u, 1200u));
    print->add_flag("--quiet", options.quiet,
                    "Do not explain the settings the constraint engine changed besides the ones given");
    print->add_option("--plugin", options.plugin,
                      "The plug-in library (default: the one beside this program)");
    print->add_option("-o,--output", options.output, "The spool file to write");
    print->add_flag("--discard", options.discard,
                    "Print into a null sink: the job is counted page by page and dropped (instead of -o)");
    print->add_flag("--timing", options.timing,
                    "Report the plug-in's Command time (job and pages) and the peak resident memory");
    set_action(print, [] { return print_document(options); });
}

}  // namespace zenta::tool
