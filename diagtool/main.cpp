// diagtool: diagnoses an installation of the Quillmark System Software.

#include "diagtool/content/DiagtoolContent.h"
#include "diagtool/app/DiagtoolSession.h"
#include "MainDialog.h"
#include "diagtool/client_qt/QuillmarkModel.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>
#include <string>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    registerDiagtoolContent();

    std::string error;
    const std::unique_ptr<DiagtoolSession> session = DiagtoolSession::open(error);
    if (!session) {
        // Only where no machine can be opened at all (an unusable
        // QUILLMARK_SYSROOT); the real system always opens.
        QMessageBox::critical(nullptr, QObject::tr("Quillmark Diagnostic Utility"),
                              QString::fromStdString(error));
        return 1;
    }
    MainDialog dialog(session->system(), session->checks());
    dialog.show();
    return application.exec();
}
