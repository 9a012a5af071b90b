// The compare view as a user meets it, saved as pictures for a look by eye:
//   jobview_compare_screenshot FILE-A FILE-B OUTPUT-FOLDER
// Opens A, triggers File > Compare With... (answered with B), switches the
// view with the keys, hovers a pixel, opens the summary; then tries a file
// that is not a job.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

#include <cstdio>

#include "CJobViewView.h"
#include "CMainFrame.h"
#include "FramePrompter.h"
#include "PictureFile.h"
#include "jobview/CJobViewDoc.h"

namespace {

// Answers the file dialogs from the command line and shows message boxes
// without waiting on them, so that they can be photographed.
class ShowingPrompter : public jobview::FramePrompter {
public:
    void showMessage(const std::string& text) override { show(QString::fromStdString(text)); }
    void showStatistics(const JobStatistics&) override {}
    QString chooseFileToOpen() override { return {}; }
    QString choosePictureFile() override { return {}; }
    QString chooseFileToCompare() override { return compareAnswer; }
    void showCompareSummary(const QString& text) override { show(text, QStringLiteral("Compare Summary")); }
    void showError(const QString& text) override { show(text); }

    void show(const QString& text, const QString& caption = QStringLiteral("jobview")) {
        last = std::make_unique<QMessageBox>(QMessageBox::Information, caption, text);
        last->setStyleSheet(QStringLiteral("QLabel { font-family: monospace; }"));
        last->show();
        QCoreApplication::processEvents();
    }
    QString compareAnswer;
    std::unique_ptr<QMessageBox> last;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: jobview_compare_screenshot FILE-A FILE-B OUTPUT-FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[3]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "jobview_compare_screenshot: cannot make the folder %s\n", argv[3]);
        return 1;
    }
    bool failed = false;
    auto save = [&](QWidget* w, const char* name) {
        const QString path = out.filePath(QString::fromLatin1(name));
        QString error;
        if (!failed && !jobview::savePicture(w->grab().toImage(), path, &error)) {
            std::fprintf(stderr, "jobview_compare_screenshot: %s\n", error.toLocal8Bit().constData());
            failed = true;
        } else if (!failed) {
            std::printf("%s\n", path.toLocal8Bit().constData());
        }
    };

    ShowingPrompter prompter;
    QSettings settings(out.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    CJobViewDoc doc(prompter);
    CMainFrame frame(doc, prompter, settings);
    frame.resize(1000, 1000);
    frame.show();
    // The keys go to the active window, as they do for a user.
    frame.activateWindow();
    if (!QTest::qWaitForWindowActive(&frame, 3000))
        std::fprintf(stderr, "jobview_compare_screenshot: the window did not become active; keys may not reach it\n");
    frame.openFile(QString::fromLocal8Bit(argv[1]));
    QCoreApplication::processEvents();

    prompter.compareAnswer = QString::fromLocal8Bit(argv[2]);
    frame.action(jobview::Command::FileCompareWith)->trigger();
    QCoreApplication::processEvents();
    if (prompter.last) {
        save(prompter.last.get(), "compare-refused.png");
        std::fprintf(stderr, "jobview_compare_screenshot: %s\n", prompter.last->text().toLocal8Bit().constData());
        return 1;
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(600, 330), QPointF(600, 330), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(frame.view()->viewport(), &move);
    QCoreApplication::processEvents();
    save(&frame, "compare-difference.png");
    for (const auto& [key, name] : {std::pair{Qt::Key_A, "compare-a.png"}, std::pair{Qt::Key_B, "compare-b.png"}}) {
        QTest::keyClick(&frame, key);
        QCoreApplication::processEvents();
        save(&frame, name);
    }
    QTest::keyClick(&frame, Qt::Key_D);
    frame.action(jobview::Command::CompareSummary)->trigger();
    if (prompter.last)
        save(prompter.last.get(), "compare-summary.png");
    prompter.last.reset();

    // A file that is no job: the document says so, the comparison stays.
    prompter.compareAnswer = QString::fromLocal8Bit(argv[0]);
    frame.action(jobview::Command::FileCompareWith)->trigger();
    if (prompter.last)
        save(prompter.last.get(), "compare-not-a-job.png");
    std::printf("title: %s\nstatus: %s\n", frame.windowTitle().toLocal8Bit().constData(),
                frame.statusBar()->findChild<QLabel*>()->text().toLocal8Bit().constData());
    return failed ? 1 : 0;
}
