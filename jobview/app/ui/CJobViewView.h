// The scrolling view: runs the rendering pass for the document and shows the
// picture at the top left of an 801 x 801 scroll area, white around it.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include <memory>

#include "RenderPass.h"

class CJobViewDoc;
class CProgressDialog;
class QPainter;

class CJobViewView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CJobViewView(QWidget* parent = nullptr);
    ~CJobViewView() override;

    void setDocument(CJobViewDoc* document) { doc = document; }
    CJobViewDoc* GetDocument() const { return doc; }

    void OnInitialUpdate();
    // Renders the document again and repaints. The outcome says whether a
    // pass ran; a call while a pass is running is refused (Busy).
    jobview::RenderPass::Outcome OnUpdate();

    bool busy() const { return pass.busy(); }
    // Ends a running pass after its current track; its picture is dropped.
    void requestStop() { stopRequested = true; }

    const jobview::RenderedPicture* picture() const { return rendered.get(); }
    // The picture as shown, for printing, saving and the clipboard; null when there is none.
    const QImage& pictureImage() const { return shown; }
    // The progress dialog of the running pass, if any.
    CProgressDialog* progressDialog() const { return progress; }

    // Paints the picture at the painter's origin, one picture pixel per unit.
    void paintPicture(QPainter& painter) const;

signals:
    void passStarted();
    void passFinished();
    // The status bar text for the pixel under the cursor; empty off the picture.
    void readoutChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    class Observer;
    friend class Observer;

    void updateScrollBars();
    QPoint pictureOrigin() const;
    void reportPixelAt(QPoint viewportPos);

    CJobViewDoc* doc = nullptr;
    jobview::RenderPass pass;
    std::unique_ptr<jobview::RenderedPicture> rendered;
    QImage shown;
    CProgressDialog* progress = nullptr;
    bool stopRequested = false;
    bool renderQueued = false;
    ULONG_PTR gdiplusToken = 0;
};
