#include "SampleMachine.h"

#include "diagtool/windows/FileFixJournal.h"
#include "diagtool/windows/WindowsDiagnostics.h"

#include <gtest/gtest.h>

#include <fstream>

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

TEST(FileFixJournal, UnreadableJournalRefusesTheFixAndIsKept) {
    SampleMachine m("broken");
    const std::filesystem::path file = journalFile(m);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "{ not a journal";
    FileFixJournal journal(m.sys());
    WD checks(m.sys(), {}, &journal);
    EXPECT_FALSE(checks.setServiceAutomatic());
    EXPECT_FALSE(checks.isServiceAutomatic()) << "no fix without its record";
    EXPECT_FALSE(checks.undoLastFix());
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "{ not a journal");
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
