#include "host/ppd_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/library.h"
#include "util/utf.h"

namespace zenta::host {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A translation string with its hex substrings ("<41 42>") decoded; a substring that is not
// hex stays as written.
std::string decode_translation(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t close = text[i] == '<' ? text.find('>', i + 1) : std::string_view::npos;
        if (close == std::string_view::npos) {
            out += text[i++];
            continue;
        }
        std::string bytes;
        int high = -1;
        bool hex = true;
        for (char c : text.substr(i + 1, close - i - 1)) {
            if (c == ' ' || c == '\t') continue;
            const int digit = hex_digit(c);
            if (digit < 0) {
                hex = false;
                break;
            }
            if (high < 0) {
                high = digit;
            } else {
                bytes += static_cast<char>(high * 16 + digit);
                high = -1;
            }
        }
        if (!hex || high >= 0) {
            out += text[i++];
            continue;
        }
        out += bytes;
        i = close + 1;
    }
    return out;
}

// The lines of a text, each without its line end (LF, CR LF or a lone CR).
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool next(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        std::size_t end = text_.find_first_of("\r\n", at_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(at_, end - at_);
        at_ = end;
        if (at_ < text_.size() && text_[at_] == '\r') ++at_;
        if (at_ < text_.size() && text_[at_] == '\n') ++at_;
        ++number_;
        return true;
    }
    std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t number_ = 0;
};

struct Statement {
    std::string keyword;      // main keyword without "*"
    std::string option;       // option keyword, or empty
    std::string translation;  // decoded, or empty
    std::string value;
    bool quoted = false;
    std::size_t line = 0;
};

std::string at_line(std::size_t line) { return "line " + std::to_string(line) + ": "; }

// Reads the statement that begins on `line` (already taken from `lines`); a quoted value takes
// the lines up to its closing quote.
bool read_statement(std::string_view line, Lines& lines, Statement& statement, std::string& error) {
    statement = Statement{};
    statement.line = lines.number();
    const std::size_t colon = line.find(':');
    std::string_view head =
        line.substr(1, colon == std::string_view::npos ? std::string_view::npos : colon - 1);
    const std::size_t blank = head.find_first_of(kBlanks);
    statement.keyword = std::string(head.substr(0, blank));
    if (statement.keyword.empty()) {
        error = at_line(statement.line) + "a statement without a keyword";
        return false;
    }
    if (blank != std::string_view::npos) {
        const std::string_view option_part = trim(head.substr(blank));
        const std::size_t slash = option_part.find('/');
        statement.option = std::string(trim(option_part.substr(0, slash)));
        if (slash != std::string_view::npos)
            statement.translation = decode_translation(option_part.substr(slash + 1));
    }
    if (colon == std::string_view::npos) return true;  // a keyword alone (*End, *OpenGroup forms)

    std::string_view rest = line.substr(colon + 1);
    const std::size_t start = rest.find_first_not_of(kBlanks);
    if (start == std::string_view::npos || rest[start] != '"') {
        statement.value = std::string(trim(rest));
        return true;
    }
    statement.quoted = true;
    rest = rest.substr(start + 1);
    for (;;) {
        const std::size_t quote = rest.find('"');
        if (quote != std::string_view::npos) {
            statement.value.append(rest.substr(0, quote));
            break;
        }
        statement.value.append(rest);
        if (!lines.next(rest)) {
            error = at_line(statement.line) + "the quoted value of *" + statement.keyword +
                    (statement.option.empty() ? "" : " " + statement.option) + " does not end";
            return false;
        }
        statement.value.append("\r\n");
    }
    return true;
}

bool parse_order(std::string_view value, PpdOrder& order, std::string& keyword) {
    std::istringstream in{std::string(value)};
    std::string number, section;
    if (!(in >> number >> section >> keyword) || keyword.size() < 2 || keyword[0] != '*') return false;
    keyword.erase(0, 1);
    double parsed = 0;
    std::istringstream number_in(number);
    if (!(number_in >> parsed)) return false;
    order.order = parsed;
    order.section = section;
    return true;
}

}  // namespace

std::optional<PpdFile> PpdFile::parse(std::string_view text, std::string& error) {
    if (text.size() > kMaxSize) {
        error = "the file is larger than " + std::to_string(kMaxSize) + " bytes";
        return std::nullopt;
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (!text.starts_with("*PPD-Adobe")) {
        error = "not a PPD file (it does not begin with *PPD-Adobe)";
        return std::nullopt;
    }

    PpdFile ppd;
    std::map<std::string, PpdOrder, std::less<>> orders;
    PpdFeature* open = nullptr;
    std::size_t open_line = 0;
    bool after_multi_line = false;
    Lines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        if (after_multi_line) {
            after_multi_line = false;
            if (trim(line) == "*End") continue;
        }
        if (line.empty() || line[0] != '*' || line.starts_with("*%")) continue;
        Statement s;
        if (!read_statement(line, lines, s, error)) return std::nullopt;
        after_multi_line = s.quoted && s.line != lines.number();

        if (s.keyword == "OpenUI" || s.keyword == "JCLOpenUI") {
            const std::string keyword = s.option.starts_with("*") ? s.option.substr(1) : std::string();
            if (keyword.empty()) {
                error = at_line(s.line) + "*" + s.keyword + " names no *keyword";
                return std::nullopt;
            }
            if (open) {
                error = at_line(s.line) + "*" + s.keyword + " *" + keyword + " inside the UI block of *" +
                        open->keyword + " (line " + std::to_string(open_line) + ")";
                return std::nullopt;
            }
            if (ppd.feature(keyword)) {
                error = at_line(s.line) + "a second UI block for *" + keyword;
                return std::nullopt;
            }
            PpdFeature& feature = ppd.features_.emplace_back();
            feature.keyword = keyword;
            feature.translation = s.translation;
            feature.type = s.value;
            feature.jcl = s.keyword == "JCLOpenUI";
            open = &feature;
            open_line = s.line;
        } else if (s.keyword == "CloseUI" || s.keyword == "JCLCloseUI") {
            const std::string_view closed = trim(s.value);
            if (!open || closed.size() < 2 || closed.substr(1) != open->keyword) {
                error = at_line(s.line) + "*" + s.keyword + ": " + std::string(closed) +
                        (open ? " does not close the UI block of *" + open->keyword : " without *OpenUI");
                return std::nullopt;
            }
            open = nullptr;
        } else if (s.keyword == "OrderDependency") {
            PpdOrder order;
            std::string keyword;
            if (parse_order(s.value, order, keyword)) orders.emplace(keyword, order);
        } else if (s.keyword.starts_with("Default") && s.keyword.size() > 7 && s.option.empty()) {
            ppd.defaults_.emplace(s.keyword.substr(7), s.value);
        } else if (!s.option.empty()) {
            ppd.options_[s.keyword].push_back(PpdOption{s.option, s.translation, s.value});
        } else if (s.keyword != "End") {
            ppd.values_.emplace(s.keyword, s.value);
        }
    }
    if (open) {
        error = at_line(open_line) + "the UI block of *" + open->keyword + " has no *CloseUI";
        return std::nullopt;
    }
    for (PpdFeature& feature : ppd.features_) {
        feature.default_option = ppd.default_option(feature.keyword);
        if (const auto it = orders.find(feature.keyword); it != orders.end()) feature.order = it->second;
        if (const auto it = ppd.options_.find(feature.keyword); it != ppd.options_.end())
            feature.options = it->second;
    }
    return ppd;
}

std::optional<PpdFile> PpdFile::read(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read '" + path + "'";
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxSize) break;
    }
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return std::nullopt;
    }
    std::optional<PpdFile> ppd = parse(text, error);
    if (!ppd) error = "'" + path + "': " + error;
    return ppd;
}

const PpdFeature* PpdFile::feature(std::string_view keyword) const {
    const auto it = std::find_if(features_.begin(), features_.end(),
                                 [&](const PpdFeature& f) { return f.keyword == keyword; });
    return it == features_.end() ? nullptr : &*it;
}

const PpdOption* PpdFile::option(std::string_view keyword, std::string_view option) const {
    const auto it = options_.find(keyword);
    if (it == options_.end()) return nullptr;
    const auto found = std::find_if(it->second.begin(), it->second.end(),
                                    [&](const PpdOption& o) { return o.keyword == option; });
    return found == it->second.end() ? nullptr : &*found;
}

std::optional<std::string> PpdFile::value(std::string_view keyword) const {
    const auto it = values_.find(keyword);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string PpdFile::default_option(std::string_view keyword) const {
    const auto it = defaults_.find(keyword);
    return it == defaults_.end() ? std::string() : it->second;
}

std::optional<PpdPaperDimension> PpdFile::paper_dimension(std::string_view option) const {
    const PpdOption* dimension = this->option("PaperDimension", option);
    if (!dimension) return std::nullopt;
    std::istringstream in(dimension->value);
    PpdPaperDimension size;
    std::string rest;
    if (!(in >> size.width >> size.height) || (in >> rest) || !(size.width > 0) || !(size.height > 0) ||
        size.width > 1e6 || size.height > 1e6)
        return std::nullopt;
    return size;
}

std::map<std::pair<std::string, std::string>, std::string> PpdFile::invocations() const {
    std::map<std::pair<std::string, std::string>, std::string> table;
    for (const PpdFeature& feature : features_)
        for (const PpdOption& option : feature.options)
            table[{feature.keyword, option.keyword}] = option.value;
    return table;
}

std::string default_ppd_path() {
    namespace fs = std::filesystem;
    const auto exists = [](const fs::path& path) {
        std::error_code ec;
        return fs::is_regular_file(path, ec);
    };
    const auto utf8 = [](const fs::path& path) {
        return util::utf16_to_utf8(path.lexically_normal().u16string());
    };
    const fs::path program = fs::path(platform::executable_path()).parent_path();
    for (const fs::path& candidate : {program / "zenta.ppd", program / ".." / "ppd" / "zenta.ppd",
                                      program / ".." / ".." / "ppd" / "zenta.ppd"})
        if (exists(candidate)) return utf8(candidate);
#ifdef ZENTA_SOURCE_PPD
    if (const fs::path built(util::utf8_to_utf16(ZENTA_SOURCE_PPD)); exists(built)) return utf8(built);
#endif
    return {};
}

}  // namespace zenta::host
