// The client core against the DiscPrintMgr stand-in, created by CLSID through
// COM as diagtool creates it: natively through the suite's runtime, and under
// Wine through the system's COM with the server as a Windows DLL.
#include "diagtool/client/DriveCore.h"
#include "ServerWorld.h"

#include "jobfile/JobFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace QMRT;
using ::testing::ElementsAre;
using Json = nlohmann::ordered_json;

Json driveJson(const char* path, const char* name, Json media) {
    return Json{{"path", path}, {"displayName", name}, {"media", std::move(media)}};
}

Json mediaJson(int imagingParameter, int shapeAndSize = 0) {
    return Json{{"imagingParameter", imagingParameter},
                {"shapeAndSize", shapeAndSize},
                {"value1", 7},
                {"bytes", {1, 2, 3, 4, 5, 6}}};
}

class ClientServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        world = makeServerWorld();
    }
    void TearDown() override {
        EXPECT_EQ(world->serverObjects(), 0) << "references not given back";
        world.reset();
        CoUninitialize();
    }
    static std::optional<QMRT_MediaInformation> detect(const std::string& path) {
        QMRT_MediaInformation info;
        if (detectMedia(path, info, true)) {
            return info;
        }
        return std::nullopt;
    }
    std::unique_ptr<ServerWorld> world;
};

TEST_F(ClientServerTest, TwoDrivesWithMedia) {
    world->setServerSettings(Json{{"drives",
                                   {driveJson("E", "Quillmark QLD-2400", mediaJson(12)),
                                    driveJson("F", "Spare", mediaJson(0xFFFF - 65536))}}});
    EXPECT_EQ(countDrives(), 2);
    EXPECT_THAT(scanDrivesAndMedia(detect),
                ElementsAre("Drive 0 : Quillmark QLD-2400 (E:), Media Imaging Parameter : 12",
                            "Drive 1 : Spare (F:), Media Imaging Parameter : -1"));
    QMRT_MediaInformation info;
    ASSERT_TRUE(detectMedia("E", info, false));
    EXPECT_EQ(info.value1, 7);
    EXPECT_EQ(info.bytes[5], 6);
}

TEST_F(ClientServerTest, NoDrivesAndFailures) {
    world->setServerSettings(Json::object());
    EXPECT_EQ(countDrives(), 0);
    EXPECT_TRUE(scanDrivesAndMedia(detect).empty());

    world->setServerSettings(Json{{"failures", {{"EnumDiscPrinters", "0xC0041087"}}}});
    EXPECT_THAT(scanDrivesAndMedia(detect), ElementsAre("An expection occurred enumerating drives"));
    try {
        countDrives();
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 4231);
        EXPECT_EQ(error.message(), "pDiscPrintMgr->EnumDiscPrinters() failed");
    }
}

TEST_F(ClientServerTest, BrokenDrives) {
    Json invalid = driveJson("G", "Broken", mediaJson(3));
    invalid["failures"] = {{"Validate", "0xC004022B"}};
    world->setServerSettings(Json{{"drives", {invalid, driveJson("H", "Empty", nullptr)}}});
    const std::vector<DriveInfo> drives = enumerateDrives();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_FALSE(drives[0].validated);
    EXPECT_TRUE(drives[1].validated);
    EXPECT_THAT(scanDrivesAndMedia(detect), ElementsAre("Drive 0 : Broken (G:), No media detected",
                                                        "Drive 1 : Empty (H:), No media detected"));
}

TEST_F(ClientServerTest, DetectionClosesTheTray) {
    Json open = driveJson("E", "Open", mediaJson(5));
    open["tray"] = "open";
    world->setServerSettings(Json{{"drives", {open}}});
    QMRT_MediaInformation info;
    EXPECT_FALSE(detectMedia("E", info, false));
    EXPECT_EQ(world->serverSettings()["drives"][0]["tray"], "open");
    ASSERT_TRUE(detectMedia("E", info, true));
    EXPECT_EQ(info.imagingParameter, 5);
    EXPECT_EQ(world->serverSettings()["drives"][0]["tray"], "closed");
}

TEST_F(ClientServerTest, DriveRemovedBeforeDetection) {
    world->setServerSettings(Json{{"drives", {driveJson("E", "Gone", mediaJson(1))}}});
    const std::vector<DriveInfo> drives = enumerateDrives();
    ASSERT_EQ(drives.size(), 1u);
    world->setServerSettings(Json{{"drives", Json::array()}});
    QMRT_MediaInformation info;
    EXPECT_FALSE(detectMedia(drives[0].path, info, true));
    try {
        findDriveByPath("E");
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 563);
    }
}

TEST_F(ClientServerTest, OneDrivesValues) {
    Json drive = driveJson("E", "Values", mediaJson(1, 3));
    drive["vendor"] = "Quillmark";
    drive["product"] = "QLD-2400";
    drive["capabilities"] = 2;
    drive["innerRadius"] = 15000;
    drive["outerRadius"] = 59000;
    world->setServerSettings(
        Json{{"drives", {drive}}, {"updateShellCommand", "https://example.invalid/qms"}});
    EXPECT_EQ(getUpdateShellCommand(), "https://example.invalid/qms");
    auto printer = findDriveByPath("E");
    EXPECT_EQ(printer->GetPrinterVendorName(), "Quillmark");
    EXPECT_EQ(printer->GetPrinterProductName(), "QLD-2400");
    EXPECT_EQ(printer->GetPrinterCapabilities(), 2);
    EXPECT_EQ(printer->GetDriveInnerRadius(), 15000);
    EXPECT_EQ(printer->GetDriveOuterRadius(), 59000);
    EXPECT_GT(printer->GetLabelRegionOuterRadius(QMRT_LABEL_FULL, QMRT_OPTIMIZE_NONE),
              printer->GetLabelRegionInnerRadius(QMRT_LABEL_FULL, QMRT_OPTIMIZE_NONE));
    try {
        printer->GetCurrentMedia(QMRT_OPTIMIZE_MEDIA);
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 258);
        EXPECT_EQ(error.message(), "Unknown ShapeAndSize");
    }
    printer->LockDriveTray();
    try {
        printer->OpenDriveTray();
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 554); // QMCAPI_E_DRIVE_TRAY_LOCKED
    }
    printer->UnlockDriveTray();
    printer->OpenDriveTray();
    EXPECT_EQ(world->serverSettings()["drives"][0]["tray"], "open");
    printer->Destroy();
}

// A 24-bit bottom-up picture: a black disc on white.
struct Picture {
    std::vector<std::uint8_t> header = std::vector<std::uint8_t>(40, 0);
    std::vector<std::uint8_t> bits;
    explicit Picture(int side) {
        auto put = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                header[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        };
        put(0, 40);
        put(4, static_cast<std::uint32_t>(side));
        put(8, static_cast<std::uint32_t>(side));
        header[12] = 1;
        header[14] = 24;
        const std::size_t stride = ((static_cast<std::size_t>(side) * 24 + 31) / 32) * 4;
        bits.assign(stride * static_cast<std::size_t>(side), 0xFF);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const int dx = 2 * x - side, dy = 2 * y - side;
                if (dx * dx + dy * dy < side * side / 4) {
                    std::fill_n(bits.begin() +
                                    static_cast<std::ptrdiff_t>(stride * static_cast<std::size_t>(y) +
                                                                static_cast<std::size_t>(x) * 3),
                                3, 0);
                }
            }
        }
    }
    int headerLength() const { return static_cast<int>(header.size()); }
    int bitsLength() const { return static_cast<int>(bits.size()); }
};

struct Progress final : QMRTCallbacks {
    bool QueryAbort() override { return abort; }
    void OnProgressA(int done, int total) override { a.emplace_back(done, total); }
    void OnProgressB(int done, int total) override { b.emplace_back(done, total); }
    void OnComplete(std::int32_t status) override { complete.push_back(status); }
    void OnValue(int) override {}
    bool abort = false;
    std::vector<std::pair<int, int>> a, b;
    std::vector<std::int32_t> complete;
};

TEST_F(ClientServerTest, PrintSessionWritesAJobAndAPreview) {
    world->setServerSettings(Json{{"drives", {driveJson("E", "Printer", mediaJson(1))}}});
    const std::filesystem::path spool = world->hostPath(L"C:\\ProgramData\\Quillmark\\Spool");
    std::filesystem::remove_all(spool);
    const Picture picture(32);
    Progress progress;
    {
        auto printer = findDriveByPath("E");
        auto session = printer->OpenPrintSession();
        session->SetProgressCallback(&progress);
        session->PrintDisc(QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DRAW_CENTERED, QMRT_QUALITY_DRAFT,
                           QMRT_OPTIMIZE_NONE, picture.header.data(), picture.headerLength(),
                           picture.bits.data(), picture.bitsLength());
        ASSERT_FALSE(progress.a.empty());
        EXPECT_EQ(progress.a.front().first, 0);
        EXPECT_EQ(progress.a.back().first, progress.a.back().second);
        EXPECT_GT(progress.a.back().second, 100); // tracks
        ASSERT_EQ(progress.b.size(), 1u);
        EXPECT_THAT(progress.complete, ElementsAre(1));
        const std::filesystem::path job = spool / "label-0001.tolm";
        ASSERT_TRUE(std::filesystem::exists(job));
        EXPECT_EQ(static_cast<int>(std::filesystem::file_size(job)), progress.b[0].first);
        std::ifstream in(job, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        JobFile::Job parsed;
        std::string error;
        ASSERT_TRUE(JobFile::parseJob(bytes.data(), bytes.size(), parsed, &error)) << error;
        EXPECT_EQ(static_cast<int>(parsed.tracks.size()), progress.a.back().second);

        // Cancelled: fails as aborted and leaves no second job.
        progress.abort = true;
        try {
            session->PrintDisc(QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DRAW_CENTERED, QMRT_QUALITY_DRAFT,
                               QMRT_OPTIMIZE_NONE, picture.header.data(), picture.headerLength(),
                               picture.bits.data(), picture.bitsLength());
            FAIL();
        } catch (const QMRT_Exception& error) {
            EXPECT_EQ(error.code(), 537);
        }
        EXPECT_FALSE(std::filesystem::exists(spool / "label-0002.tolm"));
        EXPECT_EQ(progress.complete.back(), 537);

        // Rows claimed beyond the bytes given are refused, not read.
        try {
            session->PrintDisc(QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DRAW_CENTERED, QMRT_QUALITY_DRAFT,
                               QMRT_OPTIMIZE_NONE, picture.header.data(), picture.headerLength(),
                               picture.bits.data(), picture.bitsLength() - 1);
            FAIL();
        } catch (const QMRT_Exception& error) {
            EXPECT_EQ(error.code(), 530);
        }

        std::int32_t size[2] = {0, 0};
        session->PrintPreview(QMRT_IMAGE_BITMAP, QMRT_LABEL_TITLE, QMRT_DRAW_CENTERED, QMRT_QUALITY_DRAFT,
                              QMRT_OPTIMIZE_NONE, picture.header.data(), picture.headerLength(),
                              picture.bits.data(), picture.bitsLength(),
                              std::string("C:\\ProgramData\\preview.bmp"), QMRT_IMAGE_BITMAP, size, true);
        EXPECT_EQ(size[0], 32);
        EXPECT_EQ(size[1], 32);
        const std::filesystem::path preview = world->hostPath(L"C:\\ProgramData\\preview.bmp");
        ASSERT_TRUE(std::filesystem::exists(preview));
        EXPECT_EQ(std::filesystem::file_size(preview), 54u + 32u * 32u * 3u);
        session->Destroy();
        printer->Destroy();
    }
}

TEST(ClientWithoutServer, InstantiationFails) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        const std::unique_ptr<ServerWorld> world = makeWorldWithoutServer();
        if (!world) {
            CoUninitialize();
            GTEST_SKIP() << "the system's registry keeps the server registered";
        }
        try {
            countDrives();
            FAIL();
        } catch (const QMRT_Exception& error) {
            EXPECT_EQ(error.code(), 257);
            EXPECT_EQ(error.message(), "instatiation of DiscPrintMgr failed");
            EXPECT_EQ(error.nativeError(), REGDB_E_CLASSNOTREG);
        }
        EXPECT_THAT(scanDrivesAndMedia([](const std::string&) -> std::optional<QMRT_MediaInformation> {
                        return std::nullopt;
                    }),
                    ElementsAre("An expection occurred enumerating drives"));
    }
    CoUninitialize();
}

} // namespace
