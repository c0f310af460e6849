#include "host/dsc_document.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/ghostscript.h"

namespace zenta::host {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// One line of a text: its bytes with the line end, and without.
struct Line {
    std::string_view whole;
    std::string_view text;
};

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next(Line& line) {
        if (at_ >= text_.size()) return false;
        std::size_t end = text_.find_first_of("\r\n", at_);
        if (end == std::string_view::npos) end = text_.size();
        std::size_t after = end;
        if (after < text_.size() && text_[after] == '\r') ++after;
        if (after < text_.size() && text_[after] == '\n') ++after;
        line = {text_.substr(at_, after - at_), text_.substr(at_, end - at_)};
        at_ = after;
        return true;
    }
    // Takes `count` bytes as they are (binary data announced by a comment).
    std::string_view take(std::size_t count) {
        const std::string_view bytes = text_.substr(at_, count);
        at_ += bytes.size();
        return bytes;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

bool is_comment(std::string_view line, std::string_view name) {
    return line.starts_with(name) && (line.size() == name.size() || line[name.size()] == ':' ||
                                      line[name.size()] == ' ' || line[name.size()] == '\t');
}

std::string_view comment_value(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    return value;
}

// Page-level comments: the driver writes its own.
constexpr std::array<std::string_view, 13> kPageComments = {
    "%%PageBoundingBox",   "%%PageHiResBoundingBox", "%%PageOrientation",  "%%PageMedia", "%%PageResources",
    "%%PageProcessColors", "%%PageCustomColors",     "%%PageRequirements", "%%PageFonts", "%%PageFiles",
    "%%EndPageComments",   "%%PageTrailer",          "%%IncludeFeature",
};

void end_with_line_end(std::string& section) {
    if (!section.empty() && section.back() != '\n' && section.back() != '\r') section += kCrLf;
}

enum class Section { Header, Defaults, Prolog, Setup, Page, Trailer, Done };

class DscParser {
public:
    explicit DscParser(std::string_view text) : lines_(text) {}

    std::optional<DscDocument> run(std::string& error) {
        Line line;
        if (!lines_.next(line) || !line.text.starts_with("%!PS-Adobe-")) {
            error = "not DSC PostScript (its first line is not %!PS-Adobe-)";
            return std::nullopt;
        }
        while (lines_.next(line)) take(line);
        if (doc_.pages.empty()) {
            error = "DSC PostScript without pages (no %%Page comment)";
            return std::nullopt;
        }
        for (std::string* part : {&doc_.prolog, &doc_.setup, &doc_.trailer}) end_with_line_end(*part);
        for (DscPage& page : doc_.pages) {
            end_with_line_end(page.setup);
            end_with_line_end(page.content);
        }
        return std::move(doc_);
    }

private:
    std::string& code() {
        switch (section_) {
            case Section::Setup:
                return doc_.setup;
            case Section::Page:
                return in_page_setup_ ? doc_.pages.back().setup : doc_.pages.back().content;
            case Section::Trailer:
                return doc_.trailer;
            default:
                return doc_.prolog;
        }
    }

    // Resource lists of the header and the trailer, with their continuation lines.
    bool resource_comment(std::string_view text) {
        if (text.starts_with("%%+") && resources_) {
            std::string_view value = text.substr(3);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
            if (!value.empty()) resources_->emplace_back(value);
            return true;
        }
        resources_ = nullptr;
        if (is_comment(text, "%%DocumentNeededResources"))
            resources_ = &doc_.needed_resources;
        else if (is_comment(text, "%%DocumentSuppliedResources"))
            resources_ = &doc_.supplied_resources;
        if (!resources_) return false;
        const std::string_view value = comment_value(text);
        if (value == "(atend)") {
            resources_ = nullptr;
        } else if (!value.empty()) {
            resources_->emplace_back(value);
        }
        return true;
    }

    // Binary or line data announced by a comment, and documents nested in this one, are taken
    // as they are.
    void verbatim(const Line& line) {
        const std::string_view text = line.text;
        if (is_comment(text, "%%BeginDocument")) ++nested_;
        if (is_comment(text, "%%EndDocument") && nested_ > 0) --nested_;
        std::istringstream in{std::string(comment_value(text))};
        unsigned long long count = 0;
        if (is_comment(text, "%%BeginBinary") && (in >> count)) {
            code().append(line.whole);
            code().append(lines_.take(count));
            return;
        }
        std::string type, unit;
        if (is_comment(text, "%%BeginData") && (in >> count)) {
            in >> type >> unit;
            code().append(line.whole);
            if (unit == "Lines") {
                Line data;
                for (unsigned long long i = 0; i < count && lines_.next(data); ++i) code().append(data.whole);
            } else {
                code().append(lines_.take(count));
            }
            return;
        }
        code().append(line.whole);
    }

    void take(const Line& line) {
        const std::string_view text = line.text;
        if (nested_ > 0 || is_comment(text, "%%BeginDocument") || is_comment(text, "%%BeginBinary") ||
            is_comment(text, "%%BeginData")) {
            if (section_ == Section::Header) section_ = Section::Prolog;
            if (section_ != Section::Done && section_ != Section::Defaults) verbatim(line);
            return;
        }
        switch (section_) {
            case Section::Header:
                if (text.starts_with("%%") && !is_comment(text, "%%EndComments")) {
                    resource_comment(text);
                    return;
                }
                section_ = Section::Prolog;
                if (is_comment(text, "%%EndComments")) return;
                break;
            case Section::Defaults:
                if (is_comment(text, "%%EndDefaults")) section_ = Section::Prolog;
                return;
            case Section::Done:
                return;
            default:
                break;
        }
        if (section_ == Section::Prolog && is_comment(text, "%%BeginDefaults")) {
            section_ = Section::Defaults;
            return;
        }
        if (is_comment(text, "%%Page")) {
            section_ = Section::Page;
            in_page_setup_ = false;
            doc_.pages.emplace_back();
            return;
        }
        if (is_comment(text, "%%Trailer")) {
            section_ = Section::Trailer;
            return;
        }
        if (is_comment(text, "%%EOF")) {
            section_ = Section::Done;
            return;
        }
        switch (section_) {
            case Section::Prolog:
                if (is_comment(text, "%%BeginProlog")) return;
                if (is_comment(text, "%%EndProlog")) {
                    section_ = Section::Setup;
                    return;
                }
                if (is_comment(text, "%%BeginSetup")) {
                    section_ = Section::Setup;
                    return;
                }
                break;
            case Section::Setup:
                if (is_comment(text, "%%BeginSetup") || is_comment(text, "%%EndSetup")) return;
                break;
            case Section::Page:
                if (is_comment(text, "%%BeginPageSetup")) {
                    in_page_setup_ = true;
                    dropped_ = true;
                    return;
                }
                if (is_comment(text, "%%EndPageSetup")) {
                    in_page_setup_ = false;
                    dropped_ = true;
                    return;
                }
                if (text.starts_with("%%+") && dropped_) return;
                dropped_ = std::any_of(kPageComments.begin(), kPageComments.end(),
                                       [&](std::string_view name) { return is_comment(text, name); });
                if (dropped_) return;
                break;
            case Section::Trailer:
                // The trailer's comments repeat deferred header comments; the driver writes its own.
                if (text.starts_with("%%")) {
                    resource_comment(text);
                    return;
                }
                break;
            default:
                break;
        }
        code().append(line.whole);
    }

    LineReader lines_;
    DscDocument doc_;
    Section section_ = Section::Header;
    bool in_page_setup_ = false;
    bool dropped_ = false;  // the last page line was a comment left out (its %%+ lines go too)
    unsigned nested_ = 0;
    std::vector<std::string>* resources_ = nullptr;
};

}  // namespace

std::optional<DscDocument> parse_dsc(std::string_view text, std::string& error) {
    return DscParser(text).run(error);
}

bool looks_like_pdf(std::string_view bytes) {
    return bytes.substr(0, 1024).find("%PDF-") != std::string_view::npos;
}

std::optional<DscDocument> read_document(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read '" + path + "'";
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return std::nullopt;
    }
    std::string text = std::move(bytes).str();
    if (text.empty()) {
        error = "'" + path + "' is empty";
        return std::nullopt;
    }
    if (looks_like_pdf(text)) {
        std::optional<std::string> converted = pdf_to_postscript(path, error);
        if (!converted) {
            error = "'" + path + "': " + error;
            return std::nullopt;
        }
        text = std::move(*converted);
    }
    std::optional<DscDocument> document = parse_dsc(text, error);
    if (!document)
        error = "'" + path + "' is " + (looks_like_pdf(text) ? "a PDF Ghostscript made " : "") + error;
    return document;
}

std::string ps_string(std::string_view text) {
    std::string out = "(";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\%03o", static_cast<unsigned>(byte));
            out += escaped;
        }
    }
    return out + ")";
}

DscDocument test_document(unsigned pages, const TestPageText& text) {
    DscDocument doc;
    // The page's size comes from the page device, so the page fits whatever paper the printer
    // set; a landscape page turns the drawing by 90 degrees.
    doc.prolog =
        "%%BeginResource: procset ZentaTestPage 1.0 0\r\n"
        "/ZentaTestPage 16 dict def\r\n"
        "ZentaTestPage begin\r\n"
        "% (text) maxsize -> size: the largest size up to maxsize at which the text fills at most\r\n"
        "% four fifths of the width\r\n"
        "/fitsize { exch /Helvetica-Bold findfont 1 scalefont setfont stringwidth pop\r\n"
        "  dup 0 gt { W 0.8 mul exch div } { pop 1000 } ifelse 2 copy gt { exch } if pop } bind def\r\n"
        "% (text) font size y -> -: the text centred across the page\r\n"
        "/centre { /y exch def /s exch def findfont s scalefont setfont\r\n"
        "  dup stringwidth pop W exch sub 2 div y moveto show } bind def\r\n"
        "% (title) (paper) (orientation) landscape -> -\r\n"
        "/page { /land exch def /o exch def /p exch def /t exch def gsave\r\n"
        "  currentpagedevice /PageSize get aload pop /H exch def /W exch def\r\n"
        "  land { 90 rotate 0 W neg translate /W H /H W def def } if\r\n"
        "  0 setgray 2 setlinewidth 36 36 W 72 sub H 72 sub rectstroke\r\n"
        "  t /Helvetica-Bold t 96 fitsize H 0.58 mul centre\r\n"
        "  p /Helvetica p 48 fitsize H 0.42 mul centre\r\n"
        "  o /Helvetica o 48 fitsize H 0.32 mul centre grestore } bind def\r\n"
        "end\r\n"
        "%%EndResource\r\n";
    doc.needed_resources = {"font Helvetica Helvetica-Bold"};
    doc.supplied_resources = {"procset ZentaTestPage 1.0 0"};
    const std::string paper = ps_string(text.paper);
    const std::string orientation = text.landscape ? "(Landscape) true" : "(Portrait) false";
    doc.made_pages = pages;
    doc.make_page = [paper, orientation, pages](std::size_t index) {
        DscPage page;
        page.content = "ZentaTestPage begin\r\n" +
                       ps_string("Page " + std::to_string(index + 1) + " of " + std::to_string(pages)) + " " +
                       paper + " " + orientation + " page\r\nend\r\n";
        return page;
    };
    return doc;
}

}  // namespace zenta::host
