#pragma once

// What both log trees offer beyond their columns: narrowing the rows to a
// text, and the selected rows as tab-separated text for the clipboard.

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

// Does any column of the item contain the text (ignoring case)? An empty
// text matches every item.
bool rowContains(const QTreeWidgetItem& item, const QString& text);

// The selected rows that hold data (group rows are left out), in the order
// the tree shows them, one line each, columns joined by tabs; tabs and line
// breaks inside a text become blanks so that every row stays one line.
QString selectedRowsAsText(const QTreeWidget& tree);

// Copies selectedRowsAsText() to the clipboard; false when nothing is selected.
bool copySelectedRows(const QTreeWidget& tree);

// Gives the tree a "&Copy" action (Ctrl+C while it has the focus, and its
// context menu) that copies the selected rows.
void addCopyRowsAction(QTreeWidget& tree);
