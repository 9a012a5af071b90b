#pragma once

#include <QWidget>

class EventLogTreeWidget;
class MessagePrompter;
class QLineEdit;
class QPushButton;

namespace qmplatform {
class System;
}

// The "Event Log" page: the events of the labelling system's service in the
// Application log, or in a log file saved on another machine.
class EventLogWidget : public QWidget {
    Q_OBJECT
public:
    EventLogWidget(qmplatform::System& system, MessagePrompter& prompter, QWidget* parent = nullptr);

    EventLogTreeWidget* tree() const { return tree_; }

public slots:
    void scan();
    // Asks for a saved .evt file and lists its service events.
    void openLogFile();

private:
    qmplatform::System& system_;
    MessagePrompter& prompter_;
    EventLogTreeWidget* tree_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
};
