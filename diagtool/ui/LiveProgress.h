#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>

// The progress dialog of a scan. Setting a dialog's value alone never
// repaints it in a loop that does not return to the event loop; this hands
// the value on, repaints and lets events through at most every few
// milliseconds. Handing on every value is what a long scan cannot afford:
// the bar measures its text on each change.
//
// Without a Cancel button it is a popup and lets no user input through.
// With one it is a window-modal dialog whose button the loop asks about
// through wasCanceled(); the rest of the window takes no input meanwhile.
class LiveProgress {
public:
    enum class Cancel { No, Yes };

    LiveProgress(QWidget* owner, const QString& label, int maximum, qint64 updateEveryMs = kUpdateEveryMs,
                 Cancel cancel = Cancel::No);
    void setValue(int value);
    bool wasCanceled() const { return dialog_.wasCanceled(); }
    QProgressDialog& dialog() { return dialog_; }

    static constexpr qint64 kUpdateEveryMs = 30;

private:
    QProgressDialog dialog_;
    QElapsedTimer sinceUpdate_;
    qint64 updateEveryMs_;
    QEventLoop::ProcessEventsFlags events_;
};
