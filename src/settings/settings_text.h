#pragma once
// Job settings as text, one "Key=Value" per line, the way a user reads them: the option keyword
// of a selection (or "#N", the stored index, for one outside the table), the stored integer of a
// range, the text of a text field, upper-case hex of a byte array (trailing zero bytes left
// out). Lines starting with "#" are comments; blank lines are ignored.

#include <optional>
#include <string>
#include <string_view>

#include "settings/record.h"

namespace zenta::settings {

// The value of one field as text.
std::string format_value(const Record& record, FeatureId id);

// Every field, "Key=Value" per line, in record order.
std::string format_settings(const Record& record);

// Stores one value given as text into its field (directly, without any rule). Returns an error
// message naming the key and the problem, or nothing on success.
std::optional<std::string> store_value(Record& record, FeatureId id, std::string_view value);

// Applies "Key=Value" (a single assignment) to the record; an error message on failure.
std::optional<std::string> apply_assignment(Record& record, std::string_view assignment);

// Applies every line of a settings text; the first error names its line number.
std::optional<std::string> apply_settings(Record& record, std::string_view text);

}  // namespace zenta::settings
