// jobview's programs that write files, run as a script would: a file that
// cannot be written makes them say why and end non-zero, and no path of a
// picture that was never written is printed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TestJobs.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Outcome run(const std::string& program, const std::string& args) {
    const fs::path dir = fs::path(testjobs::tempPath("cli"));
    fs::create_directories(dir);
    const fs::path out = dir / "stdout", err = dir / "stderr";
    // The window programs keep recent files in the settings; keep ours out of the user's.
    const std::string command = "XDG_CONFIG_HOME=\"" + (dir / "config").string() + "\" \"" + program + "\" " +
                                args + " >\"" + out.string() + "\" 2>\"" + err.string() + "\"";
    const int status = std::system(command.c_str());
    Outcome r;
#ifdef WEXITSTATUS
    r.status = WEXITSTATUS(status);
#else
    r.status = status;
#endif
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

std::string inQuotes(const fs::path& p) {
    return "\"" + p.string() + "\"";
}

class ToolsCli : public ::testing::Test {
protected:
    void SetUp() override {
        job = testjobs::save(testjobs::job({testjobs::track(0, 14400, true, true)}), "cli.tolm");
        // A folder where a file is wanted, and a file where a folder is wanted.
        blockedFile = fs::path(testjobs::tempPath("cli-blocked"));
        fs::create_directories(blockedFile / "out.png");
        fs::create_directories(blockedFile / "jobview-empty.png");
        notAFolder = fs::path(testjobs::tempPath("cli-plain-file"));
        std::ofstream(notAFolder) << "x";
    }
    std::string job;
    fs::path blockedFile, notAFolder;
};

TEST_F(ToolsCli, RenderToAnUnwritablePictureSaysWhy) {
    const Outcome r =
        run(JOBVIEW_PATH, "--render " + inQuotes(fs::path(job)) + " -o " + inQuotes(blockedFile / "out.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(ToolsCli, ScreenshotsIntoAPlainFileOrOverAFolderFail) {
    Outcome r = run(JOBVIEW_SCREENSHOT_PATH, inQuotes(fs::path(job)) + " " + inQuotes(notAFolder / "shots"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot make the folder"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = run(JOBVIEW_SCREENSHOT_PATH, inQuotes(fs::path(job)) + " " + inQuotes(blockedFile));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("jobview-empty.png"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find(".png"), std::string::npos) << "printed a picture it never wrote: " << r.out;
}

TEST_F(ToolsCli, CirclesPictureSaysWhy) {
    const Outcome ok = run(JOBVIEW_CIRCLES_PATH, inQuotes(fs::path(job)) + " " +
                                                     inQuotes(fs::path(testjobs::tempPath("circles.bmp"))));
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out.substr(0, 13), "157 FFFF0000\n") << ok.out;
    const Outcome r =
        run(JOBVIEW_CIRCLES_PATH, inQuotes(fs::path(job)) + " " + inQuotes(notAFolder / "circles.bmp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace
