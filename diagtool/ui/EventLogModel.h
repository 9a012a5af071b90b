#pragma once

#include "diagtool/logs/CustomerLog.h"
#include "diagtool/logs/EventLogRecord.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The listed events as the event log view's rows. Texts are made when a
// row is drawn, copied or exported, not when a log is read: a customer's
// log may hold hundreds of thousands of records. The rows are the records
// in the scope that contain the filter text, in list order (newest first)
// until a column is chosen to sort by.
class EventLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TypeColumn, TimeColumn, SourceColumn, IdColumn, DescriptionColumn, ColumnCount };
    // Which record a row shows (the index into records()).
    static constexpr int kRecordIndexRole = Qt::UserRole + 1;

    explicit EventLogModel(QObject* parent = nullptr);

    const std::vector<EventLogRecord>& records() const { return records_; }
    // The rows of these records, in the chosen order, scope and filter.
    void setRecords(std::vector<EventLogRecord> records);
    // Drops every record.
    void clear();

    // Rows that contain `text` in any column, ignoring case (every row
    // when empty).
    void setFilter(const QString& text);
    void setScope(SourceScope scope);
    SourceScope scope() const { return scope_; }

    // The record of a row.
    const EventLogRecord& recordAt(int row) const { return records_[rows_[static_cast<std::size_t>(row)]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // By the column's shown text (the time by the time, the ID by number),
    // equal ones keeping list order; a column outside the table is list order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // The row texts as the columns show them.
    std::string cellText(const EventLogRecord& record, int column) const;
    bool passes(const EventLogRecord& record, std::string_view asciiNeedle) const;
    std::vector<std::uint32_t> orderedRows() const;
    // Replaces the rows, keeping the selection and current row on the
    // records that stay.
    void relayout();

    std::vector<EventLogRecord> records_;
    std::vector<std::uint32_t> rows_;
    QString filterText_;
    SourceScope scope_ = SourceScope::QuillmarkService;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
