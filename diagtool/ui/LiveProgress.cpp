#include "LiveProgress.h"

#include <QCoreApplication>

LiveProgress::LiveProgress(QWidget* owner, const QString& label, int maximum, qint64 updateEveryMs,
                           Cancel cancel)
    : dialog_(label, QString(), 0, maximum, owner, cancel == Cancel::Yes ? Qt::Dialog : Qt::Popup),
      updateEveryMs_(updateEveryMs),
      events_(cancel == Cancel::Yes ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents) {
    if (cancel == Cancel::Yes) {
        dialog_.setWindowModality(Qt::WindowModal);
        // A cancelled dialog stays up until the loop sees it and ends.
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
    } else {
        dialog_.setCancelButton(nullptr);
    }
    dialog_.setMinimumDuration(0);
    dialog_.setValue(0);
    dialog_.show();
    sinceUpdate_.start();
}

void LiveProgress::setValue(int value) {
    if (sinceUpdate_.elapsed() < updateEveryMs_)
        return;
    dialog_.setValue(value);
    QCoreApplication::processEvents(events_);
    sinceUpdate_.restart();
}
