#pragma once

// What both log trees offer beyond their columns: narrowing the rows to a
// text, the selected rows as tab-separated text for the clipboard, and the
// shown rows for an export.

#include "diagtool/logs/LogExport.h"

#include <QString>
#include <Qt>

class MessagePrompter;
class QTreeView;
class QTreeWidgetItem;
class QWidget;

// A cell that shows its text shortened (a description on one line) keeps
// the whole text under this role; exports write that.
inline constexpr int kWholeTextRole = Qt::UserRole + 0x100;

// Does any column of the item contain the text (ignoring case)? An empty
// text matches every item.
bool rowContains(const QTreeWidgetItem& item, const QString& text);

// The selected rows that hold data (group rows are left out), in the order
// the tree shows them, one line each, columns joined by tabs; tabs and line
// breaks inside a text become blanks so that every row stays one line.
QString selectedRowsAsText(const QTreeView& tree);

// Copies selectedRowsAsText() to the clipboard; false when nothing is selected.
bool copySelectedRows(const QTreeView& tree);

// Gives the tree a "&Copy" action (Ctrl+C while it has the focus, and its
// context menu) that copies the selected rows.
void addCopyRowsAction(QTreeView& tree);

// The rows as the user sees them: the headers of the shown columns, then
// every row that holds data and that no filter hides (also inside a
// collapsed group), in the order the tree shows them, each cell's whole
// text.
ExportTable shownRows(const QTreeView& tree);

// Asks for a .csv or .json file and writes shownRows() to it; a failure is
// one warning box. False when nothing was written.
bool exportShownRows(QWidget* page, const QTreeView& tree, MessagePrompter& prompter);
