// Runs every benchmark, then prints each declared ratio and whether it meets its target. The
// exit status is 1 when a target is missed.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ratio.h"

namespace zenta::bench {
namespace {

struct Target {
    std::string name;
    std::string baseline;
    double limit;
};

std::vector<Target>& targets() {
    static std::vector<Target> all;
    return all;
}

// Keeps the time per iteration of every run while the console shows it as usual.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.iterations > 0) times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

Ratio::Ratio(std::string name, std::string baseline, double limit) {
    targets().push_back({std::move(name), std::move(baseline), limit});
}

}  // namespace zenta::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    zenta::bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    int status = 0;
    for (const auto& target : zenta::bench::targets()) {
        const auto name = reporter.times.find(target.name);
        const auto baseline = reporter.times.find(target.baseline);
        if (name == reporter.times.end() || baseline == reporter.times.end() || baseline->second <= 0)
            continue;
        const double ratio = name->second / baseline->second;
        const bool met = ratio <= target.limit;
        std::printf("%s / %s = %.1fx (target <= %.0fx): %s\n", target.name.c_str(), target.baseline.c_str(),
                    ratio, target.limit, met ? "met" : "MISSED");
        if (!met) status = 1;
    }
    return status;
}
