#pragma once

#include "diagtool/logs/CustomerLog.h"

#include <QString>
#include <QWidget>

class EventLogView;
class MessagePrompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qmplatform {
class System;
}

// The "Event Log" page: the events of the labelling system's service in
// this machine's Application log, or every event of a log file a customer
// sent (.evt or .evtx), with a status line that says what is listed.
class EventLogWidget : public QWidget {
    Q_OBJECT
public:
    EventLogWidget(qmplatform::System& system, MessagePrompter& prompter, QWidget* parent = nullptr);

    EventLogView* tree() const { return tree_; }
    QString statusText() const;

    // Progress values per read: the dialog's range.
    static constexpr int kProgressSteps = 1000;

public slots:
    void scan();
    // Asks for a .evt or .evtx file and lists its events of every source.
    void openLogFile();
    // Lists the file's events; false (with a box and the status line saying
    // why) when it cannot be read or the user cancelled.
    bool openLog(const QString& path);
    // Asks for a .csv or .json file and writes the shown rows to it.
    void exportRows();

private:
    void setScopeChoice(SourceScope scope, bool choosable);
    void showStatus();

    qmplatform::System& system_;
    MessagePrompter& prompter_;
    EventLogView* tree_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
    QComboBox* scopeBox_ = nullptr;
    QLabel* status_ = nullptr;
    // What the status line says besides the row counts.
    ListingStatus listing_;
    bool listed_ = false;
};
