// The BMP files the stand-in writes must read back pixel for pixel in
// decoders that share no code with it: Qt's and PIL's.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gdiplus.h"

using namespace Gdiplus;

namespace {

constexpr int kW = 37; // odd width: no accidental row alignment
constexpr int kH = 23;

ARGB patternAt(int x, int y) {
    return 0xFF000000u | (ARGB(x * 7 & 0xFF) << 16) | (ARGB(y * 11 & 0xFF) << 8) | ARGB((x * y) & 0xFF);
}

std::filesystem::path writePattern() {
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "decode_pattern.bmp";
    {
        Bitmap bmp(kW, kH);
        for (int x = 0; x < kW; ++x)
            for (int y = 0; y < kH; ++y)
                bmp.SetPixel(x, y, Color(patternAt(x, y)));
        UINT count = 0, size = 0;
        GetImageEncodersSize(&count, &size);
        std::vector<unsigned char> buffer(size);
        auto* info = reinterpret_cast<ImageCodecInfo*>(buffer.data());
        GetImageEncoders(count, size, info);
        EXPECT_EQ(bmp.Save(path.wstring().c_str(), &info[0].Clsid, nullptr), Ok);
    }
    GdiplusShutdown(token);
    return path;
}

} // namespace

TEST(GdiplusDecode, QtReadsTheSamePixels) {
    const auto path = writePattern();
    QImage img(QString::fromStdString(path.string()));
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.width(), kW);
    ASSERT_EQ(img.height(), kH);
    for (int x = 0; x < kW; ++x)
        for (int y = 0; y < kH; ++y)
            ASSERT_EQ(img.pixel(x, y) & 0xFFFFFFu, patternAt(x, y) & 0xFFFFFFu) << x << "," << y;
}

TEST(GdiplusDecode, PilReadsTheSamePixels) {
    const char* python = "/usr/bin/python3";
    if (std::system((std::string(python) + " -c 'import PIL' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-pil is not installed (scripts/setup installs it)";
    const auto path = writePattern();
    const auto dump = std::filesystem::path(::testing::TempDir()) / "decode_pattern.txt";
    const std::string cmd =
        std::string(python) +
        " -c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert(\"RGB\");"
        " w, h = im.size; print(w, h);"
        " [print(*im.getpixel((x, y))) for y in range(h) for x in range(w)]' '" +
        path.string() + "' > '" + dump.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(dump);
    int w = 0, h = 0;
    in >> w >> h;
    ASSERT_EQ(w, kW);
    ASSERT_EQ(h, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            unsigned r = 0, g = 0, b = 0;
            in >> r >> g >> b;
            const ARGB want = patternAt(x, y);
            ASSERT_EQ((r << 16) | (g << 8) | b, want & 0xFFFFFFu) << x << "," << y;
        }
}
