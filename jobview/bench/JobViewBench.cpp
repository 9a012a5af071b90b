// The viewer's whole rendering pass on the sample job (the shipped picture
// made into a spiral job as the build makes it) against the bare renderer
// calls for the same tracks in the same run. The pass adds what users see:
// track copies, the progress dialog updated per track, event dispatching
// after every track, the circles and the picture handed to the view.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "CJobViewView.h"
#include "RatioReporter.h"
#include "RenderPass.h"
#include "jobfile/JobWriter.h"
#include "jobgen/JobGenerator.h"
#include "jobgen/PictureReader.h"
#include "jobview/CJobViewDoc.h"
#include "jobview/JobStatistics.h"
#include "trackrender/TrackRender.h"

namespace {

class QuietPrompter : public JobViewPrompter {
public:
    void showMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void showStatistics(const JobStatistics&) override {}
};

struct Sample {
    QuietPrompter prompter;
    CJobViewDoc document{prompter};
    std::vector<JobFile::Track> tracks;
    JobFile::LabelingParameters labeling{};
    JobFile::DriveCapabilities drive{};
};

Sample& sample() {
    static Sample* s = [] {
        auto* out = new Sample;
        jobgen::GreyPicture picture;
        std::string error;
        if (!jobgen::readPicture(QM_SAMPLE_PICTURE, picture, &error)) {
            std::fprintf(stderr, "cannot read the sample picture: %s\n", error.c_str());
            std::exit(1);
        }
        jobgen::LabelOptions options;
        options.spiral = true;
        options.startAngleStep = 37;
        const auto path = std::filesystem::temp_directory_path() / "jobview_bench_sample.tolm";
        if (!JobFile::JobWriter::save(jobgen::makeJob(picture, options), path, &error) ||
            !out->document.OnOpenDocument(path.string())) {
            std::fprintf(stderr, "cannot make the sample job: %s\n", error.c_str());
            std::exit(1);
        }
        JobFile::CJobFile& job = *out->document.job();
        out->labeling = job.GetLabelingParameters();
        out->drive = job.GetDriveCapabilities();
        for (unsigned long i = 0; i < job.GetNumberOfTracks(); ++i)
            out->tracks.push_back(job.GetTrack(int(i)));
        return out;
    }();
    return *s;
}

void BM_Baseline(benchmark::State& state) {
    Sample& s = sample();
    const bool spiral = s.labeling.spiral != 0;
    double first = s.drive.firstTrackRadius;
    if (spiral)
        first += s.labeling.trackPitch / 2000.0;
    const double resolution = 25400000.0 / s.labeling.markSpacing;
    for (auto _ : state) {
        CTrackRender render;
        render.Init(801, false, s.drive.outerRadius, first, s.labeling.trackPitch / 1000.0,
                    s.drive.angleUnitsPerTurn, s.labeling.clockwise != 0);
        for (JobFile::Track& t : s.tracks) {
            structures::MORVATINE_TRACK_HEADER_V1 header;
            std::memset(&header, 0, sizeof header);
            header.trackNumber = t.trackNumber;
            header.startAngle = t.startAngle;
            header.radialOffset = t.radialOffset;
            if (t.markCount != 0)
                render.RenderTrackAtRes(spiral, header, t.marks, resolution);
            if (t.lastTrack)
                break;
        }
        std::unique_ptr<Gdiplus::Image> image(render.GetBitmap());
        benchmark::DoNotOptimize(image.get());
    }
    state.counters["tracks"] = double(s.tracks.size());
}

void BM_CorePass(benchmark::State& state) {
    Sample& s = sample();
    jobview::RenderPass pass;
    jobview::SilentObserver observer;
    for (auto _ : state) {
        auto result = pass.run(&s.document, observer);
        benchmark::DoNotOptimize(result.picture.get());
    }
}

void BM_ViewPass(benchmark::State& state) {
    Sample& s = sample();
    CJobViewView view;
    view.setDocument(&s.document);
    view.resize(900, 900);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        if (view.OnUpdate() != jobview::RenderPass::Outcome::Rendered)
            state.SkipWithError("the view did not render");
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_Baseline)
    ->Name("sample_job/baseline")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9);
BENCHMARK(BM_CorePass)
    ->Name("sample_job/pass_core")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9);
BENCHMARK(BM_ViewPass)
    ->Name("sample_job/view_pass")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(9);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return qmbench::runWithRatios(argc, argv);
}
