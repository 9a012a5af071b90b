#include "CompareImage.h"

#include <cstring>

namespace jobview {

QImage differenceImage(const HitComparison& comparison) {
    const int n = comparison.size();
    const std::vector<std::uint32_t> pixels = comparison.differencePicture();
    QImage image(n, n, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < n; ++y)
        std::memcpy(image.scanLine(y), pixels.data() + std::size_t(y) * std::size_t(n), std::size_t(n) * 4);
    return image;
}

} // namespace jobview
