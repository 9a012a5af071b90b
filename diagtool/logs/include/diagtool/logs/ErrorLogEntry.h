#pragma once

// One entry of an XML error log file as the error files page lists it.

#include <QString>
#include <QTypeInfo>

struct ErrorLogEntry {
    QString logFileName; // bare file name, without folder
    QString logLevel;    // the entry element's own tag name
    QString time;
    QString category;
    QString errorInfo;
    // The structured block of "Error" entries; empty for every other entry.
    QString context;
    QString externalErrorNum;
    QString internalErrorNum;
    QString errorMessage;

    bool operator==(const ErrorLogEntry&) const = default;
};
// Nothing but implicitly shared strings: a growing list of a hundred thousand
// entries moves them as bytes.
Q_DECLARE_TYPEINFO(ErrorLogEntry, Q_RELOCATABLE_TYPE);
