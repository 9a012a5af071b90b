// The engine lands in the machine's common program files folder, as the
// build variant the machine's settings ask for.
#include "PrintEngineInstall.h"

#include "platform/machine/EmulatedSystem.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace qmprtens {
namespace {

std::string contents(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() / "qmprten-install-test";
        std::filesystem::remove_all(root_);
        builds_ = root_ / "builds";
        for (const char* variant : {"full", "without-PEIsValidDrive"}) {
            std::filesystem::create_directories(builds_ / variant / "Quillmark");
            std::ofstream(builds_ / variant / "Quillmark" / "QMPrtEn.dll") << variant;
        }
        std::string error;
        ASSERT_TRUE(qmplatform::emulated::Machine::create(root_ / "m", {}, error)) << error;
        system_ = qmplatform::emulated::makeEmulatedSystem(root_ / "m", {}, error);
        ASSERT_TRUE(system_) << error;
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::filesystem::path installed() const {
        return root_ / "m" / "drive_c" / "Program Files" / "Common Files" / "Quillmark" / "QMPrtEn.dll";
    }

    std::filesystem::path root_;
    std::filesystem::path builds_;
    std::unique_ptr<qmplatform::emulated::EmulatedSystem> system_;
};

TEST_F(InstallTest, TheFullEngineGoesToTheCommonProgramFilesFolder) {
    std::wstring path;
    ASSERT_TRUE(printEngineInstallPath(system_->shellFolders(), path));
    EXPECT_EQ(path, L"C:\\Program Files\\Common Files\\Quillmark\\QMPrtEn.dll");
    std::string error;
    ASSERT_TRUE(installPrintEngine(system_->machine(), system_->shellFolders(), builds_, error)) << error;
    EXPECT_EQ(contents(installed()), "full");
}

TEST_F(InstallTest, TheSettingsChooseAVariantAndAMissingBuildIsAnError) {
    std::string error;
    auto leaveOut = [&](const char* entry) {
        return system_->machine().updateSettings(
            [entry](nlohmann::ordered_json& doc, std::string&) {
                doc["printEngine"]["leaveOut"] = entry;
                return true;
            },
            error);
    };
    ASSERT_TRUE(leaveOut("PEIsValidDrive")) << error;
    ASSERT_TRUE(installPrintEngine(system_->machine(), system_->shellFolders(), builds_, error)) << error;
    EXPECT_EQ(contents(installed()), "without-PEIsValidDrive");

    ASSERT_TRUE(leaveOut("PEGetAPIVersion")) << error;
    EXPECT_FALSE(installPrintEngine(system_->machine(), system_->shellFolders(), builds_, error));
    EXPECT_NE(error.find("without-PEGetAPIVersion"), std::string::npos) << error;
    EXPECT_EQ(contents(installed()), "without-PEIsValidDrive");
}

} // namespace
} // namespace qmprtens
