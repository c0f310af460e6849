// Text primitives of the print stream: PJL quoting and lines, hex strings, comment lines and
// blocks, feature dictionary statements.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stream/text.h"
#include "util/base64.h"

namespace zenta::stream {
namespace {

using namespace std::string_literals;

constexpr std::string_view kCreate =
    "\r\nuserdict /ZTQVFeatures known not { userdict /ZTQVFeatures 100 dict put } if\r\n";

TEST(PjlValue, QuotingTable) {
    struct Row {
        std::string_view value, always, never, automatic;
    };
    const Row rows[] = {
        {"", R"("")", "", ""},
        {"-", R"("-")", "-", "-"},
        {"-12", R"("-12")", "-12", "-12"},
        {"-1a", R"("-1a")", "-1a", R"("-1a")"},
        {"--1", R"("--1")", "--1", R"("--1")"},
        {"12-", R"("12-")", "12-", R"("12-")"},
        {"12.5", R"("12.5")", "12.5", R"("12.5")"},
        {"UTF8", R"("UTF8")", "UTF8", "UTF8"},
        {"A B", R"("A B")", "A B", R"("A B")"},
        {"a\"b", R"("a"b")", "a\"b", R"("a"b")"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "\"Gr\xC3\xBC\xC3\x9F"
         "e\"",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "\"Gr\xC3\xBC\xC3\x9F"
         "e\""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.value));
        EXPECT_EQ(pjl_value(r.value, PjlQuoting::Always), r.always);
        EXPECT_EQ(pjl_value(r.value, PjlQuoting::Never), r.never);
        EXPECT_EQ(pjl_value(r.value, PjlQuoting::Automatic), r.automatic);
    }
}

TEST(PjlSet, LinesAppendAndEmptyVariableWritesNothing) {
    std::string out = "@PJL\r\n";
    append_pjl_set(out, "STRINGCODESET", "UTF8", PjlQuoting::Automatic);
    append_pjl_set(out, "USERNAME", "", PjlQuoting::Always);
    append_pjl_set(out, "JOBNAME", "", PjlQuoting::Automatic);
    append_pjl_set(out, "", "x", PjlQuoting::Always);
    append_pjl_set(out, "JOBCOMMENT", "a b", PjlQuoting::Never);
    EXPECT_EQ(out,
              "@PJL\r\n@PJL SET STRINGCODESET=UTF8\r\n@PJL SET USERNAME=\"\"\r\n@PJL SET JOBNAME=\r\n"
              "@PJL SET JOBCOMMENT=a b\r\n");
}

TEST(PsHexString, BytesOfEveryRange) {
    EXPECT_EQ(ps_hex_string(""), "<>");
    EXPECT_EQ(ps_hex_string("\0"s), "<00>");
    EXPECT_EQ(ps_hex_string("\x0A\x7F\x80\xFF\0z"s), "<0A7F80FF007A>");
    EXPECT_EQ(ps_hex_string("%%ZENTAPAGETRAILER%%"), "<25255A454E544150414745545241494C45522525>");
    EXPECT_EQ(ps_hex_string("ABCDE", 2), "<4142\r\n4344\r\n45>");
    EXPECT_EQ(ps_hex_string("ABCD", 2), "<4142\r\n4344>");
    EXPECT_EQ(ps_hex_string("", 2), "<>");
}

// Text whose neighbouring characters differ, so that a misplaced cut shows.
std::string pattern(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('!' + i % 90);
    return s;
}

TEST(CommentBlock, LineBoundaries) {
    const std::string t = pattern(139 + 157);
    const std::string head = "%%ZENTA-JobSettings: ";  // 21 characters: 139 left on the first line
    struct Row {
        std::size_t length;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {0, {}},
        {1, {head + t.substr(0, 1)}},
        {139, {head + t.substr(0, 139), "%%+ "}},
        {140, {head + t.substr(0, 139), "%%+ " + t.substr(139, 1)}},
        {139 + 156, {head + t.substr(0, 139), "%%+ " + t.substr(139, 156), "%%+ "}},
        {139 + 157, {head + t.substr(0, 139), "%%+ " + t.substr(139, 156), "%%+ " + t.substr(295, 1)}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        std::string expected = "kept";
        for (const std::string& line : r.lines) expected += line + "\r\n";
        std::string out = "kept";
        append_comment_block(out, "ZENTA-JobSettings", std::string_view(t).substr(0, r.length));
        EXPECT_EQ(out, expected);
    }
}

TEST(CommentBlock, WholeRecordInBase64) {
    std::vector<uint8_t> record(27774);
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i * 7 + i / 251);
    const std::string text = util::base64_encode(record);
    ASSERT_EQ(text.size(), 37032u);

    std::string out;
    append_comment_block(out, "ZENTA-JobSettings", text);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "unterminated line at " << at;
        lines.push_back(out.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 1u + (37032 - 139) / 156 + 1);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view prefix = i == 0 ? "%%ZENTA-JobSettings: " : "%%+ ";
        ASSERT_EQ(lines[i].substr(0, prefix.size()), prefix) << "line " << i;
        if (i + 1 < lines.size()) {
            EXPECT_EQ(lines[i].size(), 160u) << "line " << i;
        }
        EXPECT_LE(lines[i].size(), 160u) << "line " << i;
        joined += lines[i].substr(prefix.size());
    }
    EXPECT_LT(lines.back().size(), 160u);
    EXPECT_EQ(joined, text);
}

TEST(CommentBlock, NameLeavingNoRoomStillEnds) {
    const std::string fits(155, 'N');  // one character of room
    std::string out;
    append_comment_block(out, fits, "ab");
    EXPECT_EQ(out, "%%" + fits + ": a\r\n%%+ b\r\n");

    for (std::size_t n : {156u, 300u}) {  // no room: the text starts on the next line
        const std::string name(n, 'N');
        out.clear();
        append_comment_block(out, name, "abc");
        EXPECT_EQ(out, "%%" + name + ": \r\n%%+ abc\r\n");
        out.clear();
        append_comment_block(out, name, pattern(156));
        EXPECT_EQ(out, "%%" + name + ": \r\n%%+ " + pattern(156) + "\r\n%%+ \r\n");
    }
}

TEST(ValueComment, PlainOrHex) {
    struct Row {
        std::string_view name, value, expected;
    };
    const Row rows[] = {
        {"TitleEx", "Report1", "%%ZENTA-TitleEx: Report1\r\n"},
        {"TitleEx", "A B", "%%ZENTA-TitleEx: <412042>\r\n"},
        {"ForEx", "-12", "%%ZENTA-ForEx: <2D3132>\r\n"},
        {"ForEx",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "%%ZENTA-ForEx: <4772C3BCC39F65>\r\n"},
        {"ForEx", "", ""},
    };
    for (const Row& r : rows) {
        std::string out;
        append_value_comment(out, r.name, r.value);
        EXPECT_EQ(out, r.expected) << r.value;
    }
}

TEST(Statements, CreateOnceBeforeTheFirstWrittenStatement) {
    std::string out = "%%BeginSetup\r\n";
    Statements s(out);
    s.set("", "1");
    s.set("\0K"s, "1");
    s.set("K", "\0"s);
    s.remove("");
    s.call("\0P"s);
    s.call("Zenta_P8", "\0/A4"s);
    EXPECT_FALSE(s.created());
    EXPECT_EQ(out, "%%BeginSetup\r\n");

    s.set("ZENTAPDOS", "(WinNT5)");
    s.set("TPCS", "");
    s.remove("ZTQVPdNup");
    s.call("Zenta_P4");
    s.call("Zenta_P8", "[210 297]");
    s.set("", "");
    s.raw("%%ZENTAPAGETRAILER%%");
    EXPECT_TRUE(s.created());
    EXPECT_EQ(out, "%%BeginSetup\r\n"s + std::string(kCreate) +
                       "ZTQVFeatures /ZENTAPDOS (WinNT5) put\r\n"
                       "ZTQVFeatures /TPCS undef\r\n"
                       "ZTQVFeatures /ZTQVPdNup undef\r\n"
                       "ZTQVFeatures /Zenta_P4 known { ZTQVFeatures /Zenta_P4 get exec } if\r\n"
                       "ZTQVFeatures /Zenta_P8 known { [210 297] ZTQVFeatures /Zenta_P8 get exec } if\r\n"
                       "%%ZENTAPAGETRAILER%%\r\n");
}

TEST(Statements, RawLinesDoNotCreate) {
    std::string out;
    Statements s(out);
    s.raw("");
    s.raw("userdict /ZTQVPluginEndPageSetupCallBack undef");
    EXPECT_FALSE(s.created());
    EXPECT_EQ(out, "\r\nuserdict /ZTQVPluginEndPageSetupCallBack undef\r\n");
    s.remove("K");
    EXPECT_EQ(out, "\r\nuserdict /ZTQVPluginEndPageSetupCallBack undef\r\n"s + std::string(kCreate) +
                       "ZTQVFeatures /K undef\r\n");
}

}  // namespace
}  // namespace zenta::stream
