// The difference picture of a comparison as a QImage, for the window and files.
#pragma once

#include <QImage>

#include "HitCompare.h"

namespace jobview {

QImage differenceImage(const HitComparison& comparison);

} // namespace jobview
