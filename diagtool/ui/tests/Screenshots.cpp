// Saves pictures of diagtool's window as it comes up on the default machine
// (QUILLMARK_SYSROOT): the simple view after its check, then each page of the
// advanced view after its own action (system info and drive scan, event log
// scan, error file scan, a lookup). Questions of the check are answered from
// the command line instead of boxes; what was asked, any message and the
// About text are printed. With --open-log, the event log page's "Open log
// file..." button is clicked and the file dialog answered with FILE.
//
//     diagtool_screenshots OUTDIR [--open-log FILE] [ANSWER...]
//                                          (0 = first button, 1 = second)
#include "DiagnosticsWidget.h"
#include "ErrorFilesWidget.h"
#include "EventLogWidget.h"
#include "MainDialog.h"
#include "MessagePrompter.h"
#include "QuestionPrompter.h"
#include "diagtool/app/DiagtoolSession.h"
#include "diagtool/client_qt/QuillmarkModel.h"
#include "diagtool/content/DiagtoolContent.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

class PrintingMessages final : public MessagePrompter {
public:
    void warning(QWidget*, const QString& title, const QString& text) override {
        print("warning", title, text);
    }
    void information(QWidget*, const QString& title, const QString& text) override {
        print("information", title, text);
    }
    QString openFileName(QWidget*, const QString& caption, const QString& filter) override {
        std::printf("file dialog: %s (%s) -> %s\n", qPrintable(caption), qPrintable(filter),
                    qPrintable(openFile));
        return openFile;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, QString*) override {
        return {};
    }
    QString openFile;

private:
    static void print(const char* kind, const QString& title, const QString& text) {
        std::printf("%s: %s: %s\n", kind, qPrintable(title), qPrintable(text));
    }
};

class AnsweringQuestions final : public QuestionPrompter {
public:
    explicit AnsweringQuestions(std::vector<int> answers) : answers_(std::move(answers)) {}
    int ask(QWidget*, const QString& caption, const QString& text, const QString& button0,
            const QString& button1) override {
        const int answer = next_ < answers_.size() ? answers_[next_++] : 1;
        std::printf("question: %s: %s[%s | %s] -> %d\n", qPrintable(caption), qPrintable(text),
                    qPrintable(button0), qPrintable(button1), answer);
        return answer;
    }
    void warn(QWidget*, const QString& caption, const QString& text) override {
        std::printf("warning: %s: %s\n", qPrintable(caption), qPrintable(text));
    }

private:
    std::vector<int> answers_;
    std::size_t next_ = 0;
};

bool save(QWidget& window, const QString& path) {
    QApplication::processEvents();
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: diagtool_screenshots OUTDIR [--open-log FILE] [ANSWER...]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    QString openLog;
    int firstAnswer = 2;
    if (argc > 3 && std::string_view(argv[2]) == "--open-log") {
        openLog = QString::fromLocal8Bit(argv[3]);
        firstAnswer = 4;
    }
    std::vector<int> answers;
    for (int i = firstAnswer; i < argc; ++i) {
        answers.push_back(std::atoi(argv[i]));
    }
    registerDiagtoolContent();
    std::string error;
    const std::unique_ptr<DiagtoolSession> session = DiagtoolSession::open(error);
    if (!session) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    PrintingMessages messages;
    messages.openFile = openLog;
    AnsweringQuestions questions(std::move(answers));
    MainDialogServices services;
    services.messages = &messages;
    services.questions = &questions;
    services.about = [](QWidget*, const QString& title, const QString& text) {
        std::printf("about: %s: %s\n", qPrintable(title), qPrintable(text));
    };
    MainDialog dialog(session->system(), session->checks(), services);
    dialog.show();
    bool ok = save(dialog, out + "/simple.png");
    dialog.about();

    dialog.switchToAdvancedLayout();
    QTabWidget* tabs = dialog.tabWidget();
    dialog.diagnosticsWidget()->PerformDiagnostics();
    dialog.diagnosticsWidget()->ScanDrivesAndMedia();
    dialog.eventLogWidget()->scan();
    dialog.errorFilesWidget()->scan();
    const char* names[] = {"diagnostics", "eventlog", "errorfiles", "utilities"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        ok = save(dialog, out + "/advanced-" + names[i] + ".png") && ok;
    }
    if (!openLog.isEmpty()) {
        EventLogWidget* page = dialog.eventLogWidget();
        tabs->setCurrentWidget(page);
        page->findChild<QPushButton*>(QStringLiteral("openLogFile"))->click();
        std::printf("status line: %s\n",
                    qPrintable(page->findChild<QLabel*>(QStringLiteral("statusLine"))->text()));
        ok = save(dialog, out + "/advanced-eventlog-file.png") && ok;
    }
    dialog.jumpToError(QStringLiteral("4268"));
    ok = save(dialog, out + "/advanced-lookup.png") && ok;
    dialog.switchToSimpleLayout();
    ok = save(dialog, out + "/simple-again.png") && ok;
    return ok ? 0 : 1;
}
