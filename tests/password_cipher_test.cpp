// The password cipher of the PJL job header: the length and digits of enciphered values, known
// answers worked out with OpenSSL's command line (not with the plug-in's code), and the way back
// through the cipher facade.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "stream/password_cipher.h"
#include "util/crypto.h"
#include "util/hex.h"

namespace zenta {
namespace {

using namespace std::string_view_literals;
using stream::encipher_password;

// Entry 233 of the cipher key table, as the controller holds it and as the commands below use it.
constexpr std::string_view kKey233 = "C3DF3DFC8D136C77BD9E010D83148E64";
constexpr std::string_view kIv233 = "39C481A8B7E2153EFDF3B0AA0A4023C0";

bool upper_hex_only(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

TEST(PasswordCipher, EveryTextGainsAtLeastOnePadByte) {
    struct Row {
        std::size_t length;
        std::size_t digits;
    };
    for (const Row row :
         {Row{0, 32}, Row{1, 32}, Row{15, 32}, Row{16, 64}, Row{17, 64}, Row{31, 64}, Row{32, 96}}) {
        const std::string value = encipher_password(std::string(row.length, 'p'));
        EXPECT_EQ(value.size(), row.digits) << row.length << " bytes";
        EXPECT_TRUE(upper_hex_only(value)) << value;
    }
}

TEST(PasswordCipher, UsesEntry233OfTheKeyTable) {
    const auto entry = stream::find_cipher_key(stream::kPasswordKeyId);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(stream::kPasswordKeyId, 233u);
    EXPECT_EQ(entry->id, 233u);
    EXPECT_EQ(util::hex_upper(entry->key), kKey233);
    EXPECT_EQ(util::hex_upper(entry->iv), kIv233);
    // Found by its id, not by its place in the table; ids the table lacks find nothing.
    EXPECT_FALSE(stream::find_cipher_key(0).has_value());
    EXPECT_FALSE(stream::find_cipher_key(234).has_value());
}

// Each answer comes from OpenSSL's command line, the text and its padding written by printf (the
// pad bytes as octal escapes):
//   K=C3DF3DFC8D136C77BD9E010D83148E64 IV=39C481A8B7E2153EFDF3B0AA0A4023C0
//   P16='\017\017\017\017\017\017\017\017\017\017\017\017\017\017\017\017'
//   printf ARG | openssl enc -aes-128-cbc -K $K -iv $IV -nopad | xxd -p -u | tr -d '\n'
// with ARG, row by row:
//   ""          "$P16"
//   "secret"    'secret\011\011\011\011\011\011\011\011\011\011'
//   16 bytes    "Zenta2024Secure!$P16"
//   "Grüße"     'Gr\303\274\303\237e\010\010\010\010\010\010\010\010\010'
//   "パスワード"  '\343\203\221\343\202\271\343\203\257\343\203\274\343\203\211\000'
//   32 x "A"    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA$P16"
struct KnownAnswer {
    std::string_view text;
    std::string_view enciphered;
};

constexpr KnownAnswer kKnownAnswers[] = {
    {"", "2F8E6080D740D723A190009AB71CE920"},
    {"secret", "200107085D12C95EF57543F06F0B689B"},
    {"Zenta2024Secure!", "178BFC03EB9EC58DDB88E7C87BDEDC6AD304A0A35458626425E6E92FF3796946"},
    {"Gr\xC3\xBC\xC3\x9F\x65", "64E168FD71B8F946BA3B1C73045EAA40"},
    {"\xE3\x83\x91\xE3\x82\xB9\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x89", "FBDF1D8136A90DE750CB65885133E0A9"},
    // Equal plaintext blocks give different cipher blocks: the blocks are chained.
    {"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA",
     "5B92C2E2F687B5339148DF2282D5056D44238AF47B724144FBF864287B55E1C0E4A6AF158DF169BE965410ADDE3D6A8B"},
};

TEST(PasswordCipher, MatchesAnswersWorkedOutWithOpenSsl) {
    for (const KnownAnswer& row : kKnownAnswers)
        EXPECT_EQ(encipher_password(row.text), row.enciphered) << row.text;
}

TEST(PasswordCipher, DeciphersBackToTheTextAndItsPadding) {
    const auto entry = stream::find_cipher_key(stream::kPasswordKeyId);
    ASSERT_TRUE(entry.has_value());
    struct Row {
        std::string_view text;
        std::string_view padded_hex;
    };
    const Row rows[] = {
        {""sv, "0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F"},
        {"abc"sv, "6162630C0C0C0C0C0C0C0C0C0C0C0C0C"},
        {"fifteen bytes!!"sv, "6669667465656E206279746573212100"},
        {"0123456789abcdef"sv,
         "30313233343536373839616263646566"
         "0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F"},
        // A NUL inside the text is a byte like any other.
        {"caf\xC3\xA9 \x00q"sv, "636166C3A92000710707070707070707"},
    };
    for (const Row& row : rows) {
        const auto enciphered = util::parse_hex_bytes(encipher_password(row.text));
        ASSERT_TRUE(enciphered.has_value()) << row.text;
        std::vector<std::uint8_t> plain(enciphered->size());
        ASSERT_TRUE(util::aes128_cbc_decrypt(entry->key, entry->iv, *enciphered, plain));
        EXPECT_EQ(util::hex_upper(plain), row.padded_hex) << row.text;
    }
}

}  // namespace
}  // namespace zenta
