// The main window: menus, tool bar, status bar and the view; carries out the
// commands of the File, View, Help and Statistics menus.
#pragma once

#include <QMainWindow>
#include <QPrinter>

#include <map>
#include <memory>

#include "JobViewResources.h"
#include "RecentFileList.h"

class CJobViewDoc;
class CJobViewView;
class QAction;
class QLabel;
class QMenu;
class QPrintPreviewDialog;
class QSettings;
class QToolBar;

namespace jobview {
class FramePrompter;
}

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CJobViewDoc& document, jobview::FramePrompter& prompter, QSettings& settings,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    CJobViewView* view() const { return jobView; }
    QAction* action(jobview::Command command) const;
    const jobview::RecentFileList& recentFiles() const { return recent; }

    // Opens the file into the document and renders it; false when the
    // document refused it (the user has been told why, where there is a why).
    bool openFile(const QString& path);
    // Compares the open file with `path` (File > Compare With... without the
    // dialog); false when it cannot (the user has been told why).
    bool compareWithFile(const QString& path);

    // The preview of what "Print..." prints; exec() it to show it modally.
    std::unique_ptr<QPrintPreviewDialog> createPrintPreview();
    // Prints the picture as the view shows it, scaled to fit the page.
    void printPicture(QPrinter& printer) const;

public slots:
    void onFileOpen();
    void onSavePicture();
    void onCopyPicture();
    void onFilePrint();
    void onFilePrintPreview();
    void onFilePrintSetup();
    void onAppAbout();
    void onShowFileStatistics();
    void onCompareWith();
    void onCompareSummary();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void rebuildRecentFiles();
    void updateTitle(const QString& path);
    void updateCommands();
    void showReadout(const QString& text);
    void onCompareChanged();

    CJobViewDoc& doc;
    jobview::FramePrompter& prompter;
    QSettings& settings;
    CJobViewView* jobView;
    QMenu* fileMenu = nullptr;
    QAction* recentSeparator = nullptr;
    QList<QAction*> recentActions;
    std::map<jobview::Command, QAction*> actions;
    jobview::RecentFileList recent;
    QLabel* messagePane = nullptr;
    QToolBar* compareBar = nullptr;
    QString currentFile;
    QPrinter printer;
};
