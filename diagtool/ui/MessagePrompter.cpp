#include "MessagePrompter.h"

#include <QFileDialog>
#include <QMessageBox>

void WidgetMessagePrompter::warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void WidgetMessagePrompter::information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QString WidgetMessagePrompter::openFileName(QWidget* parent, const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString WidgetMessagePrompter::saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                            const QString& filter, QString* selectedFilter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter, selectedFilter);
}
