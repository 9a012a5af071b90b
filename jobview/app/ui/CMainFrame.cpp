#include "CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "CAboutDlg.h"
#include "CJobViewView.h"
#include "FramePrompter.h"
#include "HitCompare.h"
#include "PictureFile.h"
#include "jobview/CJobViewDoc.h"

using namespace jobview;

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QIcon toolBarIcon(Command command, QStyle* style) {
    switch (command) {
    case Command::FileOpen:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    case Command::FileSavePicture:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    case Command::CopyPicture:
        return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case Command::FilePrint:
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case Command::AppAbout:
        return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case Command::CompareSummary:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default:
        return {};
    }
}

} // namespace

CMainFrame::CMainFrame(CJobViewDoc& document, FramePrompter& prompter, QSettings& settings, QWidget* parent)
    : QMainWindow(parent), doc(document), prompter(prompter), settings(settings),
      jobView(new CJobViewView(this)) {
    setObjectName(QStringLiteral("128"));
    setWindowIcon(programIcon());
    jobView->setDocument(&doc);
    setCentralWidget(jobView);
    recent.load(settings);
    createMenus();
    createToolBar();
    createStatusBar();
    rebuildRecentFiles();
    updateTitle(QString());
    updateCommands();
    connect(jobView, &CJobViewView::passStarted, this, &CMainFrame::updateCommands);
    connect(jobView, &CJobViewView::passFinished, this, &CMainFrame::updateCommands);
    connect(jobView, &CJobViewView::readoutChanged, this, &CMainFrame::showReadout);
    connect(jobView, &CJobViewView::compareChanged, this, &CMainFrame::onCompareChanged);
    jobView->OnInitialUpdate();
    resize(860, 900);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::action(Command command) const {
    const auto it = actions.find(command);
    return it == actions.end() ? nullptr : it->second;
}

void CMainFrame::createMenus() {
    std::map<std::string_view, QMenu*> menus;
    for (std::string_view name : kMenus)
        menus[name] = menuBar()->addMenu(text(name));
    fileMenu = menus[kCommands[0].menu];

    for (const CommandRow& row : kCommands) {
        QMenu* menu = menus[row.menu];
        if (row.command == Command::Separator) {
            QAction* separator = menu->addSeparator();
            // The separator after the recent files goes with them.
            if (actions.count(Command::RecentFile))
                recentSeparator = separator;
            continue;
        }
        const QString label = text(row.text);
        QAction* a = menu->addAction(label);
        // On a tool bar button the menu text shows without its key, its
        // mnemonic and its "...".
        QString buttonText = label.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
        if (buttonText.endsWith(QLatin1String("...")))
            buttonText.chop(3);
        a->setIconText(buttonText);
        a->setObjectName(QString::number(row.id));
        if (!row.shortcut.empty())
            a->setShortcut(QKeySequence(text(row.shortcut)));
        actions[row.command] = a;
    }

    connect(action(Command::FileOpen), &QAction::triggered, this, &CMainFrame::onFileOpen);
    connect(action(Command::FileSavePicture), &QAction::triggered, this, &CMainFrame::onSavePicture);
    connect(action(Command::CopyPicture), &QAction::triggered, this, &CMainFrame::onCopyPicture);
    connect(action(Command::FilePrint), &QAction::triggered, this, &CMainFrame::onFilePrint);
    connect(action(Command::FilePrintPreview), &QAction::triggered, this, &CMainFrame::onFilePrintPreview);
    connect(action(Command::FilePrintSetup), &QAction::triggered, this, &CMainFrame::onFilePrintSetup);
    connect(action(Command::AppExit), &QAction::triggered, this, &QWidget::close);
    connect(action(Command::AppAbout), &QAction::triggered, this, &CMainFrame::onAppAbout);
    connect(action(Command::ShowFileStatistics), &QAction::triggered, this,
            &CMainFrame::onShowFileStatistics);

    connect(action(Command::FileCompareWith), &QAction::triggered, this, &CMainFrame::onCompareWith);
    connect(action(Command::CompareSummary), &QAction::triggered, this, &CMainFrame::onCompareSummary);
    connect(action(Command::CompareEnd), &QAction::triggered, jobView, &CJobViewView::endCompare);
    auto* views = new QActionGroup(this);
    views->setExclusive(true);
    const std::pair<Command, CompareShown> switches[] = {{Command::CompareShowA, CompareShown::A},
                                                         {Command::CompareShowB, CompareShown::B},
                                                         {Command::CompareShowDifference, CompareShown::Difference}};
    for (const auto& [command, which] : switches) {
        QAction* a = action(command);
        a->setCheckable(true);
        views->addAction(a);
        connect(a, &QAction::triggered, this, [this, which = which] { jobView->showCompared(which); });
    }
}

void CMainFrame::createToolBar() {
    QToolBar* bar = addToolBar(text(kAppName));
    bar->setObjectName(QStringLiteral("59392-bar"));
    bar->setMovable(true);
    bar->setFloatable(true);
    for (Command command : kToolBar) {
        if (command == Command::Separator) {
            bar->addSeparator();
            continue;
        }
        QAction* a = action(command);
        a->setIcon(toolBarIcon(command, style()));
        bar->addAction(a);
    }
    compareBar = addToolBar(text(kCompareToolBarName));
    compareBar->setObjectName(QStringLiteral("compare-bar"));
    compareBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (Command command : kCompareToolBar) {
        QAction* a = action(command);
        a->setIcon(toolBarIcon(command, style()));
        compareBar->addAction(a);
    }
    compareBar->hide();

    QAction* toggle = action(Command::ViewToolbar);
    toggle->setCheckable(true);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
    connect(bar, &QToolBar::visibilityChanged, toggle, [this, bar, toggle](bool) {
        // Closing the window hides the bar too; only a user's choice counts.
        if (isVisible())
            toggle->setChecked(bar->isVisible());
    });
}

void CMainFrame::onCompareChanged() {
    const CompareState* compare = jobView->compare();
    compareBar->setVisible(compare != nullptr);
    if (compare) {
        const Command checked = compare->shown() == CompareShown::A   ? Command::CompareShowA
                                : compare->shown() == CompareShown::B ? Command::CompareShowB
                                                                      : Command::CompareShowDifference;
        action(checked)->setChecked(true);
    }
    updateTitle(currentFile);
    updateCommands();
}

void CMainFrame::onCompareWith() {
    if (jobView->busy())
        return;
    const QString path = prompter.chooseFileToCompare();
    if (!path.isEmpty())
        compareWithFile(path);
}

bool CMainFrame::compareWithFile(const QString& path) {
    if (jobView->busy())
        return false;
    // B gets a document of its own: the open file stays A, untouched.
    CJobViewDoc other(prompter);
    if (!other.OnOpenDocument(path.toStdString()))
        return false; // the document has said why
    QString why;
    if (!jobView->compareWith(other, QFileInfo(path).fileName(), &why)) {
        prompter.showError(why);
        return false;
    }
    return true;
}

void CMainFrame::onCompareSummary() {
    const CompareState* compare = jobView->compare();
    if (!compare)
        return;
    const QString head = QStringLiteral("A: %1\nB: %2\n\n").arg(QFileInfo(currentFile).fileName(), compare->fileB());
    prompter.showCompareSummary(head + QString::fromStdString(summaryText(compare->comparison().summary())));
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    messagePane = new QLabel(text(kReady), bar);
    messagePane->setObjectName(QStringLiteral("59393-message"));
    bar->addWidget(messagePane, 1);
    // The lock indicators keep their places, greyed as when the locks are
    // off: Qt offers no portable way to read the keyboard's lock states.
    for (std::string_view indicator : kIndicators) {
        auto* pane = new QLabel(text(indicator), bar);
        pane->setObjectName(text(indicator));
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    QAction* toggle = action(Command::ViewStatusBar);
    toggle->setCheckable(true);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::showReadout(const QString& readout) {
    messagePane->setText(readout.isEmpty() ? text(kReady) : readout);
}

void CMainFrame::rebuildRecentFiles() {
    for (QAction* a : recentActions) {
        fileMenu->removeAction(a);
        a->deleteLater();
    }
    recentActions.clear();
    QAction* placeholder = action(Command::RecentFile);
    const QStringList& files = recent.files();
    placeholder->setVisible(files.isEmpty());
    placeholder->setEnabled(false);
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files.at(i);
        auto* a = new QAction(recent.menuText(i, QDir::currentPath()), fileMenu);
        a->setObjectName(QString::number(kRecentFileFirstId + i));
        a->setToolTip(path);
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] { openFile(path); });
        fileMenu->insertAction(recentSeparator, a);
        recentActions.append(a);
    }
    updateCommands();
}

void CMainFrame::updateTitle(const QString& path) {
    currentFile = path;
    QString name = path.isEmpty() ? text(kUntitled) : QFileInfo(path).fileName();
    if (const CompareState* compare = jobView->compare())
        name += QStringLiteral(" / ") + compare->fileB() + compare->shownName();
    setWindowTitle(QStringLiteral("%1 - %2").arg(name, text(kAppName)));
}

void CMainFrame::updateCommands() {
    // While a pass runs it reads the document between events: nothing may
    // replace the document under it.
    const bool idle = !jobView->busy();
    action(Command::FileOpen)->setEnabled(idle);
    for (QAction* a : recentActions)
        a->setEnabled(idle);
    const bool havePicture = !jobView->pictureImage().isNull();
    action(Command::FileSavePicture)->setEnabled(havePicture);
    action(Command::CopyPicture)->setEnabled(havePicture);
    action(Command::FileCompareWith)->setEnabled(idle && havePicture);
    const bool comparing = jobView->compare() != nullptr;
    for (Command c : {Command::CompareShowA, Command::CompareShowB, Command::CompareShowDifference,
                      Command::CompareSummary, Command::CompareEnd})
        action(c)->setEnabled(comparing);
}

bool CMainFrame::openFile(const QString& path) {
    if (jobView->busy() || path.isEmpty())
        return false;
    const bool opened = doc.OnOpenDocument(path.toStdString());
    if (opened) {
        recent.add(path);
        recent.save(settings);
    } else {
        // A recent file that has gone or no longer opens is not offered again.
        recent.remove(path);
        recent.save(settings);
    }
    rebuildRecentFiles();
    updateTitle(opened ? path : QString());
    jobView->OnUpdate();
    updateCommands();
    return opened;
}

void CMainFrame::onFileOpen() {
    const QString path = prompter.chooseFileToOpen();
    if (!path.isEmpty())
        openFile(path);
}

void CMainFrame::onSavePicture() {
    const QImage& picture = jobView->pictureImage();
    if (picture.isNull())
        return;
    const QString path = prompter.choosePictureFile();
    if (path.isEmpty())
        return;
    QString error;
    if (!savePicture(picture, path, &error))
        prompter.showError(error);
}

void CMainFrame::onCopyPicture() {
    const QImage& picture = jobView->pictureImage();
    if (!picture.isNull())
        QGuiApplication::clipboard()->setImage(picture);
}

void CMainFrame::printPicture(QPrinter& target) const {
    QPainter painter(&target);
    if (!painter.isActive())
        return;
    const QRect page = painter.viewport();
    const QImage& picture = jobView->pictureImage();
    if (picture.isNull())
        return;
    // One picture pixel per printer dot would leave a label of a few
    // centimetres; the picture is scaled to the printable width instead.
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(picture.rect());
    jobView->paintPicture(painter);
}

void CMainFrame::onFilePrint() {
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printPicture(printer);
}

std::unique_ptr<QPrintPreviewDialog> CMainFrame::createPrintPreview() {
    auto preview = std::make_unique<QPrintPreviewDialog>(&printer, this);
    connect(preview.get(), &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printPicture(*target); });
    return preview;
}

void CMainFrame::onFilePrintPreview() {
    createPrintPreview()->exec();
}

void CMainFrame::onFilePrintSetup() {
    QPageSetupDialog dialog(&printer, this);
    dialog.exec();
}

void CMainFrame::onAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::onShowFileStatistics() {
    doc.onShowFileStatistics();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (jobView->busy()) {
        // The pass ends after its current track; the progress dialog, a
        // window of its own, must not keep the program alive.
        jobView->requestStop();
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    QMainWindow::closeEvent(event);
}
