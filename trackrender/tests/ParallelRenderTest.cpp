// The parallel renderer against the one-by-one calls: every scenario is run
// both ways, and the canvases, the sled positions and the generator's next
// number must agree exactly, whatever the number of workers.
#include "Helpers.h"

#include <functional>
#include <string>
#include <vector>

#include "SyntheticLabel.h"
#include "trackrender/ParallelTrackRender.h"

namespace {

// One call of a scenario, made either way.
struct Call {
    enum Form { AtResBytes, AtResBools, CircleBytes, CircleBools, Direct } form;
    bool spiral = false;
    structures::MORVATINE_TRACK_HEADER_V1 header{};
    std::vector<unsigned char> bytes;
    std::vector<bool> bools;
    double resolution = 254.0;
};

struct Scenario {
    std::string name;
    std::function<void(CTrackRender&)> init;
    std::vector<Call> calls;
};

std::vector<unsigned char> patternBytes(std::size_t n, unsigned seed) {
    std::vector<unsigned char> b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>((i * 131u + seed * 17u) ^ (i >> 3));
    return b;
}

std::vector<bool> patternBools(std::size_t n, unsigned seed) {
    std::vector<bool> b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = ((i * 7u + seed) % 5u) < 2u;
    return b;
}

Scenario labelScenario(bool clockwise) {
    synthetic::Label label = synthetic::MakeQuillmarkLabel();
    label.clockwise = clockwise;
    Scenario s{clockwise ? "label_clockwise" : "label", nullptr, {}};
    s.init = [label](CTrackRender& r) {
        r.Init(label.canvasSize, false, label.outerRadius, label.firstTrackRadius, label.trackPitch,
               label.angleUnitsPerTurn, label.clockwise);
    };
    for (const synthetic::LabelTrack& t : label.tracks) {
        Call c;
        c.form = t.atResolution ? Call::AtResBytes : Call::CircleBools;
        c.spiral = t.spiral;
        c.header = t.header;
        c.bytes = t.bytes;
        c.bools = t.bits;
        c.resolution = label.resolution;
        s.calls.push_back(std::move(c));
    }
    return s;
}

// Every form, tracks that are skipped, empty, off the grid or overlapping,
// and one-by-one calls in between the queued ones.
Scenario edgeScenario() {
    Scenario s{"edges", [](CTrackRender& r) { r.Init(801, true, 40000, 100.0, 250.0, 400, true); }, {}};
    const Call::Form forms[] = {Call::AtResBytes, Call::AtResBools, Call::CircleBytes, Call::CircleBools};
    for (unsigned t = 0; t < 200; ++t) {
        Call c;
        c.form = forms[t % 4];
        // Tracks 160 and up lie past the canvas edge (radius above 40050) and are skipped.
        c.header = header(t, (t * 53u) % 400u, (t * 29u) % 800u, (t % 13u == 0) ? 0u : 2000u + t * 40u);
        c.spiral = t % 3 == 0;
        c.resolution = 100.0 + t * 7.0;
        const std::size_t n = t % 11 == 0 ? 0 : 1000 + t * 50;
        c.bytes = patternBytes(n / 8, t);
        c.bools = patternBools(n, t);
        if (t % 17 == 5)
            c.form = Call::Direct; // a track fed one by one amid the queued ones
        s.calls.push_back(std::move(c));
    }
    // A spiral that grows past the canvas, one at a negative radius, and many
    // tracks on one circle so that counts pile up.
    Call out;
    out.form = Call::AtResBools;
    out.spiral = true;
    out.header = header(159);
    out.bools.assign(400000, true);
    out.resolution = 20.0;
    s.calls.push_back(out);
    for (int i = 0; i < 30; ++i) {
        Call same;
        same.form = i % 2 ? Call::CircleBools : Call::AtResBools;
        same.header = header(40, 0, 0, 900);
        same.bools.assign(900, true);
        s.calls.push_back(same);
    }
    return s;
}

Scenario negativeRadiusScenario() {
    Scenario s{"negative_radius", [](CTrackRender& r) { r.Init(801, false, 40000, -5000.0, 10.0, 400, false); },
               {}};
    for (unsigned t = 0; t < 40; ++t) {
        Call c;
        c.form = t % 2 ? Call::AtResBools : Call::CircleBools;
        c.header = header(t * 20, t * 10, 0, 3000);
        c.bools = patternBools(3000, t);
        s.calls.push_back(std::move(c));
    }
    return s;
}

void renderOneByOne(const Scenario& s, CTrackRender& r) {
    s.init(r);
    for (Call c : s.calls) {
        switch (c.form) {
        case Call::AtResBytes:
            r.RenderTrackAtRes(c.spiral, c.header, c.bytes, c.resolution);
            break;
        case Call::AtResBools:
        case Call::Direct:
            r.RenderTrackAtRes(c.spiral, c.header, c.bools, c.resolution);
            break;
        case Call::CircleBytes:
            r.RenderFullCircularTrack(c.header, c.bytes);
            break;
        case Call::CircleBools:
            r.RenderFullCircularTrack(c.header, c.bools);
            break;
        }
    }
}

void renderParallel(const Scenario& s, CTrackRender& r, unsigned workers, std::size_t flushEvery) {
    s.init(r);
    trackrender::ParallelTrackRender p(r, workers);
    std::size_t n = 0;
    for (Call c : s.calls) {
        switch (c.form) {
        case Call::AtResBytes:
            p.addTrackAtRes(c.spiral, c.header, std::move(c.bytes), c.resolution);
            break;
        case Call::AtResBools:
            p.addTrackAtRes(c.spiral, c.header, std::move(c.bools), c.resolution);
            break;
        case Call::Direct:
            r.RenderTrackAtRes(c.spiral, c.header, c.bools, c.resolution);
            break;
        case Call::CircleBytes:
            p.addFullCircularTrack(c.header, std::move(c.bytes));
            break;
        case Call::CircleBools:
            p.addFullCircularTrack(c.header, std::move(c.bools));
            break;
        }
        if (flushEvery && ++n % flushEvery == 0)
            p.flush();
    }
    p.finish();
}

class ParallelMatchesOneByOne : public ::testing::TestWithParam<unsigned> {};

TEST_P(ParallelMatchesOneByOne, OnEveryScenario) {
    const unsigned workers = GetParam();
    static const std::vector<Scenario> scenarios{labelScenario(false), labelScenario(true), edgeScenario(),
                                                 negativeRadiusScenario()};
    for (const Scenario& s : scenarios) {
        CTrackRender single;
        renderOneByOne(s, single);
        const int nextSingle = trackrender::Rand();
        ASSERT_GT(totalHits(single), 0u) << s.name;
        for (std::size_t flushEvery : {std::size_t(0), std::size_t(1), std::size_t(7)}) {
            SCOPED_TRACE(s.name + " workers " + std::to_string(workers) + " flush every " +
                         std::to_string(flushEvery));
            CTrackRender parallel;
            renderParallel(s, parallel, workers, flushEvery);
            EXPECT_EQ(trackrender::Rand(), nextSingle) << "one draw per rendered track, in order";
            EXPECT_EQ(parallel.canvas->maxCount, single.canvas->maxCount);
            EXPECT_EQ(parallel.GetFirstSledPosition(), single.GetFirstSledPosition());
            EXPECT_EQ(parallel.GetSledPosition(), single.GetSledPosition());
            std::size_t differing = 0;
            for (std::uint32_t x = 0; x < 801; ++x)
                for (std::uint32_t y = 0; y < 801; ++y)
                    differing += parallel.canvas->counts[x][y] != single.canvas->counts[x][y];
            EXPECT_EQ(differing, 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, ParallelMatchesOneByOne, ::testing::Values(1u, 2u, 3u, 7u),
                         [](const auto& info) { return "w" + std::to_string(info.param); });

TEST(ParallelTrackRender, SkippedTracksAreNotQueuedAndTheSledFollowsTheLastDrawn) {
    CTrackRender r;
    r.Init(801, false, 40000, 20000.0, 10.0, 400, false);
    trackrender::ParallelTrackRender p(r, 2);
    EXPECT_EQ(p.workers(), 2u);
    p.addTrackAtRes(true, header(5, 0, 0), std::vector<bool>(1000, false), 600.0);
    p.addTrackAtRes(false, header(5000), std::vector<bool>(1000, true), 600.0); // far off the canvas
    p.addFullCircularTrack(header(7, 0, 0, 0), std::vector<bool>(10, true));     // no marks per turn
    EXPECT_EQ(p.pending(), 1u);
    EXPECT_EQ(r.GetFirstSledPosition(), 20050.0);
    EXPECT_EQ(r.GetSledPosition(), -1.0) << "set by the flush";
    p.flush();
    EXPECT_EQ(p.pending(), 0u);
    EXPECT_GT(r.GetSledPosition(), 20050.0);
    p.addFullCircularTrack(header(3, 0, 0, 100), std::vector<bool>(100, true));
    p.finish();
    EXPECT_EQ(r.GetSledPosition(), 20030.0);
    EXPECT_EQ(totalHits(r), 100u);
}

TEST(ParallelTrackRender, NothingHappensBeforeInit) {
    CTrackRender r;
    trackrender::ParallelTrackRender p(r, 3);
    p.addTrackAtRes(false, header(1), std::vector<bool>(10, true), 600.0);
    p.finish();
    EXPECT_EQ(r.canvas, nullptr);
    EXPECT_EQ(r.GetSledPosition(), -1.0);
    EXPECT_GE(trackrender::defaultWorkerCount(), 1u);
}

} // namespace
