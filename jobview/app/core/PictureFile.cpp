#include "PictureFile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace jobview {

QImage toQImage(Gdiplus::Image* image) {
    auto* bitmap = dynamic_cast<Gdiplus::Bitmap*>(image);
    if (!bitmap)
        return {};
    const UINT width = image->GetWidth();
    const UINT height = image->GetHeight();
    Gdiplus::Rect area(0, 0, INT(width), INT(height));
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&area, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return {};
    const QImage view(static_cast<const uchar*>(data.Scan0), int(width), int(height), data.Stride,
                      QImage::Format_ARGB32);
    QImage copy = view.copy();
    bitmap->UnlockBits(&data);
    return copy;
}

PictureFormat pictureFormatForPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return PictureFormat::Png;
    if (suffix == QLatin1String("bmp"))
        return PictureFormat::Bmp;
    return PictureFormat::Unknown;
}

bool savePicture(const QImage& picture, const QString& path, QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (picture.isNull())
        return fail(QStringLiteral("there is no picture to save"));
    const PictureFormat format = pictureFormatForPath(path);
    if (format == PictureFormat::Unknown)
        return fail(QStringLiteral("%1: the picture can be saved as .png or .bmp only").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    // The picture is opaque; a 24-bit BMP opens in every viewer, one with alpha does not.
    const QImage out = format == PictureFormat::Bmp ? picture.convertToFormat(QImage::Format_RGB32) : picture;
    if (!out.save(&file, format == PictureFormat::Png ? "PNG" : "BMP")) {
        file.cancelWriting();
        return fail(QStringLiteral("cannot write %1: encoding failed").arg(path));
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

} // namespace jobview
