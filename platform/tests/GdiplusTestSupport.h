// Helpers shared by the GDI+ tests of both sides of the seam.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/gdiplus.h"

namespace gdiplus_test {

class GdiplusSession : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }
    ULONG_PTR token = 0;
};

inline bool findEncoder(const wchar_t* mime, CLSID* clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    auto* info = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, info) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(info[i].MimeType, mime) == 0) {
            *clsid = info[i].Clsid;
            return true;
        }
    }
    return false;
}

inline std::vector<unsigned char> readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// Pixels of an uncompressed 24- or 32-bit BMP as 0xRRGGBB, rows top to
// bottom. Encoders differ in depth and header version (the stand-in writes
// 32 bits, Wine's GDI+ 24), so callers compare colours, not bytes.
struct DecodedBmp {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const { return rgb[std::size_t(y) * width + x]; }
};

inline std::optional<DecodedBmp> decodeBmp(const std::vector<unsigned char>& b) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return std::nullopt;
    const std::uint32_t offset = le32(b, 10);
    const auto width = std::int32_t(le32(b, 18));
    const auto rawHeight = std::int32_t(le32(b, 22));
    const unsigned bpp = b[28] | (b[29] << 8);
    const std::uint32_t compression = le32(b, 30);
    // BI_RGB, or BI_BITFIELDS with the usual masks for 32 bits.
    if (width <= 0 || rawHeight == 0 || (bpp != 24 && bpp != 32) || (compression != 0 && compression != 3))
        return std::nullopt;
    const bool bottomUp = rawHeight > 0;
    const std::uint32_t height =
        bottomUp ? std::uint32_t(rawHeight) : std::uint32_t(-std::int64_t(rawHeight));
    const std::size_t stride = (std::size_t(width) * bpp / 8 + 3) / 4 * 4;
    if (offset > b.size() || (b.size() - offset) / stride < height)
        return std::nullopt;
    DecodedBmp out;
    out.width = std::uint32_t(width);
    out.height = height;
    out.rgb.resize(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * (bottomUp ? height - 1 - y : y);
        for (std::uint32_t x = 0; x < out.width; ++x) {
            const std::size_t p = row + std::size_t(x) * bpp / 8;
            out.rgb[std::size_t(y) * out.width + x] =
                (std::uint32_t(b[p + 2]) << 16) | (b[p + 1] << 8) | b[p];
        }
    }
    return out;
}

} // namespace gdiplus_test
