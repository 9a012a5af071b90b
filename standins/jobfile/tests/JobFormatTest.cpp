// The layout tables are the single source of every offset; check that they
// describe gap-free records and that the handed-over structs agree with them.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>

#include "jobfile/JobFile.h"
#include "jobfile/JobFormat.h"

using namespace JobFile;

namespace {

struct TableCase {
    const char* name;
    std::span<const FieldSpec> fields;
    std::uint32_t recordSize;
};

class LayoutTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(LayoutTable, FieldsTileTheRecordInOrderWithUniqueNames) {
    const TableCase& c = GetParam();
    std::uint32_t next = 0;
    std::set<std::string_view> names;
    for (const FieldSpec& f : c.fields) {
        EXPECT_EQ(f.offset, next) << c.name << "." << f.name;
        EXPECT_GT(f.size, 0u) << c.name << "." << f.name;
        EXPECT_TRUE(names.insert(f.name).second) << "duplicate " << f.name;
        next = f.offset + f.size;
    }
    EXPECT_EQ(next, c.recordSize) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, LayoutTable,
    ::testing::Values(TableCase{"header", kFileHeaderFields, kFileHeaderSize},
                      TableCase{"labeling", kLabelingParametersFields, kLabelingParametersSize},
                      TableCase{"drive", kDriveCapabilitiesFields, kDriveCapabilitiesSize},
                      TableCase{"track", kTrackRecordFields, kTrackRecordSize}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayoutTable, RecordsSitWhereTheHeaderSaysAndVersionIsInThePrefix) {
    EXPECT_EQ(field(kFileHeaderFields, "labelingParameters").size, sizeof(LabelingParameters));
    EXPECT_EQ(field(kFileHeaderFields, "driveCapabilities").size, sizeof(DriveCapabilities));
    const FieldSpec& v = field(kFileHeaderFields, "formatVersion");
    EXPECT_LE(v.offset + v.size, kVersionPrefixSize);
    EXPECT_EQ(v.size, sizeof(CJobFile::formatVersion));
}

std::size_t offsetIn(const void* base, const void* member) {
    return static_cast<std::size_t>(static_cast<const unsigned char*>(member) -
                                    static_cast<const unsigned char*>(base));
}

TEST(RecordLayout, LabelingAndDriveFieldsAtTheirTableOffsets) {
    LabelingParameters l{};
    EXPECT_EQ(offsetIn(&l, &l.clockwise), field(kLabelingParametersFields, "clockwise").offset);
    EXPECT_EQ(offsetIn(&l, &l.spiral), field(kLabelingParametersFields, "spiral").offset);
    EXPECT_EQ(offsetIn(&l, &l.trackPitch), field(kLabelingParametersFields, "trackPitch").offset);
    EXPECT_EQ(offsetIn(&l, &l.markSpacing), field(kLabelingParametersFields, "markSpacing").offset);
    EXPECT_EQ(offsetIn(&l, &l.reserved28), field(kLabelingParametersFields, "reserved28").offset);
    DriveCapabilities d{};
    EXPECT_EQ(offsetIn(&d, &d.innerRadius), field(kDriveCapabilitiesFields, "innerRadius").offset);
    EXPECT_EQ(offsetIn(&d, &d.outerRadius), field(kDriveCapabilitiesFields, "outerRadius").offset);
    EXPECT_EQ(offsetIn(&d, &d.firstTrackRadius), field(kDriveCapabilitiesFields, "firstTrackRadius").offset);
    EXPECT_EQ(offsetIn(&d, &d.angleUnitsPerTurn),
              field(kDriveCapabilitiesFields, "angleUnitsPerTurn").offset);
    EXPECT_EQ(offsetIn(&d, &d.reserved12), field(kDriveCapabilitiesFields, "reserved12").offset);
}

TEST(RecordLayout, TrackPlainFieldsKeepTheirOffsetsAndVectorsFollow) {
    Track t;
    EXPECT_EQ(offsetIn(&t, &t.lastTrack), 1u);
    EXPECT_EQ(offsetIn(&t, &t.trackNumber), 2u);
    EXPECT_EQ(offsetIn(&t, &t.startAngle), 4u);
    EXPECT_EQ(offsetIn(&t, &t.markCount), 6u);
    EXPECT_EQ(offsetIn(&t, &t.radialOffset), 8u);
    EXPECT_EQ(offsetIn(&t, &t.reserved10), 10u);
    EXPECT_EQ(offsetIn(&t, &t.auxiliary), 16u);
    EXPECT_EQ(offsetIn(&t, &t.marks), 16u + sizeof(std::vector<unsigned char>));
    // The file record mirrors the plain part of the struct byte for byte.
    for (const char* name :
         {"lastTrack", "trackNumber", "startAngle", "markCount", "radialOffset", "reserved10"}) {
        const FieldSpec& f = field(kTrackRecordFields, name);
        EXPECT_LT(f.offset + f.size, 16u) << name;
    }
    EXPECT_EQ(field(kTrackRecordFields, "markCount").offset, offsetIn(&t, &t.markCount));
    EXPECT_EQ(field(kTrackRecordFields, "radialOffset").offset, offsetIn(&t, &t.radialOffset));
}

} // namespace
