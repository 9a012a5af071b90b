// The session on working copies of the sample machines, made by qmmachine
// as a user's machine would be: with the labelling server installed and
// reached through COM, and the journal in the user's own folder.
#include <gtest/gtest.h>

#include "DamagedMachine.h"
#include "DiagtoolSession.h"
#include "QmMachineCommand.h"

#include "emulated/EmulatedSystem.h"

#include <cstdlib>
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

namespace {

// What the window shows in its error box when the machine QUILLMARK_SYSROOT
// names cannot be opened: the damaged file and why.
TEST(DiagtoolSession, AMachineWithADamagedFileDoesNotOpen) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the session opens the real system";
#else
    const char* saved = std::getenv("QUILLMARK_SYSROOT");
    const std::string previous = saved != nullptr ? saved : "";
    const qmtest::Damage damages[] = {qmtest::Damage::Truncated, qmtest::Damage::RandomBytes,
                                      qmtest::Damage::Missing};
    int turn = 0;
    for (const char* name : qmtest::kMachineFiles) {
        const fs::path dir = createMachine("broken");
        const std::string expected = qmtest::damageMachineFile(dir / name, damages[turn++ % 3]);
        setenv("QUILLMARK_SYSROOT", dir.c_str(), 1);
        std::string error;
        EXPECT_FALSE(DiagtoolSession::open(error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
    if (saved != nullptr) {
        setenv("QUILLMARK_SYSROOT", previous.c_str(), 1);
    } else {
        unsetenv("QUILLMARK_SYSROOT");
    }
#endif
}

} // namespace
