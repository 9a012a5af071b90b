#include "ErrorLogReader.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QIODevice>

namespace {

// Tag names and the texts shown for fields an entry leaves out.
constexpr char kTimeTag[] = "Time";
constexpr char kCategoryTag[] = "Category";
constexpr char kErrorInfoTag[] = "ErrorInfo";
constexpr char kContextTag[] = "Context";
constexpr char kExternalErrorNumTag[] = "ExternalErrorNum";
constexpr char kInternalErrorNumTag[] = "InternalErrorNum";
constexpr char kErrorMessageTag[] = "ErrorMessage";
constexpr char kStructuredLevel[] = "Error";

constexpr char kUnknownTime[] = "Unknown time";
constexpr char kUnknownCategory[] = "Unknown Category";
constexpr char kUnknownErrorInfo[] = "Unknown ErrorInfo";

QString textOr(const QDomElement& parent, const char* tag, const char* fallback) {
    const QString text = parent.firstChildElement(QString::fromLatin1(tag)).text();
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

QString childText(const QDomElement& parent, const char* tag) {
    return parent.firstChildElement(QString::fromLatin1(tag)).text();
}

ErrorLogEntry readEntry(const QDomElement& element, const QString& fileName) {
    ErrorLogEntry entry;
    entry.logFileName = fileName;
    entry.logLevel = element.tagName();
    entry.time = textOr(element, kTimeTag, kUnknownTime);
    entry.category = textOr(element, kCategoryTag, kUnknownCategory);
    const QDomElement info = element.firstChildElement(QString::fromLatin1(kErrorInfoTag));
    const QDomElement context = info.firstChildElement(QString::fromLatin1(kContextTag));
    if (entry.logLevel == QLatin1String(kStructuredLevel) && !context.isNull()) {
        entry.context = context.text();
        entry.externalErrorNum = childText(info, kExternalErrorNumTag);
        entry.internalErrorNum = childText(info, kInternalErrorNumTag);
        entry.errorMessage = childText(info, kErrorMessageTag);
    } else {
        const QString text = info.text();
        entry.errorInfo = text.isEmpty() ? QString::fromLatin1(kUnknownErrorInfo) : text;
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
