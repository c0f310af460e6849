// The cipher facade on Windows: the system's Cryptography API: Next Generation (bcrypt.dll).

#include "util/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <vector>

namespace zenta::util {
namespace {

bool ok(NTSTATUS status) { return status >= 0; }

// An algorithm provider, closed when it goes out of scope.
class Provider {
public:
    explicit Provider(const wchar_t* algorithm) {
        if (!ok(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0))) handle_ = nullptr;
    }
    ~Provider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    BCRYPT_ALG_HANDLE get() const { return handle_; }

    // The size of the object (hash or key state) the provider wants the caller to supply.
    bool object_length(ULONG* length) const {
        ULONG got = 0;
        return ok(BCryptGetProperty(handle_, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(length),
                                    sizeof(*length), &got, 0)) &&
               got == sizeof(*length);
    }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class HashHandle {
public:
    ~HashHandle() {
        if (handle) BCryptDestroyHash(handle);
    }
    BCRYPT_HASH_HANDLE handle = nullptr;
};

class KeyHandle {
public:
    ~KeyHandle() {
        if (handle) BCryptDestroyKey(handle);
    }
    BCRYPT_KEY_HANDLE handle = nullptr;
};

// AES in CBC mode; the key's length (16 or 32 bytes) picks AES-128 or AES-256.
bool aes_cbc(bool encrypt, std::span<const uint8_t> key, const AesBlock& iv, std::span<const uint8_t> in,
             std::span<uint8_t> out) {
    if (in.size() % kAesBlockSize != 0 || out.size() < in.size() || in.size() > 0xFFFFFFF0u) return false;
    if (key.size() != 16 && key.size() != 32) return false;
    if (in.empty()) return true;
    Provider aes(BCRYPT_AES_ALGORITHM);
    if (!aes.get()) return false;
    const wchar_t mode[] = BCRYPT_CHAIN_MODE_CBC;
    if (!ok(BCryptSetProperty(aes.get(), BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)), sizeof(mode), 0)))
        return false;
    ULONG object_size = 0;
    if (!aes.object_length(&object_size)) return false;
    std::vector<UCHAR> key_object(object_size);
    std::vector<UCHAR> secret(key.begin(), key.end());
    KeyHandle key_handle;
    if (!ok(BCryptGenerateSymmetricKey(aes.get(), &key_handle.handle, key_object.data(), object_size,
                                       secret.data(), static_cast<ULONG>(secret.size()), 0)))
        return false;
    // BCrypt advances the chaining value in the buffer it is given: hand it a copy.
    AesBlock chain = iv;
    std::vector<UCHAR> input(in.begin(), in.end());
    ULONG written = 0;
    const ULONG size = static_cast<ULONG>(in.size());
    const NTSTATUS status =
        encrypt ? BCryptEncrypt(key_handle.handle, input.data(), size, nullptr, chain.data(),
                                static_cast<ULONG>(chain.size()), out.data(), size, &written, 0)
                : BCryptDecrypt(key_handle.handle, input.data(), size, nullptr, chain.data(),
                                static_cast<ULONG>(chain.size()), out.data(), size, &written, 0);
    return ok(status) && written == size;
}

}  // namespace

std::optional<Sha256Digest> sha256(std::span<const uint8_t> data) {
    Provider provider(BCRYPT_SHA256_ALGORITHM);
    if (!provider.get()) return std::nullopt;
    ULONG object_size = 0;
    if (!provider.object_length(&object_size)) return std::nullopt;
    std::vector<UCHAR> hash_object(object_size);
    HashHandle hash;
    if (!ok(BCryptCreateHash(provider.get(), &hash.handle, hash_object.data(), object_size, nullptr, 0, 0)))
        return std::nullopt;
    // BCryptHashData takes at most a ULONG at a time.
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t chunk = std::min<std::size_t>(data.size() - done, 0x40000000u);
        if (!ok(BCryptHashData(hash.handle, const_cast<PUCHAR>(data.data() + done), static_cast<ULONG>(chunk),
                               0)))
            return std::nullopt;
        done += chunk;
    }
    Sha256Digest digest{};
    if (!ok(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0)))
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
