#include "environment/printer_data.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "abi/devmode.h"
#include "features/families.h"
#include "platform/last_error.h"
#include "platform/os.h"
#include "settings/layout_version.h"
#include "settings/record.h"
#include "util/byte_order.h"
#include "util/hex.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

// The leading text of a wide value, up to its first NUL or its end.
std::u16string wide_text(const std::vector<abi::BYTE>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(util::load_le16(bytes.data() + i));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

}  // namespace

std::optional<bool> read_default_duplex(const PrinterConnection& printer) {
    abi::DWORD type = 0;
    std::size_t needed = 0;
    const abi::DWORD probe = printer.get_printer_data(u"DefaultDuplex", &type, nullptr, 0, &needed);
    if (probe != 0 && probe != platform::kErrorMoreData) return std::nullopt;
    std::uint8_t bytes[4] = {};
    if (printer.get_printer_data(u"DefaultDuplex", &type, bytes, sizeof bytes, &needed) != 0)
        return std::nullopt;
    if (needed != sizeof bytes) return std::nullopt;
    return util::load_le32(bytes) != 0;
}

std::optional<bool> default_duplex(const PrinterConnection& printer) {
    // A failed read is not kept: the next caller asks the printer again.
    static std::mutex mutex;
    static bool read = false;
    static bool value = false;
    std::lock_guard<std::mutex> lock(mutex);
    if (!read) {
        const auto duplex = read_default_duplex(printer);
        if (!duplex) return std::nullopt;
        value = *duplex;
        read = true;
    }
    return value;
}

std::optional<InstallableOptions> read_installable_options(const PrinterConnection& printer) {
    InstallableOptions options{};
    abi::DWORD type = 0;
    std::size_t needed = 0;
    if (printer.get_printer_data(u"InstallableOptions", &type, options.data(), options.size(), &needed) != 0)
        return std::nullopt;
    if (needed != options.size()) return std::nullopt;
    return options;
}

std::optional<DriverOptionMap> parse_driver_option_map(std::span<const std::uint8_t> value) {
    if (value.empty()) return std::nullopt;
    // Parsed from a copy one byte longer, zero-filled, so that every text ends inside it.
    std::vector<char> buffer(value.size() + 1, 0);
    std::memcpy(buffer.data(), value.data(), value.size());

    const std::string header(buffer.data());
    if (header != util::hex_trimmed(settings::layout_version())) return std::nullopt;

    DriverOptionMap map;
    std::size_t position = header.size() + 1;
    std::size_t remaining = value.size() > header.size() ? value.size() - header.size() - 1 : 0;
    while (remaining > 3) {
        const std::size_t key_length = std::strlen(buffer.data() + position);
        // The last entry may lose its number's high byte: the zero byte after the value stands in
        // for it. An entry that needs more than the value and that byte is malformed.
        if (key_length + 2 > remaining) return std::nullopt;
        const auto* number = reinterpret_cast<const std::uint8_t*>(buffer.data() + position + key_length + 1);
        map[std::string(buffer.data() + position, key_length)] = util::load_le16(number);
        const std::size_t entry = key_length + 3;
        position += entry;
        remaining = remaining > entry ? remaining - entry : 0;
    }
    return map;
}

std::optional<DriverOptionMap> read_driver_option_map(const PrinterConnection& printer,
                                                      const char16_t* value_name) {
    PrinterConnection::Value value;
    if (!printer.read_value(value_name, value) || value.bytes.empty()) return std::nullopt;
    return parse_driver_option_map(value.bytes);
}

std::vector<CustomPaper> read_custom_papers(const PrinterConnection& printer) {
    PrinterConnection::Value value;
    std::vector<CustomPaper> papers;
    if (!printer.read_value(u"LastCustomPapers", value)) return papers;
    // A value that is not a whole number of records is not a list of papers at all.
    if (value.bytes.size() % kCustomPaperRecordSize != 0) return papers;
    for (std::size_t at = 0; at < value.bytes.size(); at += kCustomPaperRecordSize) {
        const abi::BYTE* record = value.bytes.data() + at;
        CustomPaper paper;
        paper.kind_flag = util::load_le32(record);
        const auto* name = reinterpret_cast<const char*>(record + 16);
        paper.name.assign(name, strnlen(name, kCustomPaperRecordSize - 16));
        papers.push_back(std::move(paper));
    }
    return papers;
}

std::optional<std::string> read_wake_up_address_text(const PrinterConnection& printer) {
    std::vector<abi::BYTE> bytes(36, 0);
    abi::DWORD type = 0;
    std::size_t needed = 0;
    if (printer.get_printer_data(u"MacAddress", &type, bytes.data(), bytes.size(), &needed) != 0)
        return std::nullopt;
    bytes.resize(std::min(needed, bytes.size()));
    return util::utf16_to_utf8(wide_text(bytes));
}

std::optional<std::u16string> read_spool_directory(const PrinterConnection& printer) {
    std::vector<abi::BYTE> bytes(0x1FFFC, 0);
    abi::DWORD type = 0;
    std::size_t needed = 0;
    if (printer.get_printer_data(u"DefaultSpoolDirectory", &type, bytes.data(), bytes.size(), &needed) != 0)
        return std::nullopt;
    bytes.resize(std::min(needed, bytes.size()));
    return wide_text(bytes);
}

void write_driver_option_bytes(abi::HANDLE handle, std::span<std::uint8_t> devmode,
                               const settings::Record& record) {
    if (devmode.size() < sizeof(abi::DEVMODEW)) return;
    const PrinterConnection printer = PrinterConnection::borrow(handle);
    const auto offsets = read_driver_option_map(printer, u"PScriptOffsets");
    const auto values = read_driver_option_map(printer, u"PScriptValues");
    if (!offsets || !values || offsets->empty() || values->empty()) return;

    const std::size_t private_start = util::load_le16(devmode.data() + offsetof(abi::DEVMODEW, dmSize));
    const std::size_t private_size = util::load_le16(devmode.data() + offsetof(abi::DEVMODEW, dmDriverExtra));

    std::vector<features::KeywordPair> pairs;
    features::collect_keyword_pairs(record.view(), pairs);
    std::string value_key;
    for (const features::KeywordPair& pair : pairs) {
        const auto offset = offsets->find(pair.keyword);
        if (offset == offsets->end()) continue;
        value_key.assign(pair.keyword);
        value_key += '_';
        value_key += pair.option;
        const auto value = values->find(value_key);
        if (value == values->end()) continue;
        const std::size_t at = private_start + offset->second;
        if (offset->second >= private_size || at >= devmode.size()) continue;
        const auto byte = static_cast<std::uint8_t>(value->second & 0xFF);
        if (devmode[at] != byte) devmode[at] = byte;
    }
}

bool tray_available(unsigned tray_code, const InstallableOptions& options) {
    // Paper-feed configurations without the tray, per tray code (codes 0, 1 and 12 always exist).
    static constexpr std::uint32_t kTray1Missing = (1u << 0) | (1u << 23);
    static constexpr std::uint32_t kTray2And3Missing =
        (1u << 0) | (1u << 21) | (1u << 22) | (1u << 23) | (1u << 24) | (1u << 25);
    static constexpr std::uint32_t kTray4Missing = (1u << 0) | (1u << 1) | (1u << 2) | (1u << 11) |
                                                   (1u << 19) | (1u << 20) | (1u << 21) | (1u << 22) |
                                                   (1u << 23) | (1u << 24) | (1u << 25);
    static constexpr std::uint32_t kTray5And6Missing = kTray4Missing | (1u << 9) | (1u << 10) | (1u << 18);
    static constexpr std::uint32_t kTray7To9Missing = kTray5And6Missing | (1u << 3) | (1u << 4) | (1u << 7) |
                                                      (1u << 8) | (1u << 12) | (1u << 13) | (1u << 16) |
                                                      (1u << 17);
    static constexpr std::uint32_t kManualFeedMissing =
        (1u << 0) | (1u << 1) | (1u << 3) | (1u << 5) | (1u << 7) | (1u << 9) | (1u << 11) | (1u << 12) |
        (1u << 14) | (1u << 16) | (1u << 18) | (1u << 19) | (1u << 21) | (1u << 22);
    static constexpr std::uint32_t kMissing[13] = {0,
                                                   0,
                                                   kTray1Missing,
                                                   kTray2And3Missing,
                                                   kTray2And3Missing,
                                                   kTray4Missing,
                                                   kTray5And6Missing,
                                                   kTray5And6Missing,
                                                   kTray7To9Missing,
                                                   kTray7To9Missing,
                                                   kTray7To9Missing,
                                                   kManualFeedMissing,
                                                   0};
    const unsigned configuration = options[kPaperFeedConfigurationByte];
    if (tray_code > 12 || configuration > 31) return true;
    return (kMissing[tray_code] & (1u << configuration)) == 0;
}

}  // namespace zenta::environment
