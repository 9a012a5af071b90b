#include "EventLogTreeWidget.h"

#include "TreeRows.h"

#include <QHeaderView>

namespace {
QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

EventLogTreeWidget::EventLogTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("EventLogTreeWidget"));
    setColumnCount(ColumnCount);
    setHeaderLabels({tr("Type"), tr("Time"), tr("ID"), tr("Description")});
    header()->setSectionResizeMode(QHeaderView::Interactive);
    // Newest first until the user picks a column to sort by.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);

    addCopyRowsAction(*this);
}

void EventLogTreeWidget::showRecords() {
    clear();
    // A sorted tree would place each new row on its own.
    setSortingEnabled(false);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(records_.size()));
    for (const EventLogRecord& r : records_) {
        items.append(new QTreeWidgetItem(
            QStringList{fromUtf8(r.type), fromUtf8(r.time), fromUtf8(r.id), fromUtf8(r.description)}));
    }
    addTopLevelItems(items);
    setSortingEnabled(true);
    applyFilter();
    for (int c = 0; c < ColumnCount; ++c)
        resizeColumnToContents(c);
}

void EventLogTreeWidget::setFilter(const QString& text) {
    filterText_ = text;
    applyFilter();
}

void EventLogTreeWidget::applyFilter() {
    // Only rows whose state changes are touched: each change lays the view out again.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const bool hide = !rowContains(*item, filterText_);
        if (item->isHidden() != hide)
            item->setHidden(hide);
    }
}
