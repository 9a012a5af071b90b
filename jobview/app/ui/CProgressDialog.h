// The modeless "Progress" dialog shown while the view renders.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QProgressBar;

class CProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDialog(QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return bar; }
    void setRange(int maximum);
    // Every track's position; the bar itself is redrawn at most every
    // kRedrawIntervalMs.
    void setPosition(int position);

    static constexpr qint64 kRedrawIntervalMs = 40;

signals:
    void positionSet(int position);

protected:
    // The pass decides when the dialog goes; Escape and the close box do not.
    void reject() override {}

private:
    QProgressBar* bar;
    QElapsedTimer sinceRedraw;
};
