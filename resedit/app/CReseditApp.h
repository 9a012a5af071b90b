// The application object: parses the command line and runs the launcher.
#pragma once

#include <QApplication>
#include <QString>

namespace resedit {

class CReseditApp : public QApplication {
    Q_OBJECT
public:
    CReseditApp(int& argc, char** argv);

    // Shows the launcher modally; the program ends when it returns.
    int initInstance();

    // What the command line asks for; `arguments` starts with the program's
    // name. As the framework's standard parsing does, options it does not
    // know are passed over; the first other argument names the DRF (a "/"
    // starts a path here, not an option).
    struct CommandLine {
        bool help = false;
        QString file;
    };
    static CommandLine parseCommandLine(const QStringList& arguments);
    // The DRF named on the command line; empty when there is none.
    static QString commandLineFile(const QStringList& arguments) { return parseCommandLine(arguments).file; }
    // The --help text; the program's name in it comes from the running
    // application object.
    static QString usageText();
};

} // namespace resedit
