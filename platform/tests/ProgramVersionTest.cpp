// A program reads its own version the same way on every system: the real
// version resource of its file on Windows, the description compiled into
// it elsewhere (through the emulated machine's version functions).
#include "emulated/EmulatedVersionInfo.h"
#include "platform/machine/Machine.h"
#include "platform/ProgramVersion.h"
#include "platform/VersionInfo.h"

#ifdef _WIN32
#include "win32/Win32Resources.h"
#include <windows.h>
#endif

#include <gtest/gtest.h>

using namespace qmplatform;
namespace fs = std::filesystem;

namespace {

// What program_version_test.json describes.
void expectDescribed(VersionInfo& versions, std::span<const std::uint8_t> block) {
    FixedFileInfo fixed;
    ASSERT_TRUE(queryFixedFileInfo(versions, block, fixed));
    EXPECT_EQ(fileVersionText(fixed), L"2.4.6.8");
    EXPECT_EQ(fixed.productVersionMS, 0x00020004u);
    std::vector<std::uint32_t> translations;
    ASSERT_TRUE(queryTranslations(versions, block, translations));
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations[0], 0x04E40409u);
    std::wstring text;
    ASSERT_TRUE(queryVersionString(versions, block, 0x0409, 1252, L"FileDescription", text));
    EXPECT_EQ(text, L"Version \"test\" C:\\path \u00a9");
    ASSERT_TRUE(queryVersionString(versions, block, 0x0409, 1252, L"OriginalFilename", text));
    EXPECT_EQ(text, L"program_version_test.exe");
}

TEST(ProgramVersion, TheProgramReadsItsOwnVersion) {
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    const auto versions = makeWin32VersionInfo();
    std::vector<std::uint8_t> block;
    long error = 0;
    ASSERT_TRUE(readVersionBlock(*versions, path, block, error)) << error;
    expectDescribed(*versions, block);
#else
    ASSERT_NE(programVersion(), nullptr);
    const fs::path root = fs::path(::testing::TempDir()) / "program_version_machine";
    fs::remove_all(root);
    std::string error;
    ASSERT_TRUE(emulated::Machine::create(root, emulated::MachineSettings{}, error)) << error;
    const std::wstring own = L"C:\\Program Files\\Test\\program_version_test.exe";
    const auto machine = emulated::Machine::open(root, emulated::Machine::Options{own}, error);
    ASSERT_TRUE(machine) << error;
    emulated::EmulatedVersionInfo versions(*machine);
    std::vector<std::uint8_t> block;
    long code = 0;
    ASSERT_TRUE(readVersionBlock(versions, own, block, code)) << code;
    expectDescribed(versions, block);
#endif
}

} // namespace
