#include "SampleMachine.h"

#include "RegistrySetting.h"

#include <gtest/gtest.h>

namespace {

using qmtest::SampleMachine;

TEST(RegistrySetting, KeyPathDefaultsToTheLabellingSystemsKeyAndTakesTheSubkey) {
    SampleMachine m("healthy");
    struct Case {
        const wchar_t* keyPath;
        const wchar_t* subkey;
        const wchar_t* complete;
    };
    for (const Case& c :
         {Case{L"", L"", L"Software\\Quillmark"}, Case{L"", L"Engine", L"Software\\Quillmark\\Engine"},
          Case{L"SYSTEM\\X", L"", L"SYSTEM\\X"}, Case{L"SYSTEM\\X", L"Y", L"SYSTEM\\X\\Y"}}) {
        const RegistrySetting setting(m.registry(), L"HKEY_LOCAL_MACHINE", L"v", c.keyPath, c.subkey);
        EXPECT_EQ(setting.completeKeyPath(), c.complete);
    }
}

TEST(RegistrySetting, ReadsTheTypedValuesOfTheDefaultKey) {
    SampleMachine m("healthy");
    RegistrySetting level(m.registry(), L"HKEY_LOCAL_MACHINE", L"LogLevel");
    ASSERT_TRUE(level.readText());
    EXPECT_EQ(level.text(), L"Error");
    RegistrySetting generation(m.registry(), L"HKEY_LOCAL_MACHINE", L"Generation", L"", L"Engine");
    ASSERT_TRUE(generation.readNumber());
    EXPECT_EQ(generation.number(), 4u);
    ASSERT_TRUE(generation.readFlag());
    EXPECT_TRUE(generation.flag());
    // A text is no flag and a number no text; the held value stays as it was.
    EXPECT_FALSE(level.readFlag());
    EXPECT_FALSE(level.flag());
    EXPECT_FALSE(generation.readText());
    EXPECT_EQ(generation.text(), L"");
    RegistrySetting binary(m.registry(), L"HKEY_LOCAL_MACHINE", L"InstallId");
    EXPECT_FALSE(binary.readNumber());
    EXPECT_FALSE(binary.readText());
}

// A flag is read as RegQueryValueEx fills a 4-byte buffer: whatever the
// value's type, data of up to four bytes is the number, and longer data
// fails the read as a too-small buffer does.
TEST(RegistrySetting, FlagReadTakesAnyTypeWhoseDataFitsFourBytes) {
    SampleMachine m("bare");
    using Bytes = std::vector<std::uint8_t>;
    struct Case {
        const char* what;
        std::uint32_t type;
        Bytes data;
        bool reads;
        bool flag;
    };
    const Case cases[] = {
        {"dword 1", qmplatform::kRegDword, {1, 0, 0, 0}, true, true},
        {"dword 0", qmplatform::kRegDword, {0, 0, 0, 0}, true, false},
        {"dword high byte", qmplatform::kRegDword, {0, 0, 0, 1}, true, true},
        {"binary 01 00 00 00", qmplatform::kRegBinary, {1, 0, 0, 0}, true, true},
        {"binary zeros", qmplatform::kRegBinary, {0, 0, 0, 0}, true, false},
        {"binary one byte", qmplatform::kRegBinary, {7}, true, true},
        {"binary empty", qmplatform::kRegBinary, {}, true, false},
        {"binary five bytes", qmplatform::kRegBinary, {1, 0, 0, 0, 0}, false, false},
        {"none empty", qmplatform::kRegNone, {}, true, false},
        {"none two bytes", qmplatform::kRegNone, {0, 2}, true, true},
        {"text \"1\"", qmplatform::kRegSz, {'1', 0, 0, 0}, true, true},
        {"empty text", qmplatform::kRegSz, {0, 0}, true, false},
        {"text \"10\"", qmplatform::kRegSz, {'1', 0, '0', 0, 0, 0}, false, false},
        {"expandable text \"1\"", qmplatform::kRegExpandSz, {'1', 0, 0, 0}, true, true},
        {"empty multi-text", qmplatform::kRegMultiSz, {0, 0, 0, 0}, true, false},
        {"qword 1", qmplatform::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, false, false},
        {"big-endian dword 1", 5, {0, 0, 0, 1}, true, true},
    };
    for (const Case& c : cases) {
        qmplatform::RegKey key;
        ASSERT_EQ(key.create(m.registry(), qmplatform::RegRoot::LocalMachine, L"Software\\Quillmark",
                             qmplatform::RegAccess::AllAccess),
                  0);
        ASSERT_EQ(key.get()->setValue(L"APILogging", c.type, c.data), 0) << c.what;
        // Starts from the opposite of what is expected, so a read that
        // leaves the flag alone is seen.
        RegistrySetting setting(m.registry(), L"HKEY_LOCAL_MACHINE", L"APILogging");
        if (!c.flag) {
            ASSERT_TRUE(setting.writeFlag(true));
            ASSERT_EQ(key.get()->setValue(L"APILogging", c.type, c.data), 0) << c.what;
        }
        EXPECT_EQ(setting.readFlag(), c.reads) << c.what;
        EXPECT_EQ(setting.flag(), c.reads ? c.flag : !c.flag) << c.what;
    }
}

TEST(RegistrySetting, UnknownRootFailsEveryOperation) {
    SampleMachine m("healthy");
    for (const wchar_t* root : {L"HKEY_CLASSES_ROOT", L"hkey_local_machine", L"HKLM", L""}) {
        RegistrySetting setting(m.registry(), root, L"LogLevel");
        EXPECT_FALSE(setting.root().has_value());
        EXPECT_FALSE(setting.readText());
        EXPECT_FALSE(setting.writeText(L"Info"));
        EXPECT_FALSE(setting.writeFlag(true));
        EXPECT_FALSE(setting.writeNumber(1));
    }
    RegistrySetting level(m.registry(), L"HKEY_LOCAL_MACHINE", L"LogLevel");
    ASSERT_TRUE(level.readText());
    EXPECT_EQ(level.text(), L"Error");
}

TEST(RegistrySetting, WritesStoreTheRegistryTypesAndCreateTheKey) {
    SampleMachine m("bare");
    RegistrySetting flag(m.registry(), L"HKEY_CURRENT_USER", L"APILogging", L"", L"New");
    ASSERT_TRUE(flag.writeFlag(true));
    RegistrySetting text(m.registry(), L"HKEY_LOCAL_MACHINE", L"LogLevel");
    ASSERT_TRUE(text.writeText(L"Debug"));
    m.reopen();
    qmplatform::RegKey key;
    ASSERT_EQ(key.open(m.registry(), qmplatform::RegRoot::CurrentUser, L"Software\\Quillmark\\New",
                       qmplatform::RegAccess::Read),
              0);
    qmplatform::RegValue value;
    ASSERT_EQ(key.get()->queryValue(L"APILogging", value), 0);
    EXPECT_EQ(value.type, qmplatform::kRegDword);
    EXPECT_EQ(value.data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    ASSERT_EQ(qmtest::readHklm(m.registry(), L"Software\\Quillmark", L"LogLevel", value), 0);
    EXPECT_EQ(value.type, qmplatform::kRegSz);
    EXPECT_EQ(value.data.size(), 12u) << "five characters and the terminator";
}

TEST(RegistrySetting, ReadCreatesAMissingKeyButNoValue) {
    SampleMachine m("bare");
    ASSERT_FALSE(qmtest::hklmKeyExists(m.registry(), L"SOFTWARE\\Quillmark"));
    RegistrySetting level(m.registry(), L"HKEY_LOCAL_MACHINE", L"LogLevel");
    EXPECT_FALSE(level.readText());
    EXPECT_TRUE(qmtest::hklmKeyExists(m.registry(), L"SOFTWARE\\Quillmark"));
    qmplatform::RegKey key;
    ASSERT_EQ(key.open(m.registry(), qmplatform::RegRoot::LocalMachine, L"SOFTWARE\\Quillmark",
                       qmplatform::RegAccess::Read),
              0);
    std::uint32_t subKeys = 9;
    std::uint32_t values = 9;
    ASSERT_EQ(key.queryInfo(subKeys, values), 0);
    EXPECT_EQ(values, 0u);
}

} // namespace
