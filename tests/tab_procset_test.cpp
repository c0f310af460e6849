// The eexec cipher, the compaction of the tab procedure set, the delivered block (decrypted
// here by a decoder of the test's own) and the tab page texts.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "stream/tab_procset.h"
#include "stream/tab_texts.h"
#include "util/eexec.h"
#include "util/hex.h"

namespace zenta {
namespace {

std::string bytes_from_hex(std::string_view hex) {
    const auto bytes = util::parse_hex_bytes(hex);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<bad hex>");
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(separator, at);
        if (next == std::string_view::npos) {
            parts.emplace_back(text.substr(at));
            return parts;
        }
        parts.emplace_back(text.substr(at, next - at));
        at = next + separator.size();
    }
}

// The test's own eexec decoder, kept apart from util/eexec: r starts at 55665; each cipher
// byte c gives the plain byte c ^ (r >> 8), and r becomes (c + r) * 52845 + 22719 mod 65536.
std::string independent_decrypt(std::string_view cipher) {
    unsigned r = 55665;
    std::string plain;
    for (const char ch : cipher) {
        const unsigned c = static_cast<unsigned char>(ch);
        plain += static_cast<char>(c ^ (r >> 8));
        r = ((c + r) * 52845u + 22719u) & 0xFFFFu;
    }
    return plain;
}

// ---------------------------------------------------------------------------------------
// eexec

// Known answers computed once, outside this code base, with:
//   python3 -c "
//   r=55665; out=[]
//   for c in bytes([0x47,0x46,0x01,0x30]): out.append(c); r=((c+r)*52845+22719)&0xFFFF
//   for p in b'userdict begin':
//       c=p^(r>>8); out.append(c); r=((c+r)*52845+22719)&0xFFFF
//   print(bytes(out).hex().upper())"
// and the same loop encrypting the plain bytes 00 00 00 00 'a' 'b' 'c' from the start.
TEST(Eexec, EncryptsBehindCipherLeadIn) {
    const std::array<uint8_t, 4> lead_in{0x47, 0x46, 0x01, 0x30};
    EXPECT_EQ(util::eexec_encrypt("userdict begin", lead_in),
              bytes_from_hex("474601303C49C4B3FB6E59683CFED75BB530"));
}

TEST(Eexec, DecryptsKnownAnswer) {
    EXPECT_EQ(util::eexec_decrypt(bytes_from_hex("D9D66F633E3E14")), std::string("\0\0\0\0abc", 7));
    EXPECT_EQ(util::eexec_decrypt(bytes_from_hex("D9D66F633E3E14"), 4), "abc");
    EXPECT_EQ(util::eexec_decrypt(bytes_from_hex("D9D66F"), 4), "");
    EXPECT_EQ(util::eexec_decrypt(""), "");
}

TEST(Eexec, RoundTripsAnyBytes) {
    std::mt19937 random(16);
    for (int round = 0; round < 50; ++round) {
        std::string plain(static_cast<std::size_t>(random() % 300), '\0');
        for (char& c : plain) c = static_cast<char>(random());
        const std::array<uint8_t, 4> lead_in{static_cast<uint8_t>(random()), 0x46, 0x01, 0x30};
        const std::string cipher = util::eexec_encrypt(plain, lead_in);
        ASSERT_EQ(cipher.size(), plain.size() + 4);
        EXPECT_EQ(std::string_view(cipher).substr(0, 4),
                  std::string_view(reinterpret_cast<const char*>(lead_in.data()), 4));
        EXPECT_EQ(util::eexec_decrypt(cipher, 4), plain);
        EXPECT_EQ(independent_decrypt(cipher).substr(4), plain);
    }
}

// ---------------------------------------------------------------------------------------
// Compaction

struct CompactCase {
    const char* text;
    const char* compacted;
};

TEST(TabProcset, CompactionTable) {
    const CompactCase cases[] = {
        {"", ""},
        {" \t\r\n ", ""},
        {"a", "a"},
        {"  a  b\t\tc\r\n", "a b c"},
        {"a\r\n\r\n\tb", "a b"},
        {"% only a comment", ""},
        {"a % comment\r\nb", "a b"},
        {"a% comment\nb", "a b"},
        {"a %% comment %\rb", "a b"},
        {"a\n% whole line\n  b % last", "a b"},
        {"(100%) show", "(100%) show"},
        {"(a (nested % here) b) % gone\r\nx", "(a (nested % here) b) x"},
        {"(escaped \\) paren % kept) % gone\nx", "(escaped \\) paren % kept) x"},
        {"(escaped \\( paren % kept) y", "(escaped \\( paren % kept) y"},
        {"(back\\\\) % gone\nz", "(back\\\\) z"},
        {"(two  blanks) x", "(two blanks) x"},
        {"<48656C6C6F> % hex\ny", "<48656C6C6F> y"},
        {"<< /A 1 >> % dictionary\nz", "<< /A 1 >> z"},
        {"<~9jqo^%F*2M~> % base 85\nz", "<~9jqo^%F*2M~> z"},
        {") stray % gone\nq", ") stray q"},
        {"(unterminated % kept", "(unterminated % kept"},
        {"(ends in escape \\", "(ends in escape \\"},
        {"{ 1 2 add } % sum\r\n  bind def", "{ 1 2 add } bind def"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stream::compact_procset(c.text), c.compacted) << '"' << c.text << '"';
}

TEST(TabProcset, SourceIsReadableAndCompactedTextHasNoComment) {
    const std::string_view source = stream::tab_procset_source();
    EXPECT_NE(source.find("\n%"), std::string_view::npos);   // comment lines
    EXPECT_NE(source.find("\n  "), std::string_view::npos);  // indentation

    const std::string text = stream::tab_procset_text();
    EXPECT_EQ(text.find('%'), std::string::npos);
    EXPECT_EQ(text.find_first_of("\t\r\n"), std::string::npos);
    EXPECT_EQ(text.find("  "), std::string::npos);
    EXPECT_EQ(text.rfind("userdict /ZentaTABdict known not {userdict /ZentaTABdict 20 dict put} if "
                         "ZentaTABdict begin ",
                         0),
              0u);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 4), " end");
}

TEST(TabProcset, ProceduresInOrderEachGuardedAndBound) {
    const std::string text = stream::tab_procset_text();
    const char* names[] = {
        "TABWriteText",       "showBold",         "TABcopyFont",       "TABappendStringToFontName",
        "TABpreLoadFonts",    "TABmakeIsoLatin1", "TABmakefontname",   "TABsavesettings",
        "TABrestoresettings", "TABselectset",     "TABIsPortraitPage", "Zenta_TP2",
        "Zenta_TP1"};
    std::size_t previous = 0;
    for (const char* name : names) {
        const std::string guard = std::string("ZentaTABdict /") + name + " known not { /" + name + " {";
        const std::size_t at = text.find(guard);
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, previous) << name;
        EXPECT_EQ(text.find(guard, at + 1), std::string::npos) << name;
        previous = at;
    }
    // One "bind executeonly def" per procedure; the last block also starts the tab data.
    std::size_t bound = 0;
    for (std::size_t at = text.find("} bind executeonly def"); at != std::string::npos;
         at = text.find("} bind executeonly def", at + 1))
        ++bound;
    EXPECT_EQ(bound, std::size(names));
    EXPECT_NE(text.find("} bind executeonly def /TABcount 0 def /TABpagenumbers [] def } if end", previous),
              std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Lead-in and the delivered block

TEST(TabProcset, LeadInTableHoldsNoHexadecimalCharacter) {
    std::string seen;
    for (unsigned draw = 0; draw < stream::kTabLeadInTableSize; ++draw) {
        const uint8_t b = stream::tab_lead_in_byte(draw);
        EXPECT_TRUE((b >= 'G' && b <= 'Z') || b == '_') << draw;
        seen += static_cast<char>(b);
    }
    EXPECT_EQ(seen, "GHIJKLMNOPQRSTUVWXYZ_GHIJKLMNOPQRSTUVWXYZ__");
    EXPECT_EQ(stream::tab_lead_in_byte(43), 'G');
    EXPECT_EQ(stream::tab_lead_in_byte(32767), seen[32767 % 43]);
}

struct DeliveredBlock {
    std::vector<std::string> cipher_lines;
    std::vector<std::string> loader_lines;
};

// The block is: cipher lines joined by LF, CR LF, loader lines joined by LF, CR LF.
DeliveredBlock parse_block(const std::string& block) {
    DeliveredBlock parsed;
    const auto parts = split(block, "\r\n");
    EXPECT_EQ(parts.size(), 3u);
    if (parts.size() != 3) return parsed;
    EXPECT_EQ(parts[2], "");
    parsed.cipher_lines = split(parts[0], "\n");
    parsed.loader_lines = split(parts[1], "\n");
    return parsed;
}

void expect_cut_lines(const std::vector<std::string>& lines) {
    ASSERT_FALSE(lines.empty());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].find('\r'), std::string::npos);
        if (i + 1 < lines.size())
            EXPECT_EQ(lines[i].size(), stream::kTabProcsetLineLength) << i;
        else
            EXPECT_LE(lines[i].size(), stream::kTabProcsetLineLength);
        EXPECT_GT(lines[i].size(), 0u);
    }
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += line;
    return out;
}

// The bytes of text: a hexadecimal string "<...>" of upper-case digits, then tail.
std::string hex_string_bytes(const std::string& text, std::string_view tail) {
    EXPECT_GT(text.size(), tail.size() + 2) << text;
    if (text.size() <= tail.size() + 2) return "<too short>";
    EXPECT_EQ(text.front(), '<') << text;
    EXPECT_EQ(text.substr(text.size() - tail.size() - 1), ">" + std::string(tail)) << text;
    const std::string digits = text.substr(1, text.size() - tail.size() - 2);
    EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << digits;
    return bytes_from_hex(digits);
}

TEST(TabProcset, BlockDecryptsToTheCompactedText) {
    const std::string block = stream::tab_procset_block('Q');
    const DeliveredBlock parsed = parse_block(block);
    expect_cut_lines(parsed.cipher_lines);
    expect_cut_lines(parsed.loader_lines);

    const std::string cipher = hex_string_bytes(joined(parsed.cipher_lines), "");
    ASSERT_GT(cipher.size(), 4u);
    EXPECT_EQ(cipher.substr(0, 4), std::string("Q\x46\x01\x30", 4));

    const std::string plain = independent_decrypt(cipher).substr(4);
    EXPECT_EQ(plain, stream::tab_procset_text());
    EXPECT_EQ(plain.find('%'), std::string::npos);
}

TEST(TabProcset, LoaderLines) {
    const DeliveredBlock parsed = parse_block(stream::tab_procset_block('G'));
    EXPECT_EQ(hex_string_bytes(joined(parsed.loader_lines), " cvx exec"),
              "(Zenta_file) dup (w) file dup 4 -1 roll writestring closefile dup (r) file dup eexec "
              "closefile deletefile");
    // 105 characters: 212 hex characters with the brackets, so " cvx exec" ends a short third
    // line and is never cut (the cut inside the hex string may part a byte's two digits, which
    // the interpreter reads across the line end).
    ASSERT_EQ(parsed.loader_lines.size(), 3u);
    EXPECT_EQ(parsed.loader_lines[2], "46566696C65> cvx exec");
}

TEST(TabProcset, BlockDependsOnTheLeadInByteOnly) {
    const std::string g = stream::tab_procset_block('G');
    const std::string z = stream::tab_procset_block('Z');
    EXPECT_EQ(g, stream::tab_procset_block('G'));
    ASSERT_EQ(g.size(), z.size());
    EXPECT_EQ(g.substr(0, 3), "<47");
    EXPECT_EQ(z.substr(0, 3), "<5A");
    EXPECT_EQ(g.substr(3, 6), z.substr(3, 6));  // the other lead-in bytes
    EXPECT_EQ(g.substr(3, 6), "460130");
    EXPECT_NE(g.substr(9, 20), z.substr(9, 20));  // the key differs from there on
    EXPECT_EQ(g.substr(g.size() - 2), "\r\n");
}

TEST(TabProcset, DeliveryIsMadeOncePerProcess) {
    const std::string& first = stream::tab_procset_delivery();
    const std::string& second = stream::tab_procset_delivery();
    EXPECT_EQ(&first, &second);
    ASSERT_GE(first.size(), 3u);
    const uint8_t lead = static_cast<uint8_t>(bytes_from_hex(first.substr(1, 2))[0]);
    EXPECT_TRUE((lead >= 'G' && lead <= 'Z') || lead == '_');
    EXPECT_EQ(first, stream::tab_procset_block(lead));
}

// ---------------------------------------------------------------------------------------
// Tab page texts

TEST(TabTexts, TextsGivenLiterally) {
    const std::string features = "\r\nuserdict /ZTQVFeatures 2 copy known {pop pop}{100 dict put} ifelse\r\n";
    EXPECT_EQ(stream::qxp1tab_definition(true), features + "ZTQVFeatures /QXP1Tab true put\r\n");
    EXPECT_EQ(stream::qxp1tab_definition(false), features + "ZTQVFeatures /QXP1Tab false put\r\n");
    EXPECT_EQ(stream::page_save_release(),
              "\r\nuserdict /pagesave known {userdict /pagesave get}{null}ifelse dup null eq {false}\r\n"
              "{true exch restore}ifelse ZTQVFeatures /ZENTASaveAfterTab 3 -1 roll put\r\n");
    EXPECT_EQ(stream::qxp_fix_call(),
              "\r\nuserdict /ZTQVFeatures known { userdict /ZTQVFeatures get dup /QXP1Tab known\r\n"
              "ZTQVFeatures /ZENTAQXPFix known and {/ZENTAQXPFix get exec} {pop}ifelse }if\r\n");
}

// Every text: CR LF first and last, no bare CR or LF, balanced braces, brackets and strings.
TEST(TabTexts, AllTextsAreWellFormedLines) {
    const std::string texts[] = {
        stream::qxp1tab_definition(true),           std::string(stream::erase_page_wrapper()),
        std::string(stream::page_save_release()),   std::string(stream::end_of_page_setup_callback()),
        std::string(stream::page_device_restore()), std::string(stream::qxp_fix_call()),
    };
    for (const auto& text : texts) {
        ASSERT_GE(text.size(), 4u);
        EXPECT_EQ(text.substr(0, 2), "\r\n");
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        int braces = 0, brackets = 0, parens = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\r') {
                EXPECT_EQ(text[i + 1], '\n') << text;
            }
            if (c == '\n') {
                EXPECT_EQ(text[i - 1], '\r') << text;
            }
            if (parens > 0 && c != '(' && c != ')') continue;
            braces += c == '{' ? 1 : c == '}' ? -1 : 0;
            brackets += c == '[' ? 1 : c == ']' ? -1 : 0;
            parens += c == '(' ? 1 : c == ')' ? -1 : 0;
            EXPECT_GE(braces, 0) << text;
        }
        EXPECT_EQ(braces, 0) << text;
        EXPECT_EQ(brackets, 0) << text;
        EXPECT_EQ(parens, 0) << text;
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
    }
}

// What the tab file service installs around a tab sheet, the page device restore takes back.
TEST(TabTexts, PageDeviceRestoreTakesBackWhatTheTabInstalled) {
    const std::string_view text = stream::page_device_restore();
    for (const char* taken_back :
         {"userdict /setpagedevice undef", "userdict /ZENTASPDSAVE undef", "userdict /ZENTACPDSAVE undef",
          "userdict /ZENTANEP undef", "ZTQVFeatures /ZENTA_NB5 undef", "ZTQVFeatures /ZENTA_NB5P undef",
          "userdict /ZENTAQVSAVE undef", "/pmx_t eq", "/PageSize eq {pop pop}",
          "ZTQVFeatures begin ZTQVPSname /Zenta_P5 load end exec"})
        EXPECT_NE(text.find(taken_back), std::string_view::npos) << taken_back;
    // PageSize is replayed after the other page device entries; the page size procedure runs last.
    EXPECT_LT(text.find("{setpagedevice} stopped"), text.find("dup /PageSize known"));
    EXPECT_LT(text.find("ZENTA_NB5P"), text.find("ZTQVPSname /Zenta_P5 load"));
    EXPECT_LT(text.find("userdict /ZENTAQVSAVE get"), text.find("ZTQVPSname /Zenta_P5 load"));
}

}  // namespace
}  // namespace zenta
