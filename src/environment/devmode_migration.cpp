#include "environment/devmode_migration.h"

#include <algorithm>
#include <vector>

#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "platform/last_error.h"
#include "settings/layout_version.h"
#include "util/byte_order.h"
#include "util/hex.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

constexpr std::uint32_t kPluginSignature = 0x5A545156;
// The smallest block taken for an import.
constexpr std::uint32_t kMinimumImportSize = 27;
// The driver's part of the header (size, signature, version), and the extension behind it:
// a marker and the number of header bytes that follow the first 12.
constexpr std::size_t kBaseHeaderSize = 12;
constexpr std::size_t kMarkerOffset = 12;
constexpr std::size_t kExtensionLengthOffset = 16;
constexpr std::uint32_t kExtensionMarker = 0xFFFFFFFFu;

}  // namespace

features::MigrationResult migrate_record(Record& current, std::span<const std::uint8_t> old_record,
                                         std::string_view description_base64) {
    return features::migrate_record(current.view(), old_record, description_base64,
                                    settings::layout_version(), default_record().view());
}

std::u16string description_value_name(std::uint32_t layout_version) {
    return u"CoreDataDescription." + util::utf8_to_utf16(util::hex_trimmed(layout_version));
}

std::optional<std::string> read_stored_description(const environment::PrinterConnection& printer,
                                                   std::uint32_t layout_version) {
    const std::u16string name = description_value_name(layout_version);
    abi::DWORD type = 0;
    std::size_t needed = 0;
    const abi::DWORD probe = printer.get_printer_data(name.c_str(), &type, nullptr, 0, &needed);
    if (probe != platform::kErrorSuccess && probe != platform::kErrorMoreData) return std::nullopt;
    if (type != abi::REG_BINARY || needed == 0) return std::nullopt;

    // One byte longer than the value and zero-filled, so that the text always ends inside it.
    std::vector<abi::BYTE> buffer(needed + 1, 0);
    std::size_t read = 0;
    if (printer.get_printer_data(name.c_str(), &type, buffer.data(), needed, &read) !=
            platform::kErrorSuccess ||
        type != abi::REG_BINARY)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(buffer.data()));
}

std::optional<ForeignBlock> locate_foreign_record(std::span<const std::uint8_t> block) {
    if (block.size() < kBaseHeaderSize) return std::nullopt;
    const std::uint32_t declared_size = util::load_le32(block.data());
    if (util::load_le32(block.data() + 4) != kPluginSignature || declared_size < kMinimumImportSize)
        return std::nullopt;

    // The block ends at its declared size or at the last byte given, whichever comes first.
    const std::size_t end = std::min<std::size_t>(declared_size, block.size());
    std::uint64_t header = kBaseHeaderSize;
    if (end >= kMarkerOffset + 4 && util::load_le32(block.data() + kMarkerOffset) == kExtensionMarker) {
        if (end < kExtensionLengthOffset + 4) return std::nullopt;
        header += util::load_le32(block.data() + kExtensionLengthOffset);
    }
    if (header >= end) return std::nullopt;
    return ForeignBlock{
        util::load_le32(block.data() + 8),
        block.subspan(static_cast<std::size_t>(header), end - static_cast<std::size_t>(header))};
}

bool migrate_plugin_devmode(Record& current, abi::HANDLE printer, std::span<const std::uint8_t> block) {
    const std::optional<ForeignBlock> foreign = locate_foreign_record(block);
    if (!foreign) return false;
    const auto connection = environment::PrinterConnection::borrow(printer);
    const std::optional<std::string> description =
        read_stored_description(connection, foreign->layout_version);
    if (!description || description->empty()) return false;
    if (migrate_record(current, foreign->record, *description) != features::MigrationResult::Migrated)
        return false;
    environment::validate(current);
    return true;
}

}  // namespace zenta::environment
