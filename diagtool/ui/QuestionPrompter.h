#pragma once

#include <QString>

class QWidget;

// The question boxes of the simple view, so tests script the answers.
class QuestionPrompter {
public:
    virtual ~QuestionPrompter() = default;
    // 0 or 1 for the button pressed; closing the box is 1.
    virtual int ask(QWidget* parent, const QString& caption, const QString& text, const QString& button0,
                    const QString& button1) = 0;
};

// A warning box: button 0 is the default, button 1 the escape button.
class MessageBoxQuestionPrompter final : public QuestionPrompter {
public:
    int ask(QWidget* parent, const QString& caption, const QString& text, const QString& button0,
            const QString& button1) override;
};
