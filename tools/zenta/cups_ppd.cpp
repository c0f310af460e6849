// The CUPS PPD, written from the feature model (see cups_ppd.h). The PPD follows Adobe's PPD 4.3
// with the CUPS extensions: translations for the eight other built-in languages in UTF-8
// (*ll.Translation and *ll.Key lines, which CUPS requires for every option and choice of a PPD
// that lists its languages in *cupsLanguages), custom options for the ranges, and the filter
// that takes PostScript and PDF (*cupsFilter2).

#include "cups_ppd.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "constraints/rule_pairs.h"
#include "cups_ppd_data.h"
#include "environment/paper_catalogue.h"
#include "environment/record_defaults.h"
#include "environment/text_table.h"
#include "platform/sim/profile.h"
#include "settings/layout_version.h"
#include "util/utf.h"

namespace zenta::tool::cups {
namespace {

using features::Feature;
using features::FeatureId;
using features::Kind;
using features::OptionEntry;
using features::RangeDescriptor;

constexpr int kEnglishColumn = 0;
constexpr std::size_t kMaxTextBytes = 80;  // a translation string, once decoded
constexpr std::string_view kParamCustom = "ParamCustom";

// ---- Which features are options -----------------------------------------------------------

// The longest locale prefix a keyword of a translation line carries ("zh_TW.").
constexpr std::size_t kLocalePrefix = [] {
    std::size_t longest = 0;
    for (const PpdLocale& l : kLocales) longest = std::max(longest, l.locale.size() + 1);
    return longest;
}();

bool matches(const LeftOutFamily& family, std::string_view key) {
    switch (family.match) {
        case Match::Exact:
            return key == family.pattern;
        case Match::Prefix:
            return key.starts_with(family.pattern);
        case Match::Contains:
            return key.find(family.pattern) != std::string_view::npos;
    }
    return false;
}

// The keyword a translation line needs for this feature, without its locale prefix: the key of a
// selection, the custom parameter's keyword of a range.
std::size_t translated_keyword_length(const Feature& f) {
    return f.kind == Kind::R ? kParamCustom.size() + f.key.size() : f.key.size();
}

std::string_view left_out(const Feature& f) {
    if (f.kind == Kind::A) return "a text or byte array: a PPD option offers choices, not free text";
    for (const LeftOutFamily& family : kLeftOutFamilies)
        if (matches(family, f.key)) return family.reason;
    if (f.kind == Kind::S && f.descriptor->option_count() < 2)
        return "no choice to offer: its options come from the printer";
    if (kLocalePrefix + translated_keyword_length(f) > kMaxKeywordLength)
        return "its keyword is too long for a translated PPD (40 characters with the locale prefix)";
    if (f.descriptor)
        for (const OptionEntry& option : f.descriptor->options)
            if (option.keyword.size() > kMaxKeywordLength) return "an option keyword is too long for a PPD";
    return {};
}

Group group_of(std::string_view key) {
    std::size_t best = 0;
    Group group = Other;
    for (const GroupPrefix& p : kGroupPrefixes)
        if (key.starts_with(p.prefix) && p.prefix.size() > best) {
            best = p.prefix.size();
            group = p.group;
        }
    return group;
}

// Two-option selections of False and True, or of Off and On, are Boolean options; every other
// one picks one.
bool is_boolean(const Feature& f) {
    const auto& o = f.descriptor->options;
    const auto pair = [&](std::string_view no, std::string_view yes) {
        return (o[0].keyword == no && o[1].keyword == yes) || (o[0].keyword == yes && o[1].keyword == no);
    };
    return o.size() == 2 && (pair("False", "True") || pair("Off", "On"));
}

// ---- Texts --------------------------------------------------------------------------------

enum class Encoding { Ascii, Utf8 };

std::string_view ascii_spelling(char32_t c) {
    switch (c) {
        case U'\u00B0':
            return " deg";  // "Rotate 180 deg"
        case U'\u00B2':
            return "2";  // "g/m2"
        default:
            return "?";
    }
}

std::string hex_byte(unsigned value) {
    char buffer[5];
    std::snprintf(buffer, sizeof buffer, "<%02X>", value & 0xFFu);
    return buffer;
}

// A translation string as the PPD carries it. Printable ASCII stays as it is, except ':' that
// would end the string and '<' '>' that open and close hex, which go in hex. A translation
// carries the bytes of UTF-8 beyond ASCII as they are; the English texts stay within ASCII (as
// CUPS asks of a PPD with translations), with a spelling for the few other characters they use
// and '?' for any other. Control characters are dropped. At most 80 bytes once decoded: a
// character that does not fit whole is left out with the rest.
std::string ppd_text(std::u16string_view text, Encoding encoding) {
    std::string out;
    std::size_t decoded = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        char32_t c = text[i++];
        if (c >= 0xD800 && c < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
        if (c < 0x20 || c == 0x7F) continue;
        std::string piece;
        std::size_t bytes = 1;
        if (c < 0x80 && c != ':' && c != '<' && c != '>')
            piece = static_cast<char>(c);
        else if (c < 0x80)
            piece = hex_byte(static_cast<unsigned>(c));
        else if (encoding == Encoding::Ascii)
            bytes = (piece = ascii_spelling(c)).size();
        else
            bytes = (piece = util::utf16_to_utf8(text.substr(start, i - start))).size();
        if (decoded + bytes > kMaxTextBytes) break;
        decoded += bytes;
        out += piece;
    }
    return out;
}

std::u16string_view label_text(int column, int label) {
    const std::u16string_view text = environment::text_in_column(column, label);
    return text.empty() ? environment::text_in_column(kEnglishColumn, label) : text;
}

// A key as words: "NumCopies" "Num Copies", "PITray1" "PI Tray 1", "Rotate180" "Rotate 180".
std::string key_words(std::string_view key) {
    const auto upper = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
    const auto lower = [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; };
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::string words;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char c = key[i];
        if (i > 0) {
            const char prev = key[i - 1];
            const bool next_lower = i + 1 < key.size() && lower(key[i + 1]);
            if ((upper(c) && lower(prev)) || (digit(c) && !digit(prev)) || (!digit(c) && digit(prev)) ||
                (upper(c) && upper(prev) && next_lower))
                words += ' ';
        }
        words += c;
    }
    return words;
}

// What tells keys apart: each key without the start and the end that all of them share, from the
// start of the word the difference lies in, as words ("MediaTypeTray1", "MediaTypeAuto": "Tray 1",
// "Auto"; "Tab1FontBold", "Tab2FontBold": "Tab 1", "Tab 2").
std::vector<std::string> distinguishing_words(const std::vector<std::string_view>& keys) {
    const std::string_view first = keys.front();
    const auto all = [&](auto same) { return std::all_of(keys.begin(), keys.end(), same); };
    std::size_t prefix = 0, suffix = 0;
    while (all([&](std::string_view k) { return prefix < k.size() && k[prefix] == first[prefix]; })) ++prefix;
    while (all([&](std::string_view k) {
        return suffix < k.size() - prefix && k[k.size() - 1 - suffix] == first[first.size() - 1 - suffix];
    }))
        ++suffix;
    while (prefix > 0 && (prefix == first.size() || !std::isupper(static_cast<unsigned char>(first[prefix]))))
        --prefix;
    std::vector<std::string> parts;
    for (std::string_view k : keys) parts.push_back(key_words(k.substr(prefix, k.size() - prefix - suffix)));
    return parts;
}

// The number a stored range value shows in the range's first display unit, with as many decimals
// as the unit's factor gives (10: one), trailing zeros left out. Rounded half away from zero;
// or towards the inside of the range for its limits (up for the minimum, down for the maximum).
enum class Rounding { Nearest, Up, Down };

int display_decimals(const RangeDescriptor& r) {
    int decimals = 0;
    for (std::uint32_t f = r.units[0].factor; f >= 10; f /= 10) ++decimals;
    return decimals;
}

std::int64_t power_of_ten(int n) {
    std::int64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

std::string display_number(std::int64_t stored, const RangeDescriptor& r,
                           Rounding rounding = Rounding::Nearest) {
    const int decimals = display_decimals(r);
    const std::int64_t p = power_of_ten(decimals);
    const std::int64_t scale = r.scale;
    const std::int64_t numerator = stored * p;
    std::int64_t q = numerator / scale;  // truncated towards zero
    const std::int64_t rest = numerator % scale;
    if (rest != 0) {
        if (rounding == Rounding::Up && numerator > 0) ++q;
        if (rounding == Rounding::Down && numerator < 0) --q;
        if (rounding == Rounding::Nearest && 2 * (rest < 0 ? -rest : rest) >= scale)
            q += numerator < 0 ? -1 : 1;
    }
    std::string text = std::to_string(q < 0 ? -q : q);
    if (decimals > 0) {
        if (text.size() <= static_cast<std::size_t>(decimals))
            text.insert(0, static_cast<std::size_t>(decimals) + 1 - text.size(), '0');
        text.insert(text.size() - static_cast<std::size_t>(decimals), ".");
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return (q < 0 ? "-" : "") + text;
}

// Points with at most two decimals.
std::string points(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

// ---- Installed options --------------------------------------------------------------------

environment::InstallableOptions builtin_installable_options() {
    environment::InstallableOptions block{};
    const auto& printers = platform::sim::default_profile().printers;
    if (printers.empty()) return block;
    const auto key = printers.front().data.find(platform::sim::kPrinterDriverData);
    if (key == printers.front().data.end()) return block;
    const auto value = key->second.find(u"InstallableOptions");
    if (value != key->second.end() && value->second.bytes.size() == block.size())
        std::copy(value->second.bytes.begin(), value->second.bytes.end(), block.begin());
    return block;
}

std::vector<std::uint8_t> installed_values(const InstalledByte& b, std::uint8_t builtin) {
    std::vector<std::uint8_t> values = constraints::printer_values_compared(b.byte);
    if (b.first_listed != kNoListedValues)
        for (unsigned v = b.first_listed; v <= b.last_listed; ++v)
            values.push_back(static_cast<std::uint8_t>(v));
    values.push_back(builtin);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

std::string installed_choice(const InstalledByte& b, std::uint8_t value) {
    return std::string(b.choice_prefix) + std::to_string(value);
}

constexpr unsigned kFirstNumberedTray = 2;  // InputSlot Tray1
constexpr unsigned kLastNumberedTray = 10;  // InputSlot Tray9
constexpr unsigned kManualFeedTray = 11;    // InputSlot MBT

environment::InstallableOptions with_paper_feed(std::uint8_t configuration) {
    environment::InstallableOptions block{};
    block[environment::kPaperFeedConfigurationByte] = configuration;
    return block;
}

// "trays 1-4, 7, manual feed": the trays a paper-feed configuration has besides the bypass tray.
std::string trays_of(std::uint8_t configuration) {
    const auto block = with_paper_feed(configuration);
    std::vector<unsigned> trays;
    for (unsigned code = kFirstNumberedTray; code <= kLastNumberedTray; ++code)
        if (environment::tray_available(code, block)) trays.push_back(code - kFirstNumberedTray + 1);
    std::string text;
    for (std::size_t i = 0; i < trays.size();) {
        std::size_t j = i;
        while (j + 1 < trays.size() && trays[j + 1] == trays[j] + 1) ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(trays[i]);
        if (j > i) text += "-" + std::to_string(trays[j]);
        i = j + 1;
    }
    if (!text.empty()) text.insert(0, trays.size() == 1 ? "tray " : "trays ");
    if (environment::tray_available(kManualFeedTray, block))
        text += text.empty() ? "manual feed" : ", manual feed";
    return text.empty() ? "bypass tray only" : text;
}

std::string installed_label(const InstalledByte& b, std::uint8_t value) {
    std::string label = std::string(b.choice_label) + std::to_string(value);
    if (b.byte == static_cast<int>(environment::kPaperFeedConfigurationByte))
        label += " (" + trays_of(value) + ")";
    return label;
}

// ---- The writer ---------------------------------------------------------------------------

class PpdWriter {
public:
    PpdWriter() : defaults_(environment::default_record()), installed_(builtin_installable_options()) {
        for (const Feature& f : features::kFeatures) included_.push_back(left_out(f).empty());
        name_shared_labels();
    }

    std::string write() {
        header();
        installed_options();
        for (std::size_t g = 0; g < std::size(kGroups); ++g) group(static_cast<Group>(g));
        page_geometry();
        ui_constraints();
        return std::move(out_);
    }

private:
    const settings::Record& defaults_;
    environment::InstallableOptions installed_;
    std::vector<bool> included_;
    std::map<FeatureId, std::string> suffixes_;  // what tells features with the same label apart
    std::string out_;

    bool included(FeatureId id) const { return included_[features::index_of(id)]; }

    // The features of the PPD, in record order.
    std::vector<FeatureId> included_features() const {
        std::vector<FeatureId> ids;
        for (std::size_t i = 0; i < features::kFeatureCount; ++i)
            if (included_[i]) ids.push_back(static_cast<FeatureId>(i));
        return ids;
    }

    void line(std::string_view text) {
        out_ += text;
        out_ += '\n';
    }

    // "*Key Choice/Text: """ and the like: a keyword, an option keyword and its text.
    void entry(std::string_view keyword, std::string_view option, std::string_view text,
               std::string_view value = "\"\"") {
        out_ += '*';
        out_ += keyword;
        out_ += ' ';
        out_ += option;
        out_ += '/';
        out_ += text;
        out_ += ": ";
        out_ += value;
        out_ += '\n';
    }

    void header() {
        char version[16];
        std::snprintf(version, sizeof version, "0x%08X", settings::layout_version());
        line("*PPD-Adobe: \"4.3\"");
        line("*% The Zenta Production Printer on a CUPS print server, with the filter zenta-cups.");
        line(std::string("*% Generated by `zenta ppd --cups` from the job settings model, layout version ") +
             version + ".");
        line("*% The choices carry no PostScript: the filter sets the job settings itself.");
        line("*FormatVersion: \"4.3\"");
        line("*FileVersion: \"1.0\"");
        line("*LanguageVersion: English");
        line("*LanguageEncoding: ISOLatin1");
        std::string languages;
        for (const PpdLocale& l : kLocales)
            languages += (languages.empty() ? "" : " ") + std::string(l.locale);
        line("*cupsLanguages: \"" + languages + "\"");
        line("*PCFileName: \"ZENTA.PPD\"");
        line("*Manufacturer: \"Zenta\"");
        line("*Product: \"(Zenta Production Printer)\"");
        line("*ModelName: \"Zenta Production Printer\"");
        line("*ShortNickName: \"Zenta Production Printer\"");
        line("*NickName: \"Zenta Production Printer, zenta-cups\"");
        line("*PSVersion: \"(3010.000) 0\"");
        line("*LanguageLevel: \"3\"");
        line("*ColorDevice: True");
        line("*DefaultColorSpace: CMYK");
        line("*TTRasterizer: Type42");
        line("*cupsVersion: 2.4");
        line("*% The printer makes the copies.");
        line("*cupsManualCopies: False");
        line("*cupsFilter2: \"application/postscript application/vnd.cups-postscript 0 zenta-cups\"");
        line("*cupsFilter2: \"application/pdf application/vnd.cups-postscript 0 zenta-cups\"");
    }

    // ---- Labels

    // Features whose labels read the same are told apart by what their keys do not share
    // ("Media Type (Tray 1)", "Media Type (Sub Tray)", "Font Bold (Tab 2)").
    void name_shared_labels() {
        std::map<std::u16string, std::vector<FeatureId>> by_label;
        for (FeatureId id : included_features()) {
            const Feature& f = features::feature(id);
            if (f.kind == Kind::S)
                by_label[std::u16string(label_text(kEnglishColumn, f.descriptor->label))].push_back(id);
        }
        for (const auto& [label, ids] : by_label) {
            if (ids.size() < 2) continue;
            std::vector<std::string_view> keys;
            for (FeatureId id : ids) keys.push_back(features::feature(id).key);
            const std::vector<std::string> parts = distinguishing_words(keys);
            for (std::size_t i = 0; i < ids.size(); ++i) suffixes_[ids[i]] = parts[i];
        }
    }

    std::u16string feature_label(FeatureId id, int column) const {
        const Feature& f = features::feature(id);
        if (f.kind == Kind::R) {
            std::u16string label = util::utf8_to_utf16(key_words(f.key));
            const std::u16string_view unit = label_text(column, f.range->units[0].label);
            if (!unit.empty()) label += u" (" + std::u16string(unit) + u")";
            return label;
        }
        std::u16string label(label_text(column, f.descriptor->label));
        if (label.empty()) label = util::utf8_to_utf16(key_words(f.key));
        const auto suffix = suffixes_.find(id);
        if (suffix != suffixes_.end()) label += u" (" + util::utf8_to_utf16(suffix->second) + u")";
        return label;
    }

    static std::u16string option_label(const OptionEntry& option, int column) {
        const std::u16string_view text = option.label >= 0 ? label_text(column, option.label) : u"";
        return text.empty() ? util::utf8_to_utf16(option.keyword) : std::u16string(text);
    }

    static std::u16string default_choice_label(const Feature& f, int column) {
        std::u16string label = util::utf8_to_utf16(display_number(f.range->default_value, *f.range));
        const std::u16string_view unit = label_text(column, f.range->units[0].label);
        if (!unit.empty()) label += u" " + std::u16string(unit);
        return label;
    }

    // ---- Options

    void installed_options() {
        line("*OpenGroup: InstallableOptions/Installed Options");
        for (const InstalledByte& b : kInstalledBytes) {
            const std::uint8_t builtin = installed_[static_cast<std::size_t>(b.byte)];
            const auto values = installed_values(b, builtin);
            line("*OpenUI *" + std::string(b.keyword) + "/" + std::string(b.label) + ": PickOne");
            line("*Default" + std::string(b.keyword) + ": " + installed_choice(b, builtin));
            for (std::uint8_t v : values)
                entry(b.keyword, installed_choice(b, v),
                      ppd_text(util::utf8_to_utf16(installed_label(b, v)), Encoding::Ascii));
            line("*CloseUI: *" + std::string(b.keyword));
            // The labels are English in every language.
            for (const PpdLocale& l : kLocales) {
                const std::string localized = std::string(l.locale) + "." + std::string(b.keyword);
                entry(std::string(l.locale) + ".Translation", b.keyword,
                      ppd_text(util::utf8_to_utf16(b.label), Encoding::Utf8));
                for (std::uint8_t v : values)
                    entry(localized, installed_choice(b, v),
                          ppd_text(util::utf8_to_utf16(installed_label(b, v)), Encoding::Utf8));
            }
        }
        line("*CloseGroup: InstallableOptions");
    }

    void group(Group g) {
        std::vector<FeatureId> members;
        for (FeatureId id : included_features())
            if (group_of(features::feature(id).key) == g) members.push_back(id);
        if (members.empty()) return;
        line("");
        line("*OpenGroup: " + std::string(kGroups[g].name) + "/" + std::string(kGroups[g].label));
        for (FeatureId id : members) {
            if (features::feature(id).kind == Kind::S)
                selection(id);
            else
                range(id);
            if (id == FeatureId::PageSize) page_region();
        }
        line("*CloseGroup: " + std::string(kGroups[g].name));
    }

    // Options are ordered as the filter applies them: in record order.
    static std::string order_dependency(FeatureId id, std::string_view keyword) {
        return "*OrderDependency: " + std::to_string(10 + features::index_of(id)) + " AnySetup *" +
               std::string(keyword);
    }

    void open_ui(FeatureId id, std::string_view type, std::string_view default_choice) {
        const std::string key(features::feature(id).key);
        line("*OpenUI *" + key + "/" + ppd_text(feature_label(id, kEnglishColumn), Encoding::Ascii) + ": " +
             std::string(type));
        line(order_dependency(id, key));
        line("*Default" + key + ": " + std::string(default_choice));
    }

    const OptionEntry& default_option(FeatureId id) const {
        return features::feature(id).descriptor->option(defaults_.raw(id));
    }

    void selection(FeatureId id) {
        const Feature& f = features::feature(id);
        open_ui(id, is_boolean(f) ? "Boolean" : "PickOne", default_option(id).keyword);
        for (const OptionEntry& option : f.descriptor->options)
            entry(f.key, option.keyword, ppd_text(option_label(option, kEnglishColumn), Encoding::Ascii));
        line("*CloseUI: *" + std::string(f.key));
        for (const PpdLocale& l : kLocales) {
            const int column = environment::text_column_of_language(l.language);
            const std::string localized = std::string(l.locale) + "." + std::string(f.key);
            entry(std::string(l.locale) + ".Translation", f.key,
                  ppd_text(feature_label(id, column), Encoding::Utf8));
            for (const OptionEntry& option : f.descriptor->options)
                entry(localized, option.keyword, ppd_text(option_label(option, column), Encoding::Utf8));
        }
    }

    // A range: its default as the one choice, any other value as the custom value.
    void range(FeatureId id) {
        const Feature& f = features::feature(id);
        const RangeDescriptor& r = *f.range;
        const std::string choice = display_number(r.default_value, r);
        const std::string key(f.key);
        open_ui(id, "PickOne", choice);
        entry(key, choice, ppd_text(default_choice_label(f, kEnglishColumn), Encoding::Ascii));
        line("*CloseUI: *" + key);
        entry("Custom" + key, "True", "Custom");
        entry(std::string(kParamCustom) + key, "Value",
              ppd_text(feature_label(id, kEnglishColumn), Encoding::Ascii),
              std::string("1 ") + (display_decimals(r) == 0 ? "int " : "real ") +
                  display_number(r.minimum, r, Rounding::Up) + " " +
                  display_number(r.maximum, r, Rounding::Down));
        for (const PpdLocale& l : kLocales) {
            const int column = environment::text_column_of_language(l.language);
            const std::string locale(l.locale);
            const std::string label = ppd_text(feature_label(id, column), Encoding::Utf8);
            entry(locale + ".Translation", key, label);
            entry(locale + "." + key, choice, ppd_text(default_choice_label(f, column), Encoding::Utf8));
            entry(locale + "." + std::string(kParamCustom) + key, "Value", label);
        }
    }

    // PageRegion: the same choices as PageSize, for the imageable area of a page.
    void page_region() {
        line("*OpenUI *PageRegion/Page Region: PickOne");
        line(order_dependency(FeatureId::PageSize, "PageRegion"));
        line("*DefaultPageRegion: " + std::string(default_option(FeatureId::PageSize).keyword));
        for (const OptionEntry& option : features::feature(FeatureId::PageSize).descriptor->options)
            entry("PageRegion", option.keyword,
                  ppd_text(option_label(option, kEnglishColumn), Encoding::Ascii));
        line("*CloseUI: *PageRegion");
    }

    // ---- Page sizes: the catalogue's sizes in points, the printer's margin on every edge

    void page_geometry() {
        const Feature& page_size = features::feature(FeatureId::PageSize);
        const std::string default_size(default_option(FeatureId::PageSize).keyword);
        line("");
        line("*DefaultImageableArea: " + default_size);
        for (const environment::CataloguePaper& paper : environment::paper_catalogue()) {
            const OptionEntry& option = page_size.descriptor->options[paper.option];
            entry("ImageableArea", option.keyword,
                  ppd_text(option_label(option, kEnglishColumn), Encoding::Ascii),
                  "\"" + std::to_string(kPageMarginPt) + " " + std::to_string(kPageMarginPt) + " " +
                      points(paper.width_pt - kPageMarginPt) + " " + points(paper.height_pt - kPageMarginPt) +
                      "\"");
        }
        line("*DefaultPaperDimension: " + default_size);
        for (const environment::CataloguePaper& paper : environment::paper_catalogue()) {
            const OptionEntry& option = page_size.descriptor->options[paper.option];
            entry("PaperDimension", option.keyword,
                  ppd_text(option_label(option, kEnglishColumn), Encoding::Ascii),
                  "\"" + points(paper.width_pt) + " " + points(paper.height_pt) + "\"");
        }
    }

    // ---- Constraints

    void ui_constraints() {
        line("");
        line("*% Trays that a paper-feed configuration does not have.");
        const InstalledByte* feed = nullptr;
        for (const InstalledByte& b : kInstalledBytes)
            if (b.byte == static_cast<int>(environment::kPaperFeedConfigurationByte)) feed = &b;
        const Feature& slot = features::feature(FeatureId::InputSlot);
        if (feed && included(FeatureId::InputSlot)) {
            for (std::uint8_t v :
                 installed_values(*feed, installed_[environment::kPaperFeedConfigurationByte]))
                for (unsigned code = kFirstNumberedTray; code <= kManualFeedTray; ++code)
                    if (code < slot.descriptor->option_count() &&
                        !environment::tray_available(code, with_paper_feed(v)))
                        line("*UIConstraints: *" + std::string(feed->keyword) + " " +
                             installed_choice(*feed, v) + " *InputSlot " +
                             std::string(slot.descriptor->options[code].keyword));
        }
        line("*% The rules between two choices: with the first chosen, the filter changes the second.");
        std::set<std::string> written;
        for (const constraints::RulePair& pair : constraints::plain_rule_pairs()) {
            if (!included(pair.source) || !included(pair.target)) continue;
            const Feature& source = features::feature(pair.source);
            const Feature& target = features::feature(pair.target);
            std::string text = "*UIConstraints: *" + std::string(source.key) + " " +
                               std::string(source.descriptor->options[pair.source_value].keyword) + " *" +
                               std::string(target.key) + " " +
                               std::string(target.descriptor->options[pair.old_value].keyword);
            if (written.insert(text).second) line(text);
        }
    }
};

// A decimal number: sign, digits, a point and more digits (at least one digit in all, at most
// twelve), as a whole number of units of 10^-decimals.
struct Decimal {
    std::int64_t units = 0;
    int decimals = 0;
};

std::optional<Decimal> parse_decimal(std::string_view text) {
    Decimal d;
    bool negative = false, point = false;
    int digits = 0;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9' && digits < 12) {
            d.units = d.units * 10 + (c - '0');
            ++digits;
            if (point) ++d.decimals;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    if (negative) d.units = -d.units;
    return d;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string make_cups_ppd() { return PpdWriter().write(); }

std::string_view left_out_reason(FeatureId id) { return left_out(features::feature(id)); }

environment::InstallableOptions installable_options_from(const std::map<std::string, std::string>& choices) {
    return installable_options_from(choices, builtin_installable_options());
}

environment::InstallableOptions installable_options_from(const std::map<std::string, std::string>& choices,
                                                         const environment::InstallableOptions& base) {
    // The choices are those the PPD offers, whatever the base block holds.
    const environment::InstallableOptions builtin = builtin_installable_options();
    environment::InstallableOptions block = base;
    for (const InstalledByte& b : kInstalledBytes) {
        const auto chosen = choices.find(std::string(b.keyword));
        if (chosen == choices.end()) continue;
        const auto byte = static_cast<std::size_t>(b.byte);
        for (std::uint8_t v : installed_values(b, builtin[byte]))
            if (chosen->second == installed_choice(b, v)) block[byte] = v;
    }
    return block;
}

std::optional<std::int64_t> range_value_from_choice(FeatureId id, std::string_view choice) {
    const Feature& f = features::feature(id);
    if (!f.range) return std::nullopt;
    std::string_view text = trim(choice);
    if (text.starts_with("Custom.")) {
        text.remove_prefix(7);
    } else if (text.starts_with('{') && text.ends_with('}')) {
        text = trim(text.substr(1, text.size() - 2));
        if (!text.starts_with("Value=")) return std::nullopt;
        text.remove_prefix(6);
    }
    const auto number = parse_decimal(trim(text));
    if (!number) return std::nullopt;
    // stored = number x scale, rounded half away from zero.
    const std::int64_t p = power_of_ten(number->decimals);
    const std::int64_t twice = 2 * number->units * static_cast<std::int64_t>(f.range->scale);
    const std::int64_t stored = (twice + (twice < 0 ? -p : p)) / (2 * p);
    if (stored < f.range->minimum || stored > f.range->maximum) return std::nullopt;
    return stored;
}

}  // namespace zenta::tool::cups
