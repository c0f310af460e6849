#include "settings/plugin_devmode.h"

#include <algorithm>
#include <cstring>

#include "settings/layout_version.h"
#include "settings/page_exceptions.h"
#include "util/byte_order.h"

namespace zenta::settings {

namespace {

constexpr std::size_t kDmSizeOffset = 68;         // DEVMODEW.dmSize
constexpr std::size_t kDmDriverExtraOffset = 70;  // DEVMODEW.dmDriverExtra
constexpr std::uint8_t kPrivateSignature[4] = {'P', 'R', 'I', 'V'};

}  // namespace

bool is_plugin_devmode(const std::uint8_t* block, std::size_t available) {
    if (!block || available < kPluginDevmodeSize) return false;
    return util::load_le32(block) >= kPluginDevmodeSize && util::load_le32(block + 4) == kPluginSignature &&
           util::load_le32(block + 8) == layout_version() &&
           util::load_le32(block + 12) == kExtensionMarker && util::load_le32(block + 16) == kExtensionLength;
}

void write_plugin_devmode(std::span<std::uint8_t, kPluginDevmodeSize> block, const Record& record) {
    std::fill(block.begin(), block.begin() + kRecordOffset, std::uint8_t{0});
    util::store_le32(block.data(), kPluginDevmodeSize);
    util::store_le32(block.data() + 4, kPluginSignature);
    util::store_le32(block.data() + 8, layout_version());
    util::store_le32(block.data() + 12, kExtensionMarker);
    util::store_le32(block.data() + 16, kExtensionLength);
    std::memcpy(block.data() + kRecordOffset, record.data(), Record::kSize);
}

std::uint8_t* nup_marker(std::uint8_t* devmode, std::size_t size) {
    if (!devmode || size < kDmDriverExtraOffset + 2) return nullptr;
    const std::size_t public_size = util::load_le16(devmode + kDmSizeOffset);
    const std::size_t extra = util::load_le16(devmode + kDmDriverExtraOffset);
    if (extra <= kNupMarkerOffset || public_size > size || size - public_size <= kNupMarkerOffset)
        return nullptr;
    std::uint8_t* area = devmode + public_size;
    if (!std::equal(std::begin(kPrivateSignature), std::end(kPrivateSignature), area)) return nullptr;
    return area + kNupMarkerOffset;
}

std::uint8_t nup_marker_value(const Record& record) {
    if (record.raw(FeatureId::NUpCount) != 0) return 1;
    if (record.raw(FeatureId::TabImageShift) != 0) return 0;
    if (announces_no_entries(record.field(FeatureId::PageSpecificTrays))) return 0;
    const PageList tabs = select_pages(record, kSelectTabs);
    return std::any_of(tabs.begin(), tabs.end(), [](const PageEntry& e) { return e.is_tab(); }) ? 1 : 0;
}

}  // namespace zenta::settings
