// The session on working copies of the sample machines, made by qmmachine
// as a user's machine would be: with the labelling server installed and
// reached through COM, and the journal in the user's own folder.
#include <gtest/gtest.h>

#include "diagtool/app/DiagtoolSession.h"
#include "QmMachineCommand.h"

#include "platform/machine/EmulatedSystem.h"

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

fs::path createMachine(const std::string& sample) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("qm_session_" + std::string(test->name()) + "_" + sample);
    fs::remove_all(dir);
    std::ostringstream out, err;
    EXPECT_EQ(qmmachine::runQmMachine({"create", dir.string(), "--from", sample}, out, err), 0) << err.str();
    return dir;
}

std::unique_ptr<DiagtoolSession> openSession(const fs::path& dir, std::wstring run = {}) {
    std::string error;
    auto system = qmplatform::emulated::makeEmulatedSystem(dir, {}, error);
    EXPECT_TRUE(system) << error;
    return system ? std::make_unique<DiagtoolSession>(std::move(system), std::move(run)) : nullptr;
}

TEST(DiagtoolSession, DriveCountComesFromTheInstalledServer) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not read the emulated machine's registry";
#endif
    // bare has no server at all: creating it fails, which counts as no drive.
    for (const auto& [sample, drive] :
         {std::pair{"healthy", true}, std::pair{"no-drives", false}, std::pair{"bare", false}}) {
        SCOPED_TRACE(sample);
        const auto session = openSession(createMachine(sample));
        ASSERT_TRUE(session);
        EXPECT_EQ(session->checks().hasQuillmarkDrive(), drive);
    }
}

TEST(DiagtoolSession, FixesAreJournalledUnderTheSessionsRun) {
    const fs::path dir = createMachine("broken");
    {
        const auto session = openSession(dir, L"run-a");
        ASSERT_TRUE(session);
        ASSERT_TRUE(session->checks().setAllocateCdRoms(false));
    }
    const auto session = openSession(dir);
    ASSERT_TRUE(session);
    EXPECT_NE(session->run(), L"run-a");
    EXPECT_NE(session->run(), DiagtoolSession::newRunId());
    ASSERT_TRUE(session->checks().setAutorun(true));
    FixRecord last;
    ASSERT_TRUE(session->journal().last(last));
    EXPECT_EQ(last.run, session->run());
    EXPECT_EQ(last.valueName, L"autorun");
    ASSERT_TRUE(session->checks().undoLastFix());
    ASSERT_TRUE(session->journal().last(last));
    EXPECT_EQ(last.run, L"run-a") << "the earlier run's fix is in the same file";
    EXPECT_EQ(last.valueName, L"allocatecdroms");
}

} // namespace
