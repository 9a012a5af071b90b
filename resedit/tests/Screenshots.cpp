// Starts resedit's launcher on each DRF given, as the program does, and saves a
// picture of every window it shows (launcher, then each editor) into a folder.
// Used to look at the screens on machines without a display.
#include "CReseditApp.h"
#include "CReseditLauncherDlg.h"
#include "EditorDialog.h"
#include "WidgetPrompter.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

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

void grabTo(QWidget* widget, const QString& file) {
    widget->grab().save(file);
    std::printf("%s\n", qPrintable(file));
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
    QDir().mkpath(out.path());
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
                launcher.reject();
            });
        }
        launcher.exec();
    }
    return 0;
}
