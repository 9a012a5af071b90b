// The narrow forms over the Win32 backend against the real "A" functions of
// the system (Wine's in the Windows lane), on the same values; and the
// emulated registry's case table against the system's.
#include "RegistryBackends.h"

#include "emulated/registry/RegName.h"
#include "platform/RegKey.h"
#include "platform/RegistryAnsi.h"
#include "platform/RegistryData.h"
#include "win32/Win32Registry.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace qmplatform;

namespace {

constexpr wchar_t kScratch[] = L"Software\\QuillmarkTest\\AnsiAgreement";

TEST(Win32RegistryAnsi, AgreesWithTheSystemsAFunctions) {
    const auto registry = makeWin32Registry();
    const auto codec = makeWin32TextCodec();
    regtest::deleteTree(*registry, RegRoot::CurrentUser, kScratch);
    RegKey key;
    ASSERT_EQ(key.create(*registry, RegRoot::CurrentUser, std::wstring(kScratch) + L"\\K\u00e9y",
                         RegAccess::AllAccess),
              kErrorSuccess);
    ASSERT_EQ(key.writeString(L"Caf\u00e9", L"\u20ac 5 \u4e2d"), kErrorSuccess);
    ASSERT_EQ(key.writeString(L"Expand", L"%A%\u00fc", kRegExpandSz), kErrorSuccess);
    ASSERT_EQ(key.writeMultiString(L"Multi", std::vector<std::wstring>{L"\u00e4", L"b"}), kErrorSuccess);
    ASSERT_EQ(key.get()->setValue(L"NoTerminator", kRegSz, std::vector<std::uint8_t>{0xE9, 0, 'x', 0}),
              kErrorSuccess);
    ASSERT_EQ(key.writeDword(L"Number", 0x01020304), kErrorSuccess);

    HKEY raw = nullptr;
    const std::string parent = codec->toAnsi(kScratch);
    HKEY parentKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, KEY_READ, &parentKey), ERROR_SUCCESS);
    char keyName[256];
    DWORD keyNameLength = sizeof keyName;
    ASSERT_EQ(RegEnumKeyExA(parentKey, 0, keyName, &keyNameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    std::unique_ptr<RegistryKey> parentOurs;
    ASSERT_EQ(openKeyA(*registry, *codec, RegRoot::CurrentUser, parent, RegAccess::Read, parentOurs),
              kErrorSuccess);
    std::string ourKeyName;
    ASSERT_EQ(enumKeyA(*parentOurs, *codec, 0, ourKeyName), kErrorSuccess);
    EXPECT_EQ(ourKeyName, std::string(keyName, keyNameLength));
    ASSERT_EQ(RegOpenKeyExA(parentKey, keyName, 0, KEY_READ, &raw), ERROR_SUCCESS);
    RegCloseKey(parentKey);

    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(values, 5u);
    for (DWORD i = 0; i < values; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name;
        BYTE data[256];
        DWORD size = sizeof data;
        DWORD type = 0;
        ASSERT_EQ(RegEnumValueA(raw, i, name, &nameLength, nullptr, &type, data, &size), ERROR_SUCCESS);
        std::string ourName;
        RegValue ours;
        ASSERT_EQ(enumValueA(*key.get(), *codec, i, ourName, ours), kErrorSuccess);
        EXPECT_EQ(ourName, std::string(name, nameLength));
        EXPECT_EQ(ours.type, type) << name;
        EXPECT_EQ(ours.data, std::vector<std::uint8_t>(data, data + size)) << name;

        size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(raw, name, nullptr, &type, data, &size), ERROR_SUCCESS);
        RegValue queried;
        ASSERT_EQ(queryValueA(*key.get(), *codec, ourName, queried), kErrorSuccess);
        EXPECT_EQ(queried.data, std::vector<std::uint8_t>(data, data + size)) << name;
    }
    RegCloseKey(raw);

    // RegSetValueExA stores what setValueA stores.
    const std::string text = "\x80\xE9";
    const std::vector<std::uint8_t> narrow(text.begin(), text.end() + 1);
    ASSERT_EQ(setValueA(*key.get(), *codec, "Ours", kRegSz, narrow), kErrorSuccess);
    HKEY writable = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kScratch) + L"\\K\u00e9y").c_str(), 0,
                            KEY_ALL_ACCESS, &writable),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(writable, "Theirs", 0, REG_SZ, narrow.data(), static_cast<DWORD>(narrow.size())),
              ERROR_SUCCESS);
    RegCloseKey(writable);
    RegValue ours;
    RegValue theirs;
    ASSERT_EQ(key.get()->queryValue(L"Ours", ours), kErrorSuccess);
    ASSERT_EQ(key.get()->queryValue(L"Theirs", theirs), kErrorSuccess);
    EXPECT_EQ(ours.data, theirs.data);
    EXPECT_EQ(ours.data, regSzData(L"\u20ac\u00e9"));

    key.close();
    regtest::deleteTree(*registry, RegRoot::CurrentUser, kScratch);
}

} // namespace

namespace {

// The emulated registry's case table against the system's own upper case
// (LCMapStringW, invariant locale), on the letters the table covers.
TEST(Win32RegistryCase, TheEmulatedCaseTableAgreesWithTheSystems) {
    for (wchar_t u = 0x20; u < 0x460; ++u) {
        const bool covered = u < 0x180 || (u >= 0x386 && u <= 0x3CE) || u >= 0x400;
        // Wine keeps the final sigma as it is; the table follows Unicode,
        // which gives it the capital sigma.
        if (!covered || u == 0xB5 || u == 0x131 || u == 0x17F || u == 0x3C2) {
            continue;
        }
        wchar_t upper = 0;
        ASSERT_EQ(LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &u, 1, &upper, 1), 1);
        EXPECT_EQ(static_cast<int>(qmplatform::emulated::regUpcase(static_cast<char16_t>(u))),
                  static_cast<int>(upper))
            << std::hex << static_cast<int>(u);
    }
}

} // namespace
