// XML error logs come from other programs and customers' machines: any bytes
// must parse or be refused without a crash, and an accepted file's entries
// must all carry the name they were read under.
#include "ErrorLogReader.h"

#include <QByteArray>
#include <QDomDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QDomDocument document;
    QList<ErrorLogEntry> entries;
    const auto result =
        readErrorLog(document, bytes, QStringLiteral("f.xml"), QStringLiteral("QMLog"), entries);
    if (result != ErrorLogReadResult::Accepted && !entries.isEmpty())
        std::abort();
    for (const ErrorLogEntry& e : entries) {
        if (e.logFileName != QStringLiteral("f.xml") || e.time.isEmpty() || e.category.isEmpty())
            std::abort();
    }
    return 0;
}
