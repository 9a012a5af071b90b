// jobview: shows a print job or a floyd picture as the drive would burn it,
// or renders it to a PNG or BMP file without a window (--render).
#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <iostream>

#include "CJobViewApp.h"
#include "CommandLine.h"
#include "HeadlessCompare.h"
#include "HeadlessRender.h"

using namespace jobview;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command = parseCommandLine(arguments);

    switch (command.mode) {
    case CommandLine::Mode::Help: {
        const QCoreApplication app(argc, argv);
        std::fputs(usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    case CommandLine::Mode::Invalid: {
        const QCoreApplication app(argc, argv);
        std::fprintf(stderr, "jobview: %s\n%s", command.error.toLocal8Bit().constData(),
                     usageText().toLocal8Bit().constData());
        return 2;
    }
    case CommandLine::Mode::Render: {
        // No display needed: the picture is painted into an image only.
        QCoreApplication app(argc, argv);
        QString error;
        if (!renderToFile(command.file, command.output, &error)) {
            std::fprintf(stderr, "jobview: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", command.output.toLocal8Bit().constData());
        return 0;
    }
    case CommandLine::Mode::Compare: {
        QCoreApplication app(argc, argv);
        return compareFiles(command.file, command.fileB, command.output, command.json, std::cout, std::cerr);
    }
    case CommandLine::Mode::Window:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("jobview"));
    CJobViewApp theApp;
    if (!theApp.InitInstance(command.file, command.fileB))
        return 1;
    return app.exec();
}
