#pragma once

#include <QString>

class QWidget;

// The question boxes of the simple view, and the warning after its check,
// so tests script the answers and see what was shown.
class QuestionPrompter {
public:
    virtual ~QuestionPrompter() = default;
    // 0 or 1 for the button pressed; closing the box is 1.
    virtual int ask(QWidget* parent, const QString& caption, const QString& text, const QString& button0,
                    const QString& button1) = 0;
    // A warning with one OK button.
    virtual void warn(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// A warning box: button 0 is the default, button 1 the escape button.
class MessageBoxQuestionPrompter final : public QuestionPrompter {
public:
    int ask(QWidget* parent, const QString& caption, const QString& text, const QString& button0,
            const QString& button1) override;
    void warn(QWidget* parent, const QString& caption, const QString& text) override;
};
