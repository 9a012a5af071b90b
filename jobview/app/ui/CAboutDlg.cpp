#include "CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "JobViewResources.h"
#include "RenderPass.h"
#include "ViewGeometry.h"

using namespace jobview;

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        {
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF disc(0.5, 0.5, size - 1.0, size - 1.0);
            p.setPen(QPen(Qt::darkGray, 1.0));
            p.setBrush(QColor(0xE8, 0xE8, 0xE8));
            p.drawEllipse(disc);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, size / 10.0));
            const double track = size * 0.2;
            p.drawArc(disc.adjusted(track, track, -track, -track), 30 * 16, 250 * 16);
            p.setPen(QPen(QColor::fromRgba(kLabelAreaColour), 1.0));
            const double hole = size * 0.35;
            p.drawEllipse(disc.adjusted(hole, hole, -hole, -hole));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kAboutDialog.id));
    setWindowTitle(text(kAboutDialog.caption));
    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(programIcon().pixmap(32, 32));
    auto* version = new QLabel(text(kAboutText), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(kIdOk));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addWidget(version, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumSize(dialogUnitsToPixels(fontMetrics(), kAboutDialog.widthUnits, kAboutDialog.heightUnits));
}
