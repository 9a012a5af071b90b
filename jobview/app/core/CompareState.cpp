#include "CompareState.h"

#include "CompareImage.h"
#include "HoverReadout.h"

namespace jobview {

std::unique_ptr<CompareState> CompareState::start(const RenderedPicture& a, const QImage& pictureA,
                                                  std::unique_ptr<RenderedPicture> b, const QImage& pictureB,
                                                  const QString& fileB, QString* why) {
    std::string reason;
    if (!b) {
        if (why)
            *why = QStringLiteral("%1 gave no picture").arg(fileB);
        return nullptr;
    }
    auto compared = HitComparison::make(a.hits, b->hits, &reason);
    if (!compared) {
        if (why)
            *why = QString::fromStdString(reason);
        return nullptr;
    }
    std::unique_ptr<CompareState> s(new CompareState);
    s->compared = std::move(compared);
    s->renderedB = std::move(b);
    s->imageA = pictureA;
    s->imageB = pictureB;
    s->imageDifference = differenceImage(*s->compared);
    s->nameB = fileB;
    return s;
}

const QImage& CompareState::picture() const {
    switch (which) {
    case CompareShown::A:
        return imageA;
    case CompareShown::B:
        return imageB;
    case CompareShown::Difference:
        break;
    }
    return imageDifference;
}

QString CompareState::readout(int x, int y) const {
    const auto pixel = readPixel(compared->a(), x, y);
    if (!pixel)
        return {};
    const std::uint32_t a = compared->a().at(x, y), b = compared->b().at(x, y);
    const std::int64_t d = compared->differenceAt(x, y);
    return QStringLiteral("x %1, y %2: A %3, B %4, B - A %5, radius %6 mm")
        .arg(x)
        .arg(y)
        .arg(a == 1 ? QStringLiteral("1 hit") : QStringLiteral("%1 hits").arg(a))
        .arg(b == 1 ? QStringLiteral("1 hit") : QStringLiteral("%1 hits").arg(b))
        .arg(d > 0 ? QStringLiteral("+%1").arg(d) : QString::number(d))
        .arg(pixel->radiusMillimetres, 0, 'f', 2);
}

QString CompareState::shownName() const {
    switch (which) {
    case CompareShown::A:
        return QStringLiteral(" [A]");
    case CompareShown::B:
        return QStringLiteral(" [B]");
    case CompareShown::Difference:
        break;
    }
    return QStringLiteral(" [difference]");
}

} // namespace jobview
