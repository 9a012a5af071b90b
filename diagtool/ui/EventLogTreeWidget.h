#pragma once

#include "diagtool/logs/EventLogRecord.h"

#include <QTreeWidget>

#include <vector>

// The service's events of the last scan, one row each.
class EventLogTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { TypeColumn, TimeColumn, IdColumn, DescriptionColumn, ColumnCount };

    explicit EventLogTreeWidget(QWidget* parent = nullptr);

    std::vector<EventLogRecord>& records() { return records_; }
    // One row per stored record, in list order, then the columns fitted.
    void showRecords();
    // Hides the rows that contain no `text` in any column.
    void setFilter(const QString& text);

private:
    void applyFilter();

    std::vector<EventLogRecord> records_;
    QString filterText_;
};
