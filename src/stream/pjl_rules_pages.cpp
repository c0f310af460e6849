// The covers and the page-specific sheets of the PJL job header: the numbered per-page sets that
// describe the four covers, and the index descriptions of the page exception list.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "features/feature_table.h"
#include "settings/defaults.h"
#include "settings/page_exceptions.h"
#include "stream/job_setup.h"
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {

namespace {

constexpr PjlQuoting kAuto = PjlQuoting::Automatic;
constexpr PjlQuoting kQuoted = PjlQuoting::Always;

// The option a selection stands for: an index beyond the table reads as the default index.
std::uint32_t selected(const Record& record, FeatureId id) {
    const features::FeatureDescriptor& descriptor = *features::feature(id).descriptor;
    const std::uint32_t index = record.raw(id);
    return index < descriptor.option_count() ? index : descriptor.default_index;
}

// The PJL word of an option of another feature's table, for a number stored in its own field
// (the paper profile values of a cover hold option numbers of the job's feed direction table).
std::string_view word_of(const Record& record, FeatureId field, FeatureId table) {
    return features::feature(table).descriptor->option(record.raw(field)).pjl_value;
}

// The coated glossy paper among the media type options.
bool coated_glossy(std::uint32_t media_type) {
    return static_cast<std::int64_t>(media_type) ==
           features::feature(FeatureId::MediaTypeAuto).descriptor->index_of("CoatedG");
}

// The PageSize option that stands for a custom paper size (also in a paper profile's size).
constexpr std::uint32_t kCustomPaperSize = settings::kPaperCustom;

// "M,<width>,<height>": a custom paper size in millimetres, four decimals.
std::string custom_paper(std::string_view width, std::string_view height) {
    std::string list = "M,";
    list += width;
    list += ',';
    list += height;
    return list;
}

void set_line(std::string& out, std::string_view name, unsigned set, std::string_view value,
              PjlQuoting quoting = kAuto) {
    append_pjl_set(out, std::string(name) + std::to_string(set), value, quoting);
}

// ---- The covers ----------------------------------------------------------------------------------
//
// Each cover with a tray is one per-page set, its number appended to every variable name:
// post-inserter front cover 3, front cover 1, back cover 2, post-inserter back cover 4, written in
// this order. A set's lines, automatic quoting except where said:
//   PERPAGESETn         PRINT when document pages are printed on the cover (FrontCoverPrinted,
//                       BackCoverPrinted), else BLANK; the post inserter's covers join the job after
//                       printing and are always BLANK
//   PPSPAPERn           the tray word of the cover tray
//   PPSFEEDDIRECTIONn   with a paper profile (index not 0): the profile's feed direction as a word
//                       of the job's feed direction options (AUTO, LEF, SEF); AUTO without one
//   PPSCUSTOMPAPERn     only with a paper profile of custom size (its size option 26):
//                       "M,<width>,<height>", millimetres with four decimals
//   PPSGLOSSYMODEn      ON when the profile's media type is coated glossy (CoatedG), else OFF
//                       (OFF without a profile)
//   PPSPAPERPROFILEIDn  only with a paper profile: the profile index in decimal
//   PPSMEDIACOLORNAMEn  only with a paper profile whose custom media colour name is not empty:
//                       the name, quoted
//   PPSINSERTPAGESn     where the sheet goes: 1 (before the first page) for the front covers, END
//                       (after the last page) for the back covers
// A cover without a tray (None, or an index beyond its options) writes nothing.
//
// The cover trays begin with None where the tray words begin with AUTO, so a cover tray's option
// index is not a tray word index; each option maps by meaning, keyword to word: SubTray, Tray1 ...
// Tray9, MBT to SUBTRAY, TRAY1 ... TRAY9, MANUALFEED (tray words 1 to 11), PITray1 and PITray2 to
// PITRAY1 and PITRAY2 (tray words 12 and 13); these are the PJL values that the perfect binding
// tray options of the same keywords carry.
constexpr std::array<std::uint8_t, 12> kTrayCoverWords{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::array<std::uint8_t, 3> kInserterCoverWords{0, 12, 13};

struct Cover {
    unsigned set;
    FeatureId tray;
    std::span<const std::uint8_t> tray_words;  // tray word index per tray option (0: no cover)
    std::optional<FeatureId> printed;          // none for the post inserter's covers
    FeatureId profile;
    FeatureId feed_direction;
    FeatureId media_type;
    FeatureId colour_name;
    FeatureId size;
    FeatureId width;
    FeatureId height;
    std::string_view pages;
};

#define ZENTA_COVER(set, side, words, printed, pages)                                                       \
    Cover {                                                                                                 \
        set, FeatureId::side##CoverTray, words, printed, FeatureId::side##CoverPaperProfileIndex,           \
            FeatureId::side##CoverPaperProfileFeedDir, FeatureId::side##CoverPaperProfileMediaType,         \
            FeatureId::side##CoverPaperProfileCustomMediaColorName, FeatureId::side##CoverPaperProfileSize, \
            FeatureId::side##CoverPaperProfileWidth, FeatureId::side##CoverPaperProfileHeight, pages        \
    }

const std::array kCovers{
    ZENTA_COVER(3, PIFront, kInserterCoverWords, std::nullopt, "1"),
    ZENTA_COVER(1, Front, kTrayCoverWords, FeatureId::FrontCoverPrinted, "1"),
    ZENTA_COVER(2, Back, kTrayCoverWords, FeatureId::BackCoverPrinted, "END"),
    ZENTA_COVER(4, PIBack, kInserterCoverWords, std::nullopt, "END"),
};

#undef ZENTA_COVER

void cover_set(const Record& record, const Cover& cover, std::string& out) {
    const std::uint32_t tray = selected(record, cover.tray);
    if (tray == 0 || tray >= cover.tray_words.size()) return;
    const bool profile = record.raw(cover.profile) != 0;
    const bool printed = cover.printed && selected(record, *cover.printed) != 0;

    set_line(out, "PERPAGESET", cover.set, printed ? "PRINT" : "BLANK");
    set_line(out, "PPSPAPER", cover.set, tray_word(cover.tray_words[tray]));
    set_line(out, "PPSFEEDDIRECTION", cover.set,
             profile ? word_of(record, cover.feed_direction, FeatureId::FeedDir) : "AUTO");
    if (profile && record.raw(cover.size) == kCustomPaperSize)
        set_line(out, "PPSCUSTOMPAPER", cover.set,
                 custom_paper(range_value(record, cover.width), range_value(record, cover.height)));
    set_line(out, "PPSGLOSSYMODE", cover.set, on_off(profile && coated_glossy(record.raw(cover.media_type))));
    if (profile) set_line(out, "PPSPAPERPROFILEID", cover.set, std::to_string(record.raw(cover.profile)));
    if (profile && !record.text(cover.colour_name).empty())
        set_line(out, "PPSMEDIACOLORNAME", cover.set, record.text(cover.colour_name), kQuoted);
    set_line(out, "PPSINSERTPAGES", cover.set, cover.pages);
}

// ---- The page-specific sheets ----------------------------------------------------------------
//
// QVINDEXINFO1 and QVINDEXINFO2 describe the entries of the page exception list as selected for
// the index (page numbers as they fall in the output, equal entries merged): the first 200 in list
// order, the tab sheets (kinds 5 to 7) in QVINDEXINFO1, every other entry in QVINDEXINFO2. Each
// entry is a per-page set like a cover's, numbered from 5 on in walk order over both texts (1 to 4
// are the covers), written as items "NAME<m>=VALUE;" one after another, no space anywhere:
//   PERPAGESET<m>=<sheet>,<staple>,<punch>,<side>;
//   PPSPAPER<m>=<paper>;
//   PPSCUSTOMPAPER<m>=M,<width>,<height>;      only for a custom paper (below)
//   PPSINSERTPAGES<m>=<pages>;
// with, from the entry's fields:
//   sheet   TAB for a tab sheet; otherwise PRINT when flag 1 is set, BLANK when not
//   staple  value 1, in the order of the Staple options: NONE, LEFT1POINT, RIGHT1POINT, one staple
//           (RIGHT1POINT when the job's Binding is not left, else LEFT1POINT), ANY2POINTPITCH3
//           (wide), ANY2POINTPITCH2 (normal), ANY2POINTPITCH1 (narrow)
//   punch   value 7: NONE, 10, 11 (the controller's hole codes, as in PUNCHNUM)
//   side    value 3: NONE (as the job), END (one-sided: the sheet ends with the page), CONT
//           (two-sided: the next page continues on the back)
//   paper   the tray word of value 8 when it is not 0 (AUTO); otherwise the paper keyword (PJL
//           value of the PageSize option) of the paper size 0 to 25; otherwise AUTO
//   custom  with paper AUTO from the custom size (26) and a width and height both above 0: the
//           size in millimetres with four decimals
//   pages   the page ranges, "," between them: "<first>" when first and last are equal, else
//           "<first>THRU<last>"; NONE for an entry without pages
// The entry's name and texts are not part of a description (a tab's text goes out with its tab
// sheet in the PostScript), so no item ever holds a quote, a ';' or an '='.
// Each text is written, quoted, when it holds at least one entry; QVINDEXINFO1 first.

constexpr std::size_t kMostIndexEntries = 200;
constexpr unsigned kFirstIndexSet = 5;

constexpr std::array<std::string_view, 3> kPunchWords{"NONE", "10", "11"};
constexpr std::array<std::string_view, 3> kSideWords{"NONE", "END", "CONT"};

std::string_view staple_word(const Record& record, std::uint8_t staple) {
    static constexpr std::array<std::string_view, 7> kWords{
        "NONE", "LEFT1POINT", "RIGHT1POINT", "", "ANY2POINTPITCH3", "ANY2POINTPITCH2", "ANY2POINTPITCH1"};
    if (staple == 3) return record.raw(FeatureId::Binding) != 0 ? kWords[2] : kWords[1];
    return kWords[std::min<std::size_t>(staple, kWords.size() - 1)];
}

std::string_view word(std::span<const std::string_view> words, std::uint8_t value) {
    return words[std::min<std::size_t>(value, words.size() - 1)];
}

std::string_view entry_paper(const settings::PageEntry& entry) {
    if (entry.value_8 != 0) return tray_word(entry.value_8);
    if (entry.paper_size < kCustomPaperSize)
        return features::feature(FeatureId::PageSize).descriptor->option(entry.paper_size).pjl_value;
    return "AUTO";
}

std::string entry_pages(const settings::PageEntry& entry) {
    if (entry.pages.empty()) return "NONE";
    std::string pages;
    for (const settings::PageRange& range : entry.pages) {
        if (!pages.empty()) pages += ',';
        pages += std::to_string(range.first);
        if (range.last != range.first) pages += "THRU" + std::to_string(range.last);
    }
    return pages;
}

void add_item(std::string& text, std::string_view name, unsigned set, std::string_view value) {
    text += name;
    text += std::to_string(set);
    text += '=';
    text += value;
    text += ';';
}

void describe_entry(const Record& record, const settings::PageEntry& entry, unsigned set, std::string& text) {
    std::string sheet{entry.is_tab() ? "TAB" : entry.flag_1 ? "PRINT" : "BLANK"};
    sheet += ',';
    sheet += staple_word(record, entry.value_1);
    sheet += ',';
    sheet += word(kPunchWords, entry.value_7);
    sheet += ',';
    sheet += word(kSideWords, entry.value_3);
    add_item(text, "PERPAGESET", set, sheet);
    add_item(text, "PPSPAPER", set, entry_paper(entry));
    if (entry.value_8 == 0 && entry.paper_size == kCustomPaperSize && entry.custom_width > 0 &&
        entry.custom_height > 0) {
        const std::uint32_t scale = features::feature(FeatureId::CustomPageSizeWidth).range->scale;
        add_item(text, "PPSCUSTOMPAPER", set,
                 custom_paper(scaled_number(entry.custom_width, scale),
                              scaled_number(entry.custom_height, scale)));
    }
    add_item(text, "PPSINSERTPAGES", set, entry_pages(entry));
}

}  // namespace

void cover_sets(const Record& record, std::string& out) {
    for (const Cover& cover : kCovers) cover_set(record, cover, out);
}

void index_info(const Record& record, std::string& out) {
    const settings::PageList entries = settings::select_pages(record, settings::kSelectOutputPages);
    std::string tabs, sheets;
    const std::size_t count = std::min(entries.size(), kMostIndexEntries);
    for (std::size_t i = 0; i < count; ++i) {
        const settings::PageEntry& entry = entries[i];
        describe_entry(record, entry, kFirstIndexSet + static_cast<unsigned>(i),
                       entry.is_tab() ? tabs : sheets);
    }
    if (!tabs.empty()) append_pjl_set(out, "QVINDEXINFO1", tabs, kQuoted);
    if (!sheets.empty()) append_pjl_set(out, "QVINDEXINFO2", sheets, kQuoted);
}

}  // namespace zenta::stream::pjl
