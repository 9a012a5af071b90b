// What the "Save Support Bundle" dialog shows and does, without a window:
// the listing by kind, its summary, the default file name, and collecting
// and saving a sample machine's bundle the way qmdiag bundle does.
#include "diagtool/bundle/BundlePlan.h"
#include "diagtool/bundle/BundleFormat.h"
#include "QmMachineCommand.h"

#include "platform/machine/EmulatedSystem.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using qmbundle::BundleContents;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

BundleContents contentsOf(std::initializer_list<std::pair<const char*, const char*>> kindsAndNames) {
    BundleContents contents;
    contents.created = 1796817829;
    for (const auto& [kind, name] : kindsAndNames) {
        contents.entries.push_back({name, kind, std::string("what ") + name, bytes(name)});
    }
    return contents;
}

TEST(BundlePlanTest, GroupsByKindManifestFirstWithSizesAndCounts) {
    BundleContents contents = contentsOf({{qmbundle::kKindReportText, "report.txt"},
                                          {qmbundle::kKindRegistry, "registry/01-A.reg"},
                                          {qmbundle::kKindErrorLog, "files/LocalAppData/x.xml"},
                                          {qmbundle::kKindRegistry, "registry/02-B.reg"}});
    contents.failures.push_back({{"item", "drives"}, {"error", "0x80040154"}});
    contents.leftOut.push_back({{"item", "big.xml"}, {"size", 5}, {"reason", "above 2 MiB"}});
    contents.leftOut.push_back({{"item", "huge.dll"}, {"size", 9}, {"reason", "above 1 MiB"}});
    const qmbundle::BundlePlan plan = qmbundle::planSupportBundle(contents);

    std::vector<std::string> kinds;
    for (const auto& g : plan.groups) {
        kinds.push_back(g.kind);
    }
    // A kind that comes back later joins its group: one group per kind.
    EXPECT_EQ(kinds, (std::vector<std::string>{qmbundle::kKindManifest, qmbundle::kKindReportText,
                                               qmbundle::kKindRegistry, qmbundle::kKindErrorLog}));
    ASSERT_EQ(plan.groups[2].entries.size(), 2u);
    EXPECT_EQ(plan.groups[2].entries[1].name, "registry/02-B.reg");
    EXPECT_EQ(plan.groups[2].bytes, std::string("registry/01-A.reg").size() + std::string("registry/02-B.reg").size());
    EXPECT_EQ(plan.groups[2].description, qmbundle::kindDescription(qmbundle::kKindRegistry));

    // The manifest's size is the one the archive will hold.
    const std::size_t manifest = qmbundle::bundleManifest(contents).dump(2).size() + 1;
    EXPECT_EQ(plan.groups[0].entries.at(0).name, qmbundle::kManifestName);
    EXPECT_EQ(plan.groups[0].bytes, manifest);
    EXPECT_EQ(plan.entryCount, 5u);
    std::uint64_t all = manifest;
    for (const auto& e : contents.entries) {
        all += e.data.size();
    }
    EXPECT_EQ(plan.bytes, all);

    EXPECT_EQ(plan.notes, (std::vector<std::string>{"not read: drives: 0x80040154", "left out: big.xml: above 2 MiB",
                                                    "left out: huge.dll: above 1 MiB"}));
    EXPECT_EQ(qmbundle::planSummary(plan),
              "5 entries, " + qmbundle::sizeText(all) + " before compression; 1 item not read, 2 left out");
}

TEST(BundlePlanTest, ComputerNameComesFromTheFactsAsCarried) {
    BundleContents contents = contentsOf({});
    contents.entries.push_back({qmbundle::kFactsName, qmbundle::kKindFacts, "facts",
                                bytes(R"({"userName": "quill", "computerName": "QUILL-PC"})")});
    EXPECT_EQ(qmbundle::planSupportBundle(contents).computerName, "QUILL-PC");
    contents.entries.back().data = bytes("{not json");
    EXPECT_EQ(qmbundle::planSupportBundle(contents).computerName, "");
    EXPECT_EQ(qmbundle::planSummary(qmbundle::planSupportBundle(contents)).find(';'), std::string::npos);
}

TEST(BundlePlanTest, SizesPickTheUnitTheRoundedFigureFits) {
    EXPECT_EQ(qmbundle::sizeText(0), "0 bytes");
    EXPECT_EQ(qmbundle::sizeText(1), "1 byte");
    EXPECT_EQ(qmbundle::sizeText(1023), "1023 bytes");
    EXPECT_EQ(qmbundle::sizeText(1024), "1.0 KiB");
    EXPECT_EQ(qmbundle::sizeText(1536), "1.5 KiB");
    EXPECT_EQ(qmbundle::sizeText(1048575), "1.0 MiB");
    EXPECT_EQ(qmbundle::sizeText(5u << 20), "5.0 MiB");
}

TEST(BundlePlanTest, DefaultFileNameHoldsTheComputerAndTheUtcDate) {
    EXPECT_EQ(qmbundle::defaultBundleFileName("QUILL-PC", 1796817829), "support-bundle-QUILL-PC-20261209.zip");
    // The last second of a day and the first of the next.
    EXPECT_EQ(qmbundle::defaultBundleFileName("pc", 86399), "support-bundle-pc-19700101.zip");
    EXPECT_EQ(qmbundle::defaultBundleFileName("pc", 86400), "support-bundle-pc-19700102.zip");
    // What no file name may hold, or what would lead elsewhere, is replaced.
    EXPECT_EQ(qmbundle::defaultBundleFileName("..\\a/b:c*?\"<>| d", 0),
              "support-bundle-___a_b_c_______d-19700101.zip");
    EXPECT_EQ(qmbundle::defaultBundleFileName("", 0), "support-bundle-19700101.zip");
}

// A copy of a sample machine, made by qmmachine as a user's would be.
class SampleCopy {
public:
    explicit SampleCopy(const std::string& sample) {
        dir_ = fs::path(::testing::TempDir()) /
               ("qm_bundle_plan_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ostringstream out, err;
        EXPECT_EQ(qmmachine::runQmMachine({"create", machine().string(), "--from", sample}, out, err), 0) << err.str();
    }
    ~SampleCopy() { fs::remove_all(dir_); }
    fs::path machine() const { return dir_ / "machine"; }
    fs::path dir() const { return dir_; }
    qmbundle::SystemOpener opener() const {
        const fs::path root = machine();
        return [root](std::string& error) -> std::unique_ptr<qmplatform::System> {
            return qmplatform::emulated::makeEmulatedSystem(root, {}, error);
        };
    }

private:
    fs::path dir_;
};

TEST(BundlePlanTest, CollectsAndSavesASampleMachineAsListed) {
    const SampleCopy copy("broken");
    qmbundle::BundleOptions options;
    options.now = 1796817829;
    BundleContents contents;
    std::string error;
    ASSERT_TRUE(qmbundle::collectFromMachine(copy.opener(), options, contents, error)) << error;
    const qmbundle::BundlePlan plan = qmbundle::planSupportBundle(contents);
    ASSERT_FALSE(plan.computerName.empty());
    EXPECT_NE(plan.computerName, "REDACTED-PC");

    const fs::path file = copy.dir() / "out.zip";
    qmbundle::SavedBundle saved;
    ASSERT_TRUE(qmbundle::saveSupportBundle(file, contents, saved, error)) << error;
    EXPECT_EQ(saved.entryCount, plan.entryCount);
    EXPECT_EQ(saved.archiveBytes, fs::file_size(file));
    EXPECT_EQ(qmbundle::savedSummary(saved), "Saved " + file.string() + ": " + std::to_string(plan.entryCount) +
                                                 " entries, " + qmbundle::sizeText(saved.archiveBytes) + ".");
    // Nothing but the archive is left beside it.
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(copy.dir())) {
        files += e.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 1u);

    // Redacted, the default name carries the placeholder, never the computer.
    options.redact = true;
    BundleContents redacted;
    ASSERT_TRUE(qmbundle::collectFromMachine(copy.opener(), options, redacted, error)) << error;
    const qmbundle::BundlePlan redactedPlan = qmbundle::planSupportBundle(redacted);
    EXPECT_TRUE(redactedPlan.redacted);
    EXPECT_EQ(redactedPlan.computerName, "REDACTED-PC");
    EXPECT_EQ(qmbundle::defaultBundleFileName(redactedPlan.computerName, redacted.created),
              "support-bundle-REDACTED-PC-20261209.zip");
}

TEST(BundlePlanTest, ReportsAMachineThatDoesNotOpenAndAFileThatCannotBeWritten) {
    BundleContents contents;
    std::string error;
    EXPECT_FALSE(qmbundle::collectFromMachine(
        [](std::string& why) -> std::unique_ptr<qmplatform::System> {
            why = "no machine here";
            return nullptr;
        },
        {}, contents, error));
    EXPECT_EQ(error, "no machine here");

    contents = contentsOf({{qmbundle::kKindReportText, "report.txt"}});
    const fs::path file = fs::path(::testing::TempDir()) / "qm_no_such_folder" / "b.zip";
    fs::remove_all(file.parent_path());
    qmbundle::SavedBundle saved;
    error.clear();
    EXPECT_FALSE(qmbundle::saveSupportBundle(file, contents, saved, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(file));
}

} // namespace
