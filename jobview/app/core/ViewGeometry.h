// Geometry of the view and its dialogs that does not need a window.
#pragma once

#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

namespace jobview {

// The parts of a viewport of `viewport` size that the picture, drawn at
// `origin` with size `picture`, leaves uncovered: the strip to its right and
// the strip below it. Empty rectangles are left out.
std::vector<QRect> areasOutsidePicture(QSize viewport, QPoint origin, QSize picture);

// Dialog units of a dialog resource in pixels for the dialog's font: a
// horizontal unit is a quarter of the average character width, a vertical
// unit an eighth of the character height.
QSize dialogUnitsToPixels(const QFontMetrics& metrics, int widthUnits, int heightUnits);

} // namespace jobview
