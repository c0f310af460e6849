// DrvEscape and the credential refresh of DrvStartDoc and DrvStartPage through the COM surface:
// which escapes the plug-in declines or answers itself, and how the credentials of the spooler
// job, the N-up count and the page specific trays reach the plug-in devmode of the device.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "platform/os.h"
#include "platform/sim/spooler.h"
#include "plugin/pdev.h"
#include "settings/page_exceptions.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "support/printer_fixture.h"
#include "util/base64.h"
#include "util/byte_order.h"

#ifdef _WIN32
#include <windows.h>
#include <winspool.h>
#endif

namespace zenta {
namespace {

using namespace abi;
using settings::FeatureId;
using settings::kPluginDevmodeSize;
using settings::Record;

constexpr ULONG kDriverEscape = host::ddi_result(INDEX_DrvEscape);

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

Record record_with(std::string_view settings_text) {
    Record record = environment::default_record();
    EXPECT_FALSE(settings::apply_settings(record, settings_text)) << settings_text;
    return record;
}

host::DevmodeBuffer devmode_with(const Record& record) {
    host::DevmodeBuffer dm = host::DevmodeBuffer::make(u"Zenta Refresh", kPluginDevmodeSize);
    settings::write_plugin_devmode(
        std::span<std::uint8_t, kPluginDevmodeSize>(dm.plugin_block(), kPluginDevmodeSize), record);
    return dm;
}

Record record_of(const std::uint8_t* block) {
    Record record;
    const auto bytes = settings::record_bytes(block);
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    return record;
}

std::string field_text(const Record& record, FeatureId id) {
    const auto bytes = record.field(id);
    std::string text(bytes.begin(), bytes.end());
    return text.substr(0, text.find('\0'));
}

bool same_field(const Record& a, const Record& b, FeatureId id) {
    const auto x = a.field(id);
    const auto y = b.field(id);
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
}

// The default record with one tab sheet at `page`, which makes the job an N-up job.
Record tab_record(std::uint16_t page) {
    Record record = environment::default_record();
    settings::PageEntry tab;
    tab.kind = 6;
    tab.pages = {{page, page}};
    EXPECT_TRUE(settings::store_pages(record, {tab}));
    return record;
}

// The core driver with a PDEV and the hooks, common to every suite here.
class HookDriver {
public:
    bool start() { return driver_.start(); }
    const std::string& error() const { return driver_.error(); }
    DEVOBJ* devobj() { return driver_.device().devobj(); }
    plugin::PluginPdev* pdev() { return static_cast<plugin::PluginPdev*>(devobj()->pdevOEM); }
    void use(host::DevmodeBuffer& dm) {
        devobj()->pPublicDM = dm.public_part();
        devobj()->pOEMDM = dm.plugin_block();
    }
    // A new DEVMODE carrying `record` for the device; it lives as long as the driver.
    host::DevmodeBuffer& use(const Record& record) {
        devmodes_.push_back(devmode_with(record));
        use(devmodes_.back());
        return devmodes_.back();
    }
    ULONG escape(ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut = 0, PVOID pvOut = nullptr) {
        driver_.device().clear_ddi_calls();
        auto hook = driver_.hook_as<PFN_DrvEscape>(INDEX_DrvEscape);
        EXPECT_NE(hook, nullptr);
        return hook ? hook(driver_.device().surface(), iEsc, cjIn, pvIn, cjOut, pvOut) : 0;
    }
    bool driver_escaped() {
        for (const host::DdiCall& call : driver_.device().ddi_calls())
            if (call.index == INDEX_DrvEscape) return true;
        return false;
    }
    void start_doc(const char16_t* name, DWORD job_id) {
        auto hook = driver_.hook_as<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
        ASSERT_NE(hook, nullptr);
        std::u16string writable = name ? name : u"";
        EXPECT_NE(hook(driver_.device().surface(), name ? writable.data() : nullptr, job_id), 0);
    }
    void start_page() {
        auto hook = driver_.hook_as<PFN_DrvStartPage>(INDEX_DrvStartPage);
        ASSERT_NE(hook, nullptr);
        EXPECT_NE(hook(driver_.device().surface()), 0);
    }
    std::string command(DWORD index) {
        const std::size_t before = driver_.job().spool.size();
        DWORD result = 0;
        EXPECT_EQ(driver_.command(index, &result), S_OK);
        return driver_.job().spool.substr(before);
    }
    void shutdown() { driver_.shutdown(); }

private:
    host::CoreDriver driver_;
    std::deque<host::DevmodeBuffer> devmodes_;
};

// ---- GET_PS_FEATURESETTING for the N-up feature ---------------------------------------------

class NupSetting : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(hooks_.start()) << hooks_.error(); }
    // The escape with FEATURESETTING_NUP in and a four-byte answer.
    ULONG ask(DWORD& answer, DWORD feature = FEATURESETTING_NUP, ULONG cj_in = 4, ULONG cj_out = 4) {
        answer = 0xDEADBEEF;
        return hooks_.escape(GET_PS_FEATURESETTING, cj_in, &feature, cj_out, &answer);
    }
    // Either the plug-in answers 1 itself, or the driver answers and the answer is left alone.
    void expect_plugin_answers(bool plugin, const char* why = "") {
        SCOPED_TRACE(why);
        DWORD answer = 0;
        EXPECT_EQ(ask(answer), plugin ? 1u : kDriverEscape);
        EXPECT_EQ(answer, plugin ? 1u : 0xDEADBEEFu);
        EXPECT_EQ(hooks_.driver_escaped(), !plugin);
    }
    HookDriver hooks_;
};

TEST_F(NupSetting, AnNupRecordAnswersOneWithoutTheDriver) {
    host::DevmodeBuffer& dm = hooks_.use(record_with("NUpCount=2\n"));
    expect_plugin_answers(true);
    EXPECT_EQ(dm.nup_marker().value_or(0xFF), 1) << "the marker of the public DEVMODE is brought up to date";
}

TEST_F(NupSetting, ATabJobAnswersOneWithoutTheDriver) {
    Record record = tab_record(3);
    hooks_.use(record);
    expect_plugin_answers(true);
    record.set_raw(FeatureId::TabImageShift, 1);
    hooks_.use(record);
    expect_plugin_answers(false, "the same tabs printed by image shift are no N-up job");
}

TEST_F(NupSetting, WithoutNupOrTabsOrAValidBlockTheDriverAnswers) {
    hooks_.use(environment::default_record());
    expect_plugin_answers(false, "no N-up");
    host::DevmodeBuffer& nup = hooks_.use(record_with("NUpCount=2\n"));
    util::store_le32(nup.plugin_block() + 4, 0);  // no longer this plug-in's signature
    expect_plugin_answers(false, "another signature");
}

TEST_F(NupSetting, OnlyTheNupFeatureWithFourByteBuffersIsAnswered) {
    hooks_.use(record_with("NUpCount=2\n"));
    struct Row {
        DWORD feature;
        ULONG cj_in, cj_out;
    };
    for (const Row& row : {Row{1, 4, 4}, Row{FEATURESETTING_NUP, 2, 4}, Row{FEATURESETTING_NUP, 4, 8},
                           Row{FEATURESETTING_NUP, 8, 4}}) {
        SCOPED_TRACE(testing::Message() << row.feature << " " << row.cj_in << " " << row.cj_out);
        DWORD answer = 0;
        EXPECT_EQ(ask(answer, row.feature, row.cj_in, row.cj_out), kDriverEscape);
        EXPECT_TRUE(hooks_.driver_escaped());
    }
    DWORD feature = FEATURESETTING_NUP;
    EXPECT_EQ(hooks_.escape(GET_PS_FEATURESETTING, 4, &feature, 4, nullptr), kDriverEscape);
    EXPECT_EQ(hooks_.escape(GET_PS_FEATURESETTING, 4, nullptr, 4, &feature), kDriverEscape);
}

TEST_F(NupSetting, PastThePageZeroTheStoredMarkerAnswers) {
    host::DevmodeBuffer& dm = hooks_.use(environment::default_record());
    hooks_.pdev()->document.page_counter = 1;
    dm.private_area()[host::DevmodeBuffer::kNupMarkerOffset] = 1;
    expect_plugin_answers(true, "a record without N-up, but the marker stored at the first page");
    host::DevmodeBuffer& nup = hooks_.use(record_with("NUpCount=2\n"));
    expect_plugin_answers(false, "an N-up record, but the stored marker is 0");
    EXPECT_EQ(nup.nup_marker().value_or(0xFF), 0);
}

// ---- QUERYESCSUPPORT with "DeclinePassThroughAndData" ----------------------------------------

class OnPrinter : public test::SpoolerTest {
protected:
    void SetUp() override {
#ifdef _WIN32
        // The plug-in DLL reads the system's spooler, as every module of a Windows process does.
        if (GetParam() == test::SpoolerKind::Simulated)
            GTEST_SKIP() << "the plug-in reads the system's spooler";
#endif
        test::SpoolerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(hooks_.start()) << hooks_.error();
    }
    void TearDown() override {
        hooks_.shutdown();
        if (printer_) platform::spooler().ClosePrinter(printer_);
        test::SpoolerTest::TearDown();
    }
    // Adds the printer and hands its handle to the device.
    void add_printer(const std::u16string& name) {
        ASSERT_TRUE(printers().add_printer(name)) << printers().error();
        std::u16string writable = name;
        ASSERT_TRUE(platform::spooler().OpenPrinterW(writable.data(), &printer_, nullptr));
        hooks_.devobj()->hPrinter = printer_;
    }

    HookDriver hooks_;
    HANDLE printer_ = nullptr;
};

class QueryEscape : public OnPrinter {};

TEST_P(QueryEscape, DeclinedEscapesByTheWidthOfTheQuery) {
    add_printer(u"Zenta Escape Decline");
    ASSERT_TRUE(printers().set_dword(u"Zenta Escape Decline", u"DeclinePassThroughAndData", 1));
    struct Row {
        ULONG cj_in;
        std::uint64_t escape;
        bool declined;
    };
    const Row rows[] = {
        {4, POSTSCRIPT_PASSTHROUGH, true},
        {4, POSTSCRIPT_IDENTIFY, true},
        {4, POSTSCRIPT_DATA, true},
        {4, POSTSCRIPT_IGNORE, true},
        {4, POSTSCRIPT_INJECTION, false},
        {4, GET_PS_FEATURESETTING, false},
        {2, POSTSCRIPT_PASSTHROUGH, true},
        {2, 0x10000 + POSTSCRIPT_PASSTHROUGH, true},  // only the low 16 bits are read
        {8, POSTSCRIPT_IDENTIFY, true},
        {8, 0x100000000 + POSTSCRIPT_IDENTIFY, false},  // all 64 bits count
        {1, POSTSCRIPT_DATA, true},
        {1, POSTSCRIPT_IGNORE, true},
        {1, POSTSCRIPT_PASSTHROUGH & 0xFF, false},
        {1, 0x1000 + POSTSCRIPT_DATA, true},  // one byte is read
        {3, POSTSCRIPT_PASSTHROUGH, false},
        {0, POSTSCRIPT_PASSTHROUGH, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "cjIn " << row.cj_in << " escape " << row.escape);
        std::uint8_t in[8];
        for (int i = 0; i < 8; ++i) in[i] = static_cast<std::uint8_t>(row.escape >> (8 * i));
        const ULONG result = hooks_.escape(QUERYESCSUPPORT, row.cj_in, in);
        EXPECT_EQ(result, row.declined ? 0u : kDriverEscape);
        EXPECT_EQ(hooks_.driver_escaped(), !row.declined);
    }
    DWORD passthrough = POSTSCRIPT_PASSTHROUGH;
    EXPECT_EQ(hooks_.escape(POSTSCRIPT_PASSTHROUGH, 4, &passthrough), kDriverEscape)
        << "only the query is declined";
    EXPECT_EQ(hooks_.escape(QUERYESCSUPPORT, 4, nullptr), kDriverEscape);
    hooks_.devobj()->hPrinter = nullptr;
    EXPECT_EQ(hooks_.escape(QUERYESCSUPPORT, 4, &passthrough), kDriverEscape) << "no printer handle";
}

TEST_P(QueryEscape, AZeroOrAbsentValueLetsTheDriverAnswer) {
    add_printer(u"Zenta Escape Allow");
    DWORD passthrough = POSTSCRIPT_PASSTHROUGH;
    EXPECT_EQ(hooks_.escape(QUERYESCSUPPORT, 4, &passthrough), kDriverEscape) << "no value";
    EXPECT_TRUE(hooks_.driver_escaped());
    ASSERT_TRUE(printers().set_dword(u"Zenta Escape Allow", u"DeclinePassThroughAndData", 0));
    EXPECT_EQ(hooks_.escape(QUERYESCSUPPORT, 4, &passthrough), kDriverEscape) << "value 0";
    EXPECT_TRUE(hooks_.driver_escaped());
}

INSTANTIATE_TEST_SUITE_P(Spoolers, QueryEscape, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

// ---- The record at DrvStartDoc and DrvStartPage ---------------------------------------------

class Refresh : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(hooks_.start()) << hooks_.error(); }
    HookDriver hooks_;
};

TEST_F(Refresh, ASecondStartDocDoesNotCaptureAgain) {
    hooks_.use(record_with("Staple=1Staple\n"));
    hooks_.start_doc(u"First", 0);
    ASSERT_TRUE(hooks_.pdev()->record_captured);
    const std::uint32_t stapled = hooks_.pdev()->record.raw(FeatureId::Staple);
    EXPECT_NE(stapled, 0u);

    host::DevmodeBuffer& other = hooks_.use(environment::default_record());
    hooks_.start_doc(u"Second", 0);
    EXPECT_EQ(hooks_.pdev()->record.raw(FeatureId::Staple), stapled);
    EXPECT_EQ(record_of(other.plugin_block()).raw(FeatureId::Staple), 0u) << "only the refreshed fields move";
}

TEST_F(Refresh, ThePdevsCredentialsAndNupCountReachTheDevmode) {
    hooks_.use(
        record_with("OutputMethod=Secure\nWaitModeSecurePrintId=4711\nWaitModePassword=pin\nNUpCount=2\n"));
    hooks_.start_doc(u"Document", 0);
    ASSERT_TRUE(hooks_.pdev()->record_captured);
    const Record& pdev_record = hooks_.pdev()->record;

    // The application's next DEVMODE for the page: other credentials, no N-up, other trays.
    const Record changed = tab_record(2);
    host::DevmodeBuffer& page = hooks_.use(changed);
    hooks_.start_page();
    const Record result = record_of(page.plugin_block());
    for (FeatureId id : {FeatureId::OutputMethod, FeatureId::WaitModeSecurePrintId,
                         FeatureId::WaitModePassword, FeatureId::NUpCount})
        EXPECT_TRUE(same_field(result, pdev_record, id)) << static_cast<int>(id);
    EXPECT_TRUE(same_field(result, changed, FeatureId::PageSpecificTrays))
        << "with the N-up count copied the trays are not compared";
    EXPECT_FALSE(same_field(changed, pdev_record, FeatureId::PageSpecificTrays));

    // With equal N-up counts the trays come from the PDEV.
    Record same_nup = changed;
    same_nup.set_raw(FeatureId::NUpCount, pdev_record.raw(FeatureId::NUpCount));
    host::DevmodeBuffer& trays = hooks_.use(same_nup);
    hooks_.start_page();
    EXPECT_TRUE(same_field(record_of(trays.plugin_block()), pdev_record, FeatureId::PageSpecificTrays));
}

TEST_F(Refresh, NothingMovesWithoutACapturedRecordOrAValidBlock) {
    hooks_.start_doc(u"No devmode", 0);
    ASSERT_FALSE(hooks_.pdev()->record_captured);
    host::DevmodeBuffer& dm = hooks_.use(record_with("NUpCount=2\n"));
    const std::vector<std::uint8_t> before(dm.bytes().begin(), dm.bytes().end());
    hooks_.start_page();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), dm.bytes().begin(), dm.bytes().end()));
}

// ---- The spooler job's credentials (jobs exist on the simulated spooler only) -----------------

class JobCredentials : public OnPrinter {
protected:
    void SetUp() override {
        OnPrinter::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!printers().simulated()) GTEST_SKIP() << "jobs are added to the simulated spooler only";
        add_printer(kPrinter);
    }
    void add_job(DWORD id, std::u16string parameters) {
        platform::sim::Job job;
        job.id = id;
        job.document = u"Refresh";
        job.parameters = std::move(parameters);
        ASSERT_TRUE(printers().simulated()->add_job(kPrinter, job));
    }
    static std::u16string base64_of(std::span<const std::uint8_t> bytes) {
        const std::string text = util::base64_encode(bytes);
        return std::u16string(text.begin(), text.end());
    }
    // DrvStartDoc of job `id` at the first page, with a new DEVMODE carrying `record`.
    host::DevmodeBuffer& start_job(const Record& record, DWORD id) {
        host::DevmodeBuffer& dm = hooks_.use(record);
        hooks_.pdev()->start_doc_count = 0;
        hooks_.start_doc(u"Refresh", id);
        return dm;
    }
    // The user name in the PDEV's record and in the device's DEVMODE.
    void expect_user(host::DevmodeBuffer& dm, const char* user) {
        EXPECT_EQ(field_text(hooks_.pdev()->record, FeatureId::UserAuthenticationUserName), user);
        EXPECT_EQ(field_text(record_of(dm.plugin_block()), FeatureId::UserAuthenticationUserName), user);
    }
    static constexpr const char16_t* kPrinter = u"Zenta Refresh Jobs";
};

// The job's DEVMODE: the core driver's layout (private area with its size word) and the layout
// without a private area, where the block follows the public part.
std::vector<std::uint8_t> job_devmode(const Record& record, bool with_private_area) {
    if (with_private_area) {
        host::DevmodeBuffer dm = devmode_with(record);
        return {dm.bytes().begin(), dm.bytes().end()};
    }
    std::vector<std::uint8_t> bytes(sizeof(DEVMODEW) + kPluginDevmodeSize, 0);
    util::store_le16(bytes.data() + 68, sizeof(DEVMODEW));
    util::store_le16(bytes.data() + 70, 0);
    settings::write_plugin_devmode(
        std::span<std::uint8_t, kPluginDevmodeSize>(bytes.data() + sizeof(DEVMODEW), kPluginDevmodeSize),
        record);
    return bytes;
}

TEST_P(JobCredentials, TheJobsCredentialsReachTheDevmodeAndTheHeader) {
    for (bool with_private_area : {true, false}) {
        SCOPED_TRACE(with_private_area ? "private area" : "no private area");
        const DWORD job_id = with_private_area ? 71 : 72;
        Record job_record = record_with(
            "OutputMethod=Secure\nWaitModeSecurePrintId=4711\nWaitModePassword=pin\n"
            "UserAuthenticationUserName=alice\nNUpCount=2\n");
        add_job(job_id, base64_of(job_devmode(job_record, with_private_area)));
        host::DevmodeBuffer& dm = start_job(environment::default_record(), job_id);
        expect_user(dm, "alice");
        const Record& pdev_record = hooks_.pdev()->record;
        EXPECT_EQ(pdev_record.raw(FeatureId::OutputMethod), job_record.raw(FeatureId::OutputMethod));
        EXPECT_EQ(pdev_record.raw(FeatureId::NUpCount), 0u) << "only the credentials come from the job";
        EXPECT_EQ(field_text(record_of(dm.plugin_block()), FeatureId::WaitModeSecurePrintId), "4711");

        const std::string header = hooks_.command(PSINJECT_PSADOBE);
        EXPECT_TRUE(contains(header, "@PJL SET QVJOBID=\"4711\"\r\n")) << header;
    }
}

TEST_P(JobCredentials, ParametersThatAreNotBase64LeaveTheCredentials) {
    const Record captured = record_with("OutputMethod=Hold\nUserAuthenticationUserName=bob\n");
    const Record job_record = record_with("UserAuthenticationUserName=mallory\n");
    host::DevmodeBuffer job_dm = devmode_with(job_record);
    const std::u16string good = base64_of(job_dm.bytes());
    struct Row {
        DWORD id;
        std::u16string parameters;
        const char* why;
    };
    const Row rows[] = {
        {81, u"not Base64 at all!", "a character outside the alphabet"},
        {82, good.substr(0, 40) + u"=" + good.substr(40), "padding inside the text"},
        {88, good.substr(0, good.size() - 8), "the block cut short"},
        {83, u"", "empty"},
        {84, base64_of(std::vector<std::uint8_t>(100, 0)), "a DEVMODE too short for the block"},
        {85, u"\u00C4" + good, "a character beyond ASCII"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        add_job(row.id, row.parameters);
        expect_user(start_job(captured, row.id), "bob");
    }

    // A job the spooler does not have, then a readable job past the first page: nothing is read.
    add_job(86, good);
    host::DevmodeBuffer& dm = start_job(captured, 87);
    expect_user(dm, "bob");
    hooks_.pdev()->document.page_counter = 1;
    hooks_.start_doc(u"Refresh", 86);
    expect_user(dm, "bob");
    // With the page counter at 0 again, DrvStartPage reads the job.
    hooks_.pdev()->document.page_counter = 0;
    hooks_.start_page();
    expect_user(dm, "mallory");
}

INSTANTIATE_TEST_SUITE_P(Spoolers, JobCredentials, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

#ifdef _WIN32
// ---- A job of the system's own spooler ---------------------------------------------------------
// Windows keeps a job's parameters text (JOB_INFO_2W, set through SetJobW level 2). Wine's
// spooler keeps none: GetJobW answers a null pParameters, and its SetJobW level 2 is not usable
// (it faults inside Wine). Under Wine the job still shows the plug-in asking the real spooler
// and, finding no parameters, leaving the captured credentials as they are.

class SystemSpoolerJob : public OnPrinter {
protected:
    void SetUp() override {
        OnPrinter::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_printer(kPrinter);
        wchar_t folder[MAX_PATH] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH, folder), 0u);
        output_ = std::wstring(folder) + L"zenta_refresh_job.prn";
        ::DOC_INFO_1W doc{const_cast<wchar_t*>(L"Refresh"), output_.data(), const_cast<wchar_t*>(L"RAW")};
        job_ = ::StartDocPrinterW(printer_, 1, reinterpret_cast<::BYTE*>(&doc));
        ASSERT_NE(job_, 0u) << "StartDocPrinterW failed with error " << ::GetLastError();
    }
    void TearDown() override {
        if (job_) ::EndDocPrinter(printer_);
        if (!output_.empty()) ::DeleteFileW(output_.c_str());
        OnPrinter::TearDown();
    }
    // The job's level-2 information as the spooler returns it.
    std::vector<::BYTE> job_info() {
        ::DWORD needed = 0;
        ::GetJobW(printer_, job_, 2, nullptr, 0, &needed);
        std::vector<::BYTE> info(needed);
        EXPECT_TRUE(needed >= sizeof(::JOB_INFO_2W) && ::GetJobW(printer_, job_, 2, info.data(), needed, &needed))
            << "GetJobW failed with error " << ::GetLastError();
        return info;
    }
    static constexpr const char16_t* kPrinter = u"Zenta Refresh System Job";
    std::wstring output_;
    ::DWORD job_ = 0;
};

TEST_P(SystemSpoolerJob, TheJobsParametersDecideTheCredentials) {
    const Record captured = record_with("OutputMethod=Hold\nUserAuthenticationUserName=bob\n");
    const Record job_record = record_with("OutputMethod=Secure\nWaitModeSecurePrintId=4711\n"
                                          "WaitModePassword=pin\nUserAuthenticationUserName=alice\n");
    std::vector<::BYTE> info = job_info();
    ASSERT_GE(info.size(), sizeof(::JOB_INFO_2W));
    auto* job = reinterpret_cast<::JOB_INFO_2W*>(info.data());
    const bool carries_parameters = !printers().wine();
    if (carries_parameters) {
        const std::string text = util::base64_encode(job_devmode(job_record, true));
        std::wstring parameters(text.begin(), text.end());
        job->pParameters = parameters.data();
        job->Position = JOB_POSITION_UNSPECIFIED;
        ASSERT_TRUE(::SetJobW(printer_, job_, 2, info.data(), 0)) << "SetJobW failed with error " << ::GetLastError();
    } else {
        EXPECT_EQ(job->pParameters, nullptr) << "Wine's spooler now keeps job parameters: set them here";
    }

    host::DevmodeBuffer dm = devmode_with(captured);
    hooks_.use(dm);
    hooks_.pdev()->start_doc_count = 0;
    hooks_.start_doc(u"Refresh", job_);
    const char* user = carries_parameters ? "alice" : "bob";
    EXPECT_EQ(field_text(hooks_.pdev()->record, FeatureId::UserAuthenticationUserName), user);
    EXPECT_EQ(field_text(record_of(dm.plugin_block()), FeatureId::UserAuthenticationUserName), user);
    const std::string header = hooks_.command(PSINJECT_PSADOBE);
    EXPECT_EQ(contains(header, "@PJL SET QVJOBID=\"4711\"\r\n"), carries_parameters) << header;
}

INSTANTIATE_TEST_SUITE_P(Spoolers, SystemSpoolerJob, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());
#endif

}  // namespace
}  // namespace zenta
