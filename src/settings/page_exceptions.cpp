#include "settings/page_exceptions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

#include "features/feature_table.h"
#include "util/byte_order.h"

namespace zenta::settings {

using features::feature;

static_assert(feature(FeatureId::PageSpecificTrays).size() == kPageAreaSize);

bool PageEntry::covers(std::uint32_t page) const {
    return std::any_of(pages.begin(), pages.end(), [page](const PageRange& r) { return r.contains(page); });
}

bool same_except_pages(const PageEntry& a, const PageEntry& b) {
    return a.kind == b.kind && a.value_1 == b.value_1 && a.value_2 == b.value_2 && a.flag_1 == b.flag_1 &&
           a.value_3 == b.value_3 && a.number_1 == b.number_1 && a.value_4 == b.value_4 &&
           a.value_5 == b.value_5 && a.value_6 == b.value_6 && a.name == b.name && a.value_7 == b.value_7 &&
           a.value_8 == b.value_8 && a.number_2 == b.number_2 && a.text == b.text &&
           a.paper_size == b.paper_size && a.custom_width == b.custom_width &&
           a.custom_height == b.custom_height && a.setting == b.setting && a.sub_entries == b.sub_entries;
}

std::string_view default_entry_text(std::string_view configured) {
    return configured.empty() ? kBuiltinEntryText : configured;
}

// ---- Decoding -------------------------------------------------------------------------------

namespace {

constexpr std::uint32_t kMaxCustomWidth =
    static_cast<std::uint32_t>(feature(FeatureId::CustomPageSizeWidth).range->maximum);
constexpr std::uint32_t kMaxCustomHeight =
    static_cast<std::uint32_t>(feature(FeatureId::CustomPageSizeHeight).range->maximum);

template <class T>
T clamp_to(std::uint32_t value, T limit) {
    return static_cast<T>(std::min<std::uint32_t>(value, limit));
}

// Reads the area front to back. The position moves on past the end as if the area went on, so
// that the caller can tell afterwards whether the stream asked for more than the area holds;
// nothing past the end is ever touched. A byte past the end reads as 0, and so does a number
// that does not lie wholly inside the area.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> area) : area_(area) {}

    bool at_end() const { return pos_ >= area_.size(); }
    bool inside() const { return pos_ <= area_.size(); }
    // How many bytes from the start have been looked at.
    std::size_t looked_at() const { return std::min(pos_, area_.size()); }

    std::uint8_t byte(std::uint8_t beyond = 0) {
        const std::uint8_t value = pos_ < area_.size() ? area_[pos_] : beyond;
        skip(1);
        return value;
    }
    std::uint16_t number16() {
        const std::uint16_t value = fits(2) ? util::load_be16(area_.data() + pos_) : 0;
        skip(2);
        return value;
    }
    std::uint32_t number32() {
        const std::uint32_t value = fits(4) ? util::load_be32(area_.data() + pos_) : 0;
        skip(4);
        return value;
    }
    bool flag() { return byte() != 0; }

    // A zero-terminated text, its zero consumed. A text whose zero would lie past the end takes
    // the fallback; the position then stands past the end, where its zero would have been.
    std::string text(std::string_view fallback) {
        if (pos_ < area_.size()) {
            const auto* start = area_.data() + pos_;
            const std::size_t left = area_.size() - pos_;
            if (const void* nul = std::memchr(start, 0, left)) {
                const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - start);
                std::string value(reinterpret_cast<const char*>(start), length);
                skip(length + 1);
                return value;
            }
        }
        pos_ = std::max(pos_, area_.size()) + 1;
        return std::string(fallback);
    }

    void skip(std::size_t count) {
        pos_ = count > kFar - pos_ ? kFar : pos_ + count;  // never wraps, whatever the counts
    }

private:
    static constexpr std::size_t kFar = std::numeric_limits<std::size_t>::max() / 2;

    bool fits(std::size_t width) const { return pos_ < area_.size() && area_.size() - pos_ >= width; }

    std::span<const std::uint8_t> area_;
    std::size_t pos_ = 0;
};

SettingBlock read_setting_block(Reader& in) {
    SettingBlock block;
    block.skip = in.flag();
    block.setting_flag = in.flag();
    block.placement = clamp_to(in.byte(), page_limits::kPlacement);
    block.setting_value_1 = clamp_to(in.byte(), page_limits::kSettingValue1);
    block.setting_value_2 = clamp_to(in.byte(), page_limits::kSettingValue2);
    block.setting_text = in.text({});
    return block;
}

SubEntry read_sub_entry(Reader& in) {
    SubEntry sub;
    sub.value_1 = clamp_to(in.byte(), page_limits::kValue1);
    sub.value_2 = clamp_to(in.byte(), page_limits::kValue2);
    sub.flag_1 = in.flag();
    sub.number = clamp_to(in.number16(), page_limits::kSubNumber);
    sub.setting = read_setting_block(in);
    return sub;
}

PageEntry read_entry(Reader& in, std::string_view default_text) {
    PageEntry e;
    e.kind = clamp_to(in.byte(), page_limits::kKind);
    e.value_1 = clamp_to(in.byte(), page_limits::kValue1);
    e.value_2 = clamp_to(in.byte(), page_limits::kValue2);
    e.flag_1 = in.flag();
    e.value_3 = clamp_to(in.byte(), page_limits::kValue3);
    e.number_1 = in.number16();
    e.value_4 = clamp_to(in.byte(), page_limits::kValue4);
    e.value_5 = clamp_to(in.byte(), page_limits::kValue5);
    e.value_6 = clamp_to(in.byte(), page_limits::kValue6);
    e.name = in.text({});
    if (e.name.size() > kEntryNameBytes) e.name.resize(kEntryNameBytes);
    e.value_7 = clamp_to(in.byte(), page_limits::kValue7);
    e.value_8 = clamp_to(in.byte(), page_limits::kValue8);
    e.number_2 = clamp_to(in.number16(), page_limits::kNumber2);
    e.text = in.text(default_text);
    // Past the end the paper size reads as the custom size, not as paper 0.
    e.paper_size = clamp_to(in.byte(page_limits::kPaperSize), page_limits::kPaperSize);
    e.custom_width = std::min(in.number32(), kMaxCustomWidth);
    e.custom_height = std::min(in.number32(), kMaxCustomHeight);
    e.setting = read_setting_block(in);

    const std::uint8_t sub_count = in.byte();
    for (unsigned i = 0; i < sub_count && !in.at_end(); ++i) e.sub_entries.push_back(read_sub_entry(in));

    const std::uint16_t range_count = in.number16();
    for (unsigned i = 0; i < range_count; ++i) {
        if (in.at_end()) {  // the remaining pairs read as (0, 0): none would enter the list
            in.skip(std::size_t{4} * (range_count - i));
            break;
        }
        PageRange range;
        range.first = in.number16();
        range.last = in.number16();
        if (range.valid()) e.pages.push_back(range);
    }
    return e;
}

// Tab entries without pages go; with the tab-shift flag, a tab is either skipped altogether or
// printed on its page, plain.
void normalize_tabs(PageList& list, bool tab_shift) {
    std::erase_if(list, [tab_shift](const PageEntry& e) {
        return e.is_tab() && (e.pages.empty() || (tab_shift && e.setting.skip));
    });
    if (!tab_shift) return;
    for (PageEntry& e : list) {
        if (!e.is_tab()) continue;
        e.setting.placement = kTabPrintedOnPage;
        e.sub_entries.clear();
        e.setting.setting_value_1 = 0;
        e.setting.setting_text.clear();
    }
}

}  // namespace

DecodedPages decode_pages(std::span<const std::uint8_t> area, bool tab_shift, std::string_view default_text) {
    DecodedPages result;
    Reader in(area);
    std::uint16_t count = in.number16();
    if (count == kExtendedHeadMark) {
        if (in.byte() != kExtendedHeadFormat) {
            result.inside = in.inside();
            result.looked_at = in.looked_at();
            return result;
        }
        count = in.number16();
    }
    // Room for the announced entries, as far as the area can hold them (an entry takes well over
    // 16 bytes), so that the list is not moved while it grows.
    result.entries.reserve(std::min<std::size_t>(count, area.size() / 16));
    for (unsigned i = 0; i < count && !in.at_end(); ++i)
        result.entries.push_back(read_entry(in, default_text));
    result.inside = in.inside();
    result.looked_at = in.looked_at();
    normalize_tabs(result.entries, tab_shift);
    return result;
}

bool announces_no_entries(std::span<const std::uint8_t> area) {
    Reader in(area);
    const std::uint16_t count = in.number16();
    if (count != kExtendedHeadMark) return count == 0;
    return in.byte() != kExtendedHeadFormat || in.number16() == 0;
}

DecodedPages decode_pages(const Record& record, std::string_view default_text) {
    return decode_pages(record.field(FeatureId::PageSpecificTrays), record.raw(FeatureId::TabImageShift) == 1,
                        default_text);
}

// ---- Encoding -------------------------------------------------------------------------------

namespace {

class Writer {
public:
    void byte(std::uint32_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
    void flag(bool v) { byte(v ? 1 : 0); }
    void number16(std::uint32_t v) {
        byte(v >> 8);
        byte(v);
    }
    void number32(std::uint32_t v) {
        number16(v >> 16);
        number16(v);
    }
    void text(std::string_view v, std::size_t keep = std::string_view::npos) {
        v = v.substr(0, std::min(v.find('\0'), keep));
        out_.insert(out_.end(), v.begin(), v.end());
        byte(0);
    }
    std::vector<std::uint8_t> take() { return std::move(out_); }

private:
    std::vector<std::uint8_t> out_;
};

void write_setting_block(Writer& out, const SettingBlock& block) {
    out.flag(block.skip);
    out.flag(block.setting_flag);
    out.byte(block.placement);
    out.byte(block.setting_value_1);
    out.byte(block.setting_value_2);
    out.text(block.setting_text);
}

void write_entry(Writer& out, const PageEntry& e) {
    out.byte(e.kind);
    out.byte(e.value_1);
    out.byte(e.value_2);
    out.flag(e.flag_1);
    out.byte(e.value_3);
    out.number16(e.number_1);
    out.byte(e.value_4);
    out.byte(e.value_5);
    out.byte(e.value_6);
    out.text(e.name, kEntryNameBytes);
    out.byte(e.value_7);
    out.byte(e.value_8);
    out.number16(e.number_2);
    out.text(e.text);
    out.byte(e.paper_size);
    out.number32(e.custom_width);
    out.number32(e.custom_height);
    write_setting_block(out, e.setting);
    out.byte(static_cast<std::uint32_t>(e.sub_entries.size()));
    for (const SubEntry& sub : e.sub_entries) {
        out.byte(sub.value_1);
        out.byte(sub.value_2);
        out.flag(sub.flag_1);
        out.number16(sub.number);
        write_setting_block(out, sub.setting);
    }
    out.number16(static_cast<std::uint32_t>(e.pages.size()));
    for (const PageRange& range : e.pages) {
        out.number16(range.first);
        out.number16(range.last);
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encode_page_stream(const PageList& list, PageHead head) {
    if (list.size() > 0xFFFF) return std::nullopt;
    for (const PageEntry& e : list)
        if (e.sub_entries.size() > 0xFF || e.pages.size() > 0xFFFF) return std::nullopt;
    Writer out;
    if (head == PageHead::Extended || list.size() == kExtendedHeadMark) {
        out.number16(kExtendedHeadMark);
        out.byte(kExtendedHeadFormat);
    }
    out.number16(static_cast<std::uint32_t>(list.size()));
    for (const PageEntry& e : list) write_entry(out, e);
    return out.take();
}

bool encode_pages(const PageList& list, std::span<std::uint8_t> area, PageHead head) {
    const auto stream = encode_page_stream(list, head);
    if (!stream || stream->size() > area.size()) return false;
    std::copy(stream->begin(), stream->end(), area.begin());
    std::fill(area.begin() + static_cast<std::ptrdiff_t>(stream->size()), area.end(), std::uint8_t{0});
    return true;
}

bool store_pages(Record& record, const PageList& list, PageHead head) {
    return encode_pages(list, record.field(FeatureId::PageSpecificTrays), head);
}

// ---- Selection ------------------------------------------------------------------------------
//
// Selection features are compared as stored: the record has normally been through validation,
// and a value outside a table (a paper profile index, whose options are only known at run time)
// must still count as "not 0".

namespace {

// The media type feature of each source that `InputSlot` can name, by option index.
constexpr std::array<FeatureId, 12> kSourceMediaType{
    FeatureId::MediaTypeAuto,  FeatureId::MediaTypeSubTray, FeatureId::MediaTypeTray1,
    FeatureId::MediaTypeTray2, FeatureId::MediaTypeTray3,   FeatureId::MediaTypeTray4,
    FeatureId::MediaTypeTray5, FeatureId::MediaTypeTray6,   FeatureId::MediaTypeTray7,
    FeatureId::MediaTypeTray8, FeatureId::MediaTypeTray9,   FeatureId::MediaTypeMBT,
};

bool layout_is(const Record& record, std::initializer_list<std::uint32_t> options) {
    const std::uint32_t layout = record.raw(FeatureId::Layout);
    return std::find(options.begin(), options.end(), layout) != options.end();
}

}  // namespace

std::uint32_t current_media_type(const Record& record) {
    if (record.raw(FeatureId::MainPaperProfileIndex) != 0)
        return record.raw(FeatureId::MainPaperProfileMediaType);
    std::uint32_t slot = record.raw(FeatureId::InputSlot);
    // A source index past the table reads as the feature's default source.
    if (slot >= kSourceMediaType.size()) slot = feature(FeatureId::InputSlot).descriptor->default_index;
    return record.raw(kSourceMediaType[slot]);
}

bool tab_sheets_allowed(const Record& record) {
    const std::uint32_t fold = record.raw(FeatureId::Fold);
    return record.raw(FeatureId::Layout) == 0 && record.raw(FeatureId::NUpCount) == 0 &&
           (fold == 0 || fold == 2) && record.raw(FeatureId::PerfectBindMode) == 0 &&
           record.raw(FeatureId::Crease) == 0 && record.raw(FeatureId::Slit) == 0 &&
           record.raw(FeatureId::Punch) != 5 && record.raw(FeatureId::Collate) != 1 &&
           current_media_type(record) != kMediaTypeEnvelope;
}

SelectionInputs selection_inputs(const Record& record) {
    SelectionInputs inputs;
    // Adhesive binding, cutting in two and grouped output take no page exceptions at all.
    inputs.none = layout_is(record, {1, 13}) || record.raw(FeatureId::Collate) == 1;
    // Layouts 3 to 5 take only kind 1.
    inputs.only_kind_1 = layout_is(record, {3, 4, 5});
    inputs.tabs = tab_sheets_allowed(record);
    inputs.envelope = current_media_type(record) == kMediaTypeEnvelope;
    inputs.tab_shift = record.raw(FeatureId::TabImageShift) == 1;
    return inputs;
}

PageList select_pages_first_stage(PageList list, const SelectionInputs& inputs) {
    if (inputs.none) return {};
    const auto allowed = [&](std::uint32_t kind) {
        if (inputs.only_kind_1) return kind == 1;
        return kind <= 4 || (inputs.tabs && is_tab_kind(kind));
    };
    std::erase_if(list, [&](const PageEntry& e) {
        if (!allowed(e.kind)) return true;
        if (e.kind == 1 && inputs.only_kind_1 && e.value_8 != 0 && e.value_8 != 12 && e.value_8 != 13)
            return true;
        if (e.value_8 == 12 || e.value_8 == 13) return false;
        return inputs.envelope;
    });
    return list;
}

PageList select_pages_first_stage(const Record& record, std::string_view default_text) {
    const SelectionInputs inputs = selection_inputs(record);
    if (inputs.none) return {};
    return select_pages_first_stage(decode_pages(record, default_text).entries, inputs);
}

// The second stage, step by step:
//
// 1. Sub-entries. A tab entry with sub-entries stands for a set of tab sheets at the same pages:
//    the entry itself, then one sheet per sub-entry. Each sub-entry becomes an entry of its own,
//    placed right after its parent in sub-entry order: a kind-5 entry that takes the parent's
//    fields and pages, with value 1, value 2, flag 1 and the setting block of the sub-entry and
//    the sub-entry's number as its number 1. The parent stays, without sub-entries. Sub-entries
//    of entries that are not tabs stay where they are.
// 2. Mode 1 only: page numbers move to where the pages fall in the output. A tab entry whose
//    skip flag is 0 and whose placement is 1 puts one sheet before each page of its ranges;
//    no other entry adds sheets. A page q of any other entry moves by the number of sheets put
//    before pages up to q. A sheet put before page p moves by the number of sheets put before
//    pages below p and by those put before p itself by entries earlier in the list, so that
//    sheets at the same page follow list order and the page itself comes after all of them.
//    Each range keeps its two ends: pages and sheets that fall between them in the output lie
//    inside the moved range. A page number that would pass 65535 becomes 0, and a range that is
//    then no longer 1 <= first <= last is dropped.
// 3. Every entry other than kind 1 that is left without pages is removed; entries of kind 1
//    stay with or without pages.
// 4. Mode 1 only: an entry equal to an earlier one in every field but the pages (see
//    same_except_pages) is merged into it: the earlier entry keeps its place and takes the
//    union of both page lists, sorted, with overlapping or adjacent ranges joined.
//
// In mode 2 an entry that is a tab without sub-entries therefore passes unchanged and in order.

namespace {

bool inserts_sheets(const PageEntry& e) {
    return e.is_tab() && !e.setting.skip && e.setting.placement == kTabInsertedBeforePage;
}

PageList expand_sub_entries(PageList list) {
    PageList out;
    out.reserve(list.size());
    for (PageEntry& e : list) {
        if (!e.is_tab() || e.sub_entries.empty()) {
            out.push_back(std::move(e));
            continue;
        }
        std::vector<SubEntry> subs = std::move(e.sub_entries);
        e.sub_entries.clear();
        out.push_back(e);
        for (const SubEntry& sub : subs) {
            PageEntry child = e;
            child.kind = kFirstTabKind;
            child.value_1 = sub.value_1;
            child.value_2 = sub.value_2;
            child.flag_1 = sub.flag_1;
            child.number_1 = sub.number;
            child.setting = sub.setting;
            out.push_back(std::move(child));
        }
    }
    return out;
}

// The sheets that the entries put before pages, counted per page up to the highest page the
// list names (so a short document costs a short table).
class InsertedSheets {
public:
    explicit InsertedSheets(const PageList& list) {
        std::uint32_t highest = 0;
        for (const PageEntry& e : list)
            for (const PageRange& r : e.pages) highest = std::max<std::uint32_t>(highest, r.last);
        up_to_.assign(std::size_t{highest} + 2, 0);
        earlier_.assign(std::size_t{highest} + 2, 0);
        std::vector<std::int64_t> changes(std::size_t{highest} + 2, 0);
        for (const PageEntry& e : list) {
            if (!inserts_sheets(e)) continue;
            for (const PageRange& r : e.pages) {
                ++changes[r.first];
                --changes[std::size_t{r.last} + 1];
            }
        }
        std::int64_t per_page = 0;
        for (std::size_t page = 1; page <= highest; ++page) {
            per_page += changes[page];
            up_to_[page] = up_to_[page - 1] + static_cast<std::uint64_t>(per_page);
        }
    }

    // Sheets put before pages 1 to q, by every entry (q is a page of the list, or one below).
    std::uint64_t up_to(std::uint32_t q) const { return up_to_[q]; }

    // Sheets put before page p by the entries counted so far: a Fenwick tree over the changes
    // per page, position p + 1 standing for page p.
    std::uint64_t earlier_at(std::uint32_t p) const {
        std::int64_t sum = 0;
        for (std::size_t i = std::size_t{p} + 1; i > 0; i -= i & (~i + 1)) sum += earlier_[i];
        return static_cast<std::uint64_t>(sum);
    }

    // Counts the sheets of an entry for the entries after it.
    void count(const PageEntry& e) {
        for (const PageRange& r : e.pages) {
            add(std::size_t{r.first} + 1, 1);
            add(std::size_t{r.last} + 2, -1);
        }
    }

private:
    void add(std::size_t position, std::int64_t delta) {
        for (std::size_t i = position; i < earlier_.size(); i += i & (~i + 1)) earlier_[i] += delta;
    }

    std::vector<std::uint64_t> up_to_;
    std::vector<std::int64_t> earlier_;
};

std::uint16_t moved_page(std::uint64_t page) { return page > 0xFFFF ? 0 : static_cast<std::uint16_t>(page); }

void shift_to_output_pages(PageList& list) {
    if (std::none_of(list.begin(), list.end(), inserts_sheets)) return;  // nothing moves
    InsertedSheets sheets(list);
    for (PageEntry& e : list) {
        const bool inserts = inserts_sheets(e);
        const auto move = [&](std::uint16_t page) -> std::uint16_t {
            if (!inserts) return moved_page(std::uint64_t{page} + sheets.up_to(page));
            return moved_page(std::uint64_t{page} + sheets.up_to(page - 1u) + sheets.earlier_at(page));
        };
        std::vector<PageRange> moved;
        moved.reserve(e.pages.size());
        for (const PageRange& r : e.pages) {
            const PageRange m{move(r.first), move(r.last)};
            if (m.valid()) moved.push_back(m);
        }
        if (inserts) sheets.count(e);
        e.pages = std::move(moved);
    }
}

void join_pages(std::vector<PageRange>& pages, const std::vector<PageRange>& more) {
    pages.insert(pages.end(), more.begin(), more.end());
    std::sort(pages.begin(), pages.end(), [](const PageRange& a, const PageRange& b) {
        return a.first != b.first ? a.first < b.first : a.last < b.last;
    });
    std::vector<PageRange> joined;
    for (const PageRange& r : pages) {
        if (!joined.empty() && std::uint32_t{r.first} <= std::uint32_t{joined.back().last} + 1)
            joined.back().last = std::max(joined.back().last, r.last);
        else
            joined.push_back(r);
    }
    pages = std::move(joined);
}

void merge_equal_entries(PageList& list) {
    PageList merged;
    for (PageEntry& e : list) {
        const auto same = std::find_if(merged.begin(), merged.end(), [&](const PageEntry& earlier) {
            return same_except_pages(earlier, e);
        });
        if (same == merged.end())
            merged.push_back(std::move(e));
        else
            join_pages(same->pages, e.pages);
    }
    list = std::move(merged);
}

}  // namespace

PageList finish_selection(PageList list, unsigned mode) {
    list = expand_sub_entries(std::move(list));
    if (mode == kSelectOutputPages) shift_to_output_pages(list);
    std::erase_if(list, [](const PageEntry& e) { return e.kind != 1 && e.pages.empty(); });
    if (mode == kSelectOutputPages) merge_equal_entries(list);
    return list;
}

PageList select_pages(const Record& record, unsigned mode, std::string_view default_text) {
    return finish_selection(select_pages_first_stage(record, default_text), mode);
}

// ---- Text form ------------------------------------------------------------------------------

namespace {

void append_quoted(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

void append_field(std::string& out, const char* separator, const char* name, std::uint32_t value) {
    out += separator;
    out += name;
    out += '=';
    out += std::to_string(value);
}

void append_text_field(std::string& out, const char* separator, const char* name, std::string_view value) {
    out += separator;
    out += name;
    out += '=';
    append_quoted(out, value);
}

void append_setting_block(std::string& out, const char* separator, const SettingBlock& block) {
    append_field(out, separator, "skip", block.skip);
    append_field(out, separator, "setting_flag", block.setting_flag);
    append_field(out, separator, "placement", block.placement);
    append_field(out, separator, "setting1", block.setting_value_1);
    append_field(out, separator, "setting2", block.setting_value_2);
    append_text_field(out, separator, "setting_text", block.setting_text);
}

}  // namespace

std::string format_entry(const PageEntry& e) {
    std::string out = "kind=" + std::to_string(e.kind);
    append_field(out, " ", "value1", e.value_1);
    append_field(out, " ", "value2", e.value_2);
    append_field(out, " ", "flag1", e.flag_1);
    append_field(out, " ", "value3", e.value_3);
    append_field(out, " ", "number1", e.number_1);
    append_field(out, " ", "value4", e.value_4);
    append_field(out, " ", "value5", e.value_5);
    append_field(out, " ", "value6", e.value_6);
    append_text_field(out, " ", "name", e.name);
    append_field(out, " ", "value7", e.value_7);
    append_field(out, " ", "value8", e.value_8);
    append_field(out, " ", "number2", e.number_2);
    append_text_field(out, " ", "text", e.text);
    append_field(out, " ", "paper", e.paper_size);
    append_field(out, " ", "width", e.custom_width);
    append_field(out, " ", "height", e.custom_height);
    append_setting_block(out, " ", e.setting);
    for (const SubEntry& sub : e.sub_entries) {
        out += " sub=[";
        append_field(out, "", "value1", sub.value_1);
        append_field(out, ",", "value2", sub.value_2);
        append_field(out, ",", "flag1", sub.flag_1);
        append_field(out, ",", "number", sub.number);
        append_setting_block(out, ",", sub.setting);
        out += ']';
    }
    out += " pages=";
    for (std::size_t i = 0; i < e.pages.size(); ++i) {
        if (i) out += ',';
        out += std::to_string(e.pages[i].first) + '-' + std::to_string(e.pages[i].last);
    }
    return out;
}

}  // namespace zenta::settings
