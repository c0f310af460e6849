// The parts of the CUPS PPD generator that the filter calls: what CUPS sends for a range, and the
// installable options block from the PPD's installed options (read back from the PPD itself).

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "cups_ppd.h"

namespace zenta::tool::cups {
namespace {

using features::FeatureId;

struct RangeCase {
    FeatureId feature;
    const char* sent;
    std::optional<std::int64_t> stored;
};

TEST(CupsPpd, RangeValuesAreReadInTheFirstDisplayUnit) {
    const RangeCase cases[] = {
        {FeatureId::Zoom, "150", 150},                   // a plain number
        {FeatureId::Zoom, "Custom.150", 150},            // the custom choice
        {FeatureId::Zoom, "{Value=150}", 150},           // the custom value in braces
        {FeatureId::Zoom, " Custom.1000 ", 1000},        // the maximum
        {FeatureId::Zoom, "Custom.0", std::nullopt},     // below the minimum
        {FeatureId::Zoom, "1001", std::nullopt},         // above the maximum
        {FeatureId::Zoom, "Custom.", std::nullopt},      // no number
        {FeatureId::Zoom, "12x", std::nullopt},          // not a number
        {FeatureId::Zoom, "{Width=150}", std::nullopt},  // another parameter
        {FeatureId::Gutter, "Custom.12.5", 125000},      // millimetres, stored in ten-thousandths
        {FeatureId::Gutter, "-2.5", -25000},
        {FeatureId::Gutter, "0.00005", 1},  // rounded half away from zero
        {FeatureId::Gutter, "-0.00005", -1},
        {FeatureId::Tab1FontSize, "Custom.10.5", 105},  // points, stored in tenths
        {FeatureId::Tab1FontSize, "3.9", std::nullopt},
        {FeatureId::Staple, "1", std::nullopt},  // not a range
    };
    for (const RangeCase& c : cases)
        EXPECT_EQ(range_value_from_choice(c.feature, c.sent), c.stored)
            << features::feature(c.feature).key << "=" << c.sent;
}

TEST(CupsPpd, InstalledChoicesSetTheirBytes) {
    const environment::InstallableOptions builtin = installable_options_from({});
    EXPECT_EQ(builtin[2], 1);  // the built-in printer: class 1, folding unit 1, paper feed 6
    EXPECT_EQ(builtin[7], 1);
    EXPECT_EQ(builtin[11], 6);

    auto block = installable_options_from({{"PrinterClass", "Class9"}, {"PaperFeed", "Config0"}});
    EXPECT_EQ(block[2], 9);
    EXPECT_EQ(block[11], 0);
    block[2] = builtin[2];
    block[11] = builtin[11];
    EXPECT_EQ(block, builtin) << "no other byte moves";

    // A choice the PPD does not have keeps the base block's byte.
    environment::InstallableOptions base{};
    base[2] = 23;
    EXPECT_EQ(installable_options_from({{"PrinterClass", "Class3"}}, base)[2], 23);
    EXPECT_EQ(installable_options_from({{"InstalledFoldingUnit", "Unit2"}}, base)[7], 2);
}

// The filter reads the *Default lines of the installed options group; they give the built-in
// printer's block back.
TEST(CupsPpd, TheDefaultsOfThePpdAreTheBuiltInPrinter) {
    std::istringstream ppd(make_cups_ppd());
    std::map<std::string, std::string> defaults;
    bool inside = false;
    for (std::string line; std::getline(ppd, line);) {
        if (line.starts_with("*OpenGroup: InstallableOptions")) inside = true;
        if (line.starts_with("*CloseGroup: InstallableOptions")) break;
        const auto colon = line.find(": ");
        if (inside && line.starts_with("*Default") && colon != std::string::npos)
            defaults[line.substr(8, colon - 8)] = line.substr(colon + 2);
    }
    ASSERT_EQ(defaults.size(), 3u);
    environment::InstallableOptions zeros{};
    EXPECT_EQ(installable_options_from(defaults, zeros)[2], installable_options_from({})[2]);
    EXPECT_EQ(installable_options_from(defaults, zeros)[7], installable_options_from({})[7]);
    EXPECT_EQ(installable_options_from(defaults, zeros)[11], installable_options_from({})[11]);
}

}  // namespace
}  // namespace zenta::tool::cups
