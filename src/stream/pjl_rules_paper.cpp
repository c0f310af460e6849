// The PJL rules of paper, imposition and finishing. Lengths are written in millimetres as the
// range gives them (range_value: four decimals for the record's ten-thousandths of a millimetre).

#include <algorithm>
#include <array>

#include "environment/paper_catalogue.h"
#include "features/feature_table.h"
#include "settings/settings_text.h"
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {
namespace {

constexpr auto kAuto = PjlQuoting::Automatic;
constexpr auto kQuoted = PjlQuoting::Always;

void set(std::string& out, std::string_view variable, std::string_view value, PjlQuoting quoting = kAuto) {
    append_pjl_set(out, variable, value, quoting);
}

bool on(const Record& record, FeatureId id) { return record.raw(id) != 0; }

// A stored number as it is (selections whose table the controller fills in: profile ids).
std::string number(const Record& record, FeatureId id) { return std::to_string(record.raw(id)); }

bool profile_in_use(const Record& record) { return on(record, FeatureId::MainPaperProfileIndex); }

constexpr std::uint32_t kTargetPaperProfile = 1;
constexpr std::uint32_t kTargetPaperCustom = 28;
constexpr std::uint32_t kCustomColour = 13;

}  // namespace

void orientation(const Record& record, std::string& out) {
    set(out, "ORIENTATION", option_value(record, FeatureId::Orientation));
}

// The main paper profile in use: its id (the profile index) and its favourite special paper.
// Without a profile neither line is written.
void paper_profile_id(const Record& record, std::string& out) {
    if (profile_in_use(record)) set(out, "PAPERPROFILEID", number(record, FeatureId::MainPaperProfileIndex));
}

void favorite_special_id(const Record& record, std::string& out) {
    if (profile_in_use(record))
        set(out, "FAVORITESPECIALID", number(record, FeatureId::MainPaperProfileFavoriteSpecial));
}

// Pages per loop: the pages of a split booklet when booklets are split, else the pages of a
// divided output, else OFF.
void page_loop(const Record& record, std::string& out) {
    if (on(record, FeatureId::BookletSplitting))
        set(out, "PAGELOOP", range_value(record, FeatureId::BookletSplittingPages));
    else if (on(record, FeatureId::DivideOutput))
        set(out, "PAGELOOP", range_value(record, FeatureId::DivideOutputPages));
    else
        set(out, "PAGELOOP", "OFF");
}

// The overlap of poster tiles, only for poster output.
void overlap(const Record& record, std::string& out) {
    if (!on(record, FeatureId::PosterPrint)) return;
    set(out, "OVERLAPWIDTH", range_value(record, FeatureId::HorizontalOverlap));
    set(out, "OVERLAPHEIGHT", range_value(record, FeatureId::VerticalOverlap));
}

// The output paper: the target paper's word; the paper profile's paper while the target is the
// profile; CUSTOM with the size for a custom target (or a custom profile paper).
void output_paper(const Record& record, std::string& out) {
    const std::uint32_t target = record.raw(FeatureId::TargetPaperSize);
    FeatureId width = FeatureId::CustomTargetPaperSizeWidth, height = FeatureId::CustomTargetPaperSizeHeight;
    if (target == kTargetPaperProfile && profile_in_use(record)) {
        const std::uint32_t paper = record.raw(FeatureId::MainPaperProfileSize);
        if (paper != environment::kCustomPaper) {
            set(out, "OUTPUTPAPER",
                features::feature(FeatureId::PageSize).descriptor->option(paper).pjl_value);
            return;
        }
        width = FeatureId::MainPaperProfileWidth;
        height = FeatureId::MainPaperProfileHeight;
    } else if (target != kTargetPaperCustom) {
        set(out, "OUTPUTPAPER", option_value(record, FeatureId::TargetPaperSize));
        return;
    }
    set(out, "OUTPUTPAPER", "CUSTOM");
    set(out, "OUTPUTPAPERSIZEWIDTH", range_value(record, width));
    set(out, "OUTPUTPAPERSIZEHEIGHT", range_value(record, height));
}

void fit_and_scale(const Record& record, std::string& out) {
    set(out, "FITTOPAPER", option_value(record, FeatureId::ScaleToFit));
    set(out, "SCALE", range_value(record, FeatureId::Zoom));
}

void full_bleed(const Record& record, std::string& out) {
    set(out, "FULLBLEED", on_off(on(record, FeatureId::FullBleed)));
}

// A trimming profile is used when its mode is set: its id, else OFF.
void trimming_profiles(const Record& record, std::string& out) {
    const auto profile = [&](FeatureId mode, FeatureId id) {
        return on(record, mode) ? number(record, id) : std::string("OFF");
    };
    set(out, "TRIMMINGPROFILEID", profile(FeatureId::TrimUnitProfileIdMode, FeatureId::TrimUnitProfileId));
    set(out, "COVERTRIMMINGPROFILEID",
        profile(FeatureId::TrimUnitCoverProfileIdMode, FeatureId::TrimUnitCoverProfileId));
}

void finishing(const Record& record, std::string& out) {
    constexpr std::uint32_t kOneStaple = 3;
    const std::uint32_t staple = record.raw(FeatureId::Staple);
    const std::uint32_t stitch = record.raw(FeatureId::Stitch);
    std::string_view finish = option_value(record, FeatureId::Staple);
    if (staple == kOneStaple) finish = on(record, FeatureId::Binding) ? "RIGHT1POINT" : "LEFT1POINT";
    if (stitch == 1) finish = "CENTER";
    if (stitch == 2) finish = "CENTER4POINT";
    set(out, "FINISH", finish);
    static constexpr std::string_view kPitch[] = {"LEVEL3", "LEVEL2", "LEVEL1"};  // Staple 4, 5, 6
    if (staple >= 4 && staple <= 6) set(out, "STAPLEPITCH", kPitch[staple - 4]);
    if (stitch == 1 || stitch == 2) {
        set(out, "STITCH", "SADDLE");
        set(out, "STITCHNUM", stitch == 1 ? "2" : "4");
    }
}

// PUNCHNUM is the hole count; the streampunches count as 10 and 11.
void punch(const Record& record, std::string& out) {
    static constexpr std::string_view kHoles[] = {"", "2", "3", "4", "10", "11"};  // Punch options
    const std::uint32_t punch = record.raw(FeatureId::Punch);
    set(out, "PUNCH", option_value(record, FeatureId::Punch));
    if (punch != 0 && punch < std::size(kHoles)) set(out, "PUNCHNUM", kHoles[punch]);
}

void copies(const Record& record, std::string& out) {
    set(out, on(record, FeatureId::Collate) ? "COPIES" : "QTY", range_value(record, FeatureId::NumCopies));
}

void offset_stacking(const Record& record, std::string& out) {
    const bool copies = on(record, FeatureId::OffsetCopies);
    const bool pages = on(record, FeatureId::OffsetPages);
    if (copies)
        set(out, "COPIESOFFSET", range_value(record, FeatureId::OffsetCopiesCount));
    else if (pages)
        set(out, "COPIESOFFSET", "1");
    if (pages) set(out, "SHEETSOFFSET", range_value(record, FeatureId::OffsetPagesCount));
    set(out, "JOBOFFSET", on_off(copies || pages));
}

// OFF without folding, else the side the fold turns to.
void folding(const Record& record, std::string& out) {
    if (!on(record, FeatureId::Fold))
        set(out, "FOLDING", "OFF");
    else
        set(out, "FOLDING", on(record, FeatureId::FoldDirection) ? "OUT" : "IN");
}

// Slit options Off, All, FirstOnly: OFF, ALLPAGES, COVERONLY. The positions (top, bottom) and
// the body offset (the margin) only while slitting.
void slitter(const Record& record, std::string& out) {
    static constexpr std::string_view kSlit[] = {"OFF", "ALLPAGES", "COVERONLY"};
    const std::uint32_t slit = record.raw(FeatureId::Slit);
    set(out, "SLIT", kSlit[slit < std::size(kSlit) ? slit : 0]);
    if (slit == 0 || slit >= std::size(kSlit)) return;
    set(out, "SLITPOSITION1", range_value(record, FeatureId::SlitPositionTop));
    set(out, "SLITPOSITION2", range_value(record, FeatureId::SlitPositionBottom));
    set(out, "BODYSLITPOSITIONOFFSET", range_value(record, FeatureId::SlitMargin));
}

// CREASELINE is the number of creases (the Crease option 1Piece .. 4Pieces); CREASEPOSITION
// the side ("FRONT" or "BACK") and the positions of those creases, comma-joined:
// "FRONT,100.0000,200.0000".
void creaser(const Record& record, std::string& out) {
    static constexpr FeatureId kPositions[] = {
        FeatureId::CreasePosition1Value, FeatureId::CreasePosition2Value, FeatureId::CreasePosition3Value,
        FeatureId::CreasePosition4Value};
    const std::uint32_t creases = record.raw(FeatureId::Crease);
    if (creases == 0 || creases > std::size(kPositions)) {
        set(out, "CREASE", "OFF");
        return;
    }
    set(out, "CREASE", "ON");
    set(out, "CREASELINE", std::to_string(creases));
    std::string positions = on(record, FeatureId::CreaseSide) ? "BACK" : "FRONT";
    for (std::uint32_t i = 0; i < creases; ++i) positions += "," + range_value(record, kPositions[i]);
    set(out, "CREASEPOSITION", positions, kQuoted);
}

// The media of the job: the main paper profile's while one is in use, else the automatic
// source's. The profile's fields hold indexes of the same media tables.
void media(const Record& record, std::string& out) {
    const bool profile = profile_in_use(record);
    const auto word = [&](FeatureId own, FeatureId of_profile) {
        return features::feature(own).descriptor->option(record.raw(profile ? of_profile : own)).pjl_value;
    };
    set(out, "MEDIATYPE", word(FeatureId::MediaTypeAuto, FeatureId::MainPaperProfileMediaType));
    set(out, "MEDIAWEIGHT", word(FeatureId::MediaWeightAuto, FeatureId::MainPaperProfileMediaWeight));
    set(out, "MEDIACOLOR", word(FeatureId::MediaColorAuto, FeatureId::MainPaperProfileMediaColor));
}

// The name of a custom media colour, when the colour is custom and named.
void media_color_name(const Record& record, std::string& out) {
    const bool profile = profile_in_use(record);
    const std::uint32_t colour =
        record.raw(profile ? FeatureId::MainPaperProfileMediaColor : FeatureId::MediaColorAuto);
    const std::string_view name = record.text(profile ? FeatureId::MainPaperProfileCustomMediaColorName
                                                      : FeatureId::CustomMediaColorNameAuto);
    if (colour == kCustomColour && !name.empty()) set(out, "MEDIACOLORNAME", name, kQuoted);
}

void media_prepunched(const Record& record, std::string& out) {
    const bool profile = profile_in_use(record);
    const bool prepunched =
        on(record, profile ? FeatureId::MainPaperProfileMediaPrepunched : FeatureId::MediaPrepunchedAuto);
    set(out, "MEDIAPREPUNCHED", on_off(prepunched));
    set(out, "MEDIAWEIGHTUNIT", option_value(record, FeatureId::WeightUnitAuto));
}

// The banner page and the tray it comes from (HeaderPage None, Auto, SubTray .. MBT: the option
// values are the tray words).
void banner_page(const Record& record, std::string& out) {
    const bool banner = on(record, FeatureId::HeaderPage);
    set(out, "HEADERPAGE", on_off(banner));
    if (banner) set(out, "HEADERPAGETRAY", option_value(record, FeatureId::HeaderPage));
}

// The cover tray of a perfect binding: PerfectBindTray starts with the sub tray, so its option i
// is tray word i + 1 (its PJL values are those words).
void perfect_bind_tray(const Record& record, std::string& out) {
    set(out, "PERFECTBINDTRAY", tray_word(record.raw(FeatureId::PerfectBindTray) + 1), kQuoted);
    if (record.raw(FeatureId::PerfectBindPaperProfileMediaColor) == kCustomColour) {
        const std::string_view name = record.text(FeatureId::PerfectBindPaperProfileCustomMediaColorName);
        if (!name.empty()) set(out, "PERFECTBINDMEDIACOLORNAME", name, kQuoted);
    }
}

// The cover paper of a perfect binding: its custom size as "M,width,height" (millimetres), or
// the paper profile's id.
void perfect_bind_paper(const Record& record, std::string& out) {
    if (record.raw(FeatureId::PerfectBindPaperSize) == 0) {
        set(out, "PERFECTBINDPAPERSIZE",
            "M," + range_value(record, FeatureId::PerfectBindCustomPageSizeWidth) + "," +
                range_value(record, FeatureId::PerfectBindCustomPageSizeHeight));
    } else {
        set(out, "PERFECTBINDPAPERSIZE", "PROFILE");
        set(out, "PERFECTBINDPAPERPROFILEID", number(record, FeatureId::PerfectBindPaperProfileIndex));
    }
}

// The pages that open a chapter: ChapterPages holds them as 16-bit big-endian numbers, the
// first zero ending the list; CHAPTER lists them comma-joined ("1,5,9").
void chapters(const Record& record, std::string& out) {
    const bool chapters = on(record, FeatureId::ChapterMode);
    set(out, "CHAPTERMODE", on_off(chapters));
    if (!chapters) return;
    const auto bytes = record.field(FeatureId::ChapterPages);
    std::string pages;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const unsigned page = (unsigned{bytes[at]} << 8) | bytes[at + 1];
        if (page == 0) break;
        if (!pages.empty()) pages += ',';
        pages += std::to_string(page);
    }
    set(out, "CHAPTER", pages, kQuoted);
}

// The page-specific settings repeat up to a page, or not at all.
void page_repeat(const Record& record, std::string& out) {
    set(out, "PERPAGESETPAGEREPEAT",
        on(record, FeatureId::PageSpecificRepeatMode)
            ? range_value(record, FeatureId::PageSpecificRepeatToPage)
            : std::string("OFF"));
}

// The image on tab stock moves by the tab's reach while the shift is on.
void tab_image_shift(const Record& record, std::string& out) {
    const bool shift = on(record, FeatureId::TabImageShift);
    set(out, "TABIMAGESHIFT", on_off(shift));
    if (shift) set(out, "TABIMAGESHIFTINFO", range_value(record, FeatureId::TabImageShiftRange));
}

// Overlay forms and the jobs put before and after this one are registered on the controller;
// the plug-in knows them by their number in the controller's list (all ones: none), so each is
// written as that number, quoted as a name would be. The repeat count is a number.
void overlays(const Record& record, std::string& out) {
    constexpr std::uint32_t kNone = 0xFFFFFFFF;
    const auto registered = [&](std::string_view variable, FeatureId id) {
        if (record.raw(id) != kNone) set(out, variable, number(record, id), kQuoted);
    };
    registered("ZENTAOVERLAYALL", FeatureId::JobForm);
    if (on(record, FeatureId::FormRepeatMode))
        set(out, "ZENTAOVERLAYPAGEREPEAT", range_value(record, FeatureId::FormRepeatToPage));
    // The pages' own forms travel as the settings text writes a byte array: upper-case hex
    // without the trailing zero bytes.
    if (const std::string pages = settings::format_value(record, FeatureId::PageSpecificForms);
        !pages.empty())
        set(out, "ZENTAOVERLAYPAGE", pages, kQuoted);
    registered("ZENTAPREPENDJOB", FeatureId::Prepend);
    registered("ZENTAAPPENDJOB", FeatureId::Append);
}

// IMAGESHIFT CONTROLLER while the controller shifts the image; IMAGESHIFTINFO the front and back
// shifts "x,y,x,y" in whole millimetres (rounded half away from zero), the high-precision form
// the same in the record's precision. The back equals the front unless front and back are set
// apart.
void image_shift(const Record& record, std::string& out) {
    const std::uint32_t type = record.raw(FeatureId::ImageShiftType);
    if (type == 0) {
        set(out, "IMAGESHIFT", "OFF");
        return;
    }
    set(out, "IMAGESHIFT", "CONTROLLER");
    const bool separate = type == 2;
    const FeatureId shifts[] = {FeatureId::HorizontalShift, FeatureId::VerticalShift,
                                separate ? FeatureId::HorizontalShiftBack : FeatureId::HorizontalShift,
                                separate ? FeatureId::VerticalShiftBack : FeatureId::VerticalShift};
    std::string whole, precise;
    for (FeatureId id : shifts) {
        const features::RangeDescriptor& range = *features::feature(id).range;
        const std::int64_t v = std::clamp<std::int64_t>(record.number(id), range.minimum, range.maximum);
        const std::int64_t half = static_cast<std::int64_t>(range.scale) / 2;
        const std::int64_t mm = (v < 0 ? v - half : v + half) / static_cast<std::int64_t>(range.scale);
        if (!whole.empty()) {
            whole += ',';
            precise += ',';
        }
        whole += std::to_string(mm);
        precise += range_value(record, id);
    }
    set(out, "IMAGESHIFTINFO", whole);
    set(out, "HIGHPRECISIONIMAGESHIFTINFO", precise);
}

}  // namespace zenta::stream::pjl
