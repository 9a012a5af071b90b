// Starts jobview as a user would (the application object, the file on the
// command line) and saves pictures of its windows for a look by eye:
//   jobview_screenshot FILE OUTPUT-FOLDER
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QPrintPreviewDialog>
#include <QTimer>

#include <cstdio>

#include "CAboutDlg.h"
#include "CJobViewApp.h"
#include "CJobViewView.h"
#include "CMainFrame.h"
#include "CProgressDialog.h"
#include "PictureFile.h"
#include "StatisticsDialog.h"
#include "jobview/JobStatistics.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: jobview_screenshot FILE OUTPUT-FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "jobview_screenshot: cannot make the folder %s\n", argv[2]);
        return 1;
    }
    // A picture that cannot be written ends the run: its path is never printed.
    bool failed = false;
    auto save = [&](QWidget* w, const char* name) {
        if (failed)
            return;
        const QString path = out.filePath(QString::fromLatin1(name));
        QString error;
        if (!jobview::savePicture(w->grab().toImage(), path, &error)) {
            std::fprintf(stderr, "jobview_screenshot: %s\n", error.toLocal8Bit().constData());
            failed = true;
            return;
        }
        std::printf("%s\n", path.toLocal8Bit().constData());
    };

    CJobViewApp theApp;
    theApp.InitInstance(QString());
    CMainFrame* frame = theApp.mainFrame();
    frame->resize(1000, 960);
    bool progressTaken = false;
    QObject::connect(frame->view(), &CJobViewView::passStarted, [&] {
        QTimer::singleShot(150, [&] {
            if (CProgressDialog* p = frame->view()->progressDialog(); p && !progressTaken) {
                progressTaken = true;
                save(p, "jobview-progress.png");
                save(frame, "jobview-rendering.png");
            }
        });
    });
    // Before any file: the view is white.
    QCoreApplication::processEvents();
    save(frame, "jobview-empty.png");
    frame->openFile(QString::fromLocal8Bit(argv[1]));
    QCoreApplication::processEvents();

    // The File menu with the recent files as the menu shows them.
    for (QObject* owner : frame->action(jobview::Command::FileOpen)->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            menu->popup(frame->mapToGlobal(QPoint(0, 0)));
            QCoreApplication::processEvents();
            save(menu, "jobview-file-menu.png");
            menu->hide();
        }
    }

    // The cursor over the star on the right of the label.
    QMouseEvent move(QEvent::MouseMove, QPointF(660, 400), QPointF(660, 400), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(frame->view()->viewport(), &move);
    QCoreApplication::processEvents();
    save(frame, "jobview-window.png");

    frame->resize(520, 480);
    QCoreApplication::processEvents();
    save(frame, "jobview-small.png");

    CAboutDlg about(frame);
    about.show();
    QCoreApplication::processEvents();
    save(&about, "jobview-about.png");

    if (JobFile::CJobFile* job = frame->view()->GetDocument()->job()) {
        StatisticsDialog statistics(computeStatistics(*job), frame);
        statistics.show();
        QCoreApplication::processEvents();
        save(&statistics, "jobview-statistics.png");
    }

    auto preview = frame->createPrintPreview();
    preview->resize(700, 800);
    preview->show();
    QCoreApplication::processEvents();
    save(preview.get(), "jobview-preview.png");
    return failed ? 1 : 0;
}
