#pragma once
// The additional language file: "<base>.lng" beside the plug-in (companion file kind 6). It
// announces languages beyond the nine built-in ones. The file is enciphered with AES-256 in CBC
// mode under a key and an initialisation vector that the plug-in derives at run time; once
// deciphered it is UTF-16LE text, lines separated by line feeds and fields by tabs. The line
// whose first field is "L10N_LBL_LANGUAGECODE" lists the languages, one Windows language
// identifier per field in hexadecimal ("0x0816"); other lines carry a key and its texts.
//
// The file is read at most once per process; a missing, oversized or undecipherable file
// counts as announcing no language and is not tried again.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/crypto.h"

namespace zenta::environment {

// A file must hold at least 2 bytes and fewer than this many.
inline constexpr std::uint64_t kLanguageFileSizeLimit = 0x6400000;  // 100 MiB

inline constexpr std::u16string_view kLanguageCodeKey = u"L10N_LBL_LANGUAGECODE";

struct LanguageFileCipher {
    util::Aes256Key key;
    util::AesBlock iv;
};

// The key and initialisation vector of language files; nothing when the platform cannot hash.
std::optional<LanguageFileCipher> language_file_cipher();

// A text as a language file: UTF-16LE, zero bytes up to a whole number of 16-byte blocks,
// enciphered. Nothing when the platform's cipher fails.
std::optional<std::vector<std::uint8_t>> encode_language_file(std::u16string_view text);

// The text of a language file's bytes, deciphered the way the loader does it (whole blocks of
// the bytes followed by two zero bytes; the text ends at the first NUL). Nothing when the
// platform's cipher fails.
std::optional<std::u16string> decode_language_file(std::span<const std::uint8_t> bytes);

// The number of additional languages a deciphered text announces: the fields of its language
// code line whose identifier stands for one of the languages a file may add.
int count_additional_languages(std::u16string_view text);

// Reads the language file beside the module through the system services and counts its
// additional languages; 0 when the file is missing, out of bounds or cannot be deciphered.
int read_additional_language_count(void* module);

// The same for the plug-in's own module, read once per process.
int additional_language_count();

// Languages that per-language loops run over: the nine built-in ones and the additional ones
// (indices 0 to language_count() - 1).
int language_count();

}  // namespace zenta::environment
