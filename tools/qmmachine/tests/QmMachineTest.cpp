// qmmachine on the command line, and the sample machines it builds: current
// with the committed ones, and holding what each scenario needs.
#include <gtest/gtest.h>

#include "DamagedMachine.h"
#include "QmMachineCommand.h"
#include "SampleMachines.h"

#include "emulated/EmulatedSystem.h"
#include "platform/RegKey.h"
#include "platform/WindowsText.h"
#include "platform/com/ComRuntime.h"

#include "DriveCore.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

using namespace qmplatform;
using namespace qmplatform::emulated;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = qmmachine::runQmMachine(args, out, err);
    return {status, out.str(), err.str()};
}

fs::path sourceSamples() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    return fs::path(source ? source : ".") / "samples" / "machines";
}

fs::path fresh(const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("qmmachine_" + name);
    fs::remove_all(dir);
    return dir;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().filename() != "machine.lock") {
            files[entry.path().lexically_relative(root).generic_string()] = readFile(entry.path());
        }
    }
    return files;
}

TEST(QmMachineCli, HelpAndUsage) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, qmmachine::kExitOk);
    for (const char* word : {"create", "show", "set", "reg", "sample"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(run({}).status, qmmachine::kExitUsage);
    EXPECT_EQ(run({"frobnicate"}).status, qmmachine::kExitUsage);
    EXPECT_EQ(run({"create", "x"}).status, qmmachine::kExitUsage) << "--from is required";
    EXPECT_EQ(run({"reg", "export", "x"}).status, qmmachine::kExitUsage);
}

TEST(QmMachineCli, CreateFromBrokenAndShow) {
    const fs::path dir = fresh("broken");
    const Outcome created = run({"create", dir.string(), "--from", "broken"});
    ASSERT_EQ(created.status, 0) << created.err;
    const Outcome shown = run({"show", dir.string()});
    ASSERT_EQ(shown.status, 0) << shown.err;
    for (const char* line : {
             "User:           quill\n",
             "Administrator:  yes\n",
             "  CommonProgramFiles=C:\\Program Files\\Common Files\n",
             "  QuillmarkService: stopped; Start 3 (demand), ObjectName \"localsystem\"\n",
             "  cdrom: running; Start 1 (system)\n",
             "Restart requests: none\n",
             "  HKEY_LOCAL_MACHINE\\SOFTWARE: Classes, INTEL, Microsoft, Quillmark\n",
         }) {
        EXPECT_NE(shown.out.find(line), std::string::npos) << line << "\n---\n" << shown.out;
    }
    // A machine is never made over another, and unknown samples say which exist.
    EXPECT_EQ(run({"create", dir.string(), "--from", "healthy"}).status, qmmachine::kExitFailed);
    const Outcome unknown = run({"create", fresh("unknown").string(), "--from", "nonesuch"});
    EXPECT_EQ(unknown.status, qmmachine::kExitFailed);
    EXPECT_NE(unknown.err.find("slow-service"), std::string::npos) << unknown.err;
}

// A machine whose own files cannot be read is neither shown as empty nor
// changed: each command names the file and why, and writes nothing.
TEST(QmMachineCli, ADamagedMachineFileIsNamedAndLeftAlone) {
    const qmtest::Damage damages[] = {qmtest::Damage::Truncated, qmtest::Damage::RandomBytes,
                                      qmtest::Damage::Missing};
    for (const char* name : qmtest::kMachineFiles) {
        for (const qmtest::Damage damage : damages) {
            const fs::path dir = fresh("damaged");
            ASSERT_EQ(run({"create", dir.string(), "--from", "broken"}).status, 0);
            const std::string expected = qmtest::damageMachineFile(dir / name, damage);
            const std::map<std::string, std::string> before = filesBelow(dir);
            const std::string what = std::string(name) + " " + qmtest::damageName(damage);
            for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                     {"show", dir.string()},
                     {"set", dir.string(), "administrator=no"},
                     {"reg", "export", dir.string(), "HKLM\\SOFTWARE", (dir / "out.reg").string()}}) {
                const Outcome r = run(args);
                EXPECT_EQ(r.status, qmmachine::kExitFailed) << what << " " << args[0];
                EXPECT_NE(r.err.find(name), std::string::npos) << what << ": " << r.err;
                EXPECT_NE(r.err.find(expected), std::string::npos) << what << ": " << r.err;
                EXPECT_EQ(filesBelow(dir), before) << what << " " << args[0];
            }
        }
    }
}

TEST(QmMachineCli, SetChangesAllOrNothingAndShowReportsItAsJson) {
    const fs::path dir = fresh("set");
    ASSERT_EQ(run({"create", dir.string(), "--from", "healthy"}).status, 0);
    const Outcome set =
        run({"set", dir.string(), "administrator=no", "services.quillmarkservice.state=stopped",
             "services.QuillmarkService.startSeconds=3", "environment.path=C:\\Q;C:\\windows",
             "environment.TMP=", "drives.E={\"model\":\"QLD-2400\"}"});
    ASSERT_EQ(set.status, 0) << set.err;

    const std::string before = readFile(dir / "machine.json");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"administrator=yes", "services.QuillmarkService.state=paused"},
             {"services.QuillmarkService.startSeconds=-1"},
             {"services.QuillmarkService.colour=red"},
             {"userName=anna"},
             {"noequals"},
             {"restarts=[1]"},
         }) {
        std::vector<std::string> args{"set", dir.string()};
        args.insert(args.end(), bad.begin(), bad.end());
        const Outcome refused = run(args);
        EXPECT_EQ(refused.status, qmmachine::kExitFailed) << bad.back();
        EXPECT_NE(refused.err.find("nothing was changed"), std::string::npos) << refused.err;
        EXPECT_EQ(readFile(dir / "machine.json"), before) << bad.back();
    }

    const Outcome shown = run({"show", dir.string(), "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const nlohmann::json doc = nlohmann::json::parse(shown.out);
    EXPECT_EQ(doc["administrator"], false);
    EXPECT_EQ(doc["environment"]["PATH"], "C:\\Q;C:\\windows");
    EXPECT_FALSE(doc["environment"].contains("TMP"));
    EXPECT_EQ(doc["otherSettings"], nlohmann::json::array({"discPrintMgr", "drives"}));
    bool found = false;
    for (const auto& service : doc["services"]) {
        if (service["name"] == "QuillmarkService") {
            found = true;
            EXPECT_EQ(service["state"], "stopped");
            EXPECT_EQ(service["startSeconds"], 3);
            EXPECT_EQ(service["start"], 2);
            EXPECT_EQ(service["objectName"], "LocalSystem");
        }
    }
    EXPECT_TRUE(found);
    EXPECT_GT(doc["registry"]["HKEY_LOCAL_MACHINE"]["values"].get<int>(), 20);
    EXPECT_EQ(nlohmann::json::parse(readFile(dir / "machine.json"))["drives"]["E"]["model"], "QLD-2400");
}

TEST(QmMachineCli, RegExportImportCarriesKeysBetweenMachines) {
    const fs::path healthy = fresh("export");
    const fs::path bare = fresh("import");
    ASSERT_EQ(run({"create", healthy.string(), "--from", "healthy"}).status, 0);
    ASSERT_EQ(run({"create", bare.string(), "--from", "bare"}).status, 0);
    const fs::path file = fresh("quillmark.reg");
    const Outcome exported =
        run({"reg", "export", healthy.string(), "HKLM\\SOFTWARE\\Quillmark", file.string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(readFile(file).substr(0, 2), "\xFF\xFE")
        << "UTF-16LE with a byte-order mark, as regedit writes";
    EXPECT_EQ(
        run({"reg", "export", healthy.string(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Nope", file.string()}).status,
        qmmachine::kExitFailed);
    EXPECT_EQ(run({"reg", "export", healthy.string(), "HKEY_USERS\\x", file.string()}).status,
              qmmachine::kExitFailed);

    const Outcome imported = run({"reg", "import", bare.string(), file.string()});
    ASSERT_EQ(imported.status, 0) << imported.err;
    std::string error;
    const auto system = makeEmulatedSystem(bare, {}, error);
    ASSERT_TRUE(system) << error;
    RegKey key;
    ASSERT_EQ(
        key.open(system->registry(), RegRoot::LocalMachine, L"SOFTWARE\\Quillmark\\Engine", RegAccess::Read),
        kErrorSuccess);
    std::wstring folder;
    ASSERT_EQ(key.readString(L"ResourceFolder", folder), kErrorSuccess);
    EXPECT_EQ(folder, L"C:\\Program Files\\Common Files\\Quillmark\\res");

    std::ofstream(file, std::ios::binary) << "REGEDIT4 but not really";
    EXPECT_EQ(run({"reg", "import", bare.string(), file.string()}).status, qmmachine::kExitFailed);
}

TEST(SampleMachines, TheCommittedSamplesAreCurrent) {
    ASSERT_TRUE(fs::is_directory(sourceSamples())) << sourceSamples();
    for (const std::string& name : qmmachine::sampleMachineNames()) {
        const fs::path built = fresh("sample_" + name);
        std::string error;
        ASSERT_TRUE(qmmachine::buildSampleMachine(name, built, error)) << error;
        const auto expected = filesBelow(built);
        auto committed = filesBelow(sourceSamples() / name);
        // The host software's modules and event log come from a second step
        // (qms/modules), which lists what it added and checks it itself.
        std::ifstream content(sourceSamples() / "sample-content.txt");
        for (std::string line; std::getline(content, line);) {
            if (line.starts_with(name + "/")) {
                committed.erase(line.substr(name.size() + 1));
            }
        }
        ASSERT_EQ(expected.size(), committed.size()) << name << ": run scripts/make-sample-machines";
        for (const auto& [file, contents] : expected) {
            const auto it = committed.find(file);
            ASSERT_NE(it, committed.end())
                << name << "/" << file << " missing: run scripts/make-sample-machines";
            EXPECT_TRUE(it->second == contents)
                << name << "/" << file << " is stale: run scripts/make-sample-machines";
        }
    }
}

// What the system checks read, per sample: value, type and contents.
// A row about a key itself (no value name) says with its type whether the key is there.
constexpr std::uint32_t kKeyPresent = 0xFFFFFFFF;
constexpr std::uint32_t kKeyAbsent = kRegNone;

struct Expectation {
    const wchar_t* key;
    const wchar_t* value; // null: the key itself
    std::uint32_t type;
    std::wstring text;
    std::uint32_t number = 0;
};

std::vector<Expectation> expectationsFor(const std::string& sample) {
    const bool host = sample != "bare";
    const bool good = sample != "broken" && sample != "no-admin";
    const wchar_t* winlogon = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\";
    const wchar_t* cdrom = L"SYSTEM\\CurrentControlSet\\Services\\CDRom\\";
    const wchar_t* service = L"SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\";
    const wchar_t* quillmark = L"SOFTWARE\\Quillmark\\";
    std::vector<Expectation> list = {
        {winlogon, L"allocatecdroms", kRegSz, good ? L"0" : L"1"},
        {cdrom, L"autorun", kRegDword, L"", good ? 1u : 0u},
        {L"SYSTEM\\CurrentControlSet\\Services\\Cdrom\\Enum\\", nullptr, good ? kKeyPresent : kKeyAbsent,
         L""},
        {L"SOFTWARE\\INTEL\\Intel Application Accelerator", nullptr, good ? kKeyAbsent : kKeyPresent, L""},
    };
    if (!host) {
        list.push_back({quillmark, nullptr, kKeyAbsent, L""});
        list.push_back({service, nullptr, kKeyAbsent, L""});
        return list;
    }
    list.insert(list.end(),
                {
                    {quillmark, L"LogLevel", kRegSz, L"Error"},
                    {quillmark, L"APILogging", kRegDword, L"", 0},
                    {quillmark, L"IAA", kRegDword, L"", good ? 1u : 0u},
                    {quillmark, L"InstallId", kRegBinary, L""},
                    {L"SOFTWARE\\Quillmark\\Engine\\", L"Generation", kRegDword, L"", 4},
                    {L"SOFTWARE\\Quillmark\\Service\\", L"TimeoutMs", kRegDword, L"", 5000},
                    {service, L"Start", kRegDword, L"", good ? 2u : 3u},
                    {service, L"ObjectName", kRegSz, good ? L"LocalSystem" : L"localsystem"},
                    {service, L"Type", kRegDword, L"", 0x10},
                    {service, L"ImagePath", kRegExpandSz,
                     L"\"C:\\Program Files\\Common Files\\Quillmark\\QuillmarkService.exe\""},
                    {L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\QuillmarkService\\",
                     L"EventMessageFile", kRegExpandSz, L"%CommonProgramFiles%\\Quillmark\\QMSvcMsg.dll"},
                });
    return list;
}

TEST(SampleMachines, EachHoldsWhatItsScenarioNeeds) {
    const std::map<std::string, std::tuple<bool, ServiceBehaviour>> scenario = {
        {"healthy", {true, {ServiceRunState::Running, 0, false}}},
        {"broken", {true, {ServiceRunState::Stopped, 0, false}}},
        {"slow-service", {true, {ServiceRunState::Stopped, 3, false}}},
        {"dead-service", {true, {ServiceRunState::Stopped, 0, true}}},
        {"bare", {true, {}}},
        {"no-admin", {false, {ServiceRunState::Stopped, 0, false}}},
        {"no-drives", {true, {ServiceRunState::Running, 0, false}}},
    };
    for (const std::string& name : qmmachine::sampleMachineNames()) {
        SCOPED_TRACE(name);
        const fs::path copy = fresh("scenario_" + name);
        ASSERT_EQ(run({"create", copy.string(), "--from", name}).status, 0);
        std::string error;
        const auto system = makeEmulatedSystem(copy, {}, error);
        ASSERT_TRUE(system) << error;
        const auto& [administrator, behaviour] = scenario.at(name);
        EXPECT_EQ(system->machine().administrator(), administrator);
        EXPECT_EQ(system->machine().service(L"QuillmarkService"), behaviour);
        std::FILE* msi =
            system->files().openForReading(L"C:\\Program Files\\Common Files\\Quillmark\\QM_HSI.msi");
        EXPECT_EQ(msi != nullptr, name != "bare");
        if (msi) {
            std::fclose(msi);
        }
        for (const Expectation& e : expectationsFor(name)) {
            SCOPED_TRACE(toUtf8(e.key) + (e.value ? toUtf8(e.value) : ""));
            RegKey key;
            const long opened = key.open(system->registry(), RegRoot::LocalMachine, e.key, RegAccess::Read);
            if (e.value == nullptr) {
                EXPECT_EQ(opened == kErrorSuccess, e.type == kKeyPresent);
                continue;
            }
            ASSERT_EQ(opened, kErrorSuccess);
            RegValue value;
            ASSERT_EQ(key.get()->queryValue(e.value, value), kErrorSuccess);
            EXPECT_EQ(value.type, e.type);
            std::wstring text;
            std::uint32_t number = 0;
            if (e.type == kRegSz || e.type == kRegExpandSz) {
                ASSERT_EQ(key.readString(e.value, text), kErrorSuccess);
                EXPECT_EQ(text, e.text);
            } else if (e.type == kRegDword) {
                ASSERT_EQ(key.readDword(e.value, number), kErrorSuccess);
                EXPECT_EQ(number, e.number);
            }
        }
    }
}

// ---- The labelling server and the sample drives ----------------------------

// What diagtool's scan sees on each sample, through COM as diagtool creates
// the server, with the server qmmachine create installed.
TEST(SampleMachines, DrivesSeenThroughTheInstalledServer) {
#ifdef _WIN32
    // Windows creates classes through its own registry, never the machine's:
    // the emulated machine's server is reached only by the emulated runtime.
    GTEST_SKIP() << "COM on Windows does not read the emulated machine's registry";
#endif
    const std::map<std::string, std::vector<std::string>> expected = {
        {"healthy",
         {"Drive 0 : Quillmark QLD-2400 (E:), Media Imaging Parameter : 12",
          "Drive 1 : Quillmark QLD-2400 (F:), Media Imaging Parameter : 18"}},
        {"broken",
         {"Drive 0 : Quillmark QLD-2400 (E:), No media detected",
          "Drive 1 : Quillmark QLD-2400 (F:), No media detected"}},
        {"no-drives", {}},
        {"bare", {"An expection occurred enumerating drives"}},
    };
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    for (const auto& [name, lines] : expected) {
        SCOPED_TRACE(name);
        const fs::path copy = fresh("drives_" + name);
        const Outcome created = run({"create", copy.string(), "--from", name});
        ASSERT_EQ(created.status, 0) << created.err;
        EXPECT_EQ(created.out.find("installed DiscPrintMgr") != std::string::npos, name != "bare");
        EXPECT_EQ(fs::exists(copy / "drive_c/Program Files/Common Files/Quillmark/DiscPrintMgr.dll"),
                  name != "bare");
        std::string error;
        const auto system = makeEmulatedSystem(copy, {}, error);
        ASSERT_TRUE(system) << error;
        const com::ScopedRuntimeBinding binding(*system);
        const QMRT::MediaDetector detect =
            [](const std::string& path) -> std::optional<QMRT::QMRT_MediaInformation> {
            QMRT::QMRT_MediaInformation info;
            if (QMRT::detectMedia(path, info, true)) {
                return info;
            }
            return std::nullopt;
        };
        EXPECT_EQ(QMRT::scanDrivesAndMedia(detect), lines);
        CoFreeUnusedLibrariesEx(0, 0);
    }
    CoUninitialize();
}

TEST(QmMachineCli, CreateRefusesAMissingServerModule) {
    const Outcome created = run({"create", fresh("no_module").string(), "--from", "healthy", "--server",
                                 "/nonexistent/DiscPrintMgr.dll"});
    EXPECT_EQ(created.status, qmmachine::kExitFailed);
    EXPECT_NE(created.err.find("DiscPrintMgr"), std::string::npos) << created.err;
}

} // namespace

TEST(QmMachineCli, CreateInstallsThePrintEngineWhereTheHostSoftwareIs) {
    const fs::path engine =
        fs::path("drive_c") / "Program Files" / "Common Files" / "Quillmark" / "QMPrtEn.dll";
    const fs::path healthy = fresh("engine-healthy");
    const Outcome created = run({"create", healthy.string(), "--from", "healthy"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(created.out.find(
                  "installed the print engine as C:\\Program Files\\Common Files\\Quillmark\\QMPrtEn.dll"),
              std::string::npos)
        << created.out;
    EXPECT_TRUE(fs::is_regular_file(healthy / engine));

    const fs::path bare = fresh("engine-bare");
    const Outcome plain = run({"create", bare.string(), "--from", "bare"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("print engine"), std::string::npos);
    EXPECT_FALSE(fs::exists(bare / engine));

    const Outcome noBuilds = run({"create", fresh("engine-none").string(), "--from", "healthy", "--engines",
                                  fresh("no-builds").string()});
    EXPECT_EQ(noBuilds.status, qmmachine::kExitFailed);
    EXPECT_NE(noBuilds.err.find("no engine build"), std::string::npos) << noBuilds.err;
}
