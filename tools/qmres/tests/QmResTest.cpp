// qmres end to end on files and machines the project's writers make.
#include "QmResCommand.h"

#include "DamagedMachine.h"

#include "platform/machine/Machine.h"
#include "platform/formats/EvtFile.h"
#include "platform/formats/PeWriter.h"
#include "platform/formats/VersionBlock.h"
#include "EvtxWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace qmplatform;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = qmres::runQmRes(args, out, err);
    return {status, out.str(), err.str()};
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> module() {
    pe::VersionDescription d;
    d.fileVersion[0] = 3;
    d.fileVersion[1] = 10;
    d.fileVersion[3] = 7;
    d.strings = {{L"FileVersion", L"3.10.0.7"}};
    return pe::writeResourceImage(
        {{pe::resourceNumber(pe::kRtVersion), pe::resourceNumber(1), 0x0409, pe::writeVersionBlock(d)},
         {pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409,
          pe::writeMessageTable({{100, L"Job %1 failed with %2!d!.\r\n"}})}});
}

class QmRes : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / "qmres_machine";
        fs::remove_all(root_);
        std::string error;
        ASSERT_TRUE(emulated::Machine::create(root_, emulated::MachineSettings{}, error)) << error;
        const auto machine = emulated::Machine::open(root_, error);
        writeFile(machine->hostPath(L"C:\\Program Files\\Common Files\\Quillmark\\QMCMHT.dll"), module());
        evt::EventRecordSpec record;
        record.sourceName = L"QuillmarkService";
        record.eventId = 0xC0000067;
        record.strings = {L"17"};
        const std::vector<evt::EventRecordSpec> records(3, record);
        writeFile(machine->hostPath(L"C:\\windows\\system32\\config\\AppEvent.Evt"),
                  evt::writeEvtFile(records, {}, error));
    }
    fs::path root_;
};

TEST_F(QmRes, ReadsVersionsAndMessagesOnAMachine) {
    Outcome r = run({"version", "--machine", root_.string(),
                     "C:\\Program Files\\Common Files\\Quillmark\\QMCMHT.dll", "C:\\missing.dll"});
    EXPECT_EQ(r.status, qmres::kExitFailed) << r.err; // the missing one
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j[0]["fileVersion"], "3.10.0.7");
    EXPECT_EQ(j[0]["strings"]["FileVersion"]["value"], "3.10.0.7");
    EXPECT_EQ(j[0]["strings"]["FileVersion"]["length"], 9);
    EXPECT_EQ(j[1]["error"], 2);

    r = run(
        {"messages", "--machine", root_.string(), "C:\\Program Files\\Common Files\\Quillmark\\QMCMHT.dll"});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["messages"][0]["text"], "Job <1> failed with 1002.\r\n");
}

TEST_F(QmRes, ReadsTheLogNewestFirstAndTheRawFile) {
    Outcome r = run({"log", "--machine", root_.string()});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["records"].size(), 3u);
    EXPECT_EQ(j["records"][0]["recordNumber"], 3);
    EXPECT_EQ(j["records"][0]["eventId"], 0xC0000067u);

    r = run({"evt", (root_ / "drive_c/windows/system32/config/AppEvent.Evt").string()});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j[0]["records"][0]["recordNumber"], 1);
    EXPECT_EQ(j[0]["records"][2]["strings"][0], "17");
}

TEST_F(QmRes, ShowsThePeReadersView) {
    const fs::path file = fs::path(::testing::TempDir()) / "qmres_module.dll";
    writeFile(file, module());
    const Outcome r = run({"pe", file.string()});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j[0]["version"]["fileVersion"], "3.10.0.7");
    EXPECT_EQ(j[0]["messages"][0]["id"], 100);
    EXPECT_EQ(j[0]["resources"].size(), 2u);
}

TEST(QmResEvtx, PrintsRecordsInTheShapeOfEvtRecordsWithTheirOwnFieldsBeside) {
    std::vector<evtx::testing::Event> events(3);
    events[1].provider = L"Microsoft-Windows-Winlogon";
    events[1].eventSourceName = L"Wlclntfy";
    events[1].eventId = 6000;
    events[1].qualifiers = 0x8000;
    events[1].level = 2;
    events[1].userSid = evtx::testing::kLocalSystemSid;
    events[1].data = {{L"", evtx::testing::text(L"WSearch")}, {L"Binary", evtx::testing::binary({0xD9, 6})}};
    events[2].kind = evtx::EvtxDataKind::UserData;
    events[2].data = {{L"Param1", evtx::testing::number(evtx::kTypeUInt32, 17)}};
    const fs::path file = fs::path(::testing::TempDir()) / "qmres_log.evtx";
    writeFile(file, evtx::testing::writeEvtx(events, {.firstRecordNumber = 7}));

    const Outcome r = run({"evtx", file.string()});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0]["file"], file.string());
    EXPECT_EQ(j[0]["damaged"], false);
    const auto& records = j[0]["records"];
    ASSERT_EQ(records.size(), 3u);
    const auto& winlogon = records[1];
    EXPECT_EQ(winlogon["recordNumber"], 8);
    EXPECT_EQ(winlogon["eventId"], 0x80001770u);
    EXPECT_EQ(winlogon["eventIdentifier"], 6000);
    EXPECT_EQ(winlogon["qualifiers"], 0x8000);
    EXPECT_EQ(winlogon["eventType"], 1); // error
    EXPECT_EQ(winlogon["sourceName"], "Wlclntfy");
    EXPECT_EQ(winlogon["providerName"], "Microsoft-Windows-Winlogon");
    EXPECT_EQ(winlogon["computerName"], "QUILLMARK-PC");
    EXPECT_EQ(winlogon["timeGenerated"], 1617234705);
    EXPECT_EQ(winlogon["timeCreatedUtc"], "2021-03-31T23:51:45.0187674Z");
    EXPECT_EQ(winlogon["userId"], "S-1-5-18");
    EXPECT_EQ(winlogon["strings"], nlohmann::json::array({"WSearch", "D906"}));
    EXPECT_EQ(winlogon["data"], "d906");
    EXPECT_EQ(winlogon["eventData"][0]["name"], "");
    EXPECT_EQ(records[0]["qualifiers"], nullptr);
    EXPECT_EQ(records[0]["sourceName"], "QuillmarkService");
    EXPECT_EQ(records[2]["dataKind"], "UserData");
    EXPECT_EQ(records[2]["userDataName"], "EventXML");
    EXPECT_EQ(records[2]["eventData"][0]["value"], "17");
}

// Each record is written as text directly: every character a log's strings
// can hold must come out as a JSON reader reads it back, and in the same
// spelling as the JSON library's own output.
TEST(QmResEvtx, EscapesEveryCharacterAsTheJsonLibraryDoes) {
    const std::wstring awkward = L"quote \" backslash \\ newline \n tab \t cr \r bell \x07 us \x1f del \x7f "
                                 L"e\x301 \x00e9 \x20ac \xd83d\xde00 lone \xd800 end";
    std::vector<evtx::testing::Event> events(1);
    events[0].computer = L"PC \"7\"";
    events[0].data = {{L"na\"me\\", evtx::testing::text(awkward)}};
    const fs::path file = fs::path(::testing::TempDir()) / "qmres_escape.evtx";
    writeFile(file, evtx::testing::writeEvtx(events));

    const Outcome r = run({"evtx", file.string()});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    const auto& record = j[0]["records"][0];
    EXPECT_EQ(record["computerName"], "PC \"7\"");
    EXPECT_EQ(record["eventData"][0]["name"], "na\"me\\");
    EXPECT_EQ(record["eventData"][0]["value"], toUtf8(awkward));
    EXPECT_EQ(record["strings"][0], toUtf8(awkward));
    // The record's line as printed is the library's compact spelling of it.
    const std::size_t start = r.out.find("\"records\":[\n") + 12;
    const std::string line = r.out.substr(start, r.out.find("\n]") - start);
    EXPECT_EQ(line, nlohmann::ordered_json::parse(line).dump());
}

TEST(QmResEvtx, WarnsOfSkippedChunksAndFailsOnlyForUnreadableFiles) {
    std::vector<evtx::testing::Event> events(40);
    std::vector<std::uint8_t> bytes = evtx::testing::writeEvtx(events, {.recordsPerChunk = 20});
    bytes[evtx::testing::chunkOffset(1)] = 'X';
    const fs::path damaged = fs::path(::testing::TempDir()) / "qmres_damaged.evtx";
    writeFile(damaged, bytes);
    const fs::path notALog = fs::path(::testing::TempDir()) / "qmres_not_a_log.evtx";
    writeFile(notALog, std::vector<std::uint8_t>(300, 'x'));

    Outcome r = run({"evtx", damaged.string()});
    ASSERT_EQ(r.status, qmres::kExitOk) << r.err;
    EXPECT_NE(r.err.find("chunk 1 at 0x11000: no chunk signature; skipped"), std::string::npos) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j[0]["records"].size(), 20u);
    EXPECT_EQ(j[0]["chunksSkipped"], 1);
    EXPECT_EQ(j[0]["problems"].size(), 1u);

    r = run({"evtx", damaged.string(), notALog.string(), "/nonexistent/log.evtx"});
    EXPECT_EQ(r.status, qmres::kExitFailed);
    j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[0]["records"].size(), 20u);
    EXPECT_EQ(j[1]["error"], "no .evtx file header");
    EXPECT_EQ(j[2]["error"], "cannot read");
    EXPECT_NE(r.err.find("qmres_not_a_log.evtx: no .evtx file header"), std::string::npos) << r.err;
}

// A machine whose own files cannot be read is no machine to read logs or
// modules from; the reason names the file.
TEST_F(QmRes, ADamagedMachineFileIsNamed) {
    const qmtest::Damage damages[] = {qmtest::Damage::Truncated, qmtest::Damage::RandomBytes,
                                      qmtest::Damage::Missing};
    int turn = 0;
    for (const char* name : qmtest::kMachineFiles) {
        const qmtest::Damage damage = damages[turn++ % 3];
        SetUp();
        const std::string expected = qmtest::damageMachineFile(root_ / name, damage);
        const Outcome r = run({"log", "--machine", root_.string()});
        EXPECT_EQ(r.status, qmres::kExitFailed) << name;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << name;
    }
}

TEST(QmResUsage, RefusesBadCommandLines) {
    EXPECT_EQ(run({}).status, qmres::kExitUsage);
    EXPECT_EQ(run({"frobnicate"}).status, qmres::kExitUsage);
    EXPECT_EQ(run({"pe"}).status, qmres::kExitUsage);
    EXPECT_EQ(run({"evtx"}).status, qmres::kExitUsage);
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, qmres::kExitOk);
    EXPECT_NE(help.out.find("version"), std::string::npos);
    EXPECT_EQ(run({"log", "--machine", "/nonexistent/machine"}).status, qmres::kExitFailed);
}

} // namespace
