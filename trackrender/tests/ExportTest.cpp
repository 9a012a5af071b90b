#include "Helpers.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SyntheticLabel.h"

namespace {

std::vector<char> readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void renderTwoTracks(CTrackRender& r) {
    r.Init(21, false, 1000, 200.0, 100.0, 400, false);
    std::vector<bool> marks(400);
    for (std::size_t i = 0; i < marks.size(); i += 2)
        marks[i] = true;
    r.RenderFullCircularTrack(header(0, 0, 0, 400), marks);
    r.RenderFullCircularTrack(header(5, 0, 0, 400), marks);
}

} // namespace

TEST_F(GdiplusTest, RenderToBitmapNeedsATargetAtLeastTheCanvasSize) {
    CTrackRender r;
    renderTwoTracks(r);
    EXPECT_FALSE(r.RenderToBitmap(nullptr));

    Gdiplus::Bitmap narrow(20, 21);
    narrow.SetPixel(3, 3, Gdiplus::Color(0xFF123456));
    EXPECT_FALSE(r.RenderToBitmap(&narrow));
    Gdiplus::Color c;
    narrow.GetPixel(3, 3, &c);
    EXPECT_EQ(c.GetValue(), 0xFF123456u);
    Gdiplus::Bitmap shallow(21, 20);
    EXPECT_FALSE(r.RenderToBitmap(&shallow));

    Gdiplus::Bitmap big(42, 42);
    big.SetPixel(30, 30, Gdiplus::Color(0xFF123456));
    ASSERT_TRUE(r.RenderToBitmap(&big));
    std::unique_ptr<Gdiplus::Image> own(r.GetBitmap());
    for (int x = 0; x < 21; ++x)
        for (int y = 0; y < 21; ++y)
            ASSERT_EQ(pixelOf(&big, x, y), pixelOf(own.get(), x, y));
    EXPECT_EQ(pixelOf(&big, 30, 30), 0xFF123456u);
    EXPECT_EQ(pixelOf(&big, 21, 0), 0u) << "pixels outside the canvas keep what they had";
}

TEST_F(GdiplusTest, RenderToFileWritesTheSameFileTwiceAndFailsOnAMissingFolder) {
    CTrackRender r;
    renderTwoTracks(r);
    const auto before = r.canvas->counts;
    const auto dir = std::filesystem::path(::testing::TempDir());
    std::wstring first = (dir / "render_first.bmp").wstring();
    std::wstring second = (dir / "render_second.bmp").wstring();
    ASSERT_TRUE(r.RenderToFile(first.data()));
    ASSERT_TRUE(r.RenderToFile(second.data()));
    const auto a = readAll(first), b = readAll(second);
    EXPECT_GT(a.size(), 21u * 21u * 3u);
    EXPECT_EQ(a, b);
    EXPECT_EQ(r.canvas->counts, before);

    std::wstring missing = (dir / "no such folder" / "x.bmp").wstring();
    EXPECT_FALSE(r.RenderToFile(missing.data()));
}

TEST_F(GdiplusTest, SyntheticLabelDrawsItsRingsAndText) {
    synthetic::Label label = synthetic::MakeQuillmarkLabel();
    CTrackRender r;
    synthetic::RenderLabel(r, label);
    EXPECT_GT(r.canvas->maxCount, 0u);
    // The inner ring (24 to 25.5 mm) is dark all round, the 2 mm inside it empty.
    const double c = 400.5;
    auto hitsAlong = [&](double fromMicrons, double toMicrons, double angle) {
        int hit = 0;
        for (double m = fromMicrons; m < toMicrons; m += 100.0) {
            const double rp = r.MicronsToPixels(m);
            hit += r.canvas->counts[std::uint32_t(c + rp * std::cos(angle))]
                                   [std::uint32_t(c - rp * std::sin(angle))] > 0;
        }
        return hit;
    };
    for (double angle = 0; angle < 6.28; angle += 0.3) {
        EXPECT_GE(hitsAlong(24100.0, 25400.0, angle), 9) << angle;
        EXPECT_EQ(hitsAlong(22000.0, 23800.0, angle), 0) << angle;
    }
    EXPECT_EQ(r.canvas->counts[400][400], 0u);
    EXPECT_DOUBLE_EQ(r.GetFirstSledPosition(), 22000.0);
}
