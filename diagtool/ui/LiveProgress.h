#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

// The popup progress dialog of a scan. A popup is not modal, so setting its
// value alone never repaints it; this repaints and lets events through at
// most every few milliseconds, which keeps it live without letting the
// event loop dominate a long scan.
class LiveProgress {
public:
    LiveProgress(QWidget* owner, const QString& label, int maximum);
    void setValue(int value);
    QProgressDialog& dialog() { return dialog_; }

private:
    QProgressDialog dialog_;
    QElapsedTimer sinceUpdate_;
};
