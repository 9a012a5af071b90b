// The about box: the program icon and its version, nothing else.
#pragma once

#include <QDialog>
#include <QIcon>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program's icon: a disc with its label area and a burnt track.
QIcon programIcon();
