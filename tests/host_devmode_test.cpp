// The whole DEVMODE the core-driver stand-in keeps for a printer: the default it makes, and the
// checks a DEVMODE read from bytes must pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "host/devmode_buffer.h"
#include "util/byte_order.h"

namespace zenta {
namespace {

using namespace abi;
using host::DevmodeBuffer;

constexpr std::size_t kPublic = sizeof(DEVMODEW);

TEST(HostDevmodeBuffer, DefaultLayout) {
    DevmodeBuffer dm = DevmodeBuffer::make(u"Printer", 27800);
    const DEVMODEW& pub = *dm.public_part();
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(dm.public_part()) % alignof(DEVMODEW), 0u);
    EXPECT_EQ(std::u16string(pub.dmDeviceName), u"Printer");
    EXPECT_EQ(pub.dmSpecVersion, DM_SPECVERSION);
    EXPECT_EQ(pub.dmSize, kPublic);
    EXPECT_EQ(pub.dmDriverExtra, 512 + 27800);
    EXPECT_EQ(pub.dmFields, 0x0001B713u);
    EXPECT_EQ(std::vector<int>({pub.dmOrientation, pub.dmPaperSize, pub.dmScale, pub.dmCopies,
                                pub.dmDefaultSource, pub.dmPrintQuality, pub.dmYResolution, pub.dmDuplex}),
              std::vector<int>({DMORIENT_PORTRAIT, DMPAPER_A4, 100, 1, DMBIN_AUTO, 600, 600, DMDUP_SIMPLEX}));
    EXPECT_EQ(std::u16string(pub.dmFormName), u"A4");

    ASSERT_EQ(dm.size(), kPublic + 512 + 27800);
    EXPECT_EQ(dm.private_area(), dm.bytes().data() + kPublic);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dm.private_area()), 4), "PRIV");
    EXPECT_EQ(util::load_le16(dm.private_area() + 114), 512);
    EXPECT_EQ(dm.nup_marker(), std::optional<std::uint8_t>(0));
    EXPECT_EQ(dm.plugin_block(), dm.bytes().data() + kPublic + 512);
    EXPECT_EQ(dm.plugin_size(), 27800u);
    for (std::size_t i = 0; i < dm.plugin_size(); ++i) ASSERT_EQ(dm.plugin_block()[i], 0) << i;
}

TEST(HostDevmodeBuffer, MakeCutsLongNamesAndBlocks) {
    const std::u16string long_name(40, u'x');
    DevmodeBuffer dm = DevmodeBuffer::make(long_name, 70000);
    EXPECT_EQ(std::u16string(dm.public_part()->dmDeviceName), long_name.substr(0, 31));
    EXPECT_EQ(dm.plugin_size(), DevmodeBuffer::kMaxPluginSize);
    EXPECT_EQ(dm.public_part()->dmDriverExtra, 0xFFFF);

    DevmodeBuffer empty = DevmodeBuffer::make(u"", 0);
    EXPECT_EQ(empty.plugin_block(), nullptr);
    EXPECT_EQ(empty.plugin_size(), 0u);
}

// A DEVMODE of `extra` driver-private bytes whose private area claims `area` bytes.
std::vector<std::uint8_t> devmode_bytes(std::uint16_t extra, std::uint16_t area, std::size_t size = 0) {
    std::vector<std::uint8_t> bytes(size ? size : kPublic + extra, 0);
    util::store_le16(bytes.data() + 68, kPublic);
    util::store_le16(bytes.data() + 70, extra);
    if (extra >= 117) {
        std::copy_n("PRIV", 4, bytes.begin() + kPublic);
        util::store_le16(bytes.data() + kPublic + 114, area);
    }
    return bytes;
}

TEST(HostDevmodeBuffer, FromBytesRoundTrip) {
    DevmodeBuffer made = DevmodeBuffer::make(u"P", 27800);
    made.plugin_block()[0] = 0x98;
    *(made.private_area() + 124) = 1;
    std::string error;
    const auto read = DevmodeBuffer::from_bytes(made.bytes(), error);
    ASSERT_TRUE(read) << error;
    EXPECT_TRUE(
        std::equal(read->bytes().begin(), read->bytes().end(), made.bytes().begin(), made.bytes().end()));
    EXPECT_EQ(read->private_size(), 512u);
    EXPECT_EQ(read->plugin_size(), 27800u);
    EXPECT_EQ(read->plugin_block()[0], 0x98);
    EXPECT_EQ(read->nup_marker(), std::optional<std::uint8_t>(1));
}

TEST(HostDevmodeBuffer, FromBytesLayouts) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::size_t private_size, plugin_size;
        bool marker;
    };
    std::vector<Case> cases = {
        {"no driver-private bytes", devmode_bytes(0, 0), 0, 0, false},
        {"too short for a size word: all plug-in block", devmode_bytes(116, 0), 0, 116, false},
        {"a private area of exactly 124 bytes has no marker", devmode_bytes(124, 124), 124, 0, false},
        {"a private area of 125 bytes has one", devmode_bytes(200, 125), 125, 75, true},
        {"the whole driver-private part is the area", devmode_bytes(300, 300), 300, 0, true},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto dm = DevmodeBuffer::from_bytes(c.bytes, error);
        ASSERT_TRUE(dm) << c.what << ": " << error;
        EXPECT_EQ(dm->private_size(), c.private_size) << c.what;
        EXPECT_EQ(dm->plugin_size(), c.plugin_size) << c.what;
        EXPECT_EQ(dm->nup_marker().has_value(), c.marker) << c.what;
    }

    auto no_signature = devmode_bytes(300, 200);
    no_signature[kPublic] = 'X';
    std::string error;
    const auto unsigned_area = DevmodeBuffer::from_bytes(no_signature, error);
    ASSERT_TRUE(unsigned_area) << error;
    EXPECT_FALSE(unsigned_area->nup_marker()) << "no \"PRIV\", no marker";
}

TEST(HostDevmodeBuffer, FromBytesRejects) {
    auto wrong_dm_size = devmode_bytes(0, 0);
    util::store_le16(wrong_dm_size.data() + 68, 156);
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* error;
    } cases[] = {
        {"shorter than the public part", std::vector<std::uint8_t>(219),
         "it holds 219 bytes, fewer than the 220"},
        {"another dmSize", wrong_dm_size, "its dmSize is 156, not 220"},
        {"short of dmDriverExtra", devmode_bytes(300, 200, kPublic + 299),
         "it holds 519 bytes, but dmSize 220"},
        {"longer than dmDriverExtra", devmode_bytes(300, 200, kPublic + 301), "it holds 521 bytes"},
        {"area larger than dmDriverExtra", devmode_bytes(300, 301), "the size of its private area"},
        {"area too small for its size word", devmode_bytes(300, 115), "(the word at byte 114, 115)"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(DevmodeBuffer::from_bytes(c.bytes, error)) << c.what;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
}

}  // namespace
}  // namespace zenta
