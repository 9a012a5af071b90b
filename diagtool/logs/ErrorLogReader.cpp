#include "diagtool/logs/ErrorLogReader.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QIODevice>

#include <iterator>

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

// The first child element of each name in `tags`, in one walk over the
// children: looking each name up on its own walks them once per name, and
// over a scan of a hundred thousand entries that shows beside the parse.
template <std::size_t N>
void firstChildElements(const QDomElement& parent, const QString* const (&tags)[N], QDomElement (&found)[N]) {
    for (QDomElement child = parent.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString name = child.tagName();
        for (std::size_t i = 0; i < N; ++i) {
            if (found[i].isNull() && name == *tags[i])
                found[i] = child;
        }
    }
}

QString textOr(const QDomElement& element, const QString& fallback) {
    const QString text = element.text();
    return text.isEmpty() ? fallback : text;
}

ErrorLogEntry readEntry(const QDomElement& element, const QString& fileName) {
    static const QString* const kEntryTags[] = {&kTimeTag, &kCategoryTag, &kErrorInfoTag};
    static const QString* const kStructuredTags[] = {&kContextTag, &kExternalErrorNumTag,
                                                     &kInternalErrorNumTag, &kErrorMessageTag};
    ErrorLogEntry entry;
    entry.logFileName = fileName;
    entry.logLevel = element.tagName();
    QDomElement fields[std::size(kEntryTags)];
    firstChildElements(element, kEntryTags, fields);
    entry.time = textOr(fields[0], kUnknownTime);
    entry.category = textOr(fields[1], kUnknownCategory);
    const QDomElement& info = fields[2];
    QDomElement structured[std::size(kStructuredTags)];
    if (entry.logLevel == kStructuredLevel)
        firstChildElements(info, kStructuredTags, structured);
    if (!structured[0].isNull()) {
        entry.context = structured[0].text();
        entry.externalErrorNum = structured[1].text();
        entry.internalErrorNum = structured[2].text();
        entry.errorMessage = structured[3].text();
    } else {
        entry.errorInfo = textOr(info, kUnknownErrorInfo);
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
