#pragma once

#include "EventLogModel.h"

#include <QTreeView>

#include <vector>

// The events of the last scan or opened file, one row each (EventLogModel).
// Descriptions show on one line; the whole text is the cell's tooltip.
class EventLogView : public QTreeView {
    Q_OBJECT
public:
    using enum EventLogModel::Column;

    // How many rows the columns are fitted to.
    static constexpr int kFitRows = 100;

    explicit EventLogView(QWidget* parent = nullptr);

    EventLogModel& events() { return model_; }
    const EventLogModel& events() const { return model_; }
    const std::vector<EventLogRecord>& records() const { return model_.records(); }
    // Lists the records, then fits the columns.
    void showRecords(std::vector<EventLogRecord> records);
    void clear();
    // Narrows the rows to those in the scope that contain `text` in any column.
    void setFilter(const QString& text);
    void setScope(SourceScope scope);
    SourceScope scope() const { return model_.scope(); }
    // Rows that neither the scope nor the text leaves out.
    int shownCount() const { return model_.rowCount(); }

signals:
    void shownChanged();

private:
    EventLogModel model_;
};
