// qmres end to end on files and machines the project's writers make.
#include "QmResCommand.h"

#include "DamagedMachine.h"

#include "emulated/Machine.h"
#include "evt/EvtFile.h"
#include "pe/PeWriter.h"
#include "pe/VersionBlock.h"

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
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, qmres::kExitOk);
    EXPECT_NE(help.out.find("version"), std::string::npos);
    EXPECT_EQ(run({"log", "--machine", "/nonexistent/machine"}).status, qmres::kExitFailed);
}

} // namespace
