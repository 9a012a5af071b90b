#pragma once

#include "diagtool/logs/CustomerLog.h"
#include "diagtool/logs/EventLogRecord.h"

#include <QTreeWidget>

#include <vector>

// The events of the last scan or opened file, one row each. Descriptions
// show on one line; the whole text is the cell's tooltip.
class EventLogTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { TypeColumn, TimeColumn, SourceColumn, IdColumn, DescriptionColumn, ColumnCount };

    explicit EventLogTreeWidget(QWidget* parent = nullptr);

    std::vector<EventLogRecord>& records() { return records_; }
    // One row per stored record, in list order, then the columns fitted.
    void showRecords();
    // Hides the rows outside the scope and those that contain no `text` in
    // any column.
    void setFilter(const QString& text);
    void setScope(SourceScope scope);
    SourceScope scope() const { return scope_; }
    // Rows that neither the scope nor the text hides.
    int shownCount() const { return shown_; }

signals:
    void shownChanged();

private:
    void applyFilter();

    std::vector<EventLogRecord> records_;
    QString filterText_;
    SourceScope scope_ = SourceScope::QuillmarkService;
    int shown_ = 0;
};
