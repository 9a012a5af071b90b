#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdiplus.h"

using namespace Gdiplus;

namespace {

class GdiplusSession : public ::testing::Test {
protected:
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    }
    void TearDown() override { GdiplusShutdown(token); }
    ULONG_PTR token = 0;
};

std::wstring widePath(const std::filesystem::path& p) {
    return p.wstring();
}

bool findEncoder(const wchar_t* mime, CLSID* clsid) {
    UINT count = 0, size = 0;
    if (GetImageEncodersSize(&count, &size) != Ok || size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    auto* info = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GetImageEncoders(count, size, info) != Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(info[i].MimeType, mime) == 0) {
            *clsid = info[i].Clsid;
            return true;
        }
    }
    return false;
}

std::vector<unsigned char> readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
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

TEST_F(GdiplusSession, InvalidSizesGiveAnUnusableBitmap) {
    Bitmap zero(0, 5);
    EXPECT_EQ(zero.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(zero.GetWidth(), 0u);
    EXPECT_EQ(zero.GetLastStatus(), InvalidParameter);
    Bitmap huge(100000, 100000);
    EXPECT_EQ(huge.GetLastStatus(), OutOfMemory);
}

TEST_F(GdiplusSession, LockBitsSharesPixelsInBothModes) {
    Bitmap bmp(5, 3);
    BitmapData data;
    Rect all(0, 0, 5, 3);
    ASSERT_EQ(bmp.LockBits(&all, ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(data.Stride, 20);
    static_cast<ARGB*>(data.Scan0)[5 + 2] = 0xFF00FF00;
    Color c;
    EXPECT_EQ(bmp.GetPixel(0, 0, &c), WrongState);
    ASSERT_EQ(bmp.UnlockBits(&data), Ok);
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

TEST_F(GdiplusSession, EncoderListOffersBmpWithStringsInsideTheBuffer) {
    UINT count = 0, size = 0;
    ASSERT_EQ(GetImageEncodersSize(&count, &size), Ok);
    ASSERT_GE(count, 1u);
    ASSERT_GT(size, count * sizeof(ImageCodecInfo));
    std::vector<unsigned char> buffer(size);
    auto* info = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    ASSERT_EQ(GetImageEncoders(count, size, info), Ok);
    const auto* begin = reinterpret_cast<const unsigned char*>(info[0].MimeType);
    EXPECT_GE(begin, buffer.data());
    EXPECT_LT(begin, buffer.data() + size);
    CLSID clsid{};
    EXPECT_TRUE(findEncoder(L"image/bmp", &clsid));
    EXPECT_FALSE(findEncoder(L"image/BMP", &clsid));
    EXPECT_EQ(GetImageEncoders(count, size - 1, info), GenericError);
}

TEST_F(GdiplusSession, SavesABottomUp32BitBmp) {
    Bitmap bmp(2, 2);
    ASSERT_EQ(bmp.SetPixel(0, 0, Color(0xFF112233)), Ok);
    ASSERT_EQ(bmp.SetPixel(1, 1, Color(0xFF445566)), Ok);
    CLSID clsid{};
    ASSERT_TRUE(findEncoder(L"image/bmp", &clsid));
    const auto path = std::filesystem::path(::testing::TempDir()) / "gdiplus_save.bmp";
    ASSERT_EQ(bmp.Save(widePath(path).c_str(), &clsid, nullptr), Ok);
    const auto bytes = readFile(path);
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

TEST_F(GdiplusSession, SaveFailuresAreStatusesNotCrashes) {
    Bitmap bmp(2, 2);
    CLSID clsid{};
    ASSERT_TRUE(findEncoder(L"image/bmp", &clsid));
    const auto missing = std::filesystem::path(::testing::TempDir()) / "no such folder" / "x.bmp";
    EXPECT_NE(bmp.Save(widePath(missing).c_str(), &clsid, nullptr), Ok);
    EXPECT_NE(bmp.GetLastStatus(), Ok);
    CLSID unknown{};
    const auto path = std::filesystem::path(::testing::TempDir()) / "unknown.bmp";
    EXPECT_NE(bmp.Save(widePath(path).c_str(), &unknown, nullptr), Ok);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(GdiplusWithoutStartup, RefusesImageWork) {
    Bitmap bmp(2, 2);
    EXPECT_EQ(bmp.GetLastStatus(), GdiplusNotInitialized);
    UINT count = 0, size = 0;
    EXPECT_EQ(GetImageEncodersSize(&count, &size), GdiplusNotInitialized);
}
