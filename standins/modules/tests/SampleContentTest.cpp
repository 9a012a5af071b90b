// The host software's modules and Application log as the sample machines
// have them: the committed files are what the build makes, and the version
// and event-log reads over them give what the diagnostics must show.
#include "platform/machine/EmulatedSystem.h"
#include "platform/RegKey.h"
#include "platform/Win32Codes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace qmplatform;
namespace fs = std::filesystem;

namespace {

fs::path samples() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    return fs::path(source ? source : ".") / "samples" / "machines";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A copy of a sample, so reads and their locks never touch the sources.
std::unique_ptr<emulated::EmulatedSystem> open(const std::string& name) {
    const fs::path copy = fs::path(::testing::TempDir()) / ("sample_content_" + name);
    fs::remove_all(copy);
    fs::copy(samples() / name, copy, fs::copy_options::recursive);
    std::string error;
    auto system = emulated::makeEmulatedSystem(copy, {}, error);
    EXPECT_TRUE(system) << error;
    return system;
}

std::wstring versionOf(System& system, const std::wstring& path) {
    std::vector<std::uint8_t> block;
    long error = 0;
    FixedFileInfo fixed;
    if (!readVersionBlock(system.versionInfo(), path, block, error) ||
        !queryFixedFileInfo(system.versionInfo(), block, fixed)) {
        return L"error " + std::to_wstring(error);
    }
    return fileVersionText(fixed);
}

const std::wstring kInstall = L"C:\\Program Files\\Common Files\\Quillmark\\";
const std::wstring kDiagtool = L"C:\\Program Files\\Quillmark Diagnostic Utility\\diagtool.exe";

} // namespace

TEST(SampleContent, TheCommittedFilesAreWhatTheBuildMakes) {
    std::ifstream list(samples() / "sample-content.txt");
    ASSERT_TRUE(list) << "run scripts/make-sample-machines";
    std::size_t count = 0;
    for (std::string line; std::getline(list, line); ++count) {
        const fs::path built = fs::path(QM_SAMPLE_CONTENT_DIR) / line;
        ASSERT_TRUE(fs::exists(built)) << line << " is no longer made: run scripts/make-sample-machines";
        EXPECT_TRUE(readFile(built) == readFile(samples() / line))
            << line << " is stale: run scripts/make-sample-machines";
    }
    EXPECT_EQ(count, 30u);
    // The variant differs from healthy in the DRF version module only.
    for (const char* file : {"machine.json", "HKLM.reg", "HKCU.reg"}) {
        EXPECT_EQ(readFile(samples() / "same-versions" / file), readFile(samples() / "healthy" / file))
            << file;
    }
}

TEST(SampleContent, VersionModulesReadAsInstalled) {
    struct Case {
        const char* machine;
        const wchar_t* qms;
        const wchar_t* drf;
    };
    for (const Case& c :
         {Case{"healthy", L"3.10.0.7", L"4.2.0.15"}, Case{"no-admin", L"3.10.0.7", L"4.2.0.15"},
          Case{"same-versions", L"3.10.0.7", L"3.10.0.7"}, Case{"bare", L"error 2", L"error 2"}}) {
        const auto system = open(c.machine);
        ASSERT_TRUE(system);
        EXPECT_EQ(versionOf(*system, kInstall + L"QMCMHT.dll"), c.qms) << c.machine;
        EXPECT_EQ(versionOf(*system, kInstall + L"res\\drfVersion.dll"), c.drf) << c.machine;
        EXPECT_EQ(versionOf(*system, kDiagtool), std::string(c.machine) == "bare" ? L"error 2" : L"1.8.13.1");
    }
}

// The event log viewer's reading: every record newest first, the
// QuillmarkService ones described from the message file the registry names.
TEST(SampleContent, TheServiceEventsAndTheirDescriptions) {
    const auto system = open("healthy");
    ASSERT_TRUE(system);
    DynamicLibraries& libraries = system->libraries();
    MessageTables& messages = system->messages();
    long error = 0;
    const EventLogHandle log = system->eventLog().open(L"Application", error);
    ASSERT_NE(log, nullptr) << error;
    struct Listed {
        std::wstring source;
        std::uint32_t id;
        std::wstring description;
    };
    std::vector<Listed> listed;
    std::size_t all = 0;
    EXPECT_EQ(readEventLogBackwards(
                  system->eventLog(), log, 65536,
                  [&](std::span<const std::uint8_t> record) {
                      ++all;
                      EventLogRecordView view;
                      ASSERT_TRUE(parseEventLogRecord(record, view));
                      if (view.sourceName.find(L"QuillmarkService") == std::wstring::npos) {
                          return;
                      }
                      std::wstring description;
                      RegKey key;
                      std::wstring file;
                      if (key.open(system->registry(), RegRoot::LocalMachine,
                                   L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\" +
                                       view.sourceName,
                                   RegAccess::Read) == kErrorSuccess &&
                          key.readString(L"EventMessageFile", file) == kErrorSuccess) {
                          long loadError = 0;
                          const ModuleHandle module = libraries.load(system->environment().expand(file),
                                                                     kLoadLibraryAsDatafile, loadError);
                          std::vector<MessageArgument> args;
                          for (const std::wstring& s : view.strings) {
                              args.push_back(MessageArgument::fromText(s));
                          }
                          if (module != nullptr) {
                              (void)messages.formatMessage(module, view.eventId, kDefaultLanguage, args, 1024,
                                                           description);
                              libraries.free(module);
                          }
                      }
                      listed.push_back({view.sourceName, view.eventId, description});
                  }),
              kErrorHandleEof);
    system->eventLog().close(log);
    EXPECT_EQ(all, 13u);
    ASSERT_EQ(listed.size(), 9u);
    EXPECT_EQ(listed[0].id, 0x40000064u);
    EXPECT_EQ(listed[0].description, L"The QuillmarkService service started.\r\n");
    EXPECT_EQ(
        listed[1].description,
        L"The print engine could not be loaded from C:\\Program Files\\Common Files\\Quillmark\\QMPrtEn.dll."
        L"\r\n\r\nReinstall the Quillmark System Software (100% of the files are needed).\r\n");
    EXPECT_EQ(listed[2].description, L"The QuillmarkService service stopped.\r\n");
    EXPECT_EQ(listed[3].id, 0xC000012Cu); // the identifier the message file lacks
    EXPECT_EQ(listed[3].description, L"");
    EXPECT_EQ(listed[4].source, L"QuillmarkServiceMonitor"); // no registry key: no description
    EXPECT_EQ(listed[4].description, L"");
    EXPECT_EQ(listed[5].description, L"Print job 17 failed with error 0x231: drive not ready\r\n");
    EXPECT_EQ(listed[6].description, L"Drive E: did not answer within 30 seconds.\r\n");
    EXPECT_EQ(listed[8].source, L"QuillmarkService Updater"); // key without EventMessageFile
    EXPECT_EQ(listed[8].description, L"");
}
