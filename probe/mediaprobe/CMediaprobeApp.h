// mediaprobe's application object: InitInstance runs the dialog.
#pragma once

#include <QApplication>

namespace probe {

class CMediaprobeApp : public QApplication {
    Q_OBJECT
public:
    CMediaprobeApp(int& argc, char** argv) : QApplication(argc, argv) {}
    int initInstance();
};

} // namespace probe
