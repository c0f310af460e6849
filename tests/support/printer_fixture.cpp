#include "support/printer_fixture.h"

#include <utility>

#include "platform/os.h"
#include "platform/sim/spooler.h"
#include "util/utf.h"

namespace zenta::test {

std::vector<SpoolerKind> spooler_kinds() {
#ifdef _WIN32
    return {SpoolerKind::Simulated, SpoolerKind::Windows};
#else
    return {SpoolerKind::Simulated};
#endif
}

#ifndef _WIN32
bool running_under_wine() { return false; }
#endif

std::string spooler_kind_name(SpoolerKind kind) {
    return kind == SpoolerKind::Simulated ? "Simulated" : "Windows";
}

const std::vector<platform::sim::Bin>& fixture_bins() {
    // The PostScript driver lists "Automatically Select" (DMBIN_FORMSOURCE) first, then the
    // PPD's input slots from DMBIN_USER on.
    static const std::vector<platform::sim::Bin> bins = {
        {15, u"Automatically Select"}, {256, u"Tray 1"}, {257, u"Tray 2"}, {258, u"Bypass Tray"}};
    return bins;
}

const std::vector<platform::sim::Paper>& fixture_papers() {
    // The PPD's sizes in points (595 x 842, 612 x 792), in tenths of a millimetre.
    static const std::vector<platform::sim::Paper> papers = {{9, u"A4", 2099, 2970},
                                                             {1, u"Letter", 2159, 2794}};
    return papers;
}

bool PrinterFixture::set_dword(std::u16string_view printer, std::u16string_view value_name,
                               abi::DWORD value) {
    const auto v = platform::sim::dword_value(value);
    return set_value(printer, value_name, v.type, v.bytes);
}

bool PrinterFixture::set_string(std::u16string_view printer, std::u16string_view value_name,
                                std::u16string_view text) {
    const auto v = platform::sim::string_value(text);
    return set_value(printer, value_name, v.type, v.bytes);
}

bool PrinterFixture::set_binary(std::u16string_view printer, std::u16string_view value_name,
                                std::span<const abi::BYTE> bytes) {
    return set_value(printer, value_name, abi::REG_BINARY, bytes);
}

bool PrinterFixture::set_multi_string(std::u16string_view printer, std::u16string_view key,
                                      std::u16string_view value_name,
                                      const std::vector<std::u16string>& texts) {
    const auto v = platform::sim::multi_string_value(texts);
    return set_keyed_value(printer, key, value_name, v.type, v.bytes);
}

namespace {

class SimulatedPrinterFixture final : public PrinterFixture {
public:
    SpoolerKind kind() const override { return SpoolerKind::Simulated; }
    platform::Spooler& spooler() override { return spooler_; }
    platform::sim::SimulatedSpooler* simulated() override { return &spooler_; }

    bool add_printer(std::u16string_view name, std::u16string_view port) override {
        platform::sim::Printer p;
        p.name = name;
        p.port = port;
        p.driver = u"Wine PostScript Driver";
        p.print_processor = u"WinPrint";
        p.devmode = platform::sim::default_devmode(name);
        p.forms = platform::sim::standard_forms();
        p.bins = fixture_bins();
        p.papers = fixture_papers();
        if (spooler_.add_printer(std::move(p))) return true;
        error_ = "a printer named " + util::utf16_to_utf8(name) + " exists already";
        return false;
    }

    bool set_value(std::u16string_view printer, std::u16string_view value_name, abi::DWORD type,
                   std::span<const abi::BYTE> data) override {
        return set_keyed_value(printer, platform::sim::kPrinterDriverData, value_name, type, data);
    }

    bool set_keyed_value(std::u16string_view printer, std::u16string_view key, std::u16string_view value_name,
                         abi::DWORD type, std::span<const abi::BYTE> data) override {
        platform::sim::DataValue value{type, std::vector<abi::BYTE>(data.begin(), data.end())};
        if (spooler_.set_printer_data(printer, key, value_name, std::move(value))) return true;
        error_ = "no printer named " + util::utf16_to_utf8(printer);
        return false;
    }

    bool add_form(std::u16string_view printer, const FormSpec& form) override {
        platform::sim::Form f{form.name, platform::sim::kFormUser, form.size, form.imageable_area};
        if (f.imageable_area.right == 0 && f.imageable_area.bottom == 0)
            f.imageable_area = {0, 0, f.size.cx, f.size.cy};
        if (spooler_.add_form(printer, std::move(f))) return true;
        error_ = "cannot add form " + util::utf16_to_utf8(form.name) + " to " + util::utf16_to_utf8(printer);
        return false;
    }

private:
    platform::sim::SimulatedSpooler spooler_;
    platform::ScopedServices scope_{&spooler_, nullptr};
};

}  // namespace

std::unique_ptr<PrinterFixture> PrinterFixture::create(SpoolerKind kind, std::string& error) {
    if (kind == SpoolerKind::Simulated) return std::make_unique<SimulatedPrinterFixture>();
#ifdef _WIN32
    return make_windows_printer_fixture(error);
#else
    error = "this build has no Windows spooler";
    return nullptr;
#endif
}

void SpoolerTest::SetUp() {
    std::string error;
    fixture_ = PrinterFixture::create(GetParam(), error);
    ASSERT_TRUE(fixture_) << "cannot prepare the " << spooler_kind_name(GetParam()) << " spooler: " << error;
}

}  // namespace zenta::test
