#include "CProgressDialog.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include "JobViewResources.h"
#include "ViewGeometry.h"

using namespace jobview;

CProgressDialog::CProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar(new QProgressBar(this)) {
    setObjectName(QString::number(kProgressDialog.id));
    setWindowTitle(
        QString::fromUtf8(kProgressDialog.caption.data(), qsizetype(kProgressDialog.caption.size())));
    bar->setObjectName(QString::number(kProgressBarId));
    bar->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    setFixedSize(dialogUnitsToPixels(fontMetrics(), kProgressDialog.widthUnits, kProgressDialog.heightUnits)
                     .expandedTo(QSize(200, bar->sizeHint().height() + 2 * layout->contentsMargins().top())));
}

void CProgressDialog::setRange(int maximum) {
    bar->setRange(0, maximum);
}

void CProgressDialog::setPosition(int position) {
    emit positionSet(position);
    // The bar repaints itself at once whenever its look changes, several
    // hundred times in a pass of a full label; a screen shows no more than a
    // few dozen of those a second anyway.
    if (!sinceRedraw.isValid() || sinceRedraw.elapsed() >= kRedrawIntervalMs) {
        bar->setValue(position);
        sinceRedraw.restart();
    }
}
