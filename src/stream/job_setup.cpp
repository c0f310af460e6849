#include "stream/job_setup.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>

#include "environment/paper_catalogue.h"
#include "environment/record_defaults.h"
#include "features/description.h"
#include "features/feature_table.h"
#include "settings/layout_version.h"
#include "settings/page_exceptions.h"
#include "stream/tab_pages.h"
#include "stream/tab_procset.h"
#include "stream/text.h"
#include "util/base64.h"
#include "util/hex.h"
#include "util/once.h"

namespace zenta::stream {
namespace {

using features::FeatureId;
using settings::Record;

// ---- words of the dictionary values -----------------------------------------------------------

constexpr std::string_view kPerfectBindModes[] = {"/None", "/Blank", "/1in1P", "/1in1L", "/2in1", "/3in1"};
constexpr std::string_view kNupLayouts[] = {"/None", "/2f", "/2r", "/4f", "/4r",  "/6f", "/6r",
                                            "/8f",   "/8r", "/9f", "/9r", "/16f", "/16r"};

template <std::size_t N>
std::string_view word(const std::string_view (&words)[N], std::uint32_t index) {
    return index < N ? words[index] : words[0];
}

std::string_view boolean(bool value) { return value ? "true" : "false"; }

std::string_view orientation(const Record& record) {
    return record.raw(FeatureId::Orientation) == 1 ? "(Land)" : "(Port)";
}

std::string pair(std::string_view a, std::string_view b) {
    std::string out = "[";
    out += a;
    out += ' ';
    out += b;
    out += ']';
    return out;
}

std::uint32_t clamped(const Record& record, FeatureId id) {
    const features::RangeDescriptor& range = *features::feature(id).range;
    const std::int64_t value = record.number(id);
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, range.minimum, range.maximum));
}

// ---- the page size ------------------------------------------------------------------------------

constexpr std::uint32_t kMicrometresPerInch = 25400;
constexpr std::uint32_t kCustomUnitsPerInch = 254000;  // CustomPageSizeWidth: 1/10000 mm

// A short text built on the stack: the page-size values are written on every page, and a
// number pair never needs the heap.
class ShortText {
public:
    void append(std::string_view text) {
        const std::size_t n = std::min(text.size(), buffer_.size() - size_);
        std::memcpy(buffer_.data() + size_, text.data(), n);
        size_ += n;
    }
    void append(char c) { append(std::string_view(&c, 1)); }
    void append_number(std::uint64_t value) {
        const auto [end, error] = std::to_chars(buffer_.data() + size_, buffer_.data() + buffer_.size(), value);
        if (error == std::errc{}) size_ = static_cast<std::size_t>(end - buffer_.data());
    }
    std::string_view view() const { return {buffer_.data(), size_}; }

private:
    std::array<char, 64> buffer_;
    std::size_t size_ = 0;
};

// Hundredths of a point, rounded half up, as "points.hh".
void append_hundredths_of_points(ShortText& out, std::uint64_t length, std::uint64_t units_per_inch) {
    const std::uint64_t hundredths = (length * 7200 + units_per_inch / 2) / units_per_inch;
    out.append_number(hundredths / 100);
    out.append('.');
    if (hundredths % 100 < 10) out.append('0');
    out.append_number(hundredths % 100);
}

std::uint64_t whole_points(std::uint64_t length, std::uint64_t units_per_inch) {
    return (length * 72 + units_per_inch / 2) / units_per_inch;
}

// HiResPageSize: the page in points to the hundredth; HiResPageSizePpdPt: in the whole points
// of the PPD's paper dimensions. The custom size comes from CustomPageSizeWidth/Height.
struct PageSizeTexts {
    ShortText hires;
    ShortText ppd_points;
};

PageSizeTexts page_size_texts(const Record& record) {
    std::uint64_t width = 0, height = 0, units = 0, width_pt = 0, height_pt = 0;
    if (const environment::CataloguePaper* paper =
            environment::catalogue_paper(record.raw(FeatureId::PageSize))) {
        width = paper->width_um;
        height = paper->height_um;
        units = kMicrometresPerInch;
        width_pt = static_cast<std::uint64_t>(paper->width_pt);
        height_pt = static_cast<std::uint64_t>(paper->height_pt);
    } else {
        width = record.raw(FeatureId::CustomPageSizeWidth);
        height = record.raw(FeatureId::CustomPageSizeHeight);
        units = kCustomUnitsPerInch;
        width_pt = whole_points(width, units);
        height_pt = whole_points(height, units);
    }
    PageSizeTexts texts;
    texts.hires.append('[');
    append_hundredths_of_points(texts.hires, width, units);
    texts.hires.append(' ');
    append_hundredths_of_points(texts.hires, height, units);
    texts.hires.append(']');
    texts.ppd_points.append('[');
    texts.ppd_points.append_number(width_pt);
    texts.ppd_points.append(' ');
    texts.ppd_points.append_number(height_pt);
    texts.ppd_points.append(']');
    return texts;
}

// The N-up and page-size block of the job setup and of every page setup.
void page_geometry(Statements& st, const Record& record) {
    const PageSizeTexts size = page_size_texts(record);
    const std::string_view nup = word(kNupLayouts, record.raw(FeatureId::NUpCount));
    st.set("HiResPageSize", size.hires.view());
    st.set("HiResPageSizePpdPt", size.ppd_points.view());
    st.set("ZTQVTolerance", "1");
    st.set("PageOrient", orientation(record));
    st.set("ZTQVPdNup", nup);
    ShortText arguments = size.hires;
    arguments.append(' ');
    arguments.append(orientation(record));
    arguments.append(' ');
    arguments.append(nup);
    st.call("Zenta_NupP5", arguments.view());
}

// ---- target paper ------------------------------------------------------------------------------

constexpr std::uint32_t kTargetPaperProfile = 1;
constexpr std::uint32_t kTargetPaperCustom = 28;

bool profile_in_use(const Record& record) { return record.raw(FeatureId::MainPaperProfileIndex) != 0; }

// TPCS: the custom size of the target paper, in millimetres; empty for any other paper (the
// key is then removed, so that no earlier job's size lingers in the printer's dictionary).
std::string target_custom_size(const Record& record) {
    const std::uint32_t target = record.raw(FeatureId::TargetPaperSize);
    FeatureId width = FeatureId::CustomTargetPaperSizeWidth, height = FeatureId::CustomTargetPaperSizeHeight;
    if (target == kTargetPaperProfile && profile_in_use(record) &&
        record.raw(FeatureId::MainPaperProfileSize) == environment::kCustomPaper) {
        width = FeatureId::MainPaperProfileWidth;
        height = FeatureId::MainPaperProfileHeight;
    } else if (target != kTargetPaperCustom) {
        return {};
    }
    return pair(scaled_number(record.number(width), features::feature(width).range->scale),
                scaled_number(record.number(height), features::feature(height).range->scale));
}

// ---- hold without processing --------------------------------------------------------------------

constexpr std::uint32_t kOutputMethodHoldWithoutRip = 3;

// Run by the printer for a job held without processing: a controller with the CPSI procedure
// set takes the copy count from the job ticket, so the NumCopies of the PostScript must not
// reach its setpagedevice. The replacement removes NumCopies from a copy of its argument and
// runs the previous definition; it goes into systemdict with the interpreter's privileges
// (superexec), and an interpreter without them keeps its own setpagedevice.
constexpr std::string_view kDropNumCopies =
    "/CPSI /ProcSet resourcestatus {\n"
    "  pop pop\n"
    "  1183615869 internaldict dup /superexec known {\n"
    "    /superexec get\n"
    "    {\n"
    "      systemdict /setpagedevice\n"
    "      [ /dup cvx /NumCopies /known cvx\n"
    "        { dup length dict copy dup /NumCopies undef } /if cvx\n"
    "        systemdict /setpagedevice get /exec cvx\n"
    "      ] cvx bind put\n"
    "    } exch exec\n"
    "  } { pop } ifelse\n"
    "} if\n";

// ---- the trays' media -----------------------------------------------------------------------

struct TrayMedia {
    std::string_view name;
    FeatureId type, weight, colour, colour_name, prepunched;
};

#define ZENTA_TRAY(Tray)                                                                                  \
    TrayMedia {                                                                                           \
        "/" #Tray, FeatureId::MediaType##Tray, FeatureId::MediaWeight##Tray, FeatureId::MediaColor##Tray, \
            FeatureId::CustomMediaColorName##Tray, FeatureId::MediaPrepunched##Tray                       \
    }
// In InputSlot order from 1 (the sub tray) to 11 (the manual bypass).
constexpr std::array kTrays{ZENTA_TRAY(SubTray), ZENTA_TRAY(Tray1), ZENTA_TRAY(Tray2), ZENTA_TRAY(Tray3),
                            ZENTA_TRAY(Tray4),   ZENTA_TRAY(Tray5), ZENTA_TRAY(Tray6), ZENTA_TRAY(Tray7),
                            ZENTA_TRAY(Tray8),   ZENTA_TRAY(Tray9), ZENTA_TRAY(MBT)};
#undef ZENTA_TRAY

constexpr std::uint32_t kCustomColour = 13;

// The keyword of an option index in a feature's table (the default option's for an index
// beyond it).
std::string_view keyword(FeatureId table, std::uint32_t index) {
    return features::feature(table).descriptor->option(index).keyword;
}

std::string tray_configuration(const Record& record) {
    const std::uint32_t selected = record.raw(FeatureId::InputSlot);
    std::string out = "<<";
    for (std::size_t i = 0; i < kTrays.size(); ++i) {
        const TrayMedia& tray = kTrays[i];
        // The tray the job is printed from carries the paper profile's media while one is used.
        const bool profile = selected == i + 1 && profile_in_use(record);
        const std::uint32_t type = record.raw(profile ? FeatureId::MainPaperProfileMediaType : tray.type);
        const std::uint32_t weight =
            record.raw(profile ? FeatureId::MainPaperProfileMediaWeight : tray.weight);
        std::uint32_t colour = record.raw(profile ? FeatureId::MainPaperProfileMediaColor : tray.colour);
        const std::string_view colour_name =
            record.text(profile ? FeatureId::MainPaperProfileCustomMediaColorName : tray.colour_name);
        const bool prepunched =
            record.raw(profile ? FeatureId::MainPaperProfileMediaPrepunched : tray.prepunched) == 1;
        if (colour == kCustomColour && colour_name.empty()) colour = 0;

        out += "\r\n  ";
        out += tray.name;
        out += " << /ZTQVMediaType /";
        out += keyword(tray.type, type);
        out += " /ZTQVMediaWeight /";
        out += keyword(tray.weight, weight);
        out += " /ZTQVMediaColor /";
        out += keyword(tray.colour, colour);
        out += " /ZTQVMediaPrepunched ";
        out += boolean(prepunched);
        out += " >>";
    }
    out += "\r\n>>";
    return out;
}

// ---- the page's paper ----------------------------------------------------------------------

// The PPD keyword of a PageSize option; empty for the custom size and beyond.
std::string_view keyword_of_page_size(std::uint32_t option) {
    const features::FeatureDescriptor& page_size = *features::feature(FeatureId::PageSize).descriptor;
    return option < page_size.option_count() ? page_size.options[option].ppd_option : std::string_view{};
}

// The Zenta_P8 argument of page n: the paper of the first page-specific entry that puts the page
// on other paper, else the target paper; nothing where neither names a paper.
std::optional<std::string> page_paper(const Record& record, const settings::PageList& entries,
                                      std::uint64_t page) {
    if (page >= 1 && page <= 65535) {
        for (const settings::PageEntry& entry : entries) {
            const std::uint8_t kind = entry.kind;
            if (kind == 1 || kind == 2 || entry.is_tab() || !entry.covers(static_cast<std::uint32_t>(page)))
                continue;
            if (entry.paper_size == environment::kCustomPaper) {
                const auto hundredths = [](std::uint32_t v) { return std::to_string((v + 50) / 100); };
                return pair(hundredths(entry.custom_width), hundredths(entry.custom_height));
            }
            const std::string_view ppd = keyword_of_page_size(entry.paper_size);
            if (ppd.empty()) return std::nullopt;
            return "/" + std::string(ppd);
        }
    }
    std::uint32_t target = record.raw(FeatureId::TargetPaperSize);
    if (target == kTargetPaperProfile && profile_in_use(record)) {
        // The profile's paper, as a PageSize option.
        const std::string_view ppd = keyword_of_page_size(record.raw(FeatureId::MainPaperProfileSize));
        if (ppd.empty()) return std::nullopt;
        return "/" + std::string(ppd);
    }
    const std::string_view ppd =
        features::feature(FeatureId::TargetPaperSize).descriptor->option(target).ppd_option;
    if (target == kTargetPaperCustom || ppd.empty()) return std::nullopt;
    return "/" + std::string(ppd);
}

// Whether the record's page exception area holds the default record's bytes. The default area
// is all zero, so that the check usually reads the record's area alone, once, word by word: it
// runs on every page.
bool all_zero(std::span<const std::uint8_t> bytes) {
    // Zero at the start and every byte equal to the one before it: the library's compare runs
    // over the one block, which the record's copy has just brought into the cache.
    return bytes.empty() || (bytes[0] == 0 && std::memcmp(bytes.data(), bytes.data() + 1, bytes.size() - 1) == 0);
}

bool default_page_area(const Record& record) {
    static util::Once<bool> default_is_zero;
    const auto defaults = environment::default_record().field(FeatureId::PageSpecificTrays);
    const auto area = record.field(FeatureId::PageSpecificTrays);
    if (default_is_zero.get([&] { return all_zero(defaults); })) return all_zero(area);
    return std::equal(area.begin(), area.end(), defaults.begin(), defaults.end());
}

}  // namespace

std::string scaled_number(std::int64_t stored, std::uint32_t scale) {
    if (scale <= 1) return std::to_string(stored);
    unsigned places = 0;
    for (std::uint32_t s = scale; s >= 10; s /= 10) ++places;
    const std::uint64_t magnitude =
        stored < 0 ? static_cast<std::uint64_t>(-stored) : static_cast<std::uint64_t>(stored);
    std::string fraction = std::to_string(magnitude % scale);
    fraction.insert(0, places - std::min<std::size_t>(places, fraction.size()), '0');
    return (stored < 0 ? "-" : "") + std::to_string(magnitude / scale) + "." + fraction;
}

std::string job_settings_comments(const Record& record) {
    static util::Once<std::string> description;
    std::string out;
    append_comment_block(out, "ZENTA-JobSettings", util::base64_encode(record.bytes));
    append_comment_block(out, "ZENTA-JobSettingsDescription", description.get([] {
        return features::describe_layout_base64(settings::layout_version());
    }));
    return out;
}

std::string job_setup(const Record& record) {
    std::string out;
    Statements st(out);
    st.set("PDVersion", "(3.0.326:0x" + util::hex_trimmed(settings::layout_version()) + ")");
    st.set("ZENTAPDOS", "(WinNT5)");
    st.set("ZTQVPBMode", word(kPerfectBindModes, record.raw(FeatureId::PerfectBindMode)));
    page_geometry(st, record);
    st.set("Zoom", std::to_string(clamped(record, FeatureId::Zoom)));
    st.set("ZTQVMixedOriginalMode", boolean(record.raw(FeatureId::MixedSize) == 1));
    st.set("ZTQVPostcardFullbleed", boolean(record.raw(FeatureId::PostcardFullBleed) == 1));
    st.set("Orient", orientation(record));
    st.set("TPCS", target_custom_size(record));
    const bool hold_without_rip = record.raw(FeatureId::OutputMethod) == kOutputMethodHoldWithoutRip;
    st.set("HoldWithoutRIP", boolean(hold_without_rip));
    if (hold_without_rip) st.raw(ps_hex_string(kDropNumCopies, 32) + " cvx exec");
    st.set("TrayConfiguration", tray_configuration(record));
    if (needs_tab_procset(record)) out += tab_procset_delivery();
    return out;
}

std::string end_of_setup() {
    std::string out;
    Statements st(out);
    st.set("Zenta_V11", ps_hex_string(kPageTrailerMarker));
    st.call("Zenta_NupP0");
    return out;
}

std::string page_setup(const Record& record, std::uint64_t page) {
    PageSelection pages;
    pages.update(record);
    std::string out;
    append_page_setup(out, record, page, pages);
    return out;
}

void append_page_setup(std::string& out, const Record& record, std::uint64_t page, const PageSelection& pages) {
    Statements st(out);
    st.call("Zenta_P4");
    page_geometry(st, record);
    if (const auto paper = page_paper(record, pages.selected(), page)) st.call("Zenta_P8", *paper);
    if (!default_page_area(record)) st.raw("userdict /ZTQVPluginEndPageSetupCallBack undef");
}

std::string page_trailer() {
    std::string out = "\r\n";
    Statements st(out);
    st.call("Zenta_NupP3");
    st.raw(kPageTrailerMarker);
    return out;
}

std::string document_trailer() {
    std::string out;
    Statements st(out);
    st.call("Zenta_P6");
    return out;
}

}  // namespace zenta::stream
