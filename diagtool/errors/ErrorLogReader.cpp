#include "ErrorLogReader.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QIODevice>

namespace {

// Tag names and the texts shown for fields an entry leaves out. QStrings made
// once: every entry looks up several children, and converting the names for
// each lookup showed up beside the parse itself.
const QString kTimeTag = QStringLiteral("Time");
const QString kCategoryTag = QStringLiteral("Category");
const QString kErrorInfoTag = QStringLiteral("ErrorInfo");
const QString kContextTag = QStringLiteral("Context");
const QString kExternalErrorNumTag = QStringLiteral("ExternalErrorNum");
const QString kInternalErrorNumTag = QStringLiteral("InternalErrorNum");
const QString kErrorMessageTag = QStringLiteral("ErrorMessage");
const QString kStructuredLevel = QStringLiteral("Error");

const QString kUnknownTime = QStringLiteral("Unknown time");
const QString kUnknownCategory = QStringLiteral("Unknown Category");
const QString kUnknownErrorInfo = QStringLiteral("Unknown ErrorInfo");

QString textOr(const QDomElement& parent, const QString& tag, const QString& fallback) {
    const QString text = parent.firstChildElement(tag).text();
    return text.isEmpty() ? fallback : text;
}

QString childText(const QDomElement& parent, const QString& tag) {
    return parent.firstChildElement(tag).text();
}

ErrorLogEntry readEntry(const QDomElement& element, const QString& fileName) {
    ErrorLogEntry entry;
    entry.logFileName = fileName;
    entry.logLevel = element.tagName();
    entry.time = textOr(element, kTimeTag, kUnknownTime);
    entry.category = textOr(element, kCategoryTag, kUnknownCategory);
    const QDomElement info = element.firstChildElement(kErrorInfoTag);
    const QDomElement context = info.firstChildElement(kContextTag);
    if (entry.logLevel == kStructuredLevel && !context.isNull()) {
        entry.context = context.text();
        entry.externalErrorNum = childText(info, kExternalErrorNumTag);
        entry.internalErrorNum = childText(info, kInternalErrorNumTag);
        entry.errorMessage = childText(info, kErrorMessageTag);
    } else {
        const QString text = info.text();
        entry.errorInfo = text.isEmpty() ? kUnknownErrorInfo : text;
    }
    return entry;
}

ErrorLogReadResult readEntries(const QDomDocument& document, const QString& fileName, const QString& rootName,
                               QList<ErrorLogEntry>& entries) {
    const QDomElement root = document.documentElement();
    if (root.isNull() || root.tagName() != rootName)
        return ErrorLogReadResult::NotQuillmarkLog;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        entries.append(readEntry(e, fileName));
    return ErrorLogReadResult::Accepted;
}

} // namespace

ErrorLogReadResult readErrorLog(QDomDocument& document, QIODevice& device, const QString& fileName,
                                const QString& rootName, QList<ErrorLogEntry>& entries) {
    if (!document.setContent(&device, true))
        return ErrorLogReadResult::NotWellFormed;
    return readEntries(document, fileName, rootName, entries);
}

ErrorLogReadResult readErrorLog(QDomDocument& document, const QByteArray& content, const QString& fileName,
                                const QString& rootName, QList<ErrorLogEntry>& entries) {
    if (!document.setContent(content, true))
        return ErrorLogReadResult::NotWellFormed;
    return readEntries(document, fileName, rootName, entries);
}
