#pragma once
// The printer data values the plug-in reads, decoded. The driver package's configuration side
// writes them; the plug-in only reads. Values are read by their size, whatever registry type they
// were stored with; a value that is missing, of the wrong size or malformed counts as absent.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "environment/printer.h"

namespace zenta::settings {
struct Record;
}

namespace zenta::environment {

// The installable options block (40 bytes). Byte 11 is the installed paper-feed configuration.
using InstallableOptions = std::array<std::uint8_t, 40>;
inline constexpr std::size_t kPaperFeedConfigurationByte = 11;

// "DefaultDuplex": on or off, or nothing when it cannot be read (4 bytes, little-endian).
// The first successful read is kept for the life of the process.
std::optional<bool> default_duplex(const PrinterConnection& printer);
// The same without the process-wide cache.
std::optional<bool> read_default_duplex(const PrinterConnection& printer);

// "InstallableOptions": a 40-byte value.
std::optional<InstallableOptions> read_installable_options(const PrinterConnection& printer);

// "PScriptOffsets" and "PScriptValues": the driver option maps. Both hold the layout version of
// the job settings record as hex text and a NUL, then entries of narrow key text, NUL and a
// 16-bit little-endian number.
using DriverOptionMap = std::map<std::string, std::uint16_t, std::less<>>;
std::optional<DriverOptionMap> read_driver_option_map(const PrinterConnection& printer,
                                                      const char16_t* value_name);
// The parse of such a value's bytes, for this build's layout version.
std::optional<DriverOptionMap> parse_driver_option_map(std::span<const std::uint8_t> value);

// "LastCustomPapers": records of 148 bytes; a value that is not a whole number of records counts
// as absent. The option index of a loaded paper is the custom size (26).
struct CustomPaper {
    std::uint32_t kind_flag = 0;  // 1: always treated as a user-defined form
    std::uint32_t option_index = 26;
    std::string name;  // as held in dmFormName, narrow
};
inline constexpr std::size_t kCustomPaperRecordSize = 148;
std::vector<CustomPaper> read_custom_papers(const PrinterConnection& printer);

// "MacAddress": the wake-up address as the configuration wrote it (a wide text of at most 36
// bytes with its NUL), narrow.
std::optional<std::string> read_wake_up_address_text(const PrinterConnection& printer);

// "DefaultSpoolDirectory".
std::optional<std::u16string> read_spool_directory(const PrinterConnection& printer);

// Writes the driver option bytes into the core driver's private DEVMODE area (the bytes from
// dmSize on): for every (PPD main keyword, PPD option keyword) pair of the record, the value
// byte of "keyword_option" goes to the offset of "keyword", when both are known and the offset
// lies inside dmDriverExtra and the buffer. Nothing happens unless both maps can be read.
void write_driver_option_bytes(abi::HANDLE printer, std::span<std::uint8_t> devmode,
                               const settings::Record& record);

// Whether a tray (an InputSlot option index; 12 means none) exists under the installed
// paper-feed configuration.
bool tray_available(unsigned tray_code, const InstallableOptions& options);

}  // namespace zenta::environment
