#include "sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace zenta::tabdoc {

using features::FeatureId;

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The record's settings of one tab stock.
struct StockFeatures {
    FeatureId page, tabs, above, height, below, font, bold, italic, size, spacing, orientation, position,
        offset;
};
constexpr StockFeatures kStocks[2] = {
    {FeatureId::Tab1PageSize, FeatureId::Tab1NumOfTabs, FeatureId::Tab1SpaceAbove, FeatureId::Tab1Height,
     FeatureId::Tab1SpaceBelow, FeatureId::Tab1FontName, FeatureId::Tab1FontBold, FeatureId::Tab1FontItalic,
     FeatureId::Tab1FontSize, FeatureId::Tab1LineSpacing, FeatureId::Tab1Orientation, FeatureId::Tab1Position,
     FeatureId::Tab1TextPosition},
    {FeatureId::Tab2PageSize, FeatureId::Tab2NumOfTabs, FeatureId::Tab2SpaceAbove, FeatureId::Tab2Height,
     FeatureId::Tab2SpaceBelow, FeatureId::Tab2FontName, FeatureId::Tab2FontBold, FeatureId::Tab2FontItalic,
     FeatureId::Tab2FontSize, FeatureId::Tab2LineSpacing, FeatureId::Tab2Orientation, FeatureId::Tab2Position,
     FeatureId::Tab2TextPosition},
};

// The text orientation options: the rotation and whether the writing is vertical. A text along
// the nose reads from bottom to top (Normal) or from top to bottom (Flipped); a vertical text
// runs top to bottom (a vertical font where the printer has one, else the lines turned so).
struct Orientation {
    std::string_view keyword;
    int degrees;
    bool vertical;
};
constexpr Orientation kOrientations[] = {
    {"Normal", 90, false},
    {"Flipped", 270, false},
    {"Horizontal", 0, false},
    {"Vertical", 270, true},
};

constexpr std::string_view kDefaultFont = "Helvetica";

// A range value as stored, clamped to its range, divided by its scale.
double range_value(const settings::Record& record, FeatureId id) {
    const features::RangeDescriptor& range = *features::feature(id).range;
    const std::int64_t v = std::clamp<std::int64_t>(record.number(id), range.minimum, range.maximum);
    return static_cast<double>(v) / std::max<std::uint32_t>(range.scale, 1);
}

// A length in millimetres (a range value of scale 10000) in points.
double length_points(const settings::Record& record, FeatureId id) {
    return range_value(record, id) * 72.0 / 25.4;
}

bool is_true(const settings::Record& record, FeatureId id) { return record.option(id).keyword == "True"; }

// A number with at most two decimals, without trailing zeros.
std::string number(double v) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::isfinite(v) ? v : 0.0);
    std::string s = buffer;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

// A PostScript string literal. Besides the escapes a string needs, "%" is written as \045, so
// that nothing in it reads as a comment or a structure comment to a program that scans the text.
std::string ps_string(std::string_view text) {
    std::string out = "(";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F && c != '%') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", static_cast<unsigned>(byte));
            out += escaped;
        }
    }
    return out + ")";
}

// A name: /Name when every character may stand in a name token, else (Name) cvn.
std::string ps_name(std::string_view name) {
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b > 0x20 && b < 0x7F && std::string_view("()<>[]{}/%").find(c) == std::string_view::npos;
    });
    return plain ? "/" + std::string(name) : ps_string(name) + " cvn";
}

// A DSC text value: as it is when it is plain printable text, else a PostScript string.
std::string dsc_text(std::string_view text) {
    const bool plain =
        !text.empty() && text.front() != '(' && std::all_of(text.begin(), text.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b >= 0x20 && b < 0x7F && c != '%';
        });
    return plain ? std::string(text) : ps_string(text);
}

// The invocation code with CR LF line ends, ending in one.
std::string code_lines(std::string_view code) {
    std::string out;
    for (const char c : code) {
        if (c == '\n')
            out += kCrLf;
        else if (c != '\r')
            out += c;
    }
    if (!out.ends_with(kCrLf)) out += kCrLf;
    return out;
}

// UTF-8 decoded into code points; false when the bytes are not UTF-8.
bool decode_utf8(std::string_view text, std::vector<std::uint32_t>& out) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t n = b < 0x80             ? 1
                        : (b & 0xE0) == 0xC0 ? 2
                        : (b & 0xF0) == 0xE0 ? 3
                        : (b & 0xF8) == 0xF0 ? 4
                                             : 0;
        if (n == 0 || i + n > text.size()) return false;
        std::uint32_t cp = n == 1 ? b : b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[n] || cp > 0x10FFFF) return false;
        out.push_back(cp);
        i += n;
    }
    return true;
}

std::string latin1_or_bytes(std::string_view line) {
    std::vector<std::uint32_t> points;
    if (!decode_utf8(line, points) ||
        std::any_of(points.begin(), points.end(), [](std::uint32_t cp) { return cp > 0xFF; }))
        return std::string(line);
    std::string out;
    for (const std::uint32_t cp : points) out += static_cast<char>(cp);
    return out;
}

template <class Value>
std::string array_of(const TabLayout (&sets)[2], Value value) {
    return "[" + value(sets[0]) + " " + value(sets[1]) + "]";
}

std::string boolean(bool b) { return b ? "true" : "false"; }

// The option of a feature the sheet is printed with: the tab page for the page size, the
// resolution asked for, the PPD's default for everything else.
const PpdOption* chosen_option(const PpdFeature& feature, const TabSheet& sheet, std::string_view tab_page) {
    const PpdOption* option = nullptr;
    if (feature.keyword == "PageSize") option = feature.option(tab_page);
    if (feature.keyword == "Resolution" && sheet.resolution != 0)
        option = feature.option(std::to_string(sheet.resolution) + "dpi");
    if (!option) option = feature.option(feature.default_option);
    return option;
}

std::string feature_block(const PpdFeature& feature, const PpdOption& option) {
    std::string out = "featurebegin{\r\n%%BeginFeature: *" + feature.keyword + " " + option.keyword + "\r\n";
    out += code_lines(option.invocation);
    out += "%%EndFeature\r\n}featurecleanup\r\n";
    return out;
}

}  // namespace

TabLayout tab_layout(const settings::Record& record, unsigned set) {
    const StockFeatures& f = kStocks[set == 0 ? 0 : 1];
    TabLayout layout;
    layout.page = std::string(record.option(f.page).keyword);
    layout.tabs = static_cast<unsigned>(std::max(1.0, range_value(record, f.tabs)));
    layout.top = length_points(record, f.above);
    layout.bottom = length_points(record, f.below);
    layout.height = length_points(record, f.height);
    const std::string_view orientation = record.option(f.orientation).keyword;
    for (const Orientation& o : kOrientations) {
        if (o.keyword == orientation) {
            layout.orient = o.degrees;
            layout.vertical = o.vertical;
        }
    }
    layout.position = std::string(record.option(f.position).keyword);
    layout.offset = length_points(record, f.offset);
    layout.font_size = range_value(record, f.size);
    layout.italic = is_true(record, f.italic);
    layout.bold = is_true(record, f.bold);
    layout.line_spacing = range_value(record, f.spacing);
    const std::string_view font = record.text(f.font);
    layout.font = std::string(font.empty() ? kDefaultFont : font);
    return layout;
}

std::vector<std::string> tab_lines(std::string_view text) {
    std::vector<std::string> lines;
    for (;;) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(latin1_or_bytes(line));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string tab_document(const Ppd& ppd, const TabSheet& sheet, const settings::Record& record) {
    const TabLayout sets[2] = {tab_layout(record, 0), tab_layout(record, 1)};
    const unsigned set = sheet.attributes[1] != 0 ? 1 : 0;
    const TabLayout& layout = sets[set];
    const bool printed_on_page = sheet.attributes[2] == 0;
    const unsigned position = sheet.attributes[3] % std::max(layout.tabs, 1u);

    // The features the driver sends, in order: prolog, setup and page setup ones apart.
    std::vector<const PpdFeature*> features;
    for (const PpdFeature& f : ppd.features)
        if (f.keyword != "PageRegion") features.push_back(&f);
    std::stable_sort(features.begin(), features.end(),
                     [](const PpdFeature* a, const PpdFeature* b) { return a->order < b->order; });
    std::string prolog_features, setup_features, page_features;
    std::string page_keyword = layout.page;
    std::pair<double, double> page_size{0, 0};
    bool page_size_last = false;
    for (const PpdFeature* f : features) {
        const PpdOption* option = chosen_option(*f, sheet, layout.page);
        if (!option) continue;
        std::string* section = nullptr;
        if (f->section == "Prolog")
            section = &prolog_features;
        else if (f->section == "DocumentSetup" || f->section == "AnySetup")
            section = &setup_features;
        else if (f->section == "PageSetup")
            section = &page_features;
        if (!section) continue;
        *section += feature_block(*f, *option);
        if (section == &setup_features) page_size_last = f->keyword == "PageSize";
        if (f->keyword == "PageSize") page_keyword = option->keyword;
    }
    // The page size feature ends where the next feature begins: there is always one.
    if (page_size_last) setup_features += "featurebegin{\r\n\r\n}featurecleanup\r\n";
    if (const auto it = ppd.paper.find(page_keyword); it != ppd.paper.end()) page_size = it->second;
    const std::string box =
        "0 0 " + number(std::round(page_size.first)) + " " + number(std::round(page_size.second));

    std::string out;
    const auto line = [&out](std::string_view text) {
        out += text;
        out += kCrLf;
    };
    line("%!PS-Adobe-3.0");
    if (!sheet.title.empty()) line("%%Title: " + dsc_text(sheet.title));
    line("%%Creator: Zenta Tab Document");
    if (const auto level = ppd.values.find("LanguageLevel"); level != ppd.values.end())
        line("%%LanguageLevel: " + level->second);
    line("%%BoundingBox: " + box);
    line("%%Pages: 1");
    line("%%PageOrder: Ascend");
    line(std::string("%%Orientation: ") + (sheet.landscape ? "Landscape" : "Portrait"));
    line("%%EndComments");
    line("%%BeginProlog");
    line("%%BeginResource: procset ZentaTabDocument 1.0 0");
    line("userdict /ZentaTabDocument 4 dict dup begin");
    // featurebegin{ code }featurecleanup runs the code stopped, then clears the operand stack
    // down to the mark and ends the dictionaries the code began.
    line("/featurebegin { countdictstack mark } bind def");
    line(
        "/featurecleanup { stopped pop cleartomark countdictstack exch sub dup 0 gt { { end } repeat } { pop "
        "}");
    line("  ifelse } bind def");
    line("end put");
    line("%%EndResource");
    out += prolog_features;
    line("%%EndProlog");

    line("%%BeginSetup");
    line("userdict /ZentaTabDocument get begin");
    out += setup_features;
    line("%%EndSetup");

    line("%%Page: 1 1");
    line("%%PageBoundingBox: " + box);
    line("%%BeginPageSetup");
    out += page_features;
    line("%%EndPageSetup");
    line("1 setlinecap 1 setlinejoin");

    // The tab data.
    line("userdict /ZentaTABdict known not { userdict /ZentaTABdict 20 dict put } if");
    line("ZentaTABdict begin");
    line("/TABsets_pagesize " + array_of(sets, [](const TabLayout& s) { return ps_name(s.page); }) + " def");
    line("/TABsets_tabs " + array_of(sets, [](const TabLayout& s) { return std::to_string(s.tabs); }) +
         " def");
    line("/TABsets_topspace " + array_of(sets, [](const TabLayout& s) { return number(s.top); }) + " def");
    line("/TABsets_bottomspace " + array_of(sets, [](const TabLayout& s) { return number(s.bottom); }) +
         " def");
    line("/TABsets_height " + array_of(sets, [](const TabLayout& s) { return number(s.height); }) + " def");
    line("/TABsets_orient " + array_of(sets, [](const TabLayout& s) { return std::to_string(s.orient); }) +
         " def");
    line("/TABsets_direct " +
         array_of(sets, [](const TabLayout& s) { return std::string(s.vertical ? "(TB)" : "(LR)"); }) +
         " def");
    line("/TABsets_pos " + array_of(sets, [](const TabLayout& s) { return ps_string(s.position); }) + " def");
    line("/TABsets_textpos " + array_of(sets, [](const TabLayout& s) { return number(s.offset); }) + " def");
    line("/TABsets_fontsize " + array_of(sets, [](const TabLayout& s) { return number(s.font_size); }) +
         " def");
    line("/TABsets_fontitalic " + array_of(sets, [](const TabLayout& s) { return boolean(s.italic); }) +
         " def");
    line("/TABsets_fontbold " + array_of(sets, [](const TabLayout& s) { return boolean(s.bold); }) + " def");
    line("/TABsets_linespace " + array_of(sets, [](const TabLayout& s) { return number(s.line_spacing); }) +
         " def");
    line("/TABsets_fontname " + array_of(sets, [](const TabLayout& s) { return ps_name(s.font); }) + " def");
    line("/TABsets [" + std::to_string(set) + "] def");
    const std::vector<std::string> lines = tab_lines(sheet.text);
    std::string texts;
    for (const std::string& l : lines) texts += (texts.empty() ? "" : " ") + ps_string(l);
    line("/TABtexts [" + (lines.size() == 1 ? texts : "[" + texts + "]") + "] def");
    line("/TABposnumbers [" + std::to_string(position) + "] def");
    // Printed on the page only where the stream asks for it: a page that is not to be erased.
    line(printed_on_page
             ? "/TABinsertflags [userdict /ZENTANEP known { userdict /ZENTANEP get true eq { 0 } { 1 }"
               " ifelse } { 1 } ifelse] def"
             : "/TABinsertflags [1] def");
    line("currentdict /TABcolors undef");
    line("/TABcount 0 def");
    line(
        "/TABpagenumbers [globaldict /TABpagecount known { globaldict /TABpagecount get } { 0 } ifelse 1 "
        "add] def");
    line("end");
    line("ZentaTABdict /Zenta_TP1 known { ZentaTABdict /Zenta_TP1 get exec }");
    line("{ ZentaTABdict /TABinsertflags get 0 get 0 ne { showpage } if } ifelse");
    line("%%PageTrailer");
    line("%%Trailer");
    line("end");
    line("%%EOF");
    return out;
}

}  // namespace zenta::tabdoc
