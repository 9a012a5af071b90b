// resedit's programs run as a script would: --help without a display, and
// the file-writing helpers say why and end non-zero when a file cannot be
// written, printing no path of a file they never wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

fs::path scratch() {
    const fs::path dir = fs::path(::testing::TempDir()) / "resedit_tools_cli";
    fs::create_directories(dir);
    return dir;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Outcome run(const std::string& command) {
    const fs::path out = scratch() / "stdout", err = scratch() / "stderr";
    const int status =
        std::system((command + " >\"" + out.string() + "\" 2>\"" + err.string() + "\"").c_str());
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

TEST(ReseditToolsCli, HelpNeedsNoDisplay) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome r = run(std::string("env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY ") +
                              inQuotes(RESEDIT_PATH) + " " + option);
        EXPECT_EQ(r.status, 0) << option << ": " << r.err;
        EXPECT_NE(r.out.find("[FILE.bin]"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("drftool"), std::string::npos) << r.out;
    }
}

TEST(ReseditToolsCli, WritersSayWhyTheyCannotWrite) {
    const fs::path plainFile = scratch() / "plain";
    std::ofstream(plainFile) << "x";
    Outcome r = run(inQuotes(MAKE_SAMPLE_DRFS_PATH) + " " + inQuotes(plainFile / "drf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot make the folder"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    // A folder where the first DRF should go.
    const fs::path blocked = scratch() / "blocked";
    fs::create_directories(blocked / "format1-drive105.bin");
    r = run(inQuotes(MAKE_SAMPLE_DRFS_PATH) + " " + inQuotes(blocked));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("format1-drive105.bin"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find(".bin"), std::string::npos) << r.out;

    r = run(inQuotes(RESEDIT_SCREENSHOTS_PATH) + " " + inQuotes(plainFile / "shots"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot make the folder"), std::string::npos) << r.err;

    fs::create_directories(blocked / "launcher.png");
    r = run(inQuotes(RESEDIT_SCREENSHOTS_PATH) + " " + inQuotes(blocked));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write " + (blocked / "launcher.png").string()), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("launcher.png"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("about.png"), std::string::npos) << "the other pictures are still taken: " << r.out;
}

} // namespace
