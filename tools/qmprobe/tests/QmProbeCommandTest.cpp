// qmprobe against the fake engine: the notice, both outputs, one drive, and
// failures that name what went wrong.
#include "QmProbeCommand.h"

#include "DamagedMachine.h"
#include "FakeEngine.h"

#include "emulated/EmulatedSystem.h"
#include "emulated/Machine.h"

#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace qmprobe {
namespace {

using probe::testing::FakeDrive;
using probe::testing::fakeEngine;
using probe::testing::fakeEngineExports;
using probe::testing::labelParams;
using ::testing::HasSubstr;
using ::testing::Not;

class MapEnvironment final : public qmplatform::Environment {
public:
    std::map<std::wstring, std::wstring> vars{{L"PATH", L"C:\\windows"},
                                              {L"CommonProgramFiles", L"C:\\Program Files\\Common Files"}};
    std::optional<std::wstring> get(std::wstring_view name) const override {
        const auto it = vars.find(std::wstring(name));
        return it == vars.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    }
    bool set(std::wstring_view name, std::optional<std::wstring_view> value) override {
        vars[std::wstring(name)] = std::wstring(value.value_or(L""));
        return true;
    }
    std::wstring expand(std::wstring_view text) const override { return std::wstring(text); }
};

class QmProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        probe::testing::resetFakeEngine();
        libs.modules[L"QMPrtEn.dll"] = fakeEngineExports();
        FakeDrive a;
        a.name = u"Z:";
        a.number = 4;
        a.driveId = 0x111;
        a.params = {labelParams(3, 4500, 1000, 3, 30, 7, -5), labelParams(3, 4499, 1000, 3, 31, 8, 0),
                    labelParams(2, 1000, 2000, 1000, 32, 9, 1)};
        FakeDrive b;
        b.name = u"E:";
        b.driveId = 0x1A2;
        fakeEngine().drives = {a, b};
    }
    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return runQmProbe(args, {libs, files, env}, out, err);
    }

    probe::testing::FakeLibraries libs;
    probe::testing::FakeFiles files;
    MapEnvironment env;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(QmProbeTest, WithoutYesOnlyTheNoticeIsShown) {
    EXPECT_EQ(run({"params"}), kExitNotAccepted);
    EXPECT_THAT(err.str(), HasSubstr("WARNING: paramscope is an engineering tool for internal use only."));
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(fakeEngine().calls.empty());
    EXPECT_EQ(env.vars[L"PATH"], L"C:\\windows");
}

TEST_F(QmProbeTest, ParamsAsJsonHasEveryListedDriveInListOrder) {
    ASSERT_EQ(run({"params", "--json", "--yes"}), kExitOk) << err.str();
    EXPECT_EQ(env.vars[L"PATH"], L"C:\\Program Files\\Common Files\\Quillmark;C:\\windows");
    const auto doc = nlohmann::json::parse(out.str());
    EXPECT_EQ(doc["tool"], "paramscope");
    EXPECT_EQ(doc["apiVersion"], 0x1002);
    EXPECT_EQ(doc["driveCount"], 2);
    EXPECT_TRUE(doc["sessionStart"].is_null());
    ASSERT_EQ(doc["drives"].size(), 2u);
    const auto& first = doc["drives"][0];
    EXPECT_EQ(first["item"], "E: - QUILLMRK - QM-5000 - 1.04 - 1");
    EXPECT_EQ(first["engineIndex"], 1);
    EXPECT_EQ(first["resourceFile"], "qmdb01a2.bin");
    const auto& second = doc["drives"][1];
    EXPECT_EQ(second["driveId"], 0x111);
    EXPECT_EQ(second["qualities"]["best"]["linearVelocity"], 5);
    EXPECT_EQ(second["qualities"]["normal"]["linearVelocity"], 4);
    EXPECT_EQ(second["qualities"]["best"]["dpi"], 8466667);
    EXPECT_EQ(second["qualities"]["best"]["readPower"], 0.7);
    EXPECT_EQ(second["qualities"]["draft"]["readPower"], 9.0);
    EXPECT_EQ(second["qualities"]["best"]["focusOffset"], -5);
    EXPECT_TRUE(second["failure"].is_null());
}

TEST_F(QmProbeTest, MediaAsTextForOneDriveWithItsFailure) {
    fakeEngine().failures["PEGetMediaIdL"] = 0x22E;
    EXPECT_EQ(run({"media", "--drive", "0", "--yes"}), kExitEngineFailure);
    EXPECT_THAT(out.str(), HasSubstr("Z: - QUILLMRK - QM-5000 - 1.04 - 4  (engine drive 0)\n"));
    EXPECT_THAT(out.str(), HasSubstr("  Drive Resource File     qmdb0111.bin\n"));
    EXPECT_THAT(out.str(), HasSubstr("  Media Imaging Parameter 0\n"));
    EXPECT_THAT(out.str(), HasSubstr("  failed: 22e -- Drive resource file is corrupt.\n"));
    EXPECT_THAT(out.str(), Not(HasSubstr("E: -")));
    EXPECT_THAT(err.str(), HasSubstr("22e -- Drive resource file is corrupt."));
    EXPECT_EQ(std::count(fakeEngine().calls.begin(), fakeEngine().calls.end(), "PEGetMediaIdL"), 1);
}

TEST_F(QmProbeTest, AMissingEntryIsNamed) {
    libs.modules[L"QMPrtEn.dll"] = fakeEngineExports({"PEIsValidDrive"});
    EXPECT_EQ(run({"params", "--yes", "--json"}), kExitEngineFailure);
    EXPECT_THAT(err.str(), HasSubstr("201 -- Unable to load library."));
    EXPECT_THAT(err.str(), HasSubstr("the print engine lacks the entry \"PEIsValidDrive\""));
    const auto doc = nlohmann::json::parse(out.str());
    EXPECT_EQ(doc["missingEntry"], "PEIsValidDrive");
    EXPECT_EQ(doc["sessionStart"]["code"], 0x201);
    EXPECT_TRUE(doc["drives"].empty());
    // Exit after a failed start reports the binding's own code too.
    EXPECT_EQ(doc["sessionEnd"]["code"], 0x221);
}

TEST_F(QmProbeTest, NoEngineGivesTheLoadFailureAndTheLoadersError) {
    libs.modules.clear();
    EXPECT_EQ(run({"media", "--yes"}), kExitEngineFailure);
    EXPECT_THAT(err.str(), HasSubstr("session start: 201 -- Unable to load library.\n"));
    EXPECT_THAT(err.str(), HasSubstr("(Windows error 126)"));
}

TEST_F(QmProbeTest, BadUsage) {
    EXPECT_EQ(run({}), kExitUsage);
    EXPECT_EQ(run({"params", "--drive", "x"}), kExitUsage);
    EXPECT_EQ(run({"media", "--yes", "--drive", "7"}), kExitUsage);
    EXPECT_THAT(err.str(), HasSubstr("no listed drive has the engine index 7"));
    EXPECT_EQ(run({"--help"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("params"));
}

} // namespace
} // namespace qmprobe

namespace qmprobe {
namespace {

// A machine whose own files cannot be read is no machine: the program says
// which file and why, and queries nothing.
TEST(QmProbeMachine, ADamagedMachineFileIsNamedAndNothingRuns) {
    const qmtest::Damage damages[] = {qmtest::Damage::Truncated, qmtest::Damage::RandomBytes,
                                      qmtest::Damage::Missing};
    int turn = 0;
    for (const char* name : qmtest::kMachineFiles) {
        const qmtest::Damage damage = damages[turn++ % 3];
        const std::filesystem::path root = std::filesystem::path(::testing::TempDir()) / "qmprobe_damaged";
        std::filesystem::remove_all(root);
        std::string error;
        ASSERT_TRUE(qmplatform::emulated::Machine::create(root, {}, error)) << error;
        const std::string expected = qmtest::damageMachineFile(root / name, damage);
        std::ostringstream out;
        std::ostringstream err;
        const int status = runQmProbeOn(
            {"params", "--yes"},
            [&](std::string& why) { return qmplatform::emulated::makeEmulatedSystem(root, {}, why); }, out, err);
        EXPECT_EQ(status, kExitNoSystem) << name;
        EXPECT_THAT(err.str(), HasSubstr("qmprobe: no machine to run on: ")) << name;
        EXPECT_THAT(err.str(), HasSubstr(name));
        EXPECT_THAT(err.str(), HasSubstr(expected));
        EXPECT_EQ(out.str(), "") << name;
    }
}

} // namespace
} // namespace qmprobe
