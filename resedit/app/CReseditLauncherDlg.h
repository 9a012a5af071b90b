// Dialog 129: picks a DRF (command line, file dialog or drop) and shows the
// editor that matches its format version.
#pragma once

#include "resedit/LauncherFlow.h"

#include <QDialog>
#include <QString>

namespace resedit {

class CReseditLauncherDlg : public QDialog {
    Q_OBJECT
public:
    // `runEditor` shows an editor modally; the program's own shows the two
    // editor dialogs, tests record the calls.
    CReseditLauncherDlg(const QString& drfPath, Prompter& prompter, NextDrfPaths& next,
                        LauncherFlow::RunEditor runEditor, QWidget* parent = nullptr);

    const QString& drfPath() const { return drfPath_; }

public Q_SLOTS:
    // Opens the DRF path; once an editor has been shown the launcher closes.
    void openDrf();
    void onSelectDrf();

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString drfPath_;
    Prompter& prompter_;
    LauncherFlow flow_;
    bool started_ = false;
};

// The program's editor runner: the matching dialog, modal, with the prompter.
LauncherFlow::RunEditor dialogEditorRunner(Prompter& prompter, NextDrfPaths& next);

} // namespace resedit
