#include "drf/DrfBuilder.h"

#include "drf/DrfDocument.h"
#include "drf/KeyTables.h"
#include "drf/Status.h"

#include <gtest/gtest.h>

namespace drf {
namespace {

using drf::testing::DrfBuilder;

struct Lookup {
    const char* name;
    std::uint16_t media;
    std::uint16_t quality;
    int readStatus;
    int writeStatus;
};

class PrintModeLookup : public ::testing::TestWithParam<Lookup> {
protected:
    // Header drive 111; modes: (101,1), (101,0) not available, (102,2), media 104 listed
    // as unsupported but with a mode, 105 supported without any mode.
    static std::vector<std::uint8_t> image() {
        return DrfBuilder()
            .mode(101, 1)
            .mode(101, 0, 0)
            .mode(102, 2)
            .mode(104, 1)
            .unsupported(104)
            .supported({101, 102, 105})
            .build();
    }
};

TEST_P(PrintModeLookup, ReadAndWriteRules) {
    const Lookup& l = GetParam();
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(image(), "x.bin"), kOk);
    PrintModeInfo* mode = nullptr;
    EXPECT_EQ(doc.findPrintModeForRead(l.media, l.quality, mode), l.readStatus);
    EXPECT_EQ(doc.FindPrintMode("x.bin", l.media, l.quality, mode), toResult(l.readStatus));
    EXPECT_EQ(doc.findPrintModeForWrite(l.media, l.quality, mode), l.writeStatus);
    if (l.writeStatus == kOk) {
        EXPECT_EQ(mode->key().mediaId, l.media);
        EXPECT_EQ(mode->key().qualityId, l.quality);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PrintModeLookup,
    ::testing::Values(Lookup{"Found", 101, 1, kOk, kOk}, Lookup{"NotAvailable", 101, 0, kNoData, kNoData},
                      Lookup{"QualityMissingForKnownMedia", 101, 2, kNoData, kNoData},
                      Lookup{"UnknownMedia", 103, 1, kHeaderCheckFailed, kHeaderCheckFailed},
                      Lookup{"SupportedWithoutMode", 105, 1, kHeaderCheckFailed, kHeaderCheckFailed},
                      Lookup{"UnsupportedMedia", 104, 1, kMediaUnsupported, kOk}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrintModeLookupDrive, HeaderDriveDifferentFromTheSectionsFailsReadsButNotWrites) {
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(DrfBuilder().driveId(111).sectionDriveId(112).mode(101, 1).build(), "x.bin"),
              kOk);
    PrintModeInfo* mode = nullptr;
    EXPECT_EQ(doc.findPrintModeForRead(101, 1, mode), kNoData);
    EXPECT_EQ(doc.findPrintModeForRead(102, 1, mode), kHeaderCheckFailed);
    EXPECT_EQ(doc.findPrintModeForWrite(101, 1, mode), kOk);
    EXPECT_EQ(mode->key().driveId, 112);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    EXPECT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultNoData);
}

TEST(PrintModeLookupOrder, FirstOfTwoModesWithTheSameMediaAndQualityWins) {
    DrfDocument doc;
    const auto image =
        DrfBuilder().mode(101, 1).mode(101, 1).value(101, 1, "ResolutionsFile", "RenderRes", 600).build();
    ASSERT_EQ(doc.loadImage(image, "x.bin"), kOk);
    PrintModeInfo* read = nullptr;
    PrintModeInfo* write = nullptr;
    ASSERT_EQ(doc.findPrintModeForRead(101, 1, read), kOk);
    ASSERT_EQ(doc.findPrintModeForWrite(101, 1, write), kOk);
    EXPECT_EQ(read, doc.library(5)->printModes()[0].get());
    EXPECT_EQ(write, read);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    std::int64_t res = 0;
    EXPECT_EQ(set->getResolutionsFile()->value("RenderRes", res), kOk);
    EXPECT_EQ(res, 600);
}

TEST(PrintModeKeys, EqualOnlyWhenAllFourMembersAre) {
    const PrintModeKey key(111, 1, 101, 1);
    EXPECT_EQ(key, PrintModeKey(111, 1, 101, 1));
    EXPECT_FALSE(key == PrintModeKey(112, 1, 101, 1));
    EXPECT_FALSE(key == PrintModeKey(111, 0, 101, 1));
    EXPECT_FALSE(key == PrintModeKey(111, 1, 102, 1));
    EXPECT_FALSE(key == PrintModeKey(111, 1, 101, 0));
}

TEST(Qualities, FactoryNamesAndValues) {
    const std::pair<std::uint16_t, std::string_view> toName[] = {
        {0, "best"}, {1, "normal"}, {2, "draft"}, {3, "invalid"}, {4, "invalid"}, {65535, "invalid"}};
    for (auto [value, name] : toName)
        EXPECT_EQ(qualityValueToName(value), name) << value;
    const std::pair<std::string_view, std::uint16_t> toValue[] = {
        {"best", 0}, {"normal", 1}, {"draft", 2}, {"invalid", 4}, {"marvelous", 4}, {"Best", 4}, {"", 4}};
    for (auto [name, value] : toValue)
        EXPECT_EQ(qualityNameToValue(name), value) << name;
    auto factory = createLibraryFactory(5, 1, nullptr);
    EXPECT_EQ(factory->qualityName(2), "draft");
    EXPECT_EQ(factory->qualityValue("marvelous"), 4);
}

TEST(Qualities, EditorListAndShownNames) {
    ASSERT_EQ(kEditorQualities.size(), 3u);
    EXPECT_EQ(kEditorQualities[0].name, "Draft");
    EXPECT_EQ(kEditorQualities[1].name, "Normal");
    EXPECT_EQ(kEditorQualities[2].name, "Best");
    EXPECT_EQ(editorQualityValue("Draft"), 2);
    EXPECT_EQ(editorQualityValue("Normal"), 1);
    EXPECT_EQ(editorQualityValue("Best"), 0);
    EXPECT_EQ(editorQualityValue("best"), 1);
    EXPECT_EQ(editorQualityValue("Marvelous"), 1);
    EXPECT_EQ(editorQualityName(0), "Best");
    EXPECT_EQ(editorQualityName(4), "");
}

} // namespace
} // namespace drf
