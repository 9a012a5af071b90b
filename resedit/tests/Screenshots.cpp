// Starts resedit's launcher on each DRF given, as the program does, and saves a
// picture of every window it shows (launcher, then each editor) into a folder.
// Used to look at the screens on machines without a display.
#include "CReseditApp.h"
#include "CReseditLauncherDlg.h"
#include "EditorDialog.h"
#include "WidgetPrompter.h"

#include "resedit/Texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace resedit;

namespace {

// Records the messages instead of showing boxes, and answers no file dialog.
class QuietPrompter final : public Prompter {
public:
    void message(std::string_view text) override {
        std::printf("message: %.*s\n", int(text.size()), text.data());
    }
    SaveChoice askSaveChanges(std::string_view) override { return SaveChoice::Discard; }
    std::optional<std::string> openFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFileName(const FileDialogRequest&) override { return std::nullopt; }
    bool confirm(std::string_view) override { return false; }
};

// Set when a picture could not be written: the run then ends non-zero.
bool failed = false;

void grabTo(QWidget* widget, const QString& file) {
    QImageWriter writer(file);
    if (!writer.write(widget->grab().toImage())) {
        std::fprintf(stderr, "resedit_screenshots: cannot write %s: %s\n", qPrintable(file),
                     qPrintable(writer.errorString()));
        failed = true;
        return;
    }
    std::printf("%s\n", qPrintable(file));
}

// Pictures the modal window that `show` opens, then closes it with `close`.
void grabModal(const QString& file, const std::function<void()>& show,
               const std::function<void(QWidget*)>& close) {
    QTimer::singleShot(300, [file, close] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            grabTo(modal, file);
            close(modal);
        }
    });
    show();
}

void pressButton(QWidget* box, QMessageBox::StandardButton which) {
    if (auto* message = qobject_cast<QMessageBox*>(box)) {
        message->button(which)->click();
    }
}

} // namespace

int main(int argc, char** argv) {
    CReseditApp app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.at(1) == QStringLiteral("--help")) {
        std::printf("usage: resedit_screenshots OUTPUT-FOLDER [DRF...]\n");
        return args.size() < 2 ? 2 : 0;
    }
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "resedit_screenshots: cannot make the folder %s\n", qPrintable(out.path()));
        return 1;
    }
    QuietPrompter prompter;
    const QStringList files = args.mid(2);
    for (qsizetype i = -1; i < files.size(); ++i) {
        NextDrfPaths next;
        const QString path = i < 0 ? QString() : files.at(i);
        const QString stem = i < 0 ? QStringLiteral("launcher") : QFileInfo(path).completeBaseName();
        auto runner = [&](EditorKind kind, const std::string& drf) {
            // Picture the editor once it is up, then close it as Exit would.
            QTimer::singleShot(300, [&, kind] {
                if (auto* editor = qobject_cast<EditorDialog*>(QApplication::activeModalWidget())) {
                    const QString suffix = kind == EditorKind::Classic ? "-classic" : "-reorg";
                    grabTo(editor, out.filePath(stem + suffix + ".png"));
                    // Then the first media of the sorted list in Best quality, chosen as a user would.
                    const auto& layout = layoutFor(kind);
                    auto* media = editor->findChild<QComboBox*>(QString::number(layout.media));
                    auto* quality = editor->findChild<QComboBox*>(QString::number(layout.quality));
                    if (media != nullptr && quality != nullptr && media->count() > 0) {
                        media->setCurrentIndex(0);
                        Q_EMIT media->activated(0);
                        quality->setCurrentIndex(2);
                        Q_EMIT quality->activated(2);
                        grabTo(editor, out.filePath(stem + suffix + "-first-media-best.png"));
                    }
                    editor->done(QDialog::Rejected);
                }
            });
            dialogEditorRunner(prompter, next)(kind, drf);
        };
        CReseditLauncherDlg launcher(path, prompter, next, runner);
        if (i < 0) {
            QTimer::singleShot(300, [&] {
                grabTo(&launcher, out.filePath(stem + ".png"));
                // The about box, as the launcher's About button opens it.
                if (auto* about = launcher.findChild<QPushButton*>(QStringLiteral("about"))) {
                    grabModal(
                        out.filePath(QStringLiteral("about.png")), [about] { about->click(); },
                        [](QWidget* box) { qobject_cast<QDialog*>(box)->accept(); });
                }
                launcher.reject();
            });
        }
        launcher.exec();
    }

    // The questions and file dialogs as the program's own prompter shows them.
    WidgetPrompter real;
    const FileDialogRequest request{kDrfFilter, kDrfExtension, kDrfInitialName};
    const auto rejectDialog = [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); };
    grabModal(
        out.filePath(QStringLiteral("open-dialog.png")), [&] { (void)real.openFileName(request); },
        rejectDialog);
    grabModal(
        out.filePath(QStringLiteral("save-dialog.png")), [&] { (void)real.saveFileName(request); },
        rejectDialog);
    grabModal(
        out.filePath(QStringLiteral("create-prompt.png")),
        [&] { (void)real.confirm(savePrompt("new.bin", false)); },
        [](QWidget* box) { pressButton(box, QMessageBox::No); });
    grabModal(
        out.filePath(QStringLiteral("replace-prompt.png")),
        [&] { (void)real.confirm(savePrompt("format4.bin", true)); },
        [](QWidget* box) { pressButton(box, QMessageBox::No); });
    return failed ? 1 : 0;
}
