#include "TreeRows.h"

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
