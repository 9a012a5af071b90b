// drftool preview: two jobs and their difference from one print mode, the
// DRF itself untouched, and the refusals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "DrfTool.h"
#include "Preview.h"

namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct PreviewRun {
    int status;
    std::string out, err;
};

PreviewRun preview(std::vector<std::string> args) {
    static int argc = 1;
    static char name[] = "drftool_preview_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    drftool::setPreviewCommand(&drftool::preview);
    args.insert(args.begin(), "preview");
    std::ostringstream out, err;
    const int status = drftool::run(args, out, err);
    return {status, out.str(), err.str()};
}

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / "drftool_preview";
        fs::remove_all(dir);
        fs::create_directories(dir);
        const char* root = std::getenv("QM_SOURCE_DIR");
        ASSERT_NE(root, nullptr);
        drf = dir / "sample.bin";
        fs::copy_file(fs::path(root) / "samples" / "drf" / "format3-drive111.bin", drf);
    }
    fs::path dir, drf;
};

TEST_F(Preview, ChangedTrackSpacingShowsAndTheDrfStaysAsItWas) {
    const std::string before = bytesOf(drf);
    const fs::path out = dir / "changed";
    const PreviewRun r = preview({drf.string(), "--media", "101", "--quality", "Normal", "--set", "TrackSpacingNM=110000",
                           "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("set ResolutionsFile.TrackSpacingNM: 103333 -> 110000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("track spacing: 110000 nm"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("pixels changed: 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--compare-with"), std::string::npos) << r.out;
    for (const char* name : {"file.tolm", "changed.tolm", "difference.png"})
        EXPECT_GT(fs::file_size(out / name), 1000u) << name;
    const QImage difference(QString::fromStdString((out / "difference.png").string()));
    EXPECT_EQ(difference.size(), QSize(801, 801));
    EXPECT_EQ(bytesOf(drf), before);

    // The same values give the same label.
    const PreviewRun same = preview({drf.string(), "--media", "101", "--quality", "1", "-o", (dir / "same").string()});
    ASSERT_EQ(same.status, 0) << same.err;
    EXPECT_NE(same.out.find("pixels changed: 0 (the pictures are equal)"), std::string::npos) << same.out;
    EXPECT_EQ(bytesOf(dir / "same" / "file.tolm"), bytesOf(dir / "same" / "changed.tolm"));
}

TEST_F(Preview, Refusals) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{drf.string(), "--media", "101", "--quality", "1"}, 1, "needs FILE, --media, --quality and -o DIR"},
        {{drf.string(), "--media", "101", "--quality", "1", "-o"}, 1, "-o needs a value"},
        {{drf.string(), "--media", "x", "--quality", "1", "-o", "d"}, 1, "media must be a number"},
        {{drf.string(), "--media", "101", "--quality", "fine", "-o", "d"}, 1, "unknown quality fine"},
        {{drf.string(), "--media", "101", "--quality", "1", "--bogus", "-o", "d"}, 1, "unknown option --bogus"},
        {{drf.string(), "--media", "555", "--quality", "1", "-o", "d"}, 2, "media 113: MBI MV1.2 CD"},
        {{drf.string(), "--media", "101", "--quality", "1", "--set", "NoSuchKey=1", "-o", "d"}, 2, "NoSuchKey"},
        {{drf.string(), "--media", "101", "--quality", "1", "--set", "TrackSpacingNM", "-o", "d"}, 1, "KEY=VALUE"},
        {{drf.string(), "--media", "101", "--quality", "1", "--set", "TrackSpacingNM=0", "-o", "d"}, 2,
         "track spacing is 0 nm"},
        {{drf.string(), "--media", "101", "--quality", "1", "--picture", "none.png", "-o", "d"}, 2,
         "cannot read the picture none.png"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& a : args)
            if (a == "d")
                a = (dir / "refused").string();
        const PreviewRun r = preview(args);
        EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

} // namespace
