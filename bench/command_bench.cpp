// The print stream through the plug-in's COM interface, as the core driver calls it, against
// copying one record (engine_bench.cpp): one page setup, and the start of a job from the stream's
// first point to the end of its setup.

#include <benchmark/benchmark.h>

#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "host/core_driver.h"
#include "allocations.h"
#include "ratio.h"
#include "settings/page_exceptions.h"
#include "settings/plugin_devmode.h"
#include "stream/pjl_header.h"

namespace {

using namespace zenta;

// A started driver with a DEVMODE of the default record on the built-in printer.
struct Job {
    host::CoreDriver driver;
    host::DevmodeBuffer dm =
        host::DevmodeBuffer::make(u"Zenta Production Printer", settings::kPluginDevmodeSize);
    environment::PrinterConnection printer =
        environment::PrinterConnection::open(u"Zenta Production Printer");
    settings::Record start_record = environment::default_record();

    bool start(const settings::Record& record = environment::default_record()) {
        if (!driver.start()) return false;
        settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                           dm.plugin_block(), settings::kPluginDevmodeSize),
                                       record);
        abi::DEVOBJ* devobj = driver.device().devobj();
        devobj->pPublicDM = dm.public_part();
        devobj->pOEMDM = dm.plugin_block();
        devobj->hPrinter = printer.handle();
        return true;
    }
    void command(abi::DWORD index) {
        abi::DWORD result = 0;
        driver.command(index, &result);
    }
};

// Calls the injection point once per iteration and reports the heap allocations per call.
void repeat_command(benchmark::State& state, Job& job, abi::DWORD index) {
    job.command(index);  // the first call of a document makes what its pages then keep
    job.driver.job().spool.clear();
    const std::uint64_t before = zenta::bench::allocations_so_far();
    for (auto _ : state) {
        job.command(index);
        job.driver.job().spool.clear();
    }
    state.counters["allocations"] =
        static_cast<double>(zenta::bench::allocations_so_far() - before) / static_cast<double>(state.iterations());
}

// Entries that put every second page on other paper.
settings::PageList exception_list(std::uint16_t entries) {
    settings::PageList list;
    for (std::uint16_t i = 0; i < entries; ++i) {
        settings::PageEntry entry;
        entry.kind = 3;  // another paper for the page
        entry.paper_size = 2;
        const auto page = static_cast<std::uint16_t>(2 + 2 * i);
        entry.pages.push_back({page, page});
        list.push_back(entry);
    }
    return list;
}

void CommandPageSetup(benchmark::State& state) {
    Job job;
    if (!job.start()) {
        state.SkipWithError(job.driver.error().c_str());
        return;
    }
    repeat_command(state, job, abi::PSINJECT_BEGINPAGESETUP);
}
BENCHMARK(CommandPageSetup);

// The same with a page exception list of 100 entries, each another paper for one page: the
// page's paper is looked up in the list on every page.
void CommandPageSetupExceptions(benchmark::State& state) {
    settings::Record record = environment::default_record();
    Job job;
    if (!settings::store_pages(record, exception_list(100)) || !job.start(record)) {
        state.SkipWithError("no job with a page exception list");
        return;
    }
    repeat_command(state, job, abi::PSINJECT_BEGINPAGESETUP);
}
BENCHMARK(CommandPageSetupExceptions);

// The trailer of a page that has been set up, as it comes in a job.
// What one device context holds once its pages have been set up with a page exception list of
// 100 entries: the bytes DisablePDEV gives back (the plug-in PDEV and everything it owns).
void DeviceContextMemory(benchmark::State& state) {
    for (auto _ : state) {
        Job job;
        if (!settings::store_pages(job.start_record, exception_list(100)) || !job.start(job.start_record)) {
            state.SkipWithError("no job with a page exception list");
            return;
        }
        for (int page = 0; page < 3; ++page) {
            job.command(abi::PSINJECT_BEGINPAGESETUP);
            job.command(abi::PSINJECT_PAGETRAILER);
        }
        const std::uint64_t before = zenta::bench::live_bytes();
        job.driver.plugin()->DisablePDEV(job.driver.device().devobj());
        state.counters["bytes"] = static_cast<double>(before - zenta::bench::live_bytes());
    }
}
BENCHMARK(DeviceContextMemory)->Iterations(1);

void CommandPageTrailer(benchmark::State& state) {
    Job job;
    if (!job.start()) {
        state.SkipWithError(job.driver.error().c_str());
        return;
    }
    job.command(abi::PSINJECT_BEGINPAGESETUP);
    repeat_command(state, job, abi::PSINJECT_PAGETRAILER);
}
BENCHMARK(CommandPageTrailer);

void CommandJobStart(benchmark::State& state) {
    Job job;
    if (!job.start()) {
        state.SkipWithError(job.driver.error().c_str());
        return;
    }
    for (auto _ : state) {
        for (abi::DWORD index : {abi::PSINJECT_BEGINSTREAM, abi::PSINJECT_PSADOBE, abi::PSINJECT_COMMENTS,
                                 abi::PSINJECT_BEGINSETUP, abi::PSINJECT_ENDSETUP})
            job.command(index);
        job.driver.job().spool.clear();
    }
}
BENCHMARK(CommandJobStart);

// The PJL header of a record with every selection one option past its default and every range
// at its maximum.
void PjlHeaderAllAway(benchmark::State& state) {
    settings::Record record = environment::default_record();
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const features::Feature& f = features::kFeatures[i];
        const auto id = static_cast<features::FeatureId>(i);
        if (f.kind == features::Kind::S && f.descriptor && f.descriptor->option_count() > 1)
            record.set_raw(id, (f.descriptor->default_index + 1) % f.descriptor->option_count());
        if (f.kind == features::Kind::R) record.set_raw(id, static_cast<std::uint32_t>(f.range->maximum));
    }
    const stream::JobIdentity job{"Quarterly Report", "jane", "ACDE48A1B2C3120712000000"};
    for (auto _ : state) benchmark::DoNotOptimize(stream::pjl_job_header(record, job));
}
BENCHMARK(PjlHeaderAllAway);

const zenta::bench::Ratio kPjlHeader("PjlHeaderAllAway", "RecordCopy", 40);
const zenta::bench::Ratio kPageSetup("CommandPageSetup", "RecordCopy", 6);
const zenta::bench::Ratio kPageSetupExceptions("CommandPageSetupExceptions", "RecordCopy", 12);
const zenta::bench::Ratio kPageTrailer("CommandPageTrailer", "RecordCopy", 5);
const zenta::bench::Ratio kJobStart("CommandJobStart", "RecordCopy", 150);
const zenta::bench::CounterLimit kPageSetupAllocations("CommandPageSetup", "allocations", 2);
const zenta::bench::CounterLimit kPdevMemory("DeviceContextMemory/iterations:1", "bytes", 64 * 1024);

}  // namespace
