// Records whose bytes two kinds of the same size read, and files too long to load.
#include "drf/DrfBuilder.h"
#include "TestSupport.h"

#include "drf/DrfDocument.h"
#include "drf/EditorValues.h"
#include "drf/Status.h"

#include <gtest/gtest.h>

namespace drf {
namespace {

using drf::test::entryOffset;
using drf::test::peek;
using drf::test::readFile;
using drf::test::tempDir;
using drf::testing::DrfBuilder;

// Kinds of generations 1-3 that have the same record size.
struct KindPair {
    std::uint32_t first, second; // kind indexes, first < second
    const char* firstKey;        // a key of each kind that lies inside the shared bytes
    const char* secondKey;
};
constexpr KindPair kResolutionsAndPreview{1, 4, "TrackSpacingNM", "ForegroundRed"};
constexpr KindPair kEnhancementAndTracking{2, 5, "Smoothing", "TrackOutward"};

// Two modes; in each, both kinds of both pairs read one record.
DrfBuilder sharedPairs(std::uint32_t generation) {
    DrfBuilder b;
    b.formatVersion(generation).mode(101, 1).mode(102, 1);
    b.sameRecord(kResolutionsAndPreview.second, kResolutionsAndPreview.first);
    b.sameRecord(kEnhancementAndTracking.second, kEnhancementAndTracking.first);
    return b;
}

std::int64_t valueOf(DrfDocument& doc, const std::filesystem::path& path, std::uint16_t media,
                     std::string_view kind, std::string_view key) {
    std::unique_ptr<PrintEngineResourcesImpl> set;
    EXPECT_EQ(doc.GetResources(path, media, 1, set), kResultOk);
    const ResourcePart* part = set ? set->part(kind) : nullptr;
    EXPECT_NE(part, nullptr) << kind;
    std::int64_t v = -1;
    if (part) {
        EXPECT_EQ(part->value(key, v), kOk) << kind << "." << key;
    }
    return v;
}

struct EditCase {
    std::uint32_t generation;
    KindPair pair;
    bool throughSecond; // edit through the later kind of the pair
};

class SharedKinds : public ::testing::TestWithParam<EditCase> {};

TEST_P(SharedKinds, EachSlotReadsWithItsOwnKeyTable) {
    const EditCase c = GetParam();
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(sharedPairs(c.generation).build(), "x.bin"), kOk);
    const LibraryFactory& engine = *doc.library(kPrintEngineSection);
    const PrintModeInfo& mode = *engine.printModes()[0];
    const ResourceRecord& first = *mode.record(c.pair.first);
    const ResourceRecord& second = *mode.record(c.pair.second);
    ASSERT_EQ(first.data, second.data);
    for (std::uint32_t kind : {c.pair.first, c.pair.second}) {
        const auto keys = engine.keyTable(*mode.record(kind));
        ASSERT_EQ(keys.data(), engine.kind(kind)->keys.data()) << engine.kindName(kind);
        EXPECT_EQ(engine.keyCount(*mode.record(kind)), engine.kind(kind)->keyCount());
    }
}

TEST_P(SharedKinds, AnEditThroughOneKindSurvivesSaveAndReload) {
    const EditCase c = GetParam();
    const auto dir = tempDir("shared" + std::to_string(c.generation) + "_" + std::to_string(c.pair.first) +
                             (c.throughSecond ? "b" : "a"));
    const auto path = dir / "drive.bin";
    sharedPairs(c.generation).write(path);
    const std::uint32_t edited = c.throughSecond ? c.pair.second : c.pair.first;
    const char* key = c.throughSecond ? c.pair.secondKey : c.pair.firstKey;

    DrfDocument doc;
    ASSERT_EQ(doc.Load(path), kOk);
    const std::string kind(doc.library(kPrintEngineSection)->kindName(edited));
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources(path, 101, 1, set), kResultOk);
    std::int64_t before = 0;
    ASSERT_EQ(set->part(kind)->value(key, before), kOk);
    const std::int64_t wanted = before == 77 ? 78 : 77;
    ASSERT_EQ(set->part(kind)->setValue(key, wanted), kOk);
    ASSERT_EQ(doc.SetResources(101, 1, *set), kResultOk);
    ASSERT_EQ(doc.Save(path), kResultOk);

    DrfDocument reloaded;
    EXPECT_EQ(valueOf(reloaded, path, 101, kind, key), wanted);
    // Still one record for both kinds, placed once.
    const auto saved = readFile(path);
    const std::size_t entrySize = findLibraryLayout(5, c.generation)->entrySize;
    const auto& slots = findLibraryLayout(5, c.generation)->entrySlots;
    for (std::size_t m = 0; m < 2; ++m) {
        const std::size_t entry = entryOffset(saved, 5, entrySize, m);
        EXPECT_EQ(peek<std::uint32_t>(saved, entry + 4u * slots[c.pair.first]),
                  peek<std::uint32_t>(saved, entry + 4u * slots[c.pair.second]));
    }
    EXPECT_EQ(saved.size(), sharedPairs(c.generation).build().size());
}

std::vector<EditCase> editCases() {
    std::vector<EditCase> cases;
    for (std::uint32_t generation : {1u, 2u, 3u}) {
        for (const KindPair& pair : {kResolutionsAndPreview, kEnhancementAndTracking}) {
            cases.push_back({generation, pair, false});
            cases.push_back({generation, pair, true});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pairs, SharedKinds, ::testing::ValuesIn(editCases()), [](const auto& info) {
    const EditCase& c = info.param;
    return "Gen" + std::to_string(c.generation) + "Kinds" + std::to_string(c.pair.first) + "And" +
           std::to_string(c.pair.second) + (c.throughSecond ? "EditSecond" : "EditFirst");
});

TEST(SharedRecords, EditorValuesInSharedRecordsAreKept) {
    // The editors write Track Spacing (ResolutionsFile) and Host Dynamic Track
    // Shifting (TrackingFile); the kinds sharing those records carry none of the
    // editor values and must not write their stale copies back.
    const auto dir = tempDir("shared_editor");
    const auto path = dir / "drive.bin";
    sharedPairs(3).write(path);
    DrfDocument doc;
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources(path, 102, 1, set), kResultOk);
    EditorValueArray values{};
    ASSERT_EQ(readEditorValues(*set, 3, values), kResultOk);
    values[kTrackSpacing] = 1600;
    values[kHostDynamicTrackShifting] = values[kHostDynamicTrackShifting] == 1 ? 0 : 1;
    ASSERT_EQ(writeEditorValues(*set, 3, values), kResultOk);
    ASSERT_EQ(doc.SetResources(102, 1, *set), kResultOk);
    ASSERT_EQ(doc.Save(path), kResultOk);

    DrfDocument reloaded;
    ASSERT_EQ(reloaded.GetResources(path, 102, 1, set), kResultOk);
    EditorValueArray again{};
    ASSERT_EQ(readEditorValues(*set, 3, again), kResultOk);
    EXPECT_EQ(again, values);
}

TEST(SharedRecords, TwoChangedKindsInOneSetAreRefusedAndNothingIsWritten) {
    DrfDocument doc;
    const auto image = sharedPairs(2).build();
    ASSERT_EQ(doc.loadImage(image, "x.bin"), kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    ASSERT_EQ(set->getResolutionsFile()->setValue("MarkSpacingNM", 5), kOk);
    ASSERT_EQ(set->getPrintPreviewFile()->setValue("BackgroundRed", 6), kOk);
    ASSERT_EQ(set->getColorsFile()->setValue("Brightness", -3), kOk); // a record of its own
    EXPECT_EQ(doc.SetResources(101, 1, *set), kResultBadData);
    EXPECT_EQ(doc.lastStatus(), kCorrupt);
    // Mode 101's records: ConfigurationFile (28 bytes), then the shared one.
    EXPECT_EQ(doc.lastReason(), "the record at offset 28 of section 5 (PrintEngineFactory) is shared by "
                                "ResolutionsFile and PrintPreviewFile, and both were changed");
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(doc.serialize(saved), kOk);
    EXPECT_EQ(saved, image);
}

TEST(SharedRecords, ChangesThroughBothKindsSinceTheLastSaveRefuseTheSave) {
    const auto dir = tempDir("shared_conflict");
    const auto path = dir / "drive.bin";
    sharedPairs(1).write(path);
    DrfDocument doc;
    std::unique_ptr<PrintEngineResourcesImpl> set;
    auto change = [&](std::string_view kind, std::string_view key, std::int64_t value) {
        ASSERT_EQ(doc.GetResources(path, 102, 1, set), kResultOk);
        ASSERT_EQ(set->part(kind)->setValue(key, value), kOk);
        ASSERT_EQ(doc.SetResources(102, 1, *set), kResultOk);
    };
    // One kind at a time, each saved: after a save, a change through the other
    // kind is a change like any other.
    change("TrackingFile", "TrackDirCW", 1);
    ASSERT_EQ(doc.Save(path), kResultOk);
    change("ImageEnhancementFile", "Contrast", -9);
    ASSERT_EQ(doc.Save(path), kResultOk);
    const auto saved = readFile(path);
    DrfDocument reloaded;
    EXPECT_EQ(valueOf(reloaded, path, 102, "ImageEnhancementFile", "Contrast"), -9);

    // Both kinds changed, in two steps, before the next save.
    change("TrackingFile", "TrackModeCLV", 1);
    change("ImageEnhancementFile", "Scaling", 5);
    EXPECT_EQ(doc.Save(path), kResultBadData);
    EXPECT_EQ(doc.lastStatus(), kCorrupt);
    // Mode 101 holds 28 + 40 + 36 + 44 + 88 bytes of its own records first (the
    // pairs' second kinds take no space); mode 102's shared one follows its
    // ConfigurationFile and ResolutionsFile.
    EXPECT_EQ(doc.lastReason(),
              "the record at offset " + std::to_string(236 + 28 + 40) +
                  " of section 5 (PrintEngineFactory) is shared by ImageEnhancementFile and "
                  "TrackingFile, and both were changed");
    EXPECT_EQ(readFile(path), saved);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(doc.serialize(bytes), kCorrupt);
}

// ---- file length ----------------------------------------------------------------------

TEST(FileLength, AboveTheLimitIsRefusedWithAReason) {
    const auto dir = tempDir("length");
    struct Case {
        std::uint64_t length;
        int status;
        std::string reason;
    };
    const Case cases[] = {
        // Read whole (the file is sparse, all zeros): the signature refuses it.
        {kMaxDrfFileSize, kCorrupt, ""},
        {kMaxDrfFileSize + 1, kOutOfMemory,
         "the file is 268435457 bytes long; drive resource files above 256 MiB are refused"},
    };
    for (const Case& c : cases) {
        const auto path = dir / "long.bin";
        std::ofstream(path, std::ios::binary).put('\xDC');
        std::filesystem::resize_file(path, c.length);
        DrfDocument doc;
        EXPECT_EQ(doc.Load(path), c.status) << c.length;
        EXPECT_EQ(doc.lastReason(), c.reason);
        EXPECT_FALSE(doc.isLoaded());
        std::uint16_t id = 0;
        EXPECT_EQ(doc.GetDriveId(path, id), toResult(c.status));
        std::filesystem::remove(path);
    }
}

} // namespace
} // namespace drf
