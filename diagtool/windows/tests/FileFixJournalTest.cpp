#include "SampleMachine.h"

#include "FileFixJournal.h"
#include "WindowsDiagnostics.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <regex>

namespace {

using qmtest::SampleMachine;
using WD = WindowsDiagnostics;

std::filesystem::path journalFile(SampleMachine& m) {
    return m.system->machine().hostPath(FileFixJournal(m.sys()).path());
}

TEST(FileFixJournal, LivesInTheUsersLocalDataFolder) {
    SampleMachine m("healthy");
    EXPECT_EQ(FileFixJournal(m.sys()).path(),
              L"C:\\users\\quill\\AppData\\Local\\Quillmark\\Diagnostics\\FixJournal.json");
}

TEST(FileFixJournal, UndoInALaterRunRestoresTheOldData) {
    SampleMachine m("broken");
    {
        FileFixJournal journal(m.sys());
        WD checks(m.sys(), {}, &journal);
        ASSERT_TRUE(checks.setServiceAutomatic());
        ASSERT_TRUE(checks.setAllocateCdRoms(false));
    }
    ASSERT_TRUE(std::filesystem::exists(journalFile(m)));
    m.reopen();
    FileFixJournal journal(m.sys());
    WD checks(m.sys(), {}, &journal);
    EXPECT_TRUE(checks.isServiceAutomatic());
    ASSERT_TRUE(checks.undoLastFix());
    EXPECT_TRUE(checks.isAllocateCdRomsSet());
    EXPECT_TRUE(checks.isServiceAutomatic());
    ASSERT_TRUE(checks.undoLastFix());
    EXPECT_FALSE(checks.isServiceAutomatic());
    EXPECT_FALSE(checks.undoLastFix());
}

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A journal that cannot be parsed is never lost and never costs a fix: its
// bytes are kept aside under a name with the time in it, a new journal
// takes the fix, and the user is told once, with both names.
TEST(FileFixJournal, AJournalThatCannotBeParsedIsKeptAsideAndANewOneStarted) {
    SampleMachine m("broken");
    const std::filesystem::path file = journalFile(m);
    std::filesystem::create_directories(file.parent_path());
    const std::string bad = "{ not a journal\r\n\x01\xff";
    std::ofstream(file, std::ios::binary) << bad;
    FileFixJournal journal(m.sys());
    WD checks(m.sys(), {}, &journal);

    FixRecord none;
    EXPECT_FALSE(journal.last(none));
    EXPECT_EQ(journal.problem(), L"the fix journal " + journal.path() +
                                     L" cannot be read: it is not a fix journal this program knows");
    EXPECT_EQ(readAll(file), bad) << "reading changes nothing";

    EXPECT_TRUE(checks.setServiceAutomatic());
    EXPECT_TRUE(checks.isServiceAutomatic());
    EXPECT_TRUE(checks.lastFixRecorded());
    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        if (entry.path() != file) {
            aside.push_back(entry.path());
        }
    }
    ASSERT_EQ(aside.size(), 1u);
    const std::string name = aside[0].filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(FixJournal\.unreadable-20\d{6}-\d{6}\.json)"))) << name;
    EXPECT_EQ(readAll(aside[0]), bad);
    std::vector<FixRecord> records;
    ASSERT_TRUE(FileFixJournal::parse(readAll(file), records));
    EXPECT_EQ(records.size(), 1u);

    const std::wstring asideWindows = m.system->machine().windowsPath(aside[0]);
    EXPECT_EQ(checks.takeJournalNotice(), L"The fix journal " + journal.path() +
                                              L" could not be read. It was kept as " + asideWindows +
                                              L", and a new journal was started.");
    EXPECT_EQ(checks.takeJournalNotice(), L"") << "told once";
    EXPECT_TRUE(checks.setAllocateCdRoms(false));
    EXPECT_EQ(checks.takeJournalNotice(), L"");
    EXPECT_TRUE(checks.undoLastFix());
    EXPECT_TRUE(checks.undoLastFix());
    EXPECT_FALSE(checks.isServiceAutomatic());
    EXPECT_EQ(readAll(aside[0]), bad);
}

// A journal that cannot be read or written at all is left as it is; the
// fix goes ahead without a record, and the reason names the file.
TEST(FileFixJournal, AJournalThatCannotBeReadOrWrittenLetsTheFixGoAhead) {
    struct Case {
        const char* what;
        void (*arrange)(const std::filesystem::path& file);
        const wchar_t* reason;
    };
    const Case cases[] = {
        {"a folder where the journal goes",
         [](const std::filesystem::path& file) { std::filesystem::create_directories(file); }, L" cannot be read"},
        {"a file where its folder goes",
         [](const std::filesystem::path& file) {
             std::filesystem::create_directories(file.parent_path().parent_path());
             std::ofstream(file.parent_path()) << "x";
         },
         L" cannot be written"},
    };
    for (const Case& c : cases) {
        SampleMachine m("broken");
        const std::filesystem::path file = journalFile(m);
        c.arrange(file);
        FileFixJournal journal(m.sys());
        WD checks(m.sys(), {}, &journal);
        EXPECT_TRUE(checks.setAutorun(true)) << c.what;
        EXPECT_TRUE(checks.isAutorunOn()) << c.what;
        EXPECT_FALSE(checks.lastFixRecorded()) << c.what;
        EXPECT_EQ(checks.journalProblem(), L"the fix journal " + journal.path() + c.reason) << c.what;
        EXPECT_EQ(checks.takeJournalNotice(), L"") << c.what;
        FixRecord none;
        EXPECT_FALSE(journal.last(none)) << c.what;
    }
}

TEST(FileFixJournal, AsideNameCarriesTheTimeInUtc) {
    using namespace std::chrono;
    const system_clock::time_point when = sys_days{2026y / March / 9} + 14h + 15min + 2s + 900ms;
    EXPECT_EQ(FileFixJournal::asidePath(L"C:\\users\\q\\FixJournal.json", when),
              L"C:\\users\\q\\FixJournal.unreadable-20260309-141502.json");
    EXPECT_EQ(FileFixJournal::asidePath(L"C:\\a.b\\journal", when), L"C:\\a.b\\journal.unreadable-20260309-141502");
}

TEST(FileFixJournal, TextRoundTrips) {
    const FixKind registry = FixKind::RegistryValue;
    const std::vector<FixRecord> records = {
        {L"HKEY_LOCAL_MACHINE",
         L"SYSTEM\\S\\",
         L"Start",
         true,
         qmplatform::kRegDword,
         {3, 0, 0, 0},
         L"",
         registry,
         L""},
        {L"HKEY_LOCAL_MACHINE",
         L"SOFTWARE\\Quillmark\\",
         L"IAA",
         false,
         qmplatform::kRegNone,
         {},
         L"run-1",
         registry,
         L""},
        {L"HKEY_CURRENT_USER",
         L"Software\\Ä\\",
         L"名",
         true,
         qmplatform::kRegBinary,
         {0x00, 0xFF, 0x7A},
         L"ü-2",
         registry,
         L""},
        {L"HKEY_LOCAL_MACHINE",
         L"",
         L"",
         false,
         qmplatform::kRegNone,
         {},
         L"run-1",
         FixKind::ServiceStart,
         L"QuillmarkService"},
        {L"HKEY_LOCAL_MACHINE",
         L"",
         L"",
         false,
         qmplatform::kRegNone,
         {},
         L"",
         FixKind::ServiceStart,
         L"Dienst-ß"},
    };
    std::vector<FixRecord> back;
    ASSERT_TRUE(FileFixJournal::parse(FileFixJournal::serialise(records), back));
    EXPECT_EQ(back, records);
}

TEST(FileFixJournal, RejectsMalformedText) {
    const std::string good = R"("root":"HKEY_LOCAL_MACHINE","key":"K","value":"V","existed":true)";
    for (const std::string& text : {
             std::string(""),
             std::string("[]"),
             std::string(R"({"version":2,"fixes":[]})"),
             std::string(R"({"version":"1","fixes":[]})"),
             std::string(R"({"version":1})"),
             std::string(R"({"version":1,"fixes":{}})"),
             std::string(R"({"version":1,"fixes":[1]})"),
             R"({"version":1,"fixes":[{)" + good + R"(,"type":4,"data":"030"}]})",
             R"({"version":1,"fixes":[{)" + good + R"(,"type":4,"data":"0g"}]})",
             R"({"version":1,"fixes":[{)" + good + R"(,"type":-1,"data":""}]})",
             R"({"version":1,"fixes":[{)" + good + R"(,"type":4294967296,"data":""}]})",
             R"({"version":1,"fixes":[{)" + good + R"(,"type":4}]})",
             R"({"version":1,"fixes":[{)" + good + R"(,"type":4,"data":"","run":7}]})",
             std::string(
                 R"({"version":1,"fixes":[{"root":"R","key":"K","existed":true,"type":4,"data":""}]})"),
             // Kinds: only the service start is known, and it names its service.
             std::string(R"({"version":1,"fixes":[{"kind":"service-stop","service":"S"}]})"),
             std::string(R"({"version":1,"fixes":[{"kind":"Service-Start","service":"S"}]})"),
             std::string(R"({"version":1,"fixes":[{"kind":1,"service":"S"}]})"),
             std::string(R"({"version":1,"fixes":[{"kind":null,"service":"S"}]})"),
             R"({"version":1,"fixes":[{"kind":"registry",)" + good + R"(,"type":4,"data":""}]})",
             std::string(R"({"version":1,"fixes":[{"kind":"service-start"}]})"),
             std::string(R"({"version":1,"fixes":[{"kind":"service-start","service":""}]})"),
             std::string(R"({"version":1,"fixes":[{"kind":"service-start","service":["S"]}]})"),
             std::string(R"({"version":1,"fixes":[{"kind":"service-start","service":"S","run":false}]})"),
         }) {
        std::vector<FixRecord> out = {FixRecord{}};
        EXPECT_FALSE(FileFixJournal::parse(text, out)) << text;
        EXPECT_EQ(out.size(), 1u) << "untouched on failure: " << text;
    }
    std::vector<FixRecord> out;
    EXPECT_TRUE(
        FileFixJournal::parse(R"({"version":1,"fixes":[{)" + good + R"(,"type":4,"data":"0A0b"}]})", out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].data, (std::vector<std::uint8_t>{0x0A, 0x0B}));
}

// Journals written before runs were recorded read as before, and records
// without a run are written without the field, as those journals were.
TEST(FileFixJournal, RunIsAnOptionalField) {
    const std::string old =
        R"({"version":1,"fixes":[{"root":"HKEY_LOCAL_MACHINE","key":"K","value":"V","existed":false,)"
        R"("type":0,"data":""}]})";
    std::vector<FixRecord> out;
    ASSERT_TRUE(FileFixJournal::parse(old, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].run.empty());
    EXPECT_EQ(FileFixJournal::serialise(out).find("run"), std::string::npos);
    out[0].run = L"r";
    EXPECT_NE(FileFixJournal::serialise(out).find(R"("run": "r")"), std::string::npos);
}

// A service start is a record of its own form; registry records keep theirs.
TEST(FileFixJournal, ServiceStartRecordForm) {
    std::vector<FixRecord> out;
    ASSERT_TRUE(FileFixJournal::parse(
        R"({"version":1,"fixes":[{"kind":"service-start","service":"QuillmarkService","run":"r"}]})", out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, FixKind::ServiceStart);
    EXPECT_EQ(out[0].service, L"QuillmarkService");
    EXPECT_EQ(out[0].run, L"r");
    const std::string text = FileFixJournal::serialise(out);
    EXPECT_NE(text.find(R"("kind": "service-start")"), std::string::npos) << text;
    EXPECT_EQ(text.find("root"), std::string::npos) << text;
    out[0] = FixRecord{};
    EXPECT_EQ(FileFixJournal::serialise(out).find("kind"), std::string::npos);
}

TEST(RunFixJournal, StampsEveryRecord) {
    MemoryFixJournal inner;
    RunFixJournal run(inner, L"r1");
    FixRecord record;
    record.run = L"other";
    ASSERT_TRUE(run.append(record));
    ASSERT_EQ(inner.records().size(), 1u);
    EXPECT_EQ(inner.records()[0].run, L"r1");
    FixRecord last;
    ASSERT_TRUE(run.last(last));
    EXPECT_EQ(last.run, L"r1");
    ASSERT_TRUE(run.dropLast());
    EXPECT_TRUE(inner.records().empty());
}

} // namespace
