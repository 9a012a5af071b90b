#pragma once

#include <QString>

class QWidget;

// Message boxes and file dialogs of the pages go through this, so tests
// script the answers and see what a user would have been shown.
class MessagePrompter {
public:
    virtual ~MessagePrompter() = default;
    // A box with one OK button.
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
    // Empty when the user cancels.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& filter) = 0;
    // The file to write, starting at `suggested` (may be empty); empty when
    // the user cancels. `selectedFilter`, when given, holds the filter to
    // start with and gets the one the user left chosen.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter, QString* selectedFilter) = 0;
};

// The real boxes and dialogs.
class WidgetMessagePrompter final : public MessagePrompter {
public:
    void warning(QWidget* parent, const QString& title, const QString& text) override;
    void information(QWidget* parent, const QString& title, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter, QString* selectedFilter) override;
};
