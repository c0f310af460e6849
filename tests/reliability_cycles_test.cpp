// One process through many job cycles, as a print server lives. Each cycle: the driver loads the
// plug-in, converts an application's DEVMODE to the printer's and merges another one into it
// (DevMode CONVERT and MERGE), enables a device context (EnablePDEV), prints a job of three
// pages with a tab sheet, disables the device context (DisablePDEV, DisableDriver), releases
// the plug-in and frees the library. Every cycle gives the first cycle's DEVMODE and job, and
// what the process holds (open file descriptors, printer handles, child processes) does not grow.
//
// ZENTA_JOB_CYCLES sets the number of cycles (default 20, under Wine 5); a build under
// LeakSanitizer runs it with many thousands. A cycle takes over 100 ms: once a tab document has
// been seen, the plug-in pauses that long in DllCanUnloadNow.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "support/environment.h"
#include "support/read_back.h"
#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "host/ppd_file.h"
#include "host/print_job.h"
#include "host/reliability.h"
#include "platform/sim/services.h"
#include "settings/page_exceptions.h"
#include "settings/plugin_devmode.h"
#include "settings/settings_text.h"
#include "tabfile/tab_blocks.h"

namespace zenta {
namespace {

using namespace abi;
using host::DevmodeBuffer;

constexpr std::u16string_view kPrinterName = u"Zenta Production Printer";
#if defined(_WIN32)
constexpr unsigned kDefaultCycles = 5;  // under Wine a cycle costs many times more
#else
constexpr unsigned kDefaultCycles = 20;
#endif
constexpr unsigned kPages = 3;
constexpr DWORD kSpoolJobId = 21;

unsigned cycles() { return test::count_from_environment("ZENTA_JOB_CYCLES", kDefaultCycles); }

settings::Record record_with(std::string_view text) {
    settings::Record record = environment::default_record();
    EXPECT_FALSE(settings::apply_settings(record, text)) << text;
    return record;
}

// What one cycle gave.
struct Cycle {
    std::string devmode;  // the merged DEVMODE's bytes
    std::string job;      // masked
    std::string problem;
};

Cycle run_cycle(const host::PpdFile& ppd, const DevmodeBuffer& stored, const DevmodeBuffer& application,
                HANDLE printer) {
    Cycle cycle;
    host::CoreDriver driver;
    if (!driver.load()) return {{}, {}, "load: " + driver.error()};
    const std::optional<DevmodeBuffer> converted = driver.convert_devmode(stored, printer);
    if (!converted) return {{}, {}, "convert: " + driver.error()};
    const std::optional<DevmodeBuffer> merged = driver.merge_devmode(*converted, application, printer);
    if (!merged) return {{}, {}, "merge: " + driver.error()};
    cycle.devmode.assign(reinterpret_cast<const char*>(merged->bytes().data()), merged->size());

    const std::optional<settings::Record> settings = host::job_settings(*merged, printer);
    const host::JobPaper paper = host::job_paper(ppd, settings ? &*settings : nullptr);
    {
        host::PrintJob job(driver, ppd, host::test_document(kPages, host::test_page_text(paper)));
        if (!job.print(*merged, printer, u"Cycle", kSpoolJobId)) return {{}, {}, "print: " + job.error()};
        if (job.pages_printed() != kPages) cycle.problem = std::to_string(job.pages_printed()) + " pages";
        if (host::occurrences(job.spool(), tabfile::tab_save_block()) != 1) cycle.problem += " no tab sheet";
        if (!settings || !test::reads_back(job.spool(), *settings)) cycle.problem += " settings not read back";
        cycle.job = host::mask_job_variables(job.spool());
    }
    driver.shutdown();
    const host::Teardown& teardown = driver.teardown();
    if (teardown.disable_pdev != S_OK || teardown.disable_driver != S_OK || teardown.release_count != 0 ||
        teardown.can_unload_now != S_OK)
        cycle.problem += " teardown";
    return cycle;
}

TEST(ReliabilityCycles, ManyJobCyclesInOneProcessLeaveNothingBehind) {
    const unsigned count = cycles();
    platform::sim::SimulatedServices services{platform::sim::default_profile()};
    std::string error;
    const std::optional<host::PpdFile> ppd = host::PpdFile::read(host::default_ppd_path(), error);
    ASSERT_TRUE(ppd) << error;
    environment::PrinterConnection printer = environment::PrinterConnection::open(kPrinterName);
    ASSERT_TRUE(printer);
    const std::size_t handles = services.spooler().open_handles();

    // A DEVMODE stored by an application for another printer (converted), and the job's
    // settings with a tab sheet printed on page 2 (merged into it).
    const DevmodeBuffer stored = host::application_devmode(
        u"Other Zenta Printer", record_with("PageSize=A3\nDuplex=True\nStaple=1StapleLeft\n"), printer.handle());
    settings::Record job_record = record_with("Duplex=True\nStaple=1StapleLeft\nPunch=2Holes\n");
    settings::PageEntry tab;
    tab.kind = 5;
    tab.setting.placement = settings::kTabPrintedOnPage;
    tab.setting.setting_text = "Cycle";
    tab.pages = {{2, 2}};
    ASSERT_TRUE(settings::store_pages(job_record, {tab}));
    const DevmodeBuffer application = host::application_devmode(kPrinterName, job_record, printer.handle());

    std::optional<Cycle> first;
    std::optional<std::size_t> descriptors;  // after the second cycle, when everything is in place
    unsigned failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (unsigned i = 0; i < count; ++i) {
        const Cycle cycle = run_cycle(*ppd, stored, application, printer.handle());
        if (!cycle.problem.empty() || (first && (cycle.devmode != first->devmode || cycle.job != first->job))) {
            ADD_FAILURE() << "cycle " << i << ": " << cycle.problem
                          << (first && cycle.devmode != first->devmode ? " DEVMODE differs" : "")
                          << (first && cycle.job != first->job ? " job differs" : "");
            if (++failed == 3) break;
        }
        if (!first) first = cycle;
        if (i == 1) descriptors = host::open_descriptors();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "[ timing   ] " << count << " cycles: " << seconds << " s (" << seconds * 1000 / count
              << " ms each)\n";

    EXPECT_EQ(services.spooler().open_handles(), handles) << "printer handles";
    if (const auto children = host::child_processes()) {
        EXPECT_TRUE(children->empty()) << "child processes";
    }
#if defined(__linux__)
    if (descriptors) {
        const std::optional<std::size_t> now = host::open_descriptors();
        ASSERT_TRUE(now);
        EXPECT_LE(*now, *descriptors) << "open file descriptors grew over the cycles";
    }
#endif
}

}  // namespace
}  // namespace zenta
