// The modeless "Progress" dialog shown while the view renders.
#pragma once

#include <QDialog>

class QProgressBar;

class CProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDialog(QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return bar; }
    void setRange(int maximum);
    void setPosition(int position);

protected:
    // The pass decides when the dialog goes; Escape and the close box do not.
    void reject() override {}

private:
    QProgressBar* bar;
};
