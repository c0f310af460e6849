// Command through the COM surface: what each injection point writes into the spool, with and
// without the driver's interfaces, the plug-in PDEV and the plug-in devmode, and the document
// bookkeeping of the hooks that the texts read.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "abi/abi.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "plugin/pdev.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "util/base64.h"

namespace zenta {
namespace {

using namespace abi;

constexpr std::string_view kUel = "\x1B%-12345X";

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

class Command : public ::testing::Test {
protected:
    host::CoreDriver driver_;

    std::string command(DWORD index) {
        const std::size_t before = driver_.job().spool.size();
        DWORD result = 0xDEADBEEF;
        EXPECT_EQ(driver_.command(index, &result), S_OK);
        EXPECT_EQ(result, 0u) << index;
        return driver_.job().spool.substr(before);
    }
    plugin::PluginPdev* pdev() {
        return static_cast<plugin::PluginPdev*>(driver_.device().devobj()->pdevOEM);
    }
    void start_doc(const char16_t* name, DWORD job_id) {
        auto start_doc = driver_.hook_as<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
        ASSERT_NE(start_doc, nullptr);
        std::u16string writable = name ? name : u"";
        start_doc(driver_.device().surface(), name ? writable.data() : nullptr, job_id);
    }
};

TEST_F(Command, WithoutTheDriverInterfaceOnlyThePageCounterMoves) {
    ASSERT_TRUE(driver_.load_library() && driver_.create_plugin() && driver_.read_info() &&
                driver_.enable_driver() && driver_.enable_pdev())
        << driver_.error();
    for (DWORD index : {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_COMMENTS, PSINJECT_BEGINSETUP,
                        PSINJECT_BEGINPAGESETUP, PSINJECT_BEGINPAGESETUP, PSINJECT_PAGETRAILER})
        EXPECT_EQ(command(index), "") << index;
    EXPECT_EQ(pdev()->document.page_counter, 2u);
    command(PSINJECT_ENDSTREAM);
    EXPECT_EQ(pdev()->document.page_counter, 0u);
}

TEST_F(Command, WithoutThePdevTheStreamTextsStillComeButNoPageTexts) {
    ASSERT_TRUE(driver_.load()) << driver_.error();  // no EnablePDEV: pdevOEM stays null
    EXPECT_EQ(command(PSINJECT_BEGINSTREAM), std::string(kUel) + "@PJL\r\n");
    const std::string header = command(PSINJECT_PSADOBE);
    EXPECT_EQ(header.rfind("@PJL SET STRINGCODESET=UTF8\r\n", 0), 0u)
        << "no printer handle, no job identifier";
    EXPECT_TRUE(header.ends_with("@PJL ENTER LANGUAGE = POSTSCRIPT\r\n"));
    const std::string comments = command(PSINJECT_COMMENTS);
    EXPECT_EQ(comments.rfind("%%ZENTA-JobSettings: ", 0), 0u);
    EXPECT_FALSE(contains(comments, "TitleEx"));
    EXPECT_FALSE(contains(comments, "ForEx"));
    EXPECT_EQ(command(PSINJECT_BEGINPAGESETUP), "");
    EXPECT_EQ(command(PSINJECT_PAGETRAILER), "");
    EXPECT_EQ(command(PSINJECT_TRAILER), "");
    EXPECT_TRUE(contains(command(PSINJECT_BEGINSETUP), "ZTQVFeatures /TrayConfiguration <<"));
    EXPECT_EQ(command(PSINJECT_ENDSTREAM), kUel);
}

TEST_F(Command, AWholeStreamFromTheDevobjsDevmode) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    settings::Record record = environment::default_record();
    ASSERT_FALSE(settings::apply_settings(record, "OutputMethod=Hold\nNUpCount=2\nDuplex=True\n"));
    host::DevmodeBuffer dm = host::DevmodeBuffer::make(u"Zenta Command", settings::kPluginDevmodeSize);
    settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                       dm.plugin_block(), settings::kPluginDevmodeSize),
                                   record);
    DEVOBJ* devobj = driver_.device().devobj();
    devobj->pPublicDM = dm.public_part();
    devobj->pOEMDM = dm.plugin_block();
    start_doc(u"Quarterly Report", 42);

    EXPECT_EQ(command(PSINJECT_BEGINSTREAM), std::string(kUel) + "@PJL\r\n");
    EXPECT_TRUE(contains(command(PSINJECT_PSADOBE), "@PJL SET JOBNAME=\"Quarterly Report\"\r\n"));
    const std::string comments = command(PSINJECT_COMMENTS);
    EXPECT_TRUE(contains(comments, "%%ZENTA-TitleEx: <517561727465726C79205265706F7274>\r\n"));
    const std::string setup = command(PSINJECT_BEGINSETUP);
    EXPECT_EQ(setup.rfind("%%ZENTA-BitmapSize: ", 0), 0u);
    EXPECT_TRUE(contains(setup, "ZTQVFeatures /ZTQVPdNup /2f put"));
    // The output method's PPD code, as the driver answers it.
    EXPECT_TRUE(contains(setup, "ZTQVFeatures /ZTQVPlugInSettings {\r\n"));
    EXPECT_TRUE(contains(setup, "} bind executeonly put\r\n"));
    EXPECT_TRUE(contains(command(PSINJECT_ENDSETUP), "ZTQVFeatures /Zenta_NupP0 known"));
    EXPECT_TRUE(contains(command(PSINJECT_BEGINPAGESETUP), "ZTQVFeatures /Zenta_P4 known"));
    EXPECT_EQ(pdev()->document.page_counter, 1u);
    EXPECT_TRUE(contains(command(PSINJECT_PAGETRAILER), "%%ZENTAPAGETRAILER%%\r\n"));
    // A second setup section in the same stream has no invocation block.
    EXPECT_FALSE(contains(command(PSINJECT_BEGINSETUP), "ZTQVPlugInSettings"));
    EXPECT_TRUE(contains(command(PSINJECT_TRAILER), "Zenta_P6"));
    EXPECT_EQ(command(PSINJECT_ENDSTREAM), kUel);
    EXPECT_EQ(pdev()->document.page_counter, 0u);

    // The settings comment carries the working record: the devmode's, validated.
    const auto at = comments.find("%%ZENTA-JobSettings: ") + 21;
    std::string base64 = comments.substr(at, comments.find("\r\n", at) - at);
    for (auto line = comments.find("\r\n%%+ ", at);
         line != std::string::npos && line < comments.find("Description");
         line = comments.find("\r\n%%+ ", line + 2))
        base64 += comments.substr(line + 6, comments.find("\r\n", line + 2) - line - 6);
    const auto bytes = util::base64_decode(base64);
    ASSERT_TRUE(bytes);
    settings::Record carried;
    ASSERT_EQ(bytes->size(), carried.bytes.size());
    std::copy(bytes->begin(), bytes->end(), carried.bytes.begin());
    EXPECT_EQ(carried.raw(settings::FeatureId::OutputMethod), 2u);
    EXPECT_EQ(carried.raw(settings::FeatureId::NUpCount), 1u);
}

// The PJL header through the COM surface, for the output method and the copy count.
TEST_F(Command, TheHeaderCarriesTheOutputMethodAndTheCopies) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    struct Row {
        const char* settings;
        std::vector<std::string_view> lines;
        std::vector<std::string_view> absent;
    };
    const Row rows[] = {
        {"OutputMethod=Hold\n",
         {"@PJL SET ZENTAFORMSAVE=OFF\r\n@PJL SET HOLD=QVHOLD\r\n", "@PJL SET QTY=3\r\n"},
         {"QVJOBID", "HOLDKEY2", "BOXHOLD", "COPIES="}},
        {"OutputMethod=Secure\nWaitModeSecurePrintId=4711\nWaitModePassword=pin\nCollate=Group\n",
         {"@PJL SET QVJOBID=\"4711\"\r\n@PJL SET HOLDKEY2=\"", "@PJL SET COPIES=3\r\n"},
         {"HOLD=", "QTY", "=pin"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        settings::Record record = environment::default_record();
        ASSERT_FALSE(settings::apply_settings(record, row.settings));
        host::DevmodeBuffer dm = host::DevmodeBuffer::make(u"Zenta Command", settings::kPluginDevmodeSize);
        settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                           dm.plugin_block(), settings::kPluginDevmodeSize),
                                       record);
        dm.public_part()->dmCopies = 3;  // the application's copy count wins over the record's
        driver_.device().devobj()->pPublicDM = dm.public_part();
        driver_.device().devobj()->pOEMDM = dm.plugin_block();
        const std::string header = command(PSINJECT_PSADOBE);
        for (std::string_view line : row.lines) EXPECT_TRUE(contains(header, line)) << line;
        for (std::string_view text : row.absent) EXPECT_FALSE(contains(header, text)) << text;
    }
}

TEST_F(Command, TheHeaderFlagKeepsTheInvocationBlockOut) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    host::DevmodeBuffer dm = host::DevmodeBuffer::make(u"Zenta Command", settings::kPluginDevmodeSize);
    settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                       dm.plugin_block(), settings::kPluginDevmodeSize),
                                   environment::default_record());
    dm.plugin_block()[settings::kHeaderFlagOffset] = 1;
    driver_.device().devobj()->pPublicDM = dm.public_part();
    driver_.device().devobj()->pOEMDM = dm.plugin_block();
    EXPECT_FALSE(contains(command(PSINJECT_BEGINSETUP), "ZTQVPlugInSettings"));
}

TEST_F(Command, HooksKeepTheDocumentBookkeeping) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    start_doc(nullptr, 0);
    EXPECT_EQ(pdev()->start_doc_count, 1u);
    EXPECT_EQ(pdev()->job_id, 0u);
    EXPECT_FALSE(pdev()->record_captured) << "no plug-in devmode";

    const std::u16string long_name(600, u'n');
    start_doc(long_name.c_str(), 7);
    EXPECT_EQ(pdev()->document.name(), long_name.substr(0, 511));
    EXPECT_EQ(pdev()->job_id, 7u);
    EXPECT_EQ(pdev()->start_doc_count, 2u);
    EXPECT_NE(pdev()->document.surface_width, 0u);

    start_doc(u"Short", 0);
    EXPECT_EQ(pdev()->document.name(), u"Short") << "the old name is cleared first";
    EXPECT_EQ(pdev()->job_id, 7u) << "a zero job id keeps the known one";

    auto end_doc = driver_.hook_as<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
    ASSERT_NE(end_doc, nullptr);
    end_doc(driver_.device().surface(), 0);
    EXPECT_TRUE(pdev()->document.name().empty());
    EXPECT_EQ(pdev()->document.surface_width, 0u);
    EXPECT_EQ(pdev()->start_doc_count, 3u) << "the end of a document leaves the count";
}

}  // namespace
}  // namespace zenta
