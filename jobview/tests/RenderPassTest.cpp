#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

#include "PictureFile.h"
#include "RenderPass.h"
#include "TestJobs.h"
#include "jobgen/JobGenerator.h"
#include "jobgen/PictureReader.h"
#include "jobview/CJobViewDoc.h"
#include "jobview/FloydImage.h"

using namespace jobview;
using namespace testjobs;

namespace {

class GdiplusSession : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

private:
    ULONG_PTR token = 0;
};
const auto* const gdiplusSession = ::testing::AddGlobalTestEnvironment(new GdiplusSession);

class RecordingObserver : public PassObserver {
public:
    void passStarted() override { ++started; }
    void setRange(int maximum) override { ranges.push_back(maximum); }
    void setPosition(int position) override { positions.push_back(position); }
    bool dispatchEvents() override {
        ++dispatches;
        if (onDispatch)
            onDispatch();
        return dispatches != stopAfter;
    }
    void passFinished() override { ++finished; }

    int started = 0, finished = 0, dispatches = 0, stopAfter = -1;
    std::vector<int> ranges, positions;
    std::function<void()> onDispatch;
};

class JobPass : public ::testing::Test {
protected:
    RenderPass::Result render(const JobFile::Job& j, RecordingObserver& observer) {
        file = std::make_unique<JobFile::CJobFile>(path(j).data());
        EXPECT_TRUE(file->Parse());
        return pass.run(file.get(), nullptr, observer);
    }
    std::string path(const JobFile::Job& j) {
        static int n = 0;
        return save(j, "pass" + std::to_string(++n) + ".tolm");
    }
    RenderPass pass;
    std::unique_ptr<JobFile::CJobFile> file;
};

TEST_F(JobPass, StopsAfterTheTrackFlaggedLast) {
    // Five tracks 2 mm apart; the third says it is the last one.
    RecordingObserver observer;
    auto result =
        render(job({track(0), track(40), track(80, 14400, true, true), track(120), track(160)}), observer);
    ASSERT_EQ(result.outcome, RenderPass::Outcome::Rendered);
    const RenderedPicture& p = *result.picture;
    EXPECT_EQ(p.tracksRendered, 3);
    EXPECT_EQ(observer.ranges, std::vector<int>{5});
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(observer.dispatches, 3);
    for (unsigned t : {0u, 40u, 80u})
        EXPECT_GT(hitsNear(p.hits, trackRadius(t)), 1000u) << "track " << t;
    for (unsigned t : {120u, 160u})
        EXPECT_EQ(hitsNear(p.hits, trackRadius(t)), 0u) << "track " << t;
}

TEST_F(JobPass, EmptyTrackIsSkippedButAdvancesProgress) {
    RecordingObserver withEmpty;
    auto a = render(job({track(0), track(20, 0), track(40)}), withEmpty);
    RecordingObserver without;
    auto b = render(job({track(0), track(40)}), without);
    ASSERT_TRUE(a.picture && b.picture);
    EXPECT_EQ(a.picture->tracksRendered, 2);
    EXPECT_EQ(withEmpty.positions, (std::vector<int>{0, 0, 1, 2}));
    // The empty track draws no random number either: both pictures are the same.
    EXPECT_EQ(a.picture->hits.counts, b.picture->hits.counts);
}

TEST_F(JobPass, SecondPassWhileRunningIsRefused) {
    RecordingObserver inner;
    RecordingObserver outer;
    std::vector<RenderPass::Outcome> nested;
    outer.onDispatch = [&] {
        EXPECT_TRUE(pass.busy());
        nested.push_back(pass.run(file.get(), nullptr, inner).outcome);
    };
    auto result = render(job({track(0), track(40)}), outer);
    EXPECT_EQ(result.outcome, RenderPass::Outcome::Rendered);
    EXPECT_EQ(nested,
              (std::vector<RenderPass::Outcome>{RenderPass::Outcome::Busy, RenderPass::Outcome::Busy}));
    EXPECT_EQ(inner.started, 0);
    EXPECT_FALSE(pass.busy());
    RecordingObserver again;
    EXPECT_EQ(pass.run(file.get(), nullptr, again).outcome, RenderPass::Outcome::Rendered);
}

TEST_F(JobPass, StoppedPassGivesNoPictureAndClearsBusy) {
    RecordingObserver observer;
    observer.stopAfter = 2;
    auto result = render(job({track(0), track(40), track(80)}), observer);
    EXPECT_EQ(result.outcome, RenderPass::Outcome::Stopped);
    EXPECT_EQ(result.picture, nullptr);
    EXPECT_EQ(observer.dispatches, 2);
    EXPECT_EQ(observer.finished, 1);
    EXPECT_FALSE(pass.busy());
}

TEST_F(JobPass, NothingToRenderWithoutJobOrPicture) {
    RecordingObserver observer;
    EXPECT_EQ(pass.run(nullptr, nullptr, observer).outcome, RenderPass::Outcome::NothingToRender);
    EXPECT_EQ(pass.run(static_cast<const CJobViewDoc*>(nullptr), observer).outcome,
              RenderPass::Outcome::NothingToRender);
    EXPECT_EQ(observer.started, 0);
}

struct CircleCase {
    bool spiral;
    std::uint32_t pitchNm;
    int firstSled; // pixels
    int lastSled;
};

class JobCircles : public JobPass, public ::testing::WithParamInterface<CircleCase> {};

TEST_P(JobCircles, LabelAreaAndSledCircles) {
    const CircleCase c = GetParam();
    RecordingObserver observer;
    // One circular track at track number 10: with a spiral, track 0 starts
    // half a pitch farther out.
    auto result = render(job({track(10, 14400, true, true)}, false, c.spiral, c.pitchNm), observer);
    ASSERT_TRUE(result.picture);
    const int inner = int(kInner * kPixelsPerMicron) - 2; // 159 - 2
    const int outer = int(kOuter * kPixelsPerMicron) - 1; // 400 - 1
    const std::vector<Circle> expected = {{inner, kLabelAreaColour},
                                          {outer, kLabelAreaColour},
                                          {c.firstSled, kSledColour},
                                          {c.lastSled, kSledColour}};
    EXPECT_EQ(result.picture->circles, expected);

    // The circles are in the picture: red on the label edges, blue on the sled.
    const QImage image = toQImage(result.picture->image.get());
    ASSERT_EQ(image.size(), QSize(kCanvasWidth, kCanvasHeight));
    const QColor onInner = image.pixelColor(400, 400 - inner);
    EXPECT_GT(onInner.red(), onInner.blue() + 60);
    const QColor onOuter = image.pixelColor(400 + outer, 400);
    EXPECT_GT(onOuter.red(), onOuter.green() + 60);
    EXPECT_EQ(image.pixelColor(400, 400), QColor(Qt::white));
}

INSTANTIATE_TEST_SUITE_P(Geometry, JobCircles,
                         ::testing::Values(
                             // 23000 + 10 x 500 = 28000 um -> 194.4 px, and a circle ends where it began
                             CircleCase{false, 500000, 194, 194},
                             // plus half a pitch: 28250 um -> 196.2 px; 14400 marks of 25.4 um
                             // wind the spiral out by 1030.3 um -> 29280.3 um -> 203.3 px
                             CircleCase{true, 500000, 196, 203}));

// How strongly a pixel shows a pure pen colour: its pen channels above its
// others. White, black and the other pen's colour give 0 or less.
int penStrength(QRgb pixel, std::uint32_t pen) {
    const int channels[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
    const int penChannels[3] = {int((pen >> 16) & 0xFF), int((pen >> 8) & 0xFF), int(pen & 0xFF)};
    int on = 255, off = 0;
    for (int i = 0; i < 3; ++i) {
        if (penChannels[i] >= 128)
            on = std::min(on, channels[i]);
        else
            off = std::max(off, channels[i]);
    }
    return on - off;
}

TEST_F(JobPass, SampleJobLabelCirclesSitOnTheRenderersCentrePixel) {
    // The sample job as the build makes it from the sample picture.
    const char* root = std::getenv("QM_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    jobgen::GreyPicture grey;
    std::string error;
    ASSERT_TRUE(jobgen::readPicture(std::string(root) + "/samples/quillmark-label.png", grey, &error))
        << error;
    jobgen::LabelOptions options;
    options.spiral = true;
    options.startAngleStep = 37;
    RecordingObserver observer;
    auto result = render(jobgen::makeJob(grey, options), observer);
    ASSERT_TRUE(result.picture);
    const QImage image = toQImage(result.picture->image.get());

    // The renderer puts the disc's centre at 400.5, in the middle of pixel 400.
    const int centre = kCanvasWidth / 2;
    int labelCircles = 0;
    for (const Circle& circle : result.picture->circles) {
        if (circle.argb != kLabelAreaColour)
            continue;
        ++labelCircles;
        const int r = circle.radius;
        struct Axis {
            const char* name;
            int dx, dy;
        } axes[] = {{"right", 1, 0}, {"left", -1, 0}, {"down", 0, 1}, {"up", 0, -1}};
        int found[4] = {};
        for (int a = 0; a < 4; ++a) {
            // The strongest pixel of the circle's colour near its radius, and
            // how far it lies from the centre pixel.
            int best = -1, bestStrength = -256;
            for (int d = r - 3; d <= r + 3; ++d) {
                const int x = centre + axes[a].dx * d, y = centre + axes[a].dy * d;
                if (x < 0 || y < 0 || x >= kCanvasWidth || y >= kCanvasHeight)
                    continue;
                const int strength = penStrength(image.pixel(x, y), circle.argb);
                if (strength > bestStrength) {
                    best = d;
                    bestStrength = strength;
                }
            }
            found[a] = best;
            // The rectangle's edge on this axis runs through the middle of the
            // pixel r away from the centre: one ring there, not two half ones.
            EXPECT_EQ(best, r) << "radius " << r << ", " << axes[a].name;
            EXPECT_GE(bestStrength, 160) << "radius " << r << ", " << axes[a].name;
        }
        EXPECT_LE(std::abs(found[0] - found[1]), 1) << "radius " << r << " left and right";
        EXPECT_LE(std::abs(found[2] - found[3]), 1) << "radius " << r << " up and down";
    }
    EXPECT_EQ(labelCircles, 2);
}

TEST_F(JobPass, ClockwiseByteTurnsTheTrackOnScreen) {
    // One mark a quarter turn from the start: counter-clockwise on screen it
    // lies above the centre, clockwise below.
    for (bool clockwise : {false, true}) {
        RecordingObserver observer;
        auto result = render(job({track(0, 1, true, true, 100)}, clockwise), observer);
        ASSERT_TRUE(result.picture);
        const HitMap& h = result.picture->hits;
        std::uint64_t above = 0, below = 0;
        for (int y = 0; y < h.size; ++y)
            for (int x = 0; x < h.size; ++x)
                (y < 400 ? above : below) += h.at(x, y);
        EXPECT_EQ(above, clockwise ? 0u : 1u) << clockwise;
        EXPECT_EQ(below, clockwise ? 1u : 0u) << clockwise;
    }
}

TEST_F(JobPass, MarkSpacingSetsTheResolution) {
    // Two marks one spacing apart: 2540 nm at 25 mm is 0.1016 mrad, which at
    // the disc's scale stays within one pixel; 2.54 mm spacing moves the
    // second mark to another pixel.
    for (std::uint32_t spacing : {2540u, 2540000u}) {
        JobFile::Job j = job({track(0, 2, true, true)});
        j.labeling.markSpacing = spacing;
        RecordingObserver observer;
        auto result = render(j, observer);
        ASSERT_TRUE(result.picture);
        EXPECT_EQ(result.picture->hits.maxCount, spacing == 2540u ? 2u : 1u) << spacing;
    }
}

TEST_F(JobPass, HitMapMatchesThePicture) {
    RecordingObserver observer;
    auto result = render(job({track(0), track(30)}), observer);
    ASSERT_TRUE(result.picture);
    const HitMap& h = result.picture->hits;
    EXPECT_EQ(h.size, kCanvasWidth);
    EXPECT_DOUBLE_EQ(h.pixelsPerMicron, kPixelsPerMicron);
    const QImage image = toQImage(result.picture->image.get());
    int checked = 0;
    for (int y = 0; y < h.size; ++y)
        for (int x = 0; x < h.size; ++x) {
            if (h.at(x, y) == h.maxCount) {
                // Black, or black under the blue sled circles that run along the tracks.
                EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF00u, 0xFF000000u) << x << "," << y;
                ++checked;
            }
        }
    EXPECT_GT(checked, 0);
}

class FloydPass : public ::testing::Test {
protected:
    FloydPicture picture(std::size_t rows) {
        FloydPicture p;
        p.tracksPerInch = 500; // 50.8 um a row
        p.dotsPerInch = 1000;
        p.rows.assign(rows, std::vector<std::uint16_t>(14400, 0));
        return p;
    }
    RenderPass::Result render(const FloydPicture& p, RecordingObserver& observer) {
        static int n = 0;
        image.Load(save(p, "pass" + std::to_string(++n) + ".fld"));
        return pass.run(nullptr, &image, observer);
    }
    RenderPass pass;
    FloydImage image;
};

TEST_F(FloydPass, RowNumberIsTrackNumber) {
    FloydPicture p = picture(60);
    p.rows[0].assign(14400, 1);
    p.rows[50].assign(14400, 1);
    p.rows[20].clear(); // a row of width 0 is left out, progress and all
    RecordingObserver observer;
    auto result = render(p, observer);
    ASSERT_EQ(result.outcome, RenderPass::Outcome::Rendered);
    const HitMap& h = result.picture->hits;
    EXPECT_GT(hitsNear(h, kFloydFirstTrackRadius), 1000u);
    EXPECT_GT(hitsNear(h, kFloydFirstTrackRadius + 50 * 50.8), 1000u);
    EXPECT_EQ(hitsNear(h, kFloydFirstTrackRadius + 25 * 50.8), 0u);
    EXPECT_TRUE(result.picture->circles.empty());
    EXPECT_EQ(result.picture->tracksRendered, 59);
    EXPECT_EQ(observer.ranges, std::vector<int>{60});
    EXPECT_EQ(observer.positions.size(), 60u); // the initial 0, then 59 rows
    EXPECT_EQ(std::count(observer.positions.begin(), observer.positions.end(), 20), 0);
}

TEST_F(FloydPass, FlagBitOneTurnsRowsCounterClockwise) {
    for (std::uint8_t flags : {std::uint8_t(0), std::uint8_t(2)}) {
        FloydPicture p = picture(1);
        p.flags = flags;
        p.rows[0].assign(1000, 0);
        p.rows[0][999] = 1; // 999 x 25.4 um along the first-track circle: 1.1 rad
        RecordingObserver observer;
        auto result = render(p, observer);
        ASSERT_TRUE(result.picture);
        const HitMap& h = result.picture->hits;
        std::uint64_t above = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < h.size; ++x)
                above += h.at(x, y);
        EXPECT_EQ(above, flags ? 1u : 0u) << int(flags);
    }
}

// The window's pass on every core against the same pass fed to the renderer
// one track at a time: the sample job both ways round, spiral and circular, its
// floyd picture, and jobs that stop early or skip tracks.
class ParallelPass : public ::testing::TestWithParam<unsigned> {
protected:
    static jobgen::GreyPicture samplePicture() {
        const char* root = std::getenv("QM_SOURCE_DIR");
        jobgen::GreyPicture grey;
        std::string error;
        EXPECT_NE(root, nullptr);
        if (root) {
            EXPECT_TRUE(jobgen::readPicture(std::string(root) + "/samples/quillmark-label.png", grey, &error))
                << error;
        }
        return grey;
    }

    struct Input {
        std::string name;
        std::string path;
        bool floyd = false;
    };

    static const std::vector<Input>& inputs() {
        static const std::vector<Input> all = [] {
            std::vector<Input> out;
            const jobgen::GreyPicture grey = samplePicture();
            jobgen::LabelOptions spiral;
            spiral.spiral = true;
            spiral.startAngleStep = 37;
            out.push_back({"sample spiral job", save(jobgen::makeJob(grey, spiral), "par-spiral.tolm")});
            jobgen::LabelOptions circles;
            circles.clockwise = false;
            circles.tracksPerInch = 300;
            out.push_back({"sample circular job", save(jobgen::makeJob(grey, circles), "par-circles.tolm")});
            const jobgen::FloydRows rows = jobgen::makeFloydRows(grey, jobgen::LabelOptions{});
            FloydPicture floydPicture;
            floydPicture.tracksPerInch = rows.tracksPerInch;
            floydPicture.dotsPerInch = rows.dotsPerInch;
            floydPicture.flags = rows.counterClockwise ? 2 : 0;
            for (const auto& row : rows.rows)
                floydPicture.rows.emplace_back(row.begin(), row.end());
            out.push_back({"sample floyd picture", save(floydPicture, "par-sample.fld"), true});
            out.push_back({"skipped and last tracks",
                           save(job({track(0), track(3000), track(40, 0), track(80, 14400, true, true), track(120)},
                                    true, true),
                                "par-edges.tolm")});
            return out;
        }();
        return all;
    }

    static std::unique_ptr<RenderedPicture> render(const Input& in, RenderPass::Threading threading) {
        RenderPass pass;
        pass.setThreading(threading);
        SilentObserver observer;
        if (in.floyd) {
            FloydImage image;
            image.Load(in.path);
            return pass.run(nullptr, &image, observer).picture;
        }
        JobFile::CJobFile file(const_cast<char*>(in.path.c_str()));
        EXPECT_TRUE(file.Parse());
        return pass.run(&file, nullptr, observer).picture;
    }
};

TEST_P(ParallelPass, GivesThePictureOfTheOneByOnePass) {
    for (const Input& in : inputs()) {
        SCOPED_TRACE(in.name);
        const auto reference = render(in, {0, true});
        const auto parallel = render(in, {GetParam(), false});
        ASSERT_TRUE(reference && parallel);
        ASSERT_GT(reference->hits.maxCount, 0u);
        EXPECT_EQ(parallel->hits.counts, reference->hits.counts);
        EXPECT_EQ(parallel->hits.maxCount, reference->hits.maxCount);
        EXPECT_EQ(parallel->circles, reference->circles);
        EXPECT_EQ(parallel->tracksRendered, reference->tracksRendered);
        EXPECT_EQ(toQImage(parallel->image.get()), toQImage(reference->image.get()));
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, ParallelPass, ::testing::Values(1u, 2u, 3u, 7u),
                         [](const auto& info) { return "w" + std::to_string(info.param); });

} // namespace
