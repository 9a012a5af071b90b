// What the window shows while it compares its file (A) with another (B):
// A, B or their difference, and what the status bar says under the cursor.
// The window only forwards keys, buttons and mouse positions here.
#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

#include "HitCompare.h"
#include "RenderPass.h"

namespace jobview {

enum class CompareShown { A, B, Difference };

class CompareState {
public:
    // Takes B's rendering; nullopt with *why when the two cannot be compared.
    static std::unique_ptr<CompareState> start(const RenderedPicture& a, const QImage& pictureA,
                                               std::unique_ptr<RenderedPicture> b, const QImage& pictureB,
                                               const QString& fileB, QString* why);

    CompareShown shown() const { return which; }
    void show(CompareShown s) { which = s; }
    // The picture the view shows now.
    const QImage& picture() const;
    const HitComparison& comparison() const { return *compared; }
    const QString& fileB() const { return nameB; }

    // "x 600, y 400: A 3 hits, B 5 hits, B - A +2, radius 20.00 mm"; empty off the picture.
    QString readout(int x, int y) const;
    // " [B]", " [A]" or " [difference]" for the title.
    QString shownName() const;

private:
    CompareState() = default;
    std::optional<HitComparison> compared;
    std::unique_ptr<RenderedPicture> renderedB;
    QImage imageA, imageB, imageDifference;
    QString nameB;
    CompareShown which = CompareShown::Difference;
};

} // namespace jobview
