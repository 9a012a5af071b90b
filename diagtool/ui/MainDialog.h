#pragma once

// The one window of diagtool: a simple view with the guided check, and an
// advanced view with the four pages in tabs. Each view is built on its first
// use and kept, so switching never loses what a page already shows.

#include "DiagnosticsWidget.h"
#include "ErrorJumpTarget.h"

#include "diagtool/bundle/BundlePlan.h"

#include <QDialog>

#include <functional>
#include <memory>

class EventLogWidget;
class ErrorFilesWidget;
class ErrorUtilitiesWidget;
class MessagePrompter;
class QAction;
class QActionGroup;
class QHBoxLayout;
class QLayout;
class QMenu;
class QMenuBar;
class QTabWidget;
class QuestionPrompter;
class SaveBundleDialog;
class SimpleDiagnosticsWidget;
class WindowsDiagnostics;

namespace qmplatform {
class System;
}

// The About box (QMessageBox::about in the program).
using AboutBox = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// What the window asks the user through; each null or empty member means
// the real boxes and the real drive scan. Tests script them.
struct MainDialogServices {
    MessagePrompter* messages = nullptr;
    QuestionPrompter* questions = nullptr;
    DriveScanner scan;
    AboutBox about;
    // The machine a support bundle is made of (File > Save Support Bundle);
    // null leaves the item disabled.
    qmbundle::SystemOpener bundleSource;
    // Opens a support bundle in place of this window's machine (File > Open
    // Support Bundle); null leaves the item disabled.
    std::function<void(const QString& file)> openBundle;
    // Shows the save dialog once it has collected; null: exec().
    std::function<void(SaveBundleDialog& dialog)> runSaveDialog;
};

class MainDialog : public QDialog, public ErrorJumpTarget {
    Q_OBJECT
public:
    static constexpr const char* kVersionError = "Error reading diagtool version\n";

    // The simple view is built, and its check run, before this returns.
    MainDialog(qmplatform::System& system, WindowsDiagnostics& checks, MainDialogServices services = {});
    ~MainDialog() override;

    // The double-click of an error log entry: the "Utilities" page, with
    // the number looked up.
    void jumpToError(const QString& internalErrorNum) override;

    // The file version of the installed copy in its fixed folder below
    // Program Files, or kVersionError.
    static QString readVersionText(qmplatform::System& system);

    const QString& versionText() const { return versionText_; }
    QLayout* currentLayout() const { return currentLayout_; }
    bool simpleViewShown() const;
    bool advancedViewShown() const;
    QTabWidget* tabWidget() const { return tabWidget_; }
    SimpleDiagnosticsWidget* simpleWidget() const { return simpleWidget_; }
    DiagnosticsWidget* diagnosticsWidget() const { return diagnosticsWidget_; }
    EventLogWidget* eventLogWidget() const { return eventLogWidget_; }
    ErrorFilesWidget* errorFilesWidget() const { return errorFilesWidget_; }
    ErrorUtilitiesWidget* errorUtilitiesWidget() const { return errorUtilitiesWidget_; }
    QMenuBar* menuBar() const { return menuBar_; }
    QAction* exitAction() const { return exitAction_; }
    QAction* aboutAction() const { return aboutAction_; }
    QAction* simpleViewAction() const { return simpleViewAction_; }
    QAction* advancedViewAction() const { return advancedViewAction_; }
    QAction* saveBundleAction() const { return saveBundleAction_; }
    QAction* openBundleAction() const { return openBundleAction_; }

    // A replayed support bundle: its file name goes into the title.
    void setBundleName(const QString& fileName);

public slots:
    void about();
    void save();
    void restore();
    void switchToAdvancedLayout();
    void switchToSimpleLayout();
    void saveSupportBundle();
    void openSupportBundle();

private:
    void createActions();
    void createMenus();
    void buildSimpleLayout();
    void buildAdvancedLayout();
    void installLayout(QLayout* layout);

    qmplatform::System& system_;
    WindowsDiagnostics& checks_;
    std::unique_ptr<MessagePrompter> ownMessages_;
    MessagePrompter* messages_;
    QuestionPrompter* questions_;
    DriveScanner scan_;
    AboutBox about_;
    qmbundle::SystemOpener bundleSource_;
    std::function<void(const QString&)> openBundle_;
    std::function<void(SaveBundleDialog&)> runSaveDialog_;

    QLayout* currentLayout_ = nullptr;
    QHBoxLayout* simpleLayout_ = nullptr;
    QHBoxLayout* advancedLayout_ = nullptr;
    QTabWidget* tabWidget_ = nullptr;
    EventLogWidget* eventLogWidget_ = nullptr;
    ErrorFilesWidget* errorFilesWidget_ = nullptr;
    ErrorUtilitiesWidget* errorUtilitiesWidget_ = nullptr;
    DiagnosticsWidget* diagnosticsWidget_ = nullptr;
    SimpleDiagnosticsWidget* simpleWidget_ = nullptr;

    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* saveBundleAction_ = nullptr;
    QAction* openBundleAction_ = nullptr;
    QAction* simpleViewAction_ = nullptr;
    QAction* advancedViewAction_ = nullptr;
    QActionGroup* viewGroup_ = nullptr;

    QString versionText_;
};
