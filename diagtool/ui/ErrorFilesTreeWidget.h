#pragma once

#include "diagtool/logs/ErrorLogEntry.h"

#include <QDomDocument>
#include <QIcon>
#include <QList>
#include <QTreeWidget>

class ErrorJumpTarget;
class MessagePrompter;
class QIODevice;

// The entries of the XML error logs, flat or grouped by log level.
class ErrorFilesTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    enum Column {
        LogLevelColumn,
        LogFileColumn,
        TimeColumn,
        CategoryColumn,
        ErrorInfoColumn,
        ContextColumn,
        ExternalErrorNumColumn,
        InternalErrorNumColumn,
        ErrorMessageColumn,
        ColumnCount
    };

    ErrorFilesTreeWidget(ErrorJumpTarget* jumpTarget, MessagePrompter& prompter, QWidget* page);

    // Parses one file and appends its entries; true when it was a log. A
    // file of another root element is reported in an information box.
    bool addLogFile(QIODevice& device, const QString& fileName, const QString& rootName);
    bool addLogFile(const QByteArray& content, const QString& fileName, const QString& rootName);

    void clearEntries();
    const QList<ErrorLogEntry>& entries() const { return entries_; }

    void showFlat();
    void showLevels();

    // Hides the entries that contain no `text` in any column or whose level
    // is not `level` (empty: every level); groups left without a visible
    // entry are hidden too.
    void setFilter(const QString& text, const QString& level);

public slots:
    void jumpToError(QTreeWidgetItem* item, int column);
    void itemExpandedSlot(QTreeWidgetItem* item);

private:
    bool readResult(int result);
    QTreeWidgetItem* entryItem(const ErrorLogEntry& entry) const;
    void beginFill();
    void endFill();
    void applyFilter();

    ErrorJumpTarget* jumpTarget_;
    MessagePrompter& prompter_;
    QDomDocument document_;
    QList<ErrorLogEntry> entries_;
    QIcon folderIcon_;
    QString filterText_;
    QString filterLevel_;
};
