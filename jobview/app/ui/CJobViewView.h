// The scrolling view: runs the rendering pass for the document and shows the
// picture at the top left of an 801 x 801 scroll area, white around it.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include <memory>

#include "CompareState.h"
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
    // While comparing: A, B or the difference, whichever is shown.
    const QImage& pictureImage() const { return comparing ? comparing->picture() : shown; }

    // Renders `other` (B) and compares the shown picture (A) with it. False
    // with *why when there is nothing to compare with, the pass was refused
    // or stopped, or the two pictures cannot be compared.
    bool compareWith(CJobViewDoc& other, const QString& fileB, QString* why);
    void endCompare();
    const jobview::CompareState* compare() const { return comparing.get(); }
    void showCompared(jobview::CompareShown which);
    // The progress dialog of the running pass, if any.
    CProgressDialog* progressDialog() const { return progress; }

    // Paints the picture at the painter's origin, one picture pixel per unit.
    void paintPicture(QPainter& painter) const;

signals:
    void passStarted();
    void passFinished();
    // The status bar text for the pixel under the cursor; empty off the picture.
    void readoutChanged(const QString& text);
    // A comparison started or ended, or shows another picture.
    void compareChanged();

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
    std::unique_ptr<jobview::CompareState> comparing;
    QPoint lastPointer{-1, -1};
    CProgressDialog* progress = nullptr;
    bool stopRequested = false;
    bool renderQueued = false;
    ULONG_PTR gdiplusToken = 0;
};
