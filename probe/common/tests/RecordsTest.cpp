// The engine interface's own tables: entry order and names, record sizes.
#include "contracts/EngineRecords.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace probe {
namespace {

TEST(EngineInterface, EntriesAreInResolveOrderWithOnlyTheVersionOptional) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(kEntries[i].entry), i) << kEntries[i].name;
        EXPECT_TRUE(names.insert(kEntries[i].name).second) << kEntries[i].name;
        EXPECT_EQ(kEntries[i].required, i + 1 < kEntries.size()) << kEntries[i].name;
    }
    EXPECT_STREQ(kEntries.front().name, "PEInitWorld");
    EXPECT_STREQ(entryInfo(Entry::TestMediaId).name, "PETestMediaId");
    EXPECT_STREQ(kEntries.back().name, "PEGetAPIVersion");
}

TEST(EngineInterface, DriveDescriptionPlacesTheStringObjectAfterTheFixedTexts) {
    EXPECT_EQ(offsetof(EngineDriveDescription, nameStorage) % alignof(EngineString), 0u);
    EXPECT_GE(offsetof(EngineDriveDescription, nameStorage), 68u);
    EXPECT_EQ(offsetof(EngineDriveDescription, listed),
              offsetof(EngineDriveDescription, nameStorage) + kNameSlotBytes);
    EXPECT_GE(kNameSlotBytes, sizeof(EngineString));
    if (sizeof(void*) == 8) {
        EXPECT_EQ(offsetof(EngineDriveDescription, nameStorage), 72u);
        EXPECT_EQ(offsetof(EngineLabelRequest, text), 96u);
    }
}

} // namespace
} // namespace probe
