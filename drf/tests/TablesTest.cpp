// Checks the format tables themselves: sizes add up, offsets in order, names unique,
// and the figures the file format fixes.
#include "drf/DrfHeader.h"
#include "drf/EditorValues.h"
#include "drf/KeyTables.h"
#include "drf/LibraryFactory.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace drf {
namespace {

struct KindFigures {
    std::string_view name;
    std::uint32_t keyCount;
    std::uint32_t recordSize;
};

struct LayoutFigures {
    int type;
    std::uint32_t generation;
    std::uint32_t entrySize;
    std::vector<KindFigures> kinds;
};

const std::vector<LayoutFigures>& expectedLayouts() {
    static const std::vector<LayoutFigures> layouts = [] {
        const std::vector<KindFigures> pe16 = {{"ConfigurationFile", 1, 28},    {"ResolutionsFile", 4, 40},
                                               {"ImageEnhancementFile", 6, 36}, {"ColorsFile", 13, 44},
                                               {"PrintPreviewFile", 7, 40},     {"TrackingFile", 6, 36}};
        auto gen1 = pe16;
        gen1.push_back({"MarkingFile", 19, 88});
        auto gen2 = pe16;
        gen2.push_back({"Marking2File", 22, 96});
        auto gen3 = gen2;
        gen3.push_back({"FeaturesFile", 25, 52});
        const KindFigures mask{"", 4, 52}, flags{"", 3, 48};
        std::vector<KindFigures> lorvane;
        for (std::string_view colour : {"Black", "Cyan", "Magenta", "Yellow"}) {
            (void)colour;
            lorvane.push_back(mask);
            lorvane.push_back(flags);
        }
        lorvane.push_back({"TrackAdvanceFile", 4, 44});
        const std::vector<KindFigures> pendrithe = {{"ConfigurationFile", 20, 48},
                                                    {"HighColorMapFile", 12, 19736},
                                                    {"LowColorMapFile", 12, 19736},
                                                    {"InterpHelperFile", 2, 8220},
                                                    {"DepletionMapFile", 2, 48},
                                                    {"GrayCurveFile", 2, 284},
                                                    {"KBreakpointFile", 2, 1052},
                                                    {"CBreakpointFile", 2, 1052},
                                                    {"MBreakpointFile", 2, 1052},
                                                    {"YBreakpointFile", 2, 1052},
                                                    {"TenBitTableFile", 2, 2076},
                                                    {"ThresholdFile", 2, 284},
                                                    {"SFEDWeightsFile", 2, 796},
                                                    {"DitherMatrixFile", 8, 16424},
                                                    {"PhotocopyFaxFile", 8, 16424},
                                                    {"TDWeightsFile", 2, 1052},
                                                    {"TDT1T2File", 2, 540},
                                                    {"TDDBSMidFile", 2, 16412},
                                                    {"LinearizationFile", 2, 540},
                                                    {"LinThreshFile", 2, 44},
                                                    {"WideHighColorMapFile", 12, 19736},
                                                    {"WideLowColorMapFile", 12, 19736}};
        return std::vector<LayoutFigures>{
            {5, 1, 40, gen1},
            {5, 2, 44, gen2},
            {5, 3, 44, gen3},
            {5,
             4,
             24,
             {{"DriveDataFile", 32, 116}, {"DriveMediaDataFile", 30, 92}, {"PrintModeDataFile", 26, 104}}},
            {4, 1, 16, {{"ConfigurationFile", 1, 28}}},
            {3, 1, 16, {{"ThresholdsFile", 5, 68}}},
            {2, 1, 48, lorvane},
            {1, 1, 100, pendrithe},
        };
    }();
    return layouts;
}

TEST(Tables, EveryLibraryHasTheKindsSizesAndEntrySizeOfTheFormat) {
    ASSERT_EQ(allLibraryLayouts().size(), expectedLayouts().size());
    for (const auto& expected : expectedLayouts()) {
        SCOPED_TRACE("type " + std::to_string(expected.type) + " generation " +
                     std::to_string(expected.generation));
        const LibraryLayout* layout = findLibraryLayout(expected.type, expected.generation);
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(layout->entrySize, expected.entrySize);
        ASSERT_EQ(layout->kinds.size(), expected.kinds.size());
        for (std::size_t k = 0; k < expected.kinds.size(); ++k) {
            if (!expected.kinds[k].name.empty()) {
                EXPECT_EQ(layout->kinds[k].name, expected.kinds[k].name);
            }
            EXPECT_EQ(layout->kinds[k].keyCount(), expected.kinds[k].keyCount) << layout->kinds[k].name;
            EXPECT_EQ(layout->kinds[k].recordSize, expected.kinds[k].recordSize) << layout->kinds[k].name;
        }
    }
}

TEST(Tables, KeyTablesTileTheirRecordsInOffsetOrderAndEndWithTheIdentity) {
    for (const auto& layout : allLibraryLayouts()) {
        std::set<std::string_view> kindNames;
        for (std::size_t k = 0; k < layout.kinds.size(); ++k) {
            const ResourceFileKind& kind = layout.kinds[k];
            SCOPED_TRACE(std::string(layout.factoryName) + " " + std::string(kind.name));
            EXPECT_EQ(kind.kindIndex, k);
            EXPECT_TRUE(kindNames.insert(kind.name).second);
            ASSERT_FALSE(kind.keys.empty());
            const KeyDescriptor& last = kind.keys.back();
            EXPECT_EQ(last.type, kTypeIdentity);
            EXPECT_EQ(last.count, 1u);
            EXPECT_FALSE(last.named());
            EXPECT_EQ(kind.recordSize, last.offset + kRecordIdentitySize);
            EXPECT_EQ(kind.recordSize % 4, 0u);
            std::set<std::string_view> keyNames;
            std::uint32_t end = 0;
            for (const auto& key : kind.keys) {
                EXPECT_GE(key.offset, end) << key.name << " overlaps the key before it";
                EXPECT_GT(elementWidth(key.type), 0u) << key.name;
                EXPECT_EQ(key.offset % std::min<std::uint32_t>(elementWidth(key.type), 4), 0u) << key.name;
                end = key.offset + key.byteSize();
                if (key.named()) {
                    EXPECT_TRUE(keyNames.insert(key.name).second) << key.name;
                }
            }
            EXPECT_EQ(end, kind.recordSize);
        }
    }
}

TEST(Tables, EntrySlotsAreDistinctAndInsideTheEntry) {
    for (const auto& layout : allLibraryLayouts()) {
        SCOPED_TRACE(std::string(layout.factoryName));
        ASSERT_EQ(layout.slots.size(), layout.kinds.size());
        std::set<std::uint8_t> used;
        for (std::uint8_t slot : layout.slots) {
            EXPECT_GE(slot * 4u, kEntryFixedSize);
            EXPECT_LE(slot * 4u + 4, layout.entrySize);
            EXPECT_TRUE(used.insert(slot).second);
        }
    }
    // The two layouts whose slots are not in kind order.
    const LibraryLayout* lorvane = findLibraryLayout(2, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(lorvane->slots.begin(), lorvane->slots.end()),
              (std::vector<std::uint8_t>{3, 4, 7, 8, 5, 6, 9, 10, 11}));
    EXPECT_EQ(findLibraryLayout(5, 2)->slots.back(), 10);
}

template <std::size_t N, typename Row>
void expectTiled(const std::array<Row, N>& rows, std::uint32_t total, std::uint32_t (*size)(const Row&)) {
    std::uint32_t next = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(row.offset, next) << row.name;
        next = row.offset + size(row);
    }
    EXPECT_EQ(next, total);
}

TEST(Tables, FixedStructuresTileTheirBytes) {
    expectTiled(
        kHeaderFields, kDrfHeaderSize, +[](const HeaderFieldSpec& r) { return r.width * r.count; });
    expectTiled(
        kSectionHeaderFields, kSectionHeaderSize, +[](const FieldSpec& r) { return r.size; });
    expectTiled(
        kEntryFields, kEntryFixedSize, +[](const FieldSpec& r) { return r.size; });
    EXPECT_LT(kNoticeText.size(), kNoticeSize);
}

TEST(Tables, KeyLayoutsThatEditorsDependOn) {
    struct Probe {
        std::uint32_t generation, kind;
        std::string_view key;
        std::uint8_t type;
        std::uint32_t offset;
    };
    const Probe probes[] = {
        {2, 6, "TrkLenRndMode", kTypeU8, 60},      {2, 6, "FocusOffset", kTypeI32, 64},
        {1, 6, "AccumulatePasses", kTypeU8, 59},   {3, 7, "EnableSpiralHostSeamModulation", kTypeU8, 1},
        {3, 7, "Reserved22", kTypeU8, 23},         {4, 0, "EnableSeamModulation", kTypeU8, 51},
        {4, 0, "Reserved09", kTypeI32, 72},        {4, 1, "UseFDflt", kTypeU8, 24},
        {4, 1, "Reserved05", kTypeU32, 32},        {4, 2, "TrackSpacingNM", kTypeU32, 24},
        {4, 2, "Smoothing", kTypeI8, 36},          {1, 3, "InkLevelLow", kTypeI8, 13},
        {1, 5, "PerTrackShiftAngle", kTypeI32, 0}, {1, 4, "ForegroundBlue", kTypeU16, 10},
    };
    for (const auto& p : probes) {
        const KeyDescriptor* key = printEngineKinds(p.generation)[p.kind].findKey(p.key);
        ASSERT_NE(key, nullptr) << p.key;
        EXPECT_EQ(key->type, p.type) << p.key;
        EXPECT_EQ(key->offset, p.offset) << p.key;
    }
}

TEST(Tables, EveryEditorValueSourceNamesAKeyOfItsWidth) {
    std::set<std::string_view> labels;
    for (const auto& value : kEditorValues) {
        EXPECT_TRUE(labels.insert(value.label).second) << value.label;
        int sources = 0;
        for (const auto& source : value.sources) {
            if (source.part.empty())
                continue;
            ++sources;
            const KeyDescriptor* found = nullptr;
            for (std::uint32_t generation = 1; generation <= 4 && !found; ++generation) {
                for (const auto& kind : printEngineKinds(generation)) {
                    if (kind.name == source.part)
                        found = kind.findKey(source.key);
                }
            }
            ASSERT_NE(found, nullptr) << source.part << "." << source.key;
            const std::uint8_t expected = value.width == ValueWidth::U8    ? kTypeU8
                                          : value.width == ValueWidth::U32 ? kTypeU32
                                                                           : kTypeI32;
            EXPECT_EQ(found->type, expected) << source.part << "." << source.key;
        }
        EXPECT_GE(sources, 2) << value.label;
    }
}

} // namespace
} // namespace drf
