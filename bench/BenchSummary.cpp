#include "BenchSummary.h"

#include <cstdio>
#include <vector>

namespace bench {
namespace {

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(Results& out)
        : results_(out) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) {
                continue;
            }
            // With repetitions, keep the median aggregate; otherwise the single run.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") {
                continue;
            }
            Result r;
            r.secondsPerIteration =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            r.cpuSecondsPerIteration =
                run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [key, counter] : run.counters) {
                r.counters[key] = counter.value;
            }
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) {
                r.bytesPerSecond = it->second.value;
            }
            std::string name = run.benchmark_name();
            const std::string suffix = "_median";
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                name.resize(name.size() - suffix.size());
            }
            results_[name] = r;
        }
    }

private:
    Results& results_;
};

} // namespace

int RunAndSummarise(int argc, char** argv, const std::function<void(const Results&)>& summarise) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Results results;
    CollectingReporter reporter(results);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The console reporter may leave a colour reset at the start of the next line.
    std::printf("\n");
    std::fflush(stdout);
    summarise(results);
    std::fflush(stdout);
    return 0;
}

const Result* Find(const Results& results, const std::string& name) {
    auto it = results.find(name);
    if (it == results.end()) {
        std::printf("NOTE benchmark %s did not run\n", name.c_str());
        return nullptr;
    }
    return &it->second;
}

void PrintRatio(const std::string& name, double value) {
    std::printf("RATIO %s %.3f\n", name.c_str(), value);
}

void PrintFigure(const std::string& name, double value, const std::string& unit) {
    std::printf("FIGURE %s %.2f %s\n", name.c_str(), value, unit.c_str());
}

double MegabytesPerSecond(const Result& r) {
    return r.bytesPerSecond / 1e6;
}

} // namespace bench
