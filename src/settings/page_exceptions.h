#pragma once
// The page exception list: the settings that apply to single pages (tab sheets, inserted sheets,
// pages on other paper), kept in the record's 18202-byte `PageSpecificTrays` area as a byte
// stream. This file decodes that stream into entries, writes entries back, and selects the
// entries that can take effect for one use of the list.
//
// The stream, every number big-endian:
//
//   head     entry count (2 bytes); 0xFFFF announces the extended head: a format byte, which
//            must be 19, and then the entry count (2 bytes)
//   entry    kind (1), value 1 (1), value 2 (1), flag 1 (1), value 3 (1), number 1 (2),
//            value 4 (1), value 5 (1), value 6 (1), name (text), value 7 (1), value 8 (1),
//            number 2 (2), text (text), paper size index (1), custom width (4),
//            custom height (4), setting block, sub-entry count (1), sub-entries,
//            page range count (2) and that many (first page, last page) pairs of 2 bytes each
//   setting  skip flag (1), setting flag (1), placement (1), setting value 1 (1),
//   block    setting value 2 (1), setting text (text)
//   sub-     value 1 (1), value 2 (1), flag 1 (1), number (2), setting block
//   entry
//
// A text is 8-bit and ends with a zero byte. The names of the fields say where they sit, not
// what they mean: their meaning belongs to the code that reads them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/record.h"

namespace zenta::settings {

inline constexpr std::size_t kPageAreaSize = 18202;
inline constexpr std::uint16_t kExtendedHeadMark = 0xFFFF;
inline constexpr std::uint8_t kExtendedHeadFormat = 19;
inline constexpr std::size_t kEntryNameBytes = 20;

// Largest value each field holds; a larger stored value reads as the limit.
namespace page_limits {
inline constexpr std::uint8_t kKind = 7;
inline constexpr std::uint8_t kValue1 = 6;
inline constexpr std::uint8_t kValue2 = 7;
inline constexpr std::uint8_t kValue3 = 2;
inline constexpr std::uint8_t kValue4 = 8;
inline constexpr std::uint8_t kValue5 = 13;
inline constexpr std::uint8_t kValue6 = 14;
inline constexpr std::uint8_t kValue7 = 2;
inline constexpr std::uint8_t kValue8 = 13;
inline constexpr std::uint16_t kNumber2 = 500;
inline constexpr std::uint8_t kPaperSize = 26;  // the custom size
inline constexpr std::uint8_t kPlacement = 2;
inline constexpr std::uint8_t kSettingValue1 = 15;
inline constexpr std::uint8_t kSettingValue2 = 14;
inline constexpr std::uint16_t kSubNumber = 100;
}  // namespace page_limits

// Kinds 5, 6 and 7 are tab sheets.
inline constexpr std::uint8_t kFirstTabKind = 5;
inline constexpr std::uint8_t kLastTabKind = 7;
constexpr bool is_tab_kind(std::uint32_t kind) { return kind >= kFirstTabKind && kind <= kLastTabKind; }

// Placement of a tab sheet.
inline constexpr std::uint8_t kTabPrintedOnPage = 0;
inline constexpr std::uint8_t kTabInsertedBeforePage = 1;

// The five attribute bytes and the text that close every entry and sub-entry.
struct SettingBlock {
    bool skip = false;
    bool setting_flag = false;
    std::uint8_t placement = 0;
    std::uint8_t setting_value_1 = 0;
    std::uint8_t setting_value_2 = 0;
    std::string setting_text;

    friend bool operator==(const SettingBlock&, const SettingBlock&) = default;
};

// An entry of the second list of an entry: a kind-5 entry of which only these fields are kept.
struct SubEntry {
    std::uint8_t value_1 = 0;
    std::uint8_t value_2 = 0;
    bool flag_1 = false;
    std::uint16_t number = 0;
    SettingBlock setting;

    friend bool operator==(const SubEntry&, const SubEntry&) = default;
};

// Pages first to last, both included. Decoded ranges always have 1 <= first <= last.
struct PageRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;

    constexpr bool contains(std::uint32_t page) const { return first <= page && page <= last; }
    constexpr bool valid() const { return first >= 1 && first <= last; }
    friend bool operator==(const PageRange&, const PageRange&) = default;
};

// One entry of the list, its fields in stream order.
struct PageEntry {
    std::uint8_t kind = 0;
    std::uint8_t value_1 = 0;
    std::uint8_t value_2 = 0;
    bool flag_1 = false;
    std::uint8_t value_3 = 0;
    std::uint16_t number_1 = 0;
    std::uint8_t value_4 = 0;
    std::uint8_t value_5 = 0;
    std::uint8_t value_6 = 0;
    std::string name;  // at most kEntryNameBytes bytes
    std::uint8_t value_7 = 0;
    std::uint8_t value_8 = 0;
    std::uint16_t number_2 = 0;
    std::string text;
    std::uint8_t paper_size = page_limits::kPaperSize;  // a `PageSize` option index
    std::uint32_t custom_width = 0;                     // scale 10000, like `CustomPageSizeWidth`
    std::uint32_t custom_height = 0;
    SettingBlock setting;
    std::vector<SubEntry> sub_entries;
    std::vector<PageRange> pages;

    bool is_tab() const { return is_tab_kind(kind); }
    bool covers(std::uint32_t page) const;

    friend bool operator==(const PageEntry&, const PageEntry&) = default;
};

using PageList = std::vector<PageEntry>;

// Every field but the page ranges: the comparison under which entries are merged.
bool same_except_pages(const PageEntry& a, const PageEntry& b);

// ---- Decoding -------------------------------------------------------------------------------

// The text an entry takes when its own text runs unterminated to the end of the area: the first
// non-empty of the text the caller configured (for example the user's localized word for a tab,
// filled in once at load time) and the built-in "Tab".
inline constexpr std::string_view kBuiltinEntryText = "Tab";
std::string_view default_entry_text(std::string_view configured = {});

struct DecodedPages {
    PageList entries;
    bool inside = true;  // the read position never passed the end of the area
    // How many bytes from the start of the area the decoder looked at: an area that begins with
    // the same bytes decodes to the same entries.
    std::size_t looked_at = 0;
};

// Decodes an area (normally the 18202 bytes of `PageSpecificTrays`; any length is read safely,
// nothing outside it is ever touched). Entries are read while the announced count lasts and the
// read position is inside the area; an entry cut off by the end is kept as far as it goes: a
// byte or number past the end reads as 0 (a number partly past it too), the paper size index as
// 26, a text whose zero byte would lie past the end as its default (the name's and the setting
// texts' default is empty, the entry text's default_text), and its sub-entries stop at the end.
// A page range enters an entry only when 1 <= first <= last. Then each tab entry without pages
// is dropped, and, when tab_shift is set (the record's `TabImageShift` is 1), each remaining tab
// entry is dropped when its skip flag is set and otherwise reduced to a tab printed on its page:
// placement 0, no sub-entries, setting value 1 = 0, empty setting text.
DecodedPages decode_pages(std::span<const std::uint8_t> area, bool tab_shift,
                          std::string_view default_text = kBuiltinEntryText);

// Whether the area's head announces no entries at all (an extended head of another format
// included): such an area decodes to an empty list, whatever follows the head.
bool announces_no_entries(std::span<const std::uint8_t> area);

// The record's own list: its `PageSpecificTrays` area with its `TabImageShift`.
DecodedPages decode_pages(const Record& record, std::string_view default_text = kBuiltinEntryText);

// ---- Encoding -------------------------------------------------------------------------------

enum class PageHead : std::uint8_t {
    Plain,     // the 2-byte count (the form every list of the program takes)
    Extended,  // 0xFFFF, format 19, the count: for a reader that asks for the extended form
};

// The stream of a list, with the head asked for; a list of exactly 0xFFFF entries always takes
// the extended head, since a plain count of 0xFFFF would read as its mark. Each field is written
// at its width as it stands (the reader clamps), the name cut to its first 20 bytes, each text
// cut at a zero byte inside it and closed by one. None when the list cannot be written at all:
// more than 0xFFFF entries, more than 255 sub-entries or 0xFFFF page ranges in one entry.
std::optional<std::vector<std::uint8_t>> encode_page_stream(const PageList& list,
                                                            PageHead head = PageHead::Plain);

// Writes the list into the area, zero-filling what follows it. False, with the area untouched,
// when the list does not fit or cannot be written.
bool encode_pages(const PageList& list, std::span<std::uint8_t> area, PageHead head = PageHead::Plain);

// The same into the record's `PageSpecificTrays`.
bool store_pages(Record& record, const PageList& list, PageHead head = PageHead::Plain);

// ---- Selection for one use ------------------------------------------------------------------

// Mode 1: page numbers as they fall in the output, with the tab sheets inserted before pages
// counted, and equal entries merged. Mode 2: the tab sheet list (tab printing, the N-up marker,
// the page paper of the page setup). Any other mode behaves as mode 2.
inline constexpr unsigned kSelectOutputPages = 1;
inline constexpr unsigned kSelectTabs = 2;

inline constexpr std::uint32_t kMediaTypeEnvelope = 4;

// The media type of the current paper: `MainPaperProfileMediaType` when a paper profile is in
// use, else the media type of the source `InputSlot` designates.
std::uint32_t current_media_type(const Record& record);

// Whether tab sheets can be printed with the record's layout, finishing and paper.
bool tab_sheets_allowed(const Record& record);

// What the first stage takes from the record besides the list itself.
struct SelectionInputs {
    bool none = false;         // the layout or grouped output takes no page exceptions
    bool only_kind_1 = false;  // layouts 3 to 5
    bool tabs = false;         // tab_sheets_allowed
    bool envelope = false;     // the current paper is an envelope
    bool tab_shift = false;    // `TabImageShift` is 1 (read by the decoder)

    friend bool operator==(const SelectionInputs&, const SelectionInputs&) = default;
};
SelectionInputs selection_inputs(const Record& record);

// The entries that can take effect at all, in list order.
PageList select_pages_first_stage(const Record& record, std::string_view default_text = kBuiltinEntryText);
// The same for entries decoded from the list (with the inputs' tab_shift).
PageList select_pages_first_stage(PageList decoded, const SelectionInputs& inputs);

// Turns the first stage's entries into the list for one use (see the .cpp for each step).
PageList finish_selection(PageList list, unsigned mode);

// Both stages.
PageList select_pages(const Record& record, unsigned mode, std::string_view default_text = kBuiltinEntryText);

// ---- Text form ------------------------------------------------------------------------------

// One line (without newline) describing an entry: "kind=K", the other fields as name=value in
// stream order, a "sub=[...]" per sub-entry, then "pages=F-L,F-L". Texts are quoted; a quote or
// backslash inside is preceded by a backslash, and control bytes are written as \xHH.
std::string format_entry(const PageEntry& entry);

}  // namespace zenta::settings
