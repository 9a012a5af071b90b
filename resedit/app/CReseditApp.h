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

    // The DRF named on the command line: the first argument that is not an
    // option ("-x"; a "/" starts a path here); empty when there is none.
    static QString commandLineFile(const QStringList& arguments);
};

} // namespace resedit
