#include "LiveProgress.h"

#include <QCoreApplication>

LiveProgress::LiveProgress(QWidget* owner, const QString& label, int maximum, qint64 updateEveryMs)
    : dialog_(label, QString(), 0, maximum, owner, Qt::Popup), updateEveryMs_(updateEveryMs) {
    dialog_.setCancelButton(nullptr);
    dialog_.setMinimumDuration(0);
    dialog_.setValue(0);
    dialog_.show();
    sinceUpdate_.start();
}

void LiveProgress::setValue(int value) {
    if (sinceUpdate_.elapsed() < updateEveryMs_)
        return;
    dialog_.setValue(value);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceUpdate_.restart();
}
