#include "DrfTool.h"
#include "drf/DrfBuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace drftool {
namespace {

using drf::testing::DrfBuilder;
using drf::testing::Share;

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome drftool(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = run(args, out, err);
    return {code, out.str(), err.str()};
}

class DrfToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) / "drftool";
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        DrfBuilder()
            .formatVersion(4)
            .driveId(115)
            .patternFill(false)
            .mode(101, 1)
            .mode(101, 2)
            .mode(4092, 1, 0)
            .share(0, Share::AllModes)
            .share(1, Share::PerMedia)
            .unsupported(4095)
            .value(101, 1, "PrintModeDataFile", "TrackSpacingNM", 1600)
            .value(101, 1, "DriveDataFile", "PwrCvtOffset", -250)
            .write(file("a.bin"));
    }
    std::string file(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST_F(DrfToolTest, InfoListsHeaderSectionsAndMedia) {
    const Outcome r = drftool({"info", file("a.bin")});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Format version: 4\n"), std::string::npos);
    EXPECT_NE(r.out.find("Drive ID: 115 (HLDS JW3+ - Spiral Tracking)\n"), std::string::npos);
    EXPECT_NE(r.out.find("type 5 PrintEngineFactory, generation 4, "), std::string::npos);
    EXPECT_NE(r.out.find(" 3 print modes\n"), std::string::npos);
    EXPECT_NE(r.out.find("Supported media:\n  101: Generic\n  4092: Unrecognized Media\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Unsupported media:\n  4095: Developmental Media\n"), std::string::npos);

    const Outcome j = drftool({"info", file("a.bin"), "--json"});
    ASSERT_EQ(j.code, kExitOk);
    EXPECT_NE(j.out.find("\"formatVersion\":4,\"driveId\":115"), std::string::npos) << j.out;
    EXPECT_NE(j.out.find("{\"id\":4095,\"name\":\"Developmental Media\"}"), std::string::npos) << j.out;
}

TEST_F(DrfToolTest, DumpShowsEveryKeyOrTheEditorValuesOfOneMode) {
    const Outcome all = drftool({"dump", file("a.bin")});
    ASSERT_EQ(all.code, kExitOk) << all.err;
    EXPECT_NE(
        all.out.find("Print mode 2: media 4092: Unrecognized Media, quality 1 (normal), availability 0"),
        std::string::npos);
    EXPECT_NE(all.out.find("      TrackSpacingNM = 1600\n"), std::string::npos);

    const Outcome one = drftool({"dump", file("a.bin"), "--media", "101", "--quality", "Normal"});
    ASSERT_EQ(one.code, kExitOk) << one.err;
    EXPECT_NE(one.out.find("  Track Spacing = 1600  [PrintModeDataFile.TrackSpacingNM]\n"), std::string::npos)
        << one.out;
    EXPECT_NE(one.out.find("  Drive Power Offset (uW) = -250  [DriveDataFile.PwrCvtOffset]\n"),
              std::string::npos);

    const Outcome json = drftool({"dump", file("a.bin"), "--media", "101", "--quality", "1", "--json"});
    EXPECT_NE(json.out.find("{\"label\":\"Track Spacing\",\"source\":\"PrintModeDataFile.TrackSpacingNM\","
                            "\"value\":1600}"),
              std::string::npos)
        << json.out;
}

TEST_F(DrfToolTest, SetSavesAndDiffShowsTheChangesOneLineEach) {
    const Outcome s = drftool({"set", file("a.bin"), "--media", "101", "--quality", "2", "PwrCvtOffset=99",
                               "PrintModeDataFile.FocusOffset=-3", "-o", file("b.bin")});
    ASSERT_EQ(s.code, kExitOk) << s.err;
    EXPECT_EQ(s.out,
              "DriveDataFile.PwrCvtOffset: -250 -> 99\nPrintModeDataFile.FocusOffset: 0 -> -3\nSaved " +
                  file("b.bin") + "\n");
    const Outcome d = drftool({"diff", file("a.bin"), file("b.bin")});
    ASSERT_EQ(d.code, kExitOk) << d.err;
    // The drive data record is shared: every mode shows the change.
    EXPECT_EQ(d.out, "section 5 media 101 quality 1 DriveDataFile.PwrCvtOffset: -250 -> 99\n"
                     "section 5 media 101 quality 2 DriveDataFile.PwrCvtOffset: -250 -> 99\n"
                     "section 5 media 101 quality 2 PrintModeDataFile.FocusOffset: 0 -> -3\n"
                     "section 5 media 4092 quality 1 DriveDataFile.PwrCvtOffset: -250 -> 99\n");
    EXPECT_EQ(drftool({"diff", file("a.bin"), file("a.bin")}).out, "");
}

TEST_F(DrfToolTest, SamplesOfEveryFormatLoadAndShowTheirValues) {
    for (const char* format : {"1", "2", "3", "4"}) {
        ASSERT_EQ(drftool({"sample", file("s.bin"), "--format", format}).code, kExitOk);
        const Outcome r = drftool({"dump", file("s.bin"), "--media", "112", "--quality", "Draft"});
        ASSERT_EQ(r.code, kExitOk) << r.err;
        EXPECT_NE(r.out.find("  Track Spacing = 2000  ["), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(std::string("), format ") + format + "\n"), std::string::npos) << r.out;
    }
}

TEST_F(DrfToolTest, FailuresExplainThemselvesAndExitNonZero) {
    std::ofstream(file("bad.bin"), std::ios::binary) << "not a DRF at all";
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
    };
    const Case cases[] = {
        {{"info", file("bad.bin")}, kExitFailed, "result -1435 (status 10: bad signature"},
        {{"info", file("missing.bin")}, kExitFailed, "result -1431"},
        {{"dump", file("a.bin"), "--media", "4092", "--quality", "1"}, kExitFailed, "result -1433"},
        {{"dump", file("a.bin"), "--media", "4095", "--quality", "1"}, kExitFailed, "result -1438"},
        {{"set", file("a.bin"), "--media", "101", "--quality", "1", "UseFDflt=300", "-o", file("c.bin")},
         kExitFailed,
         "300 does not fit DriveMediaDataFile.UseFDflt"},
        {{"set", file("a.bin"), "--media", "101", "--quality", "1", "Reserved01=1", "-o", file("c.bin")},
         kExitFailed,
         "more than one record"},
        {{"set", file("a.bin"), "--media", "101", "--quality", "1", "RenderRes=1"}, kExitUsage, "-o OUT"},
        {{"frobnicate"}, kExitUsage, "unknown command frobnicate"},
        {{"dump", file("a.bin"), "--media", "101"}, kExitUsage, "together"},
    };
    for (const auto& c : cases) {
        const Outcome r = drftool(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(file("c.bin")));
    EXPECT_EQ(drftool({"sample", file("s.bin"), "--format", "5"}).code, kExitUsage);
    const Outcome help = drftool({"--help"});
    EXPECT_EQ(help.code, kExitOk);
    EXPECT_EQ(help.out.rfind("Usage:\n", 0), 0u);
}

TEST_F(DrfToolTest, JsonOutputsAreDocumentsWithTheDocumentedFields) {
    const Outcome info = drftool({"info", file("a.bin"), "--json"});
    const auto i = nlohmann::json::parse(info.out);
    EXPECT_EQ(i["sections"].back()["library"], "PrintEngineFactory");
    EXPECT_EQ(i["sections"].back()["printModes"], 3);
    EXPECT_EQ(i["unsupportedMedia"][0]["id"], 4095);

    const auto dump = nlohmann::json::parse(drftool({"dump", file("a.bin"), "--json"}).out);
    const auto& mode = dump["sections"].back()["printModes"][0];
    EXPECT_EQ(mode["media"], 101);
    EXPECT_EQ(mode["records"]["PrintModeDataFile"]["TrackSpacingNM"], 1600);
    EXPECT_EQ(mode["records"]["DriveDataFile"]["PwrCvtOffset"], -250);

    ASSERT_EQ(drftool({"set", file("a.bin"), "--media", "101", "--quality", "1", "FocusOffset=7", "-o",
                       file("b.bin")})
                  .code,
              kExitOk);
    const auto diff = nlohmann::json::parse(drftool({"diff", file("a.bin"), file("b.bin"), "--json"}).out);
    ASSERT_EQ(diff.size(), 1u);
    EXPECT_EQ(diff[0]["what"], "section 5 media 101 quality 1 PrintModeDataFile.FocusOffset");
    EXPECT_EQ(diff[0]["b"], "7");
}

TEST_F(DrfToolTest, KindsSharingARecordKeepAnEditAndRefuseTwo) {
    DrfBuilder().formatVersion(3).mode(101, 1).sameRecord(4, 1).write(file("shared.bin"));
    const Outcome one = drftool({"set", file("shared.bin"), "--media", "101", "--quality", "1",
                                 "TrackSpacingNM=1500", "-o", file("one.bin")});
    ASSERT_EQ(one.code, kExitOk) << one.err;
    EXPECT_NE(drftool({"dump", file("one.bin"), "--media", "101", "--quality", "1"})
                  .out.find("  Track Spacing = 1500  [ResolutionsFile.TrackSpacingNM]\n"),
              std::string::npos);

    const Outcome two =
        drftool({"set", file("shared.bin"), "--media", "101", "--quality", "1", "TrackSpacingNM=1500",
                 "PrintPreviewFile.BackgroundRed=9", "-o", file("two.bin")});
    EXPECT_EQ(two.code, kExitFailed);
    EXPECT_NE(two.err.find("is shared by ResolutionsFile and PrintPreviewFile, and both were changed"),
              std::string::npos)
        << two.err;
    EXPECT_FALSE(std::filesystem::exists(file("two.bin")));
}

} // namespace
} // namespace drftool
