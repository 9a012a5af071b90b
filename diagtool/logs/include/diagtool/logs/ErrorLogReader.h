#pragma once

// Reads the XML error logs that the labelling system's components write:
// a "QMLog" root whose child elements are the entries, each named after its
// log level. Only QtCore and QtXml, so the parsing is tested without windows.

#include "diagtool/logs/ErrorLogEntry.h"

#include <QList>
#include <QString>

class QByteArray;
class QDomDocument;
class QIODevice;

inline constexpr char kQuillmarkLogRoot[] = "QMLog";

enum class ErrorLogReadResult {
    Accepted,
    NotWellFormed,   // skipped without a word
    NotQuillmarkLog, // the caller tells the user
};

// Parses the whole device into `document` (namespace processing on) and
// appends one entry per child element of the root, in document order. The
// document is the caller's so that one object serves every file of a scan.
ErrorLogReadResult readErrorLog(QDomDocument& document, QIODevice& device, const QString& fileName,
                                const QString& rootName, QList<ErrorLogEntry>& entries);
ErrorLogReadResult readErrorLog(QDomDocument& document, const QByteArray& content, const QString& fileName,
                                const QString& rootName, QList<ErrorLogEntry>& entries);
