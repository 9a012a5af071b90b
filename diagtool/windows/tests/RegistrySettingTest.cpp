#include "SampleMachine.h"

#include "diagtool/windows/RegistrySetting.h"

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
    ASSERT_EQ(key.readValue(L"APILogging", value), 0);
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
