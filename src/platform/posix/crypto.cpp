// The cipher facade on Linux: OpenSSL's libcrypto through its EVP interface.

#include "util/crypto.h"

#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace zenta::util {
namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// AES in CBC mode; the key's length (16 or 32 bytes) picks AES-128 or AES-256.
bool aes_cbc(bool encrypt, std::span<const uint8_t> key, const AesBlock& iv, std::span<const uint8_t> in,
             std::span<uint8_t> out) {
    if (in.size() % kAesBlockSize != 0 || out.size() < in.size() || in.size() > INT_MAX) return false;
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_cbc()
                               : key.size() == 32 ? EVP_aes_256_cbc()
                                                  : nullptr;
    if (!cipher) return false;
    if (in.empty()) return true;
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context) return false;
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0) != 1)
        return false;
    // Whole blocks in, whole blocks out: no padding is added or expected.
    if (EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) return false;
    int written = 0;
    if (EVP_CipherUpdate(context.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(context.get(), out.data() + written, &tail) != 1) return false;
    return static_cast<std::size_t>(written) + static_cast<std::size_t>(tail) == in.size();
}

}  // namespace

std::optional<Sha256Digest> sha256(std::span<const uint8_t> data) {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size())
        return std::nullopt;
    return digest;
}

bool aes256_cbc_decrypt(const Aes256Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out) {
    return aes_cbc(false, key, iv, in, out);
}

bool aes256_cbc_encrypt(const Aes256Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out) {
    return aes_cbc(true, key, iv, in, out);
}

bool aes128_cbc_decrypt(const Aes128Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out) {
    return aes_cbc(false, key, iv, in, out);
}

bool aes128_cbc_encrypt(const Aes128Key& key, const AesBlock& iv, std::span<const uint8_t> in,
                        std::span<uint8_t> out) {
    return aes_cbc(true, key, iv, in, out);
}

}  // namespace zenta::util
