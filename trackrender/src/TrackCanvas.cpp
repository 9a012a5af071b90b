#include "trackrender/TrackRender.h"

TrackCanvas::TrackCanvas(std::uint32_t w, std::uint32_t h)
    : width(w), height(h), counts(w, std::vector<std::uint32_t>(h, 0u)), maxCount(0) {}

Gdiplus::ARGB TrackCanvas::GreyFor(std::uint32_t count, std::uint32_t max) {
    std::uint32_t v = 0;
    if (max != 0)
        v = std::uint32_t(double(count) / double(max) * 255.0);
    const std::uint32_t g = 255u - v;
    return 0xFF000000u + g * 0x10101u;
}

Gdiplus::Image* TrackCanvas::ToImage() const {
    auto* bitmap = new Gdiplus::Bitmap(INT(width), INT(height), PixelFormat32bppARGB);
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::vector<std::uint32_t>& column = counts[x];
        for (std::uint32_t y = 0; y < height; ++y) {
            // A failed write stays in the bitmap's last status; the fill goes on.
            (void)bitmap->SetPixel(INT(x), INT(y), Gdiplus::Color(GreyFor(column[y], maxCount)));
        }
    }
    return bitmap;
}

bool TrackCanvas::PaintInto(Gdiplus::Bitmap* target) const {
    if (!target)
        return false;
    // GetHeight/GetWidth answer 0 on failure and leave the status in the bitmap.
    if (target->GetHeight() < height)
        return false;
    if (target->GetWidth() < width)
        return false;
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::vector<std::uint32_t>& column = counts[x];
        for (std::uint32_t y = 0; y < height; ++y)
            (void)target->SetPixel(INT(x), INT(y), Gdiplus::Color(GreyFor(column[y], maxCount)));
    }
    return true;
}
