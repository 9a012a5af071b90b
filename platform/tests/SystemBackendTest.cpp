// The environment, shell folders, files and power interfaces, held to the
// same expectations on every backend the platform has: the emulated machine
// everywhere, and on Windows (the Windows lane: Wine) the real system too.
#include "MachineTestSupport.h"

#include "emulated/EmulatedSystem.h"
#include "platform/ShellFolders.h"
#include "platform/WindowsText.h"

#ifdef _WIN32
#include "win32/Win32System.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace qmplatform;
namespace fs = std::filesystem;

namespace {

class Harness {
public:
    virtual ~Harness() = default;
    virtual System& system() = 0;
    // Makes a file (and its folders) with the given contents at a place the
    // backend sees; returns its Windows path.
    virtual std::wstring makeFile(const std::wstring& relative, const std::string& contents) = 0;
    virtual std::wstring folder() const = 0;
    // A symbolic link at `relative` to the file or folder at `target` (both
    // below folder()); false where links cannot be made.
    virtual bool makeLink(const std::wstring& relative, const std::wstring& target, bool toFolder) = 0;
};

bool makeHostLink(const fs::path& link, const fs::path& target, bool toFolder) {
    std::error_code ec;
    if (toFolder) {
        fs::create_directory_symlink(target, link, ec);
    } else {
        fs::create_symlink(target, link, ec);
    }
    return !ec;
}

class EmulatedHarness final : public Harness {
public:
    EmulatedHarness() {
        const auto machine = qmtest::freshMachine("backend");
        std::string error;
        system_ = emulated::makeEmulatedSystem(machine->root(), {}, error);
        EXPECT_TRUE(system_) << error;
    }
    System& system() override { return *system_; }
    std::wstring makeFile(const std::wstring& relative, const std::string& contents) override {
        const std::wstring path = folder() + L"\\" + relative;
        qmtest::writeHostFile(system_->machine().hostPath(path), contents);
        return path;
    }
    std::wstring folder() const override { return L"C:\\qmtest"; }
    bool makeLink(const std::wstring& relative, const std::wstring& target, bool toFolder) override {
        const emulated::Machine& machine = system_->machine();
        return makeHostLink(machine.hostPath(folder() + L"\\" + relative),
                            machine.hostPath(folder() + L"\\" + target), toFolder);
    }

private:
    std::unique_ptr<emulated::EmulatedSystem> system_;
};

#ifdef _WIN32
class Win32Harness final : public Harness {
public:
    Win32Harness() : system_(makeWin32System()), base_(fs::temp_directory_path() / "qm_backend") {
        fs::remove_all(base_);
        fs::create_directories(base_);
    }
    System& system() override { return *system_; }
    std::wstring makeFile(const std::wstring& relative, const std::string& contents) override {
        const std::wstring path = folder() + L"\\" + relative;
        qmtest::writeHostFile(fs::path(path), contents);
        return path;
    }
    std::wstring folder() const override { return base_.wstring(); }
    bool makeLink(const std::wstring& relative, const std::wstring& target, bool toFolder) override {
        return makeHostLink(base_ / relative, base_ / target, toFolder);
    }

private:
    std::unique_ptr<System> system_;
    fs::path base_;
};
#endif

struct Backend {
    const char* name;
    std::function<std::unique_ptr<Harness>()> make;
};

std::vector<Backend> backends() {
    std::vector<Backend> list{{"emulated", [] { return std::make_unique<EmulatedHarness>(); }}};
#ifdef _WIN32
    list.push_back({"win32", [] { return std::make_unique<Win32Harness>(); }});
#endif
    return list;
}

class Backends : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { harness_ = GetParam().make(); }
    System& system() { return harness_->system(); }
    std::unique_ptr<Harness> harness_;
};

TEST_P(Backends, EnvironmentGetsSetsAndRemovesIgnoringCase) {
    Environment& env = system().environment();
    EXPECT_FALSE(env.get(L"QMT_NEVER_SET"));
    ASSERT_TRUE(env.set(L"QMT_Value", L"C:\\one"));
    EXPECT_EQ(env.get(L"qmt_value"), L"C:\\one");
    ASSERT_TRUE(env.set(L"QMT_VALUE", L"C:\\two"));
    EXPECT_EQ(env.get(L"QMT_Value"), L"C:\\two");
    ASSERT_TRUE(env.set(L"qmt_value", std::nullopt));
    EXPECT_FALSE(env.get(L"QMT_VALUE"));
    EXPECT_TRUE(env.set(L"QMT_VALUE", std::nullopt)) << "removing what is not there is no failure";
    EXPECT_FALSE(env.set(L"", L"x"));
    EXPECT_FALSE(env.set(L"QMT=X", L"x"));
    // What a probe tool does at start: put the host software's folder in front.
    const std::optional<std::wstring> path = env.get(L"PATH");
    const std::optional<std::wstring> common = env.get(L"CommonProgramFiles");
    ASSERT_TRUE(path && common);
    ASSERT_TRUE(env.set(L"PATH", *common + L"\\Quillmark;" + *path));
    EXPECT_EQ(env.get(L"Path"), *common + L"\\Quillmark;" + *path);
    ASSERT_TRUE(env.set(L"PATH", *path));
}

TEST_P(Backends, EnvironmentExpandsAsExpandEnvironmentStringsDoes) {
    Environment& env = system().environment();
    ASSERT_TRUE(env.set(L"QMT_DIR", L"C:\\Q"));
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"%QMT_DIR%\\QMSvcMsg.dll", L"C:\\Q\\QMSvcMsg.dll"},
        {L"%qmt_dir%", L"C:\\Q"},
        {L"%QMT_NOPE%", L"%QMT_NOPE%"},
        {L"%QMT_NOPE%QMT_DIR%", L"%QMT_NOPE%QMT_DIR%"},
        {L"%QMT_NOPE%%QMT_DIR%", L"%QMT_NOPE%C:\\Q"},
        {L"100%", L"100%"},
        {L"%%", L"%%"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toUtf8(env.expand(c.text)), toUtf8(c.expected)) << toUtf8(c.text);
    }
    ASSERT_TRUE(env.set(L"QMT_DIR", std::nullopt));
}

TEST_P(Backends, ShellFoldersAreTheEnvironmentsFoldersAndExist) {
    const struct {
        int csidl;
        const wchar_t* variable;
    } folders[] = {
        {kCsidlProgramFilesCommon, L"CommonProgramFiles"},
        {kCsidlProgramFiles, L"ProgramFiles"},
        {kCsidlLocalAppData, L"LOCALAPPDATA"},
        {kCsidlCommonAppData, L"ALLUSERSPROFILE"},
    };
    for (const auto& f : folders) {
        std::wstring path;
        ASSERT_EQ(system().shellFolders().folderPath(f.csidl, path), kSOk) << f.csidl;
        const std::optional<std::wstring> variable = system().environment().get(f.variable);
        ASSERT_TRUE(variable) << toUtf8(f.variable);
        EXPECT_TRUE(equalNoCase(path, *variable)) << toUtf8(path) << " / " << toUtf8(*variable);
        EXPECT_NE(path.back(), L'\\');
        std::vector<FolderEntry> entries;
        EXPECT_TRUE(system().files().listFolder(path, entries)) << toUtf8(path);
    }
    std::wstring untouched = L"unchanged";
    EXPECT_LT(system().shellFolders().folderPath(0x7F, untouched), 0);
    EXPECT_EQ(untouched, L"unchanged");
}

TEST_P(Backends, FilesOpenByWindowsPathInAnyCaseButNeverAFolder) {
    const std::wstring path = harness_->makeFile(L"Quillmark\\QM_HSI.msi", std::string("MSI\0\x01\xff", 6));
    for (const std::wstring& spelling : {path, harness_->folder() + L"\\QUILLMARK\\qm_hsi.MSI"}) {
        std::FILE* file = system().files().openForReading(spelling);
        ASSERT_NE(file, nullptr) << toUtf8(spelling);
        char buffer[16] = {};
        EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, file), 6u) << "binary mode reads every byte";
        EXPECT_EQ(std::string(buffer, 6), std::string("MSI\0\x01\xff", 6));
        std::fclose(file);
    }
    EXPECT_EQ(system().files().openForReading(harness_->folder() + L"\\Quillmark"), nullptr);
    EXPECT_EQ(system().files().openForReading(harness_->folder() + L"\\Quillmark\\missing.msi"), nullptr);
    EXPECT_EQ(system().files().openForReading(harness_->folder() + L"\\Nowhere\\QM_HSI.msi"), nullptr);
}

TEST_P(Backends, FoldersListTheirEntriesWithSizeAndTime) {
    harness_->makeFile(L"log\\a.xml", "12345");
    harness_->makeFile(L"log\\sub\\b.xml", "x");
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(system().files().listFolder(harness_->folder() + L"\\log", entries));
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, L"a.xml");
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_EQ(entries[0].size, 5u);
    EXPECT_EQ(entries[1].name, L"sub");
    EXPECT_TRUE(entries[1].isFolder);
    // FILETIME: 100 ns units since 1601. Now lies a little over 1.3e17 past it.
    const std::uint64_t now =
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count()) *
            10000000ULL +
        116444736000000000ULL;
    const std::uint64_t day = 24ULL * 3600 * 10000000ULL;
    EXPECT_GT(entries[0].lastWriteTime + day, now);
    EXPECT_LT(entries[0].lastWriteTime, now + day);
    std::vector<FolderEntry> untouched(1);
    EXPECT_FALSE(system().files().listFolder(harness_->folder() + L"\\none", untouched));
    EXPECT_EQ(untouched.size(), 1u);
}

// Links are listed as links, so that scans that take files only can leave
// them out; a canonical path resolves them and spells names as on disk.
TEST_P(Backends, FolderListingsMarkLinksAndCanonicalPathsResolveThem) {
    harness_->makeFile(L"log\\a.xml", "12345");
    harness_->makeFile(L"other\\c.xml", "x");
    if (!harness_->makeLink(L"log\\b.xml", L"log\\a.xml", false)) {
        GTEST_SKIP() << "no symbolic links can be made here";
    }
    ASSERT_TRUE(harness_->makeLink(L"log\\linked", L"other", true));
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(system().files().listFolder(harness_->folder() + L"\\log", entries));
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, L"a.xml");
    EXPECT_FALSE(entries[0].isLink);
    EXPECT_EQ(entries[1].name, L"b.xml");
    EXPECT_TRUE(entries[1].isLink);
    EXPECT_FALSE(entries[1].isFolder);
    EXPECT_EQ(entries[2].name, L"linked");
    EXPECT_TRUE(entries[2].isLink);
    EXPECT_TRUE(entries[2].isFolder);

    std::wstring base;
    ASSERT_TRUE(system().files().canonicalPath(harness_->folder(), base));
    std::wstring canonical;
    ASSERT_TRUE(system().files().canonicalPath(harness_->folder() + L"\\LOG\\.\\linked\\C.XML",
                                               canonical));
    EXPECT_EQ(toUtf8(canonical), toUtf8(base + L"\\other\\c.xml"));
    ASSERT_TRUE(system().files().canonicalPath(harness_->folder() + L"\\log\\.\\b.xml", canonical));
    EXPECT_EQ(toUtf8(canonical), toUtf8(base + L"\\log\\a.xml"));
    std::wstring untouched = L"unchanged";
    EXPECT_FALSE(system().files().canonicalPath(harness_->folder() + L"\\none", untouched));
    EXPECT_EQ(untouched, L"unchanged");
}

TEST_P(Backends, LibrariesRefuseWhatIsMissingOrNoLibrary) {
    DynamicLibraries& libraries = system().libraries();
    long error = 0;
    EXPECT_EQ(libraries.load(harness_->folder() + L"\\QMPrtEn.dll", kLoadWithAlteredSearchPath, error),
              nullptr);
    EXPECT_EQ(error, kErrorModNotFound);
    const std::wstring junk = harness_->makeFile(L"junk.dll", "not a library at all, neither PE nor ELF");
    error = 0;
    EXPECT_EQ(libraries.load(junk, kLoadWithAlteredSearchPath, error), nullptr);
    EXPECT_EQ(error, kErrorBadExeFormat);
    const std::uint32_t previous = libraries.setErrorMode(kSemFailCriticalErrors | kSemNoOpenFileErrorBox);
    EXPECT_EQ(libraries.setErrorMode(previous), kSemFailCriticalErrors | kSemNoOpenFileErrorBox);
}

TEST_P(Backends, TheShutdownPrivilegeCanBeEnabled) {
    // Never followed by exitWindows here: on Windows that would restart.
    EXPECT_EQ(system().power().enableShutdownPrivilege(), kErrorSuccess);
}

INSTANTIATE_TEST_SUITE_P(Each, Backends, ::testing::ValuesIn(backends()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
