// COM's values, GUID texts, BSTRs and the binary layout of interfaces: the
// same tests against the suite's runtime and, in the Windows lane, against
// the system's (Wine's) COM.
#include "platform/com/Com.h"

#include "TestServer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using qmplatform::com::Bstr;
using qmplatform::com::bstrFromWide;
using qmplatform::com::guidFromString;
using qmplatform::com::guidToString;
using qmplatform::com::wideFromBstr;

// {5197646C-00EA-4307-A067-61319EBBE499}: a CLSID the suite creates.
constexpr CLSID kSample = {0x5197646C, 0x00EA, 0x4307, {0xA0, 0x67, 0x61, 0x31, 0x9E, 0xBB, 0xE4, 0x99}};
constexpr const wchar_t* kSampleText = L"{5197646C-00EA-4307-A067-61319EBBE499}";

std::basic_string<OLECHAR> ole(std::wstring_view text) {
    return qmplatform::com::oleFromWide(text);
}

TEST(ComValues, HaveWindowsNumbers) {
    struct Row {
        HRESULT value;
        std::uint32_t expected;
    };
    const Row rows[] = {
        {S_OK, 0x00000000},
        {S_FALSE, 0x00000001},
        {E_NOTIMPL, 0x80004001},
        {E_NOINTERFACE, 0x80004002},
        {E_POINTER, 0x80004003},
        {E_FAIL, 0x80004005},
        {E_UNEXPECTED, 0x8000FFFF},
        {E_OUTOFMEMORY, 0x8007000E},
        {E_INVALIDARG, 0x80070057},
        {CLASS_E_NOAGGREGATION, 0x80040110},
        {CLASS_E_CLASSNOTAVAILABLE, 0x80040111},
        {REGDB_E_CLASSNOTREG, 0x80040154},
        {CO_E_NOTINITIALIZED, 0x800401F0},
        {CO_E_CLASSSTRING, 0x800401F3},
        {CO_E_IIDSTRING, 0x800401F4},
        {RPC_E_CHANGED_MODE, 0x80010106},
        {HRESULT_FROM_WIN32(126), 0x8007007E},
        {HRESULT_FROM_WIN32(0), 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(static_cast<std::uint32_t>(row.value), row.expected);
    }
    EXPECT_EQ(static_cast<DWORD>(CLSCTX_ALL), 23u);
    EXPECT_EQ(sizeof(GUID), 16u);
    EXPECT_EQ(sizeof(OLECHAR), 2u);
    EXPECT_EQ(sizeof(HRESULT), 4u);
    EXPECT_EQ(sizeof(ULONG), 4u);
    EXPECT_EQ(VARIANT_TRUE, -1);
    EXPECT_EQ(VARIANT_FALSE, 0);
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_FALSE(FAILED(S_FALSE));
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_FALSE(SUCCEEDED(E_FAIL));
}

TEST(ComGuid, RegistryFormRoundTrips) {
    EXPECT_EQ(guidToString(kSample), kSampleText);
    for (const wchar_t* text :
         {L"{5197646C-00EA-4307-A067-61319EBBE499}", L"{5197646c-00ea-4307-a067-61319ebbe499}"}) {
        GUID parsed{};
        ASSERT_TRUE(guidFromString(text, parsed)) << text;
        EXPECT_TRUE(IsEqualGUID(parsed, kSample)) << text;
    }
    // Every byte position reaches its own place.
    const GUID distinct = {0x01234567, 0x89AB, 0xCDEF, {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}};
    GUID back{};
    ASSERT_TRUE(guidFromString(guidToString(distinct), back));
    EXPECT_EQ(std::memcmp(&back, &distinct, sizeof(GUID)), 0);
    EXPECT_EQ(guidToString(distinct), L"{01234567-89AB-CDEF-1032-547698BADCFE}");
}

TEST(ComGuid, MalformedTextsLeaveTheGuidUntouched) {
    const std::wstring rejected[] = {
        L"",
        L"5197646C-00EA-4307-A067-61319EBBE499",    // no braces
        L"{5197646C-00EA-4307-A067-61319EBBE499",   // no closing brace
        L"{5197646C-00EA-4307-A067-61319EBBE4991}", // one digit too many
        L"{5197646C-00EA-4307-A067-61319EBBE49}",   // one digit too few
        L"{5197646C+00EA-4307-A067-61319EBBE499}",  // wrong separator
        L"{5197646C-00EA-4307-A06761319-EBBE499}",  // separator out of place
        L"{5197646G-00EA-4307-A067-61319EBBE499}",  // not hex
        L"{ 197646C-00EA-4307-A067-61319EBBE499}",  // space
        std::wstring(L"{5197646C-00EA-4307-A067-61319EBBE4\0\0}", 38),
    };
    for (const std::wstring& text : rejected) {
        GUID guid = kSample;
        EXPECT_FALSE(guidFromString(text, guid)) << text.c_str();
        EXPECT_TRUE(IsEqualGUID(guid, kSample)) << text.c_str();
    }
}

TEST(ComGuid, SystemFunctionsAgreeWithTheRegistryForm) {
    OLECHAR buffer[64] = {};
    ASSERT_EQ(StringFromGUID2(kSample, buffer, 64), 39);
    EXPECT_EQ(qmplatform::com::wideFromOle(buffer, 38), kSampleText);
    EXPECT_EQ(buffer[38], 0);
    // 39 units are needed, terminator included.
    EXPECT_EQ(StringFromGUID2(kSample, buffer, 38), 0);
    EXPECT_EQ(StringFromGUID2(kSample, buffer, 39), 39);

    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(ole(L"{5197646c-00ea-4307-a067-61319ebbe499}").c_str(), &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, kSample));
    IID iid{};
    ASSERT_EQ(IIDFromString(ole(kSampleText).c_str(), &iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, kSample));

    const auto malformed = ole(L"{5197646C-00EA-4307-A067-61319EBBE49Z}");
    EXPECT_EQ(CLSIDFromString(malformed.c_str(), &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(IIDFromString(malformed.c_str(), &iid), CO_E_IIDSTRING);
    EXPECT_TRUE(IsEqualCLSID(clsid, kSample));
    EXPECT_TRUE(IsEqualIID(iid, kSample));
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_NULL));
}

TEST(ComBstr, LengthsCountUnitsAndKeepEmbeddedNuls) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);

    BSTR hello = SysAllocString(OLESTR("hello"));
    ASSERT_NE(hello, nullptr);
    EXPECT_EQ(SysStringLen(hello), 5u);
    EXPECT_EQ(SysStringByteLen(hello), 10u);
    EXPECT_EQ(hello[5], 0);
    SysFreeString(hello);

    const OLECHAR withNul[] = {'a', 0, 'b'};
    BSTR three = SysAllocStringLen(withNul, 3);
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(SysStringLen(three), 3u);
    EXPECT_EQ(three[2], 'b');
    EXPECT_EQ(three[3], 0);
    EXPECT_EQ(wideFromBstr(three), std::wstring(L"a\0b", 3));
    SysFreeString(three);

    // Room for a caller to fill in; the terminator is there already.
    BSTR room = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(room, nullptr);
    EXPECT_EQ(SysStringLen(room), 4u);
    EXPECT_EQ(room[4], 0);
    SysFreeString(room);

    BSTR empty = SysAllocString(OLESTR(""));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(ComBstr, WideTextRoundTripsThroughUtf16) {
    // A character outside the BMP takes two code units, as on Windows.
    const std::wstring text =
        std::wstring(L"Grüße ") + static_cast<wchar_t>(0x20AC) + L" " +
        (sizeof(wchar_t) == 4 ? std::wstring(1, static_cast<wchar_t>(0x1F600))
                              : std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)});
    Bstr held(text);
    ASSERT_NE(held.get(), nullptr);
    EXPECT_EQ(SysStringLen(held.get()), 10u);
    EXPECT_EQ(held.get()[8], 0xD83D);
    EXPECT_EQ(held.get()[9], 0xDE00);
    EXPECT_EQ(held.wide(), text);
    EXPECT_EQ(wideFromBstr(nullptr), L"");
    if constexpr (sizeof(wchar_t) == 4) {
        // A lone surrogate has no UTF-32 form.
        const OLECHAR lone[] = {'x', 0xD800, 'y'};
        EXPECT_EQ(qmplatform::com::wideFromOle(lone, 3), std::wstring(L"x\xFFFDy"));
    }
}

TEST(ComBstr, OwnerFreesMovesAndHandsOver) {
    Bstr first(L"one");
    Bstr second = std::move(first);
    EXPECT_EQ(first.get(), nullptr); // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_EQ(second.wide(), L"one");

    // receive() frees what it held before handing out its slot.
    *second.receive() = bstrFromWide(L"two");
    EXPECT_EQ(second.wide(), L"two");

    BSTR raw = second.release();
    EXPECT_EQ(second.get(), nullptr);
    EXPECT_EQ(SysStringLen(raw), 3u);
    SysFreeString(raw);

    Bstr third(L"three");
    third = Bstr(L"four");
    EXPECT_EQ(third.wide(), L"four");
}

// ---- Slot order ----------------------------------------------------------
// Each method records its slot; the test calls the raw vtable slots the way
// a C client or another compiler's code would.

template <typename R, typename I, typename... Args> R callSlot(I* object, std::size_t slot, Args... args) {
    using Slot = R(STDMETHODCALLTYPE*)(I*, Args...);
    void** table = *reinterpret_cast<void***>(object);
    return reinterpret_cast<Slot>(table[slot])(object, args...);
}

class RecordingCounter final : public IQmTestCounter {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppvObject) override {
        calls.push_back(0);
        *ppvObject = this;
        return 100;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        calls.push_back(1);
        return 101;
    }
    STDMETHODIMP_(ULONG) Release() override {
        calls.push_back(2);
        return 102;
    }
    STDMETHODIMP Add(LONG value, LONG* total) override {
        calls.push_back(3);
        *total = value * 2;
        return 103;
    }
    STDMETHODIMP Echo(BSTR, BSTR* reply) override {
        calls.push_back(4);
        *reply = nullptr;
        return 104;
    }
    STDMETHODIMP Partner(IQmTestCounter** partner) override {
        calls.push_back(5);
        *partner = this;
        return 105;
    }
    std::vector<int> calls;
};

class RecordingFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID, void**) override { return record(0); }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(record(1)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(record(2)); }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID, void**) override {
        lastOuter = outer;
        return record(3);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lastLock = lock;
        return record(4);
    }
    HRESULT record(int slot) {
        calls.push_back(slot);
        return 100 + slot;
    }
    std::vector<int> calls;
    IUnknown* lastOuter = nullptr;
    BOOL lastLock = FALSE;
};

TEST(ComInterfaces, SlotsAreInDeclarationOrder) {
    RecordingCounter counter;
    void* out = nullptr;
    EXPECT_EQ((callSlot<HRESULT>(static_cast<IUnknown*>(&counter), 0, &IID_IUnknown, &out)), 100);
    EXPECT_EQ((callSlot<ULONG>(static_cast<IUnknown*>(&counter), 1)), 101u);
    EXPECT_EQ((callSlot<ULONG>(static_cast<IUnknown*>(&counter), 2)), 102u);
    LONG total = 0;
    EXPECT_EQ((callSlot<HRESULT>(static_cast<IQmTestCounter*>(&counter), 3, LONG{21}, &total)), 103);
    EXPECT_EQ(total, 42);
    BSTR reply = nullptr;
    EXPECT_EQ((callSlot<HRESULT>(static_cast<IQmTestCounter*>(&counter), 4, BSTR{nullptr}, &reply)), 104);
    IQmTestCounter* partner = nullptr;
    EXPECT_EQ((callSlot<HRESULT>(static_cast<IQmTestCounter*>(&counter), 5, &partner)), 105);
    EXPECT_EQ(counter.calls, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    RecordingFactory factory;
    for (int slot = 0; slot < 3; ++slot) {
        if (slot == 0) {
            callSlot<HRESULT>(static_cast<IUnknown*>(&factory), 0, &IID_IUnknown, &out);
        } else {
            callSlot<ULONG>(static_cast<IUnknown*>(&factory), static_cast<std::size_t>(slot));
        }
    }
    EXPECT_EQ((callSlot<HRESULT>(static_cast<IClassFactory*>(&factory), 3, static_cast<IUnknown*>(&counter),
                                 &IID_IUnknown, &out)),
              103);
    EXPECT_EQ(factory.lastOuter, static_cast<IUnknown*>(&counter));
    EXPECT_EQ((callSlot<HRESULT>(static_cast<IClassFactory*>(&factory), 4, BOOL{TRUE})), 104);
    EXPECT_EQ(factory.lastLock, TRUE);
    EXPECT_EQ(factory.calls, (std::vector<int>{0, 1, 2, 3, 4}));
}

} // namespace
