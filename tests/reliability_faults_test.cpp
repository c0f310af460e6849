// The plug-in when its surroundings fail: the driver's spool writes failing, helper interfaces
// the driver does not publish, companion libraries missing beside the plug-in, a tab sheet's
// child process that dies, a tab file that never fills, the printer handle closed in the middle
// of a job. In each the job goes on as the plug-in's contract says, nothing crashes, and nothing
// is left behind: no printer handle, no child process, no tab file, and the same job printed
// again gives the same bytes.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "abi/abi.h"
#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "host/ghostscript.h"
#include "host/ppd_file.h"
#include "host/print_job.h"
#include "host/reliability.h"
#include "platform/library.h"
#include "platform/sim/services.h"
#include "plugin/pdev.h"
#include "settings/page_exceptions.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "tabfile/tab_blocks.h"
#include "support/environment.h"

namespace zenta {
namespace {

namespace fs = std::filesystem;
using namespace abi;
using host::DevmodeBuffer;

constexpr std::u16string_view kPrinterName = u"Zenta Production Printer";
constexpr DWORD kSpoolJobId = 7;
// HRESULT_FROM_WIN32(ERROR_DISK_FULL): the spool file cannot grow.
constexpr HRESULT kDiskFull = static_cast<HRESULT>(0x80070070u);

// ---- environment variables for the length of a test, files and folders

using test::ScopedEnvironment;

std::string read_text(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::size_t line_count(const fs::path& path) {
    std::ifstream in(path);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

fs::path program_folder() {
    const std::u16string program = platform::executable_path();
    return fs::path(program.substr(0, program.find_last_of(u"\\/") + 1));
}

// ---- the job

// A tab sheet printed on `page`, as `zenta pages add --tab` makes it.
settings::PageEntry printed_tab(std::uint16_t page) {
    settings::PageEntry tab;
    tab.kind = 5;
    tab.setting.placement = settings::kTabPrintedOnPage;
    tab.setting.setting_text = "Part B";
    tab.pages = {{page, page}};
    return tab;
}

// The settings of the faulted jobs: held at the printer (an invocation block from the driver's
// core interface) with a tab sheet printed on `tab_page` (from the tab file service's child).
settings::Record job_record(std::uint16_t tab_page) {
    settings::Record record = environment::default_record();
    EXPECT_FALSE(settings::apply_settings(record, "OutputMethod=Hold\n"));
    EXPECT_TRUE(settings::store_pages(record, {printed_tab(tab_page)}));
    return record;
}

// ---- a document reduced to the plug-in's part

struct Point {
    DWORD index;
    const char* name;
};
// clang-format off
#define P(name) Point{PSINJECT_##name, #name}
// The injection points in the order the core driver reaches them (host/print_job.h).
constexpr Point kDocumentStart[] = {P(BEGINSTREAM), P(PSADOBE), P(BOUNDINGBOX), P(DOCUMENTPROCESSCOLORSATEND),
    P(PAGESATEND), P(PAGEORDER), P(ORIENTATION), P(COMMENTS), P(BEGINDEFAULTS), P(ENDDEFAULTS),
    P(BEGINPROLOG), P(ENDPROLOG), P(BEGINSETUP), P(ENDSETUP)};
constexpr Point kPageStart[] = {P(PAGENUMBER), P(PAGEBBOX), P(ENDPAGECOMMENTS), P(BEGINPAGESETUP), P(VMSAVE),
    P(ENDPAGESETUP)};
constexpr Point kPageEnd[] = {P(SHOWPAGE), P(VMRESTORE), P(PAGETRAILER)};
constexpr Point kDocumentEnd[] = {P(TRAILER), P(PAGES), P(DOCNEEDEDRES), P(DOCSUPPLIEDRES),
    P(DOCUMENTPROCESSCOLORS), P(EOF), P(ENDSTREAM)};
#undef P
// clang-format on

// One Command call and what came of it.
struct PointCall {
    Point point{};
    HRESULT hr = S_OK;
    DWORD result = 0;
    std::string text;                // written during the call
    std::size_t writes = 0;          // DrvWriteSpoolBuf calls during the call
    std::size_t failed_writes = 0;   // of them refused
    std::uint64_t page_counter = 0;  // the plug-in PDEV's, after the call
};

// The helpers the driver offers through PublishDriverInterface.
enum class Published { Both, CoreOnly, DriverOnly, None };

// A document printed as the core driver prints it, reduced to the plug-in's part: the hooked
// DrvStartDoc, DrvStartPage, DrvSendPage and DrvEndDoc, and Command at every injection point in
// the driver's order, with the spool writes going through a FailingSpoolWriter.
class ScriptedJob {
public:
    ScriptedJob(Published published, const DevmodeBuffer& devmode, HANDLE printer)
        : published_(published), devmode_(devmode), printer_(printer) {}

    // Loads the plug-in, publishes the helpers and enables the PDEV on the job's DEVMODE.
    bool start() {
        if (!writer_ || !driver_.load_library() || !driver_.create_plugin() || !driver_.read_info()) return false;
        IPrintOemPS* plugin = driver_.plugin();
        if (published_ == Published::Both || published_ == Published::CoreOnly)
            publish_results_.push_back(plugin->PublishDriverInterface(driver_.core_helper()));
        if (published_ == Published::Both || published_ == Published::DriverOnly)
            publish_results_.push_back(plugin->PublishDriverInterface(writer_.get()));
        if (!driver_.enable_driver()) return false;
        DEVOBJ* devobj = driver_.device().devobj();
        devobj->hPrinter = printer_;
        devobj->pPublicDM = devmode_.public_part();
        devobj->pOEMDM = devmode_.plugin_block();
        return driver_.enable_pdev();
    }

    // Prints `pages` pages; the spool writes of every Command at `failing` fail. False when a
    // hook answered FALSE.
    bool print(unsigned pages, DWORD failing, std::vector<PointCall>& calls) {
        SURFOBJ* surface = driver_.device().surface();
        std::u16string title = u"Faults";
        bool ok = driver_.hook_as<PFN_DrvStartDoc>(INDEX_DrvStartDoc)(surface, title.data(), kSpoolJobId) != 0;
        run(kDocumentStart, failing, calls);
        for (unsigned page = 0; page < pages; ++page) {
            ok = driver_.hook_as<PFN_DrvStartPage>(INDEX_DrvStartPage)(surface) != 0 && ok;
            run(kPageStart, failing, calls);
            ok = driver_.hook_as<PFN_DrvSendPage>(INDEX_DrvSendPage)(surface) != 0 && ok;
            run(kPageEnd, failing, calls);
        }
        ok = driver_.hook_as<PFN_DrvEndDoc>(INDEX_DrvEndDoc)(surface, 0) != 0 && ok;
        run(kDocumentEnd, failing, calls);
        return ok;
    }

    host::CoreDriver& driver() { return driver_; }
    const std::vector<HRESULT>& publish_results() const { return publish_results_; }

private:
    template <std::size_t N>
    void run(const Point (&points)[N], DWORD failing, std::vector<PointCall>& calls) {
        for (const Point& point : points) {
            PointCall call;
            call.point = point;
            writer_->fail_with(point.index == failing ? kDiskFull : S_OK);
            const std::size_t before = writer_->spool().size();
            const std::size_t writes = writer_->writes();
            const std::size_t refused = writer_->failed_writes();
            call.result = 0xDEADBEEF;
            call.hr = driver_.command(point.index, &call.result);
            call.text = writer_->spool().substr(before);
            call.writes = writer_->writes() - writes;
            call.failed_writes = writer_->failed_writes() - refused;
            if (const plugin::PluginPdev* pdev = plugin::pdev_of(driver_.device().devobj()))
                call.page_counter = pdev->document.page_counter;
            calls.push_back(std::move(call));
        }
        writer_->fail_with(S_OK);
    }

    Published published_;
    DevmodeBuffer devmode_;
    HANDLE printer_;
    host::CoreDriver driver_;
    host::ComPtr<host::FailingSpoolWriter> writer_ =
        host::ComPtr<host::FailingSpoolWriter>::adopt(host::FailingSpoolWriter::create());
    std::vector<HRESULT> publish_results_;
};

std::string point_text(const std::vector<PointCall>& calls) {
    std::string all;
    for (const PointCall& call : calls) all += call.text;
    return all;
}

class ReliabilityFaults : public ::testing::Test {
protected:
    void SetUp() override {
        printer_ = environment::PrinterConnection::open(kPrinterName);
        ASSERT_TRUE(printer_);
        ASSERT_TRUE(folder_) << folder_.error();
        fs::create_directories(work_);
        handles_ = services_.spooler().open_handles();
    }

    // Nothing of a job stays behind: no printer handle beyond the test's own, no child process,
    // no tab file in the working directory.
    void expect_nothing_left() {
        EXPECT_EQ(services_.spooler().open_handles(), handles_) << "printer handles";
        if (const auto children = host::child_processes()) {
            EXPECT_TRUE(children->empty()) << "child processes";
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(work_)) {
            EXPECT_NE(entry.path().filename().string().rfind("TP1", 0), 0u) << entry.path();
        }
    }

    // A two-page document with every helper published; the writes at `failing` fail.
    std::vector<PointCall> print_scripted(const DevmodeBuffer& dm, DWORD failing) {
        ScriptedJob job(Published::Both, dm, printer_.handle());
        std::vector<PointCall> calls;
        EXPECT_TRUE(job.start()) << job.driver().error();
        EXPECT_TRUE(job.print(2, failing, calls));
        EXPECT_EQ(job.driver().job().spool_writes, 0u) << "the core interface is never written through";
        return calls;
    }

    // A whole job through the stand-in's PrintJob, with a driver of its own.
    struct Printed {
        bool ok = false;
        std::string error;
        std::string spool;
        unsigned pages = 0;
        double seconds = 0;
    };
    Printed print_job(host::CoreDriver& driver, const settings::Record& record, unsigned pages,
                      const std::function<void(std::string_view)>& sink = {}) {
        std::string error;
        std::optional<host::PpdFile> ppd = host::PpdFile::read(host::default_ppd_path(), error);
        EXPECT_TRUE(ppd) << error;
        if (!ppd) return {};
        const host::JobPaper paper = host::job_paper(*ppd, &record);
        host::PrintJob job(driver, *ppd, host::test_document(pages, host::test_page_text(paper)));
        Printed printed;
        if (sink) job.stream_to(sink);
        const auto start = std::chrono::steady_clock::now();
        printed.ok = job.print(host::application_devmode(kPrinterName, record, printer_.handle()), printer_.handle(), u"Faults", kSpoolJobId);
        printed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        printed.error = job.error();
        printed.spool = job.spool();
        printed.pages = job.pages_printed();
        return printed;
    }

    // Ghostscript runs the job without an error (under Wine only when it can reach the host's).
    static void expect_ghostscript_runs(const std::string& spool) {
        std::string gs_error;
        if (!host::find_ghostscript(gs_error)) {
#if !defined(_WIN32)
            ADD_FAILURE() << gs_error;
#endif
            return;
        }
        const host::JobCheck check = host::check_job(spool);
        EXPECT_TRUE(check.ok) << check.message;
    }

    // A job of three pages printed whole: every page's plug-in text, the tab sheet `sheets` times
    // with the restore that follows it, and Ghostscript runs it. A job that goes on without its
    // sheet does so once the tab file has had its time (the bounded readiness wait), no later.
    static void expect_whole_job(const Printed& printed, const std::string& stream, std::size_t sheets) {
        EXPECT_EQ(printed.pages, 3u);
        EXPECT_EQ(host::occurrences(stream, "%%ZENTAPAGETRAILER%%"), 3u) << "every page's plug-in text";
        EXPECT_EQ(host::occurrences(stream, tabfile::tab_save_block()), sheets);
        EXPECT_EQ(host::occurrences(stream, tabfile::tab_restore_block()), sheets);
        if (sheets == 0) {
            EXPECT_GE(printed.seconds, 5.0) << "the readiness wait ran to its limit";
            EXPECT_LT(printed.seconds, 30.0) << "and no longer";
        }
        expect_ghostscript_runs(stream);
    }

    void forget_tabs() {
        std::error_code ignored;
        fs::remove(tab_log_, ignored);
    }

    platform::sim::SimulatedServices services_{platform::sim::default_profile()};
    environment::PrinterConnection printer_;
    std::size_t handles_ = 0;
    host::TemporaryDirectory folder_;
    // The tab files go to the temporary directory: this test's own.
    fs::path work_ = folder_.path() / "work";
    ScopedEnvironment tmpdir_{"TMPDIR", work_.string()};
    fs::path tab_log_ = folder_.path() / "tabs.log";
    ScopedEnvironment tab_log_env_{"ZENTA_TAB_LOG", tab_log_.string()};
};

// ---- the driver's spool writes fail

TEST_F(ReliabilityFaults, SpoolWritesFailingAtOnePointLeaveTheOtherPointsWhole) {
    const DevmodeBuffer dm = host::application_devmode(kPrinterName, job_record(2), printer_.handle());
    const std::vector<PointCall> reference = print_scripted(dm, 0);
    std::set<DWORD> writing;
    for (const PointCall& call : reference)
        if (!call.text.empty()) writing.insert(call.point.index);
    EXPECT_EQ(writing, (std::set<DWORD>{PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_COMMENTS,
                                        PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP, PSINJECT_BEGINPAGESETUP,
                                        PSINJECT_PAGETRAILER, PSINJECT_TRAILER, PSINJECT_ENDSTREAM}));
    ASSERT_EQ(host::occurrences(point_text(reference), tabfile::tab_save_block()), 1u) << "the tab sheet";
    expect_nothing_left();

    for (const DWORD failing : writing) {
        const std::vector<PointCall> calls = print_scripted(dm, failing);
        ASSERT_EQ(calls.size(), reference.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const PointCall& call = calls[i];
            const PointCall& ref = reference[i];
            SCOPED_TRACE(std::string("writes fail at ") + ref.point.name + ", call " + std::to_string(i) + " at " +
                         call.point.name);
            EXPECT_EQ(call.hr, ref.hr);
            EXPECT_EQ(call.result, ref.result);
            EXPECT_EQ(call.page_counter, ref.page_counter);
            if (call.point.index == failing) {
                EXPECT_EQ(call.text, "");
                EXPECT_EQ(call.failed_writes, ref.writes) << "each text is tried once, not again";
            } else {
                EXPECT_EQ(host::mask_job_variables(call.text), host::mask_job_variables(ref.text));
            }
        }
        expect_nothing_left();
    }

    // The failures leave nothing behind: the same job again gives the same bytes.
    EXPECT_EQ(host::mask_job_variables(point_text(print_scripted(dm, 0))),
              host::mask_job_variables(point_text(reference)));
}

// ---- the driver publishes fewer helpers

TEST_F(ReliabilityFaults, MissingHelperInterfacesWriteNothingWhereTheyAreNeeded) {
    const DevmodeBuffer dm = host::application_devmode(kPrinterName, job_record(2), printer_.handle());
    const std::vector<PointCall> reference = print_scripted(dm, 0);
    // The output method's code, which only the core interface gives.
    const std::string all = point_text(reference);
    const std::size_t block = all.find("ZTQVFeatures /ZTQVPlugInSettings {\r\n");
    const std::string block_end = "} bind executeonly put\r\n";
    ASSERT_NE(block, std::string::npos);
    const std::string invocations = all.substr(block, all.find(block_end, block) + block_end.size() - block);

    const struct {
        const char* name;
        Published published;
        std::vector<HRESULT> publish_results;
        bool writes;
    } cases[] = {
        {"no IPrintOemDriverPS", Published::CoreOnly, {E_FAIL}, false},
        {"no IPrintCorePS2", Published::DriverOnly, {S_OK}, true},
        {"no helper at all", Published::None, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forget_tabs();
        ScriptedJob job(c.published, dm, printer_.handle());
        ASSERT_TRUE(job.start()) << job.driver().error();
        EXPECT_EQ(job.publish_results(), c.publish_results);
        std::vector<PointCall> calls;
        EXPECT_TRUE(job.print(2, 0, calls));
        ASSERT_EQ(calls.size(), reference.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const PointCall& ref = reference[i];
            SCOPED_TRACE(std::string("call ") + std::to_string(i) + " at " + ref.point.name);
            EXPECT_EQ(calls[i].hr, S_OK);
            EXPECT_EQ(calls[i].result, ref.result) << "Command answers as it would";
            EXPECT_EQ(calls[i].page_counter, ref.page_counter) << "the page counter moves all the same";
            std::string expected = c.writes ? ref.text : std::string();
            if (const std::size_t at = expected.find(invocations); at != std::string::npos)
                expected.erase(at, invocations.size());
            EXPECT_EQ(host::mask_job_variables(calls[i].text), host::mask_job_variables(expected));
        }
        EXPECT_EQ(line_count(tab_log_), c.writes ? 1u : 0u) << "a tab sheet is made only to be written";
        EXPECT_EQ(job.driver().job().spool_writes, 0u) << "the core interface is never written through";
        job.driver().shutdown();
        EXPECT_EQ(job.driver().teardown().release_count, 0u);
        expect_nothing_left();
    }
}

// ---- companion libraries missing beside the plug-in

TEST_F(ReliabilityFaults, MissingCompanionLibrariesLeaveTheJobWhole) {
    const fs::path built = program_folder();
    const fs::path plugin = built / fs::path(platform::library_file_name(u"zenta_ps"));
    const fs::path notify = built / fs::path(platform::library_file_name(u"zenta_n"));
    const fs::path tabdoc = built / fs::path(platform::library_file_name(u"zenta"));
    for (const fs::path& file : {plugin, notify, tabdoc})
        if (!fs::exists(file)) GTEST_SKIP() << file << " is not built beside the tests";
    const settings::Record record = job_record(2);

    const struct {
        const char* name;
        bool notification_library, tab_document_library;
    } cases[] = {
        {"every companion", true, true},
        {"no notification library", false, true},
        // The tab file is made empty and stays so: the readiness wait gives up on it.
        {"no tab document library", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = folder_.path() / c.name;
        fs::create_directories(dir);
        fs::copy_file(plugin, dir / plugin.filename());
        if (c.notification_library) fs::copy_file(notify, dir / notify.filename());
        if (c.tab_document_library) fs::copy_file(tabdoc, dir / tabdoc.filename());
        const fs::path job_log = dir / "jobs.log";
        const ScopedEnvironment log_env("ZENTA_JOB_LOG", job_log.string());

        Printed printed;
        {
            host::CoreDriver driver((dir / plugin.filename()).u16string());
            printed = print_job(driver, record, 3);
        }
        ASSERT_TRUE(printed.ok) << printed.error;
        expect_whole_job(printed, printed.spool, c.tab_document_library ? 1 : 0);

        // A job identifier is made whether or not anybody is told of it.
        const std::vector<std::string> ids = host::job_identifiers(printed.spool);
        ASSERT_EQ(ids.size(), 1u);
        EXPECT_EQ(ids[0].size(), 26u);
        EXPECT_EQ(ids[0].rfind("ACDE48", 0), 0u) << ids[0];
        const std::string log = read_text(job_log);
        if (c.notification_library) {
            EXPECT_EQ(line_count(job_log), 1u) << log;
            EXPECT_NE(log.find(ids[0]), std::string::npos) << log;
        } else {
            EXPECT_EQ(log, "");
        }
        expect_nothing_left();
    }
}

// ---- the tab sheet's child process dies

#if !defined(_WIN32)
// A program in place of rundll32 that kills itself, before or after running the real launcher.
fs::path dying_launcher(const fs::path& dir, bool after_its_work) {
    const fs::path script = dir / (after_its_work ? "dies-after" : "dies-first");
    std::ofstream out(script);
    out << "#!/bin/sh\n";
    if (after_its_work) out << "'" << (program_folder() / "zenta_rundll").string() << "' \"$@\"\n";
    out << "kill -KILL $$\n";
    out.close();
    ::chmod(script.c_str(), 0755);
    return script;
}
#endif

TEST_F(ReliabilityFaults, ATabChildThatDiesLeavesTheSheetToTheTabFile) {
#if defined(_WIN32)
    GTEST_SKIP() << "the child is Windows' rundll32 here";
#else
    if (!fs::exists(program_folder() / "zenta_rundll")) GTEST_SKIP() << "zenta_rundll is not built";
    const settings::Record record = job_record(2);
    // Killed first, the child leaves the tab file empty: it never fills, and after the bounded
    // readiness wait the job goes on without the sheet. Killed after its work, the file is there
    // and the sheet is printed: the child's end is not consulted, only the file.
    const struct {
        const char* name;
        bool after_its_work;
    } cases[] = {{"killed after its work", true}, {"killed before its work", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forget_tabs();
        const ScopedEnvironment launcher("ZENTA_RUNDLL", dying_launcher(folder_.path(), c.after_its_work).string());
        host::CoreDriver driver;
        const Printed printed = print_job(driver, record, 3);
        ASSERT_TRUE(printed.ok) << printed.error;
        expect_whole_job(printed, printed.spool, c.after_its_work ? 1 : 0);
        EXPECT_EQ(line_count(tab_log_), c.after_its_work ? 1u : 0u);
        driver.shutdown();
        expect_nothing_left();
    }
#endif
}

// ---- the printer handle goes away in the middle of a job

TEST_F(ReliabilityFaults, APrinterHandleClosedBetweenPagesLeavesTheRemainingPages) {
    // The tab sheet on page 3 is made after the handle is gone.
    const settings::Record record = job_record(3);
    host::CoreDriver reference_driver;
    const Printed reference = print_job(reference_driver, record, 3);
    ASSERT_TRUE(reference.ok) << reference.error;

    environment::PrinterConnection own = environment::PrinterConnection::open(kPrinterName);
    ASSERT_TRUE(own);
    std::swap(own, printer_);  // the job prints on a handle of its own
    std::string stream;
    std::size_t pieces = 0;
    host::CoreDriver driver;
    const Printed printed = print_job(driver, record, 3, [&](std::string_view piece) {
        stream += piece;
        // After the document's start and its first page: ClosePrinter.
        if (++pieces == 2) printer_ = environment::PrinterConnection();
    });
    std::swap(own, printer_);
    ASSERT_TRUE(printed.ok) << printed.error;
    expect_whole_job(printed, stream, 1);
    EXPECT_GE(pieces, 4u);
    EXPECT_TRUE(stream.ends_with("\x1B%-12345X")) << "the stream is closed";
    EXPECT_EQ(host::mask_job_variables(stream), host::mask_job_variables(reference.spool));
    driver.shutdown();
    reference_driver.shutdown();
    expect_nothing_left();
}

}  // namespace
}  // namespace zenta
