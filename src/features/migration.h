#pragma once
// Carrying a job settings record of another layout into this one, feature by feature and by
// name, driven by the job settings description of the old layout (see description.h for the
// text form).
//
// The old record is only ever read within the bytes given, whatever the description claims;
// entries that cannot be parsed are ignored, and a feature whose old entry does not fit the
// rules of its kind keeps the value it had before.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "features/field_access.h"

namespace zenta::features {

// One entry of an old description: Key:width:count:offset:signed:kind, then the option
// keywords of a selection or the scale of a range.
struct OldEntry {
    std::uint32_t width = 0;
    std::uint32_t count = 0;
    std::uint32_t offset = 0;
    bool is_signed = false;
    Kind kind = Kind::A;
    std::uint32_t scale = 0;            // ranges; 0 reads as 1
    std::vector<std::string> keywords;  // selections, in old index order

    // Whether the entry describes a field of non-zero size that lies wholly inside an old
    // record of old_size bytes.
    bool fits(std::size_t old_size) const;
};

// A parsed old description.
struct OldDescription {
    std::uint32_t record_size = 0;         // the record size the description declares
    std::optional<std::uint32_t> version;  // its layout version; empty when it is not hexadecimal
    std::map<std::string, OldEntry, std::less<>> entries;  // by key; the first of equal keys wins

    const OldEntry* find(std::string_view key) const;
};

// Parses the text of a description (already decoded from Base64, without its NUL). Returns
// nothing unless it has at least four space-separated fields, the first "1" and the third a
// decimal record size. Entries that are malformed (too few parts, a part that is not a number
// where one belongs, a signed flag other than 0 or 1, an unknown kind, a range without a scale)
// are left out.
std::optional<OldDescription> parse_description(std::string_view text);

// The migrate family: for every feature in record order whose key the old description names
// with an entry that fits inside the old record, the feature's own migrator carries the old
// value over when the entry meets the rules of the feature's kind:
//   selection (1, 2 or 4 bytes): same width, unsigned; the old option's keyword looked up in
//     the current table, else the same distance from the end of the table;
//   range: same width; rescaled from the old scale to the current one;
//   text: width 1, signed, no longer than the current field; copied and terminated;
//   byte array: width 1, unsigned, no longer than the current field; copied, zero-filled.
// Other features keep their values.
void migrate_features(RecordBytes current, std::span<const std::uint8_t> old_record,
                      const OldDescription& old);

enum class MigrationResult {
    Undescribed,  // not Base64, or a description that does not fit the old record: nothing done
    Reset,        // the old record does not carry the described layout version: defaults
    SameLayout,   // features carried over from a record that is already of this layout
    Migrated,     // features carried over from another layout
};

// Migrates old_record, described by description_base64 (Base64 of the description text, its
// NUL included or not), into current:
// 1. decodes the description (nothing is done when that fails) and writes current_version
//    into the current record's version field;
// 2. leaves the rest of the record as it is unless the description has at least four fields,
//    the first "1" and the declared record size not above the old record's length;
// 3. replaces the record with `defaults` unless the old record is longer than 4 bytes and
//    begins with the described version (big-endian);
// 4. runs the migrate family.
// A migration took place only for the result Migrated: then the caller validates the record.
MigrationResult migrate_record(RecordBytes current, std::span<const std::uint8_t> old_record,
                               std::string_view description_base64, std::uint32_t current_version,
                               ConstRecordBytes defaults);

}  // namespace zenta::features
