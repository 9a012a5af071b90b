#include "EventLogView.h"

#include "TreeRows.h"

#include <QHeaderView>

EventLogView::EventLogView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("EventLogView"));
    setModel(&model_);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    // Columns fit the rows around the shown ones, not every record of a
    // long log: measuring 50,000 descriptions would cost more than reading them.
    header()->setResizeContentsPrecision(kFitRows);
    // Newest first until the user picks a column to sort by.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);

    addCopyRowsAction(*this);
}

void EventLogView::showRecords(std::vector<EventLogRecord> records) {
    model_.setRecords(std::move(records));
    emit shownChanged();
    for (int c = 0; c < EventLogModel::ColumnCount; ++c)
        resizeColumnToContents(c);
}

void EventLogView::clear() {
    model_.clear();
}

void EventLogView::setFilter(const QString& text) {
    model_.setFilter(text);
    emit shownChanged();
}

void EventLogView::setScope(SourceScope scope) {
    model_.setScope(scope);
    emit shownChanged();
}
