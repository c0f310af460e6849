// The feature rules of the colour settings, the colour bar, the screens, the trim box, the
// stamps, the copy guard and the mail notice.
//
// Where a rule turns a selection into a controller word that the option table does not carry as
// its PJL value, a word table stands beside the rule: one word per option, in option order, so
// that an index beyond the table reads as the default option's word like everywhere else.

#include <array>
#include <string_view>
#include <utility>

#include "features/feature_table.h"
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {
namespace {

template <std::size_t N>
using Words = std::array<std::string_view, N>;

constexpr std::uint32_t option_count(FeatureId id) {
    return features::feature(id).descriptor->option_count();
}

// The index of a selection's stored option; an index beyond the table reads as the default.
std::uint32_t selected(const Record& record, FeatureId id) {
    const features::FeatureDescriptor& descriptor = *features::feature(id).descriptor;
    const std::uint32_t index = record.raw(id);
    return index < descriptor.option_count() ? index : descriptor.default_index;
}

// Whether a selection stands on any option but its first (Off, False, None).
bool is_set(const Record& record, FeatureId id) { return selected(record, id) != 0; }

template <std::size_t N>
std::string_view word(const Record& record, FeatureId id, const Words<N>& words) {
    const std::uint32_t index = selected(record, id);
    return index < N ? words[index] : std::string_view{};
}

void set(std::string& out, std::string_view variable, std::string_view value) {
    append_pjl_set(out, variable, value, PjlQuoting::Automatic);
}

void set_quoted(std::string& out, std::string_view variable, std::string_view value) {
    append_pjl_set(out, variable, value, PjlQuoting::Always);
}

// A line whose word is empty (an option the controller has no word for) is left out.
void set_word(std::string& out, std::string_view variable, std::string_view value) {
    if (!value.empty()) set(out, variable, value);
}

// ---- Shared word sets of the colour bar and the stamps -----------------------------------------

// ColorPatch and JobInfo: Off, Left, Top, Right, Bottom, ControllerDefault. Off has no position of
// its own and takes the controller's.
constexpr Words<6> kBarPositions = {"DEFAULT", "LEFT", "TOP", "RIGHT", "BOTTOM", "DEFAULT"};
static_assert(kBarPositions.size() == option_count(FeatureId::ColorPatch));
static_assert(kBarPositions.size() == option_count(FeatureId::JobInfo));

// DatePosition, PageNumberingPosition, SetNumberingPosition: TopLeft ... BottomRight; the
// controller names the column first, then the row.
constexpr Words<9> kStampPositions = {"LEFTTOP",    "CENTERTOP",    "RIGHTTOP",
                                      "LEFTMIDDLE", "CENTERMIDDLE", "RIGHTMIDDLE",
                                      "LEFTBOTTOM", "CENTERBOTTOM", "RIGHTBOTTOM"};
static_assert(kStampPositions.size() == option_count(FeatureId::DatePosition));
static_assert(kStampPositions.size() == option_count(FeatureId::PageNumberingPosition));
static_assert(kStampPositions.size() == option_count(FeatureId::SetNumberingPosition));

// DateColor, PageNumberingColor, SetNumberingColor: Black, Red, Green, Blue, Cyan, Magenta, Yellow.
constexpr Words<7> kStampColours = {"BLACK", "RED", "GREEN", "BLUE", "CYAN", "MAGENTA", "YELLOW"};
static_assert(kStampColours.size() == option_count(FeatureId::DateColor));
static_assert(kStampColours.size() == option_count(FeatureId::PageNumberingColor));
static_assert(kStampColours.size() == option_count(FeatureId::SetNumberingColor));

// DateFont, PageNumberingFont: Gothic8, Gothic10, Gothic12, Gothic14, Ming8 ... Ming14. The
// typeface gives the character kind (Ming is the controller's MINCHO), the point size the
// character size; the controller's smallest size is 10, which the 8-point fonts take.
constexpr Words<8> kStampFontKinds = {"GOTHIC", "GOTHIC", "GOTHIC", "GOTHIC",
                                      "MINCHO", "MINCHO", "MINCHO", "MINCHO"};
constexpr Words<8> kStampFontSizes = {"10", "10", "12", "14", "10", "10", "12", "14"};
static_assert(kStampFontKinds.size() == option_count(FeatureId::DateFont));
static_assert(kStampFontKinds.size() == option_count(FeatureId::PageNumberingFont));

// The colour switches that read DEFAULT while the controller's default optional colour settings
// are in use.
bool colour_defaults(const Record& record) {
    return selected(record, FeatureId::UseColorDefaultOptionalSettings) == 1;
}

void colour_switch(const Record& record, std::string& out, std::string_view variable, FeatureId id) {
    set(out, variable, colour_defaults(record) ? std::string_view{"DEFAULT"} : option_value(record, id));
}

// A named colour table: ON with its name when a name is chosen, otherwise OFF alone.
void colour_table(const Record& record, std::string& out, std::string_view mode, std::string_view name,
                  FeatureId id) {
    const std::string_view table = record.text(id);
    set(out, mode, on_off(!table.empty()));
    if (!table.empty()) set_quoted(out, name, table);
}

}  // namespace

// ---- Two-colour mapping and colour bar ---------------------------------------------------------

// TWOCLRMAPPING is ON when any of the four process colours is mapped. Then per colour (cyan,
// magenta, yellow, black) its word, the mapping option's PJL value (OFF or the colour's name),
// and after the four words the four spot colour names.
void two_colour_mapping(const Record& record, std::string& out) {
    struct Colour {
        std::string_view word_variable, spot_variable;
        FeatureId mapping, spot;
    };
    static constexpr Colour kColours[] = {
        {"TWOCLRMAPPINGCOLOR1", "TWOCLRMAPPINGSPOT1", FeatureId::CyanMapping, FeatureId::CyanMappingColor},
        {"TWOCLRMAPPINGCOLOR2", "TWOCLRMAPPINGSPOT2", FeatureId::MagentaMapping,
         FeatureId::MagentaMappingColor},
        {"TWOCLRMAPPINGCOLOR3", "TWOCLRMAPPINGSPOT3", FeatureId::YellowMapping,
         FeatureId::YellowMappingColor},
        {"TWOCLRMAPPINGCOLOR4", "TWOCLRMAPPINGSPOT4", FeatureId::BlackMapping, FeatureId::BlackMappingColor},
    };
    bool any = false;
    for (const Colour& c : kColours) any = any || is_set(record, c.mapping);
    set(out, "TWOCLRMAPPING", on_off(any));
    for (const Colour& c : kColours) set(out, c.word_variable, option_value(record, c.mapping));
    for (const Colour& c : kColours) set_quoted(out, c.spot_variable, record.text(c.spot));
}

void colour_bar_patch(const Record& record, std::string& out) {
    set(out, "CBCOLORPATCHPRINT", on_off(is_set(record, FeatureId::ColorPatch)));
    set(out, "CBCOLORPATCHPOSITION", word(record, FeatureId::ColorPatch, kBarPositions));
}

// The items of the job information line: the printer name and the model name are one choice;
// the job comment is printed when there is one (PIComment non-empty).
void colour_bar_job_info(const Record& record, std::string& out) {
    static constexpr std::pair<std::string_view, FeatureId> kItems[] = {
        {"CBSWDISABLEBACKGROUND", FeatureId::BackgroundTransparency},
        {"CBSWRIPDATE", FeatureId::PIDateTime},
        {"CBSWJOBNAME", FeatureId::PIJobName},
        {"CBSWUSERNAME", FeatureId::PIUserName},
        {"CBSWPRINTERNAME", FeatureId::PIPrinterAndDeviceName},
        {"CBSWMODELNAME", FeatureId::PIPrinterAndDeviceName},
        {"CBSWROMVERSION", FeatureId::PIRomVersion},
        {"CBSWCALIBRATIONDATE", FeatureId::PILastCalDate},
        {"CBSWRGBCONVERSION", FeatureId::PIRGBProcess},
        {"CBSWCMYKCONVERSION", FeatureId::PICMYKProcess},
        {"CBSWTONECURVE", FeatureId::PIToneCurve},
        {"CBSWPUREBLACK", FeatureId::PIPureBlack},
        {"CBSWBLACKOVERPRINT", FeatureId::PIBlackOverprint},
        {"CBSWSPOTCOLOR", FeatureId::PISpotColor},
        {"CBSWALTERNATIVECOLOR", FeatureId::PIAltColor},
        {"CBSWSCREEN", FeatureId::PIScreen},
        {"CBSWDOCUMENTID", FeatureId::PIDocumentId},
        {"CBSWCREATIONDATE", FeatureId::PIPdfCreationDate},
    };
    set(out, "CBJOBINFOPRINT", on_off(is_set(record, FeatureId::JobInfo)));
    set(out, "CBJOBINFOPOSITION", word(record, FeatureId::JobInfo, kBarPositions));
    set(out, "CBJOBCHARSIZE", range_value(record, FeatureId::JobCharSize));
    set(out, "CBJOBINFOLINES", range_value(record, FeatureId::NumLines));
    for (const auto& [variable, id] : kItems) set(out, variable, on_off(is_set(record, id)));
    set(out, "CBSWJOBCOMMENT", on_off(!record.text(FeatureId::PIComment).empty()));
}

// ---- Colour management and profiles ------------------------------------------------------------

void colour_management(const Record& record, std::string& out) {
    set(out, "COLORMANAGEMENT", option_value(record, FeatureId::ColorManagement));
}

// Device link profiles numbered like the rendering intents: 1 text, 2 image, 3 graphics.
void rgb_profiles(const Record& record, std::string& out) {
    set_quoted(out, "RGBDLPROFILE1", record.text(FeatureId::RGBDeviceLinkProfileText));
    set_quoted(out, "RGBDLPROFILE2", record.text(FeatureId::RGBDeviceLinkProfileImage));
    set_quoted(out, "RGBDLPROFILE3", record.text(FeatureId::RGBDeviceLinkProfileGraphics));
    set_quoted(out, "USSRCPROFILE", record.text(FeatureId::RGBSourceProfile));
}

// Device links as for RGB. USSIMPROFILE only for a simulation profile the controller knows: one
// of the names of the CMYKSimulationProfile list or "None", compared exactly; any other name,
// and no name, leaves the line out.
void cmyk_profiles(const Record& record, std::string& out) {
    static constexpr std::string_view kNoProfile = "None";
    set_quoted(out, "CMYKDLPROFILE1", record.text(FeatureId::CMYKDeviceLinkProfileText));
    set_quoted(out, "CMYKDLPROFILE2", record.text(FeatureId::CMYKDeviceLinkProfileImage));
    set_quoted(out, "CMYKDLPROFILE3", record.text(FeatureId::CMYKDeviceLinkProfileGraphics));
    const std::string_view simulation = record.text(FeatureId::CMYKSimulationProfile);
    const bool known =
        simulation == kNoProfile ||
        features::feature(FeatureId::CMYKSimulationProfile).descriptor->index_of(simulation) >= 0;
    if (!simulation.empty() && known) set_quoted(out, "USSIMPROFILE", simulation);
}

// DSTPROFILEMODE is AUTO when DestinationProfile is empty or names its one option, Auto; any other
// name is MANUAL and follows as USDSTPROFILE.
void destination_profile(const Record& record, std::string& out) {
    const std::string_view name = record.text(FeatureId::DestinationProfile);
    const bool automatic =
        name.empty() || features::feature(FeatureId::DestinationProfile).descriptor->index_of(name) >= 0;
    set(out, "DSTPROFILEMODE", automatic ? "AUTO" : "MANUAL");
    if (!automatic) set_quoted(out, "USDSTPROFILE", name);
}

void tone_curves(const Record& record, std::string& out) {
    const bool defaults = colour_defaults(record);
    set_quoted(out, "TONECURVE1", defaults ? "_DEFAULT" : record.text(FeatureId::ToneCurveTextGraphics));
    set_quoted(out, "TONECURVE2", defaults ? "_DEFAULT" : record.text(FeatureId::ToneCurveImage));
}

// ---- Colour switches ---------------------------------------------------------------------------

void pure_black(const Record& record, std::string& out) {
    set(out, "PUREBLACKMODE", option_value(record, FeatureId::PureBlack));
}

void gray_rgb(const Record& record, std::string& out) {
    colour_switch(record, out, "NEUGRAYRGB", FeatureId::GrayReplacementRgb);
}

void gray_cmyk(const Record& record, std::string& out) {
    colour_switch(record, out, "NEUGRAYCMYK", FeatureId::GrayReplacementCmyk);
}

void black_overprint(const Record& record, std::string& out) {
    colour_switch(record, out, "BLACKOVERPRINTMODE", FeatureId::BlackOverprint);
}

void composite_overprint(const Record& record, std::string& out) {
    set(out, "COMPOSITEOVERPRINT", option_value(record, FeatureId::CompositeOverprint));
}

void spot_colour(const Record& record, std::string& out) {
    colour_switch(record, out, "SPOTCOLORMODE2", FeatureId::SpotColor);
}

// The priority spot colour table is the user's SpotColorTable.
void priority_spot_colour(const Record& record, std::string& out) {
    colour_table(record, out, "PRIORITYSPOTCOLORMODE", "PRIORITYSPOTCOLORTABLENAME",
                 FeatureId::SpotColorTable);
}

// The replace-colour table is the user's AlternativeColorTable.
void replace_colour(const Record& record, std::string& out) {
    colour_table(record, out, "REPLACECOLORMODE2", "REPLACECOLORTABLE", FeatureId::AlternativeColorTable);
}

void embedded_rgb(const Record& record, std::string& out) {
    colour_switch(record, out, "USERGBEMBEDDEDPROFILE", FeatureId::UseEmbeddedProfileRgb);
}

void embedded_cmyk(const Record& record, std::string& out) {
    colour_switch(record, out, "USECMYKEMBEDDEDPROFILE", FeatureId::UseEmbeddedProfileCmyk);
}

void rgb_simulation(const Record& record, std::string& out) {
    colour_switch(record, out, "RGBSIMULATION", FeatureId::RGBSimulation);
}

void pdfx_output_intent(const Record& record, std::string& out) {
    colour_switch(record, out, "USEPDFXOUTPUTINTENT", FeatureId::PdfxOutputIntent);
}

// The colour validation target is the user's TargetSettings: OFF when none is named, otherwise
// the name (automatic quoting).
void colour_validation(const Record& record, std::string& out) {
    const std::string_view target = record.text(FeatureId::TargetSettings);
    set(out, "COLORVALIDATION", target.empty() ? std::string_view{"OFF"} : target);
}

// ---- Screens -----------------------------------------------------------------------------------

// Custom screening hands both object kinds to the per-ink screen values (EXTERNAL); fixed
// screening writes the screen type's PJL value.
void screen_text_graphics(const Record& record, std::string& out) {
    const bool custom = is_set(record, FeatureId::ScreeningMode);
    set(out, "SCREEN1", custom ? "EXTERNAL" : option_value(record, FeatureId::ScreenTypeTextGraphics));
}

void screen_image(const Record& record, std::string& out) {
    const bool custom = is_set(record, FeatureId::ScreeningMode);
    set(out, "SCREEN2", custom ? "EXTERNAL" : option_value(record, FeatureId::ScreenTypeImage));
}

// ---- Trim box ----------------------------------------------------------------------------------

// TRIMBOXSIZE: PDFTRIMBOX when the document's own trim box is used (TrimUsePdfTrimBox), CUSTOM for
// the custom size, otherwise the paper's word (the PJL value of the PageSize option of the same
// keyword, e.g. A4, JISB4, LEDGER). TRIMBOXSIZEWIDTH, TRIMBOXSIZEHEIGHT: the custom size in mm;
// BLEEDBOXWIDTH: TrimLineMargin in mm (negative inside the trim box); PRINTTRIMBOX: ON unless
// TrimLine is Off; TRIMBOXLINETYPE: SOLID, DASH for BrokenLine; TRIMBOXLINEWIDTH: TrimLineWidth
// in mm. All automatic quoting.
void trim_box(const Record& record, std::string& out) {
    constexpr Words<3> kLineTypes = {"SOLID", "SOLID", "DASH"};  // Off, SolidLine, BrokenLine
    constexpr Words<4> kLineColours = {"CYAN", "MAGENTA", "YELLOW", "BLACK"};
    static_assert(kLineTypes.size() == option_count(FeatureId::TrimLine));
    static_assert(kLineColours.size() == option_count(FeatureId::TrimLineColor));

    std::string_view size = "CUSTOM";
    if (is_set(record, FeatureId::TrimUsePdfTrimBox)) {
        size = "PDFTRIMBOX";
    } else {
        const features::FeatureDescriptor& papers = *features::feature(FeatureId::PageSize).descriptor;
        const std::int64_t paper = papers.index_of(record.option(FeatureId::TrimLineSize).keyword);
        if (paper >= 0) size = papers.options[static_cast<std::size_t>(paper)].pjl_value;
    }
    set(out, "TRIMBOXSIZE", size);
    set(out, "TRIMBOXSIZEWIDTH", range_value(record, FeatureId::TrimLineCustomPageSizeWidth));
    set(out, "TRIMBOXSIZEHEIGHT", range_value(record, FeatureId::TrimLineCustomPageSizeHeight));
    set(out, "BLEEDBOXWIDTH", range_value(record, FeatureId::TrimLineMargin));
    set(out, "PRINTTRIMBOX", on_off(is_set(record, FeatureId::TrimLine)));
    set(out, "TRIMBOXLINETYPE", word(record, FeatureId::TrimLine, kLineTypes));
    set(out, "TRIMBOXLINECOLOR", word(record, FeatureId::TrimLineColor, kLineColours));
    set(out, "TRIMBOXLINEWIDTH", range_value(record, FeatureId::TrimLineWidth));
}

// ---- Stamps ------------------------------------------------------------------------------------

// DTSTPMODE ON unless DateStamp is Off; DTSTPPAGE FIRSTPAGE for FrontOnly, else ALLPAGES;
// DTSTPDATE DATE1..DATE5 for Style1..Style5 and DTSTPTIME TIME1 (12H) or TIME2 (24H), each left
// out for None; then position, character size, character kind, colour, DTSTPOUTSIDE.
void date_stamp(const Record& record, std::string& out) {
    constexpr Words<3> kPages = {"ALLPAGES", "FIRSTPAGE", "ALLPAGES"};  // Off, FrontOnly, All
    constexpr Words<6> kDates = {"DATE1", "DATE2", "DATE3", "DATE4", "DATE5", ""};
    constexpr Words<3> kTimes = {"", "TIME1", "TIME2"};  // None, 12H, 24H
    static_assert(kPages.size() == option_count(FeatureId::DateStamp));
    static_assert(kDates.size() == option_count(FeatureId::DateStyle));
    static_assert(kTimes.size() == option_count(FeatureId::TimeStyle));

    set(out, "DTSTPMODE", on_off(is_set(record, FeatureId::DateStamp)));
    set(out, "DTSTPPAGE", word(record, FeatureId::DateStamp, kPages));
    set_word(out, "DTSTPDATE", word(record, FeatureId::DateStyle, kDates));
    set_word(out, "DTSTPTIME", word(record, FeatureId::TimeStyle, kTimes));
    set(out, "DTSTPPOSITION", word(record, FeatureId::DatePosition, kStampPositions));
    set(out, "DTSTPCHARSIZE", word(record, FeatureId::DateFont, kStampFontSizes));
    set(out, "DTSTPCHARKIND", word(record, FeatureId::DateFont, kStampFontKinds));
    set(out, "DTSTPCOLOR", word(record, FeatureId::DateColor, kStampColours));
    set(out, "DTSTPOUTSIDE", on_off(is_set(record, FeatureId::DatePrintOnOutside)));
}

// PAGESTAMP: the page numbering mode's PJL value (NONE, ALLPAGES, NOTFRONTCOVER, NOTCOVER),
// quoted; PSTPTYPE TYPE1..TYPE4 for Style1..Style4; the other words as for the date stamp.
void page_stamp(const Record& record, std::string& out) {
    constexpr Words<4> kTypes = {"TYPE1", "TYPE2", "TYPE3", "TYPE4"};
    static_assert(kTypes.size() == option_count(FeatureId::PageNumberingStyle));

    set_quoted(out, "PAGESTAMP", option_value(record, FeatureId::PageNumberingMode));
    set(out, "PSTPPOSITION", word(record, FeatureId::PageNumberingPosition, kStampPositions));
    set(out, "PSTPCOLOR", word(record, FeatureId::PageNumberingColor, kStampColours));
    set(out, "PSTPTYPE", word(record, FeatureId::PageNumberingStyle, kTypes));
    set(out, "PSTPCHARKIND", word(record, FeatureId::PageNumberingFont, kStampFontKinds));
    set(out, "PSTPCHARSIZE", word(record, FeatureId::PageNumberingFont, kStampFontSizes));
    set(out, "PSTPOUTSIDE", on_off(is_set(record, FeatureId::PageNumberingPrintOnOutside)));
}

// NUMBERING: the colour word of the set numbers while SetNumberingMode is on, NONE (the Off
// option's PJL value) while it is off; NUMBERINGSTYLE NUMBERING1..4 for Style1..Style4;
// NUMBERINGCHARSIZE 10, 12, 14, 20, 36 for 10pt ... 36pt, 8pt taking 10.
void numbering(const Record& record, std::string& out) {
    constexpr Words<4> kStyles = {"NUMBERING1", "NUMBERING2", "NUMBERING3", "NUMBERING4"};
    constexpr Words<6> kSizes = {"10", "10", "12", "14", "20", "36"};  // 8pt ... 36pt
    static_assert(kStyles.size() == option_count(FeatureId::SetNumberingStyle));
    static_assert(kSizes.size() == option_count(FeatureId::SetNumberingFontSize));

    const bool on = is_set(record, FeatureId::SetNumberingMode);
    set(out, "NUMBERING",
        on ? word(record, FeatureId::SetNumberingColor, kStampColours)
           : option_value(record, FeatureId::SetNumberingMode));
    set(out, "NUMBERINGSTYLE", word(record, FeatureId::SetNumberingStyle, kStyles));
    set(out, "NUMBERINGPOSITION", word(record, FeatureId::SetNumberingPosition, kStampPositions));
    set(out, "NUMBERINGCHARSIZE", word(record, FeatureId::SetNumberingFontSize, kSizes));
    set(out, "NUMBERINGOUTSIDE", on_off(is_set(record, FeatureId::SetNumberingPrintOnOutside)));
}

// ---- Copy guard and mail notice ----------------------------------------------------------------

// The copy guard prints the fixed background pattern: with CopyProtection on, JIMONPATTERN is
// FIXED and JIMONPATTERNINDEX the PatternIndex option's PJL value (1..4); with it off both carry
// their empty item lists (a leading comma, then seven items). JIMONMODE, JIMONBACKPATTERN and
// JIMONLANGUAGE are their options' PJL values. All automatic quoting, which quotes the lists.
void copy_guard(const Record& record, std::string& out) {
    constexpr std::string_view kNoPatterns = ",OFF,OFF,OFF,OFF,OFF,OFF,OFF";
    constexpr std::string_view kNoPatternIndexes = ",0,0,0,0,0,0,0";
    const bool on = is_set(record, FeatureId::CopyProtection);
    set(out, "JIMONMODE", option_value(record, FeatureId::CopyProtection));
    set(out, "JIMONPATTERN", on ? std::string_view{"FIXED"} : kNoPatterns);
    set(out, "JIMONBACKPATTERN", option_value(record, FeatureId::BackPattern));
    set(out, "JIMONPATTERNINDEX", on ? option_value(record, FeatureId::PatternIndex) : kNoPatternIndexes);
    set(out, "JIMONLANGUAGE", option_value(record, FeatureId::CopyProtectLanguage));
}

// SENDEMAIL ON unless SendEMail is Off; only then SENDEMAILTIMING (ONERROR or ALWAYS) and the
// SendEMailAddress text (quoted).
void mail_notice(const Record& record, std::string& out) {
    constexpr Words<3> kTimings = {"", "ONERROR", "ALWAYS"};  // Off, OnError, Always
    static_assert(kTimings.size() == option_count(FeatureId::SendEMail));

    const bool on = is_set(record, FeatureId::SendEMail);
    set(out, "SENDEMAIL", on_off(on));
    if (!on) return;
    set(out, "SENDEMAILTIMING", word(record, FeatureId::SendEMail, kTimings));
    set_quoted(out, "SENDEMAILADDRESS", record.text(FeatureId::SendEMailAddress));
}

}  // namespace zenta::stream::pjl
