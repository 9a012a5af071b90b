// The application: settings, document, main window, and the file named on
// the command line.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

#include "WidgetPrompter.h"
#include "jobview/CJobViewDoc.h"

class CMainFrame;

class CJobViewApp {
public:
    CJobViewApp();
    ~CJobViewApp();

    // Builds and shows the main window and opens `file` if one is given,
    // then compares it with `compareWith` if that is given.
    bool InitInstance(const QString& file, const QString& compareWith = QString());
    CMainFrame* mainFrame() const { return frame.get(); }

private:
    WidgetPrompter prompter;
    QSettings settings;
    CJobViewDoc document;
    std::unique_ptr<CMainFrame> frame;
};
