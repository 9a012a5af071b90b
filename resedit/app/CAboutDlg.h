// Dialog 100, the about box: the program's icon, its name and version, a
// notice line and OK. Linux has no system menu to carry the About item, so
// the launcher's "About" button and the editors' Help menu open it.
#pragma once

#include <QDialog>

namespace resedit {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// Shows the about box modally over `parent`.
void showAboutBox(QWidget* parent);

} // namespace resedit
