#pragma once
// Runs the registered benchmarks with repetitions and prints, after Google Benchmark's own table,
// each measured benchmark's median against its floor's median as a ratio.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Pair {
    std::string measured;
    std::string floor;
    double target;  // the ratio we aim to stay under; 0 when the ratio is only for information
};

class MedianCollector : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal: the tables also go into files and notes.
    MedianCollector() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    std::map<std::string, double> medians;   // nanoseconds per iteration
    std::map<std::string, double> minimums;  // the same, for benchmarks that also compute a "min"

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime() * multiplier(run.time_unit);
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                minimums[run.run_name.function_name] = run.GetAdjustedRealTime() * multiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    static double multiplier(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond: return 1e9;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kMicrosecond: return 1e3;
        case benchmark::kNanosecond: return 1.0;
        }
        return 1.0;
    }
};

inline std::string human(double ns)
{
    char buf[32];
    if (ns >= 1e6)
        std::snprintf(buf, sizeof buf, "%.2f ms", ns / 1e6);
    else if (ns >= 1e3)
        std::snprintf(buf, sizeof buf, "%.2f us", ns / 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.0f ns", ns);
    return buf;
}

/// Runs the benchmarks, then prints one "RATIO" line per pair: both medians, their ratio and the target.
inline int runWithRatios(int argc, char** argv, const std::vector<Pair>& pairs)
{
    benchmark::Initialize(&argc, argv);
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-34s %-34s %12s %12s %7s %7s\n", "measured", "floor", "median", "floor med.", "ratio", "target");
    for (const Pair& p : pairs) {
        const auto m = reporter.medians.find(p.measured);
        const auto f = reporter.medians.find(p.floor);
        if (m == reporter.medians.end() || f == reporter.medians.end())
            continue;
        const double r = m->second / f->second;
        std::printf("RATIO %-28s %-34s %12s %12s %7.2f ", p.measured.c_str(), p.floor.c_str(),
                    human(m->second).c_str(), human(f->second).c_str(), r);
        if (p.target > 0)
            std::printf("%7.2f %s\n", p.target, r <= p.target ? "met" : "MISSED");
        else
            std::printf("%7s\n", "-");
    }
    // The fastest runs beside the medians: on a busy machine they show the cost with the least waiting.
    for (const Pair& p : pairs) {
        const auto m = reporter.minimums.find(p.measured);
        const auto f = reporter.minimums.find(p.floor);
        if (m == reporter.minimums.end() || f == reporter.minimums.end())
            continue;
        std::printf("RATIO %-28s %-34s %12s %12s %7.2f %7s\n", (p.measured + " min").c_str(),
                    (p.floor + " min").c_str(), human(m->second).c_str(), human(f->second).c_str(),
                    m->second / f->second, "-");
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
