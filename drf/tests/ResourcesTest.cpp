#include "drf/DrfBuilder.h"
#include "TestSupport.h"

#include "drf/DrfDocument.h"
#include "drf/EditorValues.h"
#include "drf/Status.h"

#include <gtest/gtest.h>

namespace drf {
namespace {

using drf::test::patch;
using drf::testing::DrfBuilder;
using drf::testing::Share;
using enum PartId;

// ---- factories ------------------------------------------------------------------

TEST(Factories, EachTypeAcceptsOnlyItsGenerations) {
    struct Row {
        int type;
        std::uint32_t generation;
        bool valid;
        std::string_view generationFactory;
    };
    const Row rows[] = {
        {5, 1, true, "PrintEngineFactoryGen1"},
        {5, 2, true, "PrintEngineFactoryGen2"},
        {5, 3, true, "PrintEngineFactoryGen3"},
        {5, 4, true, "PrintEngineFactoryGen4"},
        {5, 5, false, ""},
        {5, 0, false, ""},
        {4, 1, true, "VarmelonFactoryGen1"},
        {3, 1, true, "QuessaFactoryGen1"},
        {2, 1, true, "LorvaneFactoryGen1"},
        {1, 1, true, "PendritheFactoryGen1"},
        {1, 2, false, ""},
        {4, 2, false, ""},
    };
    for (const auto& row : rows) {
        auto factory = createLibraryFactory(row.type, row.generation, nullptr);
        ASSERT_NE(factory, nullptr);
        EXPECT_EQ(factory->isValid(), row.valid) << row.type << "/" << row.generation;
        EXPECT_EQ(factory->sectionType(), row.type);
        if (!row.valid)
            continue;
        auto* generation = dynamic_cast<GenerationFactory*>(
            static_cast<ForwardingFactory*>(factory.get())->generationFactory());
        ASSERT_NE(generation, nullptr);
        EXPECT_EQ(generation->layout().factoryName, row.generationFactory);
        EXPECT_EQ(factory->generation(), row.generation);
        EXPECT_EQ(factory->kindCount(), generation->layout().kinds.size());
        EXPECT_EQ(factory->createPrintMode(PrintModeKey())->kindCount(), factory->kindCount());
    }
    EXPECT_EQ(createLibraryFactory(0, 1, nullptr), nullptr);
    EXPECT_EQ(createLibraryFactory(6, 1, nullptr), nullptr);
}

TEST(Factories, RecordSizesByKindIndex) {
    auto halftone = createLibraryFactory(1, 1, nullptr);
    EXPECT_EQ(halftone->recordSize(13), 16424u);
    EXPECT_EQ(halftone->recordSize(14), 16424u);
    EXPECT_EQ(halftone->recordSize(21), 19736u);
    EXPECT_EQ(halftone->recordSize(22), 0u);
    EXPECT_EQ(halftone->kindName(20), "WideHighColorMapFile");
    EXPECT_EQ(halftone->kindName(22), "");
    EXPECT_EQ(halftone->sectionHeaderSize(3), 144u + 300u);
    EXPECT_EQ(halftone->identitySize(), 28u);
    EXPECT_FALSE(halftone->bigEndian());
    EXPECT_TRUE(halftone->isValidId(65535));
    EXPECT_FALSE(halftone->isValidId(100));
    EXPECT_FALSE(halftone->isValidShortId(4096));
    EXPECT_TRUE(halftone->isValidShortId(4095));
}

TEST(Factories, PrintModeRecordSlotsAreBoundedByTheKindCount) {
    PrintEnginePrintModeGen4 mode(PrintModeKey(111, 1, 101, 1));
    ResourceRecord record;
    EXPECT_EQ(mode.setRecord(3, &record), 3u);
    EXPECT_EQ(mode.record(3), nullptr);
    EXPECT_EQ(mode.setRecord(2, &record), 2u);
    EXPECT_EQ(mode.record(2), &record);
    EXPECT_EQ(PendrithePrintModeGen1(PrintModeKey()).kindCount(), 22u);
    EXPECT_EQ(LorvanePrintModeGen1(PrintModeKey()).kindCount(), 9u);
}

// ---- typed access ------------------------------------------------------------------

TEST(TypedAccess, WidthAndCountChecks) {
    ResourcePart part(printEngineKinds(3)[6]); // Marking2File
    std::uint32_t u32 = 0;
    std::int32_t i32 = 0;
    std::uint8_t u8 = 0;
    EXPECT_EQ(part.set<std::uint32_t>("LaserWritePower", 4000000000u), kOk);
    EXPECT_EQ(part.get("LaserWritePower", u32), kOk);
    EXPECT_EQ(u32, 4000000000u);
    EXPECT_EQ(part.get("LaserWritePower", i32), kTypeMismatch); // u32 key through a signed accessor
    EXPECT_EQ(part.get("FocusOffset", u32), kTypeMismatch);
    EXPECT_EQ(part.set<std::int32_t>("FocusOffset", -7), kOk);
    EXPECT_EQ(part.get("FocusOffset", i32), kOk);
    EXPECT_EQ(i32, -7);
    EXPECT_EQ(part.get("TrkLenRndMode", u8), kOk);
    EXPECT_EQ(part.get("NoSuchKey", u8), kTypeMismatch);
    // Generic values are range-checked against the key's width and sign.
    EXPECT_EQ(part.setValue("TrkLenRndMode", 256), kTypeMismatch);
    EXPECT_EQ(part.setValue("TrkLenRndMode", -1), kTypeMismatch);
    EXPECT_EQ(part.setValue("FocusOffset", -2147483648LL), kOk);
    EXPECT_EQ(part.setValue("FocusOffset", 2147483648LL), kTypeMismatch);
    std::int64_t v = 0;
    EXPECT_EQ(part.value("FocusOffset", v), kOk);
    EXPECT_EQ(v, -2147483648LL);
    EXPECT_EQ(part.bytes()[64], 0x00);
    EXPECT_EQ(part.bytes()[67], 0x80); // little-endian in the part as in the file
}

TEST(TypedAccess, IdentityKeysMustHaveCountOneAndEveryAccessStaysInTheBuffer) {
    std::vector<std::uint8_t> from(40, 0xAB), to(40, 0);
    EXPECT_EQ(copyKey(KeyDescriptor{{}, kTypeIdentity, 2, 0}, from, to), kCountMismatch);
    EXPECT_EQ(copyKey(KeyDescriptor{{}, kTypeIdentity, 1, 12}, from, to), kOk);
    EXPECT_EQ(to[12], 0xAB);
    EXPECT_EQ(to[11], 0x00);
    EXPECT_EQ(copyKey(KeyDescriptor{{}, kTypeIdentity, 1, 13}, from, to), kTypeMismatch);
    EXPECT_EQ(copyKey(KeyDescriptor{"x", 7, 1, 0}, from, to), kTypeMismatch); // unused type code
    std::int64_t v = 0;
    EXPECT_EQ(readKeyValue(KeyDescriptor{"x", kTypeU32, 2, 32}, from, 1, v), kOk);
    EXPECT_EQ(readKeyValue(KeyDescriptor{"x", kTypeU32, 2, 32}, from, 2, v), kTypeMismatch);
    EXPECT_EQ(readKeyValue(KeyDescriptor{"x", kTypeU32, 2, 36}, from, 0, v), kTypeMismatch); // runs past 40
    // Big-endian output swaps 16- and 32-bit elements only.
    std::vector<std::uint8_t> src{1, 2, 3, 4}, dst(4, 0);
    EXPECT_EQ(copyKey(KeyDescriptor{"x", kTypeU16, 2, 0}, src, dst, true), kOk);
    EXPECT_EQ(dst, (std::vector<std::uint8_t>{2, 1, 4, 3}));
}

// ---- resource sets of each generation ------------------------------------------------

struct GenerationParts {
    std::uint32_t generation;
    std::string_view className;
    std::vector<PartId> filled;
};

class ResourceSets : public ::testing::TestWithParam<GenerationParts> {};

TEST_P(ResourceSets, HoldOnePartPerKindOfTheGeneration) {
    const auto& param = GetParam();
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(DrfBuilder().formatVersion(param.generation).mode(101, 1).build(), "x.bin"), kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    EXPECT_EQ(set->className(), param.className);
    for (std::size_t i = 0; i < kPartCount; ++i) {
        const auto id = static_cast<PartId>(i);
        const bool expected = std::find(param.filled.begin(), param.filled.end(), id) != param.filled.end();
        EXPECT_EQ(set->part(id) != nullptr, expected) << kPartNames[i];
    }
    // Each part is a copy of its record: named keys and identity, byte for byte.
    const PrintModeInfo& mode = *doc.library(5)->printModes()[0];
    for (std::uint32_t k = 0; k < mode.kindCount(); ++k) {
        PartId id{};
        ASSERT_TRUE(set->partOfKind(k, id));
        const auto record = mode.record(k)->bytes();
        const auto part = set->part(id)->bytes();
        ASSERT_EQ(part.size(), record.size());
        for (const auto& key : set->part(id)->kind().keys) {
            if (key.named() || key.type == kTypeIdentity) {
                EXPECT_TRUE(std::equal(record.begin() + key.offset,
                                       record.begin() + key.offset + key.byteSize(),
                                       part.begin() + key.offset))
                    << key.name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Generations, ResourceSets,
    ::testing::Values(GenerationParts{1,
                                      "PrintEngineResourcesGen1",
                                      {ConfigurationFile, ResolutionsFile, ImageEnhancementFile, ColorsFile,
                                       PrintPreviewFile, TrackingFile, MarkingFile}},
                      GenerationParts{2,
                                      "PrintEngineResourcesGen2",
                                      {ConfigurationFile, ResolutionsFile, ImageEnhancementFile, ColorsFile,
                                       PrintPreviewFile, TrackingFile, Marking2File}},
                      GenerationParts{3,
                                      "PrintEngineResourcesGen3",
                                      {ConfigurationFile, ResolutionsFile, ImageEnhancementFile, ColorsFile,
                                       PrintPreviewFile, TrackingFile, Marking2File, FeaturesFile}},
                      GenerationParts{4,
                                      "PrintEngineResourcesGen4",
                                      {DriveDataFile, DriveMediaDataFile, PrintModeDataFile}}));

TEST(ResourceSetsGen2, KeepsAMarkingFilePairThatReadingNeverFills) {
    auto set = createPrintEngineResources(2);
    set->setMarkingFile(std::make_unique<ResourcePart>(printEngineKinds(1)[6]));
    EXPECT_NE(set->getMarkingFile(), nullptr);
    // A part of another kind is not taken.
    set->setMarking2File(std::make_unique<ResourcePart>(printEngineKinds(1)[6]));
    EXPECT_EQ(set->getMarking2File(), nullptr);
    auto gen4 = createPrintEngineResources(4);
    gen4->setMarkingFile(std::make_unique<ResourcePart>(printEngineKinds(1)[6]));
    EXPECT_EQ(gen4->getMarkingFile(), nullptr);
    EXPECT_EQ(createPrintEngineResources(5), nullptr);
}

TEST(ResourceSetsWrite, ValuesReachTheRecordsAndSurviveASave) {
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(DrfBuilder().formatVersion(2).mode(101, 1).mode(101, 2).build(), "x.bin"), kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 2, set), kResultOk);
    ASSERT_EQ(set->getMarking2File()->setValue("FocusOffset", -1234), kOk);
    ASSERT_EQ(set->getColorsFile()->setValue("Brightness", -5), kOk);
    ASSERT_EQ(doc.SetResources(101, 2, *set), kResultOk);

    std::vector<std::uint8_t> saved;
    ASSERT_EQ(doc.serialize(saved), kOk);
    DrfDocument reloaded;
    ASSERT_EQ(reloaded.loadImage(saved, "y.bin"), kOk);
    ASSERT_EQ(reloaded.GetResources("y.bin", 101, 2, set), kResultOk);
    std::int64_t v = 0;
    EXPECT_EQ(set->getMarking2File()->value("FocusOffset", v), kOk);
    EXPECT_EQ(v, -1234);
    EXPECT_EQ(set->getColorsFile()->value("Brightness", v), kOk);
    EXPECT_EQ(v, -5);
    // The other mode kept its own records.
    ASSERT_EQ(reloaded.GetResources("y.bin", 101, 1, set), kResultOk);
    EXPECT_EQ(set->getMarking2File()->value("FocusOffset", v), kOk);
    EXPECT_NE(v, -1234);
}

TEST(ResourceSetsWrite, Gen4DriveDataIsSharedByEveryModeDriveMediaDataByEveryQuality) {
    DrfDocument doc;
    const auto image = DrfBuilder()
                           .formatVersion(4)
                           .mode(101, 1)
                           .mode(101, 0)
                           .mode(102, 1)
                           .share(0, Share::AllModes)
                           .share(1, Share::PerMedia)
                           .build();
    ASSERT_EQ(doc.loadImage(image, "x.bin"), kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    ASSERT_EQ(set->getDriveDataFile()->setValue("PwrCvtOffset", 777), kOk);
    ASSERT_EQ(set->getDriveMediaDataFile()->setValue("UseFDflt", 1), kOk);
    ASSERT_EQ(set->getPrintModeDataFile()->setValue("TrackSpacingNM", 1600), kOk);
    ASSERT_EQ(doc.SetResources(101, 1, *set), kResultOk);

    struct Expect {
        std::uint16_t media, quality;
        bool sameMedia, sameMode;
    };
    for (const auto& e :
         {Expect{101, 1, true, true}, Expect{101, 0, true, false}, Expect{102, 1, false, false}}) {
        ASSERT_EQ(doc.GetResources("x.bin", e.media, e.quality, set), kResultOk);
        std::int64_t offset = 0, focus = 0, spacing = 0;
        set->getDriveDataFile()->value("PwrCvtOffset", offset);
        set->getDriveMediaDataFile()->value("UseFDflt", focus);
        set->getPrintModeDataFile()->value("TrackSpacingNM", spacing);
        EXPECT_EQ(offset, 777) << e.media << "/" << e.quality;
        EXPECT_EQ(focus == 1, e.sameMedia) << e.media << "/" << e.quality;
        EXPECT_EQ(spacing == 1600, e.sameMode) << e.media << "/" << e.quality;
    }
}

TEST(ResourceSetsWrite, MissingRecordGivesNoPartAndStaysMissing) {
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(DrfBuilder().formatVersion(3).mode(101, 1).noRecord(101, 1, 7).build(), "x.bin"),
              kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    EXPECT_EQ(set->getFeaturesFile(), nullptr);
    // A part handed in for the missing record has nowhere to go.
    set->setFeaturesFile(std::make_unique<ResourcePart>(printEngineKinds(3)[7]));
    ASSERT_EQ(doc.SetResources(101, 1, *set), kResultOk);
    EXPECT_FALSE(doc.library(5)->printModes()[0]->record(7)->hasData());
}

TEST(ResourceSetsWrite, SetOfAnotherGenerationIsRefused) {
    DrfDocument doc;
    ASSERT_EQ(doc.loadImage(DrfBuilder().formatVersion(3).mode(101, 1).build(), "x.bin"), kOk);
    PrintEngineResourcesGen2 other;
    EXPECT_EQ(doc.SetResources(101, 1, other), kResultUnsupportedFormat);
    EXPECT_EQ(doc.lastStatus(), kGenerationUnsupported);
}

TEST(ResourceSetsRead, WithoutAPrintEngineSection) {
    DrfDocument doc;
    auto image = DrfBuilder().modeIn(4, 101, 1).build();
    patch<std::uint16_t>(image, kHeaderFields[kHdSectionCount].offset, 4);
    ASSERT_EQ(doc.loadImage(image, "x.bin"), kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    EXPECT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultBadData);
    EXPECT_EQ(doc.lastStatus(), kLibraryMissing);
    EXPECT_EQ(set, nullptr);
}

// ---- the resource-set interface -------------------------------------------------------

using Setter = void (PrintEngineResourcesImpl::*)(std::unique_ptr<ResourcePart>);
using Getter = ResourcePart* (PrintEngineResourcesImpl::*)() const;
struct NamedPair {
    PartId id;
    Setter set;
    Getter get;
};
#define QM_PAIR(Kind)                                                                                        \
    NamedPair {                                                                                              \
        Kind, &PrintEngineResourcesImpl::set##Kind, &PrintEngineResourcesImpl::get##Kind                     \
    }
const NamedPair kNamedPairs[] = {
    QM_PAIR(ConfigurationFile), QM_PAIR(ResolutionsFile),    QM_PAIR(ImageEnhancementFile),
    QM_PAIR(ColorsFile),        QM_PAIR(PrintPreviewFile),   QM_PAIR(TrackingFile),
    QM_PAIR(MarkingFile),       QM_PAIR(Marking2File),       QM_PAIR(FeaturesFile),
    QM_PAIR(DriveDataFile),     QM_PAIR(DriveMediaDataFile), QM_PAIR(PrintModeDataFile),
};
#undef QM_PAIR

// The kind a part stands for, from whichever generation has it.
const ResourceFileKind& kindOfPart(PartId id) {
    for (std::uint32_t generation = 1; generation <= 4; ++generation) {
        for (const auto& kind : printEngineKinds(generation)) {
            if (kind.name == kPartNames[static_cast<std::size_t>(id)])
                return kind;
        }
    }
    throw std::logic_error("no kind for a part");
}

// Holds every part through the generic access, but keeps the base's named pairs.
class EveryPartSet final : public PrintEngineResourcesImpl {
public:
    std::string_view className() const override { return "EveryPartSet"; }
    std::uint32_t generation() const override { return 0; }
    bool implements(PartId) const override { return true; }
    bool partOfKind(std::uint32_t, PartId&) const override { return false; }
};

TEST(ResourceSetInterface, EachGenerationsNamedPairsHoldExactlyItsParts) {
    const std::size_t implemented[] = {7, 8, 8, 3};
    for (std::uint32_t generation = 1; generation <= 4; ++generation) {
        auto set = createPrintEngineResources(generation);
        std::size_t held = 0;
        for (const NamedPair& pair : kNamedPairs) {
            auto part = std::make_unique<ResourcePart>(kindOfPart(pair.id));
            const ResourcePart* given = part.get();
            ((*set).*pair.set)(std::move(part));
            const ResourcePart* got = ((*set).*pair.get)();
            EXPECT_EQ(got, set->implements(pair.id) ? given : nullptr)
                << set->className() << " " << kPartNames[static_cast<std::size_t>(pair.id)];
            EXPECT_EQ(set->part(pair.id), got);
            held += got ? 1 : 0;
        }
        EXPECT_EQ(held, implemented[generation - 1]) << generation;
        set->release();
        for (const NamedPair& pair : kNamedPairs)
            EXPECT_EQ(((*set).*pair.get)(), nullptr);
    }
    // The base ignores what its pairs are handed and answers none.
    EveryPartSet base;
    for (const NamedPair& pair : kNamedPairs) {
        (base.*pair.set)(std::make_unique<ResourcePart>(kindOfPart(pair.id)));
        EXPECT_EQ((base.*pair.get)(), nullptr);
        base.setPart(pair.id, std::make_unique<ResourcePart>(kindOfPart(pair.id)));
        EXPECT_NE(base.part(pair.id), nullptr);
    }
    base.clear();
    EXPECT_EQ(base.part(ConfigurationFile), nullptr);
}

TEST(ResourceSetInterface, OneGenerationThroughTheNamedPairs) {
    DrfDocument doc;
    const auto image = DrfBuilder()
                           .formatVersion(1)
                           .mode(101, 1)
                           .value(101, 1, "ResolutionsFile", "RenderRes", 600)
                           .value(101, 1, "MarkingFile", "WriteVelocity", 3)
                           .build();
    ASSERT_EQ(doc.loadImage(image, "x.bin"), kOk);
    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    EXPECT_EQ(set->className(), "PrintEngineResourcesGen1");
    const ResourcePart* parts[] = {set->getConfigurationFile(),    set->getResolutionsFile(),
                                   set->getImageEnhancementFile(), set->getColorsFile(),
                                   set->getPrintPreviewFile(),     set->getTrackingFile(),
                                   set->getMarkingFile()};
    for (std::uint32_t k = 0; k < std::size(parts); ++k) {
        ASSERT_NE(parts[k], nullptr) << k;
        EXPECT_EQ(parts[k]->kind().name, printEngineKinds(1)[k].name);
    }
    EXPECT_EQ(set->getMarking2File(), nullptr);
    EXPECT_EQ(set->getDriveDataFile(), nullptr);
    std::int64_t v = 0;
    ASSERT_EQ(set->getResolutionsFile()->value("RenderRes", v), kOk);
    EXPECT_EQ(v, 600);

    // A new part handed in through the setter is what gets written.
    auto resolutions = std::make_unique<ResourcePart>(printEngineKinds(1)[1]);
    std::copy(parts[1]->bytes().begin(), parts[1]->bytes().end(), resolutions->bytes().begin());
    ASSERT_EQ(resolutions->setValue("RenderRes", 1200), kOk);
    set->setResolutionsFile(std::move(resolutions));
    ASSERT_EQ(set->getMarkingFile()->setValue("WriteVelocity", 4), kOk);
    ASSERT_EQ(doc.SetResources(101, 1, *set), kResultOk);
    set->release();
    EXPECT_EQ(set->getResolutionsFile(), nullptr);

    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    ASSERT_EQ(set->getResolutionsFile()->value("RenderRes", v), kOk);
    EXPECT_EQ(v, 1200);
    ASSERT_EQ(set->getMarkingFile()->value("WriteVelocity", v), kOk);
    EXPECT_EQ(v, 4);
}

// ---- the editors' 21 values ----------------------------------------------------------

TEST(EditorValues, ReadFromTheFirstPartTheSetHasWithFormatExceptions) {
    for (std::uint32_t format : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(format);
        DrfBuilder builder;
        builder.formatVersion(format).mode(101, 1);
        const bool gen4 = format == 4;
        builder.value(101, 1, gen4 ? "PrintModeDataFile" : "ResolutionsFile", "TrackSpacingNM", 1500);
        builder.value(101, 1,
                      gen4          ? "DriveDataFile"
                      : format == 1 ? "MarkingFile"
                                    : "Marking2File",
                      "WrtPwrLTRel", -12);
        if (format >= 3)
            builder.value(101, 1, gen4 ? "DriveDataFile" : "FeaturesFile",
                          gen4 ? "EnableSeamModulation" : "EnableSpiralHostSeamModulation", 1);
        DrfDocument doc;
        ASSERT_EQ(doc.loadImage(builder.build(), "x.bin"), kOk);
        std::unique_ptr<PrintEngineResourcesImpl> set;
        ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
        EditorValueArray values{};
        ASSERT_EQ(readEditorValues(*set, format, values), kResultOk);
        EXPECT_EQ(values[kTrackSpacing], 1500);
        EXPECT_EQ(values[kWritePowerLowerToleranceFactor], -12);
        EXPECT_EQ(values[format >= 3 ? kSeamModulation : kSpiralTracking], format >= 3 ? 1 : 0);
        if (format == 1) {
            EXPECT_EQ(values[kFocusOffset], 0);
        }

        values[kMarkSpacing] = 4242;
        values[kTrimCircularTracks] = 1;
        ASSERT_EQ(writeEditorValues(*set, format, values), kResultOk);
        ASSERT_EQ(doc.SetResources(101, 1, *set), kResultOk);
        ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
        EditorValueArray again{};
        ASSERT_EQ(readEditorValues(*set, format, again), kResultOk);
        EXPECT_EQ(again[kMarkSpacing], 4242);
        EXPECT_EQ(again[kTrimCircularTracks], format == 1 ? 0 : 1);
    }
}

TEST(EditorValues, MissingPartOutsideTheExceptionsFails) {
    PrintEngineResourcesGen2 set; // no parts at all
    std::int64_t v = 1;
    EXPECT_EQ(readEditorValue(set, kFocusOffset, 1, v), kResultOk);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(readEditorValue(set, kFocusOffset, 2, v), kResultBadData);
    EXPECT_EQ(readEditorValue(set, kTrackSpacing, 1, v), kResultBadData);
    EXPECT_EQ(writeEditorValue(set, kSpiralTracking, 2, 1), kResultOk);
    EXPECT_EQ(writeEditorValue(set, kSpiralTracking, 3, 1), kResultBadData);
    set.setMarking2File(std::make_unique<ResourcePart>(printEngineKinds(2)[6]));
    EXPECT_EQ(writeEditorValue(set, kCutBlankTracks, 2, 256), kResultBadData);
}

} // namespace
} // namespace drf
