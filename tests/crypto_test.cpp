// The cipher facade against published known answers: SHA-256 (FIPS 180-2 examples) and
// AES-256 and AES-128 in CBC mode (NIST SP 800-38A, F.2.5, F.2.6 and F.2.1). Both builds run
// these, so BCrypt and OpenSSL are held to the same answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "util/crypto.h"
#include "util/hex.h"

namespace zenta {
namespace {

std::vector<uint8_t> bytes_of(std::string_view hex) {
    auto bytes = util::parse_hex_bytes(hex);
    EXPECT_TRUE(bytes.has_value()) << hex;
    return bytes.value_or(std::vector<uint8_t>{});
}

std::string sha256_hex(std::string_view text) {
    const auto digest =
        util::sha256(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return digest ? util::hex_upper(*digest) : std::string("(failed)");
}

template <std::size_t N>
std::array<uint8_t, N> array_of(std::string_view hex) {
    std::array<uint8_t, N> out{};
    const auto bytes = bytes_of(hex);
    EXPECT_EQ(bytes.size(), N);
    std::copy_n(bytes.begin(), std::min(N, bytes.size()), out.begin());
    return out;
}

TEST(Sha256, KnownAnswers) {
    EXPECT_EQ(sha256_hex(""), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(sha256_hex("abc"), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
    EXPECT_EQ(sha256_hex(std::string(1000000, 'a')),
              "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
}

// NIST SP 800-38A, CBC-AES256: the key, the IV, four plaintext blocks and their ciphertext.
constexpr std::string_view kKey = "603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4";
constexpr std::string_view kIv = "000102030405060708090A0B0C0D0E0F";
constexpr std::string_view kPlain =
    "6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51"
    "30C81C46A35CE411E5FBC1191A0A52EFF69F2445DF4F9B17AD2B417BE66C3710";
constexpr std::string_view kCipher =
    "F58C4C04D6E5F1BA779EABFB5F7BFBD69CFC4E967EDB808D679F777BC6702C7D"
    "39F23369A9D9BACFA530E26304231461B2EB05E2C39BE9FCDA6C19078C6A9D1B";

TEST(Aes256Cbc, EncryptsTheNistVectors) {
    const auto key = array_of<32>(kKey);
    const auto iv = array_of<16>(kIv);
    const auto plain = bytes_of(kPlain);
    std::vector<uint8_t> out(plain.size());
    ASSERT_TRUE(util::aes256_cbc_encrypt(key, iv, plain, out));
    EXPECT_EQ(util::hex_upper(out), kCipher);
    // The first block alone chains from the IV only.
    std::vector<uint8_t> first(16);
    ASSERT_TRUE(util::aes256_cbc_encrypt(key, iv, std::span<const uint8_t>(plain.data(), 16), first));
    EXPECT_EQ(util::hex_upper(first), kCipher.substr(0, 32));
}

TEST(Aes256Cbc, DecryptsTheNistVectors) {
    const auto key = array_of<32>(kKey);
    const auto iv = array_of<16>(kIv);
    const auto cipher = bytes_of(kCipher);
    // An output longer than the input: only the input's length is written.
    std::vector<uint8_t> out(cipher.size() + 16, 0xEE);
    ASSERT_TRUE(util::aes256_cbc_decrypt(key, iv, cipher, out));
    EXPECT_EQ(util::hex_upper(std::span<const uint8_t>(out.data(), cipher.size())), kPlain);
    EXPECT_EQ(util::hex_upper(std::span<const uint8_t>(out.data() + cipher.size(), 16)),
              "EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE");
    // Decrypting from the second block on needs the first ciphertext block as IV.
    const auto chained_iv = array_of<16>(kCipher.substr(0, 32));
    std::vector<uint8_t> tail(48);
    ASSERT_TRUE(
        util::aes256_cbc_decrypt(key, chained_iv, std::span<const uint8_t>(cipher.data() + 16, 48), tail));
    EXPECT_EQ(util::hex_upper(tail), kPlain.substr(32));
}

TEST(Aes256Cbc, RefusesPartialBlocksAndShortOutput) {
    const auto key = array_of<32>(kKey);
    const auto iv = array_of<16>(kIv);
    std::vector<uint8_t> in(17), out(32);
    EXPECT_FALSE(util::aes256_cbc_encrypt(key, iv, in, out));
    EXPECT_FALSE(util::aes256_cbc_decrypt(key, iv, in, out));
    in.resize(32);
    out.resize(16);
    EXPECT_FALSE(util::aes256_cbc_encrypt(key, iv, in, out));
    EXPECT_FALSE(util::aes256_cbc_decrypt(key, iv, in, out));
    // No blocks is nothing to do.
    EXPECT_TRUE(util::aes256_cbc_decrypt(key, iv, {}, out));
}

// NIST SP 800-38A, F.2.1 CBC-AES128.Encrypt: the same IV and plaintext under a 128-bit key.
TEST(Aes128Cbc, EncryptsAndDecryptsTheNistVectors) {
    const auto key = array_of<16>("2B7E151628AED2A6ABF7158809CF4F3C");
    const auto iv = array_of<16>(kIv);
    constexpr std::string_view cipher_hex =
        "7649ABAC8119B246CEE98E9B12E9197D5086CB9B507219EE95DB113A917678B2"
        "73BED6B8E3C1743B7116E69E222295163FF1CAA1681FAC09120ECA307586E1A7";
    const auto plain = bytes_of(kPlain);
    std::vector<uint8_t> out(plain.size());
    ASSERT_TRUE(util::aes128_cbc_encrypt(key, iv, plain, out));
    EXPECT_EQ(util::hex_upper(out), cipher_hex);
    std::vector<uint8_t> back(out.size());
    ASSERT_TRUE(util::aes128_cbc_decrypt(key, iv, out, back));
    EXPECT_EQ(util::hex_upper(back), kPlain);
    EXPECT_FALSE(util::aes128_cbc_encrypt(key, iv, std::span<const uint8_t>(plain.data(), 17), out));
}

}  // namespace
}  // namespace zenta
