#include "cups_options.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "cups_ppd.h"
#include "cups_ppd_data.h"
#include "environment/record_defaults.h"
#include "features/feature_table.h"
#include "settings/record.h"
#include "settings/settings_text.h"

namespace zenta::tool::cups {
namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// One name or value: up to white space (or '=' for a name), quotes and escapes taken off.
std::string take_word(std::string_view text, std::size_t& at, bool name) {
    std::string word;
    char quote = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (quote) {
            ++at;
            if (c == quote)
                quote = 0;
            else if (c == '\\' && at < text.size())
                word.push_back(text[at++]);
            else
                word.push_back(c);
            continue;
        }
        if (is_space(c) || (name && c == '=')) break;
        ++at;
        if (c == '\'' || c == '"')
            quote = c;
        else if (c == '\\' && at < text.size())
            word.push_back(text[at++]);
        else
            word.push_back(c);
    }
    return word;
}

// The value as the feature takes it: a range's number in its first display unit (the default
// choice, a number or a custom value) becomes the stored number; none when it is no such number.
std::optional<std::string> setting_value(features::FeatureId id, const std::string& value) {
    const features::Feature& f = features::feature(id);
    if (f.range) {
        const auto stored = range_value_from_choice(id, value);
        if (!stored) return std::nullopt;
        return std::to_string(*stored);
    }
    if (f.descriptor && (equal_ignoring_case(value, "true") || equal_ignoring_case(value, "false"))) {
        for (const auto& option : f.descriptor->options)
            if (equal_ignoring_case(option.keyword, value)) return std::string(option.keyword);
    }
    return value;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> parse_options(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> options;
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && is_space(text[at])) ++at;
        if (at >= text.size()) break;
        std::string name = take_word(text, at, true);
        if (at < text.size() && text[at] == '=') {
            ++at;
            options.emplace_back(std::move(name), take_word(text, at, false));
        } else if (name.size() > 2 && name.compare(0, 2, "no") == 0) {
            options.emplace_back(name.substr(2), "false");
        } else if (!name.empty()) {
            options.emplace_back(std::move(name), "true");
        } else {
            ++at;  // a stray '=' names nothing
        }
    }
    return options;
}

Settings job_settings(const std::vector<std::pair<std::string, std::string>>& options) {
    Settings settings;
    std::map<std::size_t, std::string> by_feature;
    for (const auto& [name, value] : options) {
        const auto id = features::find_feature(name);
        if (!id) {
            const bool looks_like_setting = !name.empty() && std::isupper(static_cast<unsigned char>(name[0])) &&
                                            name.find('-') == std::string::npos;
            (looks_like_setting ? settings.refused : settings.ignored)
                .push_back(name + "=" + value + ": not a job setting of this printer");
            continue;
        }
        const auto text = setting_value(*id, value);
        if (!text) {
            settings.refused.push_back(name + "=" + value + ": not a number within the range");
            continue;
        }
        settings::Record scratch;
        if (auto error = settings::store_value(scratch, *id, *text)) {
            settings.refused.push_back(name + "=" + value + ": " + *error);
            continue;
        }
        by_feature[features::index_of(*id)] = name + "=" + *text;
    }
    for (auto& [index, assignment] : by_feature) settings.assignments.push_back(std::move(assignment));
    return settings;
}

std::vector<std::pair<std::string, std::string>> queue_defaults(
    const std::vector<std::pair<std::string, std::string>>& ppd_defaults) {
    const settings::Record& defaults = environment::default_record();
    std::vector<std::pair<std::string, std::string>> changed;
    for (const auto& [name, value] : ppd_defaults) {
        const auto id = features::find_feature(name);
        if (!id) continue;
        const auto text = setting_value(*id, value);
        settings::Record scratch = defaults;
        if (!text || settings::store_value(scratch, *id, *text)) continue;
        const auto now = scratch.field(*id);
        const auto before = defaults.field(*id);
        if (!std::equal(now.begin(), now.end(), before.begin())) changed.emplace_back(name, value);
    }
    return changed;
}

bool is_installable_option(std::string_view name) {
    for (const InstalledByte& installed : kInstalledBytes)
        if (installed.keyword == name) return true;
    return false;
}

}  // namespace zenta::tool::cups
