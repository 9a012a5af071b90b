#include "SampleMachine.h"

#include "FileFixJournal.h"
#include "WindowsDiagnostics.h"

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
    const std::vector<FixRecord> records = {
        {L"HKEY_LOCAL_MACHINE", L"SYSTEM\\S\\", L"Start", true, qmplatform::kRegDword, {3, 0, 0, 0}},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Quillmark\\", L"IAA", false, qmplatform::kRegNone, {}},
        {L"HKEY_CURRENT_USER", L"Software\\Ä\\", L"名", true, qmplatform::kRegBinary, {0x00, 0xFF, 0x7A}},
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
             std::string(
                 R"({"version":1,"fixes":[{"root":"R","key":"K","existed":true,"type":4,"data":""}]})"),
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

} // namespace
