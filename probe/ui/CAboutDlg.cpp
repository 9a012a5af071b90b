#include "CAboutDlg.h"

#include "ProbeDialog.h"
#include "ProbeResources.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace probe {

CAboutDlg::CAboutDlg(const ToolProfile& profile, const QString& text, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kIdAboutDialog));
    setWindowTitle(qs(profile.aboutCaption));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(probeIcon().pixmap(32, 32));
    auto* bitmap = new QLabel(this);
    bitmap->setObjectName(QString::number(kIdAboutBitmap));
    bitmap->setPixmap(probeBitmap());
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::number(kIdAboutText));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QString::number(kIdUpdate));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(label, 0, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->addWidget(bitmap, 1, 1);
    setFixedSize(sizeHint());
}

void CAboutDlg::showEvent(QShowEvent* event) {
    if (parentWidget() != nullptr) {
        const QRect owner = parentWidget()->frameGeometry();
        move(owner.center() - rect().center());
    }
    QDialog::showEvent(event);
}

} // namespace probe
