// The registry's Windows semantics, written once and run against every
// backend of the platform.
#include "RegistryBackends.h"

#include "platform/RegKey.h"
#include "platform/RegistryAnsi.h"
#include "platform/RegistryData.h"

#include <gtest/gtest.h>

using namespace qmplatform;

namespace {

using Bytes = std::vector<std::uint8_t>;

class RegistryTest : public ::testing::TestWithParam<regtest::Backend> {
protected:
    void SetUp() override {
        const std::string name = regtest::currentTestName();
        registry_ = GetParam().make(regtest::freshDir(name));
        base_ = L"Software\\QuillmarkTest\\" + std::wstring(name.begin(), name.end());
        regtest::deleteTree(*registry_, RegRoot::CurrentUser, base_);
        ASSERT_EQ(registry_->createKey(RegRoot::CurrentUser, base_, RegAccess::AllAccess, baseKey_),
                  kErrorSuccess);
    }

    void TearDown() override {
        baseKey_.reset();
        regtest::deleteTree(*registry_, RegRoot::CurrentUser, base_);
    }

    std::wstring path(std::wstring_view below) const { return base_ + L"\\" + std::wstring(below); }

    long create(std::wstring_view below, std::unique_ptr<RegistryKey>& out) {
        return registry_->createKey(RegRoot::CurrentUser, path(below), RegAccess::AllAccess, out);
    }

    std::vector<std::wstring> subkeys(const RegistryKey& key) {
        std::vector<std::wstring> names;
        std::wstring name;
        std::uint32_t i = 0;
        long rc;
        while ((rc = key.enumKey(i++, name)) == kErrorSuccess) {
            names.push_back(name);
        }
        EXPECT_EQ(rc, kErrorNoMoreItems);
        return names;
    }

    std::unique_ptr<Registry> registry_;
    std::wstring base_;
    std::unique_ptr<RegistryKey> baseKey_;
};

TEST_P(RegistryTest, CreateOrOpenCreatesTheMissingPathAndOpensAnExistingKey) {
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(create(L"One\\Two\\Three", key), kErrorSuccess);
    ASSERT_EQ(key->setValue(L"v", kRegDword, regDwordData(7)), kErrorSuccess);
    key.reset();

    std::unique_ptr<RegistryKey> again;
    ASSERT_EQ(create(L"One\\Two\\Three", again), kErrorSuccess);
    RegValue value;
    ASSERT_EQ(again->queryValue(L"v", value), kErrorSuccess);
    EXPECT_EQ(value.data, regDwordData(7));

    std::unique_ptr<RegistryKey> middle;
    ASSERT_EQ(registry_->openKey(RegRoot::CurrentUser, path(L"One\\Two"), RegAccess::Read, middle),
              kErrorSuccess);
    EXPECT_EQ(subkeys(*middle), std::vector<std::wstring>{L"Three"});
}

TEST_P(RegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstCase) {
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(create(L"MixedCase\\Inner", key), kErrorSuccess);
    ASSERT_EQ(key->setValue(L"LogLevel", kRegSz, regSzData(L"Error")), kErrorSuccess);
    ASSERT_EQ(key->setValue(L"LOGLEVEL", kRegSz, regSzData(L"Debug")), kErrorSuccess);

    std::unique_ptr<RegistryKey> other;
    ASSERT_EQ(registry_->openKey(RegRoot::CurrentUser, path(L"mixedcase\\INNER"), RegAccess::Read, other),
              kErrorSuccess);
    RegValue value;
    ASSERT_EQ(other->queryValue(L"loglevel", value), kErrorSuccess);
    EXPECT_EQ(regSzText(value.data), L"Debug");

    std::uint32_t keys = 9, values = 9;
    ASSERT_EQ(other->queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(values, 1u);
    std::wstring name;
    ASSERT_EQ(other->enumValue(0, name, value), kErrorSuccess);
    EXPECT_EQ(name, L"LogLevel");

    // Creating it again in other case keeps the name it was made with.
    std::unique_ptr<RegistryKey> same;
    ASSERT_EQ(create(L"MIXEDCASE", same), kErrorSuccess);
    EXPECT_EQ(subkeys(*baseKey_), std::vector<std::wstring>{L"MixedCase"});
}

TEST_P(RegistryTest, PathsMayEndInABackslashButNotStartWithOne) {
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(create(L"Trailing\\", key), kErrorSuccess);
    ASSERT_EQ(registry_->openKey(RegRoot::CurrentUser, path(L"Trailing\\"), RegAccess::Read, key),
              kErrorSuccess);
    EXPECT_EQ(subkeys(*baseKey_), std::vector<std::wstring>{L"Trailing"});

    // The path of a key that diagtool's reports open, "SOFTWARE\Quillmark\".
    std::unique_ptr<RegistryKey> software;
    EXPECT_EQ(registry_->openKey(RegRoot::LocalMachine, L"SOFTWARE\\", RegAccess::Read, software),
              kErrorSuccess);

    std::unique_ptr<RegistryKey> bad;
    EXPECT_EQ(registry_->openKey(RegRoot::CurrentUser, L"\\" + path(L"Trailing"), RegAccess::Read, bad),
              kErrorBadPathname);
    EXPECT_EQ(bad, nullptr);
}

TEST_P(RegistryTest, TextValuesCountTheirTerminator) {
    RegKey key;
    ASSERT_EQ(key.open(*registry_, RegRoot::CurrentUser, base_, RegAccess::AllAccess), kErrorSuccess);
    ASSERT_EQ(key.writeString(L"Text", L"abc"), kErrorSuccess);
    ASSERT_EQ(key.writeString(L"Empty", L""), kErrorSuccess);
    ASSERT_EQ(key.writeString(L"Path", L"%CommonProgramFiles%\\Quillmark", kRegExpandSz), kErrorSuccess);

    RegValue value;
    ASSERT_EQ(baseKey_->queryValue(L"Text", value), kErrorSuccess);
    EXPECT_EQ(value.type, kRegSz);
    EXPECT_EQ(value.data, (Bytes{'a', 0, 'b', 0, 'c', 0, 0, 0}));
    ASSERT_EQ(baseKey_->queryValue(L"Empty", value), kErrorSuccess);
    EXPECT_EQ(value.data, (Bytes{0, 0}));

    std::wstring text;
    ASSERT_EQ(key.readString(L"Path", text), kErrorSuccess);
    EXPECT_EQ(text, L"%CommonProgramFiles%\\Quillmark"); // stored as written, not expanded
}

struct TypedValue {
    const wchar_t* name;
    std::uint32_t type;
    Bytes data;
};

TEST_P(RegistryTest, EveryTypeComesBackWithItsExactBytes) {
    const std::vector<TypedValue> cases = {
        {L"", kRegSz, regSzData(L"default value")},
        {L"sz", kRegSz, regSzData(L"Gr\u00f6\u00dfe \u20ac \u4e2d")},
        {L"expand", kRegExpandSz, regSzData(L"%SystemRoot%\\x")},
        {L"multi", kRegMultiSz, Bytes{'o', 0, 'n', 0, 'e', 0, 0, 0, 't', 0, 'w', 0, 'o', 0, 0, 0, 0, 0}},
        {L"dword", kRegDword, regDwordData(0xFFFFFFFEu)},
        {L"qword", kRegQword, regQwordData(0x8000000000000001ull)},
        {L"binary", kRegBinary, Bytes{0, 1, 0xFF, 0x80}},
        {L"empty binary", kRegBinary, {}},
        {L"none", kRegNone, {}},
        {L"odd type", 0x1234, {1, 2, 3}},
    };
    for (const TypedValue& c : cases) {
        ASSERT_EQ(baseKey_->setValue(c.name, c.type, c.data), kErrorSuccess);
    }
    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(registry_->openKey(RegRoot::CurrentUser, base_, RegAccess::Read, reader), kErrorSuccess);
    for (const TypedValue& c : cases) {
        RegValue value;
        ASSERT_EQ(reader->queryValue(c.name, value), kErrorSuccess) << "value of type " << c.type;
        EXPECT_EQ(value.type, c.type);
        EXPECT_EQ(value.data, c.data);
    }
    std::uint32_t keys = 9, values = 0;
    ASSERT_EQ(reader->queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(keys, 0u);
    EXPECT_EQ(values, cases.size());
}

TEST_P(RegistryTest, SubkeysEnumerateSortedWhateverTheOrderOfCreation) {
    for (const wchar_t* name : {L"delta", L"Alpha", L"charlie2", L"Bravo", L"charlie10"}) {
        std::unique_ptr<RegistryKey> key;
        ASSERT_EQ(create(name, key), kErrorSuccess);
    }
    EXPECT_EQ(subkeys(*baseKey_),
              (std::vector<std::wstring>{L"Alpha", L"Bravo", L"charlie10", L"charlie2", L"delta"}));
    std::uint32_t keys = 0, values = 9;
    ASSERT_EQ(baseKey_->queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(keys, 5u);
    EXPECT_EQ(values, 0u);
}

TEST_P(RegistryTest, MissingThingsAreErrorCodesAndLeaveTheOutputsAlone) {
    RegValue value{77, {9}};
    EXPECT_EQ(baseKey_->queryValue(L"absent", value), kErrorFileNotFound);
    EXPECT_EQ(value.type, 77u);
    EXPECT_EQ(value.data, Bytes{9});

    std::wstring name = L"kept";
    EXPECT_EQ(baseKey_->enumValue(0, name, value), kErrorNoMoreItems);
    EXPECT_EQ(baseKey_->enumKey(0, name), kErrorNoMoreItems);
    EXPECT_EQ(name, L"kept");

    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(registry_->openKey(RegRoot::CurrentUser, base_, RegAccess::Read, key), kErrorSuccess);
    RegistryKey* before = key.get();
    EXPECT_EQ(registry_->openKey(RegRoot::CurrentUser, path(L"absent"), RegAccess::Read, key),
              kErrorFileNotFound);
    EXPECT_EQ(key.get(), before);
    EXPECT_EQ(registry_->deleteKey(RegRoot::CurrentUser, path(L"absent")), kErrorFileNotFound);
    EXPECT_EQ(baseKey_->deleteValue(L"absent"), kErrorFileNotFound);

    RegKey typed;
    ASSERT_EQ(typed.open(*registry_, RegRoot::CurrentUser, base_, RegAccess::AllAccess), kErrorSuccess);
    ASSERT_EQ(typed.writeString(L"text", L"1"), kErrorSuccess);
    std::uint32_t number = 5;
    EXPECT_EQ(typed.readDword(L"absent", number), kErrorFileNotFound);
    EXPECT_EQ(typed.readDword(L"text", number), kErrorCantRead);
    EXPECT_EQ(number, 5u);
    std::vector<std::wstring> texts{L"kept"};
    EXPECT_EQ(typed.readMultiString(L"text", texts), kErrorCantRead);
    EXPECT_EQ(texts, std::vector<std::wstring>{L"kept"});
    RegKey closed;
    EXPECT_EQ(closed.readDword(L"text", number), kErrorInvalidHandle);
}

TEST_P(RegistryTest, AKeyOpenedForReadingRefusesWrites) {
    ASSERT_EQ(baseKey_->setValue(L"v", kRegDword, regDwordData(1)), kErrorSuccess);
    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(registry_->openKey(RegRoot::CurrentUser, base_, RegAccess::Read, reader), kErrorSuccess);
    EXPECT_EQ(reader->setValue(L"v", kRegDword, regDwordData(2)), kErrorAccessDenied);
    EXPECT_EQ(reader->deleteValue(L"v"), kErrorAccessDenied);
    RegValue value;
    ASSERT_EQ(reader->queryValue(L"v", value), kErrorSuccess);
    EXPECT_EQ(value.data, regDwordData(1));
}

TEST_P(RegistryTest, DeletingAKeyNeedsItToHaveNoSubkeys) {
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(create(L"Parent\\Child", key), kErrorSuccess);
    key.reset();
    EXPECT_EQ(registry_->deleteKey(RegRoot::CurrentUser, path(L"Parent")), kErrorAccessDenied);
    EXPECT_EQ(registry_->deleteKey(RegRoot::CurrentUser, path(L"parent\\CHILD\\")), kErrorSuccess);
    EXPECT_EQ(registry_->openKey(RegRoot::CurrentUser, path(L"Parent\\Child"), RegAccess::Read, key),
              kErrorFileNotFound);
    EXPECT_EQ(registry_->deleteKey(RegRoot::CurrentUser, path(L"Parent")), kErrorSuccess);
}

TEST_P(RegistryTest, TypedReadsAndWritesRoundTrip) {
    RegKey key;
    ASSERT_EQ(key.create(*registry_, RegRoot::CurrentUser, path(L"Typed"), RegAccess::AllAccess),
              kErrorSuccess);
    const std::vector<std::wstring> list = {L"one", L"two \u20ac"};
    const Bytes blob = {0, 1, 2, 0xFE};
    ASSERT_EQ(key.writeDword(L"APILogging", 7), kErrorSuccess);
    ASSERT_EQ(key.writeMultiString(L"List", list), kErrorSuccess);
    ASSERT_EQ(key.writeBinary(L"Blob", blob), kErrorSuccess);
    EXPECT_EQ(key.writeMultiString(L"Broken", std::vector<std::wstring>{L"a", L"", L"b"}),
              kErrorInvalidParameter);

    RegKey moved = std::move(key);
    EXPECT_FALSE(key.valid());
    std::uint32_t number = 0;
    ASSERT_EQ(moved.readDword(L"apilogging", number), kErrorSuccess);
    EXPECT_EQ(number, 7u);
    std::vector<std::wstring> texts;
    ASSERT_EQ(moved.readMultiString(L"List", texts), kErrorSuccess);
    EXPECT_EQ(texts, list);
    Bytes bytes;
    ASSERT_EQ(moved.readBinary(L"Blob", bytes), kErrorSuccess);
    EXPECT_EQ(bytes, blob);
    ASSERT_EQ(moved.deleteValue(L"BLOB"), kErrorSuccess);
    std::uint32_t keys = 9, values = 9;
    ASSERT_EQ(moved.queryInfo(keys, values), kErrorSuccess);
    EXPECT_EQ(values, 2u);
}

// The "A" calls see names and texts in the ANSI code page; both backends
// have code page 1252 here (Wine's default, the emulated machine's).
TEST_P(RegistryTest, NarrowFormsConvertNamesAndTextsThroughTheAnsiCodePage) {
    const auto codec = GetParam().codec();
    if (codec->codePage() != 1252) {
        GTEST_SKIP() << "ANSI code page " << codec->codePage();
    }
    const std::string umlautKey = "Gr\xF6\xDF"
                                  "e";
    std::unique_ptr<RegistryKey> key;
    std::string narrowBase(base_.begin(), base_.end());
    ASSERT_EQ(createKeyA(*registry_, *codec, RegRoot::CurrentUser, narrowBase + "\\" + umlautKey,
                         RegAccess::AllAccess, key),
              kErrorSuccess);
    const std::string text = "\x80 caf\xE9";
    const Bytes ansiData(text.begin(), text.end() + 1); // with its terminator, as callers pass it
    ASSERT_EQ(setValueA(*key, *codec,
                        "Pr\xE9"
                        "fix",
                        kRegSz, ansiData),
              kErrorSuccess);
    ASSERT_EQ(key->setValue(L"Wide", kRegSz, regSzData(L"\u4e2d\u00e9")), kErrorSuccess);
    ASSERT_EQ(key->setValue(L"Number", kRegDword, regDwordData(3)), kErrorSuccess);

    RegValue wide;
    ASSERT_EQ(key->queryValue(L"Pr\u00e9fix", wide), kErrorSuccess);
    EXPECT_EQ(wide.data, regSzData(L"\u20ac caf\u00e9"));

    RegValue narrow;
    ASSERT_EQ(queryValueA(*key, *codec, "Wide", narrow), kErrorSuccess);
    EXPECT_EQ(narrow.type, kRegSz);
    EXPECT_EQ(narrow.data, (Bytes{'?', 0xE9, 0})); // one byte per character, terminator counted
    ASSERT_EQ(queryValueA(*key, *codec, "Number", narrow), kErrorSuccess);
    EXPECT_EQ(narrow.data, regDwordData(3));

    // Wine enumerates values by name, Windows in creation order: look for it.
    std::string name;
    bool found = false;
    for (std::uint32_t i = 0; enumValueA(*key, *codec, i, name, narrow) == kErrorSuccess; ++i) {
        if (name == "Pr\xE9"
                    "fix") {
            found = true;
            EXPECT_EQ(narrow.data, ansiData);
        }
    }
    EXPECT_TRUE(found);
    ASSERT_EQ(enumKeyA(*baseKey_, *codec, 0, name), kErrorSuccess);
    EXPECT_EQ(name, umlautKey);

    std::unique_ptr<RegistryKey> opened;
    EXPECT_EQ(openKeyA(*registry_, *codec, RegRoot::CurrentUser,
                       narrowBase + "\\GR\xD6\xDF"
                                    "E",
                       RegAccess::Read, opened),
              kErrorSuccess);
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryTest, ::testing::ValuesIn(regtest::backends()),
                         [](const ::testing::TestParamInfo<regtest::Backend>& info) {
                             return info.param.name;
                         });

} // namespace
