#include "EventLogTreeWidget.h"

#include "TreeRows.h"

#include <QHeaderView>

namespace {

// Which record a row shows; rows move when the user sorts.
constexpr int kRecordIndexRole = Qt::UserRole + 1;

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

EventLogTreeWidget::EventLogTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("EventLogTreeWidget"));
    setColumnCount(ColumnCount);
    setHeaderLabels({tr("Type"), tr("Time"), tr("Source"), tr("ID"), tr("Description")});
    header()->setSectionResizeMode(QHeaderView::Interactive);
    // Newest first until the user picks a column to sort by.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);

    addCopyRowsAction(*this);
}

void EventLogTreeWidget::showRecords() {
    clear();
    // A sorted tree would place each new row on its own.
    setSortingEnabled(false);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(records_.size()));
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const EventLogRecord& r = records_[i];
        const QString description = fromUtf8(r.description);
        auto* item = new QTreeWidgetItem(QStringList{fromUtf8(r.type), fromUtf8(r.time), fromUtf8(r.source),
                                                     fromUtf8(r.id), fromUtf8(oneLine(r.description))});
        item->setData(TypeColumn, kRecordIndexRole, static_cast<qulonglong>(i));
        item->setData(DescriptionColumn, kWholeTextRole, description);
        item->setToolTip(DescriptionColumn, description);
        items.append(item);
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

void EventLogTreeWidget::setScope(SourceScope scope) {
    scope_ = scope;
    applyFilter();
}

void EventLogTreeWidget::applyFilter() {
    int shown = 0;
    // Only rows whose state changes are touched: each change lays the view out again.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const auto index = item->data(TypeColumn, kRecordIndexRole).toULongLong();
        const bool hide =
            index >= records_.size() || !inScope(records_[index], scope_) || !rowContains(*item, filterText_);
        if (item->isHidden() != hide)
            item->setHidden(hide);
        shown += hide ? 0 : 1;
    }
    shown_ = shown;
    emit shownChanged();
}
