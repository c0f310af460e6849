#pragma once
// Import of a plug-in devmode written under another record layout: the old record is carried
// into the current one through the job settings description of its layout, which the printer
// keeps as the printer data value "CoreDataDescription." plus that layout's version in
// hexadecimal.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "abi/types.h"
#include "features/migration.h"
#include "settings/record.h"

namespace zenta::environment {

class PrinterConnection;
using settings::Record;

// Migrates an old record into `current` with this build's layout version and default record
// (see features::migrate_record). It does not validate.
features::MigrationResult migrate_record(Record& current, std::span<const std::uint8_t> old_record,
                                         std::string_view description_base64);

// The name of the printer data value that holds the description of a layout:
// "CoreDataDescription." followed by the version in trimmed upper-case hexadecimal
// (0x00ABCDEF -> "CoreDataDescription.ABCDEF").
std::u16string description_value_name(std::uint32_t layout_version);

// The stored description of a layout, as the text before the value's first NUL. Nothing
// unless the value exists, is of type REG_BINARY and is not empty.
std::optional<std::string> read_stored_description(const environment::PrinterConnection& printer,
                                                   std::uint32_t layout_version);

// Where the old record lies inside an incoming plug-in devmode: the bytes after its header up
// to its size, both bounded by the bytes given. Nothing when the block is shorter than its
// header, lacks the plug-in signature or declares a size below 27.
struct ForeignBlock {
    std::uint32_t layout_version = 0;
    std::span<const std::uint8_t> record;
};
std::optional<ForeignBlock> locate_foreign_record(std::span<const std::uint8_t> block);

// Carries the record inside a plug-in devmode of another layout into `current`, through the
// description of that layout stored in the printer's data, and validates the result. Returns
// true when a migration from another layout took place. In every other case `current` stays
// as it was (or becomes the default record, when the old record does not carry the layout its
// description names).
bool migrate_plugin_devmode(Record& current, abi::HANDLE printer, std::span<const std::uint8_t> block);

}  // namespace zenta::environment
