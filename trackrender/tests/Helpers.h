#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "trackrender/TrackRender.h"

// GDI+ must run while images exist; one session per test.
class GdiplusTest : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

inline structures::MORVATINE_TRACK_HEADER_V1 header(unsigned track, unsigned startAngle = 0,
                                                    unsigned radialOffset = 0, unsigned markCount = 0) {
    structures::MORVATINE_TRACK_HEADER_V1 h;
    std::memset(&h, 0xA5, sizeof h); // reserved bits hold rubbish, as callers may leave them
    h.trackNumber = track;
    h.startAngle = startAngle;
    h.radialOffset = radialOffset;
    h.markCount = markCount;
    h.lastTrack = 0;
    return h;
}

inline std::uint64_t totalHits(const CTrackRender& r) {
    std::uint64_t n = 0;
    for (const auto& column : r.canvas->counts)
        for (std::uint32_t c : column)
            n += c;
    return n;
}

inline Gdiplus::ARGB pixelOf(Gdiplus::Image* image, int x, int y) {
    Gdiplus::Color c;
    static_cast<Gdiplus::Bitmap*>(image)->GetPixel(x, y, &c);
    return c.GetValue();
}
