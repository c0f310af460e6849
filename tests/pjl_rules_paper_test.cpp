// The PJL header's order, and the rules of paper, imposition and finishing.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "features/feature_table.h"
#include "settings/defaults.h"
#include "settings/settings_text.h"
#include "stream/pjl_header.h"
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {
namespace {

Record with(std::initializer_list<std::pair<const char*, const char*>> settings) {
    Record record = settings::make_default_record({settings::kPaperA4, "Arial"});
    for (const auto& [key, value] : settings) {
        const auto error = settings::apply_assignment(record, std::string(key) + "=" + value);
        EXPECT_FALSE(error) << *error;
    }
    return record;
}

// The lines a rule writes, without "@PJL SET " and CR LF, joined by '|'.
std::string lines(Rule rule, std::initializer_list<std::pair<const char*, const char*>> settings) {
    std::string out;
    rule(with(settings), out);
    std::istringstream text(out);
    std::string line, joined;
    while (std::getline(text, line)) {
        EXPECT_EQ(line.rfind("@PJL SET ", 0), 0u) << line;
        EXPECT_EQ(line.back(), '\r') << line;
        if (!joined.empty()) joined += '|';
        joined += line.substr(9, line.size() - 10);
    }
    return joined;
}

TEST(PjlRulesPaper, EachRuleByTable) {
    struct Row {
        Rule rule;
        std::initializer_list<std::pair<const char*, const char*>> settings;
        const char* expected;
    };
    const Row rows[] = {
        {orientation, {{"Orientation", "Land"}}, "ORIENTATION=LANDSCAPE"},
        {paper_profile_id, {}, ""},
        {paper_profile_id, {{"MainPaperProfileIndex", "#7"}}, "PAPERPROFILEID=7"},
        {page_loop, {}, "PAGELOOP=OFF"},
        {page_loop, {{"DivideOutput", "True"}, {"DivideOutputPages", "12"}}, "PAGELOOP=12"},
        {page_loop,
         {{"DivideOutput", "True"}, {"BookletSplitting", "True"}, {"BookletSplittingPages", "8"}},
         "PAGELOOP=8"},
        {overlap, {}, ""},
        {overlap, {{"PosterPrint", "#1"}}, "OVERLAPWIDTH=\"10.0000\"|OVERLAPHEIGHT=\"10.0000\""},
        {output_paper, {{"TargetPaperSize", "B4"}}, "OUTPUTPAPER=JISB4"},
        {output_paper,
         {{"TargetPaperSize", "#28"},
          {"CustomTargetPaperSizeWidth", "2100005"},
          {"CustomTargetPaperSizeHeight", "1"}},
         "OUTPUTPAPER=CUSTOM|OUTPUTPAPERSIZEWIDTH=\"210.0005\"|OUTPUTPAPERSIZEHEIGHT=\"0.0001\""},
        {output_paper,
         {{"TargetPaperSize", "PaperProfile"},
          {"MainPaperProfileIndex", "#2"},
          {"MainPaperProfileSize", "#19"}},
         "OUTPUTPAPER=LETTER"},
        {fit_and_scale, {{"ScaleToFit", "True"}, {"Zoom", "5000"}}, "FITTOPAPER=ON|SCALE=1000"},
        {full_bleed, {{"FullBleed", "True"}}, "FULLBLEED=ON"},
        {trimming_profiles,
         {{"TrimUnitProfileIdMode", "SquareCut"}, {"TrimUnitProfileId", "#4"}},
         "TRIMMINGPROFILEID=4|COVERTRIMMINGPROFILEID=OFF"},
        {finishing, {}, "FINISH=NONE"},
        {finishing, {{"Staple", "1Staple"}}, "FINISH=LEFT1POINT"},
        {finishing, {{"Staple", "1Staple"}, {"Binding", "Right"}}, "FINISH=RIGHT1POINT"},
        {finishing, {{"Staple", "2StaplesWide"}}, "FINISH=ANY2POINT|STAPLEPITCH=LEVEL3"},
        {finishing, {{"Staple", "2StaplesNarrow"}}, "FINISH=ANY2POINT|STAPLEPITCH=LEVEL1"},
        {finishing, {{"Stitch", "2Positions"}}, "FINISH=CENTER|STITCH=SADDLE|STITCHNUM=2"},
        {finishing,
         {{"Staple", "2StaplesNormal"}, {"Stitch", "4Positions"}},
         "FINISH=CENTER4POINT|STAPLEPITCH=LEVEL2|STITCH=SADDLE|STITCHNUM=4"},
        {punch, {}, "PUNCH=OFF"},
        {punch, {{"Punch", "3Holes"}}, "PUNCH=ON|PUNCHNUM=3"},
        {punch, {{"Punch", "GBCDoubleStreampunch"}}, "PUNCH=ON|PUNCHNUM=11"},
        {copies, {{"NumCopies", "12"}}, "QTY=12"},
        {copies, {{"NumCopies", "12"}, {"Collate", "Group"}}, "COPIES=12"},
        {offset_stacking, {}, "JOBOFFSET=OFF"},
        {offset_stacking,
         {{"OffsetCopies", "True"}, {"OffsetCopiesCount", "3"}},
         "COPIESOFFSET=3|JOBOFFSET=ON"},
        {offset_stacking,
         {{"OffsetPages", "True"}, {"OffsetPagesCount", "5"}},
         "COPIESOFFSET=1|SHEETSOFFSET=5|JOBOFFSET=ON"},
        {folding, {}, "FOLDING=OFF"},
        {folding, {{"Fold", "ZFold"}}, "FOLDING=IN"},
        {folding, {{"Fold", "ZFold"}, {"FoldDirection", "Outside"}}, "FOLDING=OUT"},
        {slitter,
         {{"Slit", "FirstOnly"}, {"SlitMargin", "-5000"}},
         "SLIT=COVERONLY|SLITPOSITION1=\"0.0000\"|SLITPOSITION2=\"0.0000\"|BODYSLITPOSITIONOFFSET=\"-0."
         "5000\""},
        {creaser, {}, "CREASE=OFF"},
        {creaser,
         {{"Crease", "2Pieces"},
          {"CreaseSide", "Back"},
          {"CreasePosition1Value", "1000000"},
          {"CreasePosition2Value", "2000000"}},
         "CREASE=ON|CREASELINE=2|CREASEPOSITION=\"BACK,100.0000,200.0000\""},
        {media, {{"MediaTypeAuto", "Fine"}}, "MEDIATYPE=BOND|MEDIAWEIGHT=NOSET|MEDIACOLOR=NOSET"},
        {media,
         {{"MediaTypeAuto", "Fine"}, {"MainPaperProfileIndex", "#1"}, {"MainPaperProfileMediaType", "#6"}},
         "MEDIATYPE=COATEDGLOSSY|MEDIAWEIGHT=NOSET|MEDIACOLOR=NOSET"},
        {media_color_name, {{"CustomMediaColorNameAuto", "Sky"}}, ""},
        {media_color_name,
         {{"MediaColorAuto", "Custom"}, {"CustomMediaColorNameAuto", "Sky Blue"}},
         "MEDIACOLORNAME=\"Sky Blue\""},
        {media_prepunched, {{"MediaPrepunchedAuto", "True"}}, "MEDIAPREPUNCHED=ON|MEDIAWEIGHTUNIT=GM2"},
        {banner_page, {}, "HEADERPAGE=OFF"},
        {banner_page, {{"HeaderPage", "MBT"}}, "HEADERPAGE=ON|HEADERPAGETRAY=MANUALFEED"},
        {perfect_bind_tray, {}, "PERFECTBINDTRAY=\"SUBTRAY\""},
        {perfect_bind_tray, {{"PerfectBindTray", "MBT"}}, "PERFECTBINDTRAY=\"MANUALFEED\""},
        {perfect_bind_paper, {}, "PERFECTBINDPAPERSIZE=\"M,210.0000,297.0000\""},
        {chapters,
         {{"ChapterMode", "True"}, {"ChapterPages", "00010005010C0000000A"}},
         "CHAPTERMODE=ON|CHAPTER=\"1,5,268\""},
        {page_repeat,
         {{"PageSpecificRepeatMode", "On"}, {"PageSpecificRepeatToPage", "40"}},
         "PERPAGESETPAGEREPEAT=40"},
        {tab_image_shift, {{"TabImageShift", "True"}}, "TABIMAGESHIFT=ON|TABIMAGESHIFTINFO=\"12.7000\""},
        {image_shift, {}, "IMAGESHIFT=OFF"},
        {image_shift,
         {{"ImageShiftType", "AllEqual"}, {"HorizontalShift", "-25000"}, {"VerticalShift", "14999"}},
         "IMAGESHIFT=CONTROLLER|IMAGESHIFTINFO=\"-3,1,-3,1\"|HIGHPRECISIONIMAGESHIFTINFO=\"-2.5000,1.4999,-2."
         "5000,"
         "1.4999\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(lines(row.rule, row.settings), row.expected);
    }
}

TEST(PjlRulesPaper, TrayWords) {
    const char* words[] = {"AUTO",  "SUBTRAY", "TRAY1", "TRAY2",      "TRAY3",   "TRAY4",   "TRAY5",  "TRAY6",
                           "TRAY7", "TRAY8",   "TRAY9", "MANUALFEED", "PITRAY1", "PITRAY2", "PBTRAY", "AUTO"};
    for (std::uint32_t i = 0; i < std::size(words); ++i) EXPECT_EQ(tray_word(i), words[i]) << i;
    EXPECT_EQ(tray_word(0xFFFFFFFF), "AUTO");
}

// The plain list of the header's variables, in header order, as the controller documents it
// (groups by their first variable).
const std::vector<std::string_view>& plain_list() {
    static constexpr std::string_view kText =
        "DRIVERJOBID STRINGCODESET QVCOETYPE USERNAME JOBNAME ORIENTATION MEDIASOURCE PAPERPROFILEID "
        "PAPERPROFILETYPE FAVORITESPECIALID LAYOUT DUPLEX BINDING COMPOSITIONTYPE IMAGESHIFTINSIDEMODE "
        "PAGELOOP MIXEDORIGINALMODE INFONIN1 LARGESIZEOUTPUTMODE LARGESIZEOUTPUTORDER OVERLAPWIDTH "
        "OVERLAPHEIGHT OUTPUTPAPER OUTPUTPAPERSIZEWIDTH OUTPUTPAPERSIZEHEIGHT FITTOPAPER SCALE FULLBLEED "
        "POSTCARDFULLBLEED ROTATE180 BOOKLETBLANKPAGEINSERTION TRIMMINGPROFILEID COVERTRIMMINGPROFILEID "
        "INSERTIONPAPERTRAY INSERTIONPOSITION OUTBIN FINISH STAPLEPITCH STITCH STITCHNUM PUNCH PUNCHNUM "
        "FEEDDIRECTION OUTPUTMODE NTO1 COPIES QTY COPIESOFFSET SHEETSOFFSET JOBOFFSET PILEMODE "
        "EXTFINISHERMODE EXTFINISHERMIDDLEMODE FOLDING TRIM SQUAREFOLD SQUAREFOLDSTRENGTH SLIT "
        "SLITPOSITION1 SLITPOSITION2 BODYSLITPOSITIONOFFSET CREASE CREASELINE CREASEPOSITION MEDIATYPE "
        "MEDIAWEIGHT MEDIACOLOR MEDIACOLORNAME MEDIAPREPUNCHED MEDIAWEIGHTUNIT HEADERPAGE HEADERPAGETRAY "
        "PERPAGESET PERFECTBINDMODE PERFECTBINDTRIM PERFECTBINDSPINE PERFECTBINDDUPLEX PERFECTBINDTRAY "
        "PERFECTBINDMEDIACOLORNAME PERFECTBINDCREASE PERFECTBINDPAPERSIZE PERFECTBINDPAPERPROFILEID "
        "CHAPTERMODE CHAPTER PERPAGESETPAGEREPEAT QVINDEXINFO1 QVINDEXINFO2 TABIMAGESHIFT "
        "TABIMAGESHIFTINFO TABPAPEROUT QVCOLORSELECT TWOCLRMAPPING CMYKSEPARATION CBCOLORPATCHPRINT "
        "CBCOLORPATCHPOSITION CBJOBINFOPRINT COLORMANAGEMENT RGBCONVERSION RGBDLPROFILE1 COLORMATCHING1 "
        "COLORMATCHING2 COLORMATCHING3 CMYKCONVERSION CMYKDLPROFILE1 USRENDERINTSIM DSTPROFILEMODE "
        "TONECURVE1 PUREBLACKMODE NEUGRAYRGB NEUGRAYCMYK BLACKOVERPRINTMODE COMPOSITEOVERPRINT "
        "SPOTCOLORMODE2 PRIORITYSPOTCOLORMODE REPLACECOLORMODE2 USERGBEMBEDDEDPROFILE "
        "USECMYKEMBEDDEDPROFILE RGBSIMULATION USEPDFXOUTPUTINTENT COLORVALIDATION ICCUREALTIMEADJ "
        "ICCUCOLORPATCHPOSITION RESOLUTION SCREEN1 SCREEN2 QVCUSTOMSCREENSHAPEC QVCUSTOMSCREENSHAPEM "
        "QVCUSTOMSCREENSHAPEY QVCUSTOMSCREENSHAPEK QVCUSTOMSCREENLPIC QVCUSTOMSCREENLPIM "
        "QVCUSTOMSCREENLPIY QVCUSTOMSCREENLPIK QVCUSTOMSCREENDEGREEC QVCUSTOMSCREENDEGREEM "
        "QVCUSTOMSCREENDEGREEY QVCUSTOMSCREENDEGREEK OUTLINEPROCESSINGAREA THINNING SMOOTHING "
        "OUTLINEENHANCE AUTOTRAPPING PREVENTINGBLUR SLIMLINEEMPHASIS USECIECOLOR USEAPPE ZENTAOVERLAYALL "
        "IMAGESHIFT PRINTPOSITION TOMBOPOSITION TOMBOMODE TOMBODUPLEX TOMBOTYPE TOMBOSIZE "
        "TOMBOHORIZSHIFT TOMBOVERTSHIFT TRIMBOXSIZE DTSTPMODE PAGESTAMP NUMBERING JIMONMODE SENDEMAIL "
        "AUTODUPLEXALIGN QVSECTIONNAME QVJOBID EXTFILESEARCH EXTFILESEARCHDIR PDFPASSWDRQ PDFPASSWD "
        "QVADDSHOWPAGE JOBCOMMENT QVUSERNAME";
    static const std::vector<std::string_view> list = [] {
        std::vector<std::string_view> names;
        for (std::size_t at = 0; at < kText.size();) {
            const std::size_t end = std::min(kText.find(' ', at), kText.size());
            names.push_back(kText.substr(at, end - at));
            at = end + 1;
        }
        return names;
    }();
    return list;
}

TEST(PjlHeaderOrder, TheStepsFollowThePlainList) {
    const auto& list = plain_list();
    ASSERT_EQ(list.size(), 172u);
    std::size_t at = 0;
    for (std::string_view variable : stream::header_order()) {
        const auto found = std::find(list.begin() + at, list.end(), variable);
        if (found == list.end()) {
            // Only a selection of the plain walk that the list does not name may stand here.
            EXPECT_EQ(std::find(list.begin(), list.end(), variable), list.end())
                << variable << " out of order";
            continue;
        }
        at = static_cast<std::size_t>(found - list.begin());
    }
    EXPECT_GT(at, 150u);
}

TEST(PjlHeaderOrder, EveryFeatureAwayFromItsDefault) {
    // Every selection one option past its default, every range at its maximum.
    Record record = with({});
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const features::Feature& f = features::kFeatures[i];
        const auto id = static_cast<features::FeatureId>(i);
        if (f.kind == features::Kind::S && f.descriptor && f.descriptor->option_count() > 1)
            record.set_raw(id, (f.descriptor->default_index + 1) % f.descriptor->option_count());
        if (f.kind == features::Kind::R) record.set_raw(id, static_cast<std::uint32_t>(f.range->maximum));
    }
    const std::string header = stream::pjl_job_header(record, {"t", "u", "i"});
    std::istringstream text(header);
    std::string line;
    std::size_t last = 0, listed = 0;
    while (std::getline(text, line)) {
        const std::string variable = line.substr(9, line.find('=') - 9);
        const auto& list = plain_list();
        const auto found = std::find(list.begin(), list.end(), variable);
        if (found == list.end()) continue;  // a later line of a group, or a numbered set
        const auto index = static_cast<std::size_t>(found - list.begin());
        EXPECT_GE(index, last) << variable << " stands too late";
        last = index;
        ++listed;
    }
    EXPECT_GT(listed, 100u) << header;
}

}  // namespace
}  // namespace zenta::stream::pjl
