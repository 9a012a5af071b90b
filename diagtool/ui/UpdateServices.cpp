#include "UpdateServices.h"

#include <QDesktopServices>
#include <QMessageBox>

bool DesktopUrlOpener::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void MessageBoxUpdatePrompter::warning(const QString& title, const QString& text) {
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}
