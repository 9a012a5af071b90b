#include "drf/DrfBuilder.h"
#include "TestSupport.h"

#include "drf/DrfDocument.h"
#include "drf/Status.h"

#include <gtest/gtest.h>

#include <functional>

namespace drf {
namespace {

using drf::test::entryOffset;
using drf::test::patch;
using drf::test::peek;
using drf::test::readFile;
using drf::test::sectionOffset;
using drf::test::tempDir;
using drf::test::writeFile;
using drf::testing::DrfBuilder;
using drf::testing::Share;

constexpr std::size_t kHeaderAt(HeaderField f) {
    return kHeaderFields[f].offset;
}

// A DRF with every section type, several modes, shared records and an absent record.
DrfBuilder richDrf(std::uint32_t format) {
    DrfBuilder b;
    b.formatVersion(format).mode(101, 1).mode(101, 0).mode(102, 2).mode(103, 1, 0);
    b.allSections().share(0, Share::AllModes).noRecord(102, 2, 1).share(0, Share::PerMedia, 2);
    return b;
}

int loadBytes(DrfDocument& doc, std::vector<std::uint8_t> bytes) {
    return doc.loadImage(std::move(bytes), "x.bin");
}

// ---- round trip ---------------------------------------------------------------

class RoundTrip : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(RoundTrip, SaveWithoutEditsReproducesTheFileByteForByte) {
    const auto original = richDrf(GetParam()).build();
    const auto dir = tempDir("roundtrip" + std::to_string(GetParam()));
    writeFile(dir / "in.bin", original);

    DrfDocument doc;
    ASSERT_EQ(doc.Load(dir / "in.bin"), kOk);
    ASSERT_EQ(doc.libraries().size(), 5u);
    EXPECT_EQ(doc.library(kPrintEngineSection)->generation(), GetParam());
    ASSERT_EQ(doc.Save(dir / "out.bin"), kResultOk);
    EXPECT_EQ(readFile(dir / "out.bin"), original);
}

TEST_P(RoundTrip, NormalisesRecordOrderAndKeepsEveryField) {
    // Records laid out backwards, a label filling byte 139 and a foreign drive id in
    // the entries: all of that is normalised, every other field survives.
    auto input = richDrf(GetParam()).reverseRecords(true).label(std::string(128, 'L')).build();
    const std::uint32_t peEntrySize = findLibraryLayout(5, GetParam())->entrySize;
    patch<std::uint16_t>(input, entryOffset(input, 5, peEntrySize, 0), 4242);

    DrfDocument before;
    ASSERT_EQ(loadBytes(before, input), kOk);
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(before.serialize(saved), kOk);
    EXPECT_NE(saved, input);
    EXPECT_EQ(saved[kHeaderAt(kHdLabelText) + 127], 0);
    EXPECT_EQ(peek<std::uint16_t>(saved, entryOffset(saved, 5, peEntrySize, 0)), 111);

    DrfDocument after;
    ASSERT_EQ(loadBytes(after, saved), kOk);
    DrfHeader expected = before.loadedHeader();
    expected.labelText[127] = 0;
    expected.sectionSize = after.header().sectionSize; // equal anyway: same records, same sizes
    EXPECT_EQ(after.header(), expected);
    EXPECT_EQ(after.header().sectionSize, before.loadedHeader().sectionSize);
    ASSERT_EQ(after.libraries().size(), before.libraries().size());
    for (std::size_t l = 0; l < before.libraries().size(); ++l) {
        const auto& a = *before.libraries()[l];
        const auto& b = *after.libraries()[l];
        EXPECT_EQ(b.generation(), a.generation());
        EXPECT_EQ(b.sectionWord4(), a.sectionWord4());
        EXPECT_EQ(b.driveId(), a.driveId());
        ASSERT_EQ(b.printModes().size(), a.printModes().size());
        for (std::size_t m = 0; m < a.printModes().size(); ++m) {
            const auto& ma = *a.printModes()[m];
            const auto& mb = *b.printModes()[m];
            EXPECT_EQ(mb.key(), ma.key());
            for (std::uint32_t k = 0; k < ma.kindCount(); ++k) {
                const auto ra = ma.record(k)->bytes();
                const auto rb = mb.record(k)->bytes();
                EXPECT_TRUE(std::equal(ra.begin(), ra.end(), rb.begin(), rb.end()))
                    << "library " << l << " mode " << m << " kind " << k;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RoundTrip, ::testing::Values(1u, 2u, 3u, 4u));

TEST(Container, SharedRecordIsEditedOnceAndWrittenAtTheFirstOwnersPlace) {
    // Mode (102,1) comes first in the file, but the record area is reversed, so the
    // shared ResolutionsFile starts far from where the placement rule puts it.
    const auto input = DrfBuilder()
                           .formatVersion(3)
                           .mode(102, 1)
                           .mode(101, 1)
                           .share(1, Share::AllModes)
                           .reverseRecords(true)
                           .build();
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, input), kOk);
    const auto& modes = doc.library(5)->printModes();
    ASSERT_EQ(modes[0]->record(1), modes[1]->record(1));

    std::unique_ptr<PrintEngineResourcesImpl> set;
    ASSERT_EQ(doc.GetResources("x.bin", 101, 1, set), kResultOk);
    ASSERT_EQ(set->getResolutionsFile()->setValue("TrackSpacingNM", 1234), kOk);
    ASSERT_EQ(doc.SetResources(101, 1, *set), kResultOk);
    ASSERT_EQ(doc.GetResources("x.bin", 102, 1, set), kResultOk);
    std::int64_t spacing = 0;
    ASSERT_EQ(set->getResolutionsFile()->value("TrackSpacingNM", spacing), kOk);
    EXPECT_EQ(spacing, 1234);

    std::vector<std::uint8_t> saved;
    ASSERT_EQ(doc.serialize(saved), kOk);
    const std::size_t entrySize = 44;
    const std::size_t slot1 = 4 * 4; // kind 1 in slot 4
    const auto first = peek<std::uint32_t>(saved, entryOffset(saved, 5, entrySize, 0) + slot1);
    const auto second = peek<std::uint32_t>(saved, entryOffset(saved, 5, entrySize, 1) + slot1);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, 28u); // right after the first mode's ConfigurationFile
    // Two modes, eight kinds, one record shared: 15 records in the area.
    const auto& kinds = *findLibraryLayout(5, 3);
    std::uint64_t records = 0;
    for (const auto& kind : kinds.kinds)
        records += 2 * kind.recordSize;
    records -= kinds.kinds[1].recordSize;
    EXPECT_EQ(drf::test::sectionSize(saved, 5), kSectionHeaderSize + 2 * entrySize + records);
    const std::size_t recordArea = sectionOffset(saved, 5) + kSectionHeaderSize + 2 * entrySize;
    EXPECT_EQ(peek<std::uint32_t>(saved, recordArea + first + 4), 1234u);
}

TEST(Container, AbsentRecordLoadsAsNoneAndIsWrittenBackAsAllOnes) {
    const auto input = DrfBuilder().formatVersion(2).mode(101, 1).noRecord(101, 1, 6).build();
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, input), kOk);
    const PrintModeInfo& mode = *doc.library(5)->printModes()[0];
    EXPECT_FALSE(mode.record(6)->hasData());
    EXPECT_EQ(mode.record(6)->size, 0u);
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(doc.serialize(saved), kOk);
    EXPECT_EQ(peek<std::uint32_t>(saved, entryOffset(saved, 5, 44, 0) + 4 * 10), kNoRecord);
    EXPECT_EQ(peek<std::uint32_t>(saved, entryOffset(saved, 5, 44, 0) + 4 * 9), 0u); // unused slot
    EXPECT_EQ(saved, input);
}

// ---- rejected files -------------------------------------------------------------

struct Malformed {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> mutate;
    int status;
};

// Format 1 keeps the offsets simple: entry size 40, kinds 0-6 in slots 3-9.
std::vector<std::uint8_t> plainDrf() {
    return DrfBuilder().formatVersion(1).mode(101, 1).mode(102, 1).section(4).build();
}

std::size_t pe(const std::vector<std::uint8_t>& img) {
    return sectionOffset(img, 5);
}

const Malformed kMalformed[] = {
    {"Unchanged", [](auto&) {}, kOk},
    {"BadSignature", [](auto& img) { img[3] = 0xCC; }, kCorrupt},
    {"FormatVersion5", [](auto& img) { patch<std::uint32_t>(img, kHeaderAt(kHdFormatVersion), 5); },
     kVersionTooHigh},
    {"FourBytesOnly", [](auto& img) { img.resize(4); }, kCorrupt},
    {"TruncatedHeader", [](auto& img) { img.resize(2000); }, kHeaderInvalid},
    {"SectionCount0", [](auto& img) { patch<std::uint16_t>(img, kHeaderAt(kHdSectionCount), 0); },
     kHeaderInvalid},
    {"SectionCount6", [](auto& img) { patch<std::uint16_t>(img, kHeaderAt(kHdSectionCount), 6); },
     kHeaderInvalid},
    {"HeaderSize2379", [](auto& img) { patch<std::uint16_t>(img, kHeaderAt(kHdHeaderSize), 2379); },
     kHeaderInvalid},
    {"PrintEngineGeneration5",
     [](auto& img) { patch<std::uint32_t>(img, kHeaderAt(kHdSectionGeneration) + 16, 5); },
     kGenerationUnsupported},
    {"HalftoningGeneration2",
     [](auto& img) { patch<std::uint32_t>(img, kHeaderAt(kHdSectionGeneration), 2); },
     kGenerationUnsupported},
    {"SectionPastEnd", [](auto& img) { img.pop_back(); }, kCorrupt},
    {"SectionTypeOutOfOrder", [](auto& img) { patch<std::uint16_t>(img, kHeaderAt(kHdSectionType), 4); },
     kCorrupt},
    {"SectionTypeUnknown", [](auto& img) { patch<std::uint16_t>(img, kHeaderAt(kHdSectionType) + 8, 9); },
     kCorrupt},
    {"SectionShorterThanItsHeader",
     [](auto& img) {
         // Varmelon section of 100 bytes: sizes still add up, the header does not fit.
         const std::size_t at = sectionOffset(img, 4);
         const auto size = peek<std::uint32_t>(img, kHeaderAt(kHdSectionSize) + 12);
         img.erase(img.begin() + static_cast<std::ptrdiff_t>(at + 100),
                   img.begin() + static_cast<std::ptrdiff_t>(at + size));
         patch<std::uint32_t>(img, kHeaderAt(kHdSectionSize) + 12, 100);
     },
     kCorrupt},
    {"SectionDriveIdBelow101", [](auto& img) { patch<std::uint16_t>(img, pe(img) + 8, 100); }, kCorrupt},
    {"SectionGenerationDiffersFromDirectory", [](auto& img) { patch<std::uint32_t>(img, pe(img), 2); },
     kCorrupt},
    {"WrongEntrySize", [](auto& img) { patch<std::uint16_t>(img, pe(img) + 140, 44); }, kCorrupt},
    {"HeaderSizeDisagreesWithCount", [](auto& img) { patch<std::uint16_t>(img, pe(img) + 138, 3); },
     kCorrupt},
    {"EntryTablePastSection",
     [](auto& img) {
         patch<std::uint16_t>(img, pe(img) + 138, 2000);
         patch<std::uint16_t>(img, pe(img) + 142, static_cast<std::uint16_t>(144 + 2000 * 40));
     },
     kCorrupt},
    {"RecordPastSection",
     [](auto& img) {
         const auto area = drf::test::sectionSize(img, 5) - 144 - 80;
         patch<std::uint32_t>(img, pe(img) + 144 + 4 * 9, static_cast<std::uint32_t>(area - 87));
     },
     kCorrupt},
    {"RecordOffsetWrapsAround",
     [](auto& img) { patch<std::uint32_t>(img, pe(img) + 144 + 4 * 3, 0xFFFFFFF0u); }, kCorrupt},
    {"OffsetSharedByRecordsOfDifferentSizes",
     [](auto& img) {
         // kind 1 (40 bytes) pointed at kind 0's 28-byte record
         patch<std::uint32_t>(img, pe(img) + 144 + 4 * 4, peek<std::uint32_t>(img, pe(img) + 144 + 4 * 3));
     },
     kCorrupt},
};

class Rejects : public ::testing::TestWithParam<Malformed> {};

TEST_P(Rejects, WithItsStatusAndLeavesAnEmptyModel) {
    auto image = plainDrf();
    GetParam().mutate(image);
    DrfDocument doc;
    EXPECT_EQ(loadBytes(doc, image), GetParam().status);
    const bool loaded = GetParam().status == kOk;
    EXPECT_EQ(doc.isLoaded(), loaded);
    EXPECT_EQ(doc.libraries().empty(), !loaded);
}

INSTANTIATE_TEST_SUITE_P(MalformedFiles, Rejects, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Container, FormatVersionsZeroToFourPassTheVersionCheck) {
    for (std::uint32_t version : {0u, 1u, 2u, 3u, 4u}) {
        auto image = DrfBuilder().formatVersion(version).generation(5, 3).mode(101, 1).build();
        DrfDocument doc;
        EXPECT_EQ(loadBytes(doc, image), kOk) << version;
        std::uint32_t read = 99;
        EXPECT_EQ(doc.GetFormatVersion("x.bin", read), kResultOk);
        EXPECT_EQ(read, version);
    }
}

TEST(Container, ResultCodesOfEveryStatus) {
    const std::pair<int, int> table[] = {
        {0, 0},      {4, -1431},  {3, -1432},  {2, -1433},  {6, -1434},  {7, -1435},
        {8, -1435},  {9, -1435},  {10, -1435}, {1, -1436},  {5, -1436},  {24, -1436},
        {30, -1436}, {11, -1437}, {12, -1437}, {14, -1437}, {13, -1438}, {99, -1436},
    };
    for (auto [status, result] : table)
        EXPECT_EQ(toResult(status), result) << status;
}

// ---- loading by path --------------------------------------------------------------

TEST(Container, LoadingTheSamePathAgainKeepsTheModelAnotherPathReplacesIt) {
    const auto dir = tempDir("reload");
    DrfBuilder().driveId(120).mode(101, 1).write(dir / "a.bin");
    DrfBuilder().driveId(130).mode(101, 1).write(dir / "b.bin");
    DrfDocument doc;
    std::uint16_t id = 0;
    ASSERT_EQ(doc.GetDriveId(dir / "a.bin", id), kResultOk);
    EXPECT_EQ(id, 120);
    DrfBuilder().driveId(140).mode(101, 1).write(dir / "a.bin"); // not reread
    ASSERT_EQ(doc.GetDriveId(dir / "a.bin", id), kResultOk);
    EXPECT_EQ(id, 120);
    ASSERT_EQ(doc.GetDriveId(dir / "b.bin", id), kResultOk);
    EXPECT_EQ(id, 130);
    EXPECT_EQ(doc.path(), dir / "b.bin");
    EXPECT_EQ(doc.GetDriveId(dir / "missing.bin", id), kResultCannotOpen);
    EXPECT_EQ(doc.lastStatus(), kCannotOpen);
}

TEST(Container, MediaListsAreReportedAsStored) {
    const auto dir = tempDir("medialists");
    DrfBuilder().mode(101, 1).mode(115, 1).unsupported(4095).unsupported(104).write(dir / "a.bin");
    DrfDocument doc;
    std::array<std::uint16_t, 3> supported{9, 9, 9};
    ASSERT_EQ(doc.GetSupportedMedia(dir / "a.bin", supported), kResultOk);
    EXPECT_EQ(supported, (std::array<std::uint16_t, 3>{101, 115, 0}));
    std::array<std::uint16_t, 600> unsupported{};
    ASSERT_EQ(doc.GetUnsupportedMedia(dir / "a.bin", unsupported), kOk);
    EXPECT_EQ(unsupported[0], 4095);
    EXPECT_EQ(unsupported[1], 104);
    bool flag = false;
    ASSERT_EQ(doc.IsMediaUnsupported(dir / "a.bin", 104, flag), kResultOk);
    EXPECT_TRUE(flag);
    ASSERT_EQ(doc.IsMediaUnsupported(dir / "a.bin", 101, flag), kResultOk);
    EXPECT_FALSE(flag);
}

// ---- media lists on save ------------------------------------------------------------

TEST(Container, FirstLibraryAddsItsMediaToTheSupportedList) {
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, DrfBuilder().mode(101, 1).mode(107, 1).allSections().supported({101}).build()),
              kOk);
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(doc.serialize(saved), kOk);
    DrfDocument reloaded;
    ASSERT_EQ(loadBytes(reloaded, saved), kOk);
    EXPECT_EQ(reloaded.supportedMedia(), (std::vector<std::uint16_t>{101, 107}));
}

TEST(Container, EmptyFirstLibraryLeavesTheSupportedListClosed) {
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, DrfBuilder().mode(101, 1).mode(107, 1).supported({101}).build()), kOk);
    std::vector<std::uint8_t> saved;
    EXPECT_EQ(doc.serialize(saved), kMediaListInconsistent);
}

TEST(Container, LaterLibraryWithUnlistedMediaFailsTheSave) {
    // The halftoning library comes first and knows media 101 only.
    const auto image = DrfBuilder().modeIn(1, 101, 1).mode(101, 1).mode(102, 1).supported({101}).build();
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, image), kOk);
    std::vector<std::uint8_t> saved;
    EXPECT_EQ(doc.serialize(saved), kMediaListInconsistent);
    EXPECT_TRUE(saved.empty());
}

TEST(Container, UnsupportedMediaInAPrintModeFailsTheSaveWithADiagnostic) {
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, DrfBuilder().mode(101, 1).mode(118, 1).unsupported(118).build()), kOk);
    std::vector<std::uint8_t> saved;
    ::testing::internal::CaptureStdout();
    const int status = doc.serialize(saved);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, kMediaListInconsistent);
    EXPECT_EQ(out, "Media 118 is listed as an unsupported media type\n");
}

TEST(Container, SupportedListThatWouldOverflowFailsTheSave) {
    std::vector<std::uint16_t> full;
    for (std::uint16_t id = 1000; id < 1512; ++id)
        full.push_back(id);
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, DrfBuilder().mode(101, 1).supported(full).build()), kOk);
    std::vector<std::uint8_t> saved;
    EXPECT_EQ(doc.serialize(saved), kMediaListInconsistent);
}

// ---- saving never destroys the old file -----------------------------------------------

TEST(Container, FailedSaveLeavesTheTargetByteIdenticalAndNoTemporaryFile) {
    const auto dir = tempDir("atomic");
    const auto original = richDrf(3).build();
    writeFile(dir / "drive.bin", original);
    DrfDocument doc;
    ASSERT_EQ(doc.Load(dir / "drive.bin"), kOk);
    // A mode whose records were never bound: the last section cannot be written.
    LibraryFactory& engine = *doc.library(5);
    engine.addPrintMode(engine.createPrintMode(PrintModeKey(111, 1, 101, 1)));

    EXPECT_EQ(doc.Save(dir / "drive.bin"), kResultNoData);
    EXPECT_EQ(doc.lastStatus(), kNoData);
    EXPECT_EQ(readFile(dir / "drive.bin"), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              1);
}

TEST(Container, SaveThatCannotReplaceTheTargetCleansUp) {
    const auto dir = tempDir("atomic_dir");
    std::filesystem::create_directory(dir / "target.bin");
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, DrfBuilder().mode(101, 1).build()), kOk);
    EXPECT_EQ(doc.Save(dir / "target.bin"), kResultBadData);
    EXPECT_EQ(doc.lastStatus(), kLibraryMissing);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "target.bin"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(doc.Save(dir / "no" / "such" / "folder.bin"), kResultBadData);
}

TEST(Container, SaveReplacesAnExistingFile) {
    const auto dir = tempDir("replace");
    writeFile(dir / "drive.bin", {1, 2, 3});
    const auto image = DrfBuilder().mode(101, 1).build();
    DrfDocument doc;
    ASSERT_EQ(loadBytes(doc, image), kOk);
    ASSERT_EQ(doc.Save(dir / "drive.bin"), kResultOk);
    EXPECT_EQ(readFile(dir / "drive.bin"), image);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace drf
