#include "stream/job_reader.h"

#include <algorithm>

#include "stream/text.h"
#include "tabfile/tab_blocks.h"
#include "util/base64.h"
#include "util/byte_order.h"
#include "util/hex.h"

namespace zenta::stream {
namespace {

using Lines = std::vector<std::string_view>;

constexpr std::string_view kUel = "\x1B%-12345X";
constexpr std::string_view kPjlSet = "@PJL SET ";
constexpr std::string_view kEndComments = "%%EndComments";
constexpr std::string_view kPageComment = "%%Page: ";
constexpr std::string_view kContinuation = "%%+ ";
constexpr std::size_t kContinuationRoom = kCommentLineLength - kContinuation.size();

constexpr std::string_view kSettingsName = "ZENTA-JobSettings";
constexpr std::string_view kDescriptionName = "ZENTA-JobSettingsDescription";
constexpr std::string_view kTitleName = "ZENTA-TitleEx";
constexpr std::string_view kUserName = "ZENTA-ForEx";

// The lines of the file without their line ends (LF or CR LF).
Lines split_lines(std::string_view bytes) {
    Lines lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

bool fail(JobReadError& error, std::size_t line, std::string message) {
    error = {line, std::move(message)};
    return false;
}

std::string head_of(std::string_view name) { return "%%" + std::string(name) + ": "; }

PjlSetting pjl_setting(std::string_view line) {
    const std::string_view setting = line.substr(kPjlSet.size());
    const std::size_t equals = setting.find('=');
    std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : setting.substr(equals + 1);
    // The header quotes a value without escaping anything inside, so the outer quotes are all
    // there is to take off.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return {std::string(line), std::string(setting.substr(0, equals)), std::string(value)};
}

// The block that starts at lines[first], cut as append_comment_block cuts it: every line but
// the last is exactly a comment line long, the next one is a "%%+ " line, and the first line
// that is not full ends the block.
bool read_block(const Lines& lines, std::size_t first, std::string_view name, CommentBlock& block,
                JobReadError& error) {
    const std::string head = head_of(name);
    const std::string label = "the %%" + std::string(name) + " block";
    std::size_t room = head.size() < kCommentLineLength ? kCommentLineLength - head.size() : 0;
    std::size_t at = first;
    std::string_view chunk = lines[at].substr(head.size());
    for (;;) {
        if (chunk.size() > room)
            return fail(error, at + 1,
                        "longer than a comment line (" + std::to_string(kCommentLineLength) +
                            " characters): " + label + " was not written by this plug-in");
        block.text += chunk;
        if (chunk.size() < room) break;
        if (++at == lines.size()) return fail(error, at, label + " breaks off at the end of the file");
        if (!lines[at].starts_with(kContinuation))
            return fail(error, at + 1, label + " breaks off: a \"%%+ \" line was expected here");
        chunk = lines[at].substr(kContinuation.size());
        room = kContinuationRoom;
    }
    // A short line ends the block; a "%%+ " line after it means that a line was cut short.
    if (at + 1 < lines.size() && lines[at + 1].starts_with(kContinuation))
        return fail(error, at + 2,
                    "continues " + label + ", which ended on line " + std::to_string(at + 1) +
                        " with a short line: a line of the block was cut");
    block.first_line = first + 1;
    block.last_line = at + 1;
    return true;
}

bool is_base64_character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

// The block's Base64 text decoded; when it does not decode, the error names the first line
// with a character outside the alphabet, else the block's last line (a wrong end or padding).
std::optional<std::vector<std::uint8_t>> decode_block(const Lines& lines, const CommentBlock& block,
                                                      std::string_view name, JobReadError& error) {
    auto bytes = util::base64_decode(block.text);
    if (bytes) return bytes;
    for (std::size_t n = block.first_line; n <= block.last_line; ++n) {
        const std::string_view line = lines[n - 1];
        const std::size_t skip = n == block.first_line ? head_of(name).size() : kContinuation.size();
        const auto bad = std::find_if_not(line.begin() + static_cast<std::ptrdiff_t>(skip), line.end(),
                                          is_base64_character);
        if (bad != line.end()) {
            fail(error, n,
                 "the %%" + std::string(name) +
                     " block is not Base64 (a character outside the alphabet in column " +
                     std::to_string(bad - line.begin() + 1) + ")");
            return std::nullopt;
        }
    }
    fail(error, block.last_line,
         "the %%" + std::string(name) + " block is not Base64 (its text does not end as Base64 ends)");
    return std::nullopt;
}

// A TitleEx or ForEx value: the text itself, or the text as a PostScript hex string.
bool decode_value(std::string_view value, std::size_t line, std::optional<std::string>& text,
                  JobReadError& error) {
    if (value.starts_with('<')) {
        const auto bytes = value.ends_with('>') && value.size() >= 2
                               ? util::parse_hex_bytes(value.substr(1, value.size() - 2))
                               : std::nullopt;
        if (!bytes) return fail(error, line, "not a hex string: " + std::string(value.substr(0, 40)));
        text.emplace(bytes->begin(), bytes->end());
    } else {
        text.emplace(value);
    }
    return true;
}

std::string hex_version(std::uint32_t version) { return "0x" + util::hex_u32(version); }

// The header comments from the line after "%!" to %%EndComments, or to the first line that is
// not a "%%" comment. `end` becomes the number of the line where they end.
bool read_header_comments(const Lines& lines, std::size_t at, SpoolJob& job, std::size_t& end,
                          JobReadError& error) {
    bool have_settings = false, have_description = false;
    for (; at < lines.size() && lines[at] != kEndComments && lines[at].starts_with("%%"); ++at) {
        const std::string_view line = lines[at];
        // The text after "%%" name ": ", when the line is that comment.
        const auto value_of = [&](std::string_view name) -> std::optional<std::string_view> {
            const std::string head = head_of(name);
            if (!line.starts_with(head)) return std::nullopt;
            return line.substr(head.size());
        };
        // A block is read whole; the loop goes on after its last line.
        const auto take_block = [&](std::string_view name, CommentBlock& block, bool& seen) {
            seen = true;
            if (!read_block(lines, at, name, block, error)) return false;
            at = block.last_line - 1;
            return true;
        };
        bool ok = true;
        if (!have_settings && value_of(kSettingsName))
            ok = take_block(kSettingsName, job.settings, have_settings);
        else if (!have_description && value_of(kDescriptionName))
            ok = take_block(kDescriptionName, job.description, have_description);
        else if (const auto title = value_of(kTitleName))
            ok = decode_value(*title, at + 1, job.title, error);
        else if (const auto user = value_of(kUserName))
            ok = decode_value(*user, at + 1, job.user, error);
        if (!ok) return false;
    }
    end = std::min(at + 1, lines.size());
    if (!have_settings)
        return fail(
            error, end,
            "the header comments end here without a %%ZENTA-JobSettings block: not a job of this plug-in");
    if (!have_description)
        return fail(error, end,
                    "the header comments end here without a %%ZENTA-JobSettingsDescription block after "
                    "%%ZENTA-JobSettings (line " +
                        std::to_string(job.settings.first_line) + ")");
    return true;
}

// The record and the description decoded, and the description checked against the record.
bool decode_settings(const Lines& lines, SpoolJob& job, JobReadError& error) {
    auto record = decode_block(lines, job.settings, kSettingsName, error);
    if (!record) return false;
    job.record = std::move(*record);
    const auto description = decode_block(lines, job.description, kDescriptionName, error);
    if (!description) return false;
    std::string_view text(reinterpret_cast<const char*>(description->data()), description->size());
    job.description_text = text.substr(0, text.find('\0'));

    const std::string described_on = "the description on line " + std::to_string(job.description.first_line);
    auto layout = features::parse_description(job.description_text);
    if (!layout)
        return fail(error, job.description.first_line,
                    "%%ZENTA-JobSettingsDescription is not a job settings description");
    job.layout = std::move(*layout);
    if (job.record.size() != job.layout.record_size)
        return fail(error, job.settings.first_line,
                    "the job settings hold " + std::to_string(job.record.size()) + " bytes, but " +
                        described_on + " is of a " + std::to_string(job.layout.record_size) + "-byte record");
    if (!job.layout.version)
        return fail(error, job.description.first_line, "the description names no layout version");
    const std::uint32_t version = job.record.size() >= 4 ? util::load_be32(job.record.data()) : 0;
    if (job.record.size() < 4 || version != *job.layout.version)
        return fail(error, job.settings.first_line,
                    "the job settings are of layout " + hex_version(version) + ", but " + described_on +
                        " describes layout " + hex_version(*job.layout.version));
    return true;
}

std::size_t count_occurrences(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

}  // namespace

std::optional<SpoolJob> read_spool_job(std::string_view bytes, JobReadError& error) {
    const Lines lines = split_lines(bytes);
    SpoolJob job;

    // A job begins with its PJL (behind the UEL) or with the PostScript's first line, "%!";
    // the SET lines before that line are the PJL job header.
    const auto without_uel = [](std::string_view line) {
        while (line.starts_with(kUel)) line.remove_prefix(kUel.size());
        return line;
    };
    if (lines.empty() ||
        !(without_uel(lines[0]).starts_with("@PJL") || without_uel(lines[0]).starts_with("%!"))) {
        fail(error, 1, "neither PJL nor PostScript: not a print job");
        return std::nullopt;
    }
    std::size_t at = 0;
    for (; at < lines.size(); ++at) {
        const std::string_view line = without_uel(lines[at]);
        if (line.starts_with("%!")) break;
        if (line.starts_with(kPjlSet)) job.pjl.push_back(pjl_setting(line));
    }
    if (at == lines.size()) {
        fail(error, std::max<std::size_t>(lines.size(), 1),
             "no line begins with %!: not a PostScript print job");
        return std::nullopt;
    }

    std::size_t end = 0;
    if (!read_header_comments(lines, at + 1, job, end, error) || !decode_settings(lines, job, error))
        return std::nullopt;

    for (std::size_t n = end; n < lines.size(); ++n)
        if (lines[n].starts_with(kPageComment)) ++job.pages;
    job.tab_sheets = count_occurrences(bytes, tabfile::tab_save_block());
    return job;
}

}  // namespace zenta::stream
