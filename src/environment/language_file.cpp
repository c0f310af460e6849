#include "environment/language_file.h"

#include <algorithm>
#include <array>

#include "environment/companions.h"
#include "environment/languages.h"
#include "platform/module.h"
#include "platform/os.h"
#include "util/hex.h"
#include "util/once.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

constexpr abi::DWORD kFileAttributeNormal = 0x80;

// The key material: 42 bytes drawn from a 16-bit pseudo-random generator of our own (a 32-bit
// linear congruential generator whose high half is the draw), started from a fixed value, each
// draw stored low byte first. SHA-256 of the 42 bytes is the key; the first 16 bytes of SHA-256
// of the key are the initialisation vector.
constexpr std::uint32_t kKeyStartValue = 0x5A4C4E47u;  // "ZLNG"
constexpr std::size_t kKeyMaterialSize = 42;

class KeyGenerator {
public:
    explicit KeyGenerator(std::uint32_t start) : state_(start) {}
    std::uint16_t next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<std::uint16_t>(state_ >> 16);
    }

private:
    std::uint32_t state_;
};

// A handle from CreateFileW, closed when it goes out of scope.
class File {
public:
    File(platform::System& sys, abi::HANDLE handle) : sys_(sys), handle_(handle) {}
    ~File() {
        if (is_open()) sys_.CloseHandle(handle_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool is_open() const { return handle_ != nullptr && handle_ != platform::kInvalidHandleValue; }
    abi::HANDLE get() const { return handle_; }

private:
    platform::System& sys_;
    abi::HANDLE handle_;
};

std::u16string_view trim(std::u16string_view field) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\r' || c == u'\t'; };
    while (!field.empty() && blank(field.front())) field.remove_prefix(1);
    while (!field.empty() && blank(field.back())) field.remove_suffix(1);
    return field;
}

// A language code field: hexadecimal digits after an optional "0x" or "0X".
std::optional<std::uint32_t> parse_language_code(std::u16string_view field) {
    field = trim(field);
    if (field.size() >= 2 && field[0] == u'0' && (field[1] == u'x' || field[1] == u'X'))
        field.remove_prefix(2);
    if (field.empty() || field.size() > 8) return std::nullopt;
    std::string narrow;
    for (const char16_t c : field) {
        if (c > 0x7F) return std::nullopt;
        narrow += static_cast<char>(c);
    }
    return util::parse_hex_u32(narrow);
}

int read_count(void* module) {
    const auto path = companion_file_name(module, Companion::LanguageFile);
    if (!path) return 0;
    platform::System& sys = platform::system();
    File file(sys, sys.CreateFileW(path->c_str(), platform::kGenericRead, platform::kFileShareRead,
                                   platform::kOpenExisting, kFileAttributeNormal));
    if (!file.is_open()) return 0;
    std::int64_t size = 0;
    if (!sys.GetFileSizeEx(file.get(), &size) || size < 2 ||
        static_cast<std::uint64_t>(size) >= kLanguageFileSizeLimit)
        return 0;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        abi::DWORD read = 0;
        if (!sys.ReadFile(file.get(), bytes.data() + filled, static_cast<abi::DWORD>(bytes.size() - filled),
                          &read))
            return 0;
        if (read == 0) break;  // shorter than its size said: the rest stays zero
        filled += std::min<std::size_t>(read, bytes.size() - filled);
    }
    const auto text = decode_language_file(bytes);
    return text ? count_additional_languages(*text) : 0;
}

}  // namespace

std::optional<LanguageFileCipher> language_file_cipher() {
    std::array<std::uint8_t, kKeyMaterialSize> material{};
    KeyGenerator generator(kKeyStartValue);
    for (std::size_t i = 0; i < material.size(); i += 2) {
        const std::uint16_t draw = generator.next();
        material[i] = static_cast<std::uint8_t>(draw);
        material[i + 1] = static_cast<std::uint8_t>(draw >> 8);
    }
    const auto key = util::sha256(material);
    if (!key) return std::nullopt;
    const auto iv_source = util::sha256(*key);
    if (!iv_source) return std::nullopt;
    LanguageFileCipher cipher{};
    cipher.key = *key;
    std::copy_n(iv_source->begin(), cipher.iv.size(), cipher.iv.begin());
    return cipher;
}

std::optional<std::vector<std::uint8_t>> encode_language_file(std::u16string_view text) {
    const auto cipher = language_file_cipher();
    if (!cipher) return std::nullopt;
    std::vector<std::uint8_t> plain;
    plain.reserve((text.size() * 2 + util::kAesBlockSize - 1) / util::kAesBlockSize * util::kAesBlockSize);
    for (const char16_t c : text) {
        plain.push_back(static_cast<std::uint8_t>(c));
        plain.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    plain.resize((plain.size() + util::kAesBlockSize - 1) / util::kAesBlockSize * util::kAesBlockSize, 0);
    std::vector<std::uint8_t> enciphered(plain.size());
    if (!util::aes256_cbc_encrypt(cipher->key, cipher->iv, plain, enciphered)) return std::nullopt;
    return enciphered;
}

std::optional<std::u16string> decode_language_file(std::span<const std::uint8_t> bytes) {
    const auto cipher = language_file_cipher();
    if (!cipher) return std::nullopt;
    // The file and two zero bytes; whole blocks of that are deciphered into a buffer one block
    // longer, so that the text always ends in NULs.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    input.resize(input.size() + 2, 0);
    const std::size_t whole = input.size() / util::kAesBlockSize * util::kAesBlockSize;
    std::vector<std::uint8_t> output(whole + util::kAesBlockSize, 0);
    if (!util::aes256_cbc_decrypt(cipher->key, cipher->iv, std::span<const std::uint8_t>(input.data(), whole),
                                  output))
        return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < output.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(output[i] | (output[i + 1] << 8));
        if (c == u'\0') break;
        text += c;
    }
    return text;
}

int count_additional_languages(std::u16string_view text) {
    if (!text.empty() && text.front() == u'\uFEFF') text.remove_prefix(1);  // a byte order mark
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(u'\n'), text.size());
        std::u16string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));

        std::size_t tab = std::min(line.find(u'\t'), line.size());
        if (trim(line.substr(0, tab)) != kLanguageCodeKey) continue;
        int count = 0;
        while (tab < line.size()) {
            line.remove_prefix(tab + 1);
            tab = std::min(line.find(u'\t'), line.size());
            const auto identifier = parse_language_code(line.substr(0, tab));
            if (identifier && is_additional_language_code(internal_code_of_identifier(*identifier))) ++count;
        }
        return count;
    }
    return 0;
}

int read_additional_language_count(void* module) { return read_count(module); }

int additional_language_count() {
    static util::Once<int> cached;
    return cached.get([] { return read_count(platform::module_handle()); });
}

int language_count() { return kBuiltInLanguageCount + additional_language_count(); }

}  // namespace zenta::environment
