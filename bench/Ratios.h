#pragma once

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

// One figure printed after the runs: a run's time (or one of its counters) over another's, or with
// no run under it, the counter itself.
struct Ratio {
    std::string label;
    std::string over;         // the run's name, e.g. "BM_Load/3000"
    std::string under;        // the run it is divided by; empty: over's counter alone
    std::string counter = {}; // empty: the times
    // Runs whose times are taken from over's and under's first (what is left is divided).
    std::string overMinus = {};
    std::string underMinus = {};
};

// Repeats a run and reports its fastest repetition ("min"), which a busy machine disturbs least:
// BENCHMARK(BM_Name)->Apply(fastestOf<7>).
template <int repetitions> void fastestOf(benchmark::internal::Benchmark* run) {
    run->Repetitions(repetitions)
        ->ComputeStatistics(
            "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}

// The console report, then each ratio: of real times, and of CPU times, which a busy machine
// disturbs less. A repeated run stands by its fastest repetition (see fastestOf), else its median.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::vector<Ratio> ratios) : m_ratios(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            const bool fastest = aggregate && run.aggregate_name == "min";
            const bool median = aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median && !fastest) continue;
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            if (fastest) m_fastest.insert(name);
            if (median && m_fastest.count(name)) continue;
            m_values[name]["real"] = run.GetAdjustedRealTime();
            m_values[name]["cpu"] = run.GetAdjustedCPUTime();
            for (const auto& [key, counter] : run.counters) m_values[name][key] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nRatios:\n");
        for (const Ratio& ratio : m_ratios) {
            if (!ratio.counter.empty() && ratio.under.empty()) {
                const double over = value(ratio.over, ratio.counter);
                if (over >= 0) std::printf("  %-56s %.2f\n", ratio.label.c_str(), over);
                continue;
            }
            if (!ratio.counter.empty()) {
                const double over = value(ratio.over, ratio.counter);
                const double under = value(ratio.under, ratio.counter);
                if (over >= 0 && under > 0) std::printf("  %-56s %.2f\n", ratio.label.c_str(), over / under);
                continue;
            }
            if (value(ratio.over, "real") < 0 || value(ratio.under, "real") <= 0) continue;
            const auto part = [&](const std::string& run, const std::string& minus, const char* kind) {
                return value(run, kind) - (minus.empty() ? 0.0 : value(minus, kind));
            };
            const double real =
                part(ratio.over, ratio.overMinus, "real") / part(ratio.under, ratio.underMinus, "real");
            const double cpu =
                part(ratio.over, ratio.overMinus, "cpu") / part(ratio.under, ratio.underMinus, "cpu");
            std::printf("  %-56s %.2f real, %.2f CPU\n", ratio.label.c_str(), real, cpu);
        }
    }

private:
    double value(const std::string& run, const std::string& counter) const {
        const auto it = m_values.find(run);
        if (it == m_values.end()) return -1;
        const auto found = it->second.find(counter);
        return found == it->second.end() ? -1 : found->second;
    }

    std::vector<Ratio> m_ratios;
    std::set<std::string> m_fastest;
    std::map<std::string, std::map<std::string, double>> m_values;
};

// Runs the registered benchmarks with the ratios printed after them.
inline void runWithRatios(std::vector<Ratio> ratios) {
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
}
