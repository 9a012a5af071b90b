// The XML error log reader: the entry forms a log holds, the defaults for
// what an entry leaves out, and the files a scan skips.
#include "diagtool/logs/ErrorLogReader.h"

#include <QBuffer>
#include <QDomDocument>

#include <gtest/gtest.h>

namespace {

struct Read {
    ErrorLogReadResult result;
    QList<ErrorLogEntry> entries;
};

Read read(const char* xml, const QString& name = QStringLiteral("QMCAPI.xml")) {
    QDomDocument document;
    Read r;
    QByteArray bytes(xml);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    r.result = readErrorLog(document, buffer, name, QString::fromLatin1(kQuillmarkLogRoot), r.entries);
    return r;
}

ErrorLogEntry entry(const char* level, const char* time, const char* category, const char* info,
                    const char* context = "", const char* external = "", const char* internal = "",
                    const char* message = "") {
    return {QStringLiteral("QMCAPI.xml"), QString::fromUtf8(level),    QString::fromUtf8(time),
            QString::fromUtf8(category),  QString::fromUtf8(info),     QString::fromUtf8(context),
            QString::fromUtf8(external),  QString::fromUtf8(internal), QString::fromUtf8(message)};
}

struct EntryCase {
    const char* name;
    const char* body; // inside <QMLog>
    ErrorLogEntry expected;
};

class EntryForms : public ::testing::TestWithParam<EntryCase> {};

TEST_P(EntryForms, ReadAsShown) {
    const std::string xml = std::string("<?xml version=\"1.0\"?><QMLog>") + GetParam().body + "</QMLog>";
    const Read r = read(xml.c_str());
    ASSERT_EQ(r.result, ErrorLogReadResult::Accepted);
    ASSERT_EQ(r.entries.size(), 1);
    EXPECT_EQ(r.entries[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EntryForms,
    ::testing::Values(
        EntryCase{"InfoWithoutChildren", "<Info/>",
                  entry("Info", "Unknown time", "Unknown Category", "Unknown ErrorInfo")},
        EntryCase{"EmptyChildrenTakeDefaults", "<Info><Time/><Category></Category><ErrorInfo/></Info>",
                  entry("Info", "Unknown time", "Unknown Category", "Unknown ErrorInfo")},
        EntryCase{"Structured",
                  "<Error><Time>2026-11-02 08:12</Time><Category>API</Category><ErrorInfo>"
                  "<Context>Burn</Context><ExternalErrorNum>0x80040231</ExternalErrorNum>"
                  "<InternalErrorNum>4268</InternalErrorNum><ErrorMessage>pipe write</ErrorMessage>"
                  "</ErrorInfo></Error>",
                  entry("Error", "2026-11-02 08:12", "API", "", "Burn", "0x80040231", "4268", "pipe write")},
        EntryCase{"StructuredWithOnlyContext", "<Error><ErrorInfo><Context>c</Context></ErrorInfo></Error>",
                  entry("Error", "Unknown time", "Unknown Category", "", "c")},
        EntryCase{"ErrorWithPlainText", "<Error><ErrorInfo>disk full</ErrorInfo></Error>",
                  entry("Error", "Unknown time", "Unknown Category", "disk full")},
        // The block counts only in "Error" entries; elsewhere its text is the info.
        EntryCase{"BlockInOtherLevelIsPlainText",
                  "<Warning><ErrorInfo><Context>a</Context><InternalErrorNum>513</InternalErrorNum>"
                  "</ErrorInfo></Warning>",
                  entry("Warning", "Unknown time", "Unknown Category", "a513")},
        EntryCase{"LevelIsCaseSensitive", "<error><ErrorInfo><Context>a</Context></ErrorInfo></error>",
                  entry("error", "Unknown time", "Unknown Category", "a")},
        EntryCase{"AllDescendantText", "<Debug><ErrorInfo>one <b>two</b> three</ErrorInfo></Debug>",
                  entry("Debug", "Unknown time", "Unknown Category", "one two three")},
        EntryCase{"OnlyFirstOfEachName", "<Info><Time>1</Time><Time>2</Time><Category>x</Category></Info>",
                  entry("Info", "1", "x", "Unknown ErrorInfo")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ErrorLogReader, StructuredFieldsDoNotLeakIntoFollowingEntries) {
    const Read r =
        read("<QMLog><Error><ErrorInfo><Context>c</Context><InternalErrorNum>4268</InternalErrorNum>"
             "</ErrorInfo></Error><Info><Time>t</Time></Info>text between<!-- c --></QMLog>");
    ASSERT_EQ(r.entries.size(), 2);
    EXPECT_EQ(r.entries[0].internalErrorNum, QStringLiteral("4268"));
    EXPECT_EQ(r.entries[1], entry("Info", "t", "Unknown Category", "Unknown ErrorInfo"));
}

TEST(ErrorLogReader, EntriesKeepDocumentOrderAndFileName) {
    const Read r = read("<QMLog><B/><A/><B/></QMLog>", QStringLiteral("other.log"));
    ASSERT_EQ(r.entries.size(), 3);
    EXPECT_EQ(r.entries[0].logLevel, QStringLiteral("B"));
    EXPECT_EQ(r.entries[1].logLevel, QStringLiteral("A"));
    for (const ErrorLogEntry& e : r.entries)
        EXPECT_EQ(e.logFileName, QStringLiteral("other.log"));
}

struct FileCase {
    const char* name;
    const char* xml;
    ErrorLogReadResult result;
};

class FileForms : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileForms, AddNoEntries) {
    const Read r = read(GetParam().xml);
    EXPECT_EQ(r.result, GetParam().result);
    EXPECT_TRUE(r.entries.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileForms,
    ::testing::Values(
        FileCase{"EmptyLog", "<QMLog/>", ErrorLogReadResult::Accepted},
        FileCase{"OtherRoot", "<Log><Error/></Log>", ErrorLogReadResult::NotQuillmarkLog},
        FileCase{"RootNameIsCaseSensitive", "<qmlog><Error/></qmlog>", ErrorLogReadResult::NotQuillmarkLog},
        FileCase{"Truncated", "<QMLog><Error><Time>1</Time>", ErrorLogReadResult::NotWellFormed},
        FileCase{"Empty", "", ErrorLogReadResult::NotWellFormed},
        FileCase{"NotXml", "Error 4268 at 08:12", ErrorLogReadResult::NotWellFormed},
        FileCase{"UnboundPrefix", "<q:QMLog><Error/></q:QMLog>", ErrorLogReadResult::NotWellFormed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ErrorLogReader, OtherEncodingsTheParserAccepts) {
    QByteArray latin1("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><QMLog><Info><Category>Gr\xfc\xdf"
                      "e</Category></Info></QMLog>");
    QDomDocument document;
    QList<ErrorLogEntry> entries;
    ASSERT_EQ(readErrorLog(document, latin1, QStringLiteral("a.xml"), QStringLiteral("QMLog"), entries),
              ErrorLogReadResult::Accepted);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].category, QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                                                     "e"));
}

TEST(ErrorLogReader, AppendsToWhatEarlierFilesGave) {
    QDomDocument document;
    QList<ErrorLogEntry> entries;
    readErrorLog(document, QByteArray("<QMLog><A/></QMLog>"), QStringLiteral("1.xml"),
                 QStringLiteral("QMLog"), entries);
    readErrorLog(document, QByteArray("<QMLog><B/></QMLog>"), QStringLiteral("1.xml"),
                 QStringLiteral("QMLog"), entries);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].logLevel, QStringLiteral("B"));
}

} // namespace
