#include "CReseditLauncherDlg.h"

#include "CAboutDlg.h"
#include "DialogSupport.h"
#include "EditorDialog.h"
#include "WidgetPrompter.h"

#include "resedit/Texts.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace resedit {

CReseditLauncherDlg::CReseditLauncherDlg(const QString& drfPath, Prompter& prompter, NextDrfPaths& next,
                                         LauncherFlow::RunEditor runEditor, QWidget* parent)
    : QDialog(parent), drfPath_(drfPath), prompter_(prompter),
      flow_(prompter, next, [this, run = std::move(runEditor)](EditorKind kind, const std::string& path) {
          // The launcher never comes back once an editor has been shown.
          hide();
          run(kind, path);
      }) {
    const LauncherLayout& layout = kLauncherLayout;
    setObjectName(idName(layout.resourceId));
    setFont(dialogFont(layout.dialogFont));
    setWindowTitle(toQString(kAppTitle));
    setAcceptDrops(true);

    auto* root = new QVBoxLayout(this);
    setWindowIcon(programIcon());

    auto* titleRow = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName(idName(kIconId));
    icon->setPixmap(programIcon().pixmap(32, 32));
    titleRow->addWidget(icon);
    auto* title = new QLabel(toQString(layout.title.text), this);
    title->setObjectName(idName(layout.title.id));
    title->setFont(fontOf(kTitleFont));
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    titleRow->addWidget(new QLabel(toQString(layout.versionText), this));
    root->addLayout(titleRow);

    auto* info = new QLabel(toQString(launcherInfoText()), this);
    info->setObjectName(idName(layout.info));
    info->setFont(fontOf(kLauncherInfoFont));
    info->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    root->addWidget(info, 1);

    auto* buttons = new QHBoxLayout;
    auto* select = new QPushButton(toQString(layout.selectDrf.text), this);
    select->setObjectName(idName(layout.selectDrf.id));
    auto* about = new QPushButton(tr("About"), this);
    about->setObjectName(QStringLiteral("about"));
    auto* exit = new QPushButton(toQString(layout.exit.text), this);
    exit->setObjectName(idName(layout.exit.id));
    buttons->addWidget(select);
    buttons->addWidget(about);
    buttons->addStretch(1);
    buttons->addWidget(exit);
    root->addLayout(buttons);

    connect(select, &QPushButton::clicked, this, &CReseditLauncherDlg::onSelectDrf);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(about, &QPushButton::clicked, this, [this] { showAboutBox(this); });

    const QFontMetrics metrics(font());
    resize(layout.widthDlu * metrics.averageCharWidth() / 4, layout.heightDlu * metrics.height() / 8);
}

void CReseditLauncherDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        // A DRF named on the command line opens as soon as the launcher is up.
        QTimer::singleShot(0, this, &CReseditLauncherDlg::openDrf);
    }
}

void CReseditLauncherDlg::openDrf() {
    if (flow_.open(toUtf8(drfPath_))) {
        QDialog::reject();
    }
}

void CReseditLauncherDlg::onSelectDrf() {
    if (const auto chosen = prompter_.openFileName({kDrfFilter, kDrfExtension, kDrfInitialName})) {
        drfPath_ = toQString(*chosen);
        openDrf();
    }
}

void CReseditLauncherDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CReseditLauncherDlg::dropEvent(QDropEvent* event) {
    const auto files = droppedFiles(event->mimeData());
    if (files.empty()) {
        return;
    }
    event->acceptProposedAction();
    // Only the first file counts, with its whole path.
    drfPath_ = toQString(files.front());
    openDrf();
}

LauncherFlow::RunEditor dialogEditorRunner(Prompter& prompter, NextDrfPaths& next) {
    return [&prompter, &next](EditorKind kind, const std::string& path) {
        std::unique_ptr<EditorDialog> editor;
        if (kind == EditorKind::Classic) {
            editor = std::make_unique<CReseditDlg>(toQString(path), prompter, next);
        } else {
            editor = std::make_unique<CReseditReorgDlg>(toQString(path), prompter, next);
        }
        if (!editor->handedOver()) {
            editor->exec();
        }
    };
}

} // namespace resedit
