// The emulated machine itself: folder layout, Windows path mapping, the
// settings file and its writers.
#include "DamagedMachine.h"
#include "MachineTestSupport.h"

#include "emulated/DefaultMachine.h"
#include "emulated/MachineSettings.h"
#include "platform/FileReplace.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace qmplatform;
using namespace qmplatform::emulated;
namespace fs = std::filesystem;
using qmtest::Damage;
using qmtest::freshMachine;
using qmtest::readHostFile;
using qmtest::writeHostFile;

namespace {

// Windows' own file system ignores case, so there a mapped path may keep the
// caller's spelling; elsewhere it must carry the names found on disk.
bool samePath(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
    return equalNoCase(a.lexically_normal().wstring(), b.lexically_normal().wstring());
#else
    return a == b;
#endif
}

TEST(Machine, CreateLaysOutDriveCLikeAWinePrefix) {
    MachineSettings settings;
    settings.userName = L"Anna";
    const auto machine = freshMachine("layout", settings);
    ASSERT_TRUE(machine);
    const fs::path c = machine->root() / "drive_c";
    for (const char* folder : {"Program Files/Common Files", "ProgramData", "users/Anna/AppData/Local/Temp",
                               "users/Anna/AppData/Roaming", "windows/system32"}) {
        EXPECT_TRUE(fs::is_directory(c / folder)) << folder;
    }
    EXPECT_TRUE(fs::is_regular_file(machine->settingsFile()));
    EXPECT_EQ(machine->environmentVariable(L"LOCALAPPDATA"), L"C:\\users\\Anna\\AppData\\Local");
    EXPECT_EQ(machine->systemFolder(), L"C:\\windows\\system32");
    std::string error;
    EXPECT_FALSE(Machine::create(machine->root(), settings, error)) << "a machine is never made over another";
    EXPECT_FALSE(Machine::open(c, error)) << "a folder without machine.json is no machine";
}

// Each file of a machine, damaged each way a copy or a disk can damage it:
// the machine does not open, the reason names the file (and, where the text
// does not parse, the line), and the file is left exactly as it was.
TEST(Machine, AFileThatCannotBeReadKeepsTheMachineClosedAndIsLeftAlone) {
    const std::string hklm = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark]\r\n"
                             "\"LogLevel\"=\"Error\"\r\n"
                             "\"APILogging\"=dword:00000001\r\n\r\n";
    const std::string hkcu = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Quillmark]\r\n"
                             "\"Recent\"=\"C:\\\\jobs\\\\label.tolm\"\r\n\r\n";
    for (const char* name : qmtest::kMachineFiles) {
        for (const Damage damage : {Damage::Truncated, Damage::RandomBytes, Damage::Missing}) {
            const std::string what = std::string(name) + " " + qmtest::damageName(damage);
            const auto machine = freshMachine("damaged");
            ASSERT_TRUE(machine);
            const fs::path root = machine->root();
            writeHostFile(root / "HKLM.reg", hklm);
            writeHostFile(root / "HKCU.reg", hkcu);
            std::string error;
            ASSERT_TRUE(Machine::open(root, error)) << what << ": " << error;

            const fs::path file = root / name;
            const std::string expected = qmtest::damageMachineFile(file, damage);
            const bool present = fs::exists(file);
            const std::string damaged = present ? readHostFile(file) : std::string();
            error.clear();
            EXPECT_FALSE(Machine::open(root, error)) << what;
            EXPECT_NE(error.find(name), std::string::npos) << what << ": " << error;
            EXPECT_NE(error.find(expected), std::string::npos) << what << ": " << error;
            EXPECT_EQ(fs::exists(file), present) << what;
            if (present) {
                EXPECT_EQ(readHostFile(file), damaged) << what;
            }
        }
    }
    // A hive holding another root's keys is no hive of its own root.
    const auto machine = freshMachine("damaged");
    ASSERT_TRUE(machine);
    writeHostFile(machine->root() / "HKCU.reg", hklm);
    std::string error;
    EXPECT_FALSE(Machine::open(machine->root(), error));
    EXPECT_NE(error.find("does not belong in HKCU.reg"), std::string::npos) << error;
}

TEST(Machine, CreateStartsWithEmptyHivesThatOpen) {
    const auto machine = freshMachine("empty-hives");
    ASSERT_TRUE(machine);
    for (const char* hive : {"HKLM.reg", "HKCU.reg"}) {
        EXPECT_TRUE(fs::is_regular_file(machine->root() / hive)) << hive;
    }
}

TEST(Machine, RefusesAUserNameThatIsNoFolderName) {
    for (const wchar_t* name : {L"..", L"a\\b", L"a/b", L"c:"}) {
        MachineSettings settings;
        settings.userName = name;
        std::string error;
        EXPECT_FALSE(Machine::create(qmtest::freshFolder("badname"), settings, error)) << toUtf8(name);
        EXPECT_FALSE(error.empty());
    }
}

class PathMapping : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = freshMachine("mapping");
        ASSERT_TRUE(machine_);
        c_ = machine_->root() / "drive_c";
        writeHostFile(c_ / "Program Files/Common Files/Quillmark/QM_HSI.msi", "msi");
    }
    std::unique_ptr<Machine> machine_;
    fs::path c_;
};

TEST_F(PathMapping, ResolvesWindowsPathsAsAWinePrefixDoes) {
    const fs::path msi = c_ / "Program Files/Common Files/Quillmark/QM_HSI.msi";
    const struct {
        const wchar_t* windows;
        fs::path host;
    } cases[] = {
        {L"C:\\Program Files\\Common Files\\Quillmark\\QM_HSI.msi", msi},
        {L"c:/PROGRAM FILES/common files/QUILLMARK/qm_hsi.MSI", msi}, // any case, either slash
        {L"\\\\?\\C:\\Program Files\\Common Files\\Quillmark\\QM_HSI.msi", msi},
        {L"C:\\Program Files.\\Common Files \\Quillmark\\QM_HSI.msi", msi}, // trailing dots and spaces
        {L"C:\\Program Files\\.\\x\\..\\Common Files\\Quillmark\\QM_HSI.msi", msi},
        {L"\\Program Files", c_ / "Program Files"}, // no drive: drive C:
        {L"C:\\", c_},
        {L"C:\\program files\\Missing\\Deeper", c_ / "Program Files/Missing/Deeper"}, // existing or not
        {L"C:\\..\\..\\..\\etc\\passwd", c_ / "etc/passwd"}, // ".." stops at the drive's root
        {L"C:\\windows\\..\\..\\machine.json", c_ / "machine.json"},
        {L"D:\\data", machine_->root() / "drive_d/data"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(samePath(machine_->hostPath(c.windows), c.host))
            << toUtf8(c.windows) << " -> " << machine_->hostPath(c.windows).string();
    }
}

TEST_F(PathMapping, RefusesWhatIsNoLocalWindowsPath) {
    for (const wchar_t* path : {L"C:\\a*b", L"C:\\what?", L"C:\\a:stream", L"C:\\a<b", L"C:\\a|b",
                                L"C:\\a\"b", L"\\\\server\\share\\x", L"1:\\x", L"C:\\...", L"C:\\a\\ \\b"}) {
        EXPECT_TRUE(machine_->hostPath(path).empty()) << toUtf8(path);
    }
}

TEST_F(PathMapping, PicksTheFirstNameInOrderWhenCaseAloneDiffers) {
#ifdef _WIN32
    GTEST_SKIP() << "a file system that ignores case holds no names that differ in case alone";
#endif
    writeHostFile(c_ / "data" / "b.txt", "lower");
    writeHostFile(c_ / "data" / "B.TXT", "upper");
    writeHostFile(c_ / "data" / "B.txt", "mixed");
    EXPECT_EQ(machine_->hostPath(L"C:\\data\\b.txt"), c_ / "data" / "b.txt"); // exact spelling first
    EXPECT_EQ(machine_->hostPath(L"C:\\DATA\\b.Txt"), c_ / "data" / "B.TXT"); // then name order
}

TEST_F(PathMapping, NoLinkLeadsOutOfTheMachine) {
    std::error_code ec;
    fs::create_directory_symlink(fs::temp_directory_path(), c_ / "out", ec);
    fs::create_directory_symlink(c_ / "Program Files", c_ / "in", ec);
    if (ec) {
        GTEST_SKIP() << "no symbolic links here: " << ec.message();
    }
    EXPECT_TRUE(machine_->hostPath(L"C:\\out\\x").empty());
    EXPECT_TRUE(machine_->hostPath(L"C:\\OUT").empty());
    EXPECT_TRUE(samePath(machine_->hostPath(L"C:\\in\\Common Files"), c_ / "in" / "Common Files"));
}

TEST_F(PathMapping, MapsHostPathsBack) {
    EXPECT_EQ(machine_->windowsPath(c_ / "Program Files/Common Files/Quillmark/QM_HSI.msi"),
              L"C:\\Program Files\\Common Files\\Quillmark\\QM_HSI.msi");
    EXPECT_EQ(machine_->windowsPath(c_), L"C:\\");
    EXPECT_EQ(machine_->windowsPath(machine_->root() / "drive_d" / "x"), L"D:\\x");
    EXPECT_EQ(machine_->windowsPath(machine_->root() / "machine.json"), L"");
    EXPECT_EQ(machine_->windowsPath(machine_->root() / ".." / "elsewhere"), L"");
}

TEST(MachineProgram, ProgramFolderIsThatOfTheProgramPath) {
    std::string error;
    const auto created = freshMachine("program");
    ASSERT_TRUE(created);
    for (const auto& [path, folder] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"C:\\Program Files\\Quillmark\\diagtool.exe", L"C:\\Program Files\\Quillmark"},
             {L"C:\\x.exe", L"C:\\"},
             {L"", L""}}) {
        const auto machine = Machine::open(created->root(), Machine::Options{path}, error);
        ASSERT_TRUE(machine) << error;
        if (!path.empty()) {
            EXPECT_EQ(machine->programFolder(), folder);
        } else {
            EXPECT_EQ(machine->programPath(), L"") << "the test program is not inside the machine";
        }
    }
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = freshMachine("settings");
        ASSERT_TRUE(machine_);
    }
    nlohmann::ordered_json fileJson() const {
        return nlohmann::ordered_json::parse(readHostFile(machine_->settingsFile()));
    }
    void writeFileJson(const nlohmann::ordered_json& json) const {
        writeHostFile(machine_->settingsFile(), json.dump(2));
    }
    std::unique_ptr<Machine> machine_;
};

TEST_F(Settings, RewritesKeepUnknownKeysAndLeaveNoTemporaryFile) {
    nlohmann::ordered_json json = fileJson();
    json["drives"] = {{{"letter", "E"}, {"model", "QMD-2400"}}};
    json["services"]["QuillmarkService"] = {{"state", "stopped"}, {"recovery", "restart"}};
    writeFileJson(json);

    std::string error;
    ASSERT_TRUE(machine_->setService(L"quillmarkservice", {ServiceRunState::Running, 3, false}, error))
        << error;
    ASSERT_TRUE(machine_->recordRestart(6, error)) << error;

    const nlohmann::ordered_json after = fileJson();
    EXPECT_EQ(after["drives"], json["drives"]);
    const auto& service = after["services"]["QuillmarkService"]; // the spelling it had
    EXPECT_EQ(service["recovery"], "restart");
    EXPECT_EQ(service["state"], "running");
    EXPECT_EQ(service["startSeconds"], 3);
    EXPECT_FALSE(after["services"].contains("quillmarkservice"));
    ASSERT_EQ(after["restarts"].size(), 1u);
    EXPECT_EQ(after["restarts"][0]["flags"], 6);
    EXPECT_FALSE(fs::exists(replacementTempPath(machine_->settingsFile())));
}

TEST_F(Settings, ReadsOtherWritersChangesAtOnce) {
    nlohmann::ordered_json json = fileJson();
    json["services"]["QuillmarkService"] = {{"state", "running"}};
    writeFileJson(json);
    EXPECT_EQ(machine_->service(L"QUILLMARKSERVICE").state, ServiceRunState::Running);
    EXPECT_EQ(machine_->service(L"Other"), ServiceBehaviour{});
}

TEST_F(Settings, AnEditThatBreaksTheSettingsWritesNothing) {
    const std::string before = readHostFile(machine_->settingsFile());
    const std::vector<std::pair<std::string, nlohmann::ordered_json>> breaks = {
        {"administrator", "yes"},
        {"userName", ""},
        {"environment", {{"PATH", 1}}},
        {"services", {{"S", {{"state", "paused"}}}}},
        {"services", {{"S", {{"startSeconds", -1}}}}},
        {"services", {{"S", {{"neverStarts", "no"}}}}},
        {"services", {{"S", {{"state", "running"}}}, {"s", {{"state", "stopped"}}}}},
        {"restarts", {{{"time", "x"}}}},
    };
    for (const auto& change : breaks) {
        const std::string& key = change.first;
        const nlohmann::ordered_json& value = change.second;
        std::string error;
        EXPECT_FALSE(machine_->updateSettings(
            [&](nlohmann::ordered_json& doc, std::string&) {
                doc[key] = value;
                return true;
            },
            error))
            << key << " = " << value.dump();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(readHostFile(machine_->settingsFile()), before);
    }
}

TEST_F(Settings, ABrokenFileIsReportedNotGuessedAt) {
    writeHostFile(machine_->settingsFile(), "{ \"administrator\": ");
    std::string error;
    EXPECT_FALSE(Machine::open(machine_->root(), error));
    EXPECT_NE(error.find("machine.json"), std::string::npos) << error;
    EXPECT_FALSE(machine_->recordRestart(6, error));
    EXPECT_EQ(readHostFile(machine_->settingsFile()), "{ \"administrator\": ");
}

TEST_F(Settings, ThreadsWithTheirOwnMachineObjectsLoseNoUpdate) {
    constexpr int kPerThread = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            std::string error;
            auto own = Machine::open(machine_->root(), error);
            ASSERT_TRUE(own) << error;
            for (int i = 0; i < kPerThread; ++i) {
                ASSERT_TRUE(own->recordRestart(static_cast<std::uint32_t>(t * 1000 + i), error)) << error;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(machine_->settings().restarts.size(), 3u * kPerThread);
}

TEST(MachineEnvironment, ChangesStayInTheProcess) {
    const auto machine = freshMachine("environment");
    ASSERT_TRUE(machine);
    EXPECT_TRUE(machine->setEnvironmentVariable(L"path", L"C:\\Q;C:\\windows"));
    EXPECT_TRUE(machine->setEnvironmentVariable(L"NEW", L"1"));
    EXPECT_TRUE(machine->setEnvironmentVariable(L"TEMP", std::nullopt));
    EXPECT_TRUE(machine->setEnvironmentVariable(L"NEVER_THERE", std::nullopt));
    EXPECT_FALSE(machine->setEnvironmentVariable(L"", L"x"));
    EXPECT_FALSE(machine->setEnvironmentVariable(L"A=B", L"x"));

    const EnvironmentBlock env = machine->environment();
    const auto path = env.find(L"PATH");
    ASSERT_NE(path, env.end());
    EXPECT_EQ(path->first, L"PATH") << "a variable keeps the spelling it was made with";
    EXPECT_EQ(path->second, L"C:\\Q;C:\\windows");
    EXPECT_FALSE(env.contains(L"temp"));

    std::string error;
    const auto fresh = Machine::open(machine->root(), error);
    ASSERT_TRUE(fresh) << error;
    EXPECT_EQ(fresh->environmentVariable(L"PATH"),
              L"C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem");
    EXPECT_FALSE(fresh->environmentVariable(L"NEW"));
    EXPECT_TRUE(fresh->environmentVariable(L"TEMP"));
}

// Changes the process environment for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        put(value);
    }
    ~ScopedEnv() { put(old_.value_or("")); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void put(const std::string& value) {
#ifdef _WIN32
        _putenv_s(name_.c_str(), value.c_str());
        SetEnvironmentVariableA(name_.c_str(), value.empty() ? nullptr : value.c_str());
#else
        if (value.empty()) {
            unsetenv(name_.c_str());
        } else {
            setenv(name_.c_str(), value.c_str(), 1);
        }
#endif
    }
    std::string name_;
    std::optional<std::string> old_;
};

TEST(DefaultMachine, SysrootNamesTheMachineElseTheUserGetsACopyOnce) {
    const fs::path data = qmtest::freshFolder("userdata");
    fs::create_directories(data);
#ifdef _WIN32
    ScopedEnv dataHome("LOCALAPPDATA", data.string());
#else
    ScopedEnv dataHome("XDG_DATA_HOME", data.string());
#endif
    ScopedEnv noSysroot("QUILLMARK_SYSROOT", "");
    ASSERT_FALSE(shippedDefaultMachine().empty()) << "samples/machines/healthy is missing";

    fs::path root;
    std::string error;
    ASSERT_TRUE(defaultMachineRoot(root, error)) << error;
    EXPECT_EQ(root, userMachineFolder());
    EXPECT_TRUE(fs::is_regular_file(root / "machine.json"));
    EXPECT_TRUE(fs::is_regular_file(root / "HKLM.reg"));
    // The copy is the user's from now on: a change survives the next start.
    writeHostFile(root / "drive_c" / "mine.txt", "kept");
    ASSERT_TRUE(defaultMachineRoot(root, error)) << error;
    EXPECT_EQ(readHostFile(root / "drive_c" / "mine.txt"), "kept");

    {
        const auto other = freshMachine("sysroot");
        ASSERT_TRUE(other);
        ScopedEnv sysroot("QUILLMARK_SYSROOT", other->root().string());
        ASSERT_TRUE(defaultMachineRoot(root, error)) << error;
        EXPECT_EQ(root, other->root());
    }
    ScopedEnv badSysroot("QUILLMARK_SYSROOT", data.string());
    EXPECT_FALSE(defaultMachineRoot(root, error));
    EXPECT_NE(error.find("QUILLMARK_SYSROOT"), std::string::npos);
}

} // namespace

#include "ProcessSupport.h"

namespace {

TEST(MachineProcesses, TwoProgramsWritingSettingsLoseNoUpdate) {
    const auto machine = freshMachine("processes");
    ASSERT_TRUE(machine);
    constexpr int kPerProcess = 40;
    const std::string writer = qmtest::helperProgram("machine_writer").string();
    const std::string root = machine->root().string();
    const std::vector<int> codes = qmtest::runTogether(
        {{writer, root, std::to_string(kPerProcess), "1"}, {writer, root, std::to_string(kPerProcess), "2"}});
    EXPECT_EQ(codes, (std::vector<int>{0, 0}));

    const MachineSettings settings = machine->settings();
    ASSERT_EQ(settings.restarts.size(), 2u * kPerProcess);
    std::set<std::uint32_t> flags;
    for (const RestartRequest& request : settings.restarts) {
        flags.insert(request.flags);
    }
    for (std::uint32_t tag : {1u, 2u}) {
        for (std::uint32_t i = 0; i < kPerProcess; ++i) {
            EXPECT_TRUE(flags.contains(tag * 1000 + i)) << tag << "/" << i;
        }
    }
    EXPECT_EQ(machine->service(L"Writer1").state, ServiceRunState::Running);
    EXPECT_EQ(machine->service(L"Writer2").state, ServiceRunState::Running);
}

} // namespace
