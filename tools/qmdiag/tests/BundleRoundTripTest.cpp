// The round trip a support case takes: qmdiag bundle on a machine, qmmachine
// create --from-bundle, and every page's view of the replayed machine is the
// original's: the report field for field, the error log files the
// "Error Files" page lists (names, order, contents) and the "Event Log"
// page's rows.
#include "QmDiagCommand.h"

#include "diagtool/bundle/BundleReader.h"
#include "diagtool/logs/EventLogRecord.h"
#include "QmMachineCommand.h"
#include "SampleMachines.h"
#include "diagtool/bundle/ZipWriter.h"

#include "platform/machine/EmulatedSystem.h"
#include "platform/ShellFolders.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::unique_ptr<qmplatform::System> open(const fs::path& dir) {
    std::string error;
    auto system = qmplatform::emulated::makeEmulatedSystem(dir, {}, error);
    EXPECT_TRUE(system) << error;
    return system;
}

Outcome qmdiag(const fs::path& dir, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = qmdiag::runQmDiag(
        args,
        [dir](std::string& error) -> std::unique_ptr<qmplatform::System> {
            return qmplatform::emulated::makeEmulatedSystem(dir, {}, error);
        },
        out, err);
    return {status, out.str(), err.str()};
}

Outcome qmmachine(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = qmmachine::runQmMachine(args, out, err);
    return {status, out.str(), err.str()};
}

// What the "Error Files" page reads: each log folder's files newest first,
// the name settling equal times, with their contents.
std::vector<std::string> errorFiles(const fs::path& dir) {
    auto system = open(dir);
    std::vector<std::string> rows;
    for (int csidl : {qmplatform::kCsidlProgramFilesCommon, qmplatform::kCsidlLocalAppData,
                      qmplatform::kCsidlCommonAppData}) {
        std::wstring folder;
        if (system->shellFolders().folderPath(csidl, folder) != qmplatform::kSOk) {
            rows.push_back("(no folder)");
            continue;
        }
        folder += L"\\Quillmark\\log";
        std::vector<qmplatform::FolderEntry> entries;
        if (!system->files().listFolder(folder, entries)) {
            rows.push_back("(no log folder)");
            continue;
        }
        std::erase_if(entries, [](const auto& e) { return e.isFolder; });
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.lastWriteTime != b.lastWriteTime ? a.lastWriteTime > b.lastWriteTime : a.name < b.name;
        });
        for (const auto& e : entries) {
            std::string content;
            if (std::FILE* f = system->files().openForReading(folder + L"\\" + e.name)) {
                char chunk[4096];
                for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
                    content.append(chunk, n);
                }
                std::fclose(f);
            }
            rows.push_back(qmplatform::toUtf8(e.name) + "\n" + content);
        }
    }
    return rows;
}

std::vector<EventLogRecord> eventRows(const fs::path& dir) {
    auto system = open(dir);
    std::vector<EventLogRecord> rows;
    EventLogReader(*system).readApplicationLog(rows);
    return rows;
}

class BundleRoundTripTest : public ::testing::TestWithParam<std::string> {
protected:
    fs::path base;
    fs::path original, replayed, file;

    void SetUp() override {
        base = fs::path(::testing::TempDir()) / ("roundtrip_" + GetParam());
        fs::remove_all(base);
        original = base / "original";
        replayed = base / "replayed";
        file = base / "bundle.zip";
        const Outcome made = qmmachine({"create", original.string(), "--from", GetParam()});
        ASSERT_EQ(made.status, 0) << made.err;
    }

    void roundTrip(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"bundle", file.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome bundled = qmdiag(original, args);
        ASSERT_EQ(bundled.status, 0) << bundled.err;
        const Outcome replay = qmmachine({"create", replayed.string(), "--from-bundle", file.string()});
        ASSERT_EQ(replay.status, 0) << replay.err;
    }
};

TEST_P(BundleRoundTripTest, ReplayedMachineReportsAndListsTheSame) {
    roundTrip();
    const Outcome before = qmdiag(original, {"report", "--json"});
    const Outcome after = qmdiag(replayed, {"report", "--json"});
    EXPECT_EQ(after.status, before.status);
    const auto a = nlohmann::ordered_json::parse(before.out);
    const auto b = nlohmann::ordered_json::parse(after.out);
    for (const auto& [field, value] : a.items()) {
        EXPECT_EQ(b.contains(field) ? b.at(field) : nlohmann::ordered_json(), value) << "field " << field;
    }
    EXPECT_EQ(after.out, before.out);
    EXPECT_EQ(errorFiles(replayed), errorFiles(original));
    const std::vector<EventLogRecord> events = eventRows(original);
    EXPECT_EQ(eventRows(replayed), events);
    // Samples with an Application log have the service's events in it.
    if (fs::exists(original / "drive_c/windows/system32/config/AppEvent.Evt")) {
        EXPECT_FALSE(events.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EverySample, BundleRoundTripTest, ::testing::ValuesIn(qmmachine::sampleMachineNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

class BundleStoryTest : public BundleRoundTripTest {};

// On the replayed machine the fix tells the original's story, and the fix
// journal of the customer's last run travels with the bundle.
TEST_P(BundleStoryTest, FixAndUndoAsOnTheOriginal) {
    roundTrip();
    const Outcome fixedReplay = qmdiag(replayed, {"fix"});
    const Outcome fixedOriginal = qmdiag(original, {"fix"});
    EXPECT_EQ(fixedReplay.out, fixedOriginal.out);
    EXPECT_EQ(fixedReplay.status, fixedOriginal.status);
    EXPECT_EQ(qmdiag(replayed, {"report", "--json"}).out, qmdiag(original, {"report", "--json"}).out);

    // The original's journal now holds the fixes: a second bundle carries it,
    // and undo on its replay takes back what the customer's fix made.
    fs::remove_all(replayed);
    roundTrip();
    const Outcome undoReplay = qmdiag(replayed, {"undo"});
    const Outcome undoOriginal = qmdiag(original, {"undo"});
    EXPECT_EQ(undoReplay.status, 0) << undoReplay.err;
    EXPECT_EQ(undoReplay.out, undoOriginal.out);
}

INSTANTIATE_TEST_SUITE_P(Broken, BundleStoryTest, ::testing::Values("broken"));

class RedactedRoundTripTest : public BundleRoundTripTest {};

TEST_P(RedactedRoundTripTest, ReplaysUnderThePlaceholders) {
    roundTrip({"--redact"});
    EXPECT_EQ(qmdiag(replayed, {"report", "--json"}).out, qmdiag(original, {"report", "--json"}).out);
    std::ifstream settings(replayed / "machine.json");
    const auto doc = nlohmann::ordered_json::parse(settings);
    EXPECT_EQ(doc["userName"], "redacted-user");
    EXPECT_EQ(doc["environment"]["COMPUTERNAME"], "REDACTED-PC");
    EXPECT_EQ(doc["fromBundle"]["redacted"], true);
    EXPECT_TRUE(fs::is_directory(replayed / "drive_c/users/redacted-user/AppData/Local/Quillmark/log"));
}

INSTANTIATE_TEST_SUITE_P(Broken, RedactedRoundTripTest, ::testing::Values("broken"));

TEST(BundleReplayTest, RefusesAChangedBundleAndLeavesNoMachine) {
    const fs::path base = fs::path(::testing::TempDir()) / "roundtrip_changed";
    fs::remove_all(base);
    ASSERT_EQ(qmmachine({"create", (base / "m").string(), "--from", "healthy"}).status, 0);
    const fs::path file = base / "b.zip";
    ASSERT_EQ(qmdiag(base / "m", {"bundle", file.string()}).status, 0);
    // The bundle packed again with one entry changed and the manifest as it was.
    qmbundle::ReadBundle read;
    std::string error;
    ASSERT_TRUE(qmbundle::readSupportBundleFile(file, read, error)) << error;
    qmbundle::ZipWriter zip;
    const std::string manifest = read.manifest.dump();
    ASSERT_TRUE(zip.add("manifest.json", {reinterpret_cast<const std::uint8_t*>(manifest.data()), manifest.size()}, error));
    for (auto& [name, data] : read.entries) {
        if (name == "files/CommonProgramFiles/Quillmark/QM_HSI.msi") {
            data.push_back('!');
        }
        ASSERT_TRUE(zip.add(name, data, error));
    }
    const std::vector<std::uint8_t> changed = zip.finish();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(changed.data()),
                                               static_cast<std::streamsize>(changed.size()));
    const Outcome replay = qmmachine({"create", (base / "r").string(), "--from-bundle", file.string()});
    EXPECT_EQ(replay.status, 1);
    EXPECT_NE(replay.err.find("QM_HSI.msi: 62 bytes, the manifest says 61"), std::string::npos) << replay.err;
    EXPECT_FALSE(fs::exists(base / "r"));
    EXPECT_EQ(qmmachine({"create", (base / "r").string()}).status, 2);
    EXPECT_EQ(qmmachine({"create", (base / "r").string(), "--from", "healthy", "--from-bundle", file.string()}).status,
              2);
}

} // namespace
