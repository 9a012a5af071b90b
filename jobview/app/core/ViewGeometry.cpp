#include "ViewGeometry.h"

#include <algorithm>

namespace jobview {

std::vector<QRect> areasOutsidePicture(QSize viewport, QPoint origin, QSize picture) {
    std::vector<QRect> areas;
    const int right = std::max(0, origin.x() + picture.width());
    const int bottom = std::max(0, origin.y() + picture.height());
    if (right < viewport.width())
        areas.emplace_back(right, 0, viewport.width() - right, viewport.height());
    if (bottom < viewport.height()) {
        const int width = std::min(right, viewport.width());
        if (width > 0)
            areas.emplace_back(0, bottom, width, viewport.height() - bottom);
    }
    return areas;
}

QSize dialogUnitsToPixels(const QFontMetrics& metrics, int widthUnits, int heightUnits) {
    // The average width as Windows measures it for dialogs: the mean over the
    // 52 Latin letters.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return {(widthUnits * baseX + 2) / 4, (heightUnits * baseY + 4) / 8};
}

} // namespace jobview
