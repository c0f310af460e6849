// The page exception list of a record file: decoded or selected for one use, and edited.
//
// Editing works on the list as the record stores it (read without the tab image shift, which
// only changes how tab printing sees the entries) and writes it back through the encoder. A new
// tab sheet entry is kind 5 with its tab text in the setting text, its placement (0 printed on
// the page, 1 inserted before it), its tab stock in the setting flag (0 Tab1, 1 Tab2) and its
// position in the bank in setting value 1 (0 the first); a page range on other paper is kind 3
// (an entry the page setup honours) with the paper's PageSize option and flag 1 set (printed).
// The record file is replaced whole or not at all.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "commands.h"
#include "features/feature_table.h"
#include "files.h"
#include "settings/page_exceptions.h"
#include "settings/record.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kLastPage = 0xFFFF;  // page numbers are 2-byte numbers
constexpr unsigned kPositions = settings::page_limits::kSettingValue1 + 1;
constexpr std::uint8_t kTabEntryKind = settings::kFirstTabKind;
constexpr std::uint8_t kPaperEntryKind = 3;

int fail(std::string_view verb, const std::string& message, int status) {
    std::cerr << "zenta: " << verb << ": " << message << '\n';
    return status;
}

int show_pages(const std::string& path, unsigned mode) {
    if (path.empty()) return fail("pages", "which record? (zenta pages REC)", 2);
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

// The list as the record stores it; false, after saying why, when it cannot be edited.
bool stored_list(std::string_view verb, const settings::Record& record, settings::PageList& list) {
    const auto area = record.field(features::FeatureId::PageSpecificTrays);
    auto decoded = settings::decode_pages(area, false);
    if (!decoded.inside) {
        fail(verb, "the page exception list runs past the end of its area; the record is left as it is", 1);
        return false;
    }
    list = std::move(decoded.entries);
    return true;
}

// Writes the record beside the file first and renames it at the end.
bool replace_record(std::string_view verb, const std::string& target, const settings::Record& record) {
    if (replace_file(target, record.bytes)) return true;
    fail(verb, "cannot write '" + target + "'", 1);
    return false;
}

// Stores the list into the record and the record into its file; the exit status.
int store_list(std::string_view verb, const std::string& path, settings::Record record,
               const settings::PageList& list, const settings::PageEntry* added) {
    if (!settings::store_pages(record, list)) {
        settings::Record alone;
        if (added && !settings::store_pages(alone, {*added}))
            return fail(verb,
                        "the entry does not fit into the page exception area (" +
                            std::to_string(settings::kPageAreaSize) + " bytes): its text is too long",
                        2);
        return fail(verb,
                    "the page exception area (" + std::to_string(settings::kPageAreaSize) +
                        " bytes) is full; the record is left as it is",
                    2);
    }
    return replace_record(verb, path, record) ? 0 : 1;
}

bool page_in_range(std::int64_t page) { return page >= 1 && page <= kLastPage; }

std::string page_error(std::int64_t page) {
    return "page " + std::to_string(page) + " is not a page the list can hold: pages count from 1 to " +
           std::to_string(kLastPage);
}

// "FIRST" or "FIRST-LAST".
bool parse_range(const std::string& text, std::int64_t& first, std::int64_t& last) {
    const auto number = [](const std::string& s, std::int64_t& v) {
        if (s.empty() || s.size() > 12 ||
            !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        v = std::stoll(s);
        return true;
    };
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos) return number(text, first) && number(text, last);
    return number(text.substr(0, dash), first) && number(text.substr(dash + 1), last);
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The PageSize option that a keyword (the option's own or its PPD keyword) names.
std::optional<std::uint8_t> page_size_option(std::string_view name) {
    const auto options = features::feature(features::FeatureId::PageSize).descriptor->options;
    for (std::size_t i = 0; i < options.size() && i < settings::page_limits::kPaperSize; ++i)
        if (same_ignoring_case(options[i].keyword, name) || same_ignoring_case(options[i].ppd_option, name))
            return static_cast<std::uint8_t>(i);
    return std::nullopt;
}

std::string page_size_names() {
    std::string names;
    const auto options = features::feature(features::FeatureId::PageSize).descriptor->options;
    for (std::size_t i = 0; i < options.size() && i < settings::page_limits::kPaperSize; ++i)
        names += (names.empty() ? "" : " ") + std::string(options[i].keyword);
    return names;
}

struct AddOptions {
    std::string path;
    std::int64_t tab_page = 0;
    std::string text;
    bool inserted = false;
    std::int64_t position = 1;
    std::int64_t stock = 1;
    std::vector<std::string> paper;  // FIRST[-LAST] PAPER
};

int add_entry(const AddOptions& o, bool tab) {
    constexpr std::string_view verb = "pages add";
    settings::PageEntry entry;
    if (tab) {
        if (!page_in_range(o.tab_page)) return fail(verb, page_error(o.tab_page), 2);
        if (o.position < 1 || o.position > kPositions)
            return fail(verb,
                        "--position " + std::to_string(o.position) + ": a tab position is 1 to " +
                            std::to_string(kPositions),
                        2);
        if (o.stock != 1 && o.stock != 2)
            return fail(
                verb, "--stock " + std::to_string(o.stock) + ": the tab stock is 1 (Tab1 settings) or 2", 2);
        entry.kind = kTabEntryKind;
        entry.setting.placement = o.inserted ? settings::kTabInsertedBeforePage : settings::kTabPrintedOnPage;
        entry.setting.setting_flag = o.stock == 2;
        entry.setting.setting_value_1 = static_cast<std::uint8_t>(o.position - 1);
        entry.setting.setting_text = o.text;
        entry.pages = {{static_cast<std::uint16_t>(o.tab_page), static_cast<std::uint16_t>(o.tab_page)}};
    } else {
        std::int64_t first = 0, last = 0;
        if (!parse_range(o.paper[0], first, last))
            return fail(verb, "'" + o.paper[0] + "' is not FIRST or FIRST-LAST", 2);
        if (!page_in_range(first)) return fail(verb, page_error(first), 2);
        if (!page_in_range(last)) return fail(verb, page_error(last), 2);
        if (last < first) return fail(verb, "'" + o.paper[0] + "': the last page comes before the first", 2);
        const auto paper = page_size_option(o.paper[1]);
        if (!paper)
            return fail(verb, "'" + o.paper[1] + "' is not a paper size; one of: " + page_size_names(), 2);
        entry.kind = kPaperEntryKind;
        entry.flag_1 = true;
        entry.paper_size = *paper;
        entry.pages = {{static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(last)}};
    }

    settings::Record record;
    if (!read_record(verb, o.path, record)) return 1;
    settings::PageList list;
    if (!stored_list(verb, record, list)) return 1;
    list.push_back(entry);
    return store_list(verb, o.path, record, list, &list.back());
}

int remove_entry(const std::string& path, std::int64_t index) {
    constexpr std::string_view verb = "pages remove";
    settings::Record record;
    if (!read_record(verb, path, record)) return 1;
    settings::PageList list;
    if (!stored_list(verb, record, list)) return 1;
    if (index < 1 || static_cast<std::uint64_t>(index) > list.size())
        return fail(verb,
                    "there is no entry " + std::to_string(index) + ": the list holds " +
                        std::to_string(list.size()) + (list.size() == 1 ? " entry" : " entries") +
                        ", counted from 1",
                    2);
    list.erase(list.begin() + (index - 1));
    return store_list(verb, path, record, list, nullptr);
}

}  // namespace

void register_pages_commands(CLI::App& app) {
    auto* pages = app.add_subcommand(
        "pages", "Print the page exception list of a record file, one entry a line; add or remove entries");
    static std::string path;
    static unsigned mode = 0;
    pages->add_option("REC", path, "A record file (27774 bytes)");
    pages
        ->add_option("--select", mode,
                     "Select the entries for one use: 1 output pages (sheets counted, equal entries "
                     "merged), 2 tab sheets")
        ->check(CLI::IsMember({settings::kSelectOutputPages, settings::kSelectTabs}));
    pages->require_subcommand(0, 1);
    set_action(pages, [] { return show_pages(path, mode); });

    auto* add = pages->add_subcommand(
        "add", "Add an entry at the end of the list: a tab sheet (--tab) or pages on other paper (--paper)");
    static AddOptions options;
    add->add_option("REC", options.path, "The record file, changed in place")->required();
    auto* tab = add->add_option("--tab", options.tab_page, "A tab sheet for page PAGE")->type_name("PAGE");
    auto* text = add->add_option("--text", options.text, "The tab's text (a line feed starts a second line)")
                     ->type_name("TEXT");
    auto* inserted =
        add->add_flag("--inserted", options.inserted,
                      "A tab sheet inserted before the page (else the tab is printed on the page)");
    auto* position =
        add->add_option("--position", options.position, "The tab's position in the bank, 1 to 16 (1)")
            ->type_name("N");
    auto* stock =
        add->add_option("--stock", options.stock, "The tab stock: 1 the Tab1 settings (default), 2 Tab2")
            ->type_name("N");
    auto* paper = add->add_option("--paper", options.paper,
                                  "Pages FIRST to LAST on the paper PAPER (a PageSize keyword)")
                      ->expected(2)
                      ->type_name("FIRST[-LAST] PAPER");
    tab->excludes(paper);
    text->needs(tab);
    inserted->needs(tab);
    position->needs(tab);
    stock->needs(tab);
    tab->needs(text);
    set_action(add, [tab, paper] {
        if (tab->count() == 0 && paper->count() == 0)
            return fail("pages add", "say what to add: --tab PAGE --text TEXT, or --paper FIRST[-LAST] PAPER",
                        2);
        return add_entry(options, tab->count() > 0);
    });

    auto* remove = pages->add_subcommand("remove", "Remove an entry of the list");
    static std::string remove_path;
    static std::int64_t index = 0;
    remove->add_option("REC", remove_path, "The record file, changed in place")->required();
    remove->add_option("INDEX", index, "The entry's place in the list as zenta pages REC prints it, from 1")
        ->type_name("N")
        ->required();
    set_action(remove, [] { return remove_entry(remove_path, index); });
}

}  // namespace zenta::tool
