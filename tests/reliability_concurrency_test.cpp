// Many jobs at once, as a print server renders them: eight threads, each printing job after job
// with settings of its own while the others do the same. Every job must come out byte for byte
// as the same job printed alone beforehand, the driver job identifier and the tab procedure set's
// random lead-in aside, and every job identifier is its own.
//
// Seven threads print through the one loaded plug-in, each job on a device context of its own
// (DllGetClassObject, EnablePDEV ... DisablePDEV, DllCanUnloadNow), as a print server renders a
// job. The eighth prints jobs with a tab sheet, made by the tab file service's child process,
// through a second copy of the plug-in library (a second driver's), taking a new device context
// every few documents: once a tab document has been seen, the plug-in pauses 100 ms in each
// DllCanUnloadNow, which would otherwise be most of the test's time.
//
// The jobs per thread are ZENTA_THREAD_JOBS (default 200, under Wine 20); the same test runs under
// ThreadSanitizer with a build of its own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "abi/abi.h"
#include "support/environment.h"
#include "support/read_back.h"
#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "host/ghostscript.h"
#include "host/ppd_file.h"
#include "host/print_job.h"
#include "host/reliability.h"
#include "platform/library.h"
#include "platform/os.h"
#include "platform/sim/services.h"
#include "settings/page_exceptions.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "tabfile/tab_blocks.h"

namespace zenta {
namespace {

namespace fs = std::filesystem;
using namespace abi;
using host::DevmodeBuffer;

constexpr std::u16string_view kPrinterName = u"Zenta Production Printer";
constexpr unsigned kThreads = 8;
#if defined(_WIN32)
constexpr unsigned kDefaultJobsPerThread = 20;  // under Wine a job costs many times more
#else
constexpr unsigned kDefaultJobsPerThread = 200;
#endif
// The tab thread takes a new device context after this many documents.
constexpr unsigned kTabDocumentsPerDevice = 25;
constexpr unsigned kPages = 2;
constexpr DWORD kSpoolJobId = 11;

unsigned jobs_per_thread() { return test::count_from_environment("ZENTA_THREAD_JOBS", kDefaultJobsPerThread); }

// What each thread prints. The last one has a tab sheet on its second page.
struct ThreadJob {
    const char* name;
    const char* settings;
    bool tab_sheet = false;
};
const ThreadJob kThreadJobs[kThreads] = {
    {"A4 simplex", "PageSize=A4\nDuplex=False\n"},
    {"A3 duplex stapled", "PageSize=A3\nDuplex=True\nStaple=1StapleLeft\n"},
    {"Letter 2-up", "PageSize=Letter\nNUpCount=2\n"},
    {"A5 landscape punched", "PageSize=A5\nOrientation=Land\nPunch=2Holes\n"},
    {"4-up duplex", "Duplex=True\nNUpCount=4\n"},
    {"held, two staples", "OutputMethod=Hold\nStaple=2StaplesWide\n"},
    {"B4 folded at 1200 dpi", "PageSize=B4\nFold=CenterFold\nResolution=1200dpi\n"},
    {"tab sheet on page 2", "PageSize=A4\nDuplex=True\n", true},
};

// One thread's job, made ready on the main thread.
struct PreparedJob {
    DevmodeBuffer devmode;
    host::DscDocument document;
    std::u16string plugin;  // the plug-in library it prints through
    unsigned documents_per_device = 1;
    std::string expected;  // masked
};

PreparedJob prepare(const ThreadJob& job, const host::PpdFile& ppd, HANDLE printer, const std::u16string& plugin) {
    settings::Record record = environment::default_record();
    EXPECT_FALSE(settings::apply_settings(record, job.settings)) << job.name;
    if (job.tab_sheet) {
        settings::PageEntry tab;
        tab.kind = 5;
        tab.setting.placement = settings::kTabPrintedOnPage;
        tab.setting.setting_text = "Section 2";
        tab.pages = {{2, 2}};
        EXPECT_TRUE(settings::store_pages(record, {tab}));
    }
    DevmodeBuffer dm = host::application_devmode(kPrinterName, record, printer);
    const host::JobPaper paper = host::job_paper(ppd, &record);
    return {std::move(dm), host::test_document(kPages, host::test_page_text(paper)), plugin,
            job.tab_sheet ? kTabDocumentsPerDevice : 1, {}};
}

// What one thread found.
struct ThreadResult {
    unsigned printed = 0;
    unsigned differing = 0;
    std::string first_problem;
    std::vector<std::string> identifiers;
};

// Where two texts first differ, with a little of each.
std::string first_difference(const std::string& got, const std::string& expected) {
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    const std::size_t from = at > 40 ? at - 40 : 0;
    return "at byte " + std::to_string(at) + ": got '" + got.substr(from, 120) + "', expected '" +
           expected.substr(from, 120) + "'";
}

void print_jobs(const PreparedJob& job, const host::PpdFile& ppd, unsigned count, ThreadResult& result) {
    environment::PrinterConnection printer = environment::PrinterConnection::open(kPrinterName);
    std::optional<host::CoreDriver> driver;
    for (unsigned i = 0; i < count; ++i) {
        if (i % job.documents_per_device == 0) driver.emplace(job.plugin);
        host::PrintJob print(*driver, ppd, job.document);
        if (!print.print(job.devmode, printer.handle(), u"Concurrent", kSpoolJobId)) {
            if (result.first_problem.empty()) result.first_problem = "job " + std::to_string(i) + ": " + print.error();
            continue;
        }
        ++result.printed;
        const std::vector<std::string> ids = host::job_identifiers(print.spool());
        result.identifiers.insert(result.identifiers.end(), ids.begin(), ids.end());
        const std::string got = host::mask_job_variables(print.spool());
        if (got != job.expected) {
            ++result.differing;
            if (result.first_problem.empty())
                result.first_problem = "job " + std::to_string(i) + " " + first_difference(got, job.expected);
        }
    }
}

// A second copy of the plug-in library with its companions, in a folder of its own.
std::optional<fs::path> plugin_copy(const fs::path& folder, std::string& error) {
    const std::u16string program = platform::executable_path();
    const fs::path built(program.substr(0, program.find_last_of(u"\\/") + 1));
    const fs::path plugin = fs::path(platform::library_file_name(u"zenta_ps"));
    for (const char16_t* name : {u"zenta_ps", u"zenta", u"zenta_n"}) {
        const fs::path file(platform::library_file_name(name));
        std::error_code ec;
        fs::copy_file(built / file, folder / file, ec);
        if (ec) {
            error = "cannot copy " + (built / file).string() + ": " + ec.message();
            return std::nullopt;
        }
    }
    return folder / plugin;
}

TEST(ReliabilityConcurrency, EightThreadsPrintTheirJobsAsEachPrintsAlone) {
    const unsigned count = jobs_per_thread();
    platform::sim::SimulatedServices services{platform::sim::default_profile()};
    std::string error;
    const std::optional<host::PpdFile> ppd = host::PpdFile::read(host::default_ppd_path(), error);
    ASSERT_TRUE(ppd) << error;
    host::TemporaryDirectory folder;
    ASSERT_TRUE(folder) << folder.error();
    const std::optional<fs::path> copy = plugin_copy(folder.path(), error);
    ASSERT_TRUE(copy) << error;
    // Both libraries stay loaded for the whole test, as in a print server that keeps them.
    const std::u16string plugins[] = {host::PluginModule::default_path(), copy->u16string()};
    const platform::Library anchors[] = {platform::Library::open(plugins[0]), platform::Library::open(plugins[1])};
    for (const platform::Library& anchor : anchors) ASSERT_TRUE(anchor) << anchor.error();
    environment::PrinterConnection printer = environment::PrinterConnection::open(kPrinterName);
    ASSERT_TRUE(printer);

    // Each thread's job printed alone first.
    std::vector<PreparedJob> jobs;
    for (const ThreadJob& thread_job : kThreadJobs) {
        PreparedJob job = prepare(thread_job, *ppd, printer.handle(), plugins[thread_job.tab_sheet ? 1 : 0]);
        host::CoreDriver driver(job.plugin);
        host::PrintJob alone(driver, *ppd, job.document);
        ASSERT_TRUE(alone.print(job.devmode, printer.handle(), u"Concurrent", kSpoolJobId))
            << thread_job.name << ": " << alone.error();
        EXPECT_EQ(host::occurrences(alone.spool(), tabfile::tab_save_block()), thread_job.tab_sheet ? 1u : 0u)
            << thread_job.name;
        const std::optional<settings::Record> used = host::job_settings(job.devmode, printer.handle());
        ASSERT_TRUE(used) << thread_job.name;
        EXPECT_TRUE(test::reads_back(alone.spool(), *used)) << thread_job.name;
        job.expected = host::mask_job_variables(alone.spool());
        jobs.push_back(std::move(job));
    }
    for (std::size_t a = 0; a < jobs.size(); ++a)
        for (std::size_t b = a + 1; b < jobs.size(); ++b)
            EXPECT_NE(jobs[a].expected, jobs[b].expected) << kThreadJobs[a].name << " / " << kThreadJobs[b].name;

    std::vector<ThreadResult> results(kThreads);
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < kThreads; ++t)
            threads.emplace_back(print_jobs, std::cref(jobs[t]), std::cref(*ppd), count, std::ref(results[t]));
        for (std::thread& thread : threads) thread.join();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "[ timing   ] " << kThreads << " threads x " << count << " jobs of " << kPages << " pages: " << seconds
              << " s\n";

    for (unsigned t = 0; t < kThreads; ++t) {
        SCOPED_TRACE(kThreadJobs[t].name);
        EXPECT_EQ(results[t].printed, count) << results[t].first_problem;
        EXPECT_EQ(results[t].differing, 0u) << results[t].first_problem;
        EXPECT_EQ(results[t].identifiers.size(), results[t].printed) << "one job identifier a job";
    }
}

// The random part of a job identifier (after "ACDE48", before the time).
std::string random_part(const std::string& identifier) { return identifier.substr(6, 6); }

// Jobs rendered at the same moment on several threads must not share their job identifier, so
// each thread's draws must be its own: the generator (kept per thread by the C runtime) was once
// started only on the thread that drew first, every other thread then drew the same numbers from
// the runtime's fixed start value, and two jobs made in the same millisecond got the same
// identifier.
TEST(ReliabilityConcurrency, EachThreadDrawsJobIdentifiersOfItsOwn) {
    constexpr unsigned kDrawingThreads = 4;
    platform::sim::SimulatedServices services{platform::sim::default_profile()};
    const platform::Library anchor = platform::Library::open(host::PluginModule::default_path());
    ASSERT_TRUE(anchor) << anchor.error();
    environment::PrinterConnection printer = environment::PrinterConnection::open(kPrinterName);
    ASSERT_TRUE(printer);
    std::string error;
    const std::optional<host::PpdFile> ppd = host::PpdFile::read(host::default_ppd_path(), error);
    ASSERT_TRUE(ppd) << error;
    const PreparedJob job = prepare(kThreadJobs[0], *ppd, printer.handle(), host::PluginModule::default_path());
    // A first job on this thread, as a print server's first job on a thread of its own.
    ThreadResult first;
    print_jobs(job, *ppd, 1, first);
    ASSERT_EQ(first.identifiers.size(), 1u) << first.first_problem;

    std::vector<ThreadResult> results(kDrawingThreads);
    {
        std::vector<std::thread> threads;
        for (ThreadResult& result : results)
            threads.emplace_back(print_jobs, std::cref(job), std::cref(*ppd), 1u, std::ref(result));
        for (std::thread& thread : threads) thread.join();
    }
    std::set<std::string> parts{random_part(first.identifiers[0])};
    for (const ThreadResult& result : results) {
        ASSERT_EQ(result.identifiers.size(), 1u) << result.first_problem;
        parts.insert(random_part(result.identifiers[0]));
    }
    EXPECT_EQ(parts.size(), kDrawingThreads + 1) << "threads drew the same random bytes";
}

}  // namespace
}  // namespace zenta
