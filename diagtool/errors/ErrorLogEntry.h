#pragma once

// One entry of an XML error log file as the error files page lists it.

#include <QString>

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
