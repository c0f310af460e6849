// The PJL rules of the colour settings, colour bar, screens, trim box, stamps, copy guard and mail
// notice: each row sets a few fields of a default record and compares the rule's whole output.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "settings/defaults.h"
#include "settings/settings_text.h"
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {
namespace {

struct Row {
    Rule rule;
    std::vector<std::string_view> settings;  // "Key=Value" as the settings text takes it
    std::string_view lines;                  // "VAR=value" lines, '|' between them, ' for "
};

// Colour rows turn the controller's default optional colour settings off unless they test them.
constexpr std::string_view kOwn = "UseColorDefaultOptionalSettings=False";

std::string expand(std::string_view lines) {
    std::string out;
    while (!lines.empty()) {
        const std::size_t bar = lines.find('|');
        std::string line(lines.substr(0, bar));
        std::replace(line.begin(), line.end(), '\'', '"');
        out += "@PJL SET " + line + "\r\n";
        lines = bar == std::string_view::npos ? std::string_view() : lines.substr(bar + 1);
    }
    return out;
}

const Row kRows[] = {
    {two_colour_mapping,
     {},
     "TWOCLRMAPPING=OFF|TWOCLRMAPPINGCOLOR1=OFF|TWOCLRMAPPINGCOLOR2=OFF|TWOCLRMAPPINGCOLOR3=OFF|"
     "TWOCLRMAPPINGCOLOR4=OFF|TWOCLRMAPPINGSPOT1=''|TWOCLRMAPPINGSPOT2=''|TWOCLRMAPPINGSPOT3=''|"
     "TWOCLRMAPPINGSPOT4=''"},
    {two_colour_mapping,
     {"MagentaMapping=True", "MagentaMappingColor=PANTONE 185 C", "BlackMappingColor=Gold"},
     "TWOCLRMAPPING=ON|TWOCLRMAPPINGCOLOR1=OFF|TWOCLRMAPPINGCOLOR2=MAGENTA|TWOCLRMAPPINGCOLOR3=OFF|"
     "TWOCLRMAPPINGCOLOR4=OFF|TWOCLRMAPPINGSPOT1=''|TWOCLRMAPPINGSPOT2='PANTONE 185 "
     "C'|TWOCLRMAPPINGSPOT3=''|TWOCLRMAPPINGSPOT4='Gold'"},
    {colour_bar_patch, {"ColorPatch=Right"}, "CBCOLORPATCHPRINT=ON|CBCOLORPATCHPOSITION=RIGHT"},
    {colour_bar_patch, {"ColorPatch=#9"}, "CBCOLORPATCHPRINT=OFF|CBCOLORPATCHPOSITION=DEFAULT"},
    {colour_bar_job_info,
     {"JobInfo=Top", "JobCharSize=12", "NumLines=3", "BackgroundTransparency=True", "PIJobName=True",
      "PIPrinterAndDeviceName=True", "PILastCalDate=True", "PICMYKProcess=True", "PIPureBlack=True",
      "PIAltColor=True", "PIDocumentId=True", "PIComment=Proof 2"},
     "CBJOBINFOPRINT=ON|CBJOBINFOPOSITION=TOP|CBJOBCHARSIZE=12|CBJOBINFOLINES=3|CBSWDISABLEBACKGROUND=ON|"
     "CBSWRIPDATE=OFF|CBSWJOBNAME=ON|CBSWUSERNAME=OFF|CBSWPRINTERNAME=ON|CBSWMODELNAME=ON|CBSWROMVERSION=OFF|"
     "CBSWCALIBRATIONDATE=ON|CBSWRGBCONVERSION=OFF|CBSWCMYKCONVERSION=ON|CBSWTONECURVE=OFF|CBSWPUREBLACK=ON|"
     "CBSWBLACKOVERPRINT=OFF|CBSWSPOTCOLOR=OFF|CBSWALTERNATIVECOLOR=ON|CBSWSCREEN=OFF|CBSWDOCUMENTID=ON|"
     "CBSWCREATIONDATE=OFF|CBSWJOBCOMMENT=ON"},
    {colour_bar_job_info,
     {"JobInfo=Left", "JobCharSize=99", "PIDateTime=True", "PIUserName=True", "PIRomVersion=True",
      "PIRGBProcess=True", "PIToneCurve=True", "PIBlackOverprint=True", "PISpotColor=True", "PIScreen=True",
      "PIPdfCreationDate=True"},
     "CBJOBINFOPRINT=ON|CBJOBINFOPOSITION=LEFT|CBJOBCHARSIZE=36|CBJOBINFOLINES=1|CBSWDISABLEBACKGROUND=OFF|"
     "CBSWRIPDATE=ON|CBSWJOBNAME=OFF|CBSWUSERNAME=ON|CBSWPRINTERNAME=OFF|CBSWMODELNAME=OFF|CBSWROMVERSION=ON|"
     "CBSWCALIBRATIONDATE=OFF|CBSWRGBCONVERSION=ON|CBSWCMYKCONVERSION=OFF|CBSWTONECURVE=ON|CBSWPUREBLACK=OFF|"
     "CBSWBLACKOVERPRINT=ON|CBSWSPOTCOLOR=ON|CBSWALTERNATIVECOLOR=OFF|CBSWSCREEN=ON|CBSWDOCUMENTID=OFF|"
     "CBSWCREATIONDATE=ON|CBSWJOBCOMMENT=OFF"},
    {colour_management, {"ColorManagement=Manual"}, "COLORMANAGEMENT=MANUAL"},
    {rgb_profiles,
     {"RGBDeviceLinkProfileText=T 1", "RGBDeviceLinkProfileImage=Img", "RGBDeviceLinkProfileGraphics=Gfx",
      "RGBSourceProfile=sRGB"},
     "RGBDLPROFILE1='T 1'|RGBDLPROFILE2='Img'|RGBDLPROFILE3='Gfx'|USSRCPROFILE='sRGB'"},
    {cmyk_profiles, {}, "CMYKDLPROFILE1=''|CMYKDLPROFILE2=''|CMYKDLPROFILE3=''"},
    {cmyk_profiles,
     {"CMYKDeviceLinkProfileText=T", "CMYKDeviceLinkProfileImage=I", "CMYKDeviceLinkProfileGraphics=G",
      "CMYKSimulationProfile=CoatedFOGRA39"},
     "CMYKDLPROFILE1='T'|CMYKDLPROFILE2='I'|CMYKDLPROFILE3='G'|USSIMPROFILE='CoatedFOGRA39'"},
    {cmyk_profiles,
     {"CMYKSimulationProfile=None"},
     "CMYKDLPROFILE1=''|CMYKDLPROFILE2=''|CMYKDLPROFILE3=''|USSIMPROFILE='None'"},
    {cmyk_profiles,
     {"CMYKSimulationProfile=coatedFOGRA39"},
     "CMYKDLPROFILE1=''|CMYKDLPROFILE2=''|CMYKDLPROFILE3=''"},
    {destination_profile, {}, "DSTPROFILEMODE=AUTO"},
    {destination_profile, {"DestinationProfile=Auto"}, "DSTPROFILEMODE=AUTO"},
    {destination_profile, {"DestinationProfile=Press1"}, "DSTPROFILEMODE=MANUAL|USDSTPROFILE='Press1'"},
    {tone_curves,
     {"UseColorDefaultOptionalSettings=#7", "ToneCurveTextGraphics=TG", "ToneCurveImage=IM"},
     "TONECURVE1='_DEFAULT'|TONECURVE2='_DEFAULT'"},
    {tone_curves, {kOwn, "ToneCurveTextGraphics=TG"}, "TONECURVE1='TG'|TONECURVE2=''"},
    {pure_black, {"PureBlack=Text"}, "PUREBLACKMODE=1"},
    {composite_overprint, {"CompositeOverprint=Quality"}, "COMPOSITEOVERPRINT=2"},
    {gray_rgb, {}, "NEUGRAYRGB=DEFAULT"},
    {gray_rgb, {kOwn, "GrayReplacementRgb=All"}, "NEUGRAYRGB=ALL"},
    {gray_cmyk, {}, "NEUGRAYCMYK=DEFAULT"},
    {gray_cmyk, {kOwn, "GrayReplacementCmyk=Off"}, "NEUGRAYCMYK=OFF"},
    {black_overprint, {"BlackOverprint=True"}, "BLACKOVERPRINTMODE=DEFAULT"},
    {black_overprint, {kOwn, "BlackOverprint=True"}, "BLACKOVERPRINTMODE=TYPE1"},
    {spot_colour, {}, "SPOTCOLORMODE2=DEFAULT"},
    {spot_colour, {kOwn, "SpotColor=False"}, "SPOTCOLORMODE2=OFF"},
    {embedded_rgb, {}, "USERGBEMBEDDEDPROFILE=DEFAULT"},
    {embedded_rgb, {kOwn}, "USERGBEMBEDDEDPROFILE=ON"},
    {embedded_cmyk, {}, "USECMYKEMBEDDEDPROFILE=DEFAULT"},
    {embedded_cmyk, {kOwn, "UseEmbeddedProfileCmyk=True"}, "USECMYKEMBEDDEDPROFILE=ON"},
    {rgb_simulation, {}, "RGBSIMULATION=DEFAULT"},
    {rgb_simulation, {kOwn, "RGBSimulation=True"}, "RGBSIMULATION=ON"},
    {pdfx_output_intent, {}, "USEPDFXOUTPUTINTENT=DEFAULT"},
    {pdfx_output_intent, {kOwn, "PdfxOutputIntent=True"}, "USEPDFXOUTPUTINTENT=ON"},
    {priority_spot_colour, {}, "PRIORITYSPOTCOLORMODE=OFF"},
    {priority_spot_colour,
     {"SpotColorTable=Brand"},
     "PRIORITYSPOTCOLORMODE=ON|PRIORITYSPOTCOLORTABLENAME='Brand'"},
    {replace_colour, {}, "REPLACECOLORMODE2=OFF"},
    {replace_colour, {"AlternativeColorTable=Alt"}, "REPLACECOLORMODE2=ON|REPLACECOLORTABLE='Alt'"},
    {colour_validation, {}, "COLORVALIDATION=OFF"},
    {colour_validation, {"TargetSettings=G7"}, "COLORVALIDATION=G7"},
    {colour_validation, {"TargetSettings=ISO 12647"}, "COLORVALIDATION='ISO 12647'"},
    {screen_text_graphics, {"ScreenTypeImage=Error"}, "SCREEN1=SAMEASIMAGE"},
    {screen_text_graphics, {"ScreeningMode=Custom"}, "SCREEN1=EXTERNAL"},
    {screen_image, {"ScreenTypeImage=Error"}, "SCREEN2=STOCHASTIC"},
    {screen_image, {"ScreeningMode=Custom"}, "SCREEN2=EXTERNAL"},
    {trim_box,
     {"TrimLine=BrokenLine", "TrimLineSize=B4", "TrimLineMargin=-25000", "TrimLineColor=Magenta",
      "TrimLineWidth=9"},
     "TRIMBOXSIZE=JISB4|TRIMBOXSIZEWIDTH='210.0000'|TRIMBOXSIZEHEIGHT='297.0000'|BLEEDBOXWIDTH='-2.5000'|"
     "PRINTTRIMBOX=ON|TRIMBOXLINETYPE=DASH|TRIMBOXLINECOLOR=MAGENTA|TRIMBOXLINEWIDTH='0.5'"},
    {trim_box,
     {"TrimLine=SolidLine", "TrimLineSize=Custom", "TrimLineCustomPageSizeWidth=1000000",
      "TrimLineColor=Cyan"},
     "TRIMBOXSIZE=CUSTOM|TRIMBOXSIZEWIDTH='100.0000'|TRIMBOXSIZEHEIGHT='297.0000'|BLEEDBOXWIDTH='0.0000'|"
     "PRINTTRIMBOX=ON|TRIMBOXLINETYPE=SOLID|TRIMBOXLINECOLOR=CYAN|TRIMBOXLINEWIDTH='0.1'"},
    {trim_box,
     {"TrimUsePdfTrimBox=True", "TrimLineSize=Tabloid"},
     "TRIMBOXSIZE=PDFTRIMBOX|TRIMBOXSIZEWIDTH='210.0000'|TRIMBOXSIZEHEIGHT='297.0000'|BLEEDBOXWIDTH='0.0000'|"
     "PRINTTRIMBOX=OFF|TRIMBOXLINETYPE=SOLID|TRIMBOXLINECOLOR=BLACK|TRIMBOXLINEWIDTH='0.1'"},
    {date_stamp,
     {},
     "DTSTPMODE=OFF|DTSTPPAGE=ALLPAGES|DTSTPDATE=DATE1|DTSTPPOSITION=LEFTTOP|DTSTPCHARSIZE=10|DTSTPCHARKIND="
     "GOTHIC|DTSTPCOLOR=BLACK|DTSTPOUTSIDE=OFF"},
    {date_stamp,
     {"DateStamp=FrontOnly", "DateStyle=Style5", "TimeStyle=24H", "DatePosition=MiddleCenter",
      "DateFont=Ming12", "DatePrintOnOutside=True", "DateColor=Magenta"},
     "DTSTPMODE=ON|DTSTPPAGE=FIRSTPAGE|DTSTPDATE=DATE5|DTSTPTIME=TIME2|DTSTPPOSITION=CENTERMIDDLE|"
     "DTSTPCHARSIZE=12|DTSTPCHARKIND=MINCHO|DTSTPCOLOR=MAGENTA|DTSTPOUTSIDE=ON"},
    {date_stamp,
     {"DateStamp=All", "DateStyle=None", "TimeStyle=12H", "DatePosition=BottomRight", "DateFont=Gothic14",
      "DateColor=Green"},
     "DTSTPMODE=ON|DTSTPPAGE=ALLPAGES|DTSTPTIME=TIME1|DTSTPPOSITION=RIGHTBOTTOM|DTSTPCHARSIZE=14|"
     "DTSTPCHARKIND=GOTHIC|DTSTPCOLOR=GREEN|DTSTPOUTSIDE=OFF"},
    {page_stamp,
     {},
     "PAGESTAMP='NONE'|PSTPPOSITION=LEFTTOP|PSTPCOLOR=BLACK|PSTPTYPE=TYPE1|PSTPCHARKIND=GOTHIC|PSTPCHARSIZE="
     "10|PSTPOUTSIDE=OFF"},
    {page_stamp,
     {"PageNumberingMode=NotFrontBackCover", "PageNumberingPosition=TopRight", "PageNumberingColor=Blue",
      "PageNumberingStyle=Style3", "PageNumberingFont=Ming10", "PageNumberingPrintOnOutside=True"},
     "PAGESTAMP='NOTCOVER'|PSTPPOSITION=RIGHTTOP|PSTPCOLOR=BLUE|PSTPTYPE=TYPE3|PSTPCHARKIND=MINCHO|"
     "PSTPCHARSIZE=10|PSTPOUTSIDE=ON"},
    {numbering,
     {"SetNumberingColor=Red"},
     "NUMBERING=NONE|NUMBERINGSTYLE=NUMBERING1|NUMBERINGPOSITION=LEFTTOP|NUMBERINGCHARSIZE=20|"
     "NUMBERINGOUTSIDE=OFF"},
    {numbering,
     {"SetNumberingMode=StampForAllPages", "SetNumberingColor=Cyan", "SetNumberingStyle=Style4",
      "SetNumberingPosition=MiddleLeft", "SetNumberingFontSize=36pt", "SetNumberingPrintOnOutside=True"},
     "NUMBERING=CYAN|NUMBERINGSTYLE=NUMBERING4|NUMBERINGPOSITION=LEFTMIDDLE|NUMBERINGCHARSIZE=36|"
     "NUMBERINGOUTSIDE=ON"},
    {numbering,
     {"SetNumberingMode=StampFor1stPage", "SetNumberingFontSize=8pt", "SetNumberingPosition=#200"},
     "NUMBERING=BLACK|NUMBERINGSTYLE=NUMBERING1|NUMBERINGPOSITION=LEFTTOP|NUMBERINGCHARSIZE=10|"
     "NUMBERINGOUTSIDE=OFF"},
    {copy_guard,
     {"BackPattern=Pattern2"},
     "JIMONMODE=OFF|JIMONPATTERN=',OFF,OFF,OFF,OFF,OFF,OFF,OFF'|JIMONBACKPATTERN=TYPE2|JIMONPATTERNINDEX=',0,"
     "0,0,0,0,0,0'|JIMONLANGUAGE=ENGLISH"},
    {copy_guard,
     {"CopyProtection=True", "BackPattern=Pattern8", "PatternIndex=Pattern3", "CopyProtectLanguage=Japanese"},
     "JIMONMODE=ON|JIMONPATTERN=FIXED|JIMONBACKPATTERN=TYPE8|JIMONPATTERNINDEX=3|JIMONLANGUAGE=JAPANESE"},
    {mail_notice, {"SendEMailAddress=ops@print.example"}, "SENDEMAIL=OFF"},
    {mail_notice,
     {"SendEMail=OnError", "SendEMailAddress=ops@print.example"},
     "SENDEMAIL=ON|SENDEMAILTIMING=ONERROR|SENDEMAILADDRESS='ops@print.example'"},
    {mail_notice, {"SendEMail=Always"}, "SENDEMAIL=ON|SENDEMAILTIMING=ALWAYS|SENDEMAILADDRESS=''"},
};

class ColourRules : public ::testing::TestWithParam<Row> {};

TEST_P(ColourRules, WritesItsLines) {
    const Row& row = GetParam();
    settings::Record record = settings::make_default_record({settings::kPaperA4, "Arial"});
    for (std::string_view assignment : row.settings)
        ASSERT_EQ(settings::apply_assignment(record, assignment), std::nullopt) << assignment;
    std::string out = "kept|";  // a rule appends and leaves what is there
    row.rule(record, out);
    EXPECT_EQ(out, "kept|" + expand(row.lines));
}

INSTANTIATE_TEST_SUITE_P(Table, ColourRules, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace zenta::stream::pjl
