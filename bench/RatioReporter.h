// Benchmarks of the suite report a ratio: each measured case beside a
// baseline run in the same process. Name the baseline "<group>/baseline" and
// the cases "<group>/<anything>"; after the run every case is printed with its
// time as a multiple of its group's baseline. With repetitions the fastest
// run of each case counts: other work on the machine only ever adds time.
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
            const double time = run.GetAdjustedRealTime();
            bool seen = false;
            for (auto& [known, best] : results_) {
                if (known == name) {
                    best = std::min(best, time);
                    seen = true;
                }
            }
            if (!seen)
                results_.push_back({name, time});
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::map<std::string, double> baselines;
        for (const auto& [name, time] : results_) {
            const auto slash = name.find('/');
            if (slash != std::string::npos && name.compare(slash + 1, 8, "baseline") == 0)
                baselines[name.substr(0, slash)] = time;
        }
        std::printf("\nratios against the baseline of the same run (fastest repetition of each):\n");
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
    std::vector<std::pair<std::string, double>> results_;
};

inline int runWithRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace qmbench
