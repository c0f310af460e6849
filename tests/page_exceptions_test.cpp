// The page exception list: decoding byte streams written out by hand, the limits and the end of
// the area, the tab-shift normalization, the encoder, the selection for one use, and the text
// form the tool prints.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "settings/page_exceptions.h"
#include "settings/record.h"

namespace zenta::settings {
// Failures show entries in the tool's text form.
static void PrintTo(const PageEntry& e, std::ostream* os) { *os << format_entry(e); }
static void PrintTo(const PageRange& r, std::ostream* os) { *os << r.first << '-' << r.last; }
}  // namespace zenta::settings

namespace zenta {
namespace {

using features::FeatureId;
using settings::decode_pages;
using settings::format_entry;
using settings::PageEntry;
using settings::PageList;
using settings::PageRange;
using settings::Record;
using settings::SubEntry;

using Bytes = std::vector<std::uint8_t>;
using Kinds = std::vector<unsigned>;
using Ranges = std::vector<PageRange>;

// A stream written byte by byte, independently of the encoder.
struct Stream {
    Bytes b;
    Stream& u8(unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Stream& u16(unsigned v) { return u8(v >> 8).u8(v); }
    Stream& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    Stream& text(std::string_view t) { return raw(t).u8(0); }
    Stream& raw(std::string_view t) {
        b.insert(b.end(), t.begin(), t.end());
        return *this;
    }
    // An entry with every field 0 and empty texts: 34 bytes plus 4 per page range.
    Stream& plain_entry(unsigned kind, std::vector<std::pair<unsigned, unsigned>> ranges) {
        u8(kind).u8(0).u8(0).u8(0).u8(0).u16(0).u8(0).u8(0).u8(0).text("");
        u8(0).u8(0).u16(0).text("").u8(0).u32(0).u32(0);
        u8(0).u8(0).u8(0).u8(0).u8(0).text("");  // setting block
        u8(0);                                   // no sub-entries
        u16(static_cast<unsigned>(ranges.size()));
        for (auto [first, last] : ranges) u16(first).u16(last);
        return *this;
    }
    // The stream padded with zeros to a full area.
    Bytes area(std::size_t size = settings::kPageAreaSize) const {
        Bytes a = b;
        a.resize(size, 0);
        return a;
    }
};

PageEntry tab(unsigned kind, std::uint16_t first, std::uint16_t last, unsigned placement = 0) {
    return {.kind = static_cast<std::uint8_t>(kind),
            .setting = {.placement = static_cast<std::uint8_t>(placement)},
            .pages = {{first, last}}};
}

PageEntry paper_entry(unsigned kind, Ranges pages, std::uint8_t paper = 1) {
    return {.kind = static_cast<std::uint8_t>(kind), .paper_size = paper, .pages = std::move(pages)};
}

// A paper entry (paper 1) or a tab at one page, with value 8.
PageEntry at_page(unsigned kind, std::uint16_t page, std::uint8_t value_8 = 0) {
    PageEntry e = settings::is_tab_kind(kind) ? tab(kind, page, page) : paper_entry(kind, {{page, page}});
    e.value_8 = value_8;
    return e;
}

std::vector<Ranges> pages_of(const PageList& list) {
    std::vector<Ranges> pages;
    for (const PageEntry& e : list) pages.push_back(e.pages);
    return pages;
}

// ---- Decoding -------------------------------------------------------------------------------

// One entry with a distinct value in every field, as the known answer for decoder and encoder.
Stream known_entry_stream(unsigned flag_byte) {
    Stream s;
    s.u16(1);
    s.u8(6).u8(3).u8(5).u8(flag_byte).u8(1).u16(0x1234).u8(7).u8(12).u8(9).text("Chapter");
    s.u8(2).u8(12).u16(499).text("Intro").u8(26).u32(2000000).u32(3000000);
    s.u8(0).u8(1).u8(1).u8(15).u8(3).text("L1");
    s.u8(1).u8(2).u8(4).u8(1).u16(100).u8(1).u8(0).u8(0).u8(0).u8(14).text("S");
    s.u16(2).u16(3).u16(3).u16(5).u16(9);
    return s;
}

// clang-format off
const PageEntry kKnownEntry{
    .kind = 6, .value_1 = 3, .value_2 = 5, .flag_1 = true, .value_3 = 1, .number_1 = 0x1234, .value_4 = 7,
    .value_5 = 12, .value_6 = 9, .name = "Chapter", .value_7 = 2, .value_8 = 12, .number_2 = 499,
    .text = "Intro", .paper_size = 26, .custom_width = 2000000, .custom_height = 3000000,
    .setting = {false, true, 1, 15, 3, "L1"},
    .sub_entries = {{2, 4, true, 100, {true, false, 0, 0, 14, "S"}}},
    .pages = {{3, 3}, {5, 9}}};
// clang-format on

constexpr const char* kKnownEntryLine =
    "kind=6 value1=3 value2=5 flag1=1 value3=1 number1=4660 value4=7 value5=12 value6=9 name=\"Chapter\" "
    "value7=2 value8=12 number2=499 text=\"Intro\" paper=26 width=2000000 height=3000000 skip=0 "
    "setting_flag=1 placement=1 setting1=15 setting2=3 setting_text=\"L1\" "
    "sub=[value1=2,value2=4,flag1=1,number=100,skip=1,setting_flag=0,placement=0,setting1=0,setting2=14,"
    "setting_text=\"S\"] pages=3-3,5-9";

// Streams written by hand: lists of plain entries, every field of one entry, values above their
// limits, long and unterminated texts, and areas that end inside an entry.
TEST(PageDecode, StreamsWrittenByHand) {
    const PageEntry zero{.paper_size = 0};  // an entry read from zero bytes
    // An entry of the kind announcing 200 sub-entries of which one is written before the end.
    const auto cut_sub_entries = [](unsigned kind) {
        Stream s;
        s.u16(1).u8(kind).u8(0).u8(0).u8(0).u8(0).u16(0).u8(0).u8(0).u8(0).text("");
        s.u8(0).u8(0).u16(0).text("").u8(0).u32(0).u32(0).u8(0).u8(0).u8(0).u8(0).u8(0).text("");
        s.u8(200).u8(1).u8(2).u8(0).u16(3).u8(0).u8(0).u8(0).u8(0).u8(0).text("A");
        return s.b;
    };
    // clang-format off
    const struct {
        const char* what;
        Bytes bytes;
        bool inside;
        PageList expected;
    } cases[] = {
        {"all zero: the plain form of the empty list", Stream{}.area(), true, {}},
        {"an extended head of another format than 19 ends decoding, whatever follows",
         Stream{}.u16(0xFFFF).u8(18).u16(1).plain_entry(0, {{1, 1}}).area(), true, {}},
        {"the extended head", Stream{}.u16(0xFFFF).u8(19).u16(1).plain_entry(0, {{1, 1}}).area(), true,
         {paper_entry(0, {{1, 1}}, 0)}},
        {"a zero count with bytes behind it", Stream{}.u16(0).plain_entry(3, {{1, 2}}).area(), true, {}},
        {"page ranges out of order are dropped; a tab left without pages is removed",
         Stream{}.u16(2).plain_entry(6, {{3, 2}}).plain_entry(0, {{0, 5}, {2, 2}, {7, 6}, {0, 0}, {1, 65535}})
             .area(), true,
         {paper_entry(0, {{2, 2}, {1, 65535}}, 0)}},
        {"no more entries than the head announces",
         Stream{}.u16(1).plain_entry(0, {{1, 1}}).plain_entry(3, {{2, 2}}).area(), true,
         {paper_entry(0, {{1, 1}}, 0)}},
        {"announced entries behind the written ones read from the zero bytes that follow",
         Stream{}.u16(3).plain_entry(4, {{1, 1}}).area(), true, {paper_entry(4, {{1, 1}}, 0), zero, zero}},
        {"every field in stream order", known_entry_stream(0x20).area(), true, {kKnownEntry}},
        {"values above their limit read as the limit; kind 9 is stored as 7; number 1 has no limit",
         Stream{}.u16(1)
             .u8(9).u8(0xFF).u8(0xFF).u8(0x80).u8(0xFF).u16(0xFFFF).u8(0xFF).u8(0xFF).u8(0xFF).text("")
             .u8(0xFF).u8(0xFF).u16(0xFFFF).text("").u8(0xFF).u32(0xFFFFFFFF).u32(600000001)
             .u8(0x02).u8(0xFF).u8(0xFF).u8(0xFF).u8(0xFF).text("")
             .u8(1).u8(0xFF).u8(0xFF).u8(0xFF).u16(0xFFFF).u8(0xFF).u8(0xFF).u8(3).u8(16).u8(15).text("")
             .u16(1).u16(4).u16(4).area(), true,
         {{.kind = 7, .value_1 = 6, .value_2 = 7, .flag_1 = true, .value_3 = 2, .number_1 = 0xFFFF,
           .value_4 = 8, .value_5 = 13, .value_6 = 14, .value_7 = 2, .value_8 = 13, .number_2 = 500,
           .paper_size = 26, .custom_width = 600000000, .custom_height = 600000000,
           .setting = {true, true, 2, 15, 14, ""},
           .sub_entries = {{6, 7, true, 100, {true, true, 2, 15, 14, ""}}}, .pages = {{4, 4}}}}},
        {"the name keeps 20 bytes and value 7 is read behind all of it; an empty text stays empty",
         Stream{}.u16(1)
             .u8(0).u8(1).u8(2).u8(0).u8(1).u16(7).u8(3).u8(4).u8(5).text("ABCDEFGHIJKLMNOPQRSTUVWXYZ")
             .u8(1).u8(11).u16(42).text("").u8(4).u32(1).u32(2)
             .u8(0).u8(0).u8(0).u8(0).u8(0).text("x").u8(0).u16(1).u16(8).u16(9).area(), true,
         {{.value_1 = 1, .value_2 = 2, .value_3 = 1, .number_1 = 7, .value_4 = 3, .value_5 = 4, .value_6 = 5,
           .name = "ABCDEFGHIJKLMNOPQRST", .value_7 = 1, .value_8 = 11, .number_2 = 42, .text = "",
           .paper_size = 4, .custom_width = 1, .custom_height = 2, .setting = {.setting_text = "x"},
           .pages = {{8, 9}}}}},
        {"an unterminated text takes its default; the paper size and all after it read past the end",
         Stream{}.u16(1).u8(2).u8(1).u8(1).u8(0).u8(0).u16(0).u8(0).u8(0).u8(0).text("N")
             .u8(0).u8(5).u16(10).raw("no end").b, false,
         {{.kind = 2, .value_1 = 1, .value_2 = 1, .name = "N", .value_8 = 5, .number_2 = 10, .text = "Tab",
           .paper_size = 26}}},
        {"an unterminated name defaults to empty",
         Stream{}.u16(1).u8(2).u8(0).u8(0).u8(0).u8(0).u16(0).u8(0).u8(0).u8(0).raw("ABC").b, false,
         {{.kind = 2, .name = "", .text = "Tab"}}},
        {"a tab whose sub-entries run past the end has no pages and is removed", cut_sub_entries(5), false,
         {}},
        {"the same entry of kind 0 shows what was read", cut_sub_entries(0), false,
         {{.paper_size = 0, .sub_entries = {{1, 2, false, 3, {.setting_text = "A"}}}}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoded = decode_pages(c.bytes, false);
        EXPECT_EQ(decoded.inside, c.inside);
        EXPECT_EQ(decoded.entries, c.expected);
    }
    EXPECT_EQ(settings::default_entry_text(), "Tab");
    EXPECT_EQ(settings::default_entry_text("Register"), "Register");
}

TEST(PageDecode, EntryStartingTwoBytesBeforeTheEnd) {
    // A first entry whose text fills the area up to two bytes before its end.
    const std::size_t first_size = 34 + 4;
    const std::string filler(settings::kPageAreaSize - 2 - 2 - first_size, 'x');
    Stream s;
    s.u16(2);
    s.u8(0).u8(0).u8(0).u8(0).u8(0).u16(0).u8(0).u8(0).u8(0).text("");
    s.u8(0).u8(0).u16(0).text(filler).u8(0).u32(0).u32(0).u8(0).u8(0).u8(0).u8(0).u8(0).text("").u8(0);
    s.u16(1).u16(1).u16(1);
    ASSERT_EQ(s.b.size(), settings::kPageAreaSize - 2);
    s.u8(3).u8(4);
    ASSERT_EQ(s.b.size(), settings::kPageAreaSize);

    const auto decoded = decode_pages(s.b, false, "Divider");
    EXPECT_FALSE(decoded.inside);
    ASSERT_EQ(decoded.entries.size(), 2u);
    EXPECT_EQ(decoded.entries[0].text, filler);
    // The default text; the name's and setting text's default is empty.
    EXPECT_EQ(decoded.entries[1], (PageEntry{.kind = 3, .value_1 = 4, .text = "Divider", .paper_size = 26}));

    // A tab entry there has no pages and is removed.
    s.b[settings::kPageAreaSize - 2] = 5;
    EXPECT_EQ(decode_pages(s.b, false).entries.size(), 1u);
}

TEST(PageDecode, TabShiftNormalizesTabs) {
    // clang-format off
    const PageEntry printed{.kind = 5, .setting = {false, true, 1, 9, 4, "Section"},
                            .sub_entries = {{1, 1, true, 5, {}}}, .pages = {{2, 2}}};
    const PageEntry other{.kind = 2, .paper_size = 1, .setting = {false, false, 1, 7, 0, "kept"},
                          .sub_entries = {SubEntry{}}, .pages = {{1, 3}}};
    // clang-format on
    PageEntry skipped = tab(6, 4, 4);
    skipped.setting.skip = true;
    const PageList list{printed, skipped, other};
    Bytes area(settings::kPageAreaSize);
    ASSERT_TRUE(settings::encode_pages(list, area));
    EXPECT_EQ(decode_pages(area, false).entries, list);

    // The printed tab loses placement, setting value 1, setting text and sub-entries; its setting
    // flag and value 2 stay. The skipped tab goes; the entry that is not a tab is untouched.
    PageEntry normalized = printed;
    normalized.setting = {false, true, 0, 0, 4, ""};
    normalized.sub_entries.clear();
    const PageList shifted{normalized, other};
    EXPECT_EQ(decode_pages(area, true).entries, shifted);

    // From a record: TabImageShift 1 is the flag.
    Record record;
    ASSERT_TRUE(settings::store_pages(record, list));
    EXPECT_EQ(decode_pages(record).entries.size(), 3u);
    record.set_raw(FeatureId::TabImageShift, 1);
    EXPECT_EQ(decode_pages(record).entries, shifted);
}

// ---- Encoding -------------------------------------------------------------------------------

TEST(PageEncode, WritesTheKnownBytes) {
    const Bytes plain = known_entry_stream(1).b;  // a flag is written as 1
    EXPECT_EQ(settings::encode_page_stream({kKnownEntry}), plain);
    Bytes extended{0xFF, 0xFF, 19};
    extended.insert(extended.end(), plain.begin(), plain.end());
    EXPECT_EQ(settings::encode_page_stream({kKnownEntry}, settings::PageHead::Extended), extended);

    EXPECT_EQ(settings::encode_page_stream({}), (Bytes{0, 0}));
    EXPECT_EQ(settings::encode_page_stream({}, settings::PageHead::Extended), (Bytes{0xFF, 0xFF, 19, 0, 0}));
}

TEST(PageEncode, CutsNamesAndTextsAndRefusesWhatCannotBeWritten) {
    PageEntry e = paper_entry(0, {{1, 1}});
    e.name = "123456789012345678901234";
    e.text = std::string("be\0fore", 7);
    PageEntry cut = e;
    cut.name = "12345678901234567890";
    cut.text = "be";
    EXPECT_EQ(decode_pages(settings::encode_page_stream({e}).value(), false).entries, PageList{cut});

    PageEntry many_subs = paper_entry(0, {{1, 1}});
    many_subs.sub_entries.resize(256);
    EXPECT_FALSE(settings::encode_page_stream({many_subs}));
    many_subs.sub_entries.resize(255);
    EXPECT_TRUE(settings::encode_page_stream({many_subs}));
}

TEST(PageEncode, AListThatDoesNotFitLeavesTheAreaAlone) {
    const PageList list{paper_entry(0, {{1, 2}}), paper_entry(3, {{4, 4}})};
    const std::size_t size = settings::encode_page_stream(list)->size();
    ASSERT_EQ(size, 2u + 38 + 38);

    Bytes exact(size, 0xAA);
    EXPECT_TRUE(settings::encode_pages(list, exact));
    EXPECT_EQ(decode_pages(exact, false).entries, list);

    Bytes short_area(size - 1, 0xAA);
    EXPECT_FALSE(settings::encode_pages(list, short_area));
    EXPECT_EQ(short_area, Bytes(size - 1, 0xAA));

    Bytes larger(size + 10, 0xAA);
    EXPECT_TRUE(settings::encode_pages(list, larger));
    EXPECT_EQ(Bytes(larger.begin() + static_cast<std::ptrdiff_t>(size), larger.end()), Bytes(10, 0));
}

std::string random_text(std::mt19937& rng, std::size_t max_length) {
    std::string text(rng() % (max_length + 1), ' ');
    for (char& c : text) c = static_cast<char>(1 + rng() % 255);
    return text;
}

settings::SettingBlock random_setting(std::mt19937& rng) {
    const auto below = [&](unsigned n) { return static_cast<std::uint8_t>(rng() % n); };
    return {below(2) == 1, below(2) == 1, below(3), below(16), below(15), random_text(rng, 12)};
}

// An entry that the decoder gives back as it is: every value within its limit, texts without a
// zero byte, the name within 20 bytes, valid page ranges, and pages for every tab.
PageEntry random_entry(std::mt19937& rng) {
    const auto below = [&](unsigned n) { return static_cast<std::uint8_t>(rng() % n); };
    const auto below32 = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
    // clang-format off
    PageEntry e{.kind = below(8), .value_1 = below(7), .value_2 = below(8), .flag_1 = below(2) == 1,
                .value_3 = below(3), .number_1 = static_cast<std::uint16_t>(rng()), .value_4 = below(9),
                .value_5 = below(14), .value_6 = below(15), .name = random_text(rng, 20), .value_7 = below(3),
                .value_8 = below(14), .number_2 = static_cast<std::uint16_t>(rng() % 501),
                .text = random_text(rng, 30), .paper_size = below(27), .custom_width = below32(600000001u),
                .custom_height = below32(600000001u), .setting = random_setting(rng)};
    // clang-format on
    for (unsigned i = rng() % 4; i > 0; --i)
        e.sub_entries.push_back(SubEntry{below(7), below(8), rng() % 2 == 1,
                                         static_cast<std::uint16_t>(rng() % 101), random_setting(rng)});
    unsigned ranges = rng() % 5;
    if (e.is_tab() && ranges == 0) ranges = 1;
    for (; ranges > 0; --ranges) {
        const auto first = static_cast<std::uint16_t>(1 + rng() % 65535);
        const auto last = static_cast<std::uint16_t>(first + rng() % (65536u - first));
        e.pages.push_back({first, last});
    }
    return e;
}

TEST(PageEncode, EncodingThenDecodingGivesTheSameList) {
    std::mt19937 rng(7001);
    for (int round = 0; round < 400; ++round) {
        PageList list;
        for (unsigned n = rng() % 9; n > 0; --n) list.push_back(random_entry(rng));
        for (const auto head : {settings::PageHead::Plain, settings::PageHead::Extended}) {
            Bytes area(settings::kPageAreaSize, 0x5A);
            ASSERT_TRUE(settings::encode_pages(list, area, head));
            const auto decoded = decode_pages(area, false);
            EXPECT_TRUE(decoded.inside);
            ASSERT_EQ(decoded.entries, list) << "round " << round;
        }
        Record record;
        ASSERT_TRUE(settings::store_pages(record, list));
        EXPECT_EQ(decode_pages(record).entries, list);
    }
}

// ---- Never outside the area -----------------------------------------------------------------

void expect_decoded_shape(const PageList& list, bool tab_shift) {
    for (const PageEntry& e : list) {
        // clang-format off
        const std::pair<std::uint64_t, std::uint64_t> limited[] = {
            {e.kind, 7}, {e.value_1, 6}, {e.value_2, 7}, {e.value_3, 2}, {e.value_4, 8}, {e.value_5, 13},
            {e.value_6, 14}, {e.value_7, 2}, {e.value_8, 13}, {e.number_2, 500}, {e.paper_size, 26},
            {e.custom_width, 600000000}, {e.custom_height, 600000000}, {e.setting.placement, 2},
            {e.name.size(), settings::kEntryNameBytes}, {e.sub_entries.size(), 255}};
        // clang-format on
        for (const auto& [value, limit] : limited) ASSERT_LE(value, limit) << format_entry(e);
        for (const SubEntry& sub : e.sub_entries) ASSERT_LE(sub.number, 100);
        for (const PageRange& r : e.pages) ASSERT_TRUE(r.valid());
        if (!e.is_tab()) continue;
        ASSERT_FALSE(e.pages.empty());
        if (tab_shift) {
            ASSERT_FALSE(e.setting.skip);
            ASSERT_EQ(e.setting.placement, 0);
            ASSERT_TRUE(e.sub_entries.empty());
        }
    }
}

void check_area(const Bytes& area) {
    for (const bool tab_shift : {false, true}) {
        const auto decoded = decode_pages(area, tab_shift);
        expect_decoded_shape(decoded.entries, tab_shift);
        // Whatever was read is written back and read again unchanged.
        const auto stream = settings::encode_page_stream(decoded.entries);
        ASSERT_TRUE(stream);
        const auto again = decode_pages(*stream, tab_shift);
        EXPECT_TRUE(again.inside);
        ASSERT_EQ(again.entries, decoded.entries);
        // Only the bytes the decoder looked at count: others behind them change nothing.
        ASSERT_LE(decoded.looked_at, area.size());
        Bytes changed_behind = area;
        for (std::size_t i = decoded.looked_at; i < area.size(); ++i) changed_behind[i] ^= 0x5A;
        ASSERT_EQ(decode_pages(changed_behind, tab_shift).entries, decoded.entries);
        ASSERT_TRUE(!settings::announces_no_entries(area) || decoded.entries.empty());
    }
}

// Both selections of a record give valid ranges, pages for every entry but kind 1, and tabs
// without sub-entries.
void check_selection(const Record& record) {
    for (const unsigned mode : {settings::kSelectOutputPages, settings::kSelectTabs})
        for (const PageEntry& e : settings::select_pages(record, mode)) {
            for (const PageRange& r : e.pages) ASSERT_TRUE(r.valid());
            ASSERT_TRUE(e.kind == 1 || !e.pages.empty()) << format_entry(e);
            ASSERT_TRUE(!e.is_tab() || e.sub_entries.empty()) << format_entry(e);
        }
}

TEST(PageBounds, RandomAreasAreReadInsideTheirBounds) {
    std::mt19937 rng(9413);
    for (int round = 0; round < 1500; ++round) {
        // Areas of exactly their size, so that a read past the end is a read outside the buffer.
        const std::size_t size = round % 8 == 0 ? settings::kPageAreaSize : rng() % 300;
        Bytes area(size);
        for (auto& b : area) b = static_cast<std::uint8_t>(rng());
        // Mostly small counts and small bytes, so that entries get far into the stream.
        if (size >= 2 && round % 3 != 0) {
            area[0] = 0;
            area[1] = static_cast<std::uint8_t>(rng() % 6);
            if (round % 2)
                for (std::size_t i = 2; i < size; ++i)
                    if (rng() % 3) area[i] = static_cast<std::uint8_t>(area[i] % 4);
        }
        if (size >= 5 && round % 5 == 0) {
            area[0] = area[1] = 0xFF;
            area[2] = 19;
        }
        check_area(area);
        if (HasFatalFailure()) return;
    }
}

TEST(PageBounds, RepeatedPatterns) {
    std::vector<Bytes> patterns{{0xFF, 0xFF, 19},        {0, 1}, {1, 0}, {5, 1}, {0, 0xFF}, {0xFF, 0},
                                {0, 2, 5, 0, 0, 0, 0, 1}};
    for (unsigned v = 0; v < 256; ++v) patterns.push_back({static_cast<std::uint8_t>(v)});
    std::mt19937 rng(311);
    for (int i = 0; i < 60; ++i) {
        Bytes p(1 + rng() % 12);
        for (auto& b : p) b = static_cast<std::uint8_t>(rng() % 8);
        patterns.push_back(p);
    }
    for (const Bytes& pattern : patterns) {
        for (const std::size_t size : {std::size_t{1}, std::size_t{37}, settings::kPageAreaSize}) {
            Bytes area(size);
            for (std::size_t i = 0; i < size; ++i) area[i] = pattern[i % pattern.size()];
            check_area(area);
            if (HasFatalFailure()) return;
        }
        // The same bytes as a record's list, through both selections.
        Record record;
        const auto field = record.field(FeatureId::PageSpecificTrays);
        for (std::size_t i = 0; i < field.size(); ++i) field[i] = pattern[i % pattern.size()];
        check_selection(record);
        if (HasFatalFailure()) return;
    }
}

TEST(PageBounds, SelectionOfRandomRecords) {
    std::mt19937 rng(5150);
    for (int round = 0; round < 300; ++round) {
        Record record;
        const auto field = record.field(FeatureId::PageSpecificTrays);
        field[0] = 0;
        field[1] = static_cast<std::uint8_t>(rng() % 40);
        for (std::size_t i = 2; i < field.size(); ++i) field[i] = static_cast<std::uint8_t>(rng() % 8);
        record.set_raw(FeatureId::Layout, round % 4 == 0 ? rng() % 16 : 0);
        record.set_raw(FeatureId::InputSlot, rng() % 14);
        record.set_raw(FeatureId::MediaTypeAuto, rng() % 6);
        record.set_raw(FeatureId::TabImageShift, rng() % 2);
        check_selection(record);
        if (HasFatalFailure()) return;
    }
}

TEST(PageBounds, LargestSetsOfTabSheetsAreSelectedQuickly) {
    // One tab with 3500 page ranges and 255 sub-entries fills most of the area; every sub-entry
    // becomes a tab at all of those pages.
    PageEntry set = tab(6, 1, 1, settings::kTabInsertedBeforePage);
    set.pages.clear();
    for (unsigned i = 0; i < 3500; ++i)
        set.pages.push_back({static_cast<std::uint16_t>(1 + 2 * i), static_cast<std::uint16_t>(1 + 2 * i)});
    for (unsigned i = 0; i < 255; ++i)
        set.sub_entries.push_back(
            SubEntry{0, 0, false, static_cast<std::uint16_t>(i % 101), {false, false, 1, 0, 0, ""}});
    Record record;
    ASSERT_TRUE(settings::store_pages(record, {set}));
    EXPECT_EQ(settings::select_pages(record, settings::kSelectTabs).size(), 256u);
    EXPECT_FALSE(settings::select_pages(record, settings::kSelectOutputPages).empty());
    check_selection(record);
}

// ---- Selection, first stage -----------------------------------------------------------------

PageList one_entry_of_each_kind() {
    PageList list;
    for (std::uint16_t page = 1; page <= 8; ++page) list.push_back(paper_entry(page - 1, {{page, page}}));
    return list;
}

Record record_with(const PageList& list) {
    Record record;
    EXPECT_TRUE(settings::store_pages(record, list));
    return record;
}

// What the first stage keeps of a list, by the record: grouped output and most layouts take no
// exceptions, tab sheets need every condition, envelope paper keeps only entries of value 8 12
// or 13, and layouts 3 to 5 keep only kind 1.
TEST(PageSelection, FirstStageKeepsWhatTheRecordAllows) {
    const PageList each = one_entry_of_each_kind();
    const PageList valued{at_page(0, 1),    at_page(2, 2, 12), at_page(3, 3, 13),
                          at_page(4, 4, 5), at_page(5, 5),     at_page(6, 6, 12)};
    const PageList kind_1{at_page(1, 1), at_page(1, 2, 12), at_page(1, 3, 13), at_page(1, 4, 5),
                          at_page(0, 5), at_page(2, 6),     at_page(5, 7)};
    const Kinds no_tabs{0, 1, 2, 3, 4}, none{};
    const auto envelope = settings::kMediaTypeEnvelope;
    using F = FeatureId;
    struct Case {
        const PageList& list;
        std::vector<std::pair<FeatureId, std::uint32_t>> settings;
        std::optional<Kinds> kept;  // indexes into the list; none: all of it
        std::optional<bool> tabs;   // tab_sheets_allowed, where it is the point
        const char* what = "";
    };
    // clang-format off
    const Case cases[] = {
        {each, {}, {}, true},
        {each, {{F::Layout, 1}}, none, {}},  {each, {{F::Layout, 13}}, none, {}},
        {each, {{F::Collate, 1}}, none, {}, "grouped output"},
        {each, {{F::Layout, 2}}, no_tabs, false},    {each, {{F::Layout, 6}}, no_tabs, false},
        {each, {{F::NUpCount, 1}}, no_tabs, false},  {each, {{F::Fold, 1}}, no_tabs, false},
        {each, {{F::Fold, 2}}, {}, true},            {each, {{F::Fold, 3}}, no_tabs, false},
        {each, {{F::Crease, 1}}, no_tabs, false},    {each, {{F::PerfectBindMode, 1}}, no_tabs, false},
        {each, {{F::Slit, 1}}, no_tabs, false},      {each, {{F::Punch, 5}}, no_tabs, false},
        {each, {{F::Punch, 4}}, {}, true},           {each, {{F::Duplex, 1}}, {}, true},
        {valued, {}, {}, {}, "no envelope"},
        {valued, {{F::MainPaperProfileIndex, 3}, {F::MainPaperProfileMediaType, envelope}}, Kinds{1, 2},
         false,
         "envelope through the paper profile"},
        {valued, {{F::InputSlot, 4}, {F::MediaTypeTray3, envelope}}, Kinds{1, 2}, {},
         "envelope in the chosen tray"},
        {valued, {{F::InputSlot, 3}, {F::MediaTypeTray3, envelope}}, {}, {}, "envelope in a tray not chosen"},
        {valued, {{F::InputSlot, 4}, {F::MediaTypeTray3, envelope}, {F::MainPaperProfileIndex, 1},
                  {F::MainPaperProfileMediaType, 1}}, {}, {},
         "a profile of plain paper decides, whatever the chosen tray holds"},
        {kind_1, {}, {}, {}, "elsewhere value 8 does not matter for kind 1"},
        {kind_1, {{F::Layout, 3}}, Kinds{0, 1, 2}, {}},
        {kind_1, {{F::Layout, 4}}, Kinds{0, 1, 2}, {}},
        {kind_1, {{F::Layout, 5}}, Kinds{0, 1, 2}, {}},
        {kind_1, {{F::Layout, 3}, {F::MediaTypeAuto, envelope}}, Kinds{1, 2}, {}},
        {kind_1, {{F::Layout, 4}, {F::MediaTypeAuto, envelope}}, Kinds{1, 2}, {}},
        {kind_1, {{F::Layout, 5}, {F::MediaTypeAuto, envelope}}, Kinds{1, 2}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string trace = c.what;
        Record record = record_with(c.list);
        for (const auto& [id, value] : c.settings) {
            record.set_raw(id, value);
            trace.append(" ").append(features::feature(id).key).append("=" + std::to_string(value));
        }
        SCOPED_TRACE(trace);
        PageList kept = c.list;
        if (c.kept) {
            kept.clear();
            for (const unsigned i : *c.kept) kept.push_back(c.list[i]);
        }
        EXPECT_EQ(settings::select_pages_first_stage(record), kept);
        if (c.tabs) {
            EXPECT_EQ(settings::tab_sheets_allowed(record), *c.tabs);
        }
        if (!kept.empty()) continue;
        EXPECT_TRUE(settings::select_pages(record, settings::kSelectOutputPages).empty());
        EXPECT_TRUE(settings::select_pages(record, settings::kSelectTabs).empty());
    }
}

TEST(PageSelection, CurrentPaperMediaType) {
    using F = FeatureId;
    const FeatureId sources[] = {F::MediaTypeAuto,  F::MediaTypeSubTray, F::MediaTypeTray1, F::MediaTypeTray2,
                                 F::MediaTypeTray3, F::MediaTypeTray4,   F::MediaTypeTray5, F::MediaTypeTray6,
                                 F::MediaTypeTray7, F::MediaTypeTray8,   F::MediaTypeTray9, F::MediaTypeMBT};
    Record record;
    for (std::uint32_t i = 0; i < 12; ++i) record.set_raw(sources[i], i % 8);
    record.set_raw(FeatureId::MediaTypePITray1, 6);
    for (std::uint32_t slot = 0; slot < 12; ++slot) {
        record.set_raw(FeatureId::InputSlot, slot);
        EXPECT_EQ(settings::current_media_type(record), slot % 8) << slot;
    }
    record.set_raw(FeatureId::InputSlot, 12);  // past the table: the default source, Auto
    EXPECT_EQ(settings::current_media_type(record), 0u);
    // A paper profile in use decides, whatever its index.
    record.set_raw(FeatureId::InputSlot, 4);
    record.set_raw(FeatureId::MainPaperProfileIndex, 300);
    record.set_raw(FeatureId::MainPaperProfileMediaType, 7);
    EXPECT_EQ(settings::current_media_type(record), 7u);
}

// ---- Selection, second stage ----------------------------------------------------------------

TEST(PageSelection, ModeTwoKeepsPlainTabsUnchangedAndInOrder) {
    PageEntry named = tab(6, 4, 4, 1);
    named.setting.setting_text = "Results";
    named.text = "Chapter 2";
    const PageEntry kind_1 = paper_entry(1, {}), kind_2 = paper_entry(2, {});
    const PageList list{tab(5, 3, 3), paper_entry(0, {{1, 2}}), tab(7, 9, 9, 1), kind_1, kind_2, named};
    const PageList expected{list[0], list[1], list[2], kind_1, named};  // only kind 1 stays without pages
    EXPECT_EQ(settings::finish_selection(list, settings::kSelectTabs), expected);
    EXPECT_EQ(settings::select_pages(record_with(list), settings::kSelectTabs), expected);
}

TEST(PageSelection, SubEntriesBecomeTabsAfterTheirParent) {
    PageEntry set{.kind = 6, .name = "Set", .text = "T", .paper_size = 4, .pages = {{3, 3}}};
    set.sub_entries = {SubEntry{1, 2, true, 7, {false, true, 0, 3, 1, "A"}},
                       SubEntry{0, 5, false, 8, {false, false, 1, 0, 0, "B"}}};
    PageEntry other = paper_entry(0, {{8, 8}});
    other.sub_entries = {SubEntry{}};
    PageEntry parent = set;
    parent.sub_entries.clear();
    // A sub-entry's tab is its parent of kind 5 with the sub-entry's own fields.
    const auto as_tab = [&](const SubEntry& sub) {
        PageEntry e = parent;
        e.kind = 5;
        e.value_1 = sub.value_1, e.value_2 = sub.value_2, e.flag_1 = sub.flag_1, e.number_1 = sub.number;
        e.setting = sub.setting;
        return e;
    };
    EXPECT_EQ(settings::finish_selection({set, other}, settings::kSelectTabs),
              (PageList{parent, as_tab(set.sub_entries[0]), as_tab(set.sub_entries[1]), other}));
}

TEST(PageSelection, ModeOneCountsTheSheetsInsertedBeforeEachPage) {
    PageEntry a = tab(5, 5, 5, 1), b = tab(5, 5, 5, 1), skipped = tab(5, 2, 2, 1);
    a.text = "A";
    b.text = "B";
    skipped.setting.skip = true;
    // clang-format off
    const PageList list{a, b, paper_entry(0, {{5, 6}}), paper_entry(3, {{1, 4}}), tab(6, 7, 7, 0), skipped,
                        paper_entry(4, {{3, 9}})};
    // clang-format on
    const PageList out = settings::finish_selection(list, settings::kSelectOutputPages);
    EXPECT_EQ(pages_of(out),
              (std::vector<Ranges>{{{5, 5}}, {{6, 6}}, {{7, 8}}, {{1, 4}}, {{9, 9}}, {{2, 2}}, {{3, 11}}}));
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0].text, "A");
    EXPECT_EQ(out[1].text, "B");
    // The tab mode leaves page numbers alone.
    EXPECT_EQ(settings::finish_selection(list, settings::kSelectTabs), list);

    // A set of inserted tabs: the parent's sheet comes first, then its sub-entries'.
    PageEntry set = tab(6, 2, 2, 1);
    set.sub_entries = {SubEntry{0, 0, false, 1, {false, false, 1, 0, 0, "x"}}};
    EXPECT_EQ(
        pages_of(settings::finish_selection({set, paper_entry(0, {{2, 3}})}, settings::kSelectOutputPages)),
        (std::vector<Ranges>{{{2, 2}}, {{3, 3}}, {{4, 5}}}));
}

// The output of a short document, sheet by sheet: before each page the sheets the entries put
// there, in list order, then the page. Mode 1 must number every range end as it falls here.
TEST(PageSelection, ModeOneNumbersMatchTheOutputSheetBySheet) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 300; ++round) {
        PageList list;
        for (unsigned n = 1 + rng() % 7; n > 0; --n) {
            PageEntry e;
            e.kind = static_cast<std::uint8_t>(rng() % 8);
            e.number_1 = static_cast<std::uint16_t>(list.size());  // no two entries merge
            e.setting.placement = static_cast<std::uint8_t>(rng() % 3);
            e.setting.skip = rng() % 5 == 0;
            for (unsigned r = 1 + rng() % 3; r > 0; --r) {
                const auto first = static_cast<std::uint16_t>(1 + rng() % 30);
                e.pages.push_back({first, static_cast<std::uint16_t>(first + rng() % 4)});
            }
            list.push_back(e);
        }
        const auto inserts = [](const PageEntry& e) {
            return e.is_tab() && !e.setting.skip && e.setting.placement == settings::kTabInsertedBeforePage;
        };
        // Where each document page and the first sheet of each entry before each page land.
        std::vector<unsigned> page_at(40, 0);
        std::vector<std::vector<unsigned>> sheet_at(list.size(), std::vector<unsigned>(40, 0));
        unsigned position = 0;
        for (unsigned page = 1; page < 40; ++page) {
            for (std::size_t k = 0; k < list.size(); ++k) {
                if (!inserts(list[k])) continue;
                for (const PageRange& r : list[k].pages) {
                    if (!r.contains(page)) continue;
                    ++position;
                    if (sheet_at[k][page] == 0) sheet_at[k][page] = position;
                }
            }
            page_at[page] = ++position;
        }
        const PageList out = settings::finish_selection(list, settings::kSelectOutputPages);
        ASSERT_EQ(out.size(), list.size());
        for (std::size_t k = 0; k < list.size(); ++k) {
            ASSERT_EQ(out[k].pages.size(), list[k].pages.size());
            const auto& where = inserts(list[k]) ? sheet_at[k] : page_at;
            for (std::size_t r = 0; r < list[k].pages.size(); ++r) {
                const PageRange& in = list[k].pages[r];
                EXPECT_EQ(out[k].pages[r], (PageRange{static_cast<std::uint16_t>(where[in.first]),
                                                      static_cast<std::uint16_t>(where[in.last])}))
                    << "round " << round << " entry " << k;
            }
        }
    }
}

TEST(PageSelection, ModeOnePagesPastTheLastNumberAreDropped) {
    const PageList list{tab(5, 65535, 65535, 1), paper_entry(0, {{65535, 65535}}),
                        paper_entry(1, {{65535, 65535}}), paper_entry(1, {{10, 10}, {65535, 65535}}),
                        paper_entry(3, {{100, 65535}})};
    const PageList out = settings::finish_selection(list, settings::kSelectOutputPages);
    // The sheet itself is still numbered 65535; the two kind-1 entries, now equal, are merged.
    EXPECT_EQ(out, (PageList{list[0], paper_entry(1, {{10, 10}})}));
}

TEST(PageSelection, ModeOneMergesEqualEntries) {
    const PageList list{paper_entry(0, {{1, 2}}),
                        paper_entry(0, {{5, 5}}, 2),
                        paper_entry(0, {{10, 10}, {3, 4}}),
                        paper_entry(0, {{2, 3}}),
                        tab(5, 7, 7),
                        tab(5, 8, 8)};
    const PageList out = settings::finish_selection(list, settings::kSelectOutputPages);
    EXPECT_EQ(out, (PageList{paper_entry(0, {{1, 4}, {10, 10}}), list[1], tab(5, 7, 8)}));
    EXPECT_EQ(settings::finish_selection(list, settings::kSelectTabs), list);
    EXPECT_TRUE(settings::same_except_pages(list[0], list[2]));
    EXPECT_FALSE(settings::same_except_pages(list[0], list[1]));
}

// ---- Text form ------------------------------------------------------------------------------

TEST(PageFormat, Lines) {
    EXPECT_EQ(format_entry(kKnownEntry), kKnownEntryLine);
    EXPECT_EQ(
        format_entry(PageEntry{}),
        "kind=0 value1=0 value2=0 flag1=0 value3=0 number1=0 value4=0 value5=0 value6=0 name=\"\" value7=0 "
        "value8=0 number2=0 text=\"\" paper=26 width=0 height=0 skip=0 setting_flag=0 placement=0 "
        "setting1=0 setting2=0 setting_text=\"\" pages=");
    PageEntry e = tab(7, 12, 14, 1);
    e.name = "a\"b\\c\x01";
    e.text = "caf\xC3\xA9";
    e.pages.push_back({20, 20});
    e.sub_entries = {SubEntry{}, SubEntry{6, 7, true, 100, {true, true, 2, 15, 14, "x,]"}}};
    EXPECT_EQ(
        format_entry(e),
        "kind=7 value1=0 value2=0 flag1=0 value3=0 number1=0 value4=0 value5=0 value6=0 "
        "name=\"a\\\"b\\\\c\\x01\" value7=0 value8=0 number2=0 text=\"caf\xC3\xA9\" paper=26 width=0 "
        "height=0 "
        "skip=0 setting_flag=0 placement=1 setting1=0 setting2=0 setting_text=\"\" "
        "sub=[value1=0,value2=0,flag1=0,number=0,skip=0,setting_flag=0,placement=0,setting1=0,setting2=0,"
        "setting_text=\"\"] "
        "sub=[value1=6,value2=7,flag1=1,number=100,skip=1,setting_flag=1,placement=2,setting1=15,setting2=14,"
        "setting_text=\"x,]\"] pages=12-14,20-20");
}

}  // namespace
}  // namespace zenta
