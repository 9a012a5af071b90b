// Loading libraries by name: the emulated machine's loader everywhere and, in
// the Windows lane, the system's (Wine's) loader, with the same tests. Each
// world places copies of a small test module in the folders Windows
// searches; the module's own state shows whether a load reached code that
// was already loaded or loaded it anew.
#include "platform/machine/EmulatedDynamicLibraries.h"
#include "platform/machine/Machine.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#if defined(_WIN32)
#include "win32/Win32DynamicLibraries.h"
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qmplatform::DynamicLibraries;
using qmplatform::ModuleHandle;
using qmplatform::emulated::EmulatedDynamicLibraries;
using qmplatform::emulated::LibrarySearchFolders;
using qmplatform::emulated::Machine;

using AddFn = int (*)(int);

// The smallest file the loader takes for a PE module: "MZ", the offset of
// the PE header, and the header's signature.
std::string minimalPe() {
    std::string bytes(0x40 + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x40;
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    return bytes;
}

std::string fileContents(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where the tests place files, in Windows paths, and the loader under test.
class LoaderWorld {
public:
    virtual ~LoaderWorld() = default;
    virtual DynamicLibraries& libraries() = 0;
    virtual std::wstring programPath() const = 0;
    virtual std::wstring programFolder() const = 0;
    virtual std::wstring systemFolder() const = 0;
    // A folder no search reaches unless PATH names it; ends in a backslash.
    virtual std::wstring otherFolder() const = 0;
    virtual void writeFile(const std::wstring& to, const std::string& bytes) = 0;
    virtual void removeFile(const std::wstring& path) = 0;
    virtual std::wstring path() const = 0;
    virtual void setPath(const std::wstring& value) = 0;
    // Whether the test module's entries resolve and run here (an ELF
    // stand-in on the emulated machine, a DLL for the system's loader) or it
    // is a resource module.
    virtual bool runsCode() const = 0;
    // A file this loader opens as a resource module with kLoadLibraryAsDatafile.
    virtual std::string resourceModule() const = 0;

    void installModule(const std::wstring& to) { writeFile(to, fileContents(QM_TEST_MODULE_FILE)); }
};

class EmulatedWorld final : public LoaderWorld {
public:
    EmulatedWorld() {
        static std::atomic<int> serial{0};
        root_ = fs::path(::testing::TempDir()) / ("loader_world_" + std::to_string(serial++));
        fs::remove_all(root_);
        std::string error;
        EXPECT_NE(Machine::create(root_, {}, error), nullptr) << error;
        machine_ = Machine::open(root_, Machine::Options{kProgram}, error);
        EXPECT_NE(machine_, nullptr) << error;
        libraries_ = std::make_unique<EmulatedDynamicLibraries>(*machine_);
    }
    ~EmulatedWorld() override {
        libraries_.reset();
        machine_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    DynamicLibraries& libraries() override { return *libraries_; }
    std::wstring programPath() const override { return kProgram; }
    std::wstring programFolder() const override { return L"C:\\Program Files\\Quillmark Tests"; }
    std::wstring systemFolder() const override { return machine_->systemFolder(); }
    std::wstring otherFolder() const override { return L"C:\\Other Place\\"; }
    void writeFile(const std::wstring& to, const std::string& bytes) override {
        const fs::path host = machine_->hostPath(to);
        ASSERT_FALSE(host.empty()) << qmplatform::toUtf8(to);
        fs::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
    }
    void removeFile(const std::wstring& path) override { fs::remove(machine_->hostPath(path)); }
    std::wstring path() const override { return machine_->environmentVariable(L"PATH").value_or(L""); }
    void setPath(const std::wstring& value) override { machine_->setEnvironmentVariable(L"PATH", value); }
#if defined(_WIN32)
    bool runsCode() const override {
        return false;
    }
    std::string resourceModule() const override {
        return fileContents(QM_TEST_MODULE_FILE);
    }
#else
    bool runsCode() const override {
        return true;
    }
    std::string resourceModule() const override {
        return minimalPe();
    }
#endif

    Machine& machine() {
        return *machine_;
    }
    EmulatedDynamicLibraries& emulated() {
        return *libraries_;
    }

private:
    static constexpr const wchar_t* kProgram = L"C:\\Program Files\\Quillmark Tests\\loader_test.exe";
    fs::path root_;
    std::unique_ptr<Machine> machine_;
    std::unique_ptr<EmulatedDynamicLibraries> libraries_;
};

#if defined(_WIN32)
// The system's loader on the real folders: the test program's own, the
// system folder and a temporary one. Every file placed is removed again.
class Win32World final : public LoaderWorld {
public:
    Win32World() {
        wchar_t buffer[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, buffer);
        other_ = std::wstring(buffer) + L"qm_loader_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(other_.c_str(), nullptr);
        const DWORD length = GetEnvironmentVariableW(L"PATH", nullptr, 0);
        originalPath_.resize(length);
        GetEnvironmentVariableW(L"PATH", originalPath_.data(), length);
        originalPath_.resize(length > 0 ? length - 1 : 0);
    }
    ~Win32World() override {
        SetEnvironmentVariableW(L"PATH", originalPath_.c_str());
        for (const std::wstring& file : placed_) {
            DeleteFileW(file.c_str());
        }
        for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it) {
            RemoveDirectoryW(it->c_str());
        }
        std::error_code ec;
        fs::remove_all(fs::path(other_), ec);
    }

    DynamicLibraries& libraries() override { return *libraries_; }
    std::wstring programPath() const override {
        wchar_t buffer[32768] = {};
        GetModuleFileNameW(nullptr, buffer, 32768);
        return buffer;
    }
    std::wstring programFolder() const override {
        const std::wstring program = programPath();
        return program.substr(0, program.find_last_of(L'\\'));
    }
    std::wstring systemFolder() const override {
        wchar_t buffer[MAX_PATH] = {};
        GetSystemDirectoryW(buffer, MAX_PATH);
        return buffer;
    }
    std::wstring otherFolder() const override { return other_; }
    void writeFile(const std::wstring& to, const std::string& bytes) override {
        const fs::path folder = fs::path(to).parent_path();
        if (!fs::exists(folder)) {
            fs::create_directories(folder);
            madeFolders_.push_back(folder.wstring());
        }
        std::ofstream(fs::path(to), std::ios::binary) << bytes;
        placed_.push_back(to);
    }
    void removeFile(const std::wstring& path) override { DeleteFileW(path.c_str()); }
    std::wstring path() const override {
        wchar_t buffer[32768] = {};
        GetEnvironmentVariableW(L"PATH", buffer, 32768);
        return buffer;
    }
    void setPath(const std::wstring& value) override { SetEnvironmentVariableW(L"PATH", value.c_str()); }
    bool runsCode() const override { return true; }
    std::string resourceModule() const override { return fileContents(QM_TEST_MODULE_FILE); }

private:
    std::unique_ptr<DynamicLibraries> libraries_ = qmplatform::makeWin32DynamicLibraries();
    std::wstring other_;
    std::wstring originalPath_;
    std::vector<std::wstring> placed_;
    std::vector<std::wstring> madeFolders_;
};
#endif

template <typename World> class DynamicLibrariesTest : public ::testing::Test {
protected:
    std::wstring join(const std::wstring& folder, const std::wstring& name) const {
        return folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
    }
    ModuleHandle load(const std::wstring& name, long& error, std::uint32_t flags = 0) {
        error = 0;
        return world_.libraries().load(name, flags, error);
    }
    std::wstring fileName(ModuleHandle module) {
        std::wstring name;
        EXPECT_EQ(world_.libraries().moduleFileName(module, name), qmplatform::kErrorSuccess);
        return name;
    }
    int add(ModuleHandle module, int value) {
        auto* fn = reinterpret_cast<AddFn>(world_.libraries().resolve(module, "QmTestModuleAdd"));
        return fn == nullptr ? -1 : fn(value);
    }

    World world_;
};

#if defined(_WIN32)
using Worlds = ::testing::Types<EmulatedWorld, Win32World>;
#else
using Worlds = ::testing::Types<EmulatedWorld>;
#endif
TYPED_TEST_SUITE(DynamicLibrariesTest, Worlds);

TYPED_TEST(DynamicLibrariesTest, NameWithoutExtensionMeansDllAndCaseDoesNotMatter) {
    auto& world = this->world_;
    const std::wstring file = this->join(world.programFolder(), L"QmLdrName.dll");
    world.installModule(file);
    world.installModule(this->join(world.programFolder(), L"QmLdrBare"));
    long error = 0;
    const ModuleHandle module = this->load(L"QmLdrName", error);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_TRUE(qmplatform::equalNoCase(this->fileName(module), file))
        << qmplatform::toUtf8(this->fileName(module));
    EXPECT_EQ(this->load(L"qmldrname.DLL", error), module);

    // A trailing dot asks for the file without an extension; without the
    // dot the loader looks for "QmLdrBare.dll", which is not there.
    const ModuleHandle bare = this->load(L"QmLdrBare.", error);
    EXPECT_NE(bare, nullptr) << error;
    EXPECT_EQ(this->load(L"QmLdrBare", error), nullptr);
    EXPECT_EQ(error, qmplatform::kErrorModNotFound);

    EXPECT_TRUE(world.libraries().free(module));
    EXPECT_TRUE(world.libraries().free(module));
    EXPECT_TRUE(world.libraries().free(bare));
}

TYPED_TEST(DynamicLibrariesTest, BareNamesSearchProgramThenSystemThenPath) {
    auto& world = this->world_;
    const std::wstring inProgram = this->join(world.programFolder(), L"QmLdrOrder.dll");
    const std::wstring inSystem = this->join(world.systemFolder(), L"QmLdrOrder.dll");
    const std::wstring onPath = this->join(world.otherFolder(), L"QmLdrOrder.dll");
    for (const std::wstring& file : {inProgram, inSystem, onPath}) {
        world.installModule(file);
    }
    const std::wstring originalPath = world.path();
    world.setPath(world.otherFolder() + L";" + originalPath);

    long error = 0;
    for (const std::wstring& expected : {inProgram, inSystem, onPath}) {
        const ModuleHandle module = this->load(L"QmLdrOrder.dll", error);
        ASSERT_NE(module, nullptr) << error;
        EXPECT_TRUE(qmplatform::equalNoCase(this->fileName(module), expected))
            << qmplatform::toUtf8(this->fileName(module));
        EXPECT_TRUE(world.libraries().free(module));
        world.removeFile(expected);
    }
    // PATH is read at each load.
    world.installModule(onPath);
    world.setPath(originalPath);
    EXPECT_EQ(this->load(L"QmLdrOrder.dll", error), nullptr);
    EXPECT_EQ(error, qmplatform::kErrorModNotFound);
    world.setPath(world.otherFolder() + L";" + originalPath);
    const ModuleHandle found = this->load(L"QmLdrOrder.dll", error);
    EXPECT_NE(found, nullptr) << error;
    world.libraries().free(found);
}

TYPED_TEST(DynamicLibrariesTest, FullPathIsTakenAsItStands) {
    auto& world = this->world_;
    const std::wstring file = this->join(world.programFolder(), L"QmLdrFull.dll");
    world.installModule(file);
    long error = 0;
    // The file is in the program's folder, but a path is not searched.
    EXPECT_EQ(this->load(this->join(world.otherFolder(), L"QmLdrFull.dll"), error), nullptr);
    EXPECT_EQ(error, qmplatform::kErrorModNotFound);

    const ModuleHandle module = this->load(file, error);
    ASSERT_NE(module, nullptr) << error;
    // Every component of a path matches whatever its case.
    std::wstring upper = file;
    for (wchar_t& c : upper) {
        c = qmplatform::upcaseChar(c);
    }
    EXPECT_EQ(this->load(upper, error), module);
    EXPECT_TRUE(world.libraries().free(module));
    EXPECT_TRUE(world.libraries().free(module));
}

TYPED_TEST(DynamicLibrariesTest, LoadedModuleAnswersItsBareName) {
    auto& world = this->world_;
    const std::wstring file = this->join(world.otherFolder(), L"QmLdrLoaded.dll");
    world.installModule(file);
    long error = 0;
    EXPECT_EQ(this->load(L"QmLdrLoaded", error), nullptr);
    const ModuleHandle module = this->load(file, error);
    ASSERT_NE(module, nullptr) << error;
    // Windows hands out a loaded module of that name before searching.
    EXPECT_EQ(this->load(L"QmLdrLoaded", error), module);
    EXPECT_TRUE(world.libraries().free(module));
    EXPECT_TRUE(world.libraries().free(module));
    EXPECT_EQ(this->load(L"QmLdrLoaded", error), nullptr);
}

TYPED_TEST(DynamicLibrariesTest, FilesThatAreNoModuleAreRefused) {
    auto& world = this->world_;
    const std::wstring folder = world.otherFolder();
    world.writeFile(this->join(folder, L"QmLdrText.dll"), "This is no module.\n");
    world.writeFile(this->join(folder, L"QmLdrStub.dll"), std::string("MZ\0\0", 4));
    world.writeFile(this->join(folder, L"QmLdrEmpty.dll"), "");
    // A folder of a module's name, met first in the search, ends it.
    world.writeFile(this->join(folder, L"QmLdrFolder.dll\\inside.txt"), "");
    world.installModule(this->join(world.systemFolder(), L"QmLdrFolder.dll"));
    world.writeFile(this->join(world.programFolder(), L"QmLdrFolder.dll\\inside.txt"), "");
    struct Row {
        std::wstring name;
        long expected;
    };
    const Row rows[] = {
        {L"QmLdrMissing", qmplatform::kErrorModNotFound},
        {this->join(folder, L"QmLdrMissing.dll"), qmplatform::kErrorModNotFound},
        {this->join(folder, L"No Such Folder\\QmLdrMissing.dll"), qmplatform::kErrorModNotFound},
        {this->join(folder, L"QmLdrText.dll"), qmplatform::kErrorBadExeFormat},
        {this->join(folder, L"QmLdrStub.dll"), qmplatform::kErrorBadExeFormat},
        {this->join(folder, L"QmLdrEmpty.dll"), qmplatform::kErrorBadExeFormat},
        {this->join(folder, L"QmLdrFolder.dll"), qmplatform::kErrorAccessDenied},
        {L"QmLdrFolder", qmplatform::kErrorAccessDenied},
        {L"", qmplatform::kErrorModNotFound},
    };
    for (const Row& row : rows) {
        long error = 0;
        EXPECT_EQ(this->load(row.name, error), nullptr) << qmplatform::toUtf8(row.name);
        EXPECT_EQ(error, row.expected) << qmplatform::toUtf8(row.name);
    }
}

TYPED_TEST(DynamicLibrariesTest, ModulesAreCountedPerFile) {
    auto& world = this->world_;
    const std::wstring file = this->join(world.programFolder(), L"QmLdrCount.dll");
    world.installModule(file);
    long error = 0;
    const ModuleHandle first = this->load(file, error);
    ASSERT_NE(first, nullptr) << error;
    const ModuleHandle second = this->load(L"QmLdrCount", error);
    ASSERT_EQ(second, first);
    if (!world.runsCode()) {
        EXPECT_EQ(world.libraries().resolve(first, "QmTestModuleAdd"), nullptr);
        EXPECT_TRUE(world.libraries().free(first));
        EXPECT_TRUE(world.libraries().free(first));
        return;
    }
    EXPECT_EQ(world.libraries().resolve(first, "NoSuchEntry"), nullptr);
    EXPECT_EQ(this->add(first, 5), 5);
    EXPECT_TRUE(world.libraries().free(first));
    // One load is left: the module, and its state, are still there.
    EXPECT_EQ(this->add(first, 0), 5);
    EXPECT_TRUE(world.libraries().free(first));
    // All loads freed: the next load starts afresh.
    const ModuleHandle again = this->load(file, error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(this->add(again, 0), 0);
    EXPECT_TRUE(world.libraries().free(again));
}

TYPED_TEST(DynamicLibrariesTest, DataFileIsAResourceModule) {
    auto& world = this->world_;
    const std::wstring file = this->join(world.otherFolder(), L"QmLdrData.dll");
    world.writeFile(file, world.resourceModule());
    long error = 0;
    const ModuleHandle module = this->load(file, error, qmplatform::kLoadLibraryAsDatafile);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_EQ(world.libraries().resolve(module, "QmTestModuleAdd"), nullptr);
    // A data file is no module of the process: it has no module file name,
    // and every load maps it anew.
    std::wstring name;
    EXPECT_EQ(world.libraries().moduleFileName(module, name), qmplatform::kErrorModNotFound);
    const ModuleHandle again = this->load(file, error, qmplatform::kLoadLibraryAsDatafile);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_NE(again, module);
    EXPECT_TRUE(world.libraries().free(again));
    EXPECT_TRUE(world.libraries().free(module));
}

TYPED_TEST(DynamicLibrariesTest, ProgramNameAndErrorMode) {
    auto& world = this->world_;
    EXPECT_TRUE(qmplatform::equalNoCase(this->fileName(nullptr), world.programPath()))
        << qmplatform::toUtf8(this->fileName(nullptr));
    const std::uint32_t probeMode = qmplatform::kSemFailCriticalErrors | qmplatform::kSemNoOpenFileErrorBox;
    const std::uint32_t previous = world.libraries().setErrorMode(probeMode);
    EXPECT_EQ(world.libraries().setErrorMode(previous), probeMode);
}

// ---- The emulated loader alone ---------------------------------------------

TEST(LibrarySearchCandidates, FollowWindowsNameRules) {
    const LibrarySearchFolders folders{L"C:\\App",
                                       {L"C:\\windows\\system32", L"C:\\windows"},
                                       L"C:\\Tools\\;;relative\\bin;D:\\Lib;\\rooted"};
    struct Row {
        const wchar_t* name;
        std::vector<std::wstring> expected;
    };
    const std::vector<std::wstring> everywhere = {L"C:\\App\\e.dll", L"C:\\windows\\system32\\e.dll",
                                                  L"C:\\windows\\e.dll", L"C:\\Tools\\e.dll",
                                                  L"D:\\Lib\\e.dll"};
    const Row rows[] = {
        {L"e", everywhere},
        {L"e.dll", everywhere},
        {L"E.ocx",
         {L"C:\\App\\E.ocx", L"C:\\windows\\system32\\E.ocx", L"C:\\windows\\E.ocx", L"C:\\Tools\\E.ocx",
          L"D:\\Lib\\E.ocx"}},
        {L"e.",
         {L"C:\\App\\e", L"C:\\windows\\system32\\e", L"C:\\windows\\e", L"C:\\Tools\\e", L"D:\\Lib\\e"}},
        {L"C:\\Lib\\e", {L"C:\\Lib\\e.dll"}},
        {L"C:/Lib/e.dll", {L"C:/Lib/e.dll"}},
        {L"\\Lib\\e.dll", {L"\\Lib\\e.dll"}},
        // The folder names a dot; the file still has no extension.
        {L"C:\\v1.2\\e", {L"C:\\v1.2\\e.dll"}},
        {L"sub\\e", {L"C:\\App\\sub\\e.dll"}},
        {L"", {}},
        {L"C:\\Lib\\", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(qmplatform::emulated::librarySearchCandidates(row.name, folders), row.expected)
            << qmplatform::toUtf8(row.name);
    }
    // Without a program on the machine, its folder is not searched.
    LibrarySearchFolders noProgram = folders;
    noProgram.programFolder.clear();
    EXPECT_EQ(qmplatform::emulated::librarySearchCandidates(L"e", noProgram).front(),
              L"C:\\windows\\system32\\e.dll");
    EXPECT_TRUE(qmplatform::emulated::librarySearchCandidates(L"sub\\e", noProgram).empty());
}

TEST(EmulatedDynamicLibraries, ResourceModuleMapsToItsFile) {
    EmulatedWorld world;
    const std::wstring file = L"C:\\Program Files\\Common Files\\Quillmark\\QMCMHT.dll";
    world.writeFile(file, minimalPe());
    long error = 0;
    const ModuleHandle module =
        world.libraries().load(L"C:\\PROGRAM FILES\\common files\\quillmark\\qmcmht", 0, error);
    ASSERT_NE(module, nullptr) << error;
    std::wstring name;
    EXPECT_EQ(world.libraries().moduleFileName(module, name), qmplatform::kErrorSuccess);
#if defined(_WIN32)
    // The host's file system keeps the spelling it was asked for.
    EXPECT_TRUE(qmplatform::equalNoCase(name, file));
#else
    // The name as the file is spelt, not as it was asked for.
    EXPECT_EQ(name, file);
#endif
    EXPECT_TRUE(fs::equivalent(world.emulated().hostPathOf(module), world.machine().hostPath(file)));
    EXPECT_EQ(world.libraries().resolve(module, "DllGetClassObject"), nullptr);
    EXPECT_TRUE(world.libraries().free(module));

    // A freed or foreign handle is nothing the loader knows.
    EXPECT_TRUE(world.emulated().hostPathOf(module).empty());
    EXPECT_FALSE(world.libraries().free(module));
    EXPECT_EQ(world.libraries().moduleFileName(module, name), qmplatform::kErrorModNotFound);
    EXPECT_EQ(world.libraries().resolve(module, "DllGetClassObject"), nullptr);
}

#if !defined(_WIN32)
TEST(EmulatedDynamicLibraries, RefusesSharedObjectsOfOtherMachinesAndAsData) {
    EmulatedWorld world;
    // An ELF header for another processor than this one.
    std::string foreign = fileContents(QM_TEST_MODULE_FILE);
    foreign[18] = static_cast<char>(foreign[18] + 1);
    world.writeFile(L"C:\\Other\\foreign.dll", foreign);
    world.installModule(L"C:\\Other\\standin.dll");
    long error = 0;
    EXPECT_EQ(world.libraries().load(L"C:\\Other\\foreign.dll", 0, error), nullptr);
    EXPECT_EQ(error, qmplatform::kErrorBadExeFormat);
    // What is not a PE file cannot be mapped as one.
    EXPECT_EQ(world.libraries().load(L"C:\\Other\\standin.dll", qmplatform::kLoadLibraryAsDatafile, error),
              nullptr);
    EXPECT_EQ(error, qmplatform::kErrorBadExeFormat);
}

TEST(EmulatedDynamicLibraries, ProgramOutsideTheMachineIsNamedAsWineNamesHostFiles) {
    const fs::path root = fs::path(::testing::TempDir()) / "loader_outside";
    fs::remove_all(root);
    std::string error;
    ASSERT_NE(Machine::create(root, {}, error), nullptr) << error;
    const auto machine = Machine::open(root, error);
    ASSERT_NE(machine, nullptr) << error;
    ASSERT_TRUE(machine->programPath().empty());
    EmulatedDynamicLibraries libraries(*machine);
    std::wstring name;
    ASSERT_EQ(libraries.moduleFileName(nullptr, name), qmplatform::kErrorSuccess);
    std::wstring expected = L"Z:" + qmplatform::fromUtf8(fs::read_symlink("/proc/self/exe").string());
    std::replace(expected.begin(), expected.end(), L'/', L'\\');
    EXPECT_EQ(name, expected);
    fs::remove_all(root);
}
#endif

} // namespace
