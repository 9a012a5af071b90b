// Saves a support bundle of the default machine (QUILLMARK_SYSROOT) through
// File > Save Support Bundle, then opens it through File > Open Support
// Bundle, as a user would, and keeps pictures of both: the save dialog with
// its listing, and the window on the replayed bundle in both views (the
// advanced one after "Get system info"). Every
// message and question is printed; the check's questions are declined.
//
//     diagtool_bundle_screenshots OUTDIR [--redact]
#include "DiagnosticsWidget.h"
#include "DiagtoolShell.h"
#include "MainDialog.h"
#include "MessagePrompter.h"
#include "QuestionPrompter.h"
#include "SaveBundleDialog.h"

#include "diagtool/content/DiagtoolContent.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

void print(const char* kind, const QString& title, const QString& text) {
    std::printf("%s: %s: %s\n", kind, qPrintable(title), qPrintable(text));
}

class PrintingMessages final : public MessagePrompter {
public:
    explicit PrintingMessages(QString folder) : folder_(std::move(folder)) {}
    void warning(QWidget*, const QString& title, const QString& text) override {
        print("warning", title, text);
    }
    void information(QWidget*, const QString& title, const QString& text) override {
        print("information", title, text);
    }
    // The bundle saved last, as the user picks it in the open dialog.
    QString openFileName(QWidget*, const QString& caption, const QString&) override {
        print("open", caption, saved_);
        return saved_;
    }
    // The suggested name, in the output folder.
    QString saveFileName(QWidget*, const QString& caption, const QString& suggested, const QString&,
                         QString*) override {
        saved_ = QDir(folder_).filePath(QFileInfo(suggested).fileName());
        print("save", caption, "suggested " + suggested + ", saving " + saved_);
        return saved_;
    }

private:
    QString folder_;
    QString saved_;
};

class DecliningQuestions final : public QuestionPrompter {
public:
    int ask(QWidget*, const QString& caption, const QString& text, const QString&, const QString&) override {
        print("question", caption, text);
        return 1;
    }
    void warn(QWidget*, const QString& caption, const QString& text) override {
        print("warning", caption, text);
    }
};

bool save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("saved %s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    registerDiagtoolContent();
    if (argc < 2) {
        std::fprintf(stderr, "usage: diagtool_bundle_screenshots OUTDIR [--redact]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const bool redact = argc > 2 && std::strcmp(argv[2], "--redact") == 0;
    QDir().mkpath(out);

    std::string error;
    auto machine = qmreplay::OpenMachine::openDefault(error);
    if (!machine) {
        std::fprintf(stderr, "no machine: %s\n", error.c_str());
        return 1;
    }
    PrintingMessages messages(out);
    DecliningQuestions questions;
    bool ok = true;
    MainDialogServices services;
    services.messages = &messages;
    services.questions = &questions;
    services.runSaveDialog = [&](SaveBundleDialog& dialog) {
        dialog.redactBox()->setChecked(redact);
        dialog.show();
        ok = save(dialog, out + "/save-bundle-dialog.png") && ok;
        ok = dialog.save() && ok;
    };
    DiagtoolShell shell(std::move(machine), services);
    ok = save(*shell.window(), out + "/before.png") && ok;

    shell.window()->saveBundleAction()->trigger();
    shell.window()->openBundleAction()->trigger();
    QApplication::processEvents();
    std::printf("title: %s\n", qPrintable(shell.window()->windowTitle()));
    ok = save(*shell.window(), out + "/bundle-opened.png") && ok;
    shell.window()->switchToAdvancedLayout();
    // "Get system info": the versions and registry reports of the replay.
    shell.window()->diagnosticsWidget()->PerformDiagnostics();
    ok = save(*shell.window(), out + "/bundle-opened-advanced.png") && ok;
    std::printf("replayed in %s\n",
                shell.machine().bundle() ? shell.machine().bundle()->folder().string().c_str() : "(none)");
    return ok ? 0 : 1;
}
