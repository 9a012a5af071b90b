// What the status bar says about the pixel under the cursor.
#pragma once

#include <QString>

#include <optional>

#include "RenderPass.h"

namespace jobview {

struct PixelReadout {
    int x = 0;
    int y = 0;
    std::uint32_t hits = 0;
    double radiusMillimetres = 0.0; // from the disc's centre to the pixel's centre
};

// Nothing outside the picture or when there is no picture.
std::optional<PixelReadout> readPixel(const HitMap& hits, int x, int y);

// "x 600, y 400: 3 hits, radius 20.00 mm"
QString formatReadout(const PixelReadout& readout);

} // namespace jobview
