// What the suite relies on from GDI+, checked on both sides of the seam: the
// stand-in in native builds and the system's GDI+ in the Windows lane.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "GdiplusTestSupport.h"

using namespace Gdiplus;
using gdiplus_test::GdiplusSession;

namespace {
std::filesystem::path tempFile(const char* name) {
    return std::filesystem::path(::testing::TempDir()) / name;
}
} // namespace

TEST_F(GdiplusSession, NewBitmapHasSizeFormatAndTransparentPixels) {
    Bitmap bmp(3, 2, PixelFormat32bppARGB);
    EXPECT_EQ(bmp.GetLastStatus(), Ok);
    EXPECT_EQ(bmp.GetWidth(), 3u);
    EXPECT_EQ(bmp.GetHeight(), 2u);
    EXPECT_EQ(bmp.GetPixelFormat(), 0x26200A);
    Color c(0xFFFFFFFF);
    ASSERT_EQ(bmp.GetPixel(2, 1, &c), Ok);
    EXPECT_EQ(c.GetValue(), 0u);
}

TEST_F(GdiplusSession, PixelWritesOutsideTheBitmapFailAndAreRemembered) {
    Bitmap bmp(4, 4);
    EXPECT_EQ(bmp.SetPixel(1, 2, Color(0xFF123456)), Ok);
    Color c;
    ASSERT_EQ(bmp.GetPixel(1, 2, &c), Ok);
    EXPECT_EQ(c.GetValue(), 0xFF123456u);
    EXPECT_EQ(bmp.SetPixel(4, 0, Color(0xFF000000)), InvalidParameter);
    EXPECT_EQ(bmp.SetPixel(0, -1, Color(0xFF000000)), InvalidParameter);
    // The failure stays as the last status until it is read once.
    EXPECT_EQ(bmp.SetPixel(0, 0, Color(0xFF000000)), Ok);
    EXPECT_EQ(bmp.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(bmp.GetLastStatus(), Ok);
}

TEST_F(GdiplusSession, ZeroSizeGivesAnUnusableBitmap) {
    Bitmap zero(0, 5);
    EXPECT_EQ(zero.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(zero.GetWidth(), 0u);
    EXPECT_EQ(zero.GetLastStatus(), InvalidParameter);
}

TEST_F(GdiplusSession, LockBitsSharesPixelsInBothModes) {
    Bitmap bmp(5, 3);
    BitmapData data;
    Rect all(0, 0, 5, 3);
    ASSERT_EQ(bmp.LockBits(&all, ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(data.Stride, 20);
    static_cast<ARGB*>(data.Scan0)[5 + 2] = 0xFF00FF00;
    ASSERT_EQ(bmp.UnlockBits(&data), Ok);
    Color c;
    ASSERT_EQ(bmp.GetPixel(2, 1, &c), Ok);
    EXPECT_EQ(c.GetValue(), 0xFF00FF00u);

    // A caller's buffer: read copies out, write copies back on unlock.
    std::vector<ARGB> mine(2 * 2, 0xFFABCDEF);
    BitmapData user;
    user.Scan0 = mine.data();
    user.Stride = 8;
    Rect part(1, 1, 2, 2);
    ASSERT_EQ(bmp.LockBits(&part, ImageLockModeRead | ImageLockModeWrite | ImageLockModeUserInputBuf,
                           PixelFormat32bppARGB, &user),
              Ok);
    EXPECT_EQ(mine[1], 0xFF00FF00u);
    mine[2] = 0xFF0000FF;
    ASSERT_EQ(bmp.UnlockBits(&user), Ok);
    ASSERT_EQ(bmp.GetPixel(1, 2, &c), Ok);
    EXPECT_EQ(c.GetValue(), 0xFF0000FFu);

    Rect outside(3, 0, 3, 1);
    EXPECT_EQ(bmp.LockBits(&outside, ImageLockModeRead, PixelFormat32bppARGB, &data), InvalidParameter);
}

TEST_F(GdiplusSession, EncoderListOffersBmpByExactMimeType) {
    UINT count = 0, size = 0;
    ASSERT_EQ(GetImageEncodersSize(&count, &size), Ok);
    ASSERT_GE(count, 1u);
    ASSERT_GE(size, count * sizeof(ImageCodecInfo));
    CLSID clsid{};
    EXPECT_TRUE(gdiplus_test::findEncoder(L"image/bmp", &clsid));
    EXPECT_FALSE(gdiplus_test::findEncoder(L"image/BMP", &clsid));
    std::vector<unsigned char> buffer(size);
    EXPECT_NE(GetImageEncoders(count, size - 1, reinterpret_cast<ImageCodecInfo*>(buffer.data())), Ok);
}

TEST_F(GdiplusSession, SavedBmpDecodesToTheBitmapsColours) {
    Bitmap bmp(3, 2);
    const ARGB colours[2][3] = {{0xFF112233, 0xFFFFFFFF, 0xFF808080}, {0xFF000000, 0xFF445566, 0xFFFEDCBA}};
    for (INT y = 0; y < 2; ++y)
        for (INT x = 0; x < 3; ++x)
            ASSERT_EQ(bmp.SetPixel(x, y, Color(colours[y][x])), Ok);
    CLSID clsid{};
    ASSERT_TRUE(gdiplus_test::findEncoder(L"image/bmp", &clsid));
    const auto path = tempFile("gdiplus_colours.bmp");
    ASSERT_EQ(bmp.Save(path.wstring().c_str(), &clsid, nullptr), Ok);
    const auto decoded = gdiplus_test::decodeBmp(gdiplus_test::readFile(path));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width, 3u);
    ASSERT_EQ(decoded->height, 2u);
    for (std::uint32_t y = 0; y < 2; ++y)
        for (std::uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(decoded->at(x, y), colours[y][x] & 0xFFFFFFu) << "pixel " << x << "," << y;
    std::filesystem::remove(path);
}

TEST_F(GdiplusSession, SaveFailuresAreStatusesNotCrashes) {
    Bitmap bmp(2, 2);
    CLSID clsid{};
    ASSERT_TRUE(gdiplus_test::findEncoder(L"image/bmp", &clsid));
    const auto missing = std::filesystem::path(::testing::TempDir()) / "no such folder" / "x.bmp";
    EXPECT_NE(bmp.Save(missing.wstring().c_str(), &clsid, nullptr), Ok);
    EXPECT_NE(bmp.GetLastStatus(), Ok);
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
    CLSID unknown{};
    const auto path = tempFile("unknown.bmp");
    EXPECT_NE(bmp.Save(path.wstring().c_str(), &unknown, nullptr), Ok);
    std::filesystem::remove(path);
}
