#include "jobgen/PictureReader.h"

#include <QImage>
#include <QImageReader>
#include <QString>

namespace jobgen {

bool readPicture(const std::string& path, GreyPicture& picture, std::string* error) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QImage read = reader.read();
    if (read.isNull()) {
        if (error)
            *error = reader.errorString().toStdString();
        return false;
    }
    const QImage argb = read.convertToFormat(QImage::Format_ARGB32);
    GreyPicture out;
    out.width = argb.width();
    out.height = argb.height();
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < out.width; ++x) {
            const QRgb c = line[x];
            const int alpha = qAlpha(c);
            // Over white: what shows through a transparent pixel is bare label.
            const int grey = (qGray(c) * alpha + 255 * (255 - alpha) + 127) / 255;
            out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                       static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(grey);
        }
    }
    picture = std::move(out);
    return true;
}

} // namespace jobgen
