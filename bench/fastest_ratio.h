// Running a benchmark program's measurements interleaved and repeated, then
// printing the ratio of two of them, each by its fastest repetition: the one
// least disturbed by other work on the machine.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

enum class BenchClock { processCpu, wall };

// The console report, remembering each benchmark's fastest time per
// iteration on the chosen clock.
class FastestRatioReporter : public benchmark::ConsoleReporter {
public:
    explicit FastestRatioReporter(BenchClock chosen) : clock(chosen) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const double time = clock == BenchClock::wall ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            double& fastest = fastestTime[run.run_name.function_name];
            if (fastest == 0.0 || time < fastest) fastest = time;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    BenchClock clock;
    std::map<std::string, double> fastestTime;
};

struct RatioToPrint {
    const char* numerator;
    const char* denominator;
    const char* label;
};

// Runs the registered benchmarks in random interleaving and prints
// "label (fastest repetitions): ratio" of numerator over denominator for
// each ratio asked.
inline void runAndPrintFastestRatios(int argc, char** argv, BenchClock clock, const std::vector<RatioToPrint>& ratios)
{
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    FastestRatioReporter reporter(clock);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& times = reporter.fastestTime;
    for (const RatioToPrint& ratio : ratios)
        if (times.count(ratio.numerator) != 0 && times.count(ratio.denominator) != 0)
            std::printf("%s (fastest repetitions): %.2f\n", ratio.label,
                        times.at(ratio.numerator) / times.at(ratio.denominator));
    benchmark::Shutdown();
}

inline void runAndPrintFastestRatio(int argc, char** argv, BenchClock clock, const char* numerator,
                                    const char* denominator, const char* label)
{
    runAndPrintFastestRatios(argc, argv, clock, {{numerator, denominator, label}});
}
