#include "CReseditApp.h"

#include "CReseditLauncherDlg.h"
#include "WidgetPrompter.h"

#include "resedit/EditorSession.h"

namespace resedit {

CReseditApp::CReseditApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The framework's profile key; resedit stores nothing there.
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setApplicationName(QStringLiteral("resedit"));
}

QString CReseditApp::commandLineFile(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (!arg.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            return arg;
        }
    }
    return {};
}

int CReseditApp::initInstance() {
    WidgetPrompter prompter;
    NextDrfPaths next;
    CReseditLauncherDlg launcher(commandLineFile(arguments()), prompter, next,
                                 dialogEditorRunner(prompter, next));
    launcher.exec();
    return 0;
}

} // namespace resedit
