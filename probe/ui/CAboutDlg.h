// The about box (dialog 100): icon, bitmap 131, the version text (id 1002)
// and OK, centred on the main window.
#pragma once

#include "probe/ToolProfile.h"

#include <QDialog>

namespace probe {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const ToolProfile& profile, const QString& text, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace probe
