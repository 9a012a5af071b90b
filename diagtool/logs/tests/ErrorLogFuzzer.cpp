// XML error logs come from other programs and customers' machines: any bytes
// must parse or be refused without a crash. An accepted file's entries all
// carry the name they were read under and the texts shown for missing
// fields; a structured entry has no plain error info. The document object is
// reused for every file of a scan, so reading the same bytes again with it
// must give the same entries.
//
// Besides the raw input, the first byte picks a frame that a random walk
// would take long to find (the root, an entry, the structured block, a
// namespace, an entity) and the rest of the input goes inside it. Qt itself
// is not instrumented, so only these frames lead the fuzzer into the reader.
#include "diagtool/logs/ErrorLogReader.h"

#include <QByteArray>
#include <QDomDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

struct Frame {
    std::string_view before, after;
};
constexpr Frame kFrames[] = {
    {"", ""},
    {"<QMLog>", "</QMLog>"},
    {"<QMLog><", "/></QMLog>"},
    {"<QMLog><Info><Time>", "</Time></Info></QMLog>"},
    {"<QMLog><Info><ErrorInfo>", "</ErrorInfo></Info></QMLog>"},
    {"<QMLog><Error><ErrorInfo>", "</ErrorInfo></Error></QMLog>"},
    {"<QMLog><Error><ErrorInfo><Context>", "</Context></ErrorInfo></Error></QMLog>"},
    {"<QMLog><Error><ErrorInfo><Context/><InternalErrorNum>",
     "</InternalErrorNum></ErrorInfo></Error></QMLog>"},
    {"<q:QMLog xmlns:q=\"urn:q\"><q:Error><q:ErrorInfo><Context>",
     "</Context></q:ErrorInfo></q:Error></q:QMLog>"},
    {"<!DOCTYPE QMLog [<!ENTITY e \"", "\">]><QMLog><Info><ErrorInfo>&e;&e;</ErrorInfo></Info></QMLog>"},
};

void check(const QByteArray& bytes) {
    const QString name = QStringLiteral("f.xml");
    const QString root = QString::fromLatin1(kQuillmarkLogRoot);
    QDomDocument document;
    QList<ErrorLogEntry> entries;
    const auto result = readErrorLog(document, bytes, name, root, entries);
    if (result != ErrorLogReadResult::Accepted && !entries.isEmpty())
        std::abort();
    for (const ErrorLogEntry& e : entries) {
        if (e.logFileName != name || e.logLevel.isEmpty() || e.time.isEmpty() || e.category.isEmpty())
            std::abort();
        const bool structured = !e.context.isEmpty() || !e.externalErrorNum.isEmpty() ||
                                !e.internalErrorNum.isEmpty() || !e.errorMessage.isEmpty();
        if (structured && (e.logLevel != QLatin1String("Error") || !e.errorInfo.isEmpty()))
            std::abort();
        if (!structured && e.errorInfo.isEmpty() && e.logLevel != QLatin1String("Error"))
            std::abort();
    }
    QList<ErrorLogEntry> again;
    if (readErrorLog(document, bytes, name, root, again) != result || again != entries)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(raw);
    if (size > 0) {
        const Frame& frame = kFrames[data[0] % std::size(kFrames)];
        check(QByteArray(frame.before.data(), static_cast<qsizetype>(frame.before.size())) + raw.mid(1) +
              QByteArray(frame.after.data(), static_cast<qsizetype>(frame.after.size())));
    }
    return 0;
}
