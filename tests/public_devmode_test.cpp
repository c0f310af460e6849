// The public DEVMODE read as a change request: paper identification, the printer's bins as trays
// (with the process-wide bin map cache) and the change set of whole DEVMODEs.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "abi/devmode.h"
#include "environment/public_devmode.h"
#include "platform/os.h"
#include "platform/sim/profile.h"
#include "platform/sim/spooler.h"
#include "settings/record.h"
#include "support/printer_fixture.h"
#include "util/byte_order.h"

namespace zenta::environment {
namespace {

using test::SpoolerTest;

constexpr unsigned kA4 = 1, kPostcard = 10, k9x11 = 16, kLetter = 19, kLetterTab = 25;

// A DEVMODE as bytes: the public part (dmSize 220) and dmDriverExtra private bytes.
struct Devmode {
    std::vector<std::uint8_t> bytes;

    explicit Devmode(std::uint16_t driver_extra = 0) : bytes(sizeof(abi::DEVMODEW) + driver_extra, 0) {
        util::store_le16(&bytes[offsetof(abi::DEVMODEW, dmSize)], sizeof(abi::DEVMODEW));
        util::store_le16(&bytes[offsetof(abi::DEVMODEW, dmDriverExtra)], driver_extra);
    }
    Devmode& set(abi::DWORD flag, std::size_t offset, std::int16_t value) {
        util::store_le32(&bytes[offsetof(abi::DEVMODEW, dmFields)], fields() | flag);
        util::store_le16(&bytes[offset], static_cast<std::uint16_t>(value));
        return *this;
    }
    Devmode& paper(unsigned number) {
        return set(abi::DM_PAPERSIZE, offsetof(abi::DEVMODEW, dmPaperSize),
                   static_cast<std::int16_t>(number));
    }
    Devmode& width(std::int16_t width) {
        return set(abi::DM_PAPERWIDTH, offsetof(abi::DEVMODEW, dmPaperWidth), width);
    }
    Devmode& dimensions(std::int16_t width, std::int16_t length) {
        return this->width(width).set(abi::DM_PAPERLENGTH, offsetof(abi::DEVMODEW, dmPaperLength), length);
    }
    Devmode& source(std::int16_t bin) {
        return set(abi::DM_DEFAULTSOURCE, offsetof(abi::DEVMODEW, dmDefaultSource), bin);
    }
    Devmode& orientation(std::int16_t o) {
        return set(abi::DM_ORIENTATION, offsetof(abi::DEVMODEW, dmOrientation), o);
    }
    Devmode& copies(std::int16_t n) { return set(abi::DM_COPIES, offsetof(abi::DEVMODEW, dmCopies), n); }
    Devmode& quality(std::int16_t x) {
        return set(abi::DM_PRINTQUALITY, offsetof(abi::DEVMODEW, dmPrintQuality), x);
    }
    Devmode& form_name(std::u16string_view name) {
        util::store_le32(&bytes[offsetof(abi::DEVMODEW, dmFields)], fields() | abi::DM_FORMNAME);
        for (std::size_t i = 0; i < name.size(); ++i)
            util::store_le16(&bytes[offsetof(abi::DEVMODEW, dmFormName) + 2 * i], name[i]);
        return *this;
    }
    // The driver's own custom size, in micrometres in its private area.
    Devmode& driver_size(std::uint32_t width, std::uint32_t length) {
        util::store_le32(&bytes[kCustomWidthOffset], width);
        util::store_le32(&bytes[kCustomLengthOffset], length);
        return paper(kCustomPaperNumber);
    }
    abi::DWORD fields() const { return util::load_le32(&bytes[offsetof(abi::DEVMODEW, dmFields)]); }
    PublicSettingsRequest request(const settings::Record& record, abi::HANDLE printer = nullptr) const {
        return build_change_set(bytes, record, printer).request;
    }
};

InstallableOptions feed_configuration(std::uint8_t configuration) {
    InstallableOptions options{};
    options[kPaperFeedConfigurationByte] = configuration;
    return options;
}

std::vector<BinListEntry> bins_of(std::u16string_view printer_name,
                                  const std::optional<InstallableOptions>& options = std::nullopt) {
    PrinterConnection printer = PrinterConnection::open(printer_name);
    EXPECT_TRUE(printer);
    return build_bin_list(printer, options);
}

// A simulated spooler of its own, for printers whose bins the fixture does not offer.
class SimulatedPrinters {
public:
    platform::sim::Printer& add(std::u16string name, std::vector<platform::sim::Bin> bins) {
        platform::sim::Printer& p = printers_.emplace_back();
        p.name = std::move(name);
        p.bins = std::move(bins);
        p.forms = platform::sim::standard_forms();
        return p;
    }
    void start() {
        spooler_ = std::make_unique<platform::sim::SimulatedSpooler>(printers_);
        scope_ = std::make_unique<platform::ScopedServices>(spooler_.get(), nullptr);
    }

private:
    std::vector<platform::sim::Printer> printers_;
    std::unique_ptr<platform::sim::SimulatedSpooler> spooler_;
    std::unique_ptr<platform::ScopedServices> scope_;
};

// ---- paper identification

TEST(PaperIdentification, StandardPaperTableHasWindowsSizes) {
    EXPECT_EQ(standard_paper_size(1), (PaperSize{215900, 279400}));
    EXPECT_EQ(standard_paper_size(9), (PaperSize{210000, 297000}));
    EXPECT_EQ(standard_paper_size(118), (PaperSize{458000, 324000}));
    EXPECT_EQ(standard_paper_size(48), (PaperSize{0, 0}));
    EXPECT_EQ(standard_paper_size(49), (PaperSize{0, 0}));
    EXPECT_FALSE(standard_paper_size(0));
    EXPECT_FALSE(standard_paper_size(119));
    // The spooler's built-in forms are the standard numbers in order, without 48 and 49.
    const auto& forms = platform::sim::standard_forms();
    ASSERT_EQ(forms.size(), 116u);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        const unsigned number = static_cast<unsigned>(i < 47 ? i + 1 : i + 3);
        const PaperSize form{static_cast<std::uint32_t>(forms[i].size.cx),
                             static_cast<std::uint32_t>(forms[i].size.cy)};
        EXPECT_EQ(standard_paper_size(number), form) << "paper number " << number;
    }
}

TEST(PaperIdentification, ByNumberNameAndSize) {
    struct Case {
        std::uint32_t number;
        std::u16string name;
        std::uint32_t width, length, unit;
        unsigned expected;
    };
    const Case cases[] = {
        {9, u"", 0, 0, 10, kA4},
        {9, u"Letter", 2159, 2794, 10, kA4},  // the number wins, the size is not looked at
        {10, u"", 0, 0, 10, kA4},             // A4 Small: no option, but A4's size
        {7, u"", 0, 0, 10, kCustomPaper},     // Executive: no option of its size
        {7, u"A4", 0, 0, 10, kA4},            // no size given: the name alone decides
        {7, u"Letter", 1841, 2667, 10, kCustomPaper},
        {117, u"", 2100, 2970, 10, kCustomPaper},  // the standard size replaces the given one...
        {118, u"", 2100, 2970, 10, kA4},           // ...but 118's never does
        {256, u"", 2100, 2970, 10, kA4},
        {256, u"", 2099, 2971, 10, kA4},  // one unit off in each direction
        {256, u"", 2098, 2970, 10, kCustomPaper},
        {256, u"", 210000, 297000, 1000, kA4},
        {256, u"", 210, 297, 0, kA4},       // unit 0 counts as millimetres
        {256, u"", 2286, 2794, 10, k9x11},  // two options of this size: the first
        {256, u"Letter Tab", 2286, 2794, 10, kLetterTab},
        {256, u"Letter-Registerblatt", 2286, 2794, 10, kLetterTab},
        {256, u"My Form", 2286, 2794, 10, kCustomPaper},
        {256, u"A4", 2159, 2794, 10, kCustomPaper},  // a name that is not of that size
        {256, u"Postkarte", 0, 0, 10, kPostcard},    // a name alone, in German
        {256, u"Postkarte", 3000, 4000, 10, kCustomPaper},
        {32767, u"", 3000, 4000, 10, kCustomPaper},
    };
    for (const Case& c : cases)
        EXPECT_EQ(identify_paper(c.number, c.name, c.width, c.length, c.unit), c.expected)
            << "number " << c.number << ", size " << c.width << " x " << c.length << " in unit " << c.unit;
}

// ---- bins and trays

// Every test starts from an empty bin map cache.
class BinMap : public SpoolerTest {
protected:
    void SetUp() override {
        SpoolerTest::SetUp();
        bin_map_cache().clear();
    }
    settings::Record record;  // all zero: A3, portrait, Auto, 600 dpi
};

TEST_P(BinMap, FixtureBinsByTheirNames) {
    ASSERT_TRUE(printers().add_printer(u"Zenta BinMap Fixture")) << printers().error();
    const std::vector<BinListEntry> all = {
        {15, u"Automatically Select", 0}, {256, u"Tray 1", 2}, {257, u"Tray 2", 3}, {258, u"Bypass Tray", 1}};
    EXPECT_EQ(bins_of(u"Zenta BinMap Fixture"), all);
    // A printer without the paper feed unit has neither tray.
    EXPECT_EQ(bins_of(u"Zenta BinMap Fixture", feed_configuration(0)), (std::vector{all[0], all[3]}));

    PrinterConnection printer = PrinterConnection::open(u"Zenta BinMap Fixture");
    EXPECT_EQ(tray_code_for_bin(printer, feed_configuration(0), 257), kNoTray);
    bin_map_cache().clear();  // unread options are 40 zeros too: they would share that list
    EXPECT_EQ(tray_code_for_bin(printer, std::nullopt, 257), 3u);
    EXPECT_EQ(tray_code_for_bin(printer, std::nullopt, 999), kNoTray);
    PrinterConnection none;
    EXPECT_EQ(tray_code_for_bin(none, std::nullopt, abi::DMBIN_FORMSOURCE), 0u) << "without asking a printer";
    EXPECT_EQ(tray_code_for_bin(none, std::nullopt, 256), kNoTray);
}

INSTANTIATE_TEST_SUITE_P(Spoolers, BinMap, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

TEST(BinMapList, NamesInAnyLanguageThenPlacesThenPrintBinNames) {
    bin_map_cache().clear();
    SimulatedPrinters sim;
    // German names, whatever the user's language; the first bin is the automatic tray.
    sim.add(u"Zenta Bins German",
            {{100, u"Irgendein Fach"}, {101, u"Fach 3"}, {102, u"Manuelle Zufuhr"}, {103, u"?"}});
    // Exactly twelve bins: a later bin is the tray its number is from the second bin's.
    std::vector<platform::sim::Bin> twelve;
    for (std::uint16_t i = 0; i < 12; ++i)
        twelve.push_back(
            {static_cast<abi::WORD>(500 + i), u"Bin " + std::u16string(1, static_cast<char16_t>(u'A' + i))});
    twelve[5].number = 600;  // 600 - 501 + 1 is past the trays: left out, though named below
    std::vector<std::u16string> twelve_names;
    for (const auto& bin : twelve) twelve_names.push_back(bin.name);
    sim.add(u"Zenta Bins Twelve", twelve).data[u"DsDriver"][u"printBinNames"] =
        platform::sim::multi_string_value(twelve_names);
    // Names from "printBinNames" when it holds exactly twelve.
    std::vector<std::u16string> names(12, u"-");
    names[7] = u"Deck C";
    sim.add(u"Zenta Bins Named", {{1, u"Fach 1"}, {2, u"Deck C"}}).data[u"DsDriver"][u"printBinNames"] =
        platform::sim::multi_string_value(names);
    names.pop_back();
    sim.add(u"Zenta Bins Eleven", {{1, u"Fach 1"}, {2, u"Deck C"}}).data[u"DsDriver"][u"printBinNames"] =
        platform::sim::multi_string_value(names);
    // The driver's own bin indexes count when both report twelve.
    sim.add(u"Zenta Bins Private", {{1, u"Tray 1"}}).private_bins = twelve;
    sim.add(u"Zenta Bins Mismatch", {{1, u"Tray 1"}}).private_bins =
        std::vector(twelve.begin(), twelve.begin() + 11);
    sim.start();

    EXPECT_EQ(bins_of(u"Zenta Bins German"),
              (std::vector<BinListEntry>{
                  {100, u"Irgendein Fach", 0}, {101, u"Fach 3", 4}, {102, u"Manuelle Zufuhr", 11}}));
    const auto by_place = bins_of(u"Zenta Bins Twelve");
    ASSERT_EQ(by_place.size(), 11u);
    for (const BinListEntry& bin : by_place)
        EXPECT_EQ(bin.tray_code, bin.bin_number - 500) << "bin " << bin.bin_number;
    EXPECT_EQ(bins_of(u"Zenta Bins Named"),
              (std::vector<BinListEntry>{{1, u"Fach 1", 2}, {2, u"Deck C", 7}}));
    EXPECT_EQ(bins_of(u"Zenta Bins Eleven"), (std::vector<BinListEntry>{{1, u"Fach 1", 2}}));
    EXPECT_EQ(bins_of(u"Zenta Bins Private").size(), 11u);
    EXPECT_EQ(bins_of(u"Zenta Bins Mismatch"), (std::vector<BinListEntry>{{1, u"Tray 1", 2}}));
}

TEST(BinMapCache, SharesEntriesRebuildsFailedOnesAndDropsTheOldest) {
    BinMapCache cache;
    int builds = 0;
    const auto one_bin = [&] {
        ++builds;
        return std::vector<BinListEntry>{{7, u"Tray 4", 5}};
    };
    const auto no_bins = [&] {
        ++builds;
        return std::vector<BinListEntry>{};
    };

    EXPECT_EQ(cache.tray_code(u"P", std::nullopt, 7, one_bin), 5u);
    EXPECT_EQ(cache.tray_code(u"P", std::nullopt, 8, one_bin), kNoTray);
    EXPECT_EQ(builds, 1);
    cache.tray_code(u"P", feed_configuration(5), 7, one_bin);  // other options, other entry
    cache.tray_code(u"P", InstallableOptions{}, 7, one_bin);   // unread options are the same 40 zeros
    cache.tray_code(u"p", std::nullopt, 7, one_bin);           // names are compared exactly
    EXPECT_EQ(builds, 3);

    cache.tray_code(u"Empty", std::nullopt, 7, no_bins);
    cache.tray_code(u"Empty", std::nullopt, 7, no_bins);
    EXPECT_EQ(builds, 5) << "an empty list is never used again";
    EXPECT_EQ(cache.size(), 5u);

    builds = 0;
    for (int i = 0; i < 256; ++i)
        cache.tray_code(u"Printer " + std::u16string(1, char16_t(0x100 + i)), std::nullopt, 7, one_bin);
    EXPECT_EQ(cache.size(), BinMapCache::kCapacity);
    cache.tray_code(u"Printer " + std::u16string(1, char16_t(0x100 + 255)), std::nullopt, 7, one_bin);
    EXPECT_EQ(builds, 256) << "the newest entries are kept";
    cache.tray_code(u"P", std::nullopt, 7, one_bin);
    EXPECT_EQ(builds, 257) << "the oldest entries were dropped";
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
}

// ---- whole DEVMODEs

class PublicDevmode : public BinMap {};

TEST_P(PublicDevmode, TraysFromTheDefaultSource) {
    ASSERT_TRUE(printers().add_printer(u"Zenta Devmode Trays")) << printers().error();
    ASSERT_TRUE(printers().add_printer(u"Zenta Devmode Trays No Feeder")) << printers().error();
    const InstallableOptions no_feeder = feed_configuration(0);
    ASSERT_TRUE(printers().set_binary(u"Zenta Devmode Trays No Feeder", u"InstallableOptions", no_feeder));
    PrinterConnection printer = PrinterConnection::open(u"Zenta Devmode Trays");
    PrinterConnection without_feeder = PrinterConnection::open(u"Zenta Devmode Trays No Feeder");

    const auto tray = [&](std::int16_t bin, abi::HANDLE handle) {
        return Devmode().source(bin).request(record, handle).input_slot;
    };
    EXPECT_EQ(tray(abi::DMBIN_FORMSOURCE, nullptr), 0);
    EXPECT_EQ(tray(abi::DMBIN_AUTO, nullptr), 0);
    EXPECT_EQ(tray(257, nullptr), std::nullopt);
    EXPECT_EQ(tray(257, printer.handle()), 3);
    EXPECT_EQ(tray(259, printer.handle()), std::nullopt);
    EXPECT_EQ(tray(257, without_feeder.handle()), std::nullopt);
    EXPECT_EQ(tray(258, without_feeder.handle()), 1);
    EXPECT_EQ(build_change_set(Devmode().source(257).bytes, record, without_feeder.handle()).configuration,
              no_feeder);
}

TEST_P(PublicDevmode, PapersOfFormsAndCustomSizes) {
    ASSERT_TRUE(printers().add_printer(u"Zenta Devmode Papers")) << printers().error();
    std::vector<abi::BYTE> custom(2 * kCustomPaperRecordSize, 0);
    std::memcpy(&custom[16], "Poster", 7);
    custom[kCustomPaperRecordSize] = 1;
    std::memcpy(&custom[kCustomPaperRecordSize + 16], "Banner", 7);
    ASSERT_TRUE(printers().set_binary(u"Zenta Devmode Papers", u"LastCustomPapers", custom));
    PrinterConnection printer = PrinterConnection::open(u"Zenta Devmode Papers");

    // A4 by its number, whatever size comes with it.
    PublicSettingsRequest request =
        Devmode().paper(abi::DMPAPER_A4).dimensions(2159, 2794).request(record, printer.handle());
    EXPECT_EQ(request.page_size, kA4);
    EXPECT_EQ(request.page_size_type, kStandardForm);
    EXPECT_EQ(request.width, 0u);
    EXPECT_EQ(request.paper_name, "");

    request = Devmode(160).driver_size(210000, 297000).request(record);
    EXPECT_EQ(request.page_size, kCustomPaper);
    EXPECT_EQ(request.width, 2100000u);
    EXPECT_EQ(request.length, 2970000u);
    EXPECT_EQ(request.page_size_type, kStandardForm) << "no printer, no custom papers";

    // Custom papers of the printer decide the kind.
    for (const auto& [name, kind] :
         {std::pair{u"Poster", kCustomPageSize}, std::pair{u"Banner", kUserDefinedForm},
          std::pair{u"Other", kStandardForm}}) {
        request = Devmode()
                      .paper(kCustomPaperNumber)
                      .dimensions(3000, 4000)
                      .form_name(name)
                      .request(record, printer.handle());
        EXPECT_EQ(request.page_size, kCustomPaper);
        EXPECT_EQ(request.width, 3000000u);
        EXPECT_EQ(request.page_size_type, kind);
    }

    // A form of the spooler gives its size to a name without dimensions.
    if (printers().adds_forms()) {
        ASSERT_TRUE(printers().add_form(u"Zenta Devmode Papers", {u"Zenta Devmode Sheet", {300000, 600000}}));
        request = Devmode().paper(300).form_name(u"Zenta Devmode Sheet").request(record, printer.handle());
        EXPECT_EQ(request.paper_name, "Zenta Devmode Sheet");
        EXPECT_EQ(request.page_size, kCustomPaper);
        EXPECT_EQ(request.width, 3000000u);
        EXPECT_EQ(request.length, 6000000u);
    }
}

INSTANTIATE_TEST_SUITE_P(Spoolers, PublicDevmode, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

TEST(PublicDevmodeFields, PaperByNameOrSizeAlone) {
    const settings::Record record;
    EXPECT_EQ(Devmode().dimensions(2159, 2794).request(record).page_size, kLetter);
    const PublicSettingsRequest named = Devmode().paper(256).form_name(u"A4").request(record);
    EXPECT_EQ(named.page_size, kA4);
    EXPECT_EQ(named.paper_name, "A4");
    EXPECT_FALSE(Devmode().width(2100).form_name(u"A4").request(record).page_size);
}

// Whatever the DEVMODE says, it never asks for a custom paper of no width or length: a paper
// number gives its standard size, and a DEVMODE with no size at all leaves the paper alone.
TEST(PublicDevmodeFields, NeverACustomPaperOfNoSize) {
    const settings::Record record;
    const std::optional<std::uint32_t> no_size;
    const struct {
        const char* what;
        Devmode dm;
        std::optional<std::uint8_t> page_size;
        std::optional<std::uint32_t> width, length;
    } cases[] = {
        {"a form name without a size", Devmode().paper(7).form_name(u"A4"), kA4, 0u, 0u},
        {"a standard number without an option", Devmode().paper(7), kCustomPaper, 1841500u, 2667000u},
        {"a number the printer does not know", Devmode().paper(300), std::nullopt, no_size, no_size},
        {"a custom number without the driver's size", Devmode().paper(kCustomPaperNumber), std::nullopt,
         no_size, no_size},
        {"a size of no width", Devmode().dimensions(0, 2970), std::nullopt, no_size, no_size},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PublicSettingsRequest request = c.dm.request(record);
        EXPECT_EQ(request.page_size, c.page_size);
        EXPECT_EQ(request.width, c.width);
        EXPECT_EQ(request.length, c.length);
    }
}

TEST(PublicDevmodeFields, ResolutionOrientationCopiesAndChanged) {
    const settings::Record record;  // portrait, Auto, 600 dpi
    const auto resolution = [&](std::int16_t x, std::optional<std::int16_t> y) {
        Devmode dm;
        dm.quality(x);
        if (y) dm.set(abi::DM_YRESOLUTION, offsetof(abi::DEVMODEW, dmYResolution), *y);
        return dm.request(record).resolution;
    };
    EXPECT_EQ(resolution(600, 600), kResolution600);
    EXPECT_EQ(resolution(600, std::nullopt), kResolution600);
    EXPECT_EQ(resolution(600, 1200), kResolution1200);
    EXPECT_EQ(resolution(1200, 1200), kResolution1200);
    EXPECT_EQ(resolution(300, std::nullopt), kResolution1200);
    EXPECT_EQ(Devmode().request(record).resolution, kResolution1200);

    Devmode dm;
    dm.quality(600).orientation(abi::DMORIENT_PORTRAIT).copies(12);
    DevmodeChangeSet set = build_change_set(dm.bytes, record, nullptr);
    EXPECT_EQ(set.request.orientation, 0);
    EXPECT_EQ(set.request.copies, 12);
    EXPECT_FALSE(set.changed) << "copies do not count";
    EXPECT_FALSE(set.configuration);
    set = build_change_set(dm.orientation(abi::DMORIENT_LANDSCAPE).bytes, record, nullptr);
    EXPECT_EQ(set.request.orientation, 1);
    EXPECT_TRUE(set.changed);
}

TEST(PublicDevmodeFields, NothingIsReadBeyondTheBufferOrDmSize) {
    const settings::Record record;
    Devmode full(160);
    full.orientation(abi::DMORIENT_LANDSCAPE).copies(3).quality(600).form_name(u"Zenta Form");
    full.driver_size(210000, 297000);
    const auto cut_at = [&](std::size_t end) {
        return std::vector<std::uint8_t>(full.bytes.begin(),
                                         full.bytes.begin() + static_cast<std::ptrdiff_t>(end));
    };

    // Cut after dmPaperSize: the form name, copies and quality and the private sizes are not
    // there, so the custom paper has no size and is not asked for.
    PublicSettingsRequest request =
        build_change_set(cut_at(offsetof(abi::DEVMODEW, dmScale)), record, nullptr).request;
    EXPECT_EQ(request.orientation, 1);
    EXPECT_FALSE(request.page_size);
    EXPECT_FALSE(request.paper_name);
    EXPECT_FALSE(request.width);
    EXPECT_FALSE(request.copies);
    EXPECT_EQ(request.resolution, kResolution1200);

    // dmSize claims less than the buffer holds: fields beyond it are not given either.
    std::vector<std::uint8_t> short_size = full.bytes;
    util::store_le16(&short_size[offsetof(abi::DEVMODEW, dmSize)], offsetof(abi::DEVMODEW, dmCopies));
    request = build_change_set(short_size, record, nullptr).request;
    EXPECT_EQ(request.orientation, 1);
    EXPECT_FALSE(request.copies);

    // Not even dmFields: nothing at all.
    EXPECT_EQ(build_change_set(cut_at(offsetof(abi::DEVMODEW, dmFields)), record, nullptr).request,
              PublicSettingsRequest{});
    const DevmodeChangeSet empty = build_change_set({}, record, nullptr);
    EXPECT_EQ(empty.request, PublicSettingsRequest{});
    EXPECT_FALSE(empty.changed);
}

}  // namespace
}  // namespace zenta::environment
