#include "TreeRows.h"

#include "MessagePrompter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QStringList>
#include <QTreeView>
#include <QTreeWidget>

bool rowContains(const QTreeWidgetItem& item, const QString& text) {
    if (text.isEmpty())
        return true;
    // An item that computes its texts stores no columns of its own; the
    // tree's columns are the ones a user sees.
    const int columns = item.treeWidget() ? item.treeWidget()->columnCount() : item.columnCount();
    for (int c = 0; c < columns; ++c) {
        if (item.text(c).contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

namespace {

// Calls fn(index) for each row that holds data (group rows are left out)
// and that no filter hides (neither the row nor a group above it), in the
// order the tree shows them, also inside a collapsed group.
template <typename Fn> void forEachShownRow(const QTreeView& tree, const QModelIndex& parent, Fn&& fn) {
    const QAbstractItemModel& model = *tree.model();
    for (int row = 0; row < model.rowCount(parent); ++row) {
        if (tree.isRowHidden(row, parent))
            continue;
        const QModelIndex index = model.index(row, 0, parent);
        if (model.rowCount(index) > 0)
            forEachShownRow(tree, index, fn);
        else
            fn(index);
    }
}

QString cellText(const QModelIndex& row, int column) {
    return row.siblingAtColumn(column).data(Qt::DisplayRole).toString();
}

QString wholeText(const QModelIndex& row, int column) {
    const QModelIndex cell = row.siblingAtColumn(column);
    const QVariant whole = cell.data(kWholeTextRole);
    return whole.isValid() ? whole.toString() : cell.data(Qt::DisplayRole).toString();
}

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

QString selectedRowsAsText(const QTreeView& tree) {
    QString out;
    const QItemSelectionModel* selection = tree.selectionModel();
    if (tree.model() == nullptr || selection == nullptr || !selection->hasSelection())
        return out;
    const int columns = tree.model()->columnCount();
    forEachShownRow(tree, QModelIndex(), [&](const QModelIndex& row) {
        if (!selection->isSelected(row))
            return;
        QStringList fields;
        for (int c = 0; c < columns; ++c) {
            QString field = cellText(row, c);
            field.replace(QLatin1Char('\t'), QLatin1Char(' '));
            field.replace(QLatin1String("\r\n"), QLatin1String(" "));
            field.replace(QLatin1Char('\n'), QLatin1Char(' '));
            field.replace(QLatin1Char('\r'), QLatin1Char(' '));
            fields << field;
        }
        out += fields.join(QLatin1Char('\t'));
        out += QLatin1Char('\n');
    });
    return out;
}

bool copySelectedRows(const QTreeView& tree) {
    const QString text = selectedRowsAsText(tree);
    if (text.isEmpty())
        return false;
    QApplication::clipboard()->setText(text);
    return true;
}

void addCopyRowsAction(QTreeView& tree) {
    auto* copy = new QAction(QObject::tr("&Copy"), &tree);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(copy, &QAction::triggered, &tree, [&tree] { copySelectedRows(tree); });
    tree.addAction(copy);
    tree.setContextMenuPolicy(Qt::ActionsContextMenu);
}

ExportTable shownRows(const QTreeView& tree) {
    ExportTable table;
    const QAbstractItemModel* model = tree.model();
    if (model == nullptr)
        return table;
    std::vector<int> columns;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (tree.isColumnHidden(c))
            continue;
        columns.push_back(c);
        table.headers.push_back(utf8(model->headerData(c, Qt::Horizontal).toString()));
    }
    forEachShownRow(tree, QModelIndex(), [&](const QModelIndex& index) {
        std::vector<std::string> row;
        row.reserve(columns.size());
        for (int c : columns)
            row.push_back(utf8(wholeText(index, c)));
        table.rows.push_back(std::move(row));
    });
    return table;
}

bool exportShownRows(QWidget* page, const QTreeView& tree, MessagePrompter& prompter) {
    const QString csvFilter = QObject::tr("CSV files (*.csv)");
    const QString jsonFilter = QObject::tr("JSON files (*.json)");
    QString chosenFilter = csvFilter;
    const QString chosen =
        prompter.saveFileName(page, QObject::tr("Export rows"), QString(),
                              csvFilter + QStringLiteral(";;") + jsonFilter, &chosenFilter);
    if (chosen.isEmpty())
        return false;
    const auto [path, format] =
        exportTarget(std::filesystem::path(chosen.toStdWString()),
                     chosenFilter == jsonFilter ? ExportFormat::Json : ExportFormat::Csv);
    std::string error;
    if (!writeExport(path, format, shownRows(tree), error)) {
        prompter.warning(page, QObject::tr("Export error"),
                         QObject::tr("Could not write %1: %2")
                             .arg(QString::fromStdWString(path.wstring()), QString::fromStdString(error)));
        return false;
    }
    return true;
}
