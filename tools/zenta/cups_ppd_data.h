#pragma once
// What the CUPS PPD is made of besides the feature model: the languages it carries, the groups
// of its dialog, the features it leaves out and why, and the bytes of the installable options
// block it offers. Everything here is data; cups_ppd.cpp selects, orders and writes it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "constraints/rule_model.h"
#include "environment/languages.h"
#include "environment/printer_data.h"

namespace zenta::tool::cups {

// PPD keywords (main and option) are at most 40 characters.
inline constexpr std::size_t kMaxKeywordLength = 40;

// The unprintable edge of every page, in points, as the driver-side PPD declares it (*HWMargins).
inline constexpr int kPageMarginPt = 12;

// The locales of the translations (CUPS locale names; "zh_CN" Simplified, "zh_TW" Traditional
// Chinese) and the built-in language whose texts they carry, in the order written.
struct PpdLocale {
    std::string_view locale;
    int language;
};
inline constexpr PpdLocale kLocales[] = {
    {"de", environment::language::kGerman},
    {"es", environment::language::kSpanish},
    {"fr", environment::language::kFrench},
    {"it", environment::language::kItalian},
    {"ja", environment::language::kJapanese},
    {"ko", environment::language::kKorean},
    {"zh_CN", environment::language::kChineseSimplified},
    {"zh_TW", environment::language::kChineseTraditional},
};

// The groups of the dialog, in the order written. A feature joins the group of the longest key
// prefix below that its key starts with; a feature that none matches joins the last group.
struct PpdGroup {
    std::string_view name;
    std::string_view label;
};
enum Group : std::uint8_t { Paper, Trays, Layout, Finishing, Copies, Covers, Tabs, Color, Marks, Job, Other };
inline constexpr PpdGroup kGroups[] = {
    {"Paper", "Page and Paper"},
    {"Trays", "Tray Media"},
    {"Layout", "Layout and Imposition"},
    {"Finishing", "Finishing"},
    {"Copies", "Copies and Output"},
    {"Covers", "Covers and Inserted Sheets"},
    {"Tabs", "Tab Sheets"},
    {"Color", "Color and Screening"},
    {"Marks", "Marks, Stamps and Job Information"},
    {"Job", "Job Handling and Security"},
    {"Other", "Other Settings"},
};

struct GroupPrefix {
    std::string_view prefix;
    Group group;
};
inline constexpr GroupPrefix kGroupPrefixes[] = {
    // page and paper
    {"PageSize", Paper},
    {"CustomPageSize", Paper},
    {"MainPaperProfile", Paper},
    {"TargetPaperSize", Paper},
    {"Orientation", Paper},
    {"InputSlot", Paper},
    // the media of each paper source
    {"MediaType", Trays},
    {"MediaWeight", Trays},
    {"MediaColor", Trays},
    {"MediaPrepunched", Trays},
    {"WeightUnit", Trays},
    {"PaperProfileIndex", Trays},
    // layout and imposition
    {"Layout", Layout},
    {"Duplex", Layout},
    {"Binding", Layout},
    {"Gutter", Layout},
    {"Creep", Layout},
    {"Booklet", Layout},
    {"NUpCount", Layout},
    {"PosterPrint", Layout},
    {"ScaleToFit", Layout},
    {"Zoom", Layout},
    {"FullBleed", Layout},
    {"PostcardFullBleed", Layout},
    {"Rotate180", Layout},
    {"ImposQuality", Layout},
    {"MixedSize", Layout},
    {"HorizontalOverlap", Layout},
    {"VerticalOverlap", Layout},
    {"ImageShift", Layout},
    {"HorizontalShift", Layout},
    {"VerticalShift", Layout},
    {"PrintPosition", Layout},
    {"AutoDuplexAdjustment", Layout},
    // finishing
    {"OutputBin", Finishing},
    {"Staple", Finishing},
    {"Punch", Finishing},
    {"Fold", Finishing},
    {"Crease", Finishing},
    {"Slit", Finishing},
    {"Trim", Finishing},
    {"PerfectBind", Finishing},
    {"Stitch", Finishing},
    {"SquareFold", Finishing},
    {"FeedDir", Finishing},
    {"FaceUp", Finishing},
    {"NTo1", Finishing},
    {"PileSetting", Finishing},
    {"ThirdPartyFinisher", Finishing},
    {"InterleaveCardCutting", Finishing},
    // copies and output
    {"NumCopies", Copies},
    {"Collate", Copies},
    {"DivideOutput", Copies},
    {"Offset", Copies},
    {"PageRange", Copies},
    // covers and inserted sheets
    {"FrontCover", Covers},
    {"BackCover", Covers},
    {"PIFrontCover", Covers},
    {"PIBackCover", Covers},
    {"FrontSheets", Covers},
    {"BackSheets", Covers},
    {"PIFrontSheets", Covers},
    {"PIBackSheets", Covers},
    {"Chapter", Covers},
    // tab sheets
    {"Tab", Tabs},
    // colour and screening
    {"ColorMode", Color},
    {"Cyan", Color},
    {"Magenta", Color},
    {"Yellow", Color},
    {"Black", Color},
    {"Separation", Color},
    {"ColorPatch", Color},
    {"ColorManagement", Color},
    {"RGB", Color},
    {"CMYK", Color},
    {"PaperSimulation", Color},
    {"DestinationProfile", Color},
    {"UseColorDefault", Color},
    {"ToneCurve", Color},
    {"PureBlack", Color},
    {"GrayReplacement", Color},
    {"CompositeOverprint", Color},
    {"SpotColor", Color},
    {"AlternativeColor", Color},
    {"UseEmbeddedProfile", Color},
    {"Pdfx", Color},
    {"TargetSettings", Color},
    {"TonerStabilization", Color},
    {"AutoImageAdjustment", Color},
    {"IccuColorPatch", Color},
    {"Resolution", Color},
    {"Screen", Color},
    {"OutlineMode", Color},
    {"Thinning", Color},
    {"Smoothing", Color},
    {"Enhancement", Color},
    {"AutoTrapping", Color},
    {"BlurPrevention", Color},
    {"DotLineEmphasis", Color},
    {"UseCieColor", Color},
    {"PdfRip", Color},
    // marks printed on the pages: job information, cut marks, trim lines, stamps and numbering
    {"JobInfo", Marks},
    {"NumLines", Marks},
    {"JobCharSize", Marks},
    {"BackgroundTransparency", Marks},
    {"PI", Marks},
    {"CutMark", Marks},
    {"CutLength", Marks},
    {"TrimLine", Marks},
    {"Date", Marks},
    {"TimeStyle", Marks},
    {"PageNumbering", Marks},
    {"SetNumbering", Marks},
    // job handling and security
    {"OutputMethod", Job},
    {"WaitMode", Job},
    {"AccountTrack", Job},
    {"UserAuthentication", Job},
    {"Pdf", Job},
    {"UsePdf", Job},
    {"EncryptPdf", Job},
    {"SendEMail", Job},
    {"FileName", Job},
    {"RelayServer", Job},
    {"ContinuousPrint", Job},
    {"AddShowpage", Job},
    {"CopyProtect", Job},
    {"BackPattern", Job},
    {"PatternIndex", Job},
    {"HeaderPage", Job},
};

// Families a dialog does not offer, beyond the general rules (texts and byte arrays, selections
// with fewer than two options, keywords too long for a translated PPD). A key matches when it
// equals the pattern, starts with it, or contains it, as the entry says.
enum class Match : std::uint8_t { Exact, Prefix, Contains };
struct LeftOutFamily {
    std::string_view pattern;
    Match match;
    std::string_view reason;
};
inline constexpr LeftOutFamily kLeftOutFamilies[] = {
    {"CoreDataLoadedFromPdUi", Match::Exact, "internal: whether the driver's dialog produced the record"},
    {"PageSizeType", Match::Exact, "internal: where the paper of the job came from"},
    {"TargetPaperSizeType", Match::Exact, "internal: where the paper of the job came from"},
    {"TrimLineSizeType", Match::Exact, "internal: where the paper of the job came from"},
    {"PageSpecific", Match::Prefix, "the page exception list and how it repeats (not a dialog choice)"},
    {"PaperProfile", Match::Contains, "the paper profiles are the printer's own list"},
    {"JobForm", Match::Prefix, "the stored forms are the printer's own list"},
    {"FormPrintPattern", Match::Exact, "the stored forms are the printer's own list"},
    {"FormRepeat", Match::Prefix, "the stored forms are the printer's own list"},
    {"Prepend", Match::Prefix, "the stored pages are the printer's own list"},
    {"Append", Match::Prefix, "the stored pages are the printer's own list"},
};

// The bytes of the installable options block that the PPD offers as installed options. The
// choices of a byte are the values the rules compare it with, the values listed here and the
// built-in printer's value; each choice is the prefix and the value ("Class9").
struct InstalledByte {
    std::string_view keyword;
    std::string_view label;
    int byte;
    std::string_view choice_prefix;
    std::string_view choice_label;  // put before the value in the choice's text
    std::uint8_t first_listed;      // the values listed: first_listed to last_listed
    std::uint8_t last_listed;
};
inline constexpr std::uint8_t kNoListedValues = 0xFF;  // first_listed: only the compared ones
inline constexpr InstalledByte kInstalledBytes[] = {
    {"PrinterClass", "Printer Model Class", constraints::rules::kPrinterClassByte, "Class", "Class ",
     kNoListedValues, 0},
    {"InstalledFoldingUnit", "Folding Unit", constraints::rules::kFolderUnitByte, "Unit",
     "Folding unit type ", kNoListedValues, 0},
    // configurations 0 to 25 decide which trays exist
    {"PaperFeed", "Paper Feed Configuration", static_cast<int>(environment::kPaperFeedConfigurationByte),
     "Config", "Configuration ", 0, 25},
};

}  // namespace zenta::tool::cups
