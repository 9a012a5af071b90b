#include "CReseditApp.h"

#include "CReseditLauncherDlg.h"
#include "WidgetPrompter.h"

#include "resedit/EditorSession.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace resedit {

CReseditApp::CReseditApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The framework's profile key; resedit stores nothing there.
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setApplicationName(QStringLiteral("resedit"));
}

namespace {

// Returns the help option, which the parser makes itself.
QCommandLineOption describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Opens the DRF editor. A drive resource file named on the command line opens at once\n"
                       "in the editor for its format; without one the launcher offers \"Select DRF\".\n"
                       "To inspect or change DRFs from scripts, use drftool."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE.bin"), QStringLiteral("The DRF to open."),
                                 QStringLiteral("[FILE.bin]"));
    return help;
}

} // namespace

CReseditApp::CommandLine CReseditApp::parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption help = describe(parser);
    // An unknown option makes parse() fail, but the parser has still sorted
    // every argument; those errors are the options passed over.
    parser.parse(arguments);
    CommandLine line;
    line.help = parser.isSet(help) || parser.isSet(QStringLiteral("help-all"));
    for (const QString& arg : parser.positionalArguments()) {
        if (!arg.isEmpty()) {
            line.file = arg;
            break;
        }
    }
    return line;
}

QString CReseditApp::usageText() {
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
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
