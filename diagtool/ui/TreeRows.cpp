#include "TreeRows.h"

#include "MessagePrompter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

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

QString selectedRowsAsText(const QTreeWidget& tree) {
    QString out;
    const int columns = tree.columnCount();
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree), QTreeWidgetItemIterator::Selected); *it;
         ++it) {
        const QTreeWidgetItem* item = *it;
        if (item->childCount() > 0 || item->isHidden())
            continue;
        QStringList fields;
        for (int c = 0; c < columns; ++c) {
            QString field = item->text(c);
            field.replace(QLatin1Char('\t'), QLatin1Char(' '));
            field.replace(QLatin1String("\r\n"), QLatin1String(" "));
            field.replace(QLatin1Char('\n'), QLatin1Char(' '));
            field.replace(QLatin1Char('\r'), QLatin1Char(' '));
            fields << field;
        }
        out += fields.join(QLatin1Char('\t'));
        out += QLatin1Char('\n');
    }
    return out;
}

bool copySelectedRows(const QTreeWidget& tree) {
    const QString text = selectedRowsAsText(tree);
    if (text.isEmpty())
        return false;
    QApplication::clipboard()->setText(text);
    return true;
}

void addCopyRowsAction(QTreeWidget& tree) {
    auto* copy = new QAction(QObject::tr("&Copy"), &tree);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(copy, &QAction::triggered, &tree, [&tree] { copySelectedRows(tree); });
    tree.addAction(copy);
    tree.setContextMenuPolicy(Qt::ActionsContextMenu);
}

namespace {

QString wholeText(const QTreeWidgetItem& item, int column) {
    const QVariant whole = item.data(column, kWholeTextRole);
    return whole.isValid() ? whole.toString() : item.text(column);
}

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool shownByFilters(const QTreeWidgetItem* item) {
    for (; item != nullptr; item = item->parent()) {
        if (item->isHidden())
            return false;
    }
    return true;
}

} // namespace

ExportTable shownRows(const QTreeWidget& tree) {
    ExportTable table;
    std::vector<int> columns;
    const QTreeWidgetItem* header = tree.headerItem();
    for (int c = 0; c < tree.columnCount(); ++c) {
        if (tree.isColumnHidden(c))
            continue;
        columns.push_back(c);
        table.headers.push_back(utf8(header->text(c)));
    }
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it; ++it) {
        const QTreeWidgetItem* item = *it;
        if (item->childCount() > 0 || !shownByFilters(item))
            continue;
        std::vector<std::string> row;
        row.reserve(columns.size());
        for (int c : columns)
            row.push_back(utf8(wholeText(*item, c)));
        table.rows.push_back(std::move(row));
    }
    return table;
}

bool exportShownRows(QWidget* page, const QTreeWidget& tree, MessagePrompter& prompter) {
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
