#include "Helpers.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// 801 pixels across 80 mm: 0.01 pixels per micrometre.
void initSmall(CTrackRender& r, double firstRadius = 0.0, double pitch = 1.0, bool clockwise = false) {
    r.Init(801, false, 40000, firstRadius, pitch, 400, clockwise);
}

std::vector<bool> firstOnly(std::size_t n) {
    std::vector<bool> m(n, false);
    m[0] = true;
    return m;
}

} // namespace

TEST(TrackHeader, FieldsSitAtTheirBits) {
    structures::MORVATINE_TRACK_HEADER_V1 h;
    std::memset(&h, 0, sizeof h);
    h.trackNumber = 0x1234;
    h.lastTrack = 1;
    h.startAngle = 0xABCD;
    h.radialOffset = 0x0102;
    h.markCount = 0xFFEE;
    std::uint32_t words[5];
    std::memcpy(words, &h, sizeof words);
    EXPECT_EQ(words[0], 0x12340000u);
    EXPECT_EQ(words[1], 0xABCD0001u);
    EXPECT_EQ(words[2], 0xFFEE0102u);
    EXPECT_EQ(words[3], 0u);
    EXPECT_EQ(words[4], 0u);
}

TEST(Random, FollowsTheRuntimeRecurrence) {
    trackrender::Srand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int want : expected)
        EXPECT_EQ(trackrender::Rand(), want);
    trackrender::Srand(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        const int v = trackrender::Rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST_F(GdiplusTest, FreshCanvasIsWhiteAndOneHitIsBlack) {
    CTrackRender r;
    EXPECT_FALSE(r.Initialized());
    EXPECT_EQ(r.GetFirstSledPosition(), -1.0);
    EXPECT_EQ(r.GetSledPosition(), -1.0);
    initSmall(r);
    EXPECT_TRUE(r.Initialized());
    std::unique_ptr<Gdiplus::Image> white(r.GetBitmap());
    ASSERT_TRUE(white);
    ASSERT_EQ(white->GetWidth(), 801u);
    ASSERT_EQ(white->GetHeight(), 801u);
    EXPECT_EQ(white->GetPixelFormat(), 0x26200A);
    for (int x = 0; x < 801; x += 8)
        for (int y = 0; y < 801; y += 8)
            ASSERT_EQ(pixelOf(white.get(), x, y), 0xFFFFFFFFu);

    r.canvas->Hit(5, 9);
    std::unique_ptr<Gdiplus::Image> one(r.GetBitmap());
    EXPECT_EQ(pixelOf(one.get(), 5, 9), 0xFF000000u);
    EXPECT_EQ(pixelOf(one.get(), 9, 5), 0xFFFFFFFFu);
    // The earlier image is independent of the canvas.
    EXPECT_EQ(pixelOf(white.get(), 5, 9), 0xFFFFFFFFu);
}

TEST(TrackCanvas, GreyLevelsTruncateTowardZero) {
    struct Case {
        std::uint32_t count, max, argb;
    } cases[] = {
        {0, 0, 0xFFFFFFFF}, {0, 5, 0xFFFFFFFF}, {1, 1, 0xFF000000},   {1, 2, 0xFF808080},
        {2, 2, 0xFF000000}, {1, 3, 0xFFAAAAAA}, {1, 255, 0xFFFEFEFE}, {1, 256, 0xFFFFFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrackCanvas::GreyFor(c.count, c.max), c.argb) << c.count << "/" << c.max;
}

TEST(TrackCanvas, HitsOutsideTheGridAreDropped) {
    TrackCanvas canvas(3, 2);
    canvas.Hit(3, 0);
    canvas.Hit(0, 2);
    canvas.Hit(0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(canvas.maxCount, 0u);
    canvas.Hit(2, 1);
    canvas.Hit(2, 1);
    EXPECT_EQ(canvas.counts[2][1], 2u);
    EXPECT_EQ(canvas.maxCount, 2u);
}

TEST(CTrackRender, ScaleAndPitchForms) {
    CTrackRender r;
    r.Init(801, true, 40000, 100.0, 2.5, 360, true);
    EXPECT_DOUBLE_EQ(r.MicronsToPixels(40000), 400.0);
    EXPECT_EQ(r.canvasSize, 801u);
    EXPECT_TRUE(r.spiral);
    EXPECT_EQ(r.angleUnitsPerTurn, 360u);
    r.Init(801, false, 58000, 22000.0, 2ul, 800, 400, true);
    EXPECT_DOUBLE_EQ(r.trackPitch, 1.6);
    EXPECT_DOUBLE_EQ(r.MicronsToPixels(58000), 400.0);
    // The factors multiply in 32 bits, as the drive records do.
    r.Init(801, false, 58000, 22000.0, 0x10000ul, 0x10001, 400, true);
    EXPECT_DOUBLE_EQ(r.trackPitch, 65.536);
}

TEST(CTrackRender, NominalCircleMustFitTheCanvas) {
    struct Case {
        double radius;
        bool drawn;
    } cases[] = {{40000.0, true}, {40050.0, true}, {40100.0, false}};
    for (const Case& c : cases) {
        for (bool atRes : {true, false}) {
            CTrackRender r;
            initSmall(r, c.radius);
            std::vector<bool> marks(4000, true);
            if (atRes)
                r.RenderTrackAtRes(false, header(0), marks, 2540.0);
            else
                r.RenderFullCircularTrack(header(0, 0, 0, 4000), marks);
            const bool drawn = totalHits(r) > 0;
            EXPECT_EQ(drawn, c.drawn) << c.radius << (atRes ? " at res" : " circular");
            EXPECT_EQ(r.GetFirstSledPosition(), c.drawn ? c.radius : -1.0);
            EXPECT_EQ(r.GetSledPosition(), c.drawn ? c.radius : -1.0);
            // At the outer radius every mark still lands on the canvas.
            if (c.radius == 40000.0) {
                EXPECT_EQ(totalHits(r), 4000u);
            }
        }
    }
}

TEST(CTrackRender, FirstMarkLandsWhereTheAngleSays) {
    // Radius of exactly 200 pixels; the jitter moves the mark by less than a pixel.
    struct Case {
        unsigned startAngle;
        bool clockwise;
        std::uint32_t x, y;
    } cases[] = {
        {0, false, 600, 400},  {0, true, 600, 400},    {100, false, 400, 200},
        {100, true, 400, 600}, {200, false, 200, 400},
    };
    for (const Case& c : cases) {
        for (bool atRes : {true, false}) {
            CTrackRender r;
            initSmall(r, 20000.0, 1.0, c.clockwise);
            std::vector<bool> marks = firstOnly(100);
            if (atRes)
                r.RenderTrackAtRes(false, header(0, c.startAngle), marks, 254.0);
            else
                r.RenderFullCircularTrack(header(0, c.startAngle, 0, 100), marks);
            EXPECT_EQ(totalHits(r), 1u);
            EXPECT_EQ(r.canvas->counts[c.x][c.y], 1u) << c.startAngle << (c.clockwise ? " cw" : " ccw");
        }
    }
}

TEST(CTrackRender, SpiralCorrectionMovesTheStartRadius) {
    const double p = 10.0;
    const double R = 20000.0 + 3 * p;
    struct Case {
        unsigned startAngle, radialOffset;
        double r0;
    } cases[] = {
        {0, 0, R},
        {100, 0, R - 0.25 * p},
        {300, 0, R + 0.25 * p},
        {0, 400, R - 0.5 * p},
        {199, 2, R - 400 / 800.0 * p},
        // Half a turn exactly already counts as the turn's second half: -200.
        {200, 0, R + 0.5 * p},
        {200, 400, R},
    };
    for (const Case& c : cases) {
        CTrackRender r;
        r.Init(801, true, 40000, 20000.0, p, 400, true);
        std::vector<bool> none(10, false);
        r.RenderTrackAtRes(true, header(3, c.startAngle, c.radialOffset), none, 254.0);
        EXPECT_DOUBLE_EQ(r.GetFirstSledPosition(), c.r0) << c.startAngle << "/" << c.radialOffset;
        // Without the spiral flag the correction is not applied.
        r.Init(801, true, 40000, 20000.0, p, 400, true);
        r.RenderTrackAtRes(false, header(3, c.startAngle, c.radialOffset), none, 254.0);
        EXPECT_DOUBLE_EQ(r.GetFirstSledPosition(), R);
    }
}

TEST(CTrackRender, SledFollowsTheSpiralWhetherMarksAreOnOrOff) {
    const double pitch = 1.6, resolution = 600.0;
    const double R = 5 * pitch + 25000.0;
    const double dr = (25400.0 / resolution) / R * pitch / kTwoPi;
    for (bool on : {false, true}) {
        CTrackRender r;
        r.Init(801, true, 58000, 25000.0, pitch, 400, true);
        std::vector<bool> marks(1000, on);
        r.RenderTrackAtRes(true, header(5), marks, resolution);
        EXPECT_NEAR(r.GetSledPosition(), R + 1000 * dr, 1e-9);
        EXPECT_DOUBLE_EQ(r.GetFirstSledPosition(), R);
        r.RenderTrackAtRes(false, header(6), marks, resolution);
        EXPECT_DOUBLE_EQ(r.GetSledPosition(), 6 * pitch + 25000.0);
        EXPECT_DOUBLE_EQ(r.GetFirstSledPosition(), R) << "the first sled position never moves";
    }
}

TEST(CTrackRender, SameCallsAfterInitGiveTheSameCanvas) {
    auto render = [](CTrackRender& r, bool withSkipped) {
        r.Init(801, false, 40000, 10000.0, 50.0, 400, true);
        std::vector<bool> marks(3000);
        for (std::size_t i = 0; i < marks.size(); ++i)
            marks[i] = (i % 3) == 0;
        if (withSkipped) {
            // Neither a track that does not fit nor an empty full circle draws a random value.
            r.RenderTrackAtRes(false, header(1000), marks, 600.0);
            r.RenderFullCircularTrack(header(2, 0, 0, 0), marks);
        }
        for (unsigned t = 0; t < 20; ++t)
            r.RenderTrackAtRes(t % 2 == 0, header(t, t * 13 % 400, t), marks, 600.0);
    };
    CTrackRender a, b, c;
    render(a, false);
    render(b, true);
    render(a, false); // Init re-seeds: a second pass over the same object repeats itself
    render(c, false);
    EXPECT_EQ(a.canvas->counts, b.canvas->counts);
    EXPECT_EQ(a.canvas->counts, c.canvas->counts);
    EXPECT_GT(a.canvas->maxCount, 0u);
}

TEST(CTrackRender, ByteMarksAreReadLeastSignificantBitFirst) {
    std::vector<unsigned char> bytes = {0x01, 0x80};
    std::vector<bool> bits(16, false);
    bits[0] = bits[15] = true;
    CTrackRender fromBytes, fromBits;
    initSmall(fromBytes, 20000.0);
    initSmall(fromBits, 20000.0);
    fromBytes.RenderTrackAtRes(false, header(0), bytes, 20.0);
    fromBits.RenderTrackAtRes(false, header(0), bits, 20.0);
    EXPECT_EQ(totalHits(fromBytes), 2u);
    EXPECT_EQ(fromBytes.canvas->counts, fromBits.canvas->counts);

    CTrackRender circBytes, circBits, circRaw;
    for (CTrackRender* r : {&circBytes, &circBits, &circRaw})
        initSmall(*r, 20000.0);
    circBytes.RenderFullCircularTrack(header(0, 0, 0, 16), bytes);
    circBits.RenderFullCircularTrack(header(0, 0, 0, 16), bits);
    unsigned char raw[] = {0x01, 0x80, 0xFF};
    circRaw.RenderFullCircularTrack(header(0, 0, 0, 16), raw); // only the first 16 / 8 bytes count
    EXPECT_EQ(totalHits(circBytes), 2u);
    EXPECT_EQ(circBytes.canvas->counts, circBits.canvas->counts);
    EXPECT_EQ(circBytes.canvas->counts, circRaw.canvas->counts);
}

TEST(CTrackRender, EmptyAndShortFullCircles) {
    trackrender::Srand(trackrender::kRandomSeed);
    trackrender::Rand();
    const int secondValue = trackrender::Rand();

    CTrackRender r;
    initSmall(r, 20000.0);
    std::vector<bool> marks(50, true);
    r.RenderFullCircularTrack(header(0, 0, 0, 0), marks);
    EXPECT_EQ(totalHits(r), 0u);
    EXPECT_EQ(r.GetSledPosition(), -1.0);

    // Fewer than 8 marks through a raw pointer: no bytes to read, but the track still counts.
    unsigned char raw[] = {0xFF};
    r.RenderFullCircularTrack(header(3, 0, 0, 7), raw);
    EXPECT_EQ(totalHits(r), 0u);
    EXPECT_DOUBLE_EQ(r.GetSledPosition(), 20003.0);
    EXPECT_EQ(trackrender::Rand(), secondValue) << "exactly one random value was drawn";
}

TEST(CTrackRender, MarksOffTheGridAreDroppedNotWritten) {
    CTrackRender r;
    // A spiral that grows far past the canvas, and a negative radius.
    r.Init(101, true, 40000, 39000.0, 2000.0, 400, false);
    std::vector<bool> marks(20000, true);
    r.RenderTrackAtRes(true, header(0), marks, 2000.0);
    EXPECT_GT(r.GetSledPosition(), 40800.0);
    EXPECT_GT(totalHits(r), 0u);
    EXPECT_LT(totalHits(r), 20000u);
    r.Init(101, false, 40000, -30000.0, 1.0, 400, false);
    r.RenderTrackAtRes(false, header(0), marks, 600.0);
    EXPECT_EQ(r.GetSledPosition(), -30000.0);
}

TEST_F(GdiplusTest, ResetKeepsThePictureAndNothingWorksBeforeInit) {
    CTrackRender fresh;
    EXPECT_EQ(fresh.GetBitmap(), nullptr);
    Gdiplus::Bitmap target(10, 10);
    EXPECT_FALSE(fresh.RenderToBitmap(&target));
    wchar_t path[] = L"never-written.bmp";
    EXPECT_FALSE(fresh.RenderToFile(path));
    std::vector<bool> marks(10, true);
    fresh.RenderTrackAtRes(true, header(0), marks, 600.0);
    fresh.RenderFullCircularTrack(header(0, 0, 0, 10), marks);

    CTrackRender r;
    initSmall(r, 20000.0);
    r.RenderTrackAtRes(false, header(0), marks, 254.0);
    r.Reset();
    EXPECT_FALSE(r.Initialized());
    std::unique_ptr<Gdiplus::Image> image(r.GetBitmap());
    EXPECT_EQ(pixelOf(image.get(), 600, 400), 0xFF000000u);
}
