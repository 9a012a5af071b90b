#include "ProbeApp.h"

#include "ProbeDialog.h"
#include "ProbeResources.h"

#include "probe/AboutText.h"
#include "probe/SearchPath.h"

#include "platform/System.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace probe {

void WidgetPrompter::message(std::string_view text) {
    QMessageBox box(QMessageBox::NoIcon, probeString(profile_, kIdsAppTitle), qs(text), QMessageBox::Ok);
    box.exec();
}

bool WidgetPrompter::acceptNotice() {
    QMessageBox box(QMessageBox::Warning, probeString(profile_, kIdsAppTitle), qs(profile_.notice),
                    QMessageBox::Ok | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

BindingFactory systemBindings(qmplatform::System& system) {
    return [&system] { return std::make_unique<PrintEngineBinding>(system.libraries(), system.files()); };
}

std::string systemAboutText(const ToolProfile& profile, qmplatform::System& system) {
    return programAboutText(profile, system.versionInfo(), system.libraries());
}

int runProbeApplication(const ToolProfile& profile, const DialogFactory& makeDialog) {
    WidgetPrompter prompter(profile);
    std::string error;
    std::unique_ptr<qmplatform::System> system = qmplatform::makeDefaultSystem(error);
    if (!system) {
        // No machine (a damaged or missing file of it, named in the text):
        // nothing else can run.
        QMessageBox::critical(nullptr, probeString(profile, kIdsAppTitle), qs(error));
        return 1;
    }
    extendSearchPath(system->environment());
    // The framework's profile key.
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(qs(profile.name));
    if (!prompter.acceptNotice()) {
        return 0;
    }
    std::unique_ptr<ProbeDialog> dialog = makeDialog(*system, prompter);
    dialog->initDialog();
    dialog->exec();
    return 0;
}

} // namespace probe
