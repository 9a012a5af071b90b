// What only the emulated registry shows: its hive files, the rights of a
// standard user, Windows' orders (Wine sorts values by name and folds case
// to lower case), and several processes on one machine.
#include "RegistryBackends.h"

#include "emulated/MachineLock.h"
#include "platform/machine/EmulatedRegistry.h"
#include "emulated/registry/RegName.h"
#include "platform/RegKey.h"
#include "platform/RegistryData.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <thread>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;
using namespace qmplatform;
using qmplatform::emulated::EmulatedRegistry;
using qmplatform::emulated::RegFileContents;

namespace {

using Bytes = std::vector<std::uint8_t>;

class EmulatedRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = regtest::freshDir(regtest::currentTestName()); }

    EmulatedRegistry::Options options(bool administrator = true) const {
        return {dir_ / "registry", dir_ / "machine.lock", administrator};
    }

    Bytes hiveBytes(RegRoot root) const {
        std::ifstream in(EmulatedRegistry::hiveFile(dir_ / "registry", root), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static std::vector<std::wstring> valueNames(const RegistryKey& key) {
        std::vector<std::wstring> names;
        std::wstring name;
        RegValue value;
        for (std::uint32_t i = 0; key.enumValue(i, name, value) == kErrorSuccess; ++i) {
            names.push_back(name);
        }
        return names;
    }

    static std::vector<std::wstring> keyNames(const RegistryKey& key) {
        std::vector<std::wstring> names;
        std::wstring name;
        for (std::uint32_t i = 0; key.enumKey(i, name) == kErrorSuccess; ++i) {
            names.push_back(name);
        }
        return names;
    }

    fs::path dir_;
};

TEST_F(EmulatedRegistryTest, ValuesEnumerateInCreationOrderAndKeepTheirPlaceWhenRewritten) {
    EmulatedRegistry registry(options());
    RegKey key;
    ASSERT_EQ(key.create(registry, RegRoot::CurrentUser, L"Software\\Order", RegAccess::AllAccess),
              kErrorSuccess);
    for (const wchar_t* name : {L"zeta", L"Alpha", L"mid", L"_x"}) {
        ASSERT_EQ(key.writeDword(name, 1), kErrorSuccess);
    }
    ASSERT_EQ(key.writeDword(L"ALPHA", 2), kErrorSuccess);
    ASSERT_EQ(key.deleteValue(L"mid"), kErrorSuccess);
    ASSERT_EQ(key.writeDword(L"mid", 3), kErrorSuccess);
    EXPECT_EQ(valueNames(*key.get()), (std::vector<std::wstring>{L"zeta", L"Alpha", L"_x", L"mid"}));

    // The order survives the hive file.
    EmulatedRegistry reread(options());
    RegKey again;
    ASSERT_EQ(again.open(reread, RegRoot::CurrentUser, L"Software\\Order", RegAccess::Read), kErrorSuccess);
    EXPECT_EQ(valueNames(*again.get()), (std::vector<std::wstring>{L"zeta", L"Alpha", L"_x", L"mid"}));
}

TEST_F(EmulatedRegistryTest, SubkeysSortByTheirUpperCaseForm) {
    EmulatedRegistry registry(options());
    for (const wchar_t* name : {L"_u", L"b", L"A", L"~", L"Z", L"\u00e4", L"\u00c5"}) {
        std::unique_ptr<RegistryKey> key;
        ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, std::wstring(L"Software\\Sorted\\") + name,
                                     RegAccess::Read, key),
                  kErrorSuccess);
    }
    std::unique_ptr<RegistryKey> parent;
    ASSERT_EQ(registry.openKey(RegRoot::CurrentUser, L"Software\\Sorted", RegAccess::Read, parent),
              kErrorSuccess);
    // '_' (0x5F) sorts after 'Z', as upper case compares; Wine, which folds
    // to lower case, puts it before 'A'. "ä" sorts as "Ä", before "Å".
    EXPECT_EQ(keyNames(*parent),
              (std::vector<std::wstring>{L"A", L"b", L"Z", L"_u", L"~", L"\u00e4", L"\u00c5"}));
}

TEST_F(EmulatedRegistryTest, UpperCaseTableAgreesWithUnicode) {
    using emulated::regUpcase;
    EXPECT_EQ(regUpcase(u'a'), u'A');
    EXPECT_EQ(regUpcase(u'_'), u'_');
    EXPECT_EQ(regUpcase(u'\u00ff'), u'\u0178');
    EXPECT_EQ(regUpcase(u'\u00df'), u'\u00df'); // no single upper-case letter
    EXPECT_TRUE(emulated::sameRegName(L"Stra\u00dfe \u0429\u00c4", L"STRA\u00dfE \u0449\u00e4"));
    EXPECT_FALSE(emulated::sameRegName(L"a", L"a "));

    // The C library's Unicode tables as the independent reference: in the
    // blocks the table covers, both agree but for three letters whose upper
    // case lies in another block or script (micro sign, dotless i, long s).
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "no C.UTF-8 locale";
    }
    for (char16_t u = 0; u < 0x460; ++u) {
        const bool covered = u < 0x180 || (u >= 0x386 && u <= 0x3CE) || u >= 0x400;
        if (!covered || u == 0xB5 || u == 0x131 || u == 0x17F) {
            continue;
        }
        EXPECT_EQ(static_cast<std::wint_t>(regUpcase(u)), std::towupper(u))
            << std::hex << static_cast<int>(u);
    }
    std::setlocale(LC_CTYPE, "C");
}

TEST_F(EmulatedRegistryTest, AStandardUserReadsButCannotChangeTheMachine) {
    {
        EmulatedRegistry admin(options(true));
        RegKey key;
        ASSERT_EQ(key.create(admin, RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", RegAccess::AllAccess),
                  kErrorSuccess);
        ASSERT_EQ(key.writeString(L"LogLevel", L"Info"), kErrorSuccess);
        ASSERT_EQ(key.create(admin, RegRoot::ClassesRoot, L"CLSID\\{1}", RegAccess::AllAccess),
                  kErrorSuccess);
    }
    EmulatedRegistry user(options(false));
    struct Case {
        const char* what;
        RegRoot root;
        const wchar_t* path;
        bool create;
        RegAccess access;
        long expected;
    };
    const Case cases[] = {
        {"open HKLM for reading", RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", false, RegAccess::Read, 0},
        {"open HKLM with all access", RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", false,
         RegAccess::AllAccess, 5},
        {"open a missing HKLM key", RegRoot::LocalMachine, L"SOFTWARE\\Absent", false, RegAccess::AllAccess,
         2},
        {"create-or-open an HKLM key for reading", RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", true,
         RegAccess::Read, 0},
        {"create-or-open an HKLM key with all access", RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", true,
         RegAccess::AllAccess, 5},
        {"create a new HKLM key", RegRoot::LocalMachine, L"SOFTWARE\\New", true, RegAccess::Read, 5},
        {"open HKCR with all access", RegRoot::ClassesRoot, L"CLSID\\{1}", false, RegAccess::AllAccess, 5},
        {"create a new HKCR key", RegRoot::ClassesRoot, L"CLSID\\{2}", true, RegAccess::Read, 5},
        {"create a new HKCU key", RegRoot::CurrentUser, L"Software\\Mine", true, RegAccess::AllAccess, 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<RegistryKey> key;
        const long rc = c.create ? user.createKey(c.root, c.path, c.access, key)
                                 : user.openKey(c.root, c.path, c.access, key);
        EXPECT_EQ(rc, c.expected) << c.what;
        EXPECT_EQ(key != nullptr, c.expected == 0) << c.what;
    }
    RegKey key;
    ASSERT_EQ(key.open(user, RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", RegAccess::Read), kErrorSuccess);
    std::wstring level;
    ASSERT_EQ(key.readString(L"LogLevel", level), kErrorSuccess);
    EXPECT_EQ(level, L"Info");
    EXPECT_EQ(key.writeString(L"LogLevel", L"Debug"), kErrorAccessDenied);
    EXPECT_EQ(user.deleteKey(RegRoot::ClassesRoot, L"CLSID\\{1}"), kErrorAccessDenied);

    std::string error;
    RegFileContents contents;
    contents.keys.push_back({L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark",
                             false,
                             {{L"LogLevel", false, kRegSz, regSzData(L"Debug")}}});
    EXPECT_FALSE(user.importRegFile(contents, error));
    EXPECT_NE(error.find("administrator"), std::string::npos) << error;
    ASSERT_EQ(key.readString(L"LogLevel", level), kErrorSuccess);
    EXPECT_EQ(level, L"Info");
}

TEST_F(EmulatedRegistryTest, ClassesRootIsAViewOfTheMachineClasses) {
    EmulatedRegistry registry(options());
    RegKey viaClasses;
    ASSERT_EQ(viaClasses.create(registry, RegRoot::ClassesRoot, L"CLSID\\{X}\\InprocServer32",
                                RegAccess::AllAccess),
              kErrorSuccess);
    ASSERT_EQ(viaClasses.writeString(L"", L"C:\\x.dll"), kErrorSuccess);
    RegKey viaMachine;
    ASSERT_EQ(viaMachine.open(registry, RegRoot::LocalMachine,
                              L"software\\classes\\clsid\\{x}\\InprocServer32", RegAccess::Read),
              kErrorSuccess);
    std::wstring server;
    ASSERT_EQ(viaMachine.readString(L"", server), kErrorSuccess);
    EXPECT_EQ(server, L"C:\\x.dll");
    // The view's own root cannot be deleted through it.
    EXPECT_EQ(registry.deleteKey(RegRoot::ClassesRoot, L""), kErrorAccessDenied);
}

TEST_F(EmulatedRegistryTest, ChangesOfAnotherInstanceAreSeenByOpenKeys) {
    EmulatedRegistry first(options());
    EmulatedRegistry second(options());
    RegKey mine;
    ASSERT_EQ(mine.create(first, RegRoot::LocalMachine, L"SOFTWARE\\Shared\\Leaf", RegAccess::AllAccess),
              kErrorSuccess);
    std::uint32_t number = 0;
    EXPECT_EQ(mine.readDword(L"n", number), kErrorFileNotFound);

    RegKey theirs;
    ASSERT_EQ(theirs.open(second, RegRoot::LocalMachine, L"SOFTWARE\\Shared\\Leaf", RegAccess::AllAccess),
              kErrorSuccess);
    // Two writes of equal size right after each other: a file time and
    // size would not tell them apart.
    ASSERT_EQ(theirs.writeDword(L"n", 1), kErrorSuccess);
    ASSERT_EQ(mine.readDword(L"n", number), kErrorSuccess);
    EXPECT_EQ(number, 1u);
    ASSERT_EQ(theirs.writeDword(L"n", 2), kErrorSuccess);
    ASSERT_EQ(mine.readDword(L"n", number), kErrorSuccess);
    EXPECT_EQ(number, 2u);

    // An update through the first instance keeps the second one's value.
    ASSERT_EQ(mine.writeDword(L"m", 3), kErrorSuccess);
    std::uint32_t keys = 0, values = 0;
    ASSERT_EQ(theirs.queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(values, 2u);

    theirs.close();
    ASSERT_EQ(second.deleteKey(RegRoot::LocalMachine, L"SOFTWARE\\Shared\\Leaf"), kErrorSuccess);
    EXPECT_EQ(mine.readDword(L"n", number), kErrorKeyDeleted);
    EXPECT_EQ(mine.writeDword(L"n", 4), kErrorKeyDeleted);
}

TEST_F(EmulatedRegistryTest, TheHiveIsARegFileOfItsRoot) {
    {
        EmulatedRegistry registry(options());
        RegKey key;
        ASSERT_EQ(
            key.create(registry, RegRoot::CurrentUser, L"Software\\Quillmark\\Empty", RegAccess::AllAccess),
            kErrorSuccess);
        ASSERT_EQ(key.create(registry, RegRoot::CurrentUser, L"Software\\Quillmark", RegAccess::AllAccess),
                  kErrorSuccess);
        ASSERT_EQ(key.writeString(L"Path", L"C:\\a \"b\""), kErrorSuccess);
    }
    RegFileContents contents;
    std::string error;
    ASSERT_TRUE(emulated::parseRegFile(hiveBytes(RegRoot::CurrentUser), contents, error)) << error;
    RegFileContents expected;
    expected.keys.push_back({L"HKEY_CURRENT_USER\\Software", false, {}});
    expected.keys.push_back({L"HKEY_CURRENT_USER\\Software\\Quillmark",
                             false,
                             {{L"Path", false, kRegSz, regSzData(L"C:\\a \"b\"")}}});
    expected.keys.push_back({L"HKEY_CURRENT_USER\\Software\\Quillmark\\Empty", false, {}});
    EXPECT_EQ(contents, expected);
    EXPECT_TRUE(hiveBytes(RegRoot::LocalMachine).empty()); // never written: nothing changed there
}

TEST_F(EmulatedRegistryTest, ACorruptHiveIsAnErrorAndIsNeverOverwritten) {
    fs::create_directories(dir_ / "registry");
    const std::string broken = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\n";
    std::ofstream(EmulatedRegistry::hiveFile(dir_ / "registry", RegRoot::CurrentUser), std::ios::binary)
        << broken;
    EmulatedRegistry registry(options());
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(registry.openKey(RegRoot::CurrentUser, L"Software", RegAccess::Read, key),
              kErrorRegistryCorrupt);
    EXPECT_EQ(registry.createKey(RegRoot::CurrentUser, L"Software\\X", RegAccess::AllAccess, key),
              kErrorRegistryCorrupt);
    EXPECT_EQ(hiveBytes(RegRoot::CurrentUser), Bytes(broken.begin(), broken.end()));
    // The other hive is unaffected.
    EXPECT_EQ(registry.createKey(RegRoot::LocalMachine, L"SOFTWARE\\X", RegAccess::AllAccess, key),
              kErrorSuccess);
}

TEST_F(EmulatedRegistryTest, AFailedWriteChangesNothing) {
    EmulatedRegistry registry(options());
    RegKey key;
    ASSERT_EQ(key.create(registry, RegRoot::CurrentUser, L"Software\\Q", RegAccess::AllAccess),
              kErrorSuccess);
    ASSERT_EQ(key.writeDword(L"kept", 1), kErrorSuccess);
    // A folder where the temporary file must go makes the replacement fail.
    const fs::path temp = dir_ / "registry" / "HKCU.reg.tmp~";
    fs::create_directories(temp / "blocker");
    EXPECT_EQ(key.writeDword(L"lost", 2), kErrorRegistryIoFailed);
    std::uint32_t n = 0;
    EXPECT_EQ(key.readDword(L"lost", n), kErrorFileNotFound);
    fs::remove_all(temp);
    ASSERT_EQ(key.writeDword(L"later", 3), kErrorSuccess);
    EmulatedRegistry reread(options());
    RegKey again;
    ASSERT_EQ(again.open(reread, RegRoot::CurrentUser, L"Software\\Q", RegAccess::Read), kErrorSuccess);
    EXPECT_EQ(valueNames(*again.get()), (std::vector<std::wstring>{L"kept", L"later"}));
}

TEST_F(EmulatedRegistryTest, NamesTheHiveCannotHoldAreRefused) {
    EmulatedRegistry registry(options());
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(registry.createKey(RegRoot::CurrentUser, std::wstring(256, L'k'), RegAccess::AllAccess, key),
              kErrorInvalidParameter);
    EXPECT_EQ(registry.createKey(RegRoot::CurrentUser, L"Software\\two\nlines", RegAccess::AllAccess, key),
              kErrorInvalidParameter);
    ASSERT_EQ(registry.createKey(RegRoot::CurrentUser, std::wstring(255, L'k'), RegAccess::AllAccess, key),
              kErrorSuccess);
    EXPECT_EQ(key->setValue(std::wstring(16384, L'v'), kRegNone, {}), kErrorInvalidParameter);
    EXPECT_EQ(key->setValue(std::wstring(16383, L'v'), kRegNone, {}), kErrorSuccess);
    // Value names may hold anything; the hive writes line breaks escaped.
    EXPECT_EQ(key->setValue(L"two\nlines \"q\" \\", kRegSz, regSzData(L"a\r\nb")), kErrorSuccess);
    EmulatedRegistry reread(options());
    RegKey again;
    ASSERT_EQ(again.open(reread, RegRoot::CurrentUser, std::wstring(255, L'k'), RegAccess::Read),
              kErrorSuccess);
    std::wstring text;
    ASSERT_EQ(again.readString(L"TWO\nLINES \"Q\" \\", text), kErrorSuccess);
    EXPECT_EQ(text, L"a\r\nb");
}

TEST_F(EmulatedRegistryTest, ImportAppliesAFileAllOrNothingAndExportWritesTheKeyBack) {
    EmulatedRegistry registry(options());
    RegKey key;
    ASSERT_EQ(
        key.create(registry, RegRoot::LocalMachine, L"SOFTWARE\\Quillmark\\Old\\Deep", RegAccess::AllAccess),
        kErrorSuccess);
    ASSERT_EQ(key.create(registry, RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", RegAccess::AllAccess),
              kErrorSuccess);
    ASSERT_EQ(key.writeDword(L"Gone", 1), kErrorSuccess);
    ASSERT_EQ(key.writeDword(L"IAA", 0), kErrorSuccess);

    const std::string file = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark\\Old]\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark]\r\n"
                             "\"Gone\"=-\r\n\"IAA\"=dword:00000001\r\n\"LogLevel\"=\"Debug\"\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Quillmark]\r\n@=\"user\"\r\n";
    std::ofstream(dir_ / "in.reg", std::ios::binary) << file;
    std::string error;
    ASSERT_TRUE(registry.importRegFile(dir_ / "in.reg", error)) << error;

    RegFileContents exported;
    ASSERT_TRUE(registry.exportKey(RegRoot::LocalMachine, L"software\\QUILLMARK\\", exported, error))
        << error;
    RegFileContents expected;
    expected.keys.push_back(
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark",
         false,
         {{L"IAA", false, kRegDword, regDwordData(1)}, {L"LogLevel", false, kRegSz, regSzData(L"Debug")}}});
    EXPECT_EQ(exported, expected);
    ASSERT_TRUE(registry.exportKey(RegRoot::CurrentUser, L"Software\\Quillmark", exported, error)) << error;
    ASSERT_EQ(exported.keys.size(), 1u);
    EXPECT_EQ(exported.keys[0].values[0].name, L"");

    // A file that fails half-way changes neither hive.
    const Bytes hklm = hiveBytes(RegRoot::LocalMachine);
    const Bytes hkcu = hiveBytes(RegRoot::CurrentUser);
    RegFileContents bad;
    bad.keys.push_back({L"HKEY_CURRENT_USER\\Software\\More", false, {}});
    bad.keys.push_back({L"HKEY_LOCAL_MACHINE\\SOFTWARE\\More", false, {}});
    bad.keys.push_back({L"HKEY_USERS\\.DEFAULT", false, {}});
    EXPECT_FALSE(registry.importRegFile(bad, error));
    EXPECT_NE(error.find("root"), std::string::npos) << error;
    EXPECT_EQ(hiveBytes(RegRoot::LocalMachine), hklm);
    EXPECT_EQ(hiveBytes(RegRoot::CurrentUser), hkcu);
    std::unique_ptr<RegistryKey> more;
    EXPECT_EQ(registry.openKey(RegRoot::CurrentUser, L"Software\\More", RegAccess::Read, more),
              kErrorFileNotFound);

    EXPECT_FALSE(registry.exportKey(RegRoot::CurrentUser, L"Software\\Absent", exported, error));
    EXPECT_FALSE(registry.importRegFile(dir_ / "absent.reg", error));
}

TEST_F(EmulatedRegistryTest, ExportNamesClassesRootKeysByTheirOwnRoot) {
    EmulatedRegistry registry(options());
    std::string error;
    RegKey key;
    ASSERT_EQ(key.create(registry, RegRoot::ClassesRoot, L"CLSID\\{A}", RegAccess::AllAccess), kErrorSuccess);
    ASSERT_EQ(key.writeString(L"", L"server"), kErrorSuccess);
    ASSERT_TRUE(registry.exportRegFile(RegRoot::ClassesRoot, L"clsid", dir_ / "out.reg", error)) << error;
    std::ifstream in(dir_ / "out.reg", std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    RegFileContents contents;
    ASSERT_TRUE(emulated::parseRegFile(bytes, contents, error)) << error;
    ASSERT_EQ(contents.keys.size(), 2u);
    EXPECT_EQ(contents.keys[0].path, L"HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_EQ(contents.keys[1].path, L"HKEY_CLASSES_ROOT\\CLSID\\{A}");

    // Imported into another machine, it lands below HKLM\SOFTWARE\Classes.
    fs::path other = dir_ / "other";
    fs::create_directories(other);
    EmulatedRegistry second({other / "registry", other / "machine.lock", true});
    ASSERT_TRUE(second.importRegFile(dir_ / "out.reg", error)) << error;
    RegKey imported;
    ASSERT_EQ(imported.open(second, RegRoot::LocalMachine, L"SOFTWARE\\Classes\\CLSID\\{A}", RegAccess::Read),
              kErrorSuccess);
}

// --- several writers on one machine ----------------------------------------

fs::path helperProgram() {
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path() / "registry_writer.exe";
#else
    return fs::read_symlink("/proc/self/exe").parent_path() / "registry_writer";
#endif
}

// Starts the helper program that adds `count` values named `prefix`N.
struct Child {
#ifdef _WIN32
    intptr_t handle = -1;
#else
    pid_t pid = -1;
#endif
};

Child startWriter(const fs::path& dir, const std::string& prefix, int count) {
    const std::string program = helperProgram().string();
    const std::string root = dir.string();
    const std::string n = std::to_string(count);
    Child child;
#ifdef _WIN32
    const std::string quoted = "\"" + program + "\"";
    const std::string quotedRoot = "\"" + root + "\"";
    const char* argv[] = {quoted.c_str(), quotedRoot.c_str(), prefix.c_str(), n.c_str(), nullptr};
    child.handle = _spawnv(_P_NOWAIT, program.c_str(), argv);
#else
    std::vector<std::string> args = {program, root, prefix, n};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&child.pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        child.pid = -1;
    }
#endif
    return child;
}

int waitFor(const Child& child) {
#ifdef _WIN32
    if (child.handle == -1) {
        return -1;
    }
    int status = -1;
    _cwait(&status, child.handle, 0);
    return status;
#else
    if (child.pid < 0) {
        return -1;
    }
    int status = 0;
    waitpid(child.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

TEST_F(EmulatedRegistryTest, TwoProcessesAddingValuesLoseNoUpdate) {
    ASSERT_TRUE(fs::exists(helperProgram())) << helperProgram();
    constexpr int kEach = 60;
    const Child a = startWriter(dir_, "a", kEach);
    const Child b = startWriter(dir_, "b", kEach);
    EXPECT_EQ(waitFor(a), 0);
    EXPECT_EQ(waitFor(b), 0);

    EmulatedRegistry registry(options());
    RegKey key;
    ASSERT_EQ(key.open(registry, RegRoot::LocalMachine, L"SOFTWARE\\Concurrent", RegAccess::Read),
              kErrorSuccess);
    std::uint32_t keys = 0, values = 0;
    ASSERT_EQ(key.queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(values, 2u * kEach);
    for (int i = 0; i < kEach; ++i) {
        for (const wchar_t* prefix : {L"a", L"b"}) {
            std::uint32_t n = 0;
            EXPECT_EQ(key.readDword(prefix + std::to_wstring(i), n), kErrorSuccess);
            EXPECT_EQ(n, static_cast<std::uint32_t>(i));
        }
    }
}

TEST_F(EmulatedRegistryTest, TwoThreadsWithInstancesOfTheirOwnLoseNoUpdate) {
    constexpr int kEach = 40;
    auto writer = [&](wchar_t prefix) {
        EmulatedRegistry registry(options());
        RegKey key;
        ASSERT_EQ(key.create(registry, RegRoot::CurrentUser, L"Software\\Threads", RegAccess::AllAccess),
                  kErrorSuccess);
        for (int i = 0; i < kEach; ++i) {
            ASSERT_EQ(key.writeDword(std::wstring(1, prefix) + std::to_wstring(i), 1), kErrorSuccess);
        }
    };
    std::thread one(writer, L'x');
    std::thread two(writer, L'y');
    one.join();
    two.join();
    EmulatedRegistry registry(options());
    RegKey key;
    ASSERT_EQ(key.open(registry, RegRoot::CurrentUser, L"Software\\Threads", RegAccess::Read), kErrorSuccess);
    std::uint32_t keys = 0, values = 0;
    ASSERT_EQ(key.queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(values, 2u * kEach);
}

TEST_F(EmulatedRegistryTest, TheMachineLockExcludesOtherHoldersOfTheSameFile) {
    emulated::MachineLock first(dir_ / "machine.lock");
    emulated::MachineLock second(dir_ / "machine.lock");
    ASSERT_TRUE(first.try_lock());
    EXPECT_FALSE(second.try_lock());
    bool otherThreadGotIt = true;
    std::thread([&] { otherThreadGotIt = first.try_lock(); }).join();
    EXPECT_FALSE(otherThreadGotIt);
    first.unlock();
    ASSERT_TRUE(second.try_lock());
    second.unlock();

    emulated::MachineLock nowhere(dir_ / "missing" / "machine.lock");
    EXPECT_FALSE(nowhere.try_lock());
    EXPECT_THROW(nowhere.lock(), std::system_error);
}

} // namespace
