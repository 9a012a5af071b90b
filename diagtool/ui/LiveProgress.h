#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

// The popup progress dialog of a scan. A popup is not modal, so setting its
// value alone never repaints it; this hands the value on, repaints and lets
// events through at most every few milliseconds. Handing on every value is
// what a long scan cannot afford: the bar measures its text on each change.
class LiveProgress {
public:
    LiveProgress(QWidget* owner, const QString& label, int maximum, qint64 updateEveryMs = kUpdateEveryMs);
    void setValue(int value);
    QProgressDialog& dialog() { return dialog_; }

    static constexpr qint64 kUpdateEveryMs = 30;

private:
    QProgressDialog dialog_;
    QElapsedTimer sinceUpdate_;
    qint64 updateEveryMs_;
};
