// Saves pictures of paramscope and mediaprobe as they come up on the
// default machine (QUILLMARK_SYSROOT): the warning notice, each dialog after
// choosing its first drive and pressing Update, every message box shown on
// the way, and the about box. Prints the messages too.
#include "CAboutDlg.h"
#include "CMediaprobeDlg.h"
#include "CParamscopeDlg.h"
#include "ProbeApp.h"
#include "ProbeResources.h"

#include "probe/SearchPath.h"

#include "platform/System.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace probe;

class RecordingPrompter final : public ProbePrompter {
public:
    std::vector<std::string> messages;
    void message(std::string_view text) override { messages.emplace_back(text); }
};

void save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    if (!widget.grab().save(path)) {
        // A picture that was never written must not be reported as written.
        std::fprintf(stderr, "probe_screenshots: cannot write %s\n", path.toUtf8().constData());
        std::exit(1);
    }
    std::printf("wrote %s\n", path.toUtf8().constData());
}

void messageBox(const ToolProfile& profile, QMessageBox::Icon icon, const QString& text,
                QMessageBox::StandardButtons buttons, const QString& path) {
    QMessageBox box(icon, probeString(profile, kIdsAppTitle), text, buttons);
    save(box, path);
}

void shoot(const ToolProfile& profile, ProbeDialog& dialog, RecordingPrompter& prompter, const QString& out) {
    const QString name = qs(profile.name);
    messageBox(profile, QMessageBox::Warning, qs(profile.notice), QMessageBox::Ok | QMessageBox::Cancel,
               out + "/" + name + "-notice.png");
    dialog.initDialog();
    auto* combo = dialog.findChild<QComboBox*>(QString::number(kIdDriveList));
    if (combo->count() > 0) {
        combo->setCurrentIndex(0);
        emit combo->activated(0);
    }
    dialog.findChild<QPushButton*>(QString::number(kIdUpdate))->click();
    save(dialog, out + "/" + name + ".png");
    for (std::size_t i = 0; i < prompter.messages.size(); ++i) {
        std::printf("%s message: %s\n", profile.name.data(), prompter.messages[i].c_str());
        messageBox(profile, QMessageBox::NoIcon, qs(prompter.messages[i]), QMessageBox::Ok,
                   out + QStringLiteral("/%1-message-%2.png").arg(name).arg(i + 1));
    }
    CAboutDlg about(profile, qs(dialog.aboutText()), &dialog);
    save(about, out + "/" + name + "-about.png");
    const std::size_t shown = prompter.messages.size();
    dialog.reject();
    for (std::size_t i = shown; i < prompter.messages.size(); ++i) {
        std::printf("%s message at exit: %s\n", profile.name.data(), prompter.messages[i].c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: probe_screenshots OUT-FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "probe_screenshots: cannot create the folder %s\n", argv[1]);
        return 1;
    }
    std::string error;
    std::unique_ptr<qmplatform::System> system = qmplatform::makeDefaultSystem(error);
    if (!system) {
        std::fprintf(stderr, "probe_screenshots: %s\n", error.c_str());
        return 1;
    }
    extendSearchPath(system->environment());
    {
        RecordingPrompter prompter;
        CParamscopeDlg dialog(prompter, systemBindings(*system), systemAboutText(kParamscope, *system));
        shoot(kParamscope, dialog, prompter, out);
    }
    {
        RecordingPrompter prompter;
        CMediaprobeDlg dialog(prompter, systemBindings(*system), systemAboutText(kMediaprobe, *system));
        shoot(kMediaprobe, dialog, prompter, out);
    }
    return 0;
}
