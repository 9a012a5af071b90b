// A support bundle opened for a look: the replayed machine is the original's
// as the checks see it, the bundle itself is never written (not even its
// time), a refused bundle is refused with the reader's reason and leaves no
// folder behind, and the temporary folder goes with the machine.
#include "diagtool/replay/BundleMachine.h"
#include "diagtool/replay/OpenMachine.h"

#include "diagtool/app/DiagnosticsReport.h"
#include "diagtool/bundle/BundlePlan.h"
#include "diagtool/bundle/BundleReader.h"
#include "diagtool/bundle/ZipWriter.h"
#include "diagtool/windows/GuidedCheck.h"
#include "QmMachineCommand.h"

#include "platform/machine/EmulatedSystem.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

class FixEverything final : public GuidedCheckPrompter {
public:
    int ask(std::wstring_view, std::wstring_view, std::wstring_view) override { return 0; }
};

std::vector<std::uint8_t> readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t childrenOf(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

std::string reportOf(DiagtoolSession& session) {
    return diagnosticsReportJson(collectDiagnosticsReport(session));
}

// A sample machine's copy and its bundle, as support receives it; replayed
// machines get their folders below temp().
class BundleMachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("qm_bundle_machine_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(temp());
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path temp() const { return dir_ / "temp"; }

    fs::path makeBundle(const std::string& sample) {
        const fs::path machine = dir_ / sample;
        std::ostringstream out, err;
        EXPECT_EQ(qmmachine::runQmMachine({"create", machine.string(), "--from", sample}, out, err), 0) << err.str();
        qmbundle::BundleOptions options;
        options.now = 1796817829;
        qmbundle::BundleContents contents;
        std::string error;
        EXPECT_TRUE(qmbundle::collectFromMachine(
            [machine](std::string& e) -> std::unique_ptr<qmplatform::System> {
                return qmplatform::emulated::makeEmulatedSystem(machine, {}, e);
            },
            options, contents, error))
            << error;
        const fs::path file = dir_ / (sample + ".zip");
        qmbundle::SavedBundle saved;
        EXPECT_TRUE(qmbundle::saveSupportBundle(file, contents, saved, error)) << error;
        return file;
    }

    std::string originalReport(const std::string& sample) {
        std::string error;
        auto system = qmplatform::emulated::makeEmulatedSystem(dir_ / sample, {}, error);
        EXPECT_TRUE(system) << error;
        DiagtoolSession session(std::move(system));
        return reportOf(session);
    }

    // The bundle at `from` repacked with its manifest edited and, if given, one more entry.
    fs::path repacked(const fs::path& from, const std::string& name, const std::function<void(Json&)>& edit,
                      const std::string& extraEntry = {}) {
        qmbundle::ReadBundle read;
        std::string error;
        EXPECT_TRUE(qmbundle::readSupportBundleFile(from, read, error)) << error;
        Json manifest = read.manifest;
        edit(manifest);
        qmbundle::ZipWriter zip;
        const std::string text = manifest.dump(2);
        EXPECT_TRUE(zip.add(qmbundle::kManifestName, std::vector<std::uint8_t>(text.begin(), text.end()), error));
        for (const auto& [entry, data] : read.entries) {
            EXPECT_TRUE(zip.add(entry, data, error)) << error;
        }
        if (!extraEntry.empty()) {
            EXPECT_TRUE(zip.add(extraEntry, std::vector<std::uint8_t>{'x'}, error));
        }
        const std::vector<std::uint8_t> archive = zip.finish();
        const fs::path file = dir_ / name;
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(archive.data()),
                                                    static_cast<std::streamsize>(archive.size()));
        return file;
    }

    fs::path dir_;
};

TEST_F(BundleMachineTest, OpensWithoutWritingTheBundleAndRemovesItsFolder) {
    const fs::path bundle = makeBundle("broken");
    // A time the writer would not give it, so a rewrite shows.
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(49);
    fs::last_write_time(bundle, past);
    const std::vector<std::uint8_t> bytes = readAll(bundle);

    std::string error;
    std::vector<std::string> mismatches;
    auto replayed = qmreplay::BundleMachine::open(bundle, error, mismatches, temp());
    ASSERT_TRUE(replayed) << error;
    const fs::path folder = replayed->folder();
    EXPECT_EQ(folder.parent_path(), temp());
    EXPECT_TRUE(fs::is_regular_file(folder / "machine.json"));
    auto open = qmreplay::OpenMachine::openBundle(std::move(replayed), error);
    ASSERT_TRUE(open) << error;
    EXPECT_EQ(open->bundleName(), "broken.zip");

    // The checks see the original, and the fixes go to the replay.
    EXPECT_EQ(reportOf(open->session()), originalReport("broken"));
    FixEverything fix;
    const GuidedCheck::Result result = GuidedCheck(open->session().checks(), fix).run();
    EXPECT_FALSE(result.fixes.empty());
    EXPECT_NE(reportOf(open->session()), originalReport("broken"));
    // A second system on the replay, as the save dialog opens one, sees the fixes.
    auto second = open->openSystem(error);
    ASSERT_TRUE(second) << error;

    second.reset();
    open.reset();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(childrenOf(temp()), 0u);
    EXPECT_EQ(readAll(bundle), bytes);
    EXPECT_EQ(fs::last_write_time(bundle), past);
}

TEST_F(BundleMachineTest, RefusesWithTheReadersReasonAndLeavesNothing) {
    const fs::path good = makeBundle("healthy");
    struct Case {
        fs::path file;
        std::string reason;
        std::size_t mismatches;
    };
    const std::vector<Case> cases = {
        {repacked(good, "hash.zip",
                  [](Json& m) {
                      for (auto& e : m["entries"]) {
                          if (e["name"] == "report.txt") {
                              e["sha256"] = std::string(64, '0');
                          }
                      }
                  }),
         "does not match its manifest (1 entries)", 1},
        {repacked(good, "version.zip", [](Json& m) { m["formatVersion"] = 7; }),
         "the bundle's format version 7 is not known: this suite reads version 1", 0},
        {repacked(good, "unsafe.zip", [](Json&) {}, "files/../../evil.txt"), "files/../../evil.txt", 0},
        {dir_ / "missing.zip", "missing.zip", 0},
    };
    for (const Case& c : cases) {
        const bool existed = fs::exists(c.file);
        const std::vector<std::uint8_t> before = existed ? readAll(c.file) : std::vector<std::uint8_t>{};
        std::string error;
        std::vector<std::string> mismatches;
        EXPECT_FALSE(qmreplay::BundleMachine::open(c.file, error, mismatches, temp())) << c.file;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind(c.file.string(), 0), 0u) << error;
        EXPECT_EQ(mismatches.size(), c.mismatches) << error;
        EXPECT_EQ(childrenOf(temp()), 0u) << c.file;
        EXPECT_EQ(fs::exists(c.file), existed);
        if (existed) {
            EXPECT_EQ(readAll(c.file), before);
        }
    }
}

TEST_F(BundleMachineTest, EachOpeningGetsAFolderOfItsOwn) {
    const fs::path bundle = makeBundle("healthy");
    std::string error;
    std::vector<std::string> mismatches;
    auto first = qmreplay::BundleMachine::open(bundle, error, mismatches, temp());
    auto second = qmreplay::BundleMachine::open(bundle, error, mismatches, temp());
    ASSERT_TRUE(first && second) << error;
    EXPECT_NE(first->folder(), second->folder());
    // One session after the other, as diagtool switches machines.
    auto open = qmreplay::OpenMachine::openBundle(std::move(first), error);
    ASSERT_TRUE(open) << error;
    const std::string report = reportOf(open->session());
    open.reset();
    open = qmreplay::OpenMachine::openBundle(std::move(second), error);
    ASSERT_TRUE(open) << error;
    EXPECT_EQ(reportOf(open->session()), report);
    EXPECT_EQ(childrenOf(temp()), 1u);
    open.reset();
    EXPECT_EQ(childrenOf(temp()), 0u);
}

} // namespace
