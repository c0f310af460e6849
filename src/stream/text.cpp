#include "stream/text.h"

#include <cstdint>
#include <span>

#include "util/hex.h"

namespace zenta::stream {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kContinuation = "%%+ ";
constexpr std::size_t kContinuationRoom = kCommentLineLength - kContinuation.size();

constexpr bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

constexpr bool is_letter_or_digit(char c) noexcept {
    return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr bool all_letters_or_digits(std::string_view text) noexcept {
    for (char c : text)
        if (!is_letter_or_digit(c)) return false;
    return true;
}

constexpr bool all_digits(std::string_view text) noexcept {
    for (char c : text)
        if (!is_digit(c)) return false;
    return true;
}

bool bare_pjl_value(std::string_view value) noexcept {
    if (!value.empty() && value.front() == '-') return all_digits(value.substr(1));
    return all_letters_or_digits(value);
}

bool leads_with_nul(std::string_view text) noexcept { return !text.empty() && text.front() == '\0'; }

}  // namespace

std::string pjl_value(std::string_view value, PjlQuoting quoting) {
    const bool quoted =
        quoting == PjlQuoting::Always || (quoting == PjlQuoting::Automatic && !bare_pjl_value(value));
    if (!quoted) return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

void append_pjl_set(std::string& out, std::string_view variable, std::string_view value, PjlQuoting quoting) {
    if (variable.empty()) return;
    out += "@PJL SET ";
    out += variable;
    out += '=';
    out += pjl_value(value, quoting);
    out += kCrLf;
}

std::string ps_hex_string(std::string_view bytes, std::size_t bytes_per_line) {
    const std::span<const uint8_t> span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const std::string digits = util::hex_upper(span);
    std::string out;
    out.reserve(digits.size() + 2 + (bytes_per_line ? digits.size() / bytes_per_line : 0));
    out += '<';
    const std::size_t step = bytes_per_line ? 2 * bytes_per_line : digits.size();
    for (std::size_t at = 0; at < digits.size(); at += step) {
        if (at != 0) out += kCrLf;
        out.append(digits, at, step);
    }
    out += '>';
    return out;
}

void append_comment_block(std::string& out, std::string_view name, std::string_view text) {
    if (text.empty()) return;
    const std::size_t head = 2 + name.size() + 2;  // "%%" name ": "
    // A head that leaves no room writes its line without text; every later line has room,
    // so the loop below always ends.
    std::size_t room = head < kCommentLineLength ? kCommentLineLength - head : 0;
    out.reserve(out.size() + head + text.size() +
                (text.size() / kContinuationRoom + 2) * (kContinuation.size() + kCrLf.size()));
    out += "%%";
    out += name;
    out += ": ";
    for (;;) {
        const std::string_view chunk = text.substr(0, room);
        out += chunk;
        out += kCrLf;
        text.remove_prefix(chunk.size());
        if (chunk.size() < room) return;
        out += kContinuation;
        room = kContinuationRoom;
    }
}

void append_value_comment(std::string& out, std::string_view name, std::string_view value) {
    if (value.empty()) return;
    out += "%%ZENTA-";
    out += name;
    out += ": ";
    if (all_letters_or_digits(value))
        out += value;
    else
        out += ps_hex_string(value);
    out += kCrLf;
}

void Statements::begin() {
    if (created_) return;
    created_ = true;
    out_ += kCrLf;
    out_ += "userdict /";
    out_ += kFeatureDictionary;
    out_ += " known not { userdict /";
    out_ += kFeatureDictionary;
    out_ += " 100 dict put } if";
    out_ += kCrLf;
}

void Statements::set(std::string_view key, std::string_view value) {
    if (value.empty()) {
        remove(key);
        return;
    }
    if (key.empty() || leads_with_nul(key) || leads_with_nul(value)) return;
    begin();
    name(key);
    out_ += ' ';
    out_ += value;
    out_ += " put";
    out_ += kCrLf;
}

void Statements::remove(std::string_view key) {
    if (key.empty() || leads_with_nul(key)) return;
    begin();
    name(key);
    out_ += " undef";
    out_ += kCrLf;
}

void Statements::call(std::string_view key, std::string_view arguments) {
    if (key.empty() || leads_with_nul(key) || leads_with_nul(arguments)) return;
    begin();
    name(key);
    out_ += " known { ";
    if (!arguments.empty()) {
        out_ += arguments;
        out_ += ' ';
    }
    name(key);
    out_ += " get exec } if";
    out_ += kCrLf;
}

void Statements::name(std::string_view key) {
    out_ += kFeatureDictionary;
    out_ += " /";
    out_ += key;
}

void Statements::raw(std::string_view text) {
    out_ += text;
    out_ += kCrLf;
}

}  // namespace zenta::stream
