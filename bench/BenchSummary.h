#pragma once
// Summary lines for `make bench`: each benchmark program runs its cases, then prints
//   RATIO <name> <ours/reference>      (both measured in the same run)
//   FIGURE <name> <value> <unit>
// so that a reviewer can compare figures across noisy machines by their ratios.
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>

namespace bench {

struct Result {
    double secondsPerIteration = 0;    // real time
    double cpuSecondsPerIteration = 0; // the measuring thread's processor time
    double bytesPerSecond = 0;         // 0 when the case sets no byte count
    std::map<std::string, double> counters;
};

using Results = std::map<std::string, Result>; // keyed by the benchmark's full name

// Runs the registered benchmarks (honouring the usual --benchmark_* flags), then calls `summarise`
// with what was measured. Returns the process exit code.
int RunAndSummarise(int argc, char** argv, const std::function<void(const Results&)>& summarise);

// Lookups that print a note instead of crashing when a case was filtered out.
const Result* Find(const Results& results, const std::string& name);
void PrintRatio(const std::string& name, double value);
void PrintFigure(const std::string& name, double value, const std::string& unit);
double MegabytesPerSecond(const Result& r);

} // namespace bench

#define QUORVANE_BENCH_MAIN(summarise)                                                                       \
    int main(int argc, char** argv) {                                                                        \
        return bench::RunAndSummarise(argc, argv, summarise);                                                \
    }
