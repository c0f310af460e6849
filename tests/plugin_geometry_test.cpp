// The page geometry the plug-in reports, through the core-driver stand-in: EnablePDEV rewrites the
// page fields of the driver's GDIINFO and GetPDEVAdjustment the imageable-area rectangle, for the
// sheet, borderless setting, orientation and scale of the job.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "host/core_driver.h"
#include "host/devmode_buffer.h"
#include "settings/layout_version.h"
#include "settings/plugin_devmode.h"
#include "settings/record.h"

namespace zenta {
namespace {

using namespace abi;
using features::FeatureId;

// The job settings a case asks for, on top of an all-zero record (PageSize index 0, portrait,
// no borderless setting, OutputMethod 0).
struct Job {
    std::uint32_t page_size = 1;
    std::uint32_t custom_width = 0;  // ten-thousandths of a millimetre
    std::uint32_t custom_height = 0;
    std::uint32_t orientation = 0;
    std::uint32_t full_bleed = 0;
    std::uint32_t postcard_full_bleed = 0;
    std::uint32_t output_method = 0;
};

settings::Record record_of(const Job& job) {
    settings::Record record;
    record.set_head(settings::layout_version());
    record.set_raw(FeatureId::PageSize, job.page_size);
    record.set_raw(FeatureId::CustomPageSizeWidth, job.custom_width);
    record.set_raw(FeatureId::CustomPageSizeHeight, job.custom_height);
    record.set_raw(FeatureId::Orientation, job.orientation);
    record.set_raw(FeatureId::FullBleed, job.full_bleed);
    record.set_raw(FeatureId::PostcardFullBleed, job.postcard_full_bleed);
    record.set_raw(FeatureId::OutputMethod, job.output_method);
    return record;
}

// A DEVMODE of the printer carrying the job; `scale` > 0 sets DM_SCALE with that dmScale.
host::DevmodeBuffer devmode_of(const Job& job, int scale = 0, bool scale_flag = true) {
    host::DevmodeBuffer dm = host::DevmodeBuffer::make(u"Zenta", settings::kPluginDevmodeSize);
    settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                       dm.plugin_block(), settings::kPluginDevmodeSize),
                                   record_of(job));
    DEVMODEW* pub = dm.public_part();
    if (job.orientation == 1) pub->dmOrientation = 2;
    if (scale != 0) {
        pub->dmScale = static_cast<SHORT>(scale);
        if (scale_flag)
            pub->dmFields |= DM_SCALE;
        else
            pub->dmFields &= ~DM_SCALE;
    }
    return dm;
}

// The page fields of a GDIINFO.
struct Page {
    LONG horz_size, vert_size;
    ULONG horz_res, vert_res;
    LONG offset_x, offset_y;
    LONG phys_cx, phys_cy;
    ULONG dpi_x = 600, dpi_y = 600;

    friend bool operator==(const Page&, const Page&) = default;
};

std::ostream& operator<<(std::ostream& out, const Page& p) {
    return out << "size " << p.horz_size << " x " << p.vert_size << ", res " << p.horz_res << " x "
               << p.vert_res << ", offset " << p.offset_x << "," << p.offset_y << ", sheet " << p.phys_cx
               << " x " << p.phys_cy;
}

GDIINFO gdi_of(const Page& p) {
    GDIINFO g = host::Device::default_gdi_info();
    g.ulHorzSize = static_cast<ULONG>(p.horz_size);
    g.ulVertSize = static_cast<ULONG>(p.vert_size);
    g.ulHorzRes = p.horz_res;
    g.ulVertRes = p.vert_res;
    g.ptlPhysOffset = {p.offset_x, p.offset_y};
    g.szlPhysSize = {p.phys_cx, p.phys_cy};
    g.ulLogPixelsX = p.dpi_x;
    g.ulLogPixelsY = p.dpi_y;
    return g;
}

Page page_of(const GDIINFO& g) {
    return {static_cast<LONG>(g.ulHorzSize),
            static_cast<LONG>(g.ulVertSize),
            g.ulHorzRes,
            g.ulVertRes,
            g.ptlPhysOffset.x,
            g.ptlPhysOffset.y,
            g.szlPhysSize.cx,
            g.szlPhysSize.cy,
            g.ulLogPixelsX,
            g.ulLogPixelsY};
}

// The stand-in's A4 sheet at 600 dpi, inset by 100 dots: 202 x 289 mm.
constexpr Page kA4{202, 289, 4761, 6816, 100, 100, 4961, 7016};
// A sheet 8000 x 9000 dots with the driver's area inset by 50 dots.
constexpr Page kLarge{334, 377, 7900, 8900, 50, 50, 8000, 9000};
// kLarge cut to 7617 dots across and centred: with the border, and borderless (micrometres down).
constexpr Page kLargeCut{-322453, 377, 7617, 8900, 192, 50, 8000, 9000};
constexpr Page kLargeCutBorderless{-322453, -381000, 7617, 9000, 192, 0, 8000, 9000};

struct GdiCase {
    const char* name;
    Job job;
    Page before;
    Page after;
    int scale = 0;
    bool scale_flag = true;
};

// Expected numbers worked out by hand from the printer's limits: 914 x 3669 points at most
// (7617 x 30575 dots at 600 dpi), and 5644 micrometres of border per axis unless borderless.
const GdiCase kGdiCases[] = {
    {"A4 is narrower than the limit: left alone", {}, kA4, kA4},
    {"borderless A4: the whole sheet in micrometres",
     {.full_bleed = 1},
     kA4,
     {-210015, -297010, 4961, 7016, 0, 0, 4961, 7016}},
    {"borderless wide sheet: 7617 dots across, centred", {.full_bleed = 1}, kLarge, kLargeCutBorderless},
    {"postcard borderless is borderless", {.postcard_full_bleed = 1}, kLarge, kLargeCutBorderless},
    {"an output method other than 0 and 7 is borderless", {.output_method = 3}, kLarge, kLargeCutBorderless},
    {"output method 7 keeps the border", {.output_method = 7}, kLarge, kLargeCut},
    {"custom 215.9 x 279.4 mm: 4967 x 6467 dots, centred",
     {.page_size = 26, .custom_width = 2159000, .custom_height = 2794000},
     {216, 289, 5100, 6816, 0, 100, 5100, 7016},
     {-210269, -273769, 4967, 6467, 67, 275, 5100, 7016}},
    {"a size already in micrometres is compared as such",
     {.page_size = 26, .custom_width = 2159000, .custom_height = 2794000},
     {-210270, -273769, 4968, 6467, 66, 275, 5100, 7016},
     {-210269, -273769, 4967, 6467, 67, 275, 5100, 7016}},
    {"portrait: the width is limited", {}, kLarge, kLargeCut},
    {"landscape: the limits swap, the height is limited",
     {.orientation = 1},
     kLarge,
     {334, -322453, 7900, 7617, 50, 692, 8000, 9000}},
    {"dmScale 50 doubles the limits", {}, kLarge, kLarge, 50},
    {"dmScale 200 halves them", {}, kA4, {-161226, 289, 3808, 6816, 577, 100, 4961, 7016}, 200},
    {"dmScale without DM_SCALE is not a scale", {}, kA4, kA4, 200, false},
    {"dmScale 100 is no scale", {}, kLarge, kLargeCut, 100},
    {"a wider area than the sheet gives an unsigned offset",
     {},
     {400, 289, 9000, 6816, 0, 100, 7000, 7016},
     {-322453, 289, 7617, 6816, static_cast<LONG>((7000u - 7617u + 1u) / 2u), 100, 7000, 7016}},
    {"no horizontal resolution: nothing changes",
     {.full_bleed = 1},
     {334, 377, 7900, 8900, 50, 50, 8000, 9000, 0, 600},
     {334, 377, 7900, 8900, 50, 50, 8000, 9000, 0, 600}},
    {"no vertical resolution: no borderless rewrite, no limit",
     {.full_bleed = 1},
     {334, 377, 7900, 8900, 50, 50, 8000, 9000, 600, 0},
     {334, 377, 7900, 8900, 50, 50, 8000, 9000, 600, 0}},
};

class GeometryFrame : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(driver_.load() && driver_.enable_driver()) << driver_.error(); }

    // EnablePDEV on a fresh device with this GDIINFO and DEVMODE (null: none).
    GDIINFO enable(const GDIINFO& gdi, host::DevmodeBuffer* dm, ULONG gdi_size = sizeof(GDIINFO)) {
        host::Device device;
        device.gdi_info() = gdi;
        device.devobj()->pPublicDM = dm ? dm->public_part() : nullptr;
        device.devobj()->pOEMDM = dm ? dm->plugin_block() : nullptr;
        PDEVOEM pdev = nullptr;
        EXPECT_EQ(
            driver_.plugin()->EnablePDEV(device.devobj(), device.printer_name(), host::Device::kPatternCount,
                                         device.patterns(), gdi_size, &device.gdi_info(), sizeof(DEVINFO),
                                         &device.dev_info(), driver_.driver_table().data(), &pdev),
            S_OK);
        EXPECT_NE(pdev, nullptr);
        device.devobj()->pdevOEM = pdev;
        EXPECT_EQ(driver_.plugin()->DisablePDEV(device.devobj()), S_OK);
        return device.gdi_info();
    }

    host::CoreDriver driver_;
};

TEST_F(GeometryFrame, EnablePDEVPageFields) {
    for (const GdiCase& c : kGdiCases) {
        SCOPED_TRACE(c.name);
        host::DevmodeBuffer dm = devmode_of(c.job, c.scale, c.scale_flag);
        const GDIINFO before = gdi_of(c.before);
        const GDIINFO after = enable(before, &dm);
        EXPECT_EQ(page_of(after), c.after);
        // Only the page fields move.
        GDIINFO rest = after;
        rest.ulHorzSize = before.ulHorzSize;
        rest.ulVertSize = before.ulVertSize;
        rest.ulHorzRes = before.ulHorzRes;
        rest.ulVertRes = before.ulVertRes;
        rest.ptlPhysOffset = before.ptlPhysOffset;
        EXPECT_EQ(std::memcmp(&rest, &before, sizeof before), 0);
    }
}

TEST_F(GeometryFrame, EnablePDEVWithoutUsableSettingsLeavesTheDriversPage) {
    const GDIINFO before = gdi_of(kLarge);  // limited to 7617 dots whenever settings apply
    host::DevmodeBuffer dm = devmode_of({.full_bleed = 1});
    EXPECT_EQ(page_of(enable(before, nullptr)), kLarge) << "no plug-in devmode";
    EXPECT_EQ(page_of(enable(before, &dm, 319)), kLarge) << "a GDIINFO short of the page fields";
    EXPECT_NE(page_of(enable(before, &dm, 320)), kLarge) << "320 bytes are enough";

    host::DevmodeBuffer foreign = devmode_of({.full_bleed = 1});
    foreign.plugin_block()[8] ^= 0xFF;  // another layout's block
    EXPECT_EQ(page_of(enable(before, &foreign)), kLarge) << "a block that fails the acceptance test";
}

// ---- GetPDEVAdjustment

struct AdjustCase {
    const char* name;
    Job job;
    RECTL before;
    RECTL after;
};

// Limits in micrometres: 322439 x 1294342 on the default sheet (914 x 3669 points), the sheet
// less 5644 per axis for a custom size.
const AdjustCase kAdjustCases[] = {
    {"an A4 area is left alone", {}, {4233, 4233, 205767, 292767}, {4233, 4233, 205767, 292767}},
    {"too wide: cut to 322439 and centred", {}, {0, 0, 400000, 300000}, {38780, 0, 361219, 300000}},
    {"too high for the default sheet", {}, {0, 0, 200000, 1300000}, {0, 2829, 200000, 1297171}},
    {"borderless: moved to the sheet's corner",
     {.full_bleed = 1},
     {4233, 4233, 205767, 292767},
     {0, 0, 210000, 297000}},
    {"borderless and too wide", {.output_method = 2}, {10000, 0, 400000, 300000}, {43780, 0, 366219, 300000}},
    {"custom 215.9 x 279.4 mm, halves rounded towards zero",
     {.page_size = 26, .custom_width = 2159000, .custom_height = 2794000},
     {-100001, -50001, 120000, 250000},
     {-95128, -36878, 115128, 236878}},
    {"landscape does not turn the sheet",
     {.orientation = 1},
     {0, 0, 400000, 300000},
     {38780, 0, 361219, 300000}},
    {"an upside-down rectangle is not too large",
     {},
     {0, 500000, 400000, -500000},
     {38780, 500000, 361219, -500000}},
};

std::array<LONG, 4> corners(const RECTL& r) { return {r.left, r.top, r.right, r.bottom}; }

class AdjustFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver_.start()) << driver_.error();
        ASSERT_NE(driver_.plugin2(), nullptr);
    }
    void use(host::DevmodeBuffer* dm) {
        driver_.device().devobj()->pPublicDM = dm ? dm->public_part() : nullptr;
        driver_.device().devobj()->pOEMDM = dm ? dm->plugin_block() : nullptr;
    }
    void TearDown() override { use(nullptr); }
    HRESULT adjust(DWORD type, void* buffer, DWORD size, BOOL* done, bool device = true) {
        return driver_.plugin2()->GetPDEVAdjustment(device ? driver_.device().devobj() : nullptr, type,
                                                    buffer, size, done);
    }

    host::CoreDriver driver_;
};

TEST_F(AdjustFrame, ImageableArea) {
    for (const AdjustCase& c : kAdjustCases) {
        SCOPED_TRACE(c.name);
        host::DevmodeBuffer dm = devmode_of(c.job);
        use(&dm);
        PDEV_ADJUST_PAPER_MARGIN buffer{c.before};
        BOOL done = 7;
        EXPECT_EQ(adjust(PDEV_ADJUST_PAPER_MARGIN_TYPE, &buffer, sizeof buffer, &done), S_OK);
        EXPECT_EQ(corners(buffer.rcImageableArea), corners(c.after));
        EXPECT_EQ(done, corners(c.before) == corners(c.after) ? 0 : 1);
        // Without a place for the answer the rectangle is adjusted all the same.
        buffer.rcImageableArea = c.before;
        EXPECT_EQ(adjust(PDEV_ADJUST_PAPER_MARGIN_TYPE, &buffer, sizeof buffer, nullptr), S_OK);
        EXPECT_EQ(corners(buffer.rcImageableArea), corners(c.after));
    }
}

TEST_F(AdjustFrame, OtherRequestsAreTheDrivers) {
    host::DevmodeBuffer dm = devmode_of({.full_bleed = 1});
    use(&dm);
    const RECTL area{4233, 4233, 205767, 292767};
    struct Request {
        const char* name;
        DWORD type;
        DWORD size;
        bool buffer;
        HRESULT result;
    };
    const Request requests[] = {
        {"host fonts", PDEV_HOSTFONT_ENABLED_TYPE, 16, true, S_FALSE},
        {"true colour", PDEV_USE_TRUE_COLOR_TYPE, 16, true, S_FALSE},
        {"type 0", 0, 16, true, S_FALSE},
        {"a 15-byte buffer", PDEV_ADJUST_PAPER_MARGIN_TYPE, 15, true, S_FALSE},
        {"no buffer", PDEV_ADJUST_PAPER_MARGIN_TYPE, 16, false, S_FALSE},
    };
    for (const Request& r : requests) {
        SCOPED_TRACE(r.name);
        std::uint8_t bytes[32] = {};
        std::memcpy(bytes, &area, sizeof area);
        BOOL done = 7;
        EXPECT_EQ(adjust(r.type, r.buffer ? bytes : nullptr, r.size, &done), r.result);
        EXPECT_EQ(std::memcmp(bytes, &area, sizeof area), 0);
        EXPECT_EQ(done, 7);
    }

    // No settings to go by: S_OK and nothing touched.
    PDEV_ADJUST_PAPER_MARGIN buffer{area};
    BOOL done = 7;
    EXPECT_EQ(adjust(PDEV_ADJUST_PAPER_MARGIN_TYPE, &buffer, 16, &done, false), S_OK) << "no device";
    EXPECT_EQ(corners(buffer.rcImageableArea), corners(area));
    EXPECT_EQ(done, 7);
    use(nullptr);
    EXPECT_EQ(adjust(PDEV_ADJUST_PAPER_MARGIN_TYPE, &buffer, 16, &done), S_OK) << "no DEVMODE";
    EXPECT_EQ(corners(buffer.rcImageableArea), corners(area));
    EXPECT_EQ(done, 7);
}

}  // namespace
}  // namespace zenta
