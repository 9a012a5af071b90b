#include "drf/DriveMediaNames.h"

#include <gtest/gtest.h>

#include <set>

namespace drf {
namespace {

TEST(NameTables, RowsAreOrderedAndComplete) {
    const DriveMediaNames names;
    EXPECT_EQ(mediaNameRows().size(), 23u);
    EXPECT_EQ(names.mediaNames().size(), 23u);
    EXPECT_EQ(driveNameRows().size(), 64u);
    EXPECT_EQ(names.driveNames().size(), 64u);
    for (auto table : {mediaNameRows(), driveNameRows()}) {
        for (std::size_t i = 1; i < table.size(); ++i)
            EXPECT_LT(table[i - 1].id, table[i].id);
    }
    std::set<std::int32_t> drives;
    for (const auto& row : driveNameRows())
        drives.insert(row.id);
    for (std::int32_t id = 101; id <= 168; ++id)
        EXPECT_EQ(drives.count(id) == 0, id == 117 || id == 146 || id == 148 || id == 163) << id;
    EXPECT_EQ(names.mediaNames().at(101), "Generic");
    EXPECT_EQ(names.driveNames().at(101), "Generic");
    EXPECT_EQ(names.mediaNames().at(4095), "Developmental Media");
    EXPECT_EQ(names.driveNames().at(137), names.driveNames().at(145));
    EXPECT_EQ(names.driveNames().at(129), "TSST K-Co HH (TS-H653L");
    EXPECT_EQ(DriveName(166), "TSST- Samsung TS-T633L (TS-T633L)");
    EXPECT_EQ(DriveName(117), "");
}

TEST(MediaText, DisplayTexts) {
    EXPECT_EQ(MediaDisplayText(101, true), "101: Generic");
    EXPECT_EQ(MediaDisplayText(101, false), "Generic");
    EXPECT_EQ(MediaDisplayText(4092, true), "4092: Unrecognized Media");
    EXPECT_EQ(MediaDisplayText(4092, false), "Unrecognized Media");
    EXPECT_EQ(MediaDisplayText(117, true), "117: Prodisc MV1.2 CD");
}

TEST(MediaText, BackToIdentifiers) {
    const std::pair<std::string_view, std::int32_t> rows[] = {
        {"117: Prodisc MV1.2 CD", 117},     // through the table
        {"117: MKM MV1.2 CD", 117},         // a name of another row: through the number
        {"4092: Unrecognized Media", 4092}, // through the number before the colon
        {"101: Generic", 101},
        {"Generic", 0}, // without a colon, with the flag set
        {"abc: Generic", 0},
        {"", 0},
    };
    for (auto [text, id] : rows)
        EXPECT_EQ(MediaIdFromText(text, true), id) << text;
    EXPECT_EQ(MediaIdFromText("Generic", false), 101);
    EXPECT_EQ(MediaIdFromText("Unrecognized Media", false), 0);
    // The display text of every row converts back to its identifier.
    for (const auto& row : mediaNameRows())
        EXPECT_EQ(MediaIdFromText(MediaDisplayText(row.id, true), true), row.id);
}

} // namespace
} // namespace drf
