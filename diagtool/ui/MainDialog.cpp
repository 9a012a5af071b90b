#include "MainDialog.h"

// The labelling API's header brings <windows.h> in the Windows build, whose
// GetFileVersionInfo macro would rename CModuleVersion's member in this file
// only; it is dropped before the class is declared.
#ifdef GetFileVersionInfo
#undef GetFileVersionInfo
#endif

#include "ErrorFilesWidget.h"
#include "ErrorUtilitiesWidget.h"
#include "EventLogWidget.h"
#include "MessagePrompter.h"
#include "SaveBundleDialog.h"
#include "SimpleDiagnosticsWidget.h"
#include "diagtool/windows/CModuleVersion.h"

#include "platform/System.h"
#include "platform/Win32Codes.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>

namespace {

// Below the Program Files folder, where the installer puts the program.
constexpr wchar_t kInstalledProgram[] = L"\\Quillmark Diagnostic Utility\\diagtool.exe";
constexpr int kAdvancedMargin = 4;

} // namespace

MainDialog::MainDialog(qmplatform::System& system, WindowsDiagnostics& checks, MainDialogServices services)
    : QDialog(nullptr, Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint), system_(system),
      checks_(checks), messages_(services.messages), questions_(services.questions),
      scan_(std::move(services.scan)), about_(std::move(services.about)),
      bundleSource_(std::move(services.bundleSource)), openBundle_(std::move(services.openBundle)),
      runSaveDialog_(std::move(services.runSaveDialog)) {
    if (messages_ == nullptr) {
        ownMessages_ = std::make_unique<WidgetMessagePrompter>();
        messages_ = ownMessages_.get();
    }
    if (!runSaveDialog_) {
        runSaveDialog_ = [](SaveBundleDialog& dialog) { dialog.exec(); };
    }
    if (!about_) {
        about_ = [](QWidget* parent, const QString& title, const QString& text) {
            QMessageBox::about(parent, title, text);
        };
    }
    setWindowTitle(tr("Quillmark Diagnostic Utility"));
    move(100, 100);
    createActions();
    createMenus();
    buildSimpleLayout();
    switchToSimpleLayout();
    versionText_ = readVersionText(system_);
}

MainDialog::~MainDialog() = default;

void MainDialog::createActions() {
    openBundleAction_ = new QAction(tr("&Open Support Bundle..."), this);
    openBundleAction_->setShortcut(QKeySequence(tr("Ctrl+O")));
    openBundleAction_->setEnabled(static_cast<bool>(openBundle_));
    connect(openBundleAction_, &QAction::triggered, this, &MainDialog::openSupportBundle);

    saveBundleAction_ = new QAction(tr("Save Support &Bundle..."), this);
    saveBundleAction_->setShortcut(QKeySequence(tr("Ctrl+B")));
    saveBundleAction_->setEnabled(static_cast<bool>(bundleSource_));
    connect(saveBundleAction_, &QAction::triggered, this, &MainDialog::saveSupportBundle);

    exitAction_ = new QAction(tr("E&xit"), this);
    exitAction_->setShortcut(QKeySequence(tr("Ctrl+Q")));
    connect(exitAction_, &QAction::triggered, this, &QDialog::close);

    advancedViewAction_ = new QAction(tr("&Advanced View"), this);
    advancedViewAction_->setShortcut(QKeySequence(tr("Ctrl+A")));
    advancedViewAction_->setCheckable(true);
    connect(advancedViewAction_, &QAction::triggered, this, &MainDialog::switchToAdvancedLayout);

    simpleViewAction_ = new QAction(tr("&Simple View"), this);
    simpleViewAction_->setShortcut(QKeySequence(tr("Ctrl+S")));
    simpleViewAction_->setCheckable(true);
    connect(simpleViewAction_, &QAction::triggered, this, &MainDialog::switchToSimpleLayout);

    viewGroup_ = new QActionGroup(this);
    viewGroup_->setExclusive(true);
    viewGroup_->addAction(advancedViewAction_);
    viewGroup_->addAction(simpleViewAction_);

    aboutAction_ = new QAction(tr("&About"), this);
    connect(aboutAction_, &QAction::triggered, this, &MainDialog::about);
}

void MainDialog::createMenus() {
    menuBar_ = new QMenuBar(this);
    fileMenu_ = menuBar_->addMenu(tr("&File"));
    fileMenu_->addAction(openBundleAction_);
    fileMenu_->addAction(saveBundleAction_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);
    viewMenu_ = menuBar_->addMenu(tr("&View"));
    viewMenu_->addAction(advancedViewAction_);
    viewMenu_->addAction(simpleViewAction_);
    helpMenu_ = menuBar_->addMenu(tr("&Help"));
    helpMenu_->addAction(aboutAction_);
}

bool MainDialog::simpleViewShown() const {
    return simpleLayout_ != nullptr && currentLayout_ == simpleLayout_;
}

bool MainDialog::advancedViewShown() const {
    return advancedLayout_ != nullptr && currentLayout_ == advancedLayout_;
}

void MainDialog::buildSimpleLayout() {
    if (simpleWidget_ == nullptr) {
        simpleWidget_ = new SimpleDiagnosticsWidget(checks_, this, questions_);
    }
    if (simpleLayout_ == nullptr) {
        simpleLayout_ = new QHBoxLayout;
        simpleLayout_->addWidget(simpleWidget_);
    }
    simpleWidget_->show();
}

void MainDialog::buildAdvancedLayout() {
    if (advancedLayout_ == nullptr) {
        advancedLayout_ = new QHBoxLayout;
        // The tallest page only just fits the 800 x 500 of this view; the
        // frame of the tabs is margin enough.
        advancedLayout_->setContentsMargins(kAdvancedMargin, kAdvancedMargin, kAdvancedMargin,
                                            kAdvancedMargin);
    }
    if (tabWidget_ == nullptr) {
        tabWidget_ = new QTabWidget(this);
        eventLogWidget_ = new EventLogWidget(system_, *messages_, this);
        errorFilesWidget_ = new ErrorFilesWidget(this, system_, *messages_, this);
        errorUtilitiesWidget_ = new ErrorUtilitiesWidget(system_.registry(), this);
        diagnosticsWidget_ = new DiagnosticsWidget(checks_, this, scan_);
    }
    if (tabWidget_->count() == 0) {
        tabWidget_->addTab(diagnosticsWidget_, tr("Diagnostics"));
        tabWidget_->addTab(eventLogWidget_, tr("Event Log"));
        tabWidget_->addTab(errorFilesWidget_, tr("Error Files"));
        tabWidget_->addTab(errorUtilitiesWidget_, tr("Utilities"));
    }
    if (advancedLayout_->indexOf(tabWidget_) < 0) {
        advancedLayout_->addWidget(tabWidget_);
    }
}

void MainDialog::installLayout(QLayout* layout) {
    // A widget holds one layout at a time: the other one was deleted first.
    setLayout(layout);
    layout->setMenuBar(menuBar_);
    // At once, not on the next event: the size set next is bounded by this
    // layout's minimum, not by what the deleted one left behind.
    layout->activate();
    currentLayout_ = layout;
}

void MainDialog::switchToSimpleLayout() {
    if (tabWidget_ != nullptr) {
        tabWidget_->hide();
    }
    if (simpleViewShown()) {
        return;
    }
    delete advancedLayout_;
    advancedLayout_ = nullptr;
    buildSimpleLayout();
    installLayout(simpleLayout_);
    simpleViewAction_->setChecked(true);
    // The layout's minimum size makes the window larger than this.
    resize(100, 200);
}

void MainDialog::switchToAdvancedLayout() {
    if (simpleWidget_ != nullptr) {
        simpleWidget_->hide();
    }
    if (advancedViewShown()) {
        return;
    }
    delete simpleLayout_;
    simpleLayout_ = nullptr;
    buildAdvancedLayout();
    tabWidget_->show();
    installLayout(advancedLayout_);
    advancedViewAction_->setChecked(true);
    resize(800, 500);
}

void MainDialog::jumpToError(const QString& internalErrorNum) {
    if (!advancedViewShown()) {
        switchToAdvancedLayout();
    }
    tabWidget_->setCurrentIndex(kUtilitiesTabIndex);
    errorUtilitiesWidget_->lookup(internalErrorNum);
}

QString MainDialog::readVersionText(qmplatform::System& system) {
    std::wstring folder;
    if (system.shellFolders().folderPath(qmplatform::kCsidlProgramFiles, folder) != qmplatform::kSOk) {
        return QString::fromLatin1(kVersionError);
    }
    CModuleVersion module(system.libraries(), system.versionInfo());
    if (!module.GetFileVersionInfo(folder + kInstalledProgram)) {
        return QString::fromLatin1(kVersionError);
    }
    return QString::fromStdWString(module.versionText());
}

void MainDialog::about() {
    about_(
        this, tr("About Quillmark Diagnostic Utility."),
        tr("The <b>Quillmark Diagnostic Utility</b> helps to diagnose Quillmark System Software problems.") +
            QStringLiteral("<br>") + tr("Version - ") + versionText_);
}

void MainDialog::setBundleName(const QString& fileName) {
    setWindowTitle(fileName.isEmpty()
                       ? tr("Quillmark Diagnostic Utility")
                       : tr("Quillmark Diagnostic Utility - %1 (support bundle)").arg(fileName));
}

void MainDialog::saveSupportBundle() {
    if (!bundleSource_) {
        return;
    }
    SaveBundleDialog dialog(bundleSource_, *messages_, this);
    if (!dialog.collect()) {
        return;
    }
    runSaveDialog_(dialog);
}

void MainDialog::openSupportBundle() {
    if (!openBundle_) {
        return;
    }
    const QString file = messages_->openFileName(this, tr("Open Support Bundle"),
                                                 tr("Support bundles (*.zip);;All files (*)"));
    if (!file.isEmpty()) {
        openBundle_(file);
    }
}

void MainDialog::save() {}

void MainDialog::restore() {}
