#include "host/devmode_buffer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "util/byte_order.h"

namespace zenta::host {

using namespace abi;

namespace {

constexpr std::uint8_t kPrivateSignature[4] = {'P', 'R', 'I', 'V'};
constexpr std::size_t kDmSizeOffset = offsetof(DEVMODEW, dmSize);
constexpr std::size_t kDmDriverExtraOffset = offsetof(DEVMODEW, dmDriverExtra);

// The fields a default DEVMODE of the stand-in carries.
constexpr DWORD kDefaultFields = DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_DEFAULTSOURCE |
                                 DM_PRINTQUALITY | DM_YRESOLUTION | DM_DUPLEX | DM_COLLATE | DM_FORMNAME;

// Copies a name into a fixed UTF-16 field, cut so that it stays terminated.
template <std::size_t N>
void copy_name(WCHAR (&field)[N], std::u16string_view name) {
    const std::size_t count = std::min(name.size(), N - 1);
    std::copy_n(name.begin(), count, field);
    std::fill(field + count, field + N, u'\0');
}

}  // namespace

void DevmodeBuffer::allocate(std::size_t size) {
    storage_.assign((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    size_ = size;
}

DevmodeBuffer DevmodeBuffer::make(std::u16string_view device_name, std::uint32_t plugin_size) {
    const std::size_t block = std::min<std::size_t>(plugin_size, kMaxPluginSize);
    DevmodeBuffer dm;
    dm.private_size_ = kPrivateSize;
    dm.allocate(sizeof(DEVMODEW) + kPrivateSize + block);

    DEVMODEW& pub = *dm.public_part();
    copy_name(pub.dmDeviceName, device_name);
    pub.dmSpecVersion = DM_SPECVERSION;
    pub.dmDriverVersion = kDriverVersion;
    pub.dmSize = sizeof(DEVMODEW);
    pub.dmDriverExtra = static_cast<WORD>(kPrivateSize + block);
    pub.dmFields = kDefaultFields;
    pub.dmOrientation = DMORIENT_PORTRAIT;
    pub.dmPaperSize = DMPAPER_A4;
    pub.dmScale = 100;
    pub.dmCopies = 1;
    pub.dmDefaultSource = DMBIN_AUTO;
    pub.dmPrintQuality = 600;
    pub.dmYResolution = 600;
    pub.dmDuplex = DMDUP_SIMPLEX;
    pub.dmCollate = DMCOLLATE_FALSE;
    copy_name(pub.dmFormName, u"A4");

    std::uint8_t* area = dm.private_area();
    std::copy(std::begin(kPrivateSignature), std::end(kPrivateSignature), area);
    util::store_le16(area + kPrivateSizeWordOffset, static_cast<std::uint16_t>(kPrivateSize));
    area[kNupMarkerOffset] = 0;
    return dm;
}

std::optional<DevmodeBuffer> DevmodeBuffer::from_bytes(std::span<const std::uint8_t> bytes,
                                                       std::string& error) {
    constexpr std::size_t kPublic = sizeof(DEVMODEW);
    if (bytes.size() < kPublic) {
        error = "it holds " + std::to_string(bytes.size()) + " bytes, fewer than the " +
                std::to_string(kPublic) + " of a public DEVMODE";
        return std::nullopt;
    }
    const std::size_t dm_size = util::load_le16(bytes.data() + kDmSizeOffset);
    const std::size_t extra = util::load_le16(bytes.data() + kDmDriverExtraOffset);
    if (dm_size != kPublic) {
        error = "its dmSize is " + std::to_string(dm_size) + ", not " + std::to_string(kPublic);
        return std::nullopt;
    }
    if (bytes.size() != kPublic + extra) {
        error = "it holds " + std::to_string(bytes.size()) + " bytes, but dmSize " + std::to_string(dm_size) +
                " and dmDriverExtra " + std::to_string(extra) + " make " + std::to_string(kPublic + extra);
        return std::nullopt;
    }
    std::size_t private_size = 0;
    if (extra >= kMinDriverExtraForPrivateArea) {
        private_size = util::load_le16(bytes.data() + kPublic + kPrivateSizeWordOffset);
        if (private_size < kPrivateSizeWordOffset + 2 || private_size > extra) {
            error = "the size of its private area (the word at byte " +
                    std::to_string(kPrivateSizeWordOffset) + ", " + std::to_string(private_size) +
                    ") does not lie between " + std::to_string(kPrivateSizeWordOffset + 2) +
                    " and dmDriverExtra " + std::to_string(extra);
            return std::nullopt;
        }
    }
    DevmodeBuffer dm;
    dm.private_size_ = private_size;
    dm.allocate(bytes.size());
    std::memcpy(dm.data(), bytes.data(), bytes.size());
    return dm;
}

std::optional<std::uint8_t> DevmodeBuffer::nup_marker() const {
    // The plug-in's own test: the driver-private bytes reach past the marker and begin "PRIV".
    if (public_part()->dmDriverExtra <= kNupMarkerOffset) return std::nullopt;
    const std::uint8_t* area = data() + sizeof(DEVMODEW);
    if (!std::equal(std::begin(kPrivateSignature), std::end(kPrivateSignature), area)) return std::nullopt;
    return area[kNupMarkerOffset];
}

}  // namespace zenta::host
