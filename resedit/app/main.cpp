#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include "CReseditApp.h"

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    // Asked for help, resedit needs no display: it prints and ends.
    if (resedit::CReseditApp::parseCommandLine(arguments).help) {
        const QCoreApplication app(argc, argv);
        std::fputs(resedit::CReseditApp::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    resedit::CReseditApp app(argc, argv);
    return app.initInstance();
}
