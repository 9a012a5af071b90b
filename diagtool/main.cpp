// diagtool: diagnoses an installation of the Quillmark System Software.

#include "diagtool/content/DiagtoolContent.h"
#include "diagtool/replay/OpenMachine.h"
#include "DiagtoolShell.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>
#include <string>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    registerDiagtoolContent();

    std::string error;
    std::unique_ptr<qmreplay::OpenMachine> machine = qmreplay::OpenMachine::openDefault(error);
    if (!machine) {
        // Only where no machine can be opened at all (an unusable
        // QUILLMARK_SYSROOT); the real system always opens.
        QMessageBox::critical(nullptr, QObject::tr("Quillmark Diagnostic Utility"),
                              QString::fromStdString(error));
        return 1;
    }
    // The shell removes a replayed bundle's temporary folder when it goes.
    DiagtoolShell shell(std::move(machine));
    return application.exec();
}
