// Details of the GDI+ stand-in that the system's GDI+ (or Wine's) does not
// share: its file layout, its refusal without startup, the encoder strings in
// the caller's buffer, and its checks for oversized bitmaps and locked pixels.
// Built only where the stand-in is the GDI+ in use.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "GdiplusTestSupport.h"

using namespace Gdiplus;
using gdiplus_test::GdiplusSession;
using gdiplus_test::le32;

TEST_F(GdiplusSession, OversizedBitmapIsOutOfMemory) {
    Bitmap huge(100000, 100000);
    EXPECT_EQ(huge.GetLastStatus(), OutOfMemory);
}

TEST_F(GdiplusSession, PixelsOfALockedBitmapAreOutOfReach) {
    Bitmap bmp(2, 2);
    BitmapData data;
    Rect all(0, 0, 2, 2);
    ASSERT_EQ(bmp.LockBits(&all, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    Color c;
    EXPECT_EQ(bmp.GetPixel(0, 0, &c), WrongState);
    EXPECT_EQ(bmp.SetPixel(0, 0, c), WrongState);
    ASSERT_EQ(bmp.UnlockBits(&data), Ok);
    EXPECT_EQ(bmp.GetPixel(0, 0, &c), Ok);
}

TEST_F(GdiplusSession, EncoderStringsLiveInsideTheCallersBuffer) {
    UINT count = 0, size = 0;
    ASSERT_EQ(GetImageEncodersSize(&count, &size), Ok);
    ASSERT_GT(size, count * sizeof(ImageCodecInfo));
    std::vector<unsigned char> buffer(size);
    auto* info = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    ASSERT_EQ(GetImageEncoders(count, size, info), Ok);
    const auto* begin = reinterpret_cast<const unsigned char*>(info[0].MimeType);
    EXPECT_GE(begin, buffer.data());
    EXPECT_LT(begin, buffer.data() + size);
    EXPECT_EQ(GetImageEncoders(count, size - 1, info), GenericError);
}

TEST_F(GdiplusSession, SavesABottomUp32BitBmp) {
    Bitmap bmp(2, 2);
    ASSERT_EQ(bmp.SetPixel(0, 0, Color(0xFF112233)), Ok);
    ASSERT_EQ(bmp.SetPixel(1, 1, Color(0xFF445566)), Ok);
    CLSID clsid{};
    ASSERT_TRUE(gdiplus_test::findEncoder(L"image/bmp", &clsid));
    const auto path = std::filesystem::path(::testing::TempDir()) / "gdiplus_save.bmp";
    ASSERT_EQ(bmp.Save(path.wstring().c_str(), &clsid, nullptr), Ok);
    const auto bytes = gdiplus_test::readFile(path);
    ASSERT_EQ(bytes.size(), 54u + 16u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), 70u);
    EXPECT_EQ(le32(bytes, 10), 54u);
    EXPECT_EQ(le32(bytes, 18), 2u);
    EXPECT_EQ(le32(bytes, 22), 2u);
    // Bottom row first: (0,1) (1,1) then (0,0) (1,0).
    EXPECT_EQ(le32(bytes, 54 + 4), 0xFF445566u);
    EXPECT_EQ(le32(bytes, 54 + 8), 0xFF112233u);
    std::filesystem::remove(path);
}

TEST_F(GdiplusSession, UnknownEncoderWritesNoFile) {
    Bitmap bmp(2, 2);
    CLSID unknown{};
    const auto path = std::filesystem::path(::testing::TempDir()) / "unknown_encoder.bmp";
    EXPECT_NE(bmp.Save(path.wstring().c_str(), &unknown, nullptr), Ok);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(GdiplusWithoutStartup, RefusesImageWork) {
    Bitmap bmp(2, 2);
    EXPECT_EQ(bmp.GetLastStatus(), GdiplusNotInitialized);
    UINT count = 0, size = 0;
    EXPECT_EQ(GetImageEncodersSize(&count, &size), GdiplusNotInitialized);
}
