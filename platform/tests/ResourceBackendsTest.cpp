// The version-resource and message-table interfaces, written once and run
// against each backend the platform has: the emulated machine everywhere,
// and under Windows (Wine in the Windows lane) the real API too, on the same
// files.
#include "emulated/EmulatedMessageTables.h"
#include "emulated/EmulatedVersionInfo.h"
#include "platform/Win32Codes.h"
#include "platform/formats/PeWriter.h"
#include "platform/formats/VersionBlock.h"
#include "platform/machine/EmulatedDynamicLibraries.h"
#include "platform/machine/Machine.h"

#ifdef _WIN32
#include "win32/Win32Resources.h"
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <fstream>
#include <map>

using namespace qmplatform;
namespace fs = std::filesystem;

namespace {

pe::VersionDescription moduleVersion(std::uint16_t build) {
    pe::VersionDescription d;
    d.fileVersion[0] = 3;
    d.fileVersion[1] = 10;
    d.fileVersion[2] = build;
    d.fileVersion[3] = 65535;
    d.productVersion[0] = 3;
    d.productVersion[1] = 10;
    d.fileType = 2; // VFT_DLL
    d.strings = {{L"CompanyName", L"Quillmark"},
                 {L"FileVersion", L"3.10." + std::to_wstring(build) + L".65535"}};
    return d;
}

std::vector<std::uint8_t> versionModule(std::uint16_t machine, std::uint16_t build) {
    pe::PeWriteOptions options;
    options.machine = machine;
    return pe::writeResourceImage({{pe::resourceNumber(pe::kRtVersion), pe::resourceNumber(1), 0x0409,
                                    pe::writeVersionBlock(moduleVersion(build))}},
                                  options);
}

std::vector<std::uint8_t> messageModule(std::uint16_t machine) {
    pe::PeWriteOptions options;
    options.machine = machine;
    const auto table = pe::writeMessageTable({{1, L"Plain text.\r\n"},
                                              {0x40000064, L"Service %1 started on %2.\r\n"},
                                              {0xC0000065, L"Error %1!d! in %2 (%3).\r\n"}});
    return pe::writeResourceImage(
        {{pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409, table}}, options);
}

// One backend and the means to put files where its paths reach.
class Backend {
public:
    virtual ~Backend() = default;
    virtual VersionInfo& versions() = 0;
    virtual MessageTables& messages() = 0;
    // Writes a file and returns its Windows path.
    virtual std::wstring place(const std::string& name, const std::vector<std::uint8_t>& bytes) = 0;
    virtual ModuleHandle load(const std::wstring& path) = 0;
    virtual void unload(ModuleHandle module) = 0;
    virtual std::wstring missing() = 0;
    virtual bool isEmulated() const = 0;
};

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class EmulatedBackend final : public Backend {
public:
    EmulatedBackend() {
        root_ = fs::path(::testing::TempDir()) / "resource_backends_machine";
        fs::remove_all(root_);
        std::string error;
        machine_ = emulated::Machine::create(root_, emulated::MachineSettings{}, error);
        EXPECT_TRUE(machine_) << error;
        versions_ = std::make_unique<emulated::EmulatedVersionInfo>(*machine_, nullptr);
        loader_ = std::make_unique<emulated::EmulatedDynamicLibraries>(*machine_);
        messages_ = std::make_unique<emulated::EmulatedMessageTables>(*loader_);
    }
    VersionInfo& versions() override { return *versions_; }
    MessageTables& messages() override { return *messages_; }
    std::wstring place(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        const std::wstring path =
            L"C:\\Program Files\\Common Files\\Quillmark\\" + std::wstring(name.begin(), name.end());
        writeFile(machine_->hostPath(path), bytes);
        return path;
    }
    ModuleHandle load(const std::wstring& path) override {
        long error = 0;
        return loader_->load(path, kLoadLibraryAsDatafile, error);
    }
    void unload(ModuleHandle module) override { loader_->free(module); }
    std::wstring missing() override { return L"C:\\Program Files\\Common Files\\Quillmark\\missing.dll"; }
    bool isEmulated() const override { return true; }

private:
    fs::path root_;
    std::unique_ptr<emulated::Machine> machine_;
    std::unique_ptr<emulated::EmulatedDynamicLibraries> loader_;
    std::unique_ptr<VersionInfo> versions_;
    std::unique_ptr<MessageTables> messages_;
};

#ifdef _WIN32
class Win32Backend final : public Backend {
public:
    Win32Backend() {
        folder_ = fs::path(::testing::TempDir()) / "resource_backends_win32";
        fs::create_directories(folder_);
    }
    VersionInfo& versions() override { return *versions_; }
    MessageTables& messages() override { return *messages_; }
    std::wstring place(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        writeFile(folder_ / name, bytes);
        return (folder_ / name).wstring();
    }
    ModuleHandle load(const std::wstring& path) override {
        return reinterpret_cast<ModuleHandle>(
            LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }
    void unload(ModuleHandle module) override { FreeLibrary(reinterpret_cast<HMODULE>(module)); }
    std::wstring missing() override { return (folder_ / "missing.dll").wstring(); }
    bool isEmulated() const override { return false; }

private:
    fs::path folder_;
    std::unique_ptr<VersionInfo> versions_ = makeWin32VersionInfo();
    std::unique_ptr<MessageTables> messages_ = makeWin32MessageTables();
};
#endif

using BackendFactory = std::unique_ptr<Backend> (*)();

class ResourceBackends : public ::testing::TestWithParam<BackendFactory> {
protected:
    void SetUp() override { backend_ = GetParam()(); }
    std::unique_ptr<Backend> backend_;
};

TEST_P(ResourceBackends, ReadsTheVersionOfBothImageForms) {
    for (const std::uint16_t machine : {pe::kMachineI386, pe::kMachineAmd64}) {
        const std::wstring path = backend_->place("QMCMHT.dll", versionModule(machine, 7));
        long error = -1;
        const std::uint32_t size = backend_->versions().infoSize(path, error);
        ASSERT_EQ(error, kErrorSuccess);
        EXPECT_EQ(size, pe::writeVersionBlock(moduleVersion(7)).size() * 2 + 4);
        std::vector<std::uint8_t> block;
        ASSERT_TRUE(readVersionBlock(backend_->versions(), path, block, error)) << error;
        FixedFileInfo fixed;
        ASSERT_TRUE(queryFixedFileInfo(backend_->versions(), block, fixed));
        EXPECT_EQ(fileVersionText(fixed), L"3.10.7.65535");
        EXPECT_EQ(fixed.fileType, 2u);
        std::vector<std::uint32_t> translations;
        ASSERT_TRUE(queryTranslations(backend_->versions(), block, translations));
        EXPECT_EQ(translations, std::vector<std::uint32_t>{0x04B00409u});
        std::wstring text;
        ASSERT_TRUE(queryVersionString(backend_->versions(), block, 0x0409, 1200, L"FileVersion", text));
        EXPECT_EQ(text, L"3.10.7.65535");
        EXPECT_FALSE(queryVersionString(backend_->versions(), block, 0x0407, 1200, L"FileVersion", text));
    }
}

TEST_P(ResourceBackends, FilesWithoutAVersionSayWhy) {
    long error = 0;
    EXPECT_EQ(backend_->versions().infoSize(backend_->missing(), error), 0u);
    EXPECT_EQ(error, kErrorFileNotFound);
    const std::wstring noVersion = backend_->place("messages.dll", messageModule(pe::kMachineI386));
    EXPECT_EQ(backend_->versions().infoSize(noVersion, error), 0u);
    // Windows says the type is missing; Wine says 1812 for every module
    // without a version resource.
    if (backend_->isEmulated()) {
        EXPECT_EQ(error, kErrorResourceTypeNotFound);
    } else {
        EXPECT_TRUE(error == kErrorResourceTypeNotFound || error == kErrorResourceDataNotFound) << error;
    }
    const std::wstring text = backend_->place("readme.txt", {'n', 'o', 't', ' ', 'a', ' ', 'P', 'E'});
    EXPECT_EQ(backend_->versions().infoSize(text, error), 0u);
    EXPECT_EQ(error, kErrorResourceDataNotFound);
    std::vector<std::uint8_t> block(64, 0xAB);
    EXPECT_FALSE(backend_->versions().info(noVersion, block, error));
    EXPECT_EQ(block[0], 0xAB);
}

TEST_P(ResourceBackends, FormatsMessagesFromAModule) {
    for (const std::uint16_t machine : {pe::kMachineI386, pe::kMachineAmd64}) {
        const std::wstring path = backend_->place("QMSvcMsg.dll", messageModule(machine));
        const ModuleHandle module = backend_->load(path);
        ASSERT_NE(module, nullptr);
        const std::vector<MessageArgument> args = {MessageArgument::fromText(L"QuillmarkService"),
                                                   MessageArgument::fromText(L"QUILLMARK-PC")};
        std::wstring text;
        ASSERT_EQ(backend_->messages().formatMessage(module, 0x40000064, kDefaultLanguage, args, 1024, text),
                  kErrorSuccess);
        EXPECT_EQ(text, L"Service QuillmarkService started on QUILLMARK-PC.\r\n");
        // Fewer arguments than inserts: the missing ones insert nothing.
        ASSERT_EQ(backend_->messages().formatMessage(module, 0x40000064, kDefaultLanguage,
                                                     std::span(args).first(1), 0, text),
                  kErrorSuccess);
        EXPECT_EQ(text, L"Service QuillmarkService started on .\r\n");
        const std::vector<MessageArgument> numbers = {
            MessageArgument::fromNumber(static_cast<std::uint32_t>(-7)), MessageArgument::fromText(L"drive"),
            MessageArgument::fromText(L"E:")};
        ASSERT_EQ(
            backend_->messages().formatMessage(module, 0xC0000065, kDefaultLanguage, numbers, 1024, text),
            kErrorSuccess);
        EXPECT_EQ(text, L"Error -7 in drive (E:).\r\n");

        text = L"untouched";
        EXPECT_EQ(backend_->messages().formatMessage(module, 2, kDefaultLanguage, args, 1024, text),
                  kErrorMrMidNotFound);
        EXPECT_EQ(text, L"untouched");
        EXPECT_EQ(backend_->messages().formatMessage(module, 1, kDefaultLanguage, {}, 5, text),
                  kErrorInsufficientBuffer);
        EXPECT_EQ(text, L"untouched");
        backend_->unload(module);
    }
}

TEST_P(ResourceBackends, AModuleWithoutAMessageTableHasNoMessages) {
    const std::wstring path = backend_->place("QMCMHT.dll", versionModule(pe::kMachineI386, 1));
    const ModuleHandle module = backend_->load(path);
    ASSERT_NE(module, nullptr);
    std::wstring text;
    EXPECT_EQ(backend_->messages().formatMessage(module, 1, kDefaultLanguage, {}, 1024, text),
              kErrorResourceTypeNotFound);
    backend_->unload(module);
}

std::vector<BackendFactory> backends() {
    std::vector<BackendFactory> all = {
        []() -> std::unique_ptr<Backend> { return std::make_unique<EmulatedBackend>(); }};
#ifdef _WIN32
    all.push_back([]() -> std::unique_ptr<Backend> { return std::make_unique<Win32Backend>(); });
#endif
    return all;
}

INSTANTIATE_TEST_SUITE_P(Backends, ResourceBackends, ::testing::ValuesIn(backends()),
                         [](const auto& info) { return info.index == 0 ? "Emulated" : "Win32"; });

// What only the emulated backend can show: the running program's own file,
// and a caller's buffer shorter than the block.
// A loaded module's messages come from the file as it was loaded (Windows
// maps it); a module loaded again reads the file as it is then.
TEST(EmulatedMessageTables, AModuleIsReadOnceWhileLoadedAndAfreshWhenLoadedAgain) {
    EmulatedBackend backend;
    auto table = [](const wchar_t* text) {
        return pe::writeResourceImage({{pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1),
                                        0x0409, pe::writeMessageTable({{1, text}})}},
                                      {});
    };
    const std::wstring path = backend.place("QMSvcMsg.dll", table(L"First.\r\n"));
    ModuleHandle module = backend.load(path);
    ASSERT_NE(module, nullptr);
    std::wstring text;
    ASSERT_EQ(backend.messages().formatMessage(module, 1, kDefaultLanguage, {}, 0, text), kErrorSuccess);
    EXPECT_EQ(text, L"First.\r\n");
    backend.place("QMSvcMsg.dll", table(L"Other.\r\n"));
    ASSERT_EQ(backend.messages().formatMessage(module, 1, kDefaultLanguage, {}, 0, text), kErrorSuccess);
    EXPECT_EQ(text, L"First.\r\n") << "the loaded module's own bytes";
    backend.unload(module);
    module = backend.load(path);
    ASSERT_EQ(backend.messages().formatMessage(module, 1, kDefaultLanguage, {}, 0, text), kErrorSuccess);
    EXPECT_EQ(text, L"Other.\r\n");
    backend.unload(module);
    EXPECT_EQ(backend.messages().formatMessage(module, 1, kDefaultLanguage, {}, 0, text),
              kErrorResourceTypeNotFound)
        << "a freed handle";
}

TEST(EmulatedVersionInfo, AnswersForTheProgramsOwnFileFromItsDescription) {
    const fs::path root = fs::path(::testing::TempDir()) / "own_version_machine";
    fs::remove_all(root);
    std::string error;
    ASSERT_TRUE(emulated::Machine::create(root, emulated::MachineSettings{}, error)) << error;
    const std::wstring own = L"C:\\Program Files\\Quillmark Diagnostic Utility\\diagtool.exe";
    const auto machine = emulated::Machine::open(root, emulated::Machine::Options{own}, error);
    ASSERT_TRUE(machine) << error;
    static const ProgramVersionString strings[] = {{L"FileVersion", L"1.8.13.1"},
                                                   {L"ProductName", L"Quillmark"}};
    static const ProgramVersionDescription description = {{1, 8, 13, 1}, {1, 8, 0, 0}, 0x0409,
                                                          1200,          strings,      2};
    emulated::EmulatedVersionInfo versions(*machine, &description);

    // No file at all, and an ELF program in its place: the description answers.
    for (const bool withElf : {false, true}) {
        if (withElf) {
            writeFile(machine->hostPath(own), {0x7F, 'E', 'L', 'F', 2, 1, 1, 0});
        }
        std::vector<std::uint8_t> block;
        long code = 0;
        ASSERT_TRUE(readVersionBlock(
            versions, L"c:\\program files\\QUILLMARK DIAGNOSTIC UTILITY\\diagtool.exe", block, code))
            << code;
        FixedFileInfo fixed;
        ASSERT_TRUE(queryFixedFileInfo(versions, block, fixed));
        EXPECT_EQ(fileVersionText(fixed), L"1.8.13.1");
    }
    // A real PE installed there answers for itself.
    writeFile(machine->hostPath(own), versionModule(pe::kMachineI386, 99));
    std::vector<std::uint8_t> block;
    long code = 0;
    ASSERT_TRUE(readVersionBlock(versions, own, block, code));
    FixedFileInfo fixed;
    ASSERT_TRUE(queryFixedFileInfo(versions, block, fixed));
    EXPECT_EQ(fileVersionText(fixed), L"3.10.99.65535");
    // Another file never gets the program's description.
    EXPECT_EQ(versions.infoSize(L"C:\\Program Files\\Quillmark Diagnostic Utility\\other.exe", code), 0u);
    EXPECT_EQ(code, kErrorFileNotFound);
}

TEST(EmulatedVersionInfo, AShortBufferHoldsWhatFitsAndTheMarkOnlyWithRoom) {
    EmulatedBackend backend;
    const std::wstring path = backend.place("short.dll", versionModule(pe::kMachineAmd64, 3));
    const auto blockSize = pe::writeVersionBlock(moduleVersion(3)).size();
    long error = 0;
    std::vector<std::uint8_t> shortBuffer(60, 0xCD);
    ASSERT_TRUE(backend.versions().info(path, shortBuffer, error));
    FixedFileInfo fixed;
    EXPECT_FALSE(queryFixedFileInfo(backend.versions(), shortBuffer, fixed));
    std::vector<std::uint8_t> exact(blockSize + 4, 0xCD);
    ASSERT_TRUE(backend.versions().info(path, exact, error));
    EXPECT_EQ(std::string(exact.end() - 4, exact.end()), "FE2X");
    std::vector<std::uint8_t> noRoom(blockSize + 3, 0xCD);
    ASSERT_TRUE(backend.versions().info(path, noRoom, error));
    EXPECT_EQ(noRoom.back(), 0xCD);
    EXPECT_TRUE(queryFixedFileInfo(backend.versions(), noRoom, fixed));
}

} // namespace
