#include "diagtool/windows/SettingsTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using settings::kSettings;
using settings::SettingId;
using settings::SettingRead;

TEST(SettingsTable, RowsAreWellFormed) {
    std::set<SettingId> ids;
    std::set<std::string> checks;
    std::set<std::wstring_view> steps;
    std::set<std::wstring> values;
    for (const settings::SettingRow& row : kSettings) {
        SCOPED_TRACE(std::string(row.check));
        EXPECT_TRUE(ids.insert(row.id).second);
        EXPECT_TRUE(checks.insert(row.check).second);
        EXPECT_TRUE(steps.insert(row.step).second);
        EXPECT_TRUE(values.insert(std::wstring(row.key) + std::wstring(row.value)).second);
        EXPECT_EQ(&settings::row(row.id), &row);
        ASSERT_FALSE(row.key.empty());
        EXPECT_EQ(row.key.back(), L'\\');
        EXPECT_NE(row.key.front(), L'\\');
        EXPECT_FALSE(row.value.empty());
        // A text is written as REG_SZ and compared as text; flags and numbers are DWORDs.
        if (row.read == SettingRead::Text) {
            EXPECT_EQ(row.type, qmplatform::kRegSz);
            EXPECT_FALSE(row.fixText.empty());
        } else {
            EXPECT_EQ(row.type, qmplatform::kRegDword);
            EXPECT_TRUE(row.fixText.empty());
            EXPECT_TRUE(row.trueText.empty());
        }
    }
    EXPECT_EQ(ids.size(), kSettings.size());
}

// The lines qmdiag prints for each fix, and the undo reads back: a change of
// a key, a value or its data shows here.
TEST(SettingsTable, FixesAsTheFixCommandPrintsThem) {
    const struct {
        SettingId id;
        const wchar_t* line;
    } cases[] = {
        {SettingId::IaaFix, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark\\IAA = 1"},
        {SettingId::AllocateCdRoms,
         L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\allocatecdroms = \"0\""},
        {SettingId::Autorun, L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\CDRom\\autorun = 1"},
        {SettingId::ServiceStart, L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\Start = 2"},
        {SettingId::ServiceObjectName,
         L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\ObjectName = \"LocalSystem\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settings::describeFix(settings::row(c.id)), c.line);
    }
}
