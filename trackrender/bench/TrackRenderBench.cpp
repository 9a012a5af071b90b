// A full disc at the viewer's size: about 1,400 tracks of 15,000 marks, half
// of them on, rendered at 801 x 801. The baseline does only what no renderer
// can avoid: one sine, one cosine and one counter increment per mark that is on.
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "trackrender/ParallelTrackRender.h"
#include "trackrender/TrackRender.h"

namespace {

constexpr unsigned kTracks = 1400;
constexpr std::size_t kMarks = 15000;
constexpr double kResolution = 600.0;
constexpr double kFirstRadius = 22000.0;
constexpr double kPitch = 25.7;

struct Job {
    std::vector<structures::MORVATINE_TRACK_HEADER_V1> headers;
    std::vector<std::vector<unsigned char>> marks;
    std::uint64_t marksOn = 0;
};

const Job& job() {
    static const Job j = [] {
        Job out;
        std::mt19937 rng(12345);
        for (unsigned t = 0; t < kTracks; ++t) {
            structures::MORVATINE_TRACK_HEADER_V1 h;
            std::memset(&h, 0, sizeof h);
            h.trackNumber = t;
            h.startAngle = (t * 37) % 400;
            h.markCount = kMarks;
            out.headers.push_back(h);
            std::vector<unsigned char> bytes(kMarks / 8);
            for (auto& b : bytes) {
                b = static_cast<unsigned char>(rng());
                out.marksOn += std::popcount(static_cast<unsigned>(b));
            }
            out.marks.push_back(std::move(bytes));
        }
        return out;
    }();
    return j;
}

void BM_Library(benchmark::State& state) {
    Job j = job();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    for (auto _ : state) {
        CTrackRender r;
        r.Init(801, true, 60000, kFirstRadius, kPitch, 400, true);
        for (unsigned t = 0; t < kTracks; ++t)
            r.RenderTrackAtRes(true, j.headers[t], j.marks[t], kResolution);
        benchmark::DoNotOptimize(r.canvas->maxCount);
    }
    Gdiplus::GdiplusShutdown(token);
    state.counters["marks_on_per_s"] =
        benchmark::Counter(double(j.marksOn) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Baseline(benchmark::State& state) {
    const Job& j = job();
    for (auto _ : state) {
        std::uint64_t counter = 0;
        for (unsigned t = 0; t < kTracks; ++t) {
            const double R = t * kPitch + kFirstRadius;
            const double d = (25400.0 / kResolution) / R;
            double a = j.headers[t].startAngle / 400.0 * 6.283185307179586;
            const std::vector<unsigned char>& bytes = j.marks[t];
            for (std::size_t i = 0; i < kMarks; ++i) {
                if ((bytes[i >> 3] >> (i & 7)) & 1u) {
                    double s = std::sin(a), c = std::cos(a);
                    benchmark::DoNotOptimize(s);
                    benchmark::DoNotOptimize(c);
                    ++counter;
                }
                a += d;
            }
        }
        benchmark::DoNotOptimize(counter);
    }
    state.counters["marks_on_per_s"] =
        benchmark::Counter(double(j.marksOn) * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The same job on every core, against the one-by-one render of the same run
// (group "parallel"): the ratio is the parallel time over the single-threaded one.
void BM_OneByOne(benchmark::State& state) {
    Job j = job();
    for (auto _ : state) {
        CTrackRender r;
        r.Init(801, true, 60000, kFirstRadius, kPitch, 400, true);
        for (unsigned t = 0; t < kTracks; ++t)
            r.RenderTrackAtRes(true, j.headers[t], j.marks[t], kResolution);
        benchmark::DoNotOptimize(r.canvas->maxCount);
    }
}

void BM_Parallel(benchmark::State& state) {
    const Job& j = job();
    const auto workers = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        CTrackRender r;
        r.Init(801, true, 60000, kFirstRadius, kPitch, 400, true);
        {
            trackrender::ParallelTrackRender p(r, workers);
            // The marks are copied in, as a caller that keeps its job would.
            for (unsigned t = 0; t < kTracks; ++t)
                p.addTrackAtRes(true, j.headers[t], j.marks[t], kResolution);
            p.finish();
        }
        benchmark::DoNotOptimize(r.canvas->maxCount);
    }
}

} // namespace

BENCHMARK(BM_OneByOne)
    ->Name("parallel/baseline")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9)
    ->UseRealTime();

BENCHMARK(BM_Baseline)
    ->Name("full_disc/baseline")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9);
BENCHMARK(BM_Library)
    ->Name("full_disc/trackrender")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9);

int main(int argc, char** argv) {
    // One name per worker count: the ratio report groups by name.
    for (int workers : {1, 2, 3, 4})
        benchmark::RegisterBenchmark(("parallel/workers_" + std::to_string(workers)).c_str(), BM_Parallel)
            ->Arg(workers)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.3)
            ->Repetitions(9)
            ->UseRealTime();
    return qmbench::runWithRatios(argc, argv);
}
