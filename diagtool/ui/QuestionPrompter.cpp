#include "QuestionPrompter.h"

#include <QMessageBox>
#include <QPushButton>

int MessageBoxQuestionPrompter::ask(QWidget* parent, const QString& caption, const QString& text,
                                    const QString& button0, const QString& button1) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
    QPushButton* first = box.addButton(button0, QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(button1, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(second);
    box.exec();
    return box.clickedButton() == first ? 0 : 1;
}

void MessageBoxQuestionPrompter::warn(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}
