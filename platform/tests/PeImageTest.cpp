// The PE resource reader on images the project's writer makes, and on the
// ways a damaged or hostile file can go wrong.
#include "platform/formats/PeImage.h"
#include "pe/Bytes.h"
#include "platform/formats/MessageTable.h"
#include "platform/formats/PeWriter.h"
#include "platform/formats/VersionBlock.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

using namespace qmplatform::pe;
namespace bytes = qmplatform::bytes;

namespace {

std::vector<std::uint8_t> payload(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(seed + i);
    }
    return data;
}

std::vector<ResourceToWrite> sampleResources() {
    return {
        {resourceNumber(kRtVersion), resourceNumber(1), 0x0409, payload(40, 1)},
        {resourceNumber(kRtMessageTable), resourceNumber(1), 0x0407, payload(12, 2)},
        {resourceNumber(kRtMessageTable), resourceNumber(1), 0x0409, payload(16, 3)},
        {ResourceId{true, 0, L"TYPELIB"}, ResourceId{true, 0, L"Extra"}, 0, payload(5, 4)},
    };
}

// Offsets inside an image the writer made with one section.
constexpr std::size_t kNt = 64;
constexpr std::size_t kFileHeader = kNt + 4;
constexpr std::size_t kOptional = kFileHeader + 20;
std::size_t sectionTable(bool plus) {
    return kOptional + (plus ? 240 : 224);
}

} // namespace

TEST(PeImageTables, FieldRowsAreOrderedAndFitTheirHeaders) {
    auto check = [](const auto& rows, std::uint32_t size) {
        std::set<std::string> names;
        std::uint32_t end = 0;
        for (const FieldSpec& row : rows) {
            EXPECT_EQ(row.offset, end) << row.name;
            end = row.offset + row.size;
            EXPECT_TRUE(names.insert(row.name).second) << row.name;
        }
        EXPECT_EQ(end, size);
    };
    check(kFileHeaderFields, kFileHeaderSize);
    check(kSectionHeaderFields, kSectionHeaderSize);
    for (const OptionalHeaderForm& form : kOptionalHeaderForms) {
        EXPECT_EQ(form.dataDirectoryOffset, form.numberOfRvaAndSizesOffset + 4);
    }
}

class PeImageForms : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(PeImageForms, FindsEveryResourceOfAWrittenImage) {
    PeWriteOptions options;
    options.machine = GetParam();
    const auto file = writeResourceImage(sampleResources(), options);
    PeImage image;
    ASSERT_EQ(PeImage::parse(file, image), PeStatus::Ok);
    EXPECT_EQ(image.machine(), GetParam());
    EXPECT_EQ(image.isPe32Plus(), GetParam() == kMachineAmd64);
    ASSERT_EQ(image.sections().size(), 1u);
    EXPECT_EQ(image.sections()[0].name, ".rsrc");

    std::vector<ResourceLeaf> leaves;
    ASSERT_EQ(image.resources(leaves), PeStatus::Ok);
    ASSERT_EQ(leaves.size(), 4u);
    // Named entries come first in a directory, numbers rising after them.
    EXPECT_TRUE(leaves[0].type.isName);
    EXPECT_EQ(leaves[0].type.name, L"TYPELIB");
    EXPECT_EQ(leaves[0].name.name, L"Extra");
    EXPECT_EQ(leaves[1].type.id, kRtMessageTable);
    EXPECT_EQ(leaves[1].language, 0x0407);
    EXPECT_EQ(leaves[3].type.id, kRtVersion);

    std::span<const std::uint8_t> data;
    std::uint16_t language = 0;
    const std::uint16_t english[] = {0x0409};
    ASSERT_EQ(image.findResource(kRtMessageTable, 1, english, data, &language), PeStatus::Ok);
    EXPECT_EQ(language, 0x0409);
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.end()), payload(16, 3));
    // No preferred language present: the first the directory lists.
    const std::uint16_t french[] = {0x040C};
    ASSERT_EQ(image.findResource(kRtMessageTable, 1, french, data, &language), PeStatus::Ok);
    EXPECT_EQ(language, 0x0407);
    ASSERT_EQ(image.findResource(kRtVersion, 1, {}, data), PeStatus::Ok);
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.end()), payload(40, 1));

    EXPECT_EQ(image.findResource(kRtVersion, 2, {}, data), PeStatus::ResourceNameNotFound);
    EXPECT_EQ(image.findResource(3, 1, {}, data), PeStatus::ResourceTypeNotFound);
}

INSTANTIATE_TEST_SUITE_P(Machines, PeImageForms, ::testing::Values(kMachineI386, kMachineAmd64));

TEST(PeImage, AnImageWithoutResourcesSaysSo) {
    auto file = writeResourceImage({}, {});
    // Zero the resource directory entry.
    bytes::setU32(file, kOptional + 96 + 16, 0);
    bytes::setU32(file, kOptional + 96 + 20, 0);
    PeImage image;
    ASSERT_EQ(PeImage::parse(file, image), PeStatus::Ok);
    std::span<const std::uint8_t> data;
    EXPECT_EQ(image.findResource(kRtVersion, 1, {}, data), PeStatus::NoResources);
}

struct Damage {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> apply;
    PeStatus parse; // what parsing gives
    PeStatus find;  // what finding the version resource then gives
};

class PeImageDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(PeImageDamage, GivesTheDesignedStatus) {
    auto file = writeResourceImage(sampleResources(), {});
    GetParam().apply(file);
    PeImage image;
    const PeStatus parsed = PeImage::parse(file, image);
    ASSERT_EQ(parsed, GetParam().parse);
    if (parsed != PeStatus::Ok) {
        return;
    }
    std::span<const std::uint8_t> data;
    EXPECT_EQ(image.findResource(kRtVersion, 1, {}, data), GetParam().find);
    std::vector<ResourceLeaf> leaves;
    (void)image.resources(leaves); // must not over-read either
}

// Resource tree offsets in the writer's layout: the root table (16 + 3*8),
// then the type tables; the .rsrc data starts at file offset 0x200.
constexpr std::size_t kRsrc = 0x200;

INSTANTIATE_TEST_SUITE_P(
    Files, PeImageDamage,
    ::testing::Values(
        Damage{"Empty", [](auto& f) { f.clear(); }, PeStatus::NotPe, PeStatus::Ok},
        Damage{"NoMz", [](auto& f) { f[0] = 'Z'; }, PeStatus::NotPe, PeStatus::Ok},
        Damage{"LfanewPastEnd", [](auto& f) { bytes::setU32(f, 0x3C, 0xFFFFFFF0u); }, PeStatus::NotPe,
               PeStatus::Ok},
        Damage{"NoPeSignature", [](auto& f) { f[kNt + 1] = 'X'; }, PeStatus::NotPe, PeStatus::Ok},
        Damage{"CutInFileHeader", [](auto& f) { f.resize(kFileHeader + 10); }, PeStatus::Malformed,
               PeStatus::Ok},
        Damage{"OptionalHeaderPastEnd", [](auto& f) { bytes::setU16(f, kFileHeader + 16, 0xFFFF); },
               PeStatus::Malformed, PeStatus::Ok},
        Damage{"UnknownMagic", [](auto& f) { bytes::setU16(f, kOptional, 0x107); }, PeStatus::Malformed,
               PeStatus::Ok},
        Damage{"TooManySections", [](auto& f) { bytes::setU16(f, kFileHeader + 2, 97); }, PeStatus::Malformed,
               PeStatus::Ok},
        Damage{"SectionTablePastEnd", [](auto& f) { f.resize(sectionTable(false) + 20); },
               PeStatus::Malformed, PeStatus::Ok},
        Damage{"ResourceRvaInNoSection", [](auto& f) { bytes::setU32(f, kOptional + 96 + 16, 0x9000); },
               PeStatus::Malformed, PeStatus::Ok},
        Damage{"FewerDirectoriesThanResource", [](auto& f) { bytes::setU32(f, kOptional + 92, 2); },
               PeStatus::Ok, PeStatus::NoResources},
        Damage{"RawDataPastEnd", [](auto& f) { bytes::setU32(f, sectionTable(false) + 16, 0x100000); },
               PeStatus::Ok, PeStatus::Ok},
        Damage{"RawPointerPastEnd", [](auto& f) { bytes::setU32(f, sectionTable(false) + 20, 0x7FFFFFF0); },
               PeStatus::Malformed, PeStatus::Ok},
        Damage{"RootEntryCountHuge", [](auto& f) { bytes::setU16(f, kRsrc + 14, 0xFFFF); }, PeStatus::Ok,
               PeStatus::Malformed},
        Damage{"TypeDirectoryPastSection",
               [](auto& f) { bytes::setU32(f, kRsrc + 16 + 8 * 2 + 4, 0x80000000u | 0x7FFFFF00u); },
               PeStatus::Ok, PeStatus::Malformed},
        Damage{"TypeEntryIsALeaf", [](auto& f) { bytes::setU32(f, kRsrc + 16 + 8 * 2 + 4, 0x10); },
               PeStatus::Ok, PeStatus::Malformed},
        Damage{"TruncatedInResources", [](auto& f) { f.resize(kRsrc + 40); }, PeStatus::Ok,
               PeStatus::Malformed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PeImage, DataEntryPointingOutsideTheFileIsRefused) {
    auto file =
        writeResourceImage({{resourceNumber(kRtVersion), resourceNumber(1), 0x0409, payload(8, 0)}}, {});
    PeImage image;
    ASSERT_EQ(PeImage::parse(file, image), PeStatus::Ok);
    std::vector<ResourceLeaf> leaves;
    ASSERT_EQ(image.resources(leaves), PeStatus::Ok);
    ASSERT_EQ(leaves.size(), 1u);
    // Find the data entry (it holds the leaf's RVA) and move the data away.
    for (std::size_t at = kRsrc; at + 8 <= file.size(); at += 4) {
        if (bytes::u32At(file, at) == leaves[0].dataRva && bytes::u32At(file, at + 4) == 8) {
            bytes::setU32(file, at + 4, 0x7FFFFFFF);
            break;
        }
    }
    ASSERT_EQ(PeImage::parse(file, image), PeStatus::Ok);
    std::span<const std::uint8_t> data;
    EXPECT_EQ(image.findResource(kRtVersion, 1, {}, data), PeStatus::BadResourceData);
}

TEST(PeImage, EveryPrefixOfAnImageParsesWithoutOverreading) {
    PeWriteOptions options;
    options.machine = kMachineAmd64;
    const auto file = writeResourceImage(sampleResources(), options);
    for (std::size_t size = 0; size < file.size(); size += 7) {
        // A copy of exactly this size, so a sanitizer sees any read past it.
        const std::vector<std::uint8_t> prefix(file.begin(),
                                               file.begin() + static_cast<std::ptrdiff_t>(size));
        PeImage image;
        if (PeImage::parse(prefix, image) == PeStatus::Ok) {
            std::span<const std::uint8_t> data;
            (void)image.findResource(kRtVersion, 1, {}, data);
            std::vector<ResourceLeaf> leaves;
            (void)image.resources(leaves);
        }
    }
}

TEST(PeImage, DirectoriesSharingSubtablesCannotExplode) {
    // Every entry of each level points at one shared table of the next: a
    // few kilobytes that describe 300^3 leaves.
    constexpr std::uint32_t kCount = 300;
    constexpr std::uint32_t kTable = 16 + kCount * 8;
    auto file = writeResourceImage({{resourceNumber(1), resourceNumber(1), 0, payload(4 * kTable, 0)}}, {});
    std::vector<std::uint8_t> tree;
    for (std::uint32_t level = 0; level < 3; ++level) {
        for (int i = 0; i < 3; ++i) {
            bytes::putU32(tree, 0);
        }
        bytes::putU16(tree, 0);
        bytes::putU16(tree, static_cast<std::uint16_t>(kCount));
        for (std::uint32_t i = 0; i < kCount; ++i) {
            bytes::putU32(tree, i + 1);
            bytes::putU32(tree, level < 2 ? (0x80000000u | (kTable * (level + 1))) : kTable * 3);
        }
    }
    bytes::putU32(tree, 0x1000); // data entry: 4 bytes at the section's start
    bytes::putU32(tree, 4);
    bytes::putU32(tree, 0);
    bytes::putU32(tree, 0);
    std::copy(tree.begin(), tree.end(), file.begin() + kRsrc);
    PeImage image;
    ASSERT_EQ(PeImage::parse(file, image), PeStatus::Ok);
    std::vector<ResourceLeaf> leaves;
    EXPECT_EQ(image.resources(leaves), PeStatus::Malformed);
    std::span<const std::uint8_t> data;
    const std::uint16_t language[] = {7};
    EXPECT_EQ(image.findResource(5, 6, language, data), PeStatus::Ok);
    EXPECT_EQ(data.size(), 4u);
}
