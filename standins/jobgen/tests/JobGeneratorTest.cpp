#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "jobgen/JobGenerator.h"

using namespace jobgen;

namespace {

constexpr double kTwoPi = 6.283185307179586;

GreyPicture flat(std::uint8_t grey, int size = 64) {
    GreyPicture p;
    p.width = p.height = size;
    p.pixels.assign(static_cast<std::size_t>(size * size), grey);
    return p;
}

// Start radius of a job track as the viewer derives it from the header.
double viewerStartRadius(const JobFile::Job& job, const JobFile::Track& t) {
    const double pitch = job.labeling.trackPitch / 1000.0;
    const bool spiral = job.labeling.spiral != 0;
    const double first = job.drive.firstTrackRadius + (spiral ? job.labeling.trackPitch / 2000.0 : 0.0);
    const double r = t.trackNumber * pitch + first;
    if (!spiral)
        return r;
    const int s = t.startAngle >= 200 ? t.startAngle - 400 : t.startAngle;
    return r - pitch * ((t.radialOffset + 2 * s) / 800.0);
}

TEST(JobGenerator, RecordsCarryTheOptionsInTheirUnits) {
    LabelOptions o;
    o.tracksPerInch = 600;
    o.dotsPerInch = 1270;
    o.clockwise = false;
    o.spiral = true;
    const auto lab = labelingParameters(o);
    EXPECT_EQ(lab.trackPitch, 42333u); // 25400000 / 600 rounded
    EXPECT_EQ(lab.markSpacing, 20000u);
    EXPECT_EQ(lab.clockwise, 0);
    EXPECT_EQ(lab.spiral, 1);
    const auto drive = driveCapabilities(o);
    EXPECT_EQ(drive.innerRadius, 23000);
    EXPECT_EQ(drive.outerRadius, 57600);
    EXPECT_EQ(drive.angleUnitsPerTurn, 400);
}

TEST(JobGenerator, CircularTracksCoverTheLabelAreaOneTurnEach) {
    LabelOptions o;
    o.innerRadius = 30000;
    o.outerRadius = 40000;
    o.firstTrackRadius = 20000;
    o.tracksPerInch = 254; // 100 um pitch
    const JobFile::Job job = makeJob(flat(0), o);
    ASSERT_EQ(job.tracks.size(), 101u); // radii 30000 .. 40000
    EXPECT_EQ(job.tracks.front().trackNumber, 100);
    EXPECT_EQ(job.tracks.back().trackNumber, 200);
    for (std::size_t i = 0; i < job.tracks.size(); ++i) {
        const auto& t = job.tracks[i];
        EXPECT_EQ(t.lastTrack, i + 1 == job.tracks.size() ? 1 : 0);
        const double r = 20000 + t.trackNumber * 100.0;
        EXPECT_NEAR(t.markCount, kTwoPi * r / 25.4, 0.5) << i;
        EXPECT_EQ(t.marks.size(), (t.markCount + 7u) / 8u);
    }
}

TEST(JobGenerator, BlackFillsTheAnnulusWhiteLeavesItEmpty) {
    LabelOptions o;
    o.tracksPerInch = 100;
    o.dotsPerInch = 200;
    for (auto [grey, allOn] : {std::pair{std::uint8_t{0}, true}, std::pair{std::uint8_t{255}, false}}) {
        const JobFile::Job job = makeJob(flat(grey), o);
        for (const auto& t : job.tracks)
            for (std::uint32_t m = 0; m < t.markCount; ++m)
                ASSERT_EQ(((t.marks[m / 8] >> (m % 8)) & 1) != 0, allOn) << "track " << t.trackNumber;
    }
}

TEST(JobGenerator, GreyBecomesTheMatchingShareOfMarks) {
    LabelOptions o;
    o.tracksPerInch = 200;
    o.dotsPerInch = 500;
    for (int grey : {32, 128, 191, 240}) {
        const JobFile::Job job = makeJob(flat(static_cast<std::uint8_t>(grey)), o);
        std::uint64_t marks = 0, on = 0;
        for (const auto& t : job.tracks) {
            marks += t.markCount;
            for (unsigned char b : t.marks)
                on += static_cast<std::uint64_t>(std::popcount(b));
        }
        const double ink = 1.0 - grey / 255.0;
        EXPECT_NEAR(static_cast<double>(on) / static_cast<double>(marks), ink, 0.01) << "grey " << grey;
    }
}

TEST(JobGenerator, SpiralTracksJoinEndToStartWhateverTheStartAngles) {
    for (unsigned step : {0u, 1u, 137u, 200u, 399u}) {
        LabelOptions o;
        o.spiral = true;
        o.startAngleStep = step;
        o.tracksPerInch = 400;
        o.dotsPerInch = 800;
        for (bool clockwise : {true, false}) {
            o.clockwise = clockwise;
            // Only the headers matter here, so skip the halftoning.
            const auto plan = planJobTracks(o);
            JobFile::Job job;
            job.labeling = labelingParameters(o);
            job.drive = driveCapabilities(o);
            for (const TrackPlan& p : plan) {
                JobFile::Track t;
                t.trackNumber = p.trackNumber;
                t.startAngle = p.startAngle;
                t.radialOffset = p.radialOffset;
                t.markCount = static_cast<std::uint16_t>(p.markCount);
                job.tracks.push_back(t);
            }
            const double pitch = job.labeling.trackPitch / 1000.0;
            for (std::size_t i = 0; i + 1 < plan.size(); ++i) {
                const auto& a = job.tracks[i];
                const auto& b = job.tracks[i + 1];
                ASSERT_LE(b.startAngle, 399);
                // The viewer's own start radii, from the headers alone.
                const double r0a = viewerStartRadius(job, a);
                const double r0b = viewerStartRadius(job, b);
                EXPECT_NEAR(r0a, plan[i].r0, 1e-9);
                // Track a ends where b begins: same radius, same angle.
                const double swept = a.markCount * (o.dotsPerInch ? 25.4 * 1000 / o.dotsPerInch : 0) /
                                     plan[i].nominalRadius / kTwoPi; // turns
                const double endRadius = r0a + swept * pitch;
                EXPECT_NEAR(endRadius, r0b, 0.02 * pitch) << "step " << step << " track " << i;
                const double endAngle = std::fmod(a.startAngle / 400.0 + swept, 1.0);
                const double gap = std::abs(std::remainder(endAngle - b.startAngle / 400.0, 1.0));
                EXPECT_LT(gap * kTwoPi * r0b, 25.4) << "step " << step << " track " << i; // within a mark
            }
        }
    }
}

TEST(JobGenerator, FloydRowsStartAtTheViewersFirstTrackAndRunAFullTurn) {
    LabelOptions o;
    o.tracksPerInch = 254;
    o.dotsPerInch = 254;
    const FloydRows rows = makeFloydRows(flat(0), o);
    EXPECT_EQ(rows.tracksPerInch, 254);
    EXPECT_FALSE(rows.counterClockwise);
    ASSERT_EQ(rows.rows.size(), 347u); // 23000 .. 57600 at 100 um
    for (std::size_t i = 0; i < rows.rows.size(); i += 50) {
        const double r = kFloydFirstTrackRadius + 100.0 * static_cast<double>(i);
        EXPECT_NEAR(static_cast<double>(rows.rows[i].size()), kTwoPi * r / 100.0, 0.5);
    }
    EXPECT_EQ(rows.rows[5][3], 1);
    o.clockwise = false;
    EXPECT_TRUE(makeFloydRows(flat(0), o).counterClockwise);
}

TEST(JobGenerator, PictureLandsWhereTheViewerDrawsIt) {
    // Left half black: marks left of the centre are on, marks right of it off,
    // whichever way the tracks run.
    GreyPicture p = flat(255, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 50; ++x)
            p.pixels[static_cast<std::size_t>(y * 100 + x)] = 0;
    LabelOptions o;
    o.tracksPerInch = 100;
    o.dotsPerInch = 200;
    for (bool clockwise : {true, false}) {
        o.clockwise = clockwise;
        o.startAngleStep = 77;
        const auto plan = planJobTracks(o);
        const auto marks = halftone(p, o.outerRadius, o.innerRadius, o.outerRadius, plan);
        for (std::size_t i = 0; i < plan.size(); ++i)
            for (std::uint32_t m = 0; m < plan[i].markCount; ++m) {
                const double x = std::cos(plan[i].a0 + m * plan[i].d);
                if (std::abs(x) > 0.05) {
                    ASSERT_EQ(marks[i][m], x < 0) << "track " << i << " mark " << m;
                }
            }
    }
}

TEST(JobGenerator, RefusesOptionsTheRecordsCannotHold) {
    auto bad = [](auto change) {
        LabelOptions o;
        change(o);
        return o;
    };
    const LabelOptions cases[] = {
        bad([](LabelOptions& o) { o.tracksPerInch = 0; }),
        bad([](LabelOptions& o) { o.dotsPerInch = 70000; }),
        bad([](LabelOptions& o) {
            o.innerRadius = 50000;
            o.outerRadius = 40000;
        }),
        bad([](LabelOptions& o) { o.outerRadius = 70000; }),
        bad([](LabelOptions& o) { o.dotsPerInch = 5000; }),    // 71000 marks on the outer track
        bad([](LabelOptions& o) { o.tracksPerInch = 60000; }), // track numbers past 65535
        bad([](LabelOptions& o) { o.firstTrackRadius = 60000; }),
    };
    for (const LabelOptions& o : cases)
        EXPECT_THROW(makeJob(flat(0, 8), o), OptionError);
}

TEST(GreyPicture, SamplesBilinearlyAndWhiteOutside) {
    GreyPicture p;
    p.width = 2;
    p.height = 1;
    p.pixels = {0, 200};
    EXPECT_DOUBLE_EQ(p.sample(0.5, 0.5), 0.0);
    EXPECT_DOUBLE_EQ(p.sample(1.0, 0.5), 100.0);
    EXPECT_DOUBLE_EQ(p.sample(1.5, 0.5), 200.0);
    EXPECT_DOUBLE_EQ(p.sample(-1.0, 0.5), 255.0);
    EXPECT_DOUBLE_EQ(p.sample(0.5, 2.0), 255.0);
}

} // namespace
