#include "EventLogModel.h"

#include "TreeRows.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Does the text contain the needle, ignoring case? A lower-case ASCII
// needle in an ASCII text is compared byte by byte; anything else goes
// through QString's case folding (which also folds, say, the Kelvin sign
// to "k").
bool containsIgnoringCase(std::string_view text, const QString& needle, std::string_view asciiNeedle) {
    if (!asciiNeedle.empty() && isAscii(text)) {
        const auto hit = std::search(text.begin(), text.end(), asciiNeedle.begin(), asciiNeedle.end(),
                                     [](char a, char b) { return asciiLower(a) == b; });
        return hit != text.end();
    }
    return fromUtf8(text).contains(needle, Qt::CaseInsensitive);
}

// An event ID as a number; one that is not a number sorts after all of them.
std::uint64_t idNumber(const std::string& id) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), value);
    return ec == std::errc() && end == id.data() + id.size() && !id.empty()
               ? value
               : std::numeric_limits<std::uint64_t>::max();
}

} // namespace

EventLogModel::EventLogModel(QObject* parent) : QAbstractTableModel(parent) {}

void EventLogModel::setRecords(std::vector<EventLogRecord> records) {
    beginResetModel();
    records_ = std::move(records);
    rows_ = orderedRows();
    endResetModel();
}

void EventLogModel::clear() {
    setRecords({});
}

void EventLogModel::setFilter(const QString& text) {
    filterText_ = text;
    relayout();
}

void EventLogModel::setScope(SourceScope scope) {
    scope_ = scope;
    relayout();
}

int EventLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EventLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

std::string EventLogModel::cellText(const EventLogRecord& record, int column) const {
    switch (column) {
    case TypeColumn:
        return record.type;
    case TimeColumn:
        return record.time;
    case SourceColumn:
        return record.source;
    case IdColumn:
        return record.id;
    case DescriptionColumn:
        return oneLine(record.description);
    default:
        return {};
    }
}

QVariant EventLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const EventLogRecord& record = recordAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return fromUtf8(cellText(record, index.column()));
    case Qt::ToolTipRole:
    case kWholeTextRole:
        // The description on one line in the row; the whole text on demand.
        if (index.column() == DescriptionColumn)
            return fromUtf8(record.description);
        return {};
    case kRecordIndexRole:
        return static_cast<qulonglong>(rows_[static_cast<std::size_t>(index.row())]);
    default:
        return {};
    }
}

QVariant EventLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TypeColumn:
        return tr("Type");
    case TimeColumn:
        return tr("Time");
    case SourceColumn:
        return tr("Source");
    case IdColumn:
        return tr("ID");
    case DescriptionColumn:
        return tr("Description");
    default:
        return {};
    }
}

void EventLogModel::sort(int column, Qt::SortOrder order) {
    sortColumn_ = column >= 0 && column < ColumnCount ? column : -1;
    sortOrder_ = order;
    relayout();
}

bool EventLogModel::passes(const EventLogRecord& record, std::string_view asciiNeedle) const {
    if (!inScope(record, scope_))
        return false;
    if (filterText_.isEmpty())
        return true;
    // Every column counts, also one the page hides.
    for (const std::string* text : {&record.type, &record.time, &record.source, &record.id})
        if (containsIgnoringCase(*text, filterText_, asciiNeedle))
            return true;
    return containsIgnoringCase(oneLine(record.description), filterText_, asciiNeedle);
}

std::vector<std::uint32_t> EventLogModel::orderedRows() const {
    // An ASCII filter text, lower-cased, for the byte-wise comparison.
    const QByteArray utf8 = filterText_.toUtf8();
    std::string asciiNeedle(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (isAscii(asciiNeedle))
        std::transform(asciiNeedle.begin(), asciiNeedle.end(), asciiNeedle.begin(), asciiLower);
    else
        asciiNeedle.clear();
    std::vector<std::uint32_t> rows;
    rows.reserve(records_.size());
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (passes(records_[i], asciiNeedle))
            rows.push_back(static_cast<std::uint32_t>(i));
    if (sortColumn_ < 0)
        return rows;
    auto sortBy = [&](auto less) {
        if (sortOrder_ == Qt::AscendingOrder)
            std::stable_sort(rows.begin(), rows.end(), less);
        else
            std::stable_sort(rows.begin(), rows.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
    };
    if (sortColumn_ == TimeColumn) {
        // By the time itself: the text is in the locale's form.
        sortBy([&](std::uint32_t a, std::uint32_t b) { return records_[a].seconds < records_[b].seconds; });
        return rows;
    }
    if (sortColumn_ == IdColumn) {
        // By number (9 before 10); a text that is none after all numbers.
        std::vector<std::uint64_t> numbers(records_.size());
        for (std::uint32_t i : rows)
            numbers[i] = idNumber(records_[i].id);
        sortBy([&](std::uint32_t a, std::uint32_t b) {
            return numbers[a] != numbers[b] ? numbers[a] < numbers[b] : records_[a].id < records_[b].id;
        });
        return rows;
    }
    // The texts the rows show, made once: sorting compares each many times.
    std::vector<std::string> keys(records_.size());
    for (std::uint32_t i : rows)
        keys[i] = cellText(records_[i], sortColumn_);
    sortBy([&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    return rows;
}

void EventLogModel::relayout() {
    emit layoutAboutToBeChanged();
    std::vector<std::uint32_t> next = orderedRows();
    std::vector<int> rowOfRecord(records_.size(), -1);
    for (std::size_t row = 0; row < next.size(); ++row)
        rowOfRecord[next[row]] = static_cast<int>(row);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const int row = rowOfRecord[rows_[static_cast<std::size_t>(index.row())]];
        after.append(row < 0 ? QModelIndex() : createIndex(row, index.column()));
    }
    rows_ = std::move(next);
    changePersistentIndexList(before, after);
    emit layoutChanged();
}
