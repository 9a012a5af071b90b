#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/FileReplace.h"

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path freshDir(const char* name) {
    const fs::path dir = fs::path(::testing::TempDir()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace

TEST(FileReplace, ReplacesTheTargetAndLeavesNoTemporaryFile) {
    const fs::path dir = freshDir("file_replace_ok");
    const fs::path target = dir / "data.bin";
    std::ofstream(target, std::ios::binary) << "old contents";
    const std::vector<std::uint8_t> bytes = {'n', 'e', 'w', 0, 1};
    std::string error;
    ASSERT_TRUE(qmplatform::writeFileReplacing(target, bytes, error)) << error;
    EXPECT_EQ(contents(target), std::string("new\0\1", 5));
    EXPECT_FALSE(fs::exists(qmplatform::replacementTempPath(target)));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(FileReplace, FailuresKeepTheOldFileAndSayWhy) {
    const fs::path dir = freshDir("file_replace_fail");
    const std::vector<std::uint8_t> bytes = {1, 2, 3};
    std::string error;
    EXPECT_FALSE(qmplatform::writeFileReplacing(dir / "missing" / "x.bin", bytes, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    // And why: the folder is missing.
    EXPECT_NE(error.find(std::error_code(ENOENT, std::generic_category()).message()), std::string::npos)
        << error;

    // A folder in the target's place cannot be renamed over: the folder and
    // what it holds stay, and the temporary file is removed again.
    const fs::path folder = dir / "taken";
    fs::create_directories(folder);
    std::ofstream(folder / "inside.txt") << "kept";
    error.clear();
    EXPECT_FALSE(qmplatform::writeFileReplacing(folder, bytes, error));
    EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
    EXPECT_EQ(contents(folder / "inside.txt"), "kept");
    EXPECT_FALSE(fs::exists(qmplatform::replacementTempPath(folder)));
}
