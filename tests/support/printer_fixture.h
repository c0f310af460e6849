#pragma once
// Printers for tests, on either spooler: the simulated one (every build) or the system's own
// (the Windows build; under Wine, Wine's spooler with its PostScript driver). A test written
// once against PrinterFixture runs on both, for example as a value-parameterised suite:
//
//     class ReaderTest : public zenta::test::SpoolerTest {};
//     TEST_P(ReaderTest, ReadsDefaultDuplex) {
//         ASSERT_TRUE(printers().add_printer(u"Zenta Reader Duplex"));
//         ASSERT_TRUE(printers().set_dword(u"Zenta Reader Duplex", u"DefaultDuplex", 1));
//         ... code that calls platform::spooler() ...
//     }
//     INSTANTIATE_TEST_SUITE_P(Spoolers, ReaderTest, ::testing::ValuesIn(zenta::test::spooler_kinds()),
//                              zenta::test::SpoolerKindName());
//
// A fixture puts its spooler in place as platform::spooler() for its lifetime and removes the
// printers and forms it added when it ends. Printer names are the caller's: use names no other
// test uses (a printer of that name left behind by an earlier run is replaced).
//
// Every printer a fixture adds has the port given (default "FILE:"), the bins of fixture_bins(),
// the papers of fixture_papers() and the spooler's standard forms; on the real spooler these
// come from the PostScript driver reading the fixture's PPD file, so both kinds report the same.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "abi/spooler.h"
#include "platform/sim/profile.h"
#include "platform/spooler.h"

namespace zenta::platform::sim {
class SimulatedSpooler;
}

namespace zenta::test {

enum class SpoolerKind {
    Simulated,  // sim::SimulatedSpooler
    Windows,    // the Win32 spooler (Windows build only)
};

// The kinds this build can run: Simulated, and Windows on the Windows build.
std::vector<SpoolerKind> spooler_kinds();
std::string spooler_kind_name(SpoolerKind kind);
struct SpoolerKindName {
    std::string operator()(const ::testing::TestParamInfo<SpoolerKind>& info) const {
        return spooler_kind_name(info.param);
    }
};

// What DeviceCapabilitiesW reports for every fixture printer: DC_BINS/DC_BINNAMES and
// DC_PAPERS/DC_PAPERNAMES/DC_PAPERSIZE (sizes in tenths of a millimetre).
const std::vector<platform::sim::Bin>& fixture_bins();
const std::vector<platform::sim::Paper>& fixture_papers();

struct FormSpec {
    std::u16string name;
    abi::SIZEL size{};            // thousandths of a millimetre
    abi::RECTL imageable_area{};  // all zero: the whole sheet
};

class PrinterFixture {
public:
    // A fixture on the given spooler, or null when that spooler cannot be prepared (error says why).
    static std::unique_ptr<PrinterFixture> create(SpoolerKind kind, std::string& error);
    virtual ~PrinterFixture() = default;

    virtual SpoolerKind kind() const = 0;
    virtual platform::Spooler& spooler() = 0;
    // True on Wine's spooler, which differs from Windows in places the tests name.
    virtual bool wine() const { return false; }
    // Whether add_form changes what EnumFormsW lists (Wine's AddFormW succeeds without adding).
    virtual bool adds_forms() const { return true; }
    // The simulated spooler itself (for what only it can do, such as adding jobs), else null.
    virtual platform::sim::SimulatedSpooler* simulated() { return nullptr; }

    // Each returns false on failure, with the reason in error().
    virtual bool add_printer(std::u16string_view name, std::u16string_view port = u"FILE:") = 0;
    // SetPrinterDataW: a value read by GetPrinterDataW.
    virtual bool set_value(std::u16string_view printer, std::u16string_view value_name, abi::DWORD type,
                           std::span<const abi::BYTE> data) = 0;
    // SetPrinterDataExW: a value under a key, read by GetPrinterDataExW.
    virtual bool set_keyed_value(std::u16string_view printer, std::u16string_view key,
                                 std::u16string_view value_name, abi::DWORD type,
                                 std::span<const abi::BYTE> data) = 0;
    // AddFormW on the printer (the real spooler keeps forms for all its printers).
    virtual bool add_form(std::u16string_view printer, const FormSpec& form) = 0;

    // Typed values: REG_DWORD, REG_SZ (with its NUL), REG_BINARY, REG_MULTI_SZ (closing NUL).
    bool set_dword(std::u16string_view printer, std::u16string_view value_name, abi::DWORD value);
    bool set_string(std::u16string_view printer, std::u16string_view value_name, std::u16string_view text);
    bool set_binary(std::u16string_view printer, std::u16string_view value_name,
                    std::span<const abi::BYTE> bytes);
    bool set_multi_string(std::u16string_view printer, std::u16string_view key,
                          std::u16string_view value_name, const std::vector<std::u16string>& texts);

    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

// A value-parameterised test over the spooler kinds; printers() is the fixture of the test.
class SpoolerTest : public ::testing::TestWithParam<SpoolerKind> {
protected:
    void SetUp() override;
    void TearDown() override { fixture_.reset(); }
    PrinterFixture& printers() { return *fixture_; }

private:
    std::unique_ptr<PrinterFixture> fixture_;
};

// True when the program runs under Wine (always false on Linux).
bool running_under_wine();

// A PrinterFixture on the Windows spooler (defined on the Windows build only).
std::unique_ptr<PrinterFixture> make_windows_printer_fixture(std::string& error);

}  // namespace zenta::test
