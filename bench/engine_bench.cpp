// One change from outside through the constraint engine, against copying one record.

#include <benchmark/benchmark.h>

#include "constraints/engine.h"
#include "ratio.h"
#include "environment/record_defaults.h"
#include "settings/defaults.h"
#include "settings/layout_version.h"
#include "stream/tab_procset.h"

namespace {

using zenta::features::FeatureId;
using zenta::settings::Record;

const Record& start() {
    static const Record record = zenta::settings::make_default_record({zenta::settings::kPaperA4, "Arial"});
    return record;
}

void RecordCopy(benchmark::State& state) {
    Record copy;
    for (auto _ : state) {
        copy = start();
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RecordCopy);

// Each iteration is one change; the values alternate so that every change propagates.
void EngineChange(benchmark::State& state, FeatureId id, std::uint32_t a, std::uint32_t b) {
    Record record = start();
    zenta::constraints::Configuration config{};
    config[11] = 6;
    bool flip = false;
    for (auto _ : state) {
        auto change = zenta::constraints::change_feature(record, id, flip ? a : b, &config);
        benchmark::DoNotOptimize(change);
        flip = !flip;
    }
}
BENCHMARK_CAPTURE(EngineChange, Layout, FeatureId::Layout, 2, 0);
BENCHMARK_CAPTURE(EngineChange, ColorMode, FeatureId::ColorMode, 2, 1);
BENCHMARK_CAPTURE(EngineChange, MediaTypeAuto, FeatureId::MediaTypeAuto, 4, 1);

// The values made once per process, asked for again: the layout version, the default record of
// the built-in printer and the tab procedure set's text must cost nothing after their first use.
void FirstUseValues(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(zenta::settings::layout_version());
        benchmark::DoNotOptimize(&zenta::environment::default_record());
        benchmark::DoNotOptimize(zenta::stream::tab_procset_delivery().data());
    }
}
BENCHMARK(FirstUseValues);

const zenta::bench::Ratio kFirstUse("FirstUseValues", "RecordCopy", 0.05);
const zenta::bench::Ratio kLayout("EngineChange/Layout", "RecordCopy", 10);
const zenta::bench::Ratio kColorMode("EngineChange/ColorMode", "RecordCopy", 10);
const zenta::bench::Ratio kMediaTypeAuto("EngineChange/MediaTypeAuto", "RecordCopy", 10);

}  // namespace
