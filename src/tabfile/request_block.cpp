#include "tabfile/request_block.h"

#include <algorithm>
#include <cstring>

#include "abi/devmode.h"
#include "util/byte_order.h"
#include "util/utf.h"

namespace zenta::tabfile {
namespace {

std::uint64_t load_le64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(util::load_le32(p)) |
           (static_cast<std::uint64_t>(util::load_le32(p + 4)) << 32);
}

void store_le64(std::uint8_t* p, std::uint64_t v) {
    util::store_le32(p, static_cast<std::uint32_t>(v));
    util::store_le32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

void* load_handle(ConstRequestBlock block, std::size_t offset) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(load_le64(block.data() + offset)));
}

void store_handle(RequestBlock block, std::size_t offset, void* handle) {
    store_le64(block.data() + offset, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle)));
}

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// A wide text of `units` cells: up to its first NUL or the field's end.
std::u16string load_wide(ConstRequestBlock block, std::size_t offset, std::size_t units) {
    std::u16string text;
    const std::uint8_t* at = block.data() + offset;
    for (std::size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<char16_t>(util::load_le16(at + 2 * i));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

// Writes the text (up to a NUL inside it) and zero-fills the rest of the field, so that at least
// the last cell stays 0. A cut that would leave the first half of a surrogate pair drops it.
void store_wide(RequestBlock block, std::size_t offset, std::size_t units, std::u16string_view text) {
    text = text.substr(0, std::min(text.find(u'\0'), units - 1));
    if (text.size() == units - 1 && is_high_surrogate(text.back())) text.remove_suffix(1);
    std::uint8_t* at = block.data() + offset;
    std::memset(at, 0, 2 * units);
    for (std::size_t i = 0; i < text.size(); ++i)
        util::store_le16(at + 2 * i, static_cast<std::uint16_t>(text[i]));
}

}  // namespace

void* module_handle(ConstRequestBlock block) { return load_handle(block, kModuleHandleOffset); }
void set_module_handle(RequestBlock block, void* module) { store_handle(block, kModuleHandleOffset, module); }
void* printer_handle(ConstRequestBlock block) { return load_handle(block, kPrinterHandleOffset); }
void set_printer_handle(RequestBlock block, void* printer) {
    store_handle(block, kPrinterHandleOffset, printer);
}

std::u16string printer_name(ConstRequestBlock block) {
    return load_wide(block, kPrinterNameOffset, kPrinterNameUnits);
}
void set_printer_name(RequestBlock block, std::u16string_view name) {
    store_wide(block, kPrinterNameOffset, kPrinterNameUnits, name);
}
std::u16string tab_file_path(ConstRequestBlock block) {
    return load_wide(block, kTabFilePathOffset, kTabFilePathUnits);
}
void set_tab_file_path(RequestBlock block, std::u16string_view path) {
    store_wide(block, kTabFilePathOffset, kTabFilePathUnits, path);
}
std::u16string document_name(ConstRequestBlock block) {
    return load_wide(block, kDocumentNameOffset, kDocumentNameUnits);
}
void set_document_name(RequestBlock block, std::u16string_view name) {
    store_wide(block, kDocumentNameOffset, kDocumentNameUnits, name);
}

std::uint16_t orientation(ConstRequestBlock block) {
    return util::load_le16(block.data() + kOrientationOffset);
}
std::uint16_t print_quality(ConstRequestBlock block) {
    return util::load_le16(block.data() + kPrintQualityOffset);
}
std::uint16_t y_resolution(ConstRequestBlock block) {
    return util::load_le16(block.data() + kYResolutionOffset);
}
std::uint16_t scale(ConstRequestBlock block) { return util::load_le16(block.data() + kScaleOffset); }

void set_devmode_words(RequestBlock block, const DevmodeWords& words) {
    util::store_le16(block.data() + kOrientationOffset, words.orientation);
    util::store_le16(block.data() + kPrintQualityOffset, words.print_quality);
    util::store_le16(block.data() + kYResolutionOffset, words.y_resolution);
    util::store_le16(block.data() + kScaleOffset, words.scale);
}

DevmodeWords devmode_words(std::span<const std::uint8_t> public_devmode) {
    DevmodeWords words;
    constexpr std::size_t kFields = offsetof(abi::DEVMODEW, dmFields);
    if (public_devmode.size() < kFields + 4) return words;
    const std::size_t dm_size = util::load_le16(public_devmode.data() + offsetof(abi::DEVMODEW, dmSize));
    const std::size_t limit = std::min(public_devmode.size(), dm_size);
    if (limit < kFields + 4) return words;
    const abi::DWORD fields = util::load_le32(public_devmode.data() + kFields);
    const auto read = [&](abi::DWORD flag, std::size_t offset, std::uint16_t& word) {
        if ((fields & flag) != 0 && offset + 2 <= limit)
            word = util::load_le16(public_devmode.data() + offset);
    };
    read(abi::DM_ORIENTATION, offsetof(abi::DEVMODEW, dmOrientation), words.orientation);
    read(abi::DM_PRINTQUALITY, offsetof(abi::DEVMODEW, dmPrintQuality), words.print_quality);
    read(abi::DM_YRESOLUTION, offsetof(abi::DEVMODEW, dmYResolution), words.y_resolution);
    read(abi::DM_SCALE, offsetof(abi::DEVMODEW, dmScale), words.scale);
    return words;
}

std::span<std::uint8_t, kRecordBytes> record_bytes(RequestBlock block) {
    return block.subspan<kRecordOffset, kRecordBytes>();
}
std::span<const std::uint8_t, kRecordBytes> record_bytes(ConstRequestBlock block) {
    return block.subspan<kRecordOffset, kRecordBytes>();
}

std::uint32_t job_id(ConstRequestBlock block) { return util::load_le32(block.data() + kJobIdOffset); }
void set_job_id(RequestBlock block, std::uint32_t id) { util::store_le32(block.data() + kJobIdOffset, id); }

TabAttributes tab_attributes(ConstRequestBlock block) {
    TabAttributes attributes{};
    std::copy_n(block.data() + kAttributesOffset, kTabAttributeCount, attributes.begin());
    return attributes;
}
void set_tab_attributes(RequestBlock block, const TabAttributes& attributes) {
    std::copy(attributes.begin(), attributes.end(), block.data() + kAttributesOffset);
}

std::string tab_text(ConstRequestBlock block) {
    const auto* at = reinterpret_cast<const char*>(block.data() + kTabTextOffset);
    const std::string_view field(at, kTabTextBytes);
    return std::string(field.substr(0, field.find('\0')));
}
void set_tab_text(RequestBlock block, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    text = util::utf8_prefix(text, kTabTextBytes - 1);
    std::uint8_t* at = block.data() + kTabTextOffset;
    std::memset(at, 0, kTabTextBytes);
    std::copy_n(text.begin(), text.size(), at);  // an empty text may point nowhere
}

std::uint32_t status(ConstRequestBlock block) { return util::load_le32(block.data() + kStatusOffset); }
void set_status(RequestBlock block, std::uint32_t value) {
    util::store_le32(block.data() + kStatusOffset, value);
}

bool block_acceptable(ConstRequestBlock block) {
    const auto cell_is_nul = [&](std::size_t offset) { return util::load_le16(block.data() + offset) == 0; };
    return module_handle(block) != nullptr && cell_is_nul(kPrinterNameLastCell) &&
           cell_is_nul(kTabFilePathLastCell) && cell_is_nul(kDocumentNameLastCell);
}

void fill_request_block(RequestBlock block, const TabRequest& request) {
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    set_module_handle(block, request.module);
    set_printer_handle(block, request.printer);
    set_printer_name(block, request.printer_name);
    set_tab_file_path(block, request.tab_file_path);
    set_document_name(block, request.document_name);
    set_devmode_words(block, devmode_words(request.public_devmode));
    if (request.record)
        std::copy(request.record->bytes.begin(), request.record->bytes.end(), record_bytes(block).begin());
    set_job_id(block, request.job_id);
    set_tab_attributes(block, request.attributes);
    set_tab_text(block, request.tab_text);
    set_status(block, kStatusPending);
}

}  // namespace zenta::tabfile
