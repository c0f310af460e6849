#include "ppd.h"

#include <algorithm>
#include <cstdlib>

#include "util/once.h"

namespace zenta::tabdoc {

namespace {

constexpr std::string_view kPpdText =
#include "tabdoc/ppd_text.inc"
    ;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// "*Main Option/Translation: value" taken apart; the option is empty for "*Main: value".
struct Statement {
    std::string_view main;
    std::string_view option;
    std::string_view value;  // up to the line end
};

std::optional<Statement> statement(std::string_view line) {
    if (line.size() < 2 || line[0] != '*' || line[1] == '%') return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    Statement st;
    std::string_view head = line.substr(1, colon - 1);
    st.value = trim(line.substr(colon + 1));
    const std::size_t blank = head.find_first_of(" \t");
    st.main = head.substr(0, blank);
    if (blank != std::string_view::npos) {
        std::string_view option = trim(head.substr(blank));
        st.option = option.substr(0, option.find('/'));
    }
    return st;
}

}  // namespace

const PpdOption* PpdFeature::option(std::string_view name) const {
    for (const PpdOption& o : options)
        if (o.keyword == name) return &o;
    return nullptr;
}

const PpdFeature* Ppd::feature(std::string_view name) const {
    for (const PpdFeature& f : features)
        if (f.keyword == name) return &f;
    return nullptr;
}

Ppd parse_ppd(std::string_view text) {
    Ppd ppd;
    std::map<std::string, std::pair<double, std::string>, std::less<>> orders;
    std::map<std::string, std::string, std::less<>> defaults;
    PpdFeature* open = nullptr;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(at, end - at));
        at = end + 1;
        const auto st = statement(line);
        if (!st) continue;

        // A quoted value may run over several lines.
        std::string value(st->value);
        if (!value.empty() && value.front() == '"') {
            std::size_t close = value.find('"', 1);
            if (close != std::string::npos) {
                value = value.substr(1, close - 1);
            } else {
                value.erase(0, 1);
                const std::size_t quote = text.find('"', at);
                const std::size_t stop = quote == std::string_view::npos ? text.size() : quote;
                value += '\n';
                value.append(text.substr(at, stop - at));
                at = stop == text.size() ? stop : stop + 1;
                std::erase(value, '\r');
            }
        }

        if (st->main == "OpenUI") {
            std::string_view key = trim(st->option);
            if (key.starts_with("*")) key.remove_prefix(1);
            ppd.features.push_back(
                {std::string(key), {}, std::numeric_limits<double>::infinity(), "AnySetup", {}});
            open = &ppd.features.back();
        } else if (st->main == "CloseUI") {
            open = nullptr;
        } else if (st->main == "OrderDependency") {
            // "*OrderDependency: 20 AnySetup *PageSize"
            const std::string v(st->value);
            char* rest = nullptr;
            const double order = std::strtod(v.c_str(), &rest);
            std::string_view tail = trim(std::string_view(rest));
            const std::size_t blank = tail.find_first_of(" \t");
            const std::string section(tail.substr(0, blank));
            std::string_view key =
                blank == std::string_view::npos ? std::string_view{} : trim(tail.substr(blank));
            if (key.starts_with("*")) key.remove_prefix(1);
            if (!key.empty()) orders[std::string(key)] = {order, section};
        } else if (st->main.starts_with("Default") && st->option.empty()) {
            defaults.emplace(std::string(st->main.substr(7)), value);
        } else if (st->main == "PaperDimension" && !st->option.empty()) {
            const std::string v(value);
            char* rest = nullptr;
            const double w = std::strtod(v.c_str(), &rest);
            const double h = std::strtod(rest, nullptr);
            ppd.paper.emplace(std::string(st->option), std::make_pair(w, h));
        } else if (open && st->main == open->keyword && !st->option.empty()) {
            open->options.push_back({std::string(st->option), value});
        } else if (st->option.empty()) {
            ppd.values.emplace(std::string(st->main), value);
        }
    }
    // The JCL blocks (*JCLOpenUI) are not read at all; attach orders and defaults.
    for (PpdFeature& f : ppd.features) {
        if (const auto it = orders.find(f.keyword); it != orders.end()) {
            f.order = it->second.first;
            f.section = it->second.second;
        }
        if (const auto it = defaults.find(f.keyword); it != defaults.end()) f.default_option = it->second;
    }
    return ppd;
}

const Ppd& printer_ppd() {
    static util::Once<Ppd> ppd;
    return ppd.get([] { return parse_ppd(kPpdText); });
}

}  // namespace zenta::tabdoc
