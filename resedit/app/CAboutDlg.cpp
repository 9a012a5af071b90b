#include "CAboutDlg.h"

#include "DialogSupport.h"
#include "WidgetPrompter.h"

#include "resedit/Texts.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace resedit {

namespace {

// The resource's size in dialog units.
constexpr int kWidthDlu = 235;
constexpr int kHeightDlu = 55;
constexpr int kIdOk = 1;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(idName(kAboutDialogId));
    setWindowTitle(toQString(kAboutTitle));
    setWindowIcon(programIcon());
    setFont(dialogFont(kLauncherLayout.dialogFont));

    // As the resource lays it out: the icon at the top left, the two lines
    // beside it, OK at the top right.
    auto* icon = new QLabel(this);
    icon->setObjectName(idName(kIconId));
    icon->setPixmap(programIcon().pixmap(32, 32));
    auto* version = new QLabel(toQString(kAboutText), this);
    auto* notice = new QLabel(toQString(kAboutNotice), this);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(idName(kIdOk));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(notice, 1, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    grid->setHorizontalSpacing(QFontMetrics(font()).averageCharWidth() * 2);

    const QFontMetrics metrics(font());
    setMinimumSize(kWidthDlu * metrics.averageCharWidth() / 4, kHeightDlu * metrics.height() / 8);
}

void showAboutBox(QWidget* parent) {
    CAboutDlg about(parent);
    about.exec();
}

} // namespace resedit
