// The command line: usage, the sample picture into both files, refusals.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "jobview/CJobViewDoc.h"
#include "jobview/JobStatistics.h"

namespace {

class RecordingPrompter : public JobViewPrompter {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showStatistics(const JobStatistics& s) override { statistics.push_back(s); }
    std::vector<std::string> messages;
    std::vector<JobStatistics> statistics;
};

int run(const std::string& args) {
    const std::string out = (std::filesystem::path(::testing::TempDir()) / "makejob.out").string();
    const std::string command = std::string("\"") + MAKEJOB_PATH + "\" " + args + " >\"" + out + "\" 2>&1";
    const int status = std::system(command.c_str());
#ifdef WEXITSTATUS
    return WEXITSTATUS(status);
#else
    return status;
#endif
}

std::string samplePicture() {
    const char* root = std::getenv("QM_SOURCE_DIR");
    return (std::filesystem::path(root ? root : ".") / "samples" / "quillmark-label.png").string();
}

TEST(MakejobCli, HelpSucceedsAndBadUseFails) {
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--bogus x.png"), 2);
    EXPECT_EQ(run("--tpi abc --job x.tolm " + samplePicture()), 2);
    EXPECT_EQ(run("--dpi 5000 --job x.tolm " + samplePicture()), 2);
    EXPECT_EQ(run("--job x.tolm does-not-exist.png"), 1);
}

TEST(MakejobCli, SamplePictureBecomesAJobAndAFloydPictureTheDocumentOpens) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "makejob_cli";
    std::filesystem::create_directories(dir);
    const std::string job = (dir / "sample.tolm").string();
    const std::string fld = (dir / "sample.fld").string();
    ASSERT_EQ(run("--spiral --start-angle-step 37 --tpi 200 --dpi 400 --job \"" + job + "\" --floyd \"" +
                  fld + "\" \"" + samplePicture() + "\""),
              0);
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    ASSERT_TRUE(doc.OnOpenDocument(job));
    ASSERT_NE(doc.job(), nullptr);
    EXPECT_TRUE(doc.job()->GetLabelingParameters().spiral);
    doc.onShowFileStatistics();
    ASSERT_EQ(prompter.statistics.size(), 1u);
    EXPECT_GT(prompter.statistics[0].percentOn, 5.0);
    EXPECT_LT(prompter.statistics[0].percentOn, 60.0);
    ASSERT_TRUE(doc.OnOpenDocument(fld));
    ASSERT_NE(doc.floyd(), nullptr);
    EXPECT_EQ(doc.floyd()->header().tracksPerInch, 200);
    EXPECT_GT(doc.floyd()->rowCount(), 200u);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(MakejobCli, FilesThatCannotBeWrittenAreNamedWithTheReason) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "makejob_cli_unwritable";
    std::filesystem::create_directories(dir);
    const auto plainFile = dir / "plain";
    std::FILE* f = std::fopen(plainFile.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const std::string output = (std::filesystem::path(::testing::TempDir()) / "makejob.out").string();
    for (const char* option : {"--job", "--floyd"}) {
        // A folder that is a plain file: no file can be made inside it.
        const std::string target = (plainFile / "label.out").string();
        EXPECT_EQ(run("--tpi 20 --dpi 50 " + std::string(option) + " \"" + target + "\" \"" +
                      samplePicture() + "\""),
                  1)
            << option;
        std::FILE* in = std::fopen(output.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        std::string said;
        for (int ch; (ch = std::fgetc(in)) != EOF;)
            said += static_cast<char>(ch);
        std::fclose(in);
        EXPECT_NE(said.find("cannot write " + target), std::string::npos) << said;
        EXPECT_NE(said.find(std::error_code(ENOTDIR, std::generic_category()).message()), std::string::npos)
            << said;
    }
}

std::string output() {
    std::FILE* in = std::fopen((std::filesystem::path(::testing::TempDir()) / "makejob.out").string().c_str(), "rb");
    std::string said;
    if (!in)
        return said;
    for (int ch; (ch = std::fgetc(in)) != EOF;)
        said += static_cast<char>(ch);
    std::fclose(in);
    return said;
}

TEST(MakejobCli, PrintModeOfADrfSetsTheJobAndSaysWhereEachValueCameFrom) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "makejob_cli_drf";
    std::filesystem::create_directories(dir);
    const std::string drf =
        (std::filesystem::path(samplePicture()).parent_path() / "drf" / "format3-drive111.bin").string();
    const std::string job = (dir / "drf.tolm").string();
    const std::string pic = " \"" + samplePicture() + "\"";
    ASSERT_EQ(run("--drf \"" + drf + "\" --media 113 --quality best --dpi 1000 --job \"" + job + "\"" + pic), 0)
        << output();
    const std::string said = output();
    EXPECT_NE(said.find("track spacing: 104333 nm"), std::string::npos) << said;
    EXPECT_NE(said.find("mark spacing: 1000 dpi (--dpi)"), std::string::npos) << said;
    RecordingPrompter prompter;
    CJobViewDoc doc(prompter);
    ASSERT_TRUE(doc.OnOpenDocument(job));
    ASSERT_NE(doc.job(), nullptr);
    EXPECT_EQ(doc.job()->GetLabelingParameters().trackPitch, 104333u);
    EXPECT_EQ(doc.job()->GetLabelingParameters().markSpacing, 25400u);
    EXPECT_TRUE(doc.job()->GetLabelingParameters().spiral);
    EXPECT_FALSE(doc.job()->GetLabelingParameters().clockwise);

    struct Case {
        std::string args;
        int exit;
        const char* says;
    } cases[] = {
        {"--drf \"" + drf + "\" --media 999 --quality 1", 1, "media 113: MBI MV1.2 CD: Draft (2), Normal (1), Best (0)"},
        {"--drf \"" + drf + "\" --media 101 --quality 9", 1, "no print mode for media 101 quality 9"},
        {"--drf \"" + drf + "\" --media 101 --quality superb", 1, "qualities are 0/Best, 1/Normal, 2/Draft"},
        // The sample's 1050 nm marks are finer than a job track holds: every 11th of a spiral track is kept.
        {"--drf \"" + drf + "\" --media 101 --quality 1", 0, "every 11th mark, 11550 nm"},
        {"--drf \"" + drf + "\" --media 101", 2, "go together"},
        {"--media 101 --quality 1", 2, "go together"},
        {"--drf \"" + (dir / "missing.bin").string() + "\" --media 101 --quality 1", 1, "not a readable DRF"},
        {"--drf \"" + drf + "\" --media 101 --quality 1 --spiral --circular", 2, "contradict"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args + " --job \"" + job + "\"" + pic), c.exit) << c.args;
        EXPECT_NE(output().find(c.says), std::string::npos) << c.args << "\n" << output();
    }
}

} // namespace
