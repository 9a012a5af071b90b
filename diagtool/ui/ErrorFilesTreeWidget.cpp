#include "ErrorFilesTreeWidget.h"

#include "ErrorJumpTarget.h"
#include "diagtool/logs/ErrorLogReader.h"
#include "LiveProgress.h"
#include "MessagePrompter.h"
#include "TreeRows.h"

#include <QHeaderView>
#include <QStyle>

namespace {
const char* const kHeaders[ErrorFilesTreeWidget::ColumnCount] = {
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "Log Level"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "Log File"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "Time"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "Category"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "ErrorInfo"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "Context"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "ExternalErrorNum"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "InternalErrorNum"),
    QT_TRANSLATE_NOOP("ErrorFilesTreeWidget", "ErrorMessage"),
};

// A row that shows its entry's fields instead of holding a copy of each
// text per column: a scan fills a hundred thousand rows, and the per-column
// storage of a plain item costs more than parsing the files did. The entry's
// texts are shared with the entry list, not copied.
class EntryItem final : public QTreeWidgetItem {
public:
    explicit EntryItem(const ErrorLogEntry& entry) : QTreeWidgetItem(UserType), entry_(entry) {}

    QVariant data(int column, int role) const override {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            if (const QString* text = field(column))
                return *text;
        }
        return QTreeWidgetItem::data(column, role);
    }

private:
    const QString* field(int column) const {
        switch (static_cast<ErrorFilesTreeWidget::Column>(column)) {
        case ErrorFilesTreeWidget::LogLevelColumn:
            return &entry_.logLevel;
        case ErrorFilesTreeWidget::LogFileColumn:
            return &entry_.logFileName;
        case ErrorFilesTreeWidget::TimeColumn:
            return &entry_.time;
        case ErrorFilesTreeWidget::CategoryColumn:
            return &entry_.category;
        case ErrorFilesTreeWidget::ErrorInfoColumn:
            return &entry_.errorInfo;
        case ErrorFilesTreeWidget::ContextColumn:
            return &entry_.context;
        case ErrorFilesTreeWidget::ExternalErrorNumColumn:
            return &entry_.externalErrorNum;
        case ErrorFilesTreeWidget::InternalErrorNumColumn:
            return &entry_.internalErrorNum;
        case ErrorFilesTreeWidget::ErrorMessageColumn:
            return &entry_.errorMessage;
        case ErrorFilesTreeWidget::ColumnCount:
            break;
        }
        return nullptr;
    }

    const ErrorLogEntry entry_;
};
} // namespace

ErrorFilesTreeWidget::ErrorFilesTreeWidget(ErrorJumpTarget* jumpTarget, MessagePrompter& prompter,
                                           QWidget* page)
    : QTreeWidget(page), jumpTarget_(jumpTarget), prompter_(prompter) {
    setObjectName(QStringLiteral("ErrorFilesTreeWidget"));
    QStringList headers;
    for (const char* h : kHeaders)
        headers << tr(h);
    setColumnCount(ColumnCount);
    setHeaderLabels(headers);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    // No sort column until the user clicks one, so the files' own order
    // (newest file first) shows first.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    folderIcon_.addPixmap(style()->standardPixmap(QStyle::SP_DirClosedIcon), QIcon::Normal, QIcon::Off);
    folderIcon_.addPixmap(style()->standardPixmap(QStyle::SP_DirOpenIcon), QIcon::Normal, QIcon::On);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &ErrorFilesTreeWidget::jumpToError);
    connect(this, &QTreeWidget::itemExpanded, this, &ErrorFilesTreeWidget::itemExpandedSlot);

    addCopyRowsAction(*this);
}

bool ErrorFilesTreeWidget::readResult(int result) {
    switch (static_cast<ErrorLogReadResult>(result)) {
    case ErrorLogReadResult::Accepted:
        return true;
    case ErrorLogReadResult::NotWellFormed:
        return false;
    case ErrorLogReadResult::NotQuillmarkLog:
        prompter_.information(window(), tr("Quillmark Error Log Parser"),
                              tr("The file is not a Quillmark error log file."));
        return false;
    }
    return false;
}

bool ErrorFilesTreeWidget::addLogFile(QIODevice& device, const QString& fileName, const QString& rootName) {
    return readResult(static_cast<int>(readErrorLog(document_, device, fileName, rootName, entries_)));
}

bool ErrorFilesTreeWidget::addLogFile(const QByteArray& content, const QString& fileName,
                                      const QString& rootName) {
    return readResult(static_cast<int>(readErrorLog(document_, content, fileName, rootName, entries_)));
}

void ErrorFilesTreeWidget::clearEntries() {
    clear();
    entries_.clear();
}

QTreeWidgetItem* ErrorFilesTreeWidget::entryItem(const ErrorLogEntry& e) const {
    return new EntryItem(e);
}

// Sorting stays off while rows are added: a sorted tree places every new
// row on its own, which makes a long fill quadratic.
void ErrorFilesTreeWidget::beginFill() {
    clear();
    setSortingEnabled(false);
    setUpdatesEnabled(false);
}

void ErrorFilesTreeWidget::endFill() {
    setUpdatesEnabled(true);
    setSortingEnabled(true);
    // Fresh rows are all shown; walking them only matters under a filter.
    if (!filterText_.isEmpty() || !filterLevel_.isEmpty())
        applyFilter();
}

void ErrorFilesTreeWidget::showFlat() {
    beginFill();
    LiveProgress progress(parentWidget(), tr("Parsing error data..."), static_cast<int>(entries_.size()));
    QList<QTreeWidgetItem*> items;
    items.reserve(entries_.size());
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        progress.setValue(static_cast<int>(i));
        items.append(entryItem(entries_[i]));
    }
    addTopLevelItems(items);
    endFill();
    for (int c = 0; c < ColumnCount; ++c)
        resizeColumnToContents(c);
}

void ErrorFilesTreeWidget::showLevels() {
    beginFill();
    LiveProgress progress(parentWidget(), tr("Parsing error data..."), static_cast<int>(entries_.size()));
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        progress.setValue(static_cast<int>(i));
        const ErrorLogEntry& entry = entries_[i];
        QTreeWidgetItem* group = nullptr;
        for (int g = 0; g < topLevelItemCount() && !group; ++g) {
            if (topLevelItem(g)->text(LogLevelColumn) == entry.logLevel)
                group = topLevelItem(g);
        }
        if (!group) {
            group = new QTreeWidgetItem(this);
            group->setIcon(LogLevelColumn, folderIcon_);
            group->setText(LogLevelColumn, entry.logLevel);
        }
        group->addChild(entryItem(entry));
    }
    endFill();
}

void ErrorFilesTreeWidget::setFilter(const QString& text, const QString& level) {
    filterText_ = text;
    filterLevel_ = level;
    applyFilter();
}

// Only rows whose state changes are touched: hiding or showing a row makes
// the view lay itself out again, which over a long scan costs more than the
// scan itself.
void ErrorFilesTreeWidget::applyFilter() {
    const auto matches = [this](const QTreeWidgetItem& item) {
        return (filterLevel_.isEmpty() || item.text(LogLevelColumn) == filterLevel_) &&
               rowContains(item, filterText_);
    };
    const auto show = [](QTreeWidgetItem* item, bool shown) {
        if (item->isHidden() == shown)
            item->setHidden(!shown);
    };
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = topLevelItem(i);
        if (top->childCount() == 0) {
            show(top, matches(*top));
            continue;
        }
        bool anyShown = false;
        for (int c = 0; c < top->childCount(); ++c) {
            const bool shown = matches(*top->child(c));
            show(top->child(c), shown);
            anyShown = anyShown || shown;
        }
        show(top, anyShown);
    }
}

void ErrorFilesTreeWidget::jumpToError(QTreeWidgetItem* item, int /*column*/) {
    if (!item || !jumpTarget_)
        return;
    const QString number = item->text(InternalErrorNumColumn);
    if (number.isEmpty())
        return;
    jumpTarget_->jumpToError(number);
}

void ErrorFilesTreeWidget::itemExpandedSlot(QTreeWidgetItem* /*item*/) {
    for (int c = 0; c < ColumnCount; ++c)
        resizeColumnToContents(c);
}
