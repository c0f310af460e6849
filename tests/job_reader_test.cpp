// Reading a spool file back: the comment blocks as the stream writers cut them, at every
// length where a block's last line is full, short or empty, and the faults of a broken file,
// each named by its line.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "stream/job_reader.h"
#include "stream/text.h"
#include "util/base64.h"

namespace zenta::stream {
namespace {

std::string base64(std::string_view bytes) {
    return util::base64_encode({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

// A record of `size` bytes beginning with layout 0xABCD0001, and a description of it whose
// text is padded by a long key to `description_size` characters.
struct Settings {
    std::string record, description;
};
Settings settings_of(std::size_t size, std::size_t description_size) {
    Settings s;
    s.record = std::string("\xAB\xCD\x00\x01", 4) + std::string(size - 4, 'r');
    s.description = "1 ABCD0001 " + std::to_string(size) + " :1:1:4:0:A";
    s.description.insert(s.description.size() - 10, description_size - s.description.size(), 'K');
    return s;
}

std::string job_of(const Settings& s) {
    std::string job = "\x1B%-12345X@PJL\r\n@PJL SET JOBNAME=\"A B\"\r\n@PJL SET QTY=2\r\n%!PS-Adobe-3.0\r\n";
    append_comment_block(job, "ZENTA-JobSettings", base64(s.record));
    append_comment_block(job, "ZENTA-JobSettingsDescription", base64(s.description + '\0'));
    append_value_comment(job, "TitleEx", "T");
    append_value_comment(job, "ForEx", "u");
    return job + "%%EndComments\r\n%%Page: 1 1\r\nshowpage\r\n%%Page: 2 2\r\n%%EOF\r\n";
}

TEST(JobReader, BlocksOfEveryEnding) {
    // Base64 lengths around the lines' room: the description's first line holds 128 characters
    // and every further one 156, so 128 + 156 = 284 fills its second line exactly and takes
    // an empty "%%+ " line; the record's first line holds 139.
    for (std::size_t record_size : {4u, 103u, 104u, 105u, 220u, 221u, 27774u}) {
        for (std::size_t description_base64 : {124u, 128u, 132u, 280u, 284u, 288u, 440u}) {
            const Settings s = settings_of(record_size, description_base64 * 3 / 4 - 1);
            const std::string job = job_of(s);
            JobReadError error;
            const auto read = read_spool_job(job, error);
            ASSERT_TRUE(read) << record_size << "/" << description_base64 << ": line " << error.line << ": "
                              << error.message;
            EXPECT_EQ(std::string(read->record.begin(), read->record.end()), s.record);
            EXPECT_EQ(read->description_text, s.description);
            EXPECT_EQ(read->layout.version, 0xABCD0001u);
            EXPECT_EQ(read->settings.first_line, 5u);
            EXPECT_EQ(read->description.first_line, read->settings.last_line + 1);
        }
    }
}

TEST(JobReader, FaultsNameTheirLine) {
    const std::string good = job_of(settings_of(400, 40));
    // Line 5 opens the record's block, lines 6 to 8 continue it (400 bytes: 536 characters).
    const std::size_t line_6 = good.find("\r\n%%+ ") + 2;
    const auto replaced = [&](std::string_view from, std::string_view to) {
        std::string job = good;
        job.replace(job.find(from), from.size(), to);
        return job;
    };
    std::string cut = good;
    cut.erase(line_6 - 3, 1);  // line 5 one character short
    std::string bad = good;
    bad[line_6 + 4] = '*';  // the first character of line 6's text
    struct Row {
        std::string job;
        std::size_t line;
        std::string_view message;
    };
    const Row rows[] = {
        {"", 1, "not a print job"},
        {"%!PS-Adobe-3.0\r\n%%Title: x\r\n%%EndComments\r\n", 3, "not a job of this plug-in"},
        {good.substr(0, good.find("%%ZENTA-JobSettingsDescription")), 8,
         "without a %%ZENTA-JobSettingsDescription"},
        {good.substr(0, line_6), 5, "breaks off at the end of the file"},
        {replaced("\r\n%%+ ", "\r\n%%ZENTA-X: "), 6, "a \"%%+ \" line was expected"},
        {replaced("\r\n%%+ ", "x\r\n%%+ "), 5, "longer than a comment line"},
        {cut, 6, "a line of the block was cut"},
        {replaced("%%ZENTA-TitleEx: T", "%%ZENTA-TitleEx: <5>"), 10, "not a hex string"},
        {bad, 6, "not Base64"},
    };
    for (const Row& row : rows) {
        JobReadError error;
        EXPECT_FALSE(read_spool_job(row.job, error)) << row.message;
        EXPECT_EQ(error.line, row.line) << row.message << ": " << error.message;
        EXPECT_NE(error.message.find(row.message), std::string::npos) << error.message;
    }
}

}  // namespace
}  // namespace zenta::stream
