#include "HoverReadout.h"

#include <cmath>

namespace jobview {

std::optional<PixelReadout> readPixel(const HitMap& hits, int x, int y) {
    if (hits.size <= 0 || !(hits.pixelsPerMicron > 0.0) || !std::isfinite(hits.pixelsPerMicron) || x < 0 ||
        y < 0 || x >= hits.size || y >= hits.size)
        return std::nullopt;
    // The renderer puts the disc's centre at size / 2 in continuous
    // coordinates and a pixel covers [x, x + 1), so the pixel's own centre is
    // x + 0.5 from the left edge.
    const double centre = hits.size * 0.5;
    const double dx = x + 0.5 - centre;
    const double dy = y + 0.5 - centre;
    PixelReadout r;
    r.x = x;
    r.y = y;
    r.hits = hits.at(x, y);
    r.radiusMillimetres = std::hypot(dx, dy) / hits.pixelsPerMicron / 1000.0;
    return r;
}

QString formatReadout(const PixelReadout& readout) {
    return QStringLiteral("x %1, y %2: %3 %4, radius %5 mm")
        .arg(readout.x)
        .arg(readout.y)
        .arg(readout.hits)
        .arg(readout.hits == 1 ? QStringLiteral("hit") : QStringLiteral("hits"))
        .arg(readout.radiusMillimetres, 0, 'f', 2);
}

} // namespace jobview
