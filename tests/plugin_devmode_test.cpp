// The plug-in devmode through IOemPS::DevMode, as the core driver calls it: sizing, defaulting,
// converting and merging, the import of a block of another layout through the printer's stored
// description, the N-up marker, and the bounds of every buffer. DEVMODEs live in guarded
// buffers: a call that touches one byte past what it was given stops the program.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "abi/abi.h"
#include "environment/devmode_migration.h"
#include "features/description.h"
#include "host/core_driver.h"
#include "platform/last_error.h"
#include "platform/os.h"
#include "settings/defaults.h"
#include "settings/layout_version.h"
#include "settings/plugin_devmode.h"
#include "support/guarded_buffer.h"
#include "support/printer_fixture.h"
#include "util/base64.h"
#include "util/byte_order.h"
#include "util/hex.h"

namespace zenta {
namespace {

using namespace abi;
using features::FeatureId;
using settings::kPluginDevmodeSize;
using settings::Record;

constexpr std::size_t kPublic = sizeof(DEVMODEW);
constexpr std::size_t kPrivate = 256;

// A whole DEVMODE in a guarded buffer: public part, the core driver's private area ("PRIV", its
// size at 114, the N-up marker at 124), then `block` bytes for the plug-in.
struct Devmode {
    explicit Devmode(std::size_t block, std::size_t private_size = kPrivate)
        : private_size(private_size), buffer(kPublic + private_size + block) {
        DEVMODEW* dm = public_part();
        dm->dmSpecVersion = DM_SPECVERSION;
        dm->dmSize = kPublic;
        dm->dmDriverExtra = static_cast<WORD>(private_size + block);
        dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY;
        dm->dmPaperSize = 9;
        dm->dmOrientation = DMORIENT_PORTRAIT;
        dm->dmCopies = 1;
        dm->dmPrintQuality = 600;
        std::uint8_t* area = private_area();
        std::memcpy(area, "PRIV", 4);
        if (private_size > 116) util::store_le16(area + 114, static_cast<std::uint16_t>(private_size));
    }
    DEVMODEW* public_part() { return reinterpret_cast<DEVMODEW*>(buffer.data()); }
    std::uint8_t* private_area() { return buffer.data() + kPublic; }
    std::uint8_t* block() { return buffer.data() + kPublic + private_size; }
    std::uint8_t& marker() { return private_area()[124]; }

    std::size_t private_size;
    test::GuardedBuffer buffer;
};

Record default_record() { return settings::make_default_record({settings::kPaperA4, "Arial"}); }

void put_block(std::uint8_t* block, const Record& record, std::optional<std::uint32_t> version = {}) {
    settings::write_plugin_devmode(std::span<std::uint8_t, kPluginDevmodeSize>(block, kPluginDevmodeSize),
                                   record);
    if (version) util::store_le32(block + 8, *version);
}

Record record_of(const std::uint8_t* block) {
    Record record;
    std::memcpy(record.data(), block + settings::kRecordOffset, Record::kSize);
    return record;
}

OEMDMPARAM param(Devmode* in, Devmode* out, DWORD size = kPluginDevmodeSize, HANDLE printer = nullptr) {
    OEMDMPARAM p{};
    p.cbSize = sizeof(OEMDMPARAM);
    p.hPrinter = printer;
    p.pPublicDMIn = in ? in->public_part() : nullptr;
    p.pOEMDMIn = in ? in->block() : nullptr;
    p.pPublicDMOut = out ? out->public_part() : nullptr;
    p.pOEMDMOut = out ? out->block() : nullptr;
    p.cbBufSize = size;
    return p;
}

class DevMode : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver_.load_library() && driver_.create_plugin()) << driver_.error();
    }
    HRESULT call(DWORD mode, OEMDMPARAM* param) { return driver_.plugin()->DevMode(mode, param); }

    host::CoreDriver driver_;
};

TEST_F(DevMode, SizeAndUnknownCalls) {
    OEMDMPARAM p{};
    EXPECT_EQ(call(OEMDM_SIZE, &p), S_OK);
    EXPECT_EQ(p.cbBufSize, kPluginDevmodeSize);
    platform::set_last_error(0);
    EXPECT_EQ(call(OEMDM_SIZE, nullptr), E_FAIL);
    EXPECT_EQ(platform::last_error(), platform::kErrorInvalidParameter);
    EXPECT_EQ(call(5, &p), E_FAIL);
}

TEST_F(DevMode, DefaultWritesTheHeaderAndTheDefaultRecord) {
    Devmode out(kPluginDevmodeSize);
    OEMDMPARAM p = param(nullptr, &out, kPluginDevmodeSize - 1);
    EXPECT_EQ(call(OEMDM_DEFAULT, &p), E_FAIL);
    p.cbBufSize = kPluginDevmodeSize;
    ASSERT_EQ(call(OEMDM_DEFAULT, &p), S_OK);
    const std::uint8_t expected[26] = {0x98, 0x6C, 0,    0,  0x56, 0x51, 0x54, 0x5A, 0, 0, 0, 0, 0xFF,
                                       0xFF, 0xFF, 0xFF, 14, 0,    0,    0,    0,    0, 0, 0, 0, 0};
    std::uint8_t head[26];
    std::memcpy(head, expected, sizeof head);
    util::store_le32(head + 8, settings::layout_version());
    EXPECT_EQ(std::memcmp(out.block(), head, sizeof head), 0);
    EXPECT_TRUE(settings::is_plugin_devmode(out.block(), kPluginDevmodeSize));
    EXPECT_EQ(out.marker(), 0) << "defaulting leaves the marker alone";
}

TEST_F(DevMode, ConvertCopiesAValidBlockAndKeepsItValid) {
    Devmode in(kPluginDevmodeSize), out(kPluginDevmodeSize);
    Record record = default_record();
    record.set_raw(FeatureId::Staple, 3);
    record.set_raw(FeatureId::NUpCount, 3);
    record.set_raw(FeatureId::Duplex, 7);  // out of range: validation repairs it
    put_block(in.block(), record);
    OEMDMPARAM p = param(&in, &out, 100000);  // more than the block: only 27800 bytes are written
    ASSERT_EQ(call(OEMDM_CONVERT, &p), S_OK);
    const Record converted = record_of(out.block());
    EXPECT_EQ(converted.raw(FeatureId::Staple), 3u);
    EXPECT_LT(converted.raw(FeatureId::Duplex), 2u);
    EXPECT_EQ(out.marker(), 1) << "N-up output sets the marker";
}

TEST_F(DevMode, ConvertFromAnotherLayoutNeedsAFullOutputBlock) {
    Devmode in(kPluginDevmodeSize), out(kPluginDevmodeSize);
    put_block(in.block(), default_record(), 0x12345678);
    util::store_le32(out.block(), kPluginDevmodeSize - 1);
    OEMDMPARAM p = param(&in, &out);
    EXPECT_EQ(call(OEMDM_CONVERT, &p), E_FAIL);
    util::store_le32(out.block(), kPluginDevmodeSize);
    ASSERT_EQ(call(OEMDM_CONVERT, &p), S_OK);
    EXPECT_TRUE(settings::is_plugin_devmode(out.block(), kPluginDevmodeSize));
}

TEST_F(DevMode, MergeCopiesCopiesAndDuplexBeforeCheckingTheBlocks) {
    Devmode in(0), out(0);
    in.public_part()->dmFields |= DM_DUPLEX;
    in.public_part()->dmCopies = 9;
    in.public_part()->dmDuplex = DMDUP_VERTICAL;
    out.public_part()->dmFields &= ~DM_DUPLEX;
    OEMDMPARAM p = param(&in, &out);
    p.pOEMDMIn = p.pOEMDMOut = nullptr;
    EXPECT_EQ(call(OEMDM_MERGE, &p), E_FAIL);
    EXPECT_EQ(out.public_part()->dmCopies, 9);
    EXPECT_EQ(out.public_part()->dmDuplex, DMDUP_VERTICAL);
    EXPECT_TRUE(out.public_part()->dmFields & DM_DUPLEX);
}

TEST_F(DevMode, MergeSyncsThePublicFieldsIntoTheRecord) {
    Devmode app(kPluginDevmodeSize), out(kPluginDevmodeSize);
    put_block(app.block(), default_record());
    put_block(out.block(), default_record());
    out.public_part()->dmOrientation = DMORIENT_LANDSCAPE;
    out.public_part()->dmPaperSize = 8;  // A3
    out.public_part()->dmCopies = 4;
    OEMDMPARAM p = param(&app, &out);
    app.public_part()->dmFields &= ~DM_COPIES;
    ASSERT_EQ(call(OEMDM_MERGE, &p), S_OK);
    const Record merged = record_of(out.block());
    EXPECT_EQ(merged.raw(FeatureId::Orientation), 1u);
    EXPECT_EQ(merged.raw(FeatureId::PageSize), 0u);
    EXPECT_EQ(merged.raw(FeatureId::NumCopies), 4u);
}

// The record is merged where it ends up when the output lies apart from the input, and in a
// copy when the driver hands in one DEVMODE as both: the result is the same.
TEST_F(DevMode, MergeIntoAnotherBlockOrIntoItsOwnGivesTheSameBlock) {
    Devmode app(kPluginDevmodeSize), apart(kPluginDevmodeSize), same(kPluginDevmodeSize);
    for (Devmode* dm : {&app, &apart, &same}) {
        put_block(dm->block(), default_record());
        dm->public_part()->dmOrientation = DMORIENT_LANDSCAPE;
        dm->public_part()->dmPaperSize = 8;  // A3
    }
    OEMDMPARAM to_apart = param(&app, &apart);
    OEMDMPARAM to_itself = param(&same, &same);
    ASSERT_EQ(call(OEMDM_MERGE, &to_apart), S_OK);
    ASSERT_EQ(call(OEMDM_MERGE, &to_itself), S_OK);
    EXPECT_EQ(record_of(apart.block()).raw(FeatureId::Orientation), 1u);
    EXPECT_TRUE(std::equal(apart.block(), apart.block() + kPluginDevmodeSize, same.block()));
    EXPECT_EQ(std::memcmp(apart.public_part(), same.public_part(), sizeof(DEVMODEW)), 0);
}

// Whatever the size fields claim, nothing past the buffers is touched: the guard page behind each
// DEVMODE would stop the program.
TEST_F(DevMode, ClaimsBeyondTheBuffersAreNotFollowed) {
    Devmode in(kPluginDevmodeSize), out(kPluginDevmodeSize);
    put_block(in.block(), default_record());
    util::store_le32(in.block(), 0x7FFFFFFF);  // dwSize beyond the DEVMODE
    for (DWORD mode : {OEMDM_DEFAULT, OEMDM_CONVERT, OEMDM_MERGE}) {
        OEMDMPARAM p = param(&in, &out, 0xFFFFFFFF);
        EXPECT_EQ(call(mode, &p), S_OK) << mode;
    }

    // dmDriverExtra claims more than there is, but the output block says 27800.
    out.public_part()->dmDriverExtra = 0xFFFF;
    OEMDMPARAM p = param(&in, &out, kPluginDevmodeSize);
    EXPECT_EQ(call(OEMDM_MERGE, &p), S_OK);

    // A block shorter than the plug-in's: defaulting refuses it, copying fills what there is.
    Devmode small(1000);
    OEMDMPARAM q = param(&in, &small, kPluginDevmodeSize);
    EXPECT_EQ(call(OEMDM_DEFAULT, &q), E_FAIL);
    EXPECT_EQ(call(OEMDM_CONVERT, &q), S_OK);
    EXPECT_EQ(util::load_le32(small.block() + 4), settings::kPluginSignature);

    // An input block cut short by the end of its DEVMODE is not a valid block.
    // (A private area one byte longer keeps the whole DEVMODE a multiple of four bytes, so that
    // its start stays aligned as every DEVMODE's is.)
    Devmode cut(kPluginDevmodeSize - 1, kPrivate + 1);
    put_block(in.block(), default_record());
    std::memcpy(cut.block(), in.block(), kPluginDevmodeSize - 1);
    util::store_le32(out.block(), 0);
    OEMDMPARAM r = param(&cut, &out, kPluginDevmodeSize);
    EXPECT_EQ(call(OEMDM_CONVERT, &r), E_FAIL);
}

TEST_F(DevMode, APrivateAreaOf124BytesHasNoMarker) {
    Devmode in(kPluginDevmodeSize), out(kPluginDevmodeSize, 124);
    Record record = default_record();
    record.set_raw(FeatureId::NUpCount, 3);
    put_block(in.block(), record);
    OEMDMPARAM p = param(&in, &out);
    ASSERT_EQ(call(OEMDM_CONVERT, &p), S_OK);
    EXPECT_EQ(record_of(out.block()).raw(FeatureId::NUpCount), 3u);
    EXPECT_EQ(out.block()[-1], 0) << "the last byte of the private area is untouched";
}

// ---- With a printer: the simulated spooler and, on Windows, the system's (Wine's) own ----------

class DevModeOnPrinter : public test::SpoolerTest {
protected:
    void SetUp() override {
#ifdef _WIN32
        // The plug-in DLL reads the system's spooler, as every module of a Windows process does.
        if (GetParam() == test::SpoolerKind::Simulated)
            GTEST_SKIP() << "the plug-in reads the system's spooler";
#endif
        test::SpoolerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(driver_.load_library() && driver_.create_plugin()) << driver_.error();
    }
    HANDLE open(std::u16string_view name) {
        HANDLE handle = nullptr;
        std::u16string n(name);
        EXPECT_TRUE(platform::spooler().OpenPrinterW(n.data(), &handle, nullptr));
        handles_.emplace_back(handle);
        return handle;
    }
    void TearDown() override {
        for (HANDLE h : handles_)
            if (h) platform::spooler().ClosePrinter(h);
        driver_.shutdown();
        test::SpoolerTest::TearDown();
    }
    // OEMDM_DEFAULT into `out` on the printer `name`, which has the simplex default.
    void default_on(const std::u16string& name, Devmode& out) {
        ASSERT_TRUE(printers().set_dword(name, u"DefaultDuplex", 0));
        OEMDMPARAM p = param(nullptr, &out, kPluginDevmodeSize, open(name));
        ASSERT_EQ(driver_.plugin()->DevMode(OEMDM_DEFAULT, &p), S_OK);
    }

    host::CoreDriver driver_;
    std::vector<HANDLE> handles_;
};

TEST_P(DevModeOnPrinter, DefaultTakesThePrintersSimplexDefault) {
    const std::u16string name = u"Zenta DevMode Simplex";
    ASSERT_TRUE(printers().add_printer(name));
    Devmode out(kPluginDevmodeSize);
    ASSERT_NO_FATAL_FAILURE(default_on(name, out));
    EXPECT_EQ(record_of(out.block()).raw(FeatureId::Duplex), 0u);
}

TEST_P(DevModeOnPrinter, ABlockOfAnotherLayoutIsMigratedThroughTheStoredDescription) {
    const std::u16string name = u"Zenta DevMode Import";
    ASSERT_TRUE(printers().add_printer(name));
    constexpr std::uint32_t kOldVersion = 0x0ABCDEF1;
    const std::string text = features::describe_layout(kOldVersion);
    const std::string description =
        util::base64_encode(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    ASSERT_TRUE(printers().set_binary(name, environment::description_value_name(kOldVersion),
                                      std::vector<BYTE>(description.begin(), description.end())));
    Devmode in(kPluginDevmodeSize), out(kPluginDevmodeSize);
    Record old = default_record();
    old.set_head(kOldVersion);
    old.set_raw(FeatureId::Staple, 3);
    put_block(in.block(), old, kOldVersion);
    util::store_le32(out.block(), kPluginDevmodeSize);
    OEMDMPARAM p = param(&in, &out, kPluginDevmodeSize, open(name));
    ASSERT_EQ(driver_.plugin()->DevMode(OEMDM_CONVERT, &p), S_OK);
    EXPECT_TRUE(settings::is_plugin_devmode(out.block(), kPluginDevmodeSize));
    EXPECT_EQ(record_of(out.block()).raw(FeatureId::Staple), 3u);
}

TEST_P(DevModeOnPrinter, DriverOptionBytesGoIntoThePrivateArea) {
    const std::u16string name = u"Zenta DevMode Options";
    ASSERT_TRUE(printers().add_printer(name));
    // Both maps: the layout version as hex text and a NUL, then key, NUL, 16-bit offset/value.
    auto map = [](std::string_view key, std::uint16_t number) {
        std::string text = util::hex_trimmed(settings::layout_version());
        std::vector<BYTE> bytes(text.begin(), text.end());
        bytes.push_back(0);
        bytes.insert(bytes.end(), key.begin(), key.end());
        bytes.push_back(0);
        bytes.push_back(static_cast<BYTE>(number & 0xFF));
        bytes.push_back(static_cast<BYTE>(number >> 8));
        return bytes;
    };
    ASSERT_TRUE(printers().set_binary(name, u"PScriptOffsets", map("QWDuplex", 200)));
    ASSERT_TRUE(printers().set_binary(name, u"PScriptValues", map("QWDuplex_False", 0x2A)));
    Devmode out(kPluginDevmodeSize);
    ASSERT_NO_FATAL_FAILURE(default_on(name, out));
    EXPECT_EQ(out.private_area()[200], 0x2A);
}

INSTANTIATE_TEST_SUITE_P(Spoolers, DevModeOnPrinter, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

}  // namespace
}  // namespace zenta
