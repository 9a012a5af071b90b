#include "CJobViewView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "CProgressDialog.h"
#include "HoverReadout.h"
#include "PictureFile.h"
#include "ViewGeometry.h"
#include "jobview/CJobViewDoc.h"

using namespace jobview;

// Shows the pass in a progress dialog of its own and keeps the program
// responsive between tracks.
class CJobViewView::Observer : public PassObserver {
public:
    explicit Observer(CJobViewView& view) : view(view) {}

    void passStarted() override {
        // No parent, as the pass has always created it: a window of its own
        // that the frame can be moved behind.
        view.progress = new CProgressDialog;
        view.progress->show();
        emit view.passStarted();
    }
    void setRange(int maximum) override { view.progress->setRange(maximum); }
    void setPosition(int position) override { view.progress->setPosition(position); }
    bool dispatchEvents() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return !view.stopRequested;
    }
    void passFinished() override {
        delete view.progress;
        view.progress = nullptr;
        emit view.passFinished();
    }

private:
    CJobViewView& view;
};

CJobViewView::CJobViewView(QWidget* parent) : QAbstractScrollArea(parent) {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
    viewport()->setMouseTracking(true);
    updateScrollBars();
}

CJobViewView::~CJobViewView() {
    comparing.reset();
    rendered.reset();
    Gdiplus::GdiplusShutdown(gdiplusToken);
}

void CJobViewView::OnInitialUpdate() {
    updateScrollBars();
}

RenderPass::Outcome CJobViewView::OnUpdate() {
    if (pass.busy())
        return RenderPass::Outcome::Busy;
    stopRequested = false;
    Observer observer(*this);
    RenderPass::Result result = pass.run(doc, observer);
    // A new picture of A ends the comparison with the old one.
    if (result.outcome != RenderPass::Outcome::Busy && comparing)
        endCompare();
    switch (result.outcome) {
    case RenderPass::Outcome::Rendered:
        // The old picture goes before the new one takes its place.
        rendered.reset();
        shown = QImage();
        rendered = std::move(result.picture);
        shown = toQImage(rendered->image.get());
        break;
    case RenderPass::Outcome::NothingToRender:
    case RenderPass::Outcome::Stopped:
        // An empty document shows nothing, not the last file's picture.
        rendered.reset();
        shown = QImage();
        break;
    case RenderPass::Outcome::Busy:
        break;
    }
    viewport()->update();
    return result.outcome;
}

bool CJobViewView::compareWith(CJobViewDoc& other, const QString& fileB, QString* why) {
    if (!rendered || shown.isNull()) {
        if (why)
            *why = QStringLiteral("Open a file first: it is compared with the file you choose.");
        return false;
    }
    if (pass.busy()) {
        if (why)
            *why = QStringLiteral("A picture is still being drawn.");
        return false;
    }
    stopRequested = false;
    Observer observer(*this);
    RenderPass::Result result = pass.run(&other, observer);
    if (result.outcome != RenderPass::Outcome::Rendered || !result.picture) {
        if (why)
            *why = result.outcome == RenderPass::Outcome::Stopped
                       ? QStringLiteral("The drawing of %1 was stopped.").arg(fileB)
                       : QStringLiteral("%1 holds nothing to draw.").arg(fileB);
        return false;
    }
    const QImage pictureB = toQImage(result.picture->image.get());
    result.picture->image.reset(); // GDI+ images go while GDI+ runs; the copy stays
    QString reason;
    auto state = CompareState::start(*rendered, shown, std::move(result.picture), pictureB, fileB, &reason);
    if (!state) {
        if (why)
            *why = QStringLiteral("%1 cannot be compared with the open file: %2").arg(fileB, reason);
        return false;
    }
    comparing = std::move(state);
    viewport()->update();
    emit compareChanged();
    return true;
}

void CJobViewView::endCompare() {
    if (!comparing)
        return;
    comparing.reset();
    viewport()->update();
    emit compareChanged();
}

void CJobViewView::showCompared(CompareShown which) {
    if (!comparing || comparing->shown() == which)
        return;
    comparing->show(which);
    viewport()->update();
    if (lastPointer.x() >= 0)
        reportPixelAt(lastPointer);
    emit compareChanged();
}

void CJobViewView::paintPicture(QPainter& painter) const {
    const QImage& picture = pictureImage();
    if (!picture.isNull())
        painter.drawImage(QPoint(0, 0), picture);
}

QPoint CJobViewView::pictureOrigin() const {
    return {-horizontalScrollBar()->value(), -verticalScrollBar()->value()};
}

void CJobViewView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QImage& picture = pictureImage();
    if (picture.isNull()) {
        // A view without a picture is the window's white, as its background
        // brush erases it; not the grey of dialogs.
        painter.fillRect(viewport()->rect(), QColor::fromRgba(kWindowBackground));
        if (!doc)
            return;
        // A pass cannot run inside a paint event (it dispatches events, paints
        // among them), so a missing picture is rendered right after it.
        if ((doc->job() || doc->floyd()) && !pass.busy() && !renderQueued) {
            renderQueued = true;
            QTimer::singleShot(0, this, [this] {
                renderQueued = false;
                if (!rendered)
                    OnUpdate();
            });
        }
        return;
    }
    const QPoint origin = pictureOrigin();
    painter.drawImage(origin, picture);
    for (const QRect& area :
         areasOutsidePicture(viewport()->size(), origin, QSize(kCanvasWidth, kCanvasHeight)))
        painter.fillRect(area, QColor::fromRgba(kWindowBackground));
}

void CJobViewView::updateScrollBars() {
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, kCanvasWidth - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setRange(0, std::max(0, kCanvasHeight - area.height()));
    verticalScrollBar()->setPageStep(area.height());
    verticalScrollBar()->setSingleStep(16);
}

void CJobViewView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CJobViewView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CJobViewView::reportPixelAt(QPoint viewportPos) {
    if (!rendered) {
        emit readoutChanged(QString());
        return;
    }
    const QPoint p = viewportPos - pictureOrigin();
    if (comparing) {
        emit readoutChanged(comparing->readout(p.x(), p.y()));
        return;
    }
    const auto readout = readPixel(rendered->hits, p.x(), p.y());
    emit readoutChanged(readout ? formatReadout(*readout) : QString());
}

bool CJobViewView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        lastPointer = static_cast<QMouseEvent*>(event)->position().toPoint();
        reportPixelAt(lastPointer);
    } else if (event->type() == QEvent::Leave) {
        lastPointer = QPoint(-1, -1);
        emit readoutChanged(QString());
    }
    return QAbstractScrollArea::viewportEvent(event);
}
