// Known-answer tests of the utility layer: byte order, CRC-32, Base64, hex, UTF-8/UTF-16
// and unit rescaling.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/base64.h"
#include "util/byte_order.h"
#include "util/crc32.h"
#include "util/hex.h"
#include "util/units.h"
#include "util/utf.h"

namespace zenta::util {
namespace {

std::span<const uint8_t> bytes_of(std::string_view s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::vector<uint8_t> vec(std::string_view s) {
    auto b = bytes_of(s);
    return {b.begin(), b.end()};
}

// ---------------------------------------------------------------------------------------
// Byte order

static_assert([] {
    uint8_t b[4]{};
    store_be(b, 2, 300);
    return b[0] == 0x01 && b[1] == 0x2C && load_be(b, 2) == 300;
}());

TEST(ByteOrder, BigEndianFieldsOfEachWidth) {
    uint8_t b[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    store_be32(b + 1, 0x12345678);
    EXPECT_EQ((std::vector<uint8_t>{0xAA, 0x12, 0x34, 0x56, 0x78, 0xAA}), std::vector<uint8_t>(b, b + 6));
    EXPECT_EQ(load_be32(b + 1), 0x12345678u);
    EXPECT_EQ(load_be16(b + 2), 0x3456u);
    EXPECT_EQ(load_be(b + 1, 1), 0x12u);
    EXPECT_EQ(load_be(b + 1, 2), 0x1234u);
    EXPECT_EQ(load_be(b + 1, 4), 0x12345678u);
    EXPECT_EQ(load_be(b + 1, 3), 0u);

    // Stores truncate to the field width and touch nothing beyond it.
    uint8_t c[5] = {0, 0, 0, 0, 0xEE};
    store_be(c, 1, 0x1234);
    EXPECT_EQ(c[0], 0x34);
    EXPECT_EQ(c[1], 0x00);
    store_be(c, 2, 0xABCDEF);
    EXPECT_EQ(c[0], 0xCD);
    EXPECT_EQ(c[1], 0xEF);
    EXPECT_EQ(c[2], 0x00);
    store_be(c, 4, 0xFFFFFFFF);
    EXPECT_EQ(load_be32(c), 0xFFFFFFFFu);
    EXPECT_EQ(c[4], 0xEE);
    store_be(c, 3, 0);  // unsupported width: nothing is written
    EXPECT_EQ(load_be32(c), 0xFFFFFFFFu);
}

TEST(ByteOrder, LittleEndian) {
    uint8_t b[4]{};
    store_le32(b, 0x5A545156);
    EXPECT_EQ((std::vector<uint8_t>{0x56, 0x51, 0x54, 0x5A}), std::vector<uint8_t>(b, b + 4));
    EXPECT_EQ(load_le32(b), 0x5A545156u);
    EXPECT_EQ(load_le16(b + 2), 0x5A54u);
    store_le16(b, 27800);
    EXPECT_EQ(b[0], 0x98);
    EXPECT_EQ(b[1], 0x6C);
    EXPECT_EQ(load_le16(b), 27800);
}

// ---------------------------------------------------------------------------------------
// CRC-32

static_assert(crc32_update(0, {}) == 0);
static_assert(detail::crc32_table[1] == 0x77073096u && detail::crc32_table[255] == 0x2D02EF8Du);

TEST(Crc32, KnownAnswers) {
    EXPECT_EQ(crc32_update(0, bytes_of("123456789")), 0xCBF43926u);
    EXPECT_EQ(crc32_update(0, bytes_of("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
    EXPECT_EQ(crc32_update(0, bytes_of(std::string(32, '\0'))), 0x190A55ADu);
    std::vector<uint8_t> all(256);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(crc32_update(0, all), 0x29058C73u);
}

TEST(Crc32, EmptyInputLeavesValue) {
    EXPECT_EQ(crc32_update(0, {}), 0u);
    EXPECT_EQ(crc32_update(0xFFFFFFFF, {}), 0xFFFFFFFFu);
    EXPECT_EQ(crc32_update(0xCBF43926, {}), 0xCBF43926u);
}

TEST(Crc32, RegisterStartingAtZero) {
    // The layout version's register starts at 0 instead of 0xFFFFFFFF.
    EXPECT_EQ(crc32_update(0xFFFFFFFF, bytes_of("123456789")), 0xD202D277u);
}

TEST(Crc32, PiecesChain) {
    const std::string text = "The quick brown fox jumps over the lazy dog";
    const uint32_t whole = crc32_update(0, bytes_of(text));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const std::string_view a(text.data(), cut), b(text.data() + cut, text.size() - cut);
        EXPECT_EQ(crc32_update(crc32_update(0, bytes_of(a)), bytes_of(b)), whole) << cut;
    }
}

// ---------------------------------------------------------------------------------------
// Base64

TEST(Base64, Rfc4648Vectors) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(base64_encode(bytes_of(plain)), encoded);
        const auto decoded = base64_decode(encoded);
        ASSERT_TRUE(decoded.has_value()) << encoded;
        EXPECT_EQ(*decoded, vec(plain)) << encoded;
    }
}

TEST(Base64, HighBitsAndAlphabetEnds) {
    const std::vector<uint8_t> b = {0xFB, 0xFF, 0xBF, 0x00, 0x10, 0x83};
    EXPECT_EQ(base64_encode(b), "+/+/ABCD");
    EXPECT_EQ(base64_decode("+/+/ABCD"), b);
    // The terminating NUL of a description text is part of the encoded bytes.
    EXPECT_EQ(base64_encode(std::vector<uint8_t>{'1', 0}), "MQA=");
}

TEST(Base64, RoundTripsEveryLengthAndByte) {
    std::vector<uint8_t> data;
    for (int i = 0; i < 300; ++i) {
        const std::string enc = base64_encode(data);
        EXPECT_EQ(enc.size(), (data.size() + 2) / 3 * 4);
        EXPECT_EQ(base64_decode(enc), data) << i;
        data.push_back(static_cast<uint8_t>(i * 7 + 3));
    }
}

TEST(Base64, ToleratesWhitespaceAndMissingPadding) {
    EXPECT_EQ(base64_decode("Zm9v\r\nYmFy"), vec("foobar"));
    EXPECT_EQ(base64_decode(" Zm 9v\tYg = =\n"), vec("foob"));
    EXPECT_EQ(base64_decode("\r\n\t "), std::vector<uint8_t>{});
    EXPECT_EQ(base64_decode("Zg"), vec("f"));
    EXPECT_EQ(base64_decode("Zm8"), vec("fo"));
    EXPECT_EQ(base64_decode("Zm9vYmE"), vec("fooba"));
}

TEST(Base64, RejectsBadInput) {
    const std::string_view bad[] = {
        "Z",         // a dangling single character
        "Zm9vY",     // the same after a full group
        "Zm9vY===",  // ... also when padded
        "Zg=",       // padding that does not complete the group
        "Zg===",     // too much padding
        "Zm8==",     //
        "Zm9v=",     // padding after a complete group
        "=",         //
        "====",      //
        "=Zg",       // padding first
        "Zg==Zg==",  // data after padding
        "Zm8=a",     //
        "Zm9v!",     // outside the alphabet
        "Zm9-",      // URL-safe alphabet is not accepted
        "Zm9_",      //
        "Zm\v9v",    // vertical tab is not among the skipped spaces
    };
    for (std::string_view text : bad) EXPECT_FALSE(base64_decode(text).has_value()) << text;
    EXPECT_FALSE(base64_decode(std::string_view("Zm\0v", 4)).has_value());
    EXPECT_FALSE(base64_decode("Zm\x80v").has_value());
    EXPECT_FALSE(base64_decode("Zm\xFFv").has_value());
}

// ---------------------------------------------------------------------------------------
// Hexadecimal

TEST(Hex, WrittenForms) {
    EXPECT_EQ(hex_upper(std::vector<uint8_t>{0x0A, 0xFF, 0x00, 0xc3}), "0AFF00C3");
    EXPECT_EQ(hex_upper({}), "");
    EXPECT_EQ(hex_u32(0), "00000000");
    EXPECT_EQ(hex_u32(0x1234), "00001234");
    EXPECT_EQ(hex_u32(0xDEADBEEF), "DEADBEEF");
    EXPECT_EQ(hex_trimmed(0), "00");
    EXPECT_EQ(hex_trimmed(0x5), "05");
    EXPECT_EQ(hex_trimmed(0xAB), "AB");
    EXPECT_EQ(hex_trimmed(0x100), "0100");
    EXPECT_EQ(hex_trimmed(0x1234), "1234");
    EXPECT_EQ(hex_trimmed(0x00012345), "012345");
    EXPECT_EQ(hex_trimmed(0x01000000), "01000000");
    EXPECT_EQ(hex_trimmed(0xDEADBEEF), "DEADBEEF");
}

TEST(Hex, ParseU32) {
    EXPECT_EQ(parse_hex_u32("0"), 0u);
    EXPECT_EQ(parse_hex_u32("DEADBEEF"), 0xDEADBEEFu);
    EXPECT_EQ(parse_hex_u32("deadBeef"), 0xDEADBEEFu);
    EXPECT_EQ(parse_hex_u32("0x1a"), 0x1Au);
    EXPECT_EQ(parse_hex_u32("0XFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parse_hex_u32("012345"), 0x12345u);
    EXPECT_EQ(parse_hex_u32("00000001"), 1u);
    for (uint32_t v : {0u, 0xABu, 0x12345u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(parse_hex_u32(hex_trimmed(v)), v);
        EXPECT_EQ(parse_hex_u32(hex_u32(v)), v);
    }
    for (std::string_view bad :
         {"", "0x", "0X", "x1", "123456789", "0x123456789", " 1", "1 ", "+1", "-1", "1g", "0x0x1", "1h"}) {
        EXPECT_FALSE(parse_hex_u32(bad).has_value()) << bad;
    }
    EXPECT_FALSE(parse_hex_u32(std::string_view("1\0", 2)).has_value());
}

TEST(Hex, ParseBytes) {
    EXPECT_EQ(parse_hex_bytes(""), std::vector<uint8_t>{});
    EXPECT_EQ(parse_hex_bytes("00fF7a"), (std::vector<uint8_t>{0x00, 0xFF, 0x7A}));
    const std::vector<uint8_t> mac = {0x00, 0x1B, 0xA9, 0x3C, 0x4D, 0xEF};
    EXPECT_EQ(parse_hex_bytes(hex_upper(mac)), mac);
    for (std::string_view bad : {"0", "ABC", "0x00", "G0", "0 ", "-1", "0:1"})
        EXPECT_FALSE(parse_hex_bytes(bad).has_value()) << bad;
}

// ---------------------------------------------------------------------------------------
// UTF-8 / UTF-16

TEST(Utf, KnownPairs) {
    const std::pair<std::string_view, std::u16string_view> pairs[] = {
        {"", u""},
        {"Plain ASCII\r\n", u"Plain ASCII\r\n"},
        {"\xC3\xA9\xC3\x9F\xC2\x80\xDF\xBF", u"\u00E9\u00DF\u0080\u07FF"},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", u"\u65E5\u672C\u8A9E"},  // 日本語
        // ＭＳ Ｐゴシック
        {"\xEF\xBC\xAD\xEF\xBC\xB3\x20\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
         u"\uFF2D\uFF33\u0020\uFF30\u30B4\u30B7\u30C3\u30AF"},
        {"\xE0\xA0\x80\xEF\xBF\xBF\xEE\x80\x80", u"\u0800\uFFFF\uE000"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},  // supplementary plane: a surrogate pair
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},
        {std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
    };
    for (const auto& [u8, u16] : pairs) {
        EXPECT_EQ(utf8_to_utf16(u8), u16);
        EXPECT_EQ(utf16_to_utf8(u16), u8);
    }
    EXPECT_EQ(utf8_to_utf16("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
}

TEST(Utf, InvalidUtf8BecomesReplacement) {
    const std::pair<std::string_view, std::u16string_view> cases[] = {
        {"\x80", u"\uFFFD"},                                // stray continuation
        {"\xFF\xFE", u"\uFFFD\uFFFD"},                      // never a lead byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong four-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xE6\x97", u"\uFFFD"},  // truncated at the end
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"\xC3", u"\uFFFD"},
        {"\xE6\x97"
         "A",
         u"\uFFFDA"},                           // interrupted by ASCII
        {"\xE6\xE6\x97\xA5", u"\uFFFD\u65E5"},  // interrupted by a new lead
        // Each maximal subpart of an ill-formed sequence is one replacement.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
    };
    for (const auto& [u8, u16] : cases) EXPECT_EQ(utf8_to_utf16(u8), u16) << testing::PrintToString(u8);
}

TEST(Utf, UnpairedSurrogatesBecomeReplacement) {
    const std::u16string lone_high{0xD800}, lone_low{0xDC00, u'A'}, reversed{0xDE00, 0xD83D},
        high_then_pair{0xD800, 0xD800, 0xDC00}, high_at_end{u'x', 0xDBFF};
    EXPECT_EQ(utf16_to_utf8(lone_high), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16_to_utf8(lone_low),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_EQ(utf16_to_utf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf16_to_utf8(high_then_pair), "\xEF\xBF\xBD\xF0\x90\x80\x80");
    EXPECT_EQ(utf16_to_utf8(high_at_end), "x\xEF\xBF\xBD");
}

TEST(Utf, PrefixCutsBetweenSequencesOfWellFormedText) {
    struct Case {
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", 3, "abc"},
        {"abcd", 3, "abc"},
        {"ab\xC3\xA9", 3, "ab"},  // é would not fit whole
        {"ab\xC3\xA9", 4, "ab\xC3\xA9"},
        {"a\xF0\x9F\x98\x80z", 4, "a"},  // nor a four-byte sequence
        {"a\xF0\x9F\x98\x80z", 5, "a\xF0\x9F\x98\x80"},
        {"ab\xC3\xA9\xFF", 3, "ab\xC3"},                  // not UTF-8 at all: cut where the limit is
        {"\xE2\x82\xAC\xE2\x82", 4, "\xE2\x82\xAC\xE2"},  // a truncated last sequence too
        {"", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8_prefix(c.text, c.max), c.expected) << testing::PrintToString(c.text) << " " << c.max;
}

TEST(Utf, EveryCodePointRoundTrips) {
    for (char32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 0x3F)) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::u16string u16;
        if (cp < 0x10000) {
            u16 += static_cast<char16_t>(cp);
        } else {
            u16 += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            u16 += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        const std::string u8 = utf16_to_utf8(u16);
        const std::size_t expected_len = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        ASSERT_EQ(u8.size(), expected_len) << std::hex << static_cast<uint32_t>(cp);
        ASSERT_EQ(utf8_to_utf16(u8), u16) << std::hex << static_cast<uint32_t>(cp);
    }
}

TEST(Utf, RandomBytesGiveWellFormedText) {
    // Whatever comes in, what comes out is well formed: converting it again changes nothing.
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string s(rng() % 24, '\0');
        for (char& c : s) c = static_cast<char>(rng() % 3 == 0 ? 0x80 | (rng() & 0x7F) : rng());
        const std::u16string u16 = utf8_to_utf16(s);
        const std::string u8 = utf16_to_utf8(u16);
        ASSERT_EQ(utf8_to_utf16(u8), u16);
        ASSERT_EQ(utf16_to_utf8(u16), u8);

        std::u16string w(rng() % 12, u'\0');
        for (char16_t& c : w) c = static_cast<char16_t>(rng() % 2 ? 0xD800 + (rng() & 0x7FF) : rng());
        const std::string w8 = utf16_to_utf8(w);
        ASSERT_EQ(utf16_to_utf8(utf8_to_utf16(w8)), w8);
    }
}

// ---------------------------------------------------------------------------------------
// Unit rescaling

static_assert(rescale(12, 10, 10000) == 12000);

TEST(Units, Rescale) {
    EXPECT_EQ(rescale(12, 10, 10000), 12000u);  // tenths to micrometres
    EXPECT_EQ(rescale(2970, 10, 10000), 2970000u);
    EXPECT_EQ(rescale(1500, 10000, 10), 2u);  // 1.5 rounds half up
    EXPECT_EQ(rescale(1499, 10000, 10), 1u);
    EXPECT_EQ(rescale(2500, 10000, 10), 3u);
    EXPECT_EQ(rescale(297000, 1000, 10), 2970u);
    EXPECT_EQ(rescale(0, 10000, 10), 0u);
    EXPECT_EQ(rescale(7, 3, 2), 5u);      // 4.67 -> 5 (m < d rounds)
    EXPECT_EQ(rescale(5, 2, 3), 7u);      // 7.5 -> 7 (m > d truncates)
    EXPECT_EQ(rescale(5, 600, 400), 3u);  // reduced to 2/3: (10 + 1) / 3
    EXPECT_EQ(rescale(123456, 254, 254), 123456u);
}

TEST(Units, ZeroUnitCountsAsOne) {
    EXPECT_EQ(rescale(1234, 0, 1), 1234u);
    EXPECT_EQ(rescale(1234, 1, 0), 1234u);
    EXPECT_EQ(rescale(1234, 0, 0), 1234u);
    EXPECT_EQ(rescale(1234, 0, 10), 12340u);
    EXPECT_EQ(rescale(1235, 10, 0), 124u);
}

TEST(Units, SixtyFourBitIntermediate) {
    // 4000000000 * 10000 needs 46 bits; the low 32 bits are kept.
    EXPECT_EQ(rescale(4000000000u, 1, 10000), 969572352u);
    EXPECT_EQ(rescale(4000000000u, 10000, 10000), 4000000000u);
    EXPECT_EQ(rescale(4000000000u, 10000, 9999), 3999600000u);
    // Largest operands: the rounding term still fits beside the product.
    EXPECT_EQ(rescale(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFEu), 0xFFFFFFFEu);
    EXPECT_EQ(rescale(0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu), 0u);  // 2^32 wraps to 0
}

}  // namespace
}  // namespace zenta::util
