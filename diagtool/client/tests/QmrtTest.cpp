// The client layer against a server that records every call and fails on
// demand: slot order, argument checks before any call, the HRESULT mapping,
// the exact failure texts, and references given back.
#include "diagtool/client/QMRT.h"
#include "FakeDiscPrintServer.h"

#include "diagtool/catalogue/ErrorCodeCatalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

namespace {

using namespace QMRT;
using ::testing::ElementsAre;

// GCC and Clang (the Itanium ABI, MinGW included) encode a pointer to a
// virtual member as 1 + the byte offset of its slot in the vtable.
template <typename Method> std::size_t slotOf(Method method) {
    std::ptrdiff_t encoded = 0;
    static_assert(sizeof(method) >= sizeof(encoded));
    std::memcpy(&encoded, &method, sizeof(encoded));
    return static_cast<std::size_t>(encoded - 1) / sizeof(void*);
}

TEST(ComContract, InterfacesHaveTheServersSlotOrder) {
    EXPECT_EQ(slotOf(&IDiscPrintMgr::EnumDiscPrinters), 3u);
    EXPECT_EQ(slotOf(&IDiscPrintMgr::GetUpdateShellCommand), 4u);
    EXPECT_EQ(slotOf(&IEnumDiscPrinters::Count), 3u);
    EXPECT_EQ(slotOf(&IEnumDiscPrinters::Item), 4u);
    const std::size_t printerSlots[] = {
        slotOf(&IDiscPrinter::Validate),
        slotOf(&IDiscPrinter::GetPrinterVendorName),
        slotOf(&IDiscPrinter::GetPrinterProductName),
        slotOf(&IDiscPrinter::GetPrinterDisplayName),
        slotOf(&IDiscPrinter::GetPrinterPath),
        slotOf(&IDiscPrinter::GetPrinterCapabilities),
        slotOf(&IDiscPrinter::GetDriveInnerRadius),
        slotOf(&IDiscPrinter::GetDriveOuterRadius),
        slotOf(&IDiscPrinter::GetCurrentMedia),
        slotOf(&IDiscPrinter::OpenPrintSession),
        slotOf(&IDiscPrinter::GetPrintResolution),
        slotOf(&IDiscPrinter::GetLabelRegionOuterRadius),
        slotOf(&IDiscPrinter::GetLabelRegionInnerRadius),
        slotOf(&IDiscPrinter::OpenDriveTray),
        slotOf(&IDiscPrinter::CloseDriveTray),
        slotOf(&IDiscPrinter::LockDriveTray),
        slotOf(&IDiscPrinter::UnlockDriveTray),
        slotOf(&IDiscPrinter::AddExclusiveUse),
        slotOf(&IDiscPrinter::ReleaseExclusiveUse),
    };
    for (std::size_t i = 0; i < std::size(printerSlots); ++i) {
        EXPECT_EQ(printerSlots[i], i + 3) << "method " << i;
    }
    EXPECT_EQ(slotOf(&IDiscPrintSession::PrintDisc), 3u);
    EXPECT_EQ(slotOf(&IDiscPrintSession::PrintPreview), 4u);
    EXPECT_EQ(slotOf(&IDiscPrintSession::SetProgressCallback), 5u);
    EXPECT_EQ(slotOf(&IQMDiscPrintProgressEvents::OnProgressA), 3u);
    EXPECT_EQ(slotOf(&IQMDiscPrintProgressEvents::OnValue), 7u);
    EXPECT_EQ(slotOf(&IUnknown::Release), 2u);
}

TEST(ComContract, IdentifiersInRegistryForm) {
    EXPECT_EQ(qmplatform::com::guidToString(CLSID_DiscPrintMgr), L"{5197646C-00EA-4307-A067-61319EBBE499}");
    EXPECT_EQ(qmplatform::com::guidToString(IID_IDiscPrintMgr), L"{39658004-A44E-4F68-8F79-E1BCA9E84C0C}");
    EXPECT_EQ(kCreateContext, static_cast<DWORD>(CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER |
                                                 CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER));
}

// ---- Mapping --------------------------------------------------------------

TEST(MapHResult, TableRowsAreCatalogueCodes) {
    std::set<std::uint32_t> seen;
    for (const HResultMapping& row : hresultTable()) {
        EXPECT_TRUE(seen.insert(row.hresult).second) << std::hex << row.hresult;
        EXPECT_EQ(mapHResult(static_cast<std::int32_t>(row.hresult)), row.code);
        if ((row.hresult & 0xFFFF0000u) == 0xC0040000u) {
            EXPECT_EQ(static_cast<std::uint32_t>(row.code), row.hresult & 0xFFFFu);
            EXPECT_FALSE(lookupErrorCode(static_cast<std::uint32_t>(row.code)).symbolicName.empty())
                << row.code;
        }
    }
    EXPECT_EQ(seen.size(), 36u);
}

TEST(MapHResult, Examples) {
    const std::pair<std::uint32_t, std::int32_t> cases[] = {
        {0x00000000u, 1},   {0x80004005u, 256}, {0xC0040233u, 563}, {0xC004023Eu, 257}, {0xC00410AFu, 4271},
        {0x80040154u, 257}, {0x00000001u, 257}, {0xC0041013u, 257}, {0xC0040201u, 513},
    };
    for (const auto& [hr, code] : cases) {
        EXPECT_EQ(mapHResult(static_cast<std::int32_t>(hr)), code) << std::hex << hr;
    }
}

TEST(QmrtException, FieldsAndCopyOut) {
    const QMRT_Exception bare(17);
    EXPECT_EQ(bare.code(), 17);
    EXPECT_TRUE(bare.location().empty());
    EXPECT_TRUE(bare.message().empty());
    EXPECT_EQ(bare.nativeError(), 0);

    const QMRT_Exception full(563, "here", "what", -5);
    std::int32_t code = 0, native = 0;
    std::string location, message;
    full.get(code, location, message, native);
    EXPECT_EQ(code, 563);
    EXPECT_EQ(location, "here");
    EXPECT_EQ(message, "what");
    EXPECT_EQ(native, -5);
}

// Runs `action` and returns the exception it must throw.
QMRT_Exception thrown(const std::function<void()>& action) {
    try {
        action();
    } catch (const QMRT_Exception& error) {
        return error;
    }
    ADD_FAILURE() << "no QMRT_Exception";
    return QMRT_Exception(0);
}

// ---- The enumerator and the manager ----------------------------------------

class ClientTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(server.liveObjects, 0) << "references not given back"; }
    fake::Server server;
};

TEST_F(ClientTest, NoServerRegistered) {
    server.createResult = static_cast<HRESULT>(0x80040154u);
    const QMRT_Exception error = thrown([&] { QMRT_EnumDiscPrinters printers(server.creator()); });
    EXPECT_EQ(error.code(), 257);
    EXPECT_EQ(error.location(), "QMRT_EnumDiscPrinters::QMRT_EnumDiscPrinters");
    EXPECT_EQ(error.message(), "instatiation of DiscPrintMgr failed");
    EXPECT_EQ(error.nativeError(), static_cast<std::int32_t>(0x80040154u));

    const QMRT_Exception info = thrown([&] { QMRT_QMInfo qm(server.creator()); });
    EXPECT_EQ(info.location(), "QMRT_QMInfo::QMRT_QMInfo");
    EXPECT_EQ(info.message(), "instatiation of DiscPrintMgr failed");
}

TEST_F(ClientTest, EnumeratorFailureReleasesTheManager) {
    server.failures["EnumDiscPrinters"] = E_FAIL;
    const QMRT_Exception error = thrown([&] { QMRT_EnumDiscPrinters printers(server.creator()); });
    EXPECT_EQ(error.code(), 256);
    EXPECT_EQ(error.message(), "pDiscPrintMgr->EnumDiscPrinters() failed");
}

TEST_F(ClientTest, CountAndItem) {
    server.drives.resize(2);
    server.drives[1].path = L"F";
    QMRT_EnumDiscPrinters printers(server.creator());
    EXPECT_EQ(printers.Count(), 2);
    auto printer = printers.Item(1);
    EXPECT_EQ(printer->GetPrinterPath(), "F");
    printer->Destroy();
    printer->Destroy(); // a second Destroy does nothing
    EXPECT_THAT(server.calls,
                ElementsAre("Create", "EnumDiscPrinters", "Count", "Item(1)", "GetPrinterPath"));

    server.failures["Count"] = static_cast<HRESULT>(0xC0041080u);
    const QMRT_Exception count = thrown([&] { printers.Count(); });
    EXPECT_EQ(count.code(), 4224);
    EXPECT_EQ(count.location(), "QMRT_EnumDiscPrinters::Count");
    EXPECT_EQ(count.message(), "pEnumDiscPrinters->Count() failed");
    server.failures["Item"] = static_cast<HRESULT>(0xC004022Bu);
    const QMRT_Exception item = thrown([&] { printers.Item(0); });
    EXPECT_EQ(item.code(), 555);
    EXPECT_EQ(item.message(), "pEnumDiscPrinters->Item() failed");
}

TEST_F(ClientTest, AttachMisuse) {
    server.drives.resize(2);
    QMRT_DiscPrinter printer;
    const QMRT_Exception none = thrown([&] { printer.Attach(nullptr); });
    EXPECT_EQ(none.code(), 16);
    EXPECT_EQ(none.message(), "pObject == NULL");
    EXPECT_EQ(none.nativeError(), 0);
    EXPECT_FALSE(printer.attached());

    IDiscPrinter* first = server.newPrinter(0);
    IDiscPrinter* second = server.newPrinter(1);
    printer.Attach(first);
    const QMRT_Exception twice = thrown([&] { printer.Attach(second); });
    EXPECT_EQ(twice.code(), 16);
    EXPECT_EQ(twice.location(), "QMRT_DiscPrinter::Attach");
    EXPECT_EQ(twice.message(), "m_pObject != NULL");
    EXPECT_EQ(printer.GetPrinterPath(), "E"); // still the first drive
    first->Release();
    second->Release();
    printer.Destroy();

    QMRT_DiscPrintSession session;
    EXPECT_EQ(thrown([&] { session.Attach(nullptr); }).code(), 16);
    // Calls on a wrapper that holds nothing are misuse, not a crash.
    EXPECT_EQ(thrown([&] { printer.Validate(); }).code(), 16);
}

// ---- One drive ------------------------------------------------------------

struct PrinterCall {
    const char* method;
    std::function<void(QMRT_DiscPrinter&)> call;
    const char* message;
};

class PrinterFailureTest : public ::testing::TestWithParam<PrinterCall> {};

TEST_P(PrinterFailureTest, MapsTheFailureAndNamesIt) {
    fake::Server server;
    server.drives.resize(1);
    server.drives[0].failures[GetParam().method] = static_cast<HRESULT>(0xC004021Eu);
    {
        QMRT_DiscPrinter printer;
        IDiscPrinter* object = server.newPrinter(0);
        printer.Attach(object);
        object->Release();
        const QMRT_Exception error = thrown([&] { GetParam().call(printer); });
        EXPECT_EQ(error.code(), 542);
        EXPECT_EQ(error.location(), std::string("QMRT_DiscPrinter::") + GetParam().method);
        EXPECT_EQ(error.message(), GetParam().message);
        EXPECT_EQ(error.nativeError(), static_cast<std::int32_t>(0xC004021Eu));
    }
    EXPECT_EQ(server.liveObjects, 0);
}

#define QM_CALL(name, ...)                                                                                   \
    PrinterCall {                                                                                            \
#name, [](QMRT_DiscPrinter & p) { (void)p.name(__VA_ARGS__); }, "pDiscPrinter->" #name "() failed"   \
    }
INSTANTIATE_TEST_SUITE_P(
    EveryMethod, PrinterFailureTest,
    ::testing::Values(QM_CALL(Validate), QM_CALL(GetPrinterVendorName), QM_CALL(GetPrinterProductName),
                      QM_CALL(GetPrinterDisplayName), QM_CALL(GetPrinterPath),
                      QM_CALL(GetPrinterCapabilities), QM_CALL(GetDriveInnerRadius),
                      QM_CALL(GetDriveOuterRadius), QM_CALL(GetCurrentMedia, QMRT_OPTIMIZE_MEDIA),
                      QM_CALL(GetPrintResolution, QMRT_QUALITY_BEST, QMRT_OPTIMIZE_NONE),
                      QM_CALL(GetLabelRegionOuterRadius, QMRT_LABEL_FULL, QMRT_OPTIMIZE_NONE),
                      QM_CALL(GetLabelRegionInnerRadius, QMRT_LABEL_FULL, QMRT_OPTIMIZE_NONE),
                      QM_CALL(OpenDriveTray), QM_CALL(CloseDriveTray), QM_CALL(LockDriveTray),
                      QM_CALL(UnlockDriveTray), QM_CALL(AddExclusiveUse), QM_CALL(ReleaseExclusiveUse),
                      QM_CALL(OpenPrintSession)),
    [](const auto& info) { return std::string(info.param.method); });
#undef QM_CALL

class PrinterTest : public ClientTest {
protected:
    void SetUp() override {
        server.drives.resize(1);
        IDiscPrinter* object = server.newPrinter(0);
        printer.Attach(object);
        object->Release();
    }
    void TearDown() override {
        printer.Destroy();
        ClientTest::TearDown();
    }
    QMRT_DiscPrinter printer;
};

TEST_F(PrinterTest, MediaRecordCopiedFieldByField) {
    QMRT_MediaInformation media;
    media.value1 = -7;
    media.value2 = 0x01020304;
    media.imagingParameter = static_cast<std::int16_t>(0xFFFF);
    media.value4 = 44;
    media.value5 = 55;
    for (int i = 0; i < 6; ++i) {
        media.bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    media.shapeAndSize = 2;
    server.drives[0].media = media;
    const QMRT_MediaInformation got = printer.GetCurrentMedia(QMRT_OPTIMIZE_MEDIA);
    EXPECT_EQ(got.value1, -7);
    EXPECT_EQ(got.value2, 0x01020304);
    EXPECT_EQ(got.imagingParameter, -1);
    EXPECT_EQ(got.value4, 44);
    EXPECT_EQ(got.value5, 55);
    EXPECT_EQ(got.bytes[5], 0xA5);
    EXPECT_EQ(got.shapeAndSize, 2);
    EXPECT_EQ(server.calls.back(), "GetCurrentMedia(1)");
}

TEST_F(PrinterTest, ResultsOutsideTheirTables) {
    server.drives[0].media->shapeAndSize = 3;
    const QMRT_Exception shape = thrown([&] { printer.GetCurrentMedia(QMRT_OPTIMIZE_NONE); });
    EXPECT_EQ(shape.code(), 258);
    EXPECT_EQ(shape.message(), "Unknown ShapeAndSize");
    EXPECT_EQ(shape.nativeError(), 3);

    for (LONG capability : {0, 3, -1}) {
        server.drives[0].capabilities = capability;
        const QMRT_Exception cap = thrown([&] { printer.GetPrinterCapabilities(); });
        EXPECT_EQ(cap.code(), 259);
        EXPECT_EQ(cap.message(), "Unknown Cap returned from QMCAPI");
        EXPECT_EQ(cap.nativeError(), 0); // the successful call's HRESULT
    }
    server.drives[0].capabilities = 2;
    EXPECT_EQ(printer.GetPrinterCapabilities(), 2);
}

struct ArgumentCase {
    const char* name;
    std::function<void(QMRT_DiscPrinter&)> call;
    const char* message;
    std::int32_t rejected;
};

TEST_F(PrinterTest, ArgumentsCheckedInOrderBeforeAnyCall) {
    const ArgumentCase cases[] = {
        {"level 2", [](auto& p) { p.GetCurrentMedia(QMRT_MediaOptimizationLevel(2)); },
         "Unknown QMRT_MediaOptimizationLevel", 2},
        {"quality then level",
         [](auto& p) { p.GetPrintResolution(QMRT_PrintQuality(3), QMRT_MediaOptimizationLevel(5)); },
         "Unknown QMRT_PrintQuality", 3},
        {"level after good quality",
         [](auto& p) { p.GetPrintResolution(QMRT_QUALITY_DRAFT, QMRT_MediaOptimizationLevel(-1)); },
         "Unknown QMRT_MediaOptimizationLevel", -1},
        {"mode then level",
         [](auto& p) { p.GetLabelRegionOuterRadius(QMRT_LabelMode(3), QMRT_MediaOptimizationLevel(9)); },
         "Unknown QMRT_LabelMode", 3},
        {"inner mode", [](auto& p) { p.GetLabelRegionInnerRadius(QMRT_LabelMode(-1), QMRT_OPTIMIZE_NONE); },
         "Unknown QMRT_LabelMode", -1},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(c.name);
        server.calls.clear();
        const QMRT_Exception error = thrown([&] { c.call(printer); });
        EXPECT_EQ(error.code(), 258);
        EXPECT_EQ(error.message(), c.message);
        EXPECT_EQ(error.nativeError(), c.rejected);
        EXPECT_TRUE(server.calls.empty());
    }
    EXPECT_EQ(printer.GetLabelRegionInnerRadius(QMRT_LABEL_CONTENT, QMRT_OPTIMIZE_MEDIA), 23000);
    EXPECT_THAT(server.calls, ElementsAre("GetLabelRegionInnerRadius(2,1)"));
}

// ---- Print sessions and the progress callback --------------------------------

struct RecordingCallbacks final : QMRTCallbacks {
    bool QueryAbort() override {
        events.push_back("QueryAbort");
        return abort;
    }
    void OnProgressA(int a, int b) override {
        events.push_back("A" + std::to_string(a) + "/" + std::to_string(b));
    }
    void OnProgressB(int a, int b) override {
        events.push_back("B" + std::to_string(a) + "/" + std::to_string(b));
    }
    void OnComplete(std::int32_t status) override { events.push_back("Complete" + std::to_string(status)); }
    void OnValue(int value) override { events.push_back("Value" + std::to_string(value)); }
    bool abort = false;
    std::vector<std::string> events;
};

TEST_F(PrinterTest, PrintDiscChecksEveryEnumerationFirst) {
    auto session = printer.OpenPrintSession();
    const std::uint8_t header[4] = {};
    const std::uint8_t bits[8] = {};
    struct Bad {
        QMRT_ImageType image;
        QMRT_LabelMode mode;
        QMRT_DrawOptions draw;
        QMRT_PrintQuality quality;
        QMRT_MediaOptimizationLevel level;
        const char* message;
        std::int32_t rejected;
    };
    const Bad cases[] = {
        {QMRT_ImageType(1), QMRT_LabelMode(7), QMRT_DrawOptions(3), QMRT_PrintQuality(9),
         QMRT_MediaOptimizationLevel(9), "Unknown QMRT_ImageType", 1},
        {QMRT_IMAGE_BITMAP, QMRT_LabelMode(7), QMRT_DrawOptions(3), QMRT_PrintQuality(9),
         QMRT_MediaOptimizationLevel(9), "Unknown QMRT_LabelMode", 7},
        {QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DrawOptions(3), QMRT_PrintQuality(9),
         QMRT_MediaOptimizationLevel(9), "Unknown QMRT_DrawOptions", 3},
        {QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DRAW_TILED, QMRT_PrintQuality(9),
         QMRT_MediaOptimizationLevel(9), "Unknown QMRT_PrintQuality", 9},
        {QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DRAW_TILED, QMRT_QUALITY_DRAFT,
         QMRT_MediaOptimizationLevel(9), "Unknown QMRT_MediaOptimizationLevel", 9},
    };
    server.calls.clear();
    for (const Bad& c : cases) {
        const QMRT_Exception error = thrown(
            [&] { session->PrintDisc(c.image, c.mode, c.draw, c.quality, c.level, header, 4, bits, 8); });
        EXPECT_EQ(error.code(), 258);
        EXPECT_EQ(error.location(), "QMRT_DiscPrintSession::PrintDisc");
        EXPECT_EQ(error.message(), c.message);
        EXPECT_EQ(error.nativeError(), c.rejected);
    }
    EXPECT_TRUE(server.calls.empty());
    session->PrintDisc(QMRT_IMAGE_BITMAP, QMRT_LABEL_CONTENT, QMRT_DRAW_TILED, QMRT_QUALITY_DRAFT,
                       QMRT_OPTIMIZE_MEDIA, header, 4, bits, 8);
    EXPECT_THAT(server.calls, ElementsAre("PrintDisc(0,2,4,2,1,4,8)"));
    server.drives[0].failures["PrintDisc"] = static_cast<HRESULT>(0xC0040219u);
    const QMRT_Exception failed = thrown([&] {
        session->PrintDisc(QMRT_IMAGE_BITMAP, QMRT_LABEL_FULL, QMRT_DRAW_NONE, QMRT_QUALITY_BEST,
                           QMRT_OPTIMIZE_NONE, header, 4, bits, 8);
    });
    EXPECT_EQ(failed.code(), 537);
    EXPECT_EQ(failed.message(), "pDiscPrintSession->PrintDisc() failed");
    session->Destroy();
}

TEST_F(PrinterTest, PrintPreviewConvertsItsArguments) {
    auto session = printer.OpenPrintSession();
    std::int32_t size[2] = {0, 0};
    server.calls.clear();
    session->PrintPreview(QMRT_IMAGE_BITMAP, QMRT_LABEL_FULL, QMRT_DRAW_CENTERED, QMRT_QUALITY_NORMAL,
                          QMRT_OPTIMIZE_NONE, nullptr, 0, nullptr, 0, std::string("C:\\preview.bmp"),
                          QMRT_IMAGE_BITMAP, size, true);
    session->PrintPreview(QMRT_IMAGE_BITMAP, QMRT_LABEL_FULL, QMRT_DRAW_CENTERED, QMRT_QUALITY_NORMAL,
                          QMRT_OPTIMIZE_MEDIA, nullptr, 0, nullptr, 0, std::nullopt, QMRT_IMAGE_BITMAP, size,
                          false);
    EXPECT_THAT(server.calls, ElementsAre("PrintPreview(0,0,1,1,0,C:\\preview.bmp,0,-1)",
                                          "PrintPreview(0,0,1,1,1,null,0,0)"));
    EXPECT_EQ(size[0], 801);
    EXPECT_EQ(size[1], 802);
    const QMRT_Exception preview = thrown([&] {
        session->PrintPreview(QMRT_IMAGE_BITMAP, QMRT_LABEL_FULL, QMRT_DRAW_CENTERED, QMRT_QUALITY_NORMAL,
                              QMRT_OPTIMIZE_MEDIA, nullptr, 0, nullptr, 0, std::nullopt, QMRT_ImageType(2),
                              size, false);
    });
    EXPECT_EQ(preview.message(), "Unknown QMRT_ImageType");
    EXPECT_EQ(preview.nativeError(), 2);
    EXPECT_EQ(thrown([&] { session->SetSavePrintFile("x"); }).message(),
              "QMRT_DiscPrintSession::SetSavePrintFile() not implemented");
}

TEST_F(PrinterTest, ProgressCallbackForwardsAndIsReleased) {
    auto session = printer.OpenPrintSession();
    const QMRT_Exception none = thrown([&] { session->SetProgressCallback(nullptr); });
    EXPECT_EQ(none.code(), 258);
    EXPECT_EQ(none.message(), "pCallbacks == NULL!");

    RecordingCallbacks callbacks;
    session->SetProgressCallback(&callbacks);
    ASSERT_NE(server.callback, nullptr);
    IQMDiscPrintProgressEvents* events = server.callback;
    EXPECT_EQ(events->OnProgressA(1, 2), S_OK);
    EXPECT_EQ(events->OnProgressB(3, 4), S_OK);
    EXPECT_EQ(events->OnComplete(static_cast<HRESULT>(0xC0040233u)), S_OK);
    VARIANT_BOOL cancel = 5;
    EXPECT_EQ(events->QueryCancel(&cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    callbacks.abort = true;
    cancel = 5;
    EXPECT_EQ(events->OnValue(42, &cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_THAT(callbacks.events,
                ElementsAre("A1/2", "B3/4", "Complete563", "QueryAbort", "Value42", "QueryAbort"));

    // The server holds one reference and the session one: two in all.
    EXPECT_EQ(events->AddRef(), 3u);
    EXPECT_EQ(events->Release(), 2u);
    session->Destroy();
    // The session object went with its own release and dropped the server's.
    EXPECT_EQ(server.callback, nullptr);
}

TEST(ProgressCallback, UnboundAndInterfaceRefusal) {
    auto* callback = new CCOMProgressCallback;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(callback->QueryInterface(IID_IQMDiscPrintProgressEvents, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(callback->QueryInterface(IID_IDiscPrintMgr, &out), E_NOINTERFACE);
    EXPECT_EQ(callback->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(callback));
    // No reference was added by QueryInterface.
    EXPECT_EQ(callback->AddRef(), 2u);
    EXPECT_EQ(callback->Release(), 1u);

    VARIANT_BOOL cancel = 5;
    EXPECT_EQ(callback->QueryCancel(&cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    cancel = 5;
    EXPECT_EQ(callback->OnValue(1, &cancel), S_OK);
    EXPECT_EQ(cancel, 5); // nothing written without callbacks
    EXPECT_EQ(callback->OnComplete(S_OK), S_OK);

    RecordingCallbacks callbacks;
    const QMRT_Exception null = thrown([&] { callback->SetQMRTCallbacks(nullptr); });
    EXPECT_EQ(null.code(), 258);
    EXPECT_EQ(null.location(), "CCOMProgressCallback::SetQMRTCallbacks");
    callback->SetQMRTCallbacks(&callbacks);
    const QMRT_Exception twice = thrown([&] { callback->SetQMRTCallbacks(&callbacks); });
    EXPECT_EQ(twice.message(), "m_pQMRTCallbacks != NULL!");
    EXPECT_EQ(callback->Release(), 0u);
}

TEST_F(ClientTest, InformationObject) {
    server.updateCommand = L"https://example.invalid/update";
    {
        QMRT_QMInfo info(server.creator());
        EXPECT_EQ(info.GetUpdateShellCommand(), "https://example.invalid/update");
        const std::pair<std::function<void()>, const char*> missing[] = {
            {[&] { info.GetQMSVersion(); }, "QMRT_QMInfo::GetQMSVersion() not implemented"},
            {[&] { info.GetPreviousQMSVersions(); }, "QMRT_QMInfo::GetPreviousQMSVersions() not implemented"},
            {[&] { info.GetExtendedDiagnosticsString(); },
             "QMRT_QMInfo::GetExtendedDiagnosticsString() not implemented"},
        };
        for (const auto& [call, message] : missing) {
            const QMRT_Exception error = thrown(call);
            EXPECT_EQ(error.code(), 17);
            EXPECT_EQ(error.message(), message);
            EXPECT_EQ(error.nativeError(), 0);
        }
        server.failures["GetUpdateShellCommand"] = E_FAIL;
        EXPECT_EQ(thrown([&] { info.GetUpdateShellCommand(); }).code(), 256);
    }
}

TEST(AnsiText, BstrsConvertThroughTheCodePage) {
    qmplatform::com::Bstr text(L"Caf\u00e9 \u20ac");
    EXPECT_EQ(ansiFromBstr(text.get()), "Caf\xe9 \x80");
    EXPECT_EQ(ansiFromBstr(nullptr), "");
    qmplatform::com::Bstr back;
    back.reset(bstrFromAnsi("Caf\xe9"));
    EXPECT_EQ(back.wide(), L"Caf\u00e9");
}

} // namespace
