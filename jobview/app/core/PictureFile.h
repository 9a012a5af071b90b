// The rendered picture outside the view: as a QImage for painting, printing
// and the clipboard, and as PNG or BMP files.
#pragma once

#include <QImage>
#include <QString>

#include "platform/gdiplus.h"

namespace jobview {

// A copy of the picture's pixels; a null QImage for a missing or unreadable image.
QImage toQImage(Gdiplus::Image* image);

enum class PictureFormat { Unknown, Png, Bmp };

// By the extension of the path, case-insensitive: ".png" or ".bmp".
PictureFormat pictureFormatForPath(const QString& path);

// Writes beside the target and renames over it, so that a failed save leaves
// an existing file as it was. False with a reason in *error.
bool savePicture(const QImage& picture, const QString& path, QString* error);

} // namespace jobview
