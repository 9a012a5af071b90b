// Benchmarks of the suite report a ratio: each measured case beside a
// baseline run in the same process. Name the baseline "<group>/baseline" and
// the cases "<group>/<anything>"; after the run every case is printed with its
// time as a multiple of its group's baseline. Repetitions of all cases run
// interleaved in random order and the median of each case counts, so a slow
// or lucky moment of the machine moves neither side alone.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace qmbench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            times_[name].push_back(run.GetAdjustedRealTime());
            if (std::find(order_.begin(), order_.end(), name) == order_.end())
                order_.push_back(name);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::vector<std::pair<std::string, double>> results_;
        for (const std::string& name : order_) {
            std::vector<double> t = times_[name];
            std::sort(t.begin(), t.end());
            const std::size_t n = t.size();
            results_.push_back({name, n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2});
        }
        std::map<std::string, double> baselines;
        for (const auto& [name, time] : results_) {
            const auto slash = name.find('/');
            if (slash != std::string::npos && name.compare(slash + 1, 8, "baseline") == 0)
                baselines[name.substr(0, slash)] = time;
        }
        std::printf("\nratios against the baseline of the same run (median of interleaved repetitions):\n");
        for (const auto& [name, time] : results_) {
            const auto slash = name.find('/');
            if (slash == std::string::npos)
                continue;
            const auto base = baselines.find(name.substr(0, slash));
            if (base == baselines.end() || name.compare(slash + 1, 8, "baseline") == 0)
                continue;
            std::printf("  %-50s %.3fx\n", name.c_str(), time / base->second);
        }
    }

private:
    std::map<std::string, std::vector<double>> times_;
    std::vector<std::string> order_;
};

inline int runWithRatios(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + (argc > 0 ? 1 : 0), interleave);
    argc = int(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace qmbench
