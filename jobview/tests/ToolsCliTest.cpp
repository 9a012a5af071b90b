// jobview's programs that write files, run as a script would: a file that
// cannot be written makes them say why and end non-zero, and no path of a
// picture that was never written is printed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <QImage>

#include <cmath>

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

TEST_F(ToolsCli, CompareExitsAsCmpDoes) {
    using namespace testjobs;
    const std::string same = save(testjobs::job({track(0, 14400, true, true)}), "cmp-same.tolm");
    const std::string other = save(testjobs::job({track(0, 14400, true, false), track(40, 14400, true, true)}), "cmp-other.tolm");
    FloydPicture wide;
    wide.rows.assign(1, std::vector<std::uint16_t>(1000, 1));
    const std::string floydFile = save(wide, "cmp.fld");
    const fs::path diff = fs::path(testjobs::tempPath("cmp-diff.png"));
    fs::remove(diff);

    Outcome r = run(JOBVIEW_PATH, "--compare " + inQuotes(job) + " " + inQuotes(same));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("pixels changed: 0"), std::string::npos) << r.out;

    r = run(JOBVIEW_PATH, "--compare " + inQuotes(job) + " " + inQuotes(other) + " -o " + inQuotes(diff) + " --json");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("\"equal\":false"), std::string::npos) << r.out;
    const QImage picture(QString::fromStdString(diff.string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(801, 801));
    // Track 40 is in B only: red where it runs, 2 mm further out than track 0.
    const int x = 400 + int(std::lround(trackRadius(40) * kPixelsPerMicron));
    bool red = false;
    for (int dx = -2; dx <= 2; ++dx) {
        const QRgb p = picture.pixel(x + dx, 400);
        red = red || (qRed(p) == 255 && qGreen(p) < 0xA0 && qBlue(p) == qGreen(p));
    }
    EXPECT_TRUE(red);

    // A job and a floyd picture of one scale compare; trouble is 2.
    EXPECT_EQ(run(JOBVIEW_PATH, "--compare " + inQuotes(job) + " " + inQuotes(floydFile)).status, 1);
    for (const std::string& args : {"--compare " + inQuotes(job), "--compare " + inQuotes(job) + " missing.tolm",
                                    "--compare " + inQuotes(job) + " " + inQuotes(same) + " -o x.gif",
                                    "--compare " + inQuotes(job) + " " + inQuotes(same) + " -o " +
                                        inQuotes(blockedFile / "out.png")}) {
        r = run(JOBVIEW_PATH, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
}

} // namespace
