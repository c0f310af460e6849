// The spooler contract: one set of checks that the simulated spooler and the real one (the
// Windows build, under Wine) both pass. Printers come from the printer fixture of each kind.
//
// Where Wine's spooler answers differently from Windows, the check names the difference and
// keeps to what both do; the simulated spooler follows Windows there (platform_sim_test.cpp).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "abi/spooler.h"
#include "platform/last_error.h"
#include "platform/os.h"
#include "support/printer_fixture.h"

namespace zenta::test {
namespace {

constexpr abi::DWORD kErrorFileNotFound = 2;
constexpr abi::DWORD kErrorInvalidHandle = 6;
constexpr abi::DWORD kErrorInvalidLevel = 124;
constexpr abi::DWORD kErrorInvalidPrinterName = 1801;
using platform::kErrorInsufficientBuffer;
using platform::kErrorInvalidParameter;
using platform::kErrorMoreData;

// A caller buffer aligned for the structures the spooler writes into it.
class Buffer {
public:
    explicit Buffer(std::size_t size) : words_((size + 7) / 8 + 1), size_(size) {}
    abi::BYTE* data() { return reinterpret_cast<abi::BYTE*>(words_.data()); }
    abi::DWORD size() const { return static_cast<abi::DWORD>(size_); }
    template <class T>
    const T* as() {
        return reinterpret_cast<const T*>(data());
    }
    // True when the text lies wholly inside the buffer.
    bool holds(const char16_t* text) {
        const auto* begin = data();
        const auto* p = reinterpret_cast<const abi::BYTE*>(text);
        if (p < begin || p >= begin + size_ || reinterpret_cast<std::uintptr_t>(p) % 2 != 0) return false;
        for (; p + 1 < begin + size_; p += 2)
            if (p[0] == 0 && p[1] == 0) return true;
        return false;
    }

private:
    std::vector<std::uint64_t> words_;
    std::size_t size_;
};

std::u16string text(const char16_t* p) { return p ? std::u16string(p) : std::u16string(u"(null)"); }

class SpoolerContract : public SpoolerTest {
protected:
    platform::Spooler& spooler() { return printers().spooler(); }

    abi::HANDLE open(const std::u16string& name) {
        abi::PRINTER_DEFAULTSW defaults{nullptr, nullptr, abi::PRINTER_ACCESS_USE};
        abi::HANDLE handle = nullptr;
        EXPECT_TRUE(spooler().OpenPrinterW(name.c_str(), &handle, &defaults))
            << "error " << platform::last_error();
        EXPECT_NE(handle, nullptr);
        return handle;
    }

    // A printer of this test with the values the data checks read.
    std::u16string printer_with_data(const std::u16string& name) {
        EXPECT_TRUE(printers().add_printer(name)) << printers().error();
        EXPECT_TRUE(printers().set_dword(name, u"DefaultDuplex", 0x01020304)) << printers().error();
        EXPECT_TRUE(printers().set_string(name, u"MacAddress", u"00:1B:2C:3D:4E:5F")) << printers().error();
        EXPECT_TRUE(printers().set_binary(name, u"InstallableOptions", installable_options()))
            << printers().error();
        EXPECT_TRUE(printers().set_multi_string(name, u"DsDriver", u"printBinNames",
                                                {u"Tray 1", u"Tray 2", u"Bypass Tray"}))
            << printers().error();
        return name;
    }

    static std::vector<abi::BYTE> installable_options() {
        std::vector<abi::BYTE> bytes(40);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<abi::BYTE>(i * 7 + 1);
        return bytes;
    }
};

// ---------------------------------------------------------------------------------------
// Opening

TEST_P(SpoolerContract, OpensByNameInAnyCaseAndClosesOnce) {
    const std::u16string name = u"Zenta Contract Open";
    ASSERT_TRUE(printers().add_printer(name)) << printers().error();
    // Names do not depend on case.
    abi::HANDLE other_case = open(u"zenta contract OPEN");
    ASSERT_NE(other_case, nullptr);
    EXPECT_TRUE(spooler().ClosePrinter(other_case));
    abi::HANDLE handle = open(name);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(spooler().ClosePrinter(handle));

    // A closed handle is no longer a printer.
    abi::DWORD type = 0, needed = 0;
    abi::BYTE data[8];
    EXPECT_EQ(spooler().GetPrinterDataW(handle, u"DefaultDuplex", &type, data, sizeof data, &needed),
              kErrorInvalidHandle);
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().GetPrinterW(handle, 2, data, sizeof data, &needed));
    EXPECT_EQ(platform::last_error(), kErrorInvalidHandle);
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().ClosePrinter(handle));
    EXPECT_EQ(platform::last_error(), kErrorInvalidHandle);
}

TEST_P(SpoolerContract, UnknownNameAndMerePrefixFailWith1801) {
    ASSERT_TRUE(printers().add_printer(u"Zenta Contract Prefix Printer")) << printers().error();
    for (const std::u16string name : {u"Zenta Contract No Such Printer", u"Zenta Contract Prefix"}) {
        abi::HANDLE handle = reinterpret_cast<abi::HANDLE>(1);
        platform::set_last_error(0);
        EXPECT_FALSE(spooler().OpenPrinterW(name.c_str(), &handle, nullptr));
        EXPECT_EQ(platform::last_error(), kErrorInvalidPrinterName);
        EXPECT_EQ(handle, nullptr);
    }
}

// ---------------------------------------------------------------------------------------
// The printer's description

TEST_P(SpoolerContract, PrinterInfo2IsSizedThenReadIntoOneBuffer) {
    const std::u16string name = u"Zenta Contract Info";
    ASSERT_TRUE(printers().add_printer(name, u"FILE:")) << printers().error();
    abi::HANDLE handle = open(name);

    abi::DWORD needed = 0;
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().GetPrinterW(handle, 2, nullptr, 0, &needed));
    EXPECT_EQ(platform::last_error(), kErrorInsufficientBuffer);
    ASSERT_GT(needed, sizeof(abi::PRINTER_INFO_2W));

    // One byte short is still too small, and says the same size again.
    Buffer short_buffer(needed - 1);
    abi::DWORD again = 0;
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().GetPrinterW(handle, 2, short_buffer.data(), short_buffer.size(), &again));
    EXPECT_EQ(platform::last_error(), kErrorInsufficientBuffer);
    EXPECT_EQ(again, needed);

    Buffer buffer(needed);
    ASSERT_TRUE(spooler().GetPrinterW(handle, 2, buffer.data(), buffer.size(), &needed));
    const auto* info = buffer.as<abi::PRINTER_INFO_2W>();
    EXPECT_EQ(text(info->pPrinterName), name);
    EXPECT_EQ(text(info->pPortName), u"FILE:");
    EXPECT_EQ(text(info->pDriverName), u"Wine PostScript Driver");
    EXPECT_TRUE(buffer.holds(info->pPrinterName));
    EXPECT_TRUE(buffer.holds(info->pPortName));
    EXPECT_TRUE(buffer.holds(info->pDriverName));
    ASSERT_NE(info->pDevMode, nullptr);
    const auto* dm = reinterpret_cast<const abi::BYTE*>(info->pDevMode);
    EXPECT_GE(dm, buffer.data());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(dm) % 4, 0u);
    EXPECT_EQ(info->pDevMode->dmSize, sizeof(abi::DEVMODEW));
    EXPECT_LE(dm + info->pDevMode->dmSize + info->pDevMode->dmDriverExtra, buffer.data() + buffer.size());
    EXPECT_EQ(std::u16string(info->pDevMode->dmDeviceName), name);

    // Levels the contract does not know fail as such.
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().GetPrinterW(handle, 77, buffer.data(), buffer.size(), &needed));
    EXPECT_EQ(platform::last_error(), kErrorInvalidLevel);
    spooler().ClosePrinter(handle);
}

// ---------------------------------------------------------------------------------------
// Printer data

TEST_P(SpoolerContract, PrinterDataSizeQueriesAndShortBuffers) {
    const std::u16string name = printer_with_data(u"Zenta Contract Sizes");
    abi::HANDLE handle = open(name);

    abi::DWORD type = 0, needed = 0;
    const auto get = [&](const char16_t* value, abi::BYTE* data, abi::DWORD size) {
        type = 0;
        return spooler().GetPrinterDataW(handle, value, &type, data, size, &needed);
    };
    // Size query without a buffer: 234 with the size and the type.
    EXPECT_EQ(get(u"DefaultDuplex", nullptr, 0), kErrorMoreData);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(type, abi::REG_DWORD);

    // A buffer of exactly the value's size.
    abi::BYTE exact[4] = {};
    EXPECT_EQ(get(u"DefaultDuplex", exact, 4), 0u);
    EXPECT_EQ(type, abi::REG_DWORD);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(std::vector<abi::BYTE>(exact, exact + 4), (std::vector<abi::BYTE>{0x04, 0x03, 0x02, 0x01}));

    // One byte short: 234, the size, the type.
    abi::BYTE short_buffer[39] = {};
    needed = 0;
    EXPECT_EQ(get(u"InstallableOptions", short_buffer, sizeof short_buffer), kErrorMoreData);
    EXPECT_EQ(needed, 40u);
    EXPECT_EQ(type, abi::REG_BINARY);

    // A missing value.
    EXPECT_EQ(get(u"NoSuchValue", exact, 4), kErrorFileNotFound);
    spooler().ClosePrinter(handle);
}

TEST_P(SpoolerContract, PrinterDataKeepsTypesAndBytes) {
    const std::u16string name = printer_with_data(u"Zenta Contract Types");
    abi::HANDLE handle = open(name);
    const auto read = [&](const char16_t* value, abi::DWORD expected_type) {
        abi::DWORD type = 0, needed = 0;
        EXPECT_EQ(spooler().GetPrinterDataW(handle, value, &type, nullptr, 0, &needed), kErrorMoreData);
        std::vector<abi::BYTE> bytes(needed);
        EXPECT_EQ(spooler().GetPrinterDataW(handle, value, &type, bytes.data(), needed, &needed), 0u);
        EXPECT_EQ(type, expected_type)
            << std::string(value, value + std::char_traits<char16_t>::length(value));
        return bytes;
    };
    const std::u16string mac = u"00:1B:2C:3D:4E:5F";
    const auto mac_bytes = read(u"MacAddress", abi::REG_SZ);
    ASSERT_EQ(mac_bytes.size(), (mac.size() + 1) * 2);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(mac_bytes.data()), mac.size()), mac);
    EXPECT_EQ(read(u"InstallableOptions", abi::REG_BINARY), installable_options());
    EXPECT_EQ(read(u"DefaultDuplex", abi::REG_DWORD).size(), 4u);
    // Value names do not depend on case.
    EXPECT_EQ(read(u"installableoptions", abi::REG_BINARY), installable_options());
    spooler().ClosePrinter(handle);
}

TEST_P(SpoolerContract, KeyedDataHoldsTheBinNames) {
    const std::u16string name = printer_with_data(u"Zenta Contract Keyed");
    abi::HANDLE handle = open(name);
    abi::DWORD type = 0, needed = 0;
    const auto get = [&](const char16_t* key, const char16_t* value, void* data, abi::DWORD size) {
        return spooler().GetPrinterDataExW(handle, key, value, &type, static_cast<abi::BYTE*>(data), size,
                                           &needed);
    };
    EXPECT_EQ(get(u"DsDriver", u"printBinNames", nullptr, 0), kErrorMoreData);
    EXPECT_EQ(type, abi::REG_MULTI_SZ);
    const std::u16string expected(u"Tray 1\0Tray 2\0Bypass Tray\0\0", 27);
    ASSERT_EQ(needed, expected.size() * 2);
    std::vector<char16_t> names(expected.size());
    EXPECT_EQ(get(u"DsDriver", u"printBinNames", names.data(), needed), 0u);
    EXPECT_EQ(std::u16string(names.begin(), names.end()), expected);

    // Unkeyed values live under "PrinterDriverData"; other keys and values are missing.
    abi::BYTE dword[4];
    EXPECT_EQ(get(u"PrinterDriverData", u"DefaultDuplex", dword, 4), 0u);
    EXPECT_EQ(get(u"NoSuchKey", u"printBinNames", dword, 4), kErrorFileNotFound);
    EXPECT_EQ(get(u"DsDriver", u"NoSuchValue", dword, 4), kErrorFileNotFound);
    spooler().ClosePrinter(handle);
}

// ---------------------------------------------------------------------------------------
// Lists

TEST_P(SpoolerContract, EnumPrintersListsAddedPrintersAtLevels4And5) {
    const std::vector<std::u16string> names = {u"Zenta Contract Enum A", u"Zenta Contract Enum B"};
    for (const auto& n : names) ASSERT_TRUE(printers().add_printer(n, u"FILE:")) << printers().error();

    for (const abi::DWORD level : {4u, 5u}) {
        SCOPED_TRACE("level " + std::to_string(level));
        abi::DWORD needed = 0, returned = 7;
        platform::set_last_error(0);
        EXPECT_FALSE(
            spooler().EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &returned));
        EXPECT_EQ(platform::last_error(), kErrorInsufficientBuffer);
        ASSERT_GT(needed, 0u);
        Buffer buffer(needed + 1);
        ASSERT_TRUE(spooler().EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, level, buffer.data(),
                                            buffer.size(), &needed, &returned));
        std::vector<std::u16string> listed;
        for (abi::DWORD i = 0; i < returned; ++i) {
            const char16_t* printer = level == 4 ? buffer.as<abi::PRINTER_INFO_4W>()[i].pPrinterName
                                                 : buffer.as<abi::PRINTER_INFO_5W>()[i].pPrinterName;
            EXPECT_TRUE(buffer.holds(printer));
            listed.push_back(text(printer));
            if (level == 5 && listed.back().starts_with(u"Zenta Contract Enum")) {
                EXPECT_EQ(text(buffer.as<abi::PRINTER_INFO_5W>()[i].pPortName), u"FILE:");
            }
        }
        for (const auto& n : names)
            EXPECT_NE(std::find(listed.begin(), listed.end(), n), listed.end()) << "missing printer";
    }
}

TEST_P(SpoolerContract, EnumFormsListsStandardAndAddedForms) {
    const std::u16string name = u"Zenta Contract Forms";
    ASSERT_TRUE(printers().add_printer(name)) << printers().error();
    ASSERT_TRUE(
        printers().add_form(name, {u"Zenta Contract Tab", {225000, 297000}, {1000, 2000, 224000, 296000}}))
        << printers().error();
    abi::HANDLE handle = open(name);

    abi::DWORD needed = 0, returned = 0;
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().EnumFormsW(handle, 1, nullptr, 0, &needed, &returned));
    EXPECT_EQ(platform::last_error(), kErrorInsufficientBuffer);
    Buffer buffer(needed);
    ASSERT_TRUE(spooler().EnumFormsW(handle, 1, buffer.data(), buffer.size(), &needed, &returned));
    const auto* forms = buffer.as<abi::FORM_INFO_1W>();
    bool saw_a4 = false, saw_tab = false;
    for (abi::DWORD i = 0; i < returned; ++i) {
        ASSERT_TRUE(buffer.holds(forms[i].pName));
        const std::u16string form = forms[i].pName;
        if (form == u"A4") {
            saw_a4 = true;
            EXPECT_EQ(forms[i].Size.cx, 210000);
            EXPECT_EQ(forms[i].Size.cy, 297000);
            EXPECT_EQ(i, 8u) << "A4 is the ninth built-in form, as its paper number";
        }
        if (form == u"Zenta Contract Tab") {
            saw_tab = true;
            EXPECT_EQ(forms[i].Size.cx, 225000);
            EXPECT_EQ(forms[i].ImageableArea.left, 1000);
            EXPECT_EQ(forms[i].ImageableArea.bottom, 296000);
        }
    }
    EXPECT_TRUE(saw_a4);
    // Wine's AddFormW keeps nothing; Windows and the simulated spooler list the new form.
    EXPECT_EQ(saw_tab, printers().adds_forms());
    spooler().ClosePrinter(handle);
}

TEST_P(SpoolerContract, DeviceCapabilitiesCountAndListBinsAndPapers) {
    const std::u16string name = u"Zenta Contract Caps";
    ASSERT_TRUE(printers().add_printer(name, u"FILE:")) << printers().error();
    const auto caps = [&](abi::WORD capability, void* out = nullptr) {
        return spooler().DeviceCapabilitiesW(name.c_str(), u"FILE:", capability, static_cast<char16_t*>(out),
                                             nullptr);
    };

    const int bins = caps(abi::DC_BINS);
    ASSERT_GE(bins, 1);
    ASSERT_EQ(bins, caps(abi::DC_BINNAMES));
    std::vector<abi::WORD> numbers(static_cast<std::size_t>(bins));
    std::vector<char16_t> names(static_cast<std::size_t>(bins) * abi::kBinNameUnits);
    EXPECT_EQ(caps(abi::DC_BINS, numbers.data()), bins);
    EXPECT_EQ(caps(abi::DC_BINNAMES, names.data()), bins);
    // The fixture's printers report the same bins on both spoolers.
    ASSERT_EQ(static_cast<std::size_t>(bins), fixture_bins().size());
    for (std::size_t i = 0; i < fixture_bins().size(); ++i) {
        EXPECT_EQ(numbers[i], fixture_bins()[i].number);
        const char16_t* slot = names.data() + i * abi::kBinNameUnits;
        EXPECT_EQ(std::u16string(slot, std::char_traits<char16_t>::length(slot)), fixture_bins()[i].name);
    }

    const auto papers = static_cast<std::size_t>(caps(abi::DC_PAPERS));
    ASSERT_EQ(papers, fixture_papers().size());
    std::vector<abi::WORD> paper_numbers(papers);
    std::vector<char16_t> paper_names(papers * abi::kPaperNameUnits);
    std::vector<abi::LONG> sizes(papers * 2);
    // Each list holds one entry per paper.
    EXPECT_EQ(caps(abi::DC_PAPERS, paper_numbers.data()), static_cast<int>(papers));
    EXPECT_EQ(caps(abi::DC_PAPERNAMES, paper_names.data()), static_cast<int>(papers));
    EXPECT_EQ(caps(abi::DC_PAPERSIZE, sizes.data()), static_cast<int>(papers));
    for (std::size_t i = 0; i < fixture_papers().size(); ++i) {
        EXPECT_EQ(paper_numbers[i], fixture_papers()[i].number);
        EXPECT_EQ(std::u16string(paper_names.data() + i * abi::kPaperNameUnits), fixture_papers()[i].name);
        EXPECT_EQ(sizes[2 * i], fixture_papers()[i].width);
        EXPECT_EQ(sizes[2 * i + 1], fixture_papers()[i].length);
    }

    // The driver's private bin indices are not the PostScript driver's: both answer -1.
    EXPECT_EQ(caps(1000), -1);
    EXPECT_EQ(caps(1001), -1);
}

// ---------------------------------------------------------------------------------------
// Jobs

TEST_P(SpoolerContract, JobThatIsNotQueuedCannotBeRead) {
    const std::u16string name = u"Zenta Contract Jobs";
    ASSERT_TRUE(printers().add_printer(name)) << printers().error();
    abi::HANDLE handle = open(name);
    abi::DWORD needed = 0;
    platform::set_last_error(0);
    EXPECT_FALSE(spooler().GetJobW(handle, 4711, 2, nullptr, 0, &needed));
    // Windows says 87 (ERROR_INVALID_PARAMETER); Wine's spooler fails without setting an error.
    if (!printers().wine()) {
        EXPECT_EQ(platform::last_error(), kErrorInvalidParameter);
    }
    Buffer buffer(4096);
    EXPECT_FALSE(spooler().GetJobW(handle, 4711, 2, buffer.data(), buffer.size(), &needed));
    spooler().ClosePrinter(handle);
}

INSTANTIATE_TEST_SUITE_P(Spoolers, SpoolerContract, ::testing::ValuesIn(spooler_kinds()), SpoolerKindName());

}  // namespace
}  // namespace zenta::test
