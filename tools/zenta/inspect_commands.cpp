// Reading a spool file back: what a job was printed with, and what its pages look like.
//
//   zenta inspect JOB.prn [--all] [--json] [--record OUT]
//   zenta preview JOB.prn DIR [--dpi N]
//
// inspect decodes the job settings the plug-in wrote into the job with the description of the
// layout that wrote them. A job of another layout is carried into this one by feature name, as
// the plug-in carries a plug-in devmode of another layout, and validated; the tool says so. It
// shows the layout, the title and user, the page count, the tab sheets spliced in, the page
// exception list, the PJL job header and the settings that differ from the default record (all
// of them with --all); --json gives the same as one JSON document; --record writes the decoded
// record, which `zenta print --record` prints again.

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "environment/devmode_migration.h"
#include "environment/record_defaults.h"
#include "features/description.h"
#include "features/families.h"
#include "features/feature_table.h"
#include "files.h"
#include "preview.h"
#include "settings/layout_version.h"
#include "settings/page_exceptions.h"
#include "settings/settings_text.h"
#include "stream/job_reader.h"
#include "util/hex.h"

namespace zenta::tool {
namespace {

using json = nlohmann::ordered_json;
using settings::Record;

int failure(std::string_view verb, const std::string& message) {
    std::cerr << "zenta: " << verb << ": " << message << '\n';
    return 1;
}

std::optional<std::string> read_job(std::string_view verb, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(path, bytes)) {
        failure(verb, "cannot read '" + path + "'");
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

std::string hex_version(std::uint32_t version) { return "0x" + util::hex_u32(version); }

// The job's settings in this build's layout.
struct JobSettings {
    Record record;
    std::uint32_t layout = 0;  // the layout the job was written with
    bool migrated = false;     // carried over by feature name from another layout
    bool repaired = false;     // validation repaired values this layout cannot hold
};

JobSettings job_settings(const stream::SpoolJob& job) {
    JobSettings out;
    out.layout = *job.layout.version;
    if (job.description_text == features::describe_layout(settings::layout_version())) {
        std::copy(job.record.begin(), job.record.end(), out.record.bytes.begin());
        return out;
    }
    out.migrated = true;
    out.record = environment::default_record();
    if (environment::migrate_record(out.record, job.record, job.description.text) ==
        features::MigrationResult::Migrated)
        out.repaired = !environment::validate(out.record);
    return out;
}

// The settings shown: every one, or those that differ from the default record.
std::vector<features::FeatureId> shown_settings(const Record& record, bool all) {
    if (!all) return features::differing_features(environment::default_record().view(), record.view());
    std::vector<features::FeatureId> ids;
    for (std::size_t i = 0; i < features::kFeatureCount; ++i)
        ids.push_back(static_cast<features::FeatureId>(i));
    return ids;
}

std::string layout_line(const JobSettings& settings) {
    const std::string current = hex_version(settings::layout_version());
    if (!settings.migrated) return "layout: " + current + " (this layout)";
    std::string line = "layout: " + hex_version(settings.layout) + ", migrated to this layout (" + current +
                       ") by feature name";
    if (settings.repaired) line += "; validation repaired values this layout cannot hold";
    return line;
}

void print_text(const std::string& path, const stream::SpoolJob& job, const JobSettings& settings,
                const settings::PageList& exceptions, bool all) {
    std::string out = "job: " + path + "\n" + layout_line(settings) + "\n";
    out += "title: " + job.title.value_or("(none)") + "\n";
    out += "user: " + job.user.value_or("(none)") + "\n";
    out += "pages: " + std::to_string(job.pages) + "\n";
    out += "tab sheets: " + std::to_string(job.tab_sheets) + "\n";
    out += "page exceptions: " + std::to_string(exceptions.size()) + "\n";
    for (const settings::PageEntry& entry : exceptions) out += "  " + settings::format_entry(entry) + "\n";
    out += "PJL header: " + std::to_string(job.pjl.size()) + " settings\n";
    for (const stream::PjlSetting& pjl : job.pjl) out += "  " + pjl.line + "\n";
    const std::vector<features::FeatureId> shown = shown_settings(settings.record, all);
    out += (all ? "settings: " : "settings that differ from the defaults: ") + std::to_string(shown.size()) +
           "\n";
    for (const features::FeatureId id : shown)
        out += "  " + std::string(features::feature(id).key) + "=" +
               settings::format_value(settings.record, id) + "\n";
    std::cout << out;
}

json exception_json(const settings::PageEntry& entry) {
    json pages = json::array();
    for (const settings::PageRange& range : entry.pages) pages.push_back({range.first, range.last});
    return {{"kind", entry.kind},
            {"tab", entry.is_tab()},
            {"placement", entry.setting.placement},
            {"paper", entry.paper_size},
            {"text", entry.text},
            {"setting_text", entry.setting.setting_text},
            {"pages", std::move(pages)},
            {"entry", settings::format_entry(entry)}};
}

void print_json(const std::string& path, const stream::SpoolJob& job, const JobSettings& settings,
                const settings::PageList& exceptions, bool all) {
    json doc;
    doc["job"] = path;
    doc["layout_version"] = hex_version(settings.layout);
    doc["this_layout_version"] = hex_version(settings::layout_version());
    doc["migrated"] = settings.migrated;
    doc["repaired"] = settings.repaired;
    doc["title"] = job.title ? json(*job.title) : json(nullptr);
    doc["user"] = job.user ? json(*job.user) : json(nullptr);
    doc["pages"] = job.pages;
    doc["tab_sheets"] = job.tab_sheets;
    doc["page_exceptions"] = json::array();
    for (const settings::PageEntry& entry : exceptions)
        doc["page_exceptions"].push_back(exception_json(entry));
    doc["pjl"] = json::object();
    for (const stream::PjlSetting& pjl : job.pjl) doc["pjl"][pjl.variable] = pjl.value;
    doc["all_settings"] = all;
    doc["settings"] = json::object();
    for (const features::FeatureId id : shown_settings(settings.record, all))
        doc["settings"][std::string(features::feature(id).key)] = settings::format_value(settings.record, id);
    // Texts of the job are 8-bit and need not be UTF-8: a byte that is not becomes U+FFFD.
    std::cout << doc.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

struct InspectOptions {
    std::string job;
    bool all = false;
    bool json = false;
    std::string record;
};

int inspect(const InspectOptions& options) {
    constexpr std::string_view kVerb = "inspect";
    const std::optional<std::string> bytes = read_job(kVerb, options.job);
    if (!bytes) return 1;
    stream::JobReadError error;
    const std::optional<stream::SpoolJob> job = stream::read_spool_job(*bytes, error);
    if (!job)
        return failure(kVerb, options.job + ": line " + std::to_string(error.line) + ": " + error.message);

    const JobSettings settings = job_settings(*job);
    if (!options.record.empty() && !replace_file(options.record, settings.record.bytes))
        return failure(kVerb, "cannot write '" + options.record + "'");
    const settings::PageList exceptions = settings::decode_pages(settings.record).entries;
    if (options.json)
        print_json(options.job, *job, settings, exceptions, options.all);
    else
        print_text(options.job, *job, settings, exceptions, options.all);
    return 0;
}

int preview(const std::string& job_path, const std::string& directory, unsigned dpi) {
    constexpr std::string_view kVerb = "preview";
    const std::optional<std::string> bytes = read_job(kVerb, job_path);
    if (!bytes) return 1;
    std::string error;
    const auto pages = render_preview(*bytes, directory, dpi, error);
    if (!pages) return failure(kVerb, job_path + ": " + error);
    for (const std::string& page : *pages) std::cout << page << '\n';
    return 0;
}

}  // namespace

void register_inspect_commands(CLI::App& app) {
    static InspectOptions options;
    auto* inspect_command =
        app.add_subcommand("inspect", "Show what a spool file of this plug-in was printed with");
    inspect_command->add_option("job", options.job, "The spool file (JOB.prn)")->required();
    inspect_command->add_flag("--all", options.all,
                              "Show every setting, not only those that differ from the defaults");
    inspect_command->add_flag("--json", options.json, "One JSON document instead of text");
    inspect_command->add_option(
        "--record", options.record,
        "Write the job's settings as a record file (27774 bytes) for zenta print --record");
    set_action(inspect_command, [] { return inspect(options); });

    static std::string job_path, directory;
    static unsigned dpi = kPreviewDpi;
    auto* preview_command = app.add_subcommand(
        "preview", "Render every page of a spool file to DIR/page-NNN.png through Ghostscript");
    preview_command->add_option("job", job_path, "The spool file (JOB.prn)")->required();
    preview_command->add_option("dir", directory, "The directory for the page images (made when missing)")
        ->required();
    preview_command->add_option("--dpi", dpi, "Resolution of the images (default 50)")
        ->check(CLI::Range(1u, 1200u));
    set_action(preview_command, [] { return preview(job_path, directory, dpi); });
}

}  // namespace zenta::tool
