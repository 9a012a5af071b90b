#include "LiveProgress.h"

#include <QCoreApplication>

namespace {
constexpr qint64 kUpdateEveryMs = 30;
}

LiveProgress::LiveProgress(QWidget* owner, const QString& label, int maximum)
    : dialog_(label, QString(), 0, maximum, owner, Qt::Popup) {
    dialog_.setCancelButton(nullptr);
    dialog_.setMinimumDuration(0);
    dialog_.show();
    sinceUpdate_.start();
}

void LiveProgress::setValue(int value) {
    dialog_.setValue(value);
    if (sinceUpdate_.elapsed() >= kUpdateEveryMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceUpdate_.restart();
    }
}
