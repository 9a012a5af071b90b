// paramscope's application object: InitInstance runs the dialog.
#pragma once

#include <QApplication>

namespace probe {

class CParamscopeApp : public QApplication {
    Q_OBJECT
public:
    CParamscopeApp(int& argc, char** argv) : QApplication(argc, argv) {}
    int initInstance();
};

} // namespace probe
