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

} // namespace
