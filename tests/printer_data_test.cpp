// Decoding of the printer data values the plug-in reads, and the tray availability rule.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environment/printer_data.h"
#include "settings/layout_version.h"
#include "util/hex.h"

namespace zenta::environment {
namespace {

// A driver option value: the header, then key NUL number(16-bit LE) entries.
std::vector<std::uint8_t> option_value(const std::string& header,
                                       std::initializer_list<std::pair<std::string, std::uint16_t>> entries) {
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.push_back(0);
    for (const auto& [key, number] : entries) {
        bytes.insert(bytes.end(), key.begin(), key.end());
        bytes.push_back(0);
        bytes.push_back(static_cast<std::uint8_t>(number & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(number >> 8));
    }
    return bytes;
}

std::string version_text() { return util::hex_trimmed(settings::layout_version()); }

TEST(DriverOptionMap, ReadsEntriesInOrderAndLaterDuplicatesWin) {
    const auto map = parse_driver_option_map(
        option_value(version_text(), {{"QWDuplex", 0x0123}, {"InputSlot", 7}, {"QWDuplex", 0xBEEF}}));
    ASSERT_TRUE(map);
    EXPECT_EQ(map->size(), 2u);
    EXPECT_EQ(map->at("QWDuplex"), 0xBEEF);
    EXPECT_EQ(map->at("InputSlot"), 7);
}

TEST(DriverOptionMap, HeaderMustBeThisLayoutInUpperCase) {
    std::string lower = version_text();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_NE(lower, version_text()) << "the version has letters";
    EXPECT_FALSE(parse_driver_option_map(option_value(lower, {{"QWDuplex", 1}})));
    EXPECT_FALSE(parse_driver_option_map(option_value("0" + version_text(), {{"QWDuplex", 1}})));
    EXPECT_FALSE(parse_driver_option_map(option_value("DEADBEEF", {{"QWDuplex", 1}})));
    EXPECT_FALSE(parse_driver_option_map({}));
}

TEST(DriverOptionMap, HeaderAloneIsAnEmptyMap) {
    const auto map = parse_driver_option_map(option_value(version_text(), {}));
    ASSERT_TRUE(map);
    EXPECT_TRUE(map->empty());
}

TEST(DriverOptionMap, TruncatedEntriesFailWithoutReadingPastTheValue) {
    const auto whole = option_value(version_text(), {{"QWDuplex", 0x0102}, {"InputSlot", 0x0304}});
    // Every cut of the value, parsed from an exact-size copy (a read past its end is caught by
    // the address sanitizer and by the values seen here). An entry is "QWDuplex" NUL 02 01 (11
    // bytes), then "InputSlot" NUL 04 03 (12 bytes).
    for (std::size_t cut = version_text().size() + 1; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        const auto map = parse_driver_option_map(part);
        const std::size_t remaining = cut - version_text().size() - 1;
        if (remaining <= 3) {  // too little left to hold an entry: the parse ends there
            ASSERT_TRUE(map);
            EXPECT_TRUE(map->empty());
        } else if (remaining == 10) {  // the last number lost its high byte: the zero pad
            ASSERT_TRUE(map);
            EXPECT_EQ(*map, (DriverOptionMap{{"QWDuplex", 0x0002}}));
        } else if (remaining < 10) {
            EXPECT_FALSE(map);
        } else if (remaining <= 14) {
            ASSERT_TRUE(map);
            EXPECT_EQ(*map, (DriverOptionMap{{"QWDuplex", 0x0102}}));
        } else if (remaining == 22) {
            ASSERT_TRUE(map);
            EXPECT_EQ(*map, (DriverOptionMap{{"QWDuplex", 0x0102}, {"InputSlot", 0x0004}}));
        } else {
            EXPECT_FALSE(map);
        }
    }
    EXPECT_TRUE(parse_driver_option_map(whole));
}

TEST(DriverOptionMap, KeyWithoutItsNumberFails) {
    auto bytes = option_value(version_text(), {});
    const std::string key = "ThisKeyHasNoNumber";
    bytes.insert(bytes.end(), key.begin(), key.end());  // no NUL, no number
    EXPECT_FALSE(parse_driver_option_map(bytes));
}

TEST(TrayAvailability, PaperFeedConfigurationDecides) {
    InstallableOptions options{};
    options[kPaperFeedConfigurationByte] = 0;
    for (unsigned tray = 2; tray <= 11; ++tray) EXPECT_FALSE(tray_available(tray, options)) << tray;
    for (unsigned tray : {0u, 1u, 12u}) EXPECT_TRUE(tray_available(tray, options)) << tray;

    options[kPaperFeedConfigurationByte] = 23;  // no tray 1 to 9; manual feed present
    EXPECT_FALSE(tray_available(2, options));
    EXPECT_FALSE(tray_available(10, options));
    EXPECT_TRUE(tray_available(11, options));

    options[kPaperFeedConfigurationByte] = 6;  // everything installed
    for (unsigned tray = 0; tray <= 12; ++tray) EXPECT_TRUE(tray_available(tray, options)) << tray;

    options[kPaperFeedConfigurationByte] = 9;
    EXPECT_TRUE(tray_available(5, options));   // Tray4
    EXPECT_FALSE(tray_available(6, options));  // Tray5
    EXPECT_FALSE(tray_available(11, options));

    options[kPaperFeedConfigurationByte] = 20;
    EXPECT_TRUE(tray_available(4, options));
    EXPECT_FALSE(tray_available(5, options));
    EXPECT_TRUE(tray_available(11, options));
}

}  // namespace
}  // namespace zenta::environment
