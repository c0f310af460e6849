// Reading back a spool file that this plug-in took part in: the PJL job header, the job
// settings comment blocks with the record and the description of the layout that wrote it, the
// title and user comments, the driver's pages and the tab sheets spliced in.
//
// The reader undoes what the stream writers do (text.h): a comment block is taken line by line
// exactly as append_comment_block cuts it, so a block that breaks off or lost part of a line is
// noticed rather than decoded into a wrong record. It only reads: whether and how the record is
// carried into this build's layout is the caller's decision.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "features/migration.h"

namespace zenta::stream {

// What made a spool file unreadable, and on which line (counted from 1).
struct JobReadError {
    std::size_t line = 0;
    std::string message;
};

// One "@PJL SET variable=value" line of the job header.
struct PjlSetting {
    std::string line;      // the whole line, without its line end
    std::string variable;  // "DUPLEX"
    std::string value;     // the value, without the double quotes around it
};

// A comment block: its text joined from its lines, and the lines it spans.
struct CommentBlock {
    std::string text;
    std::size_t first_line = 0;
    std::size_t last_line = 0;
};

struct SpoolJob {
    std::vector<PjlSetting> pjl;       // the header's SET lines, in order
    CommentBlock settings;             // %%ZENTA-JobSettings (Base64)
    CommentBlock description;          // %%ZENTA-JobSettingsDescription (Base64)
    std::vector<std::uint8_t> record;  // the job settings record, decoded
    std::string description_text;      // the description, decoded, up to its NUL
    features::OldDescription layout;   // the description, parsed
    std::optional<std::string> title;  // %%ZENTA-TitleEx, decoded
    std::optional<std::string> user;   // %%ZENTA-ForEx, decoded
    std::size_t pages = 0;             // the driver's "%%Page: " comments
    std::size_t tab_sheets = 0;        // tab sheets spliced in (each opens with the tab save block)
};

// Reads a whole spool file. Nothing, with `error` set, when the file is not a PostScript job
// (no line begins with "%!"), when its header comments (up to %%EndComments) carry no
// %%ZENTA-JobSettings block or no description after it, when a block breaks off or has a line
// longer than a comment line, when Base64 or a hex string does not decode, when the
// description is not a job settings description, or when it does not describe the record (its
// record size, or the layout version the record begins with).
std::optional<SpoolJob> read_spool_job(std::string_view bytes, JobReadError& error);

}  // namespace zenta::stream
