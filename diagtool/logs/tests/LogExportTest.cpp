// The export of shown rows: CSV that Python's csv module reads back field
// for field (commas, quotes, line breaks, non-ASCII text), JSON keyed by the
// headers, the format picked by the chosen name, and the atomic write.
#include "diagtool/logs/LogExport.h"

#include "platform/FileReplace.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

const ExportTable kTable = {
    {"Type", "Time", "Source", "ID", "Description"},
    {
        {"Error", "Tue 31 Mar 2021", "Wlclntfy", "6000", "line one\r\nline two, with \"quotes\""},
        {"Information", "", "Caf\xC3\xA9, Ltd.", "1", ""},
        {"Warning", "x", "y", "2", "ends with a break\n"},
        {"\"", ",", "\n", "\r", "\"\""},
    },
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LogExport, CsvReadsBackInPythonsCsvModuleWithEveryFieldIntact) {
    if (std::system("/usr/bin/python3 -c \"import csv\"") != 0)
        GTEST_SKIP() << "no python3 to read the CSV with";
    const fs::path csv = fs::path(::testing::TempDir()) / "qm_export.csv";
    const fs::path json = fs::path(::testing::TempDir()) / "qm_export_from_csv.json";
    fs::remove(json);
    std::string error;
    ASSERT_TRUE(writeExport(csv, ExportFormat::Csv, kTable, error)) << error;
    EXPECT_EQ(readAll(csv).rfind("\xEF\xBB\xBF\"Type\",\"Time\"", 0), 0u);
    // utf-8-sig takes the byte order mark off; newline='' lets the reader
    // see the line breaks inside fields as they are.
    const std::string command =
        "/usr/bin/python3 -c \"import csv, json, sys; "
        "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline=''))); "
        "json.dump(rows, open(sys.argv[2], 'w'))\" \"" +
        csv.string() + "\" \"" + json.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<std::vector<std::string>> expected = {kTable.headers};
    expected.insert(expected.end(), kTable.rows.begin(), kTable.rows.end());
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(json)).get<std::vector<std::vector<std::string>>>(),
              expected);
}

TEST(LogExport, RowsOfAnotherWidthExportOneFieldPerHeader) {
    const ExportTable ragged = {{"A", "B"}, {{"1"}, {"1", "2", "3"}}};
    EXPECT_EQ(exportText(ExportFormat::Csv, ragged),
              "\xEF\xBB\xBF\"A\",\"B\"\r\n\"1\",\"\"\r\n\"1\",\"2\"\r\n");
    const auto json = nlohmann::json::parse(exportText(ExportFormat::Json, ragged));
    EXPECT_EQ(json, nlohmann::json::parse(R"([{"A": "1", "B": ""}, {"A": "1", "B": "2"}])"));
    EXPECT_EQ(exportText(ExportFormat::Json, {{"A"}, {}}), "[]\n");
}

TEST(LogExport, JsonKeepsTheHeadersOrderAndSurvivesBytesThatAreNotUtf8) {
    const std::string text = exportText(ExportFormat::Json, kTable);
    EXPECT_LT(text.find("\"Type\""), text.find("\"Description\""));
    const auto parsed = nlohmann::json::parse(text);
    ASSERT_EQ(parsed.size(), kTable.rows.size());
    EXPECT_EQ(parsed[0]["Description"], kTable.rows[0][4]);
    EXPECT_EQ(parsed[1]["Source"], "Caf\xC3\xA9, Ltd.");
    const auto broken = nlohmann::json::parse(exportText(ExportFormat::Json, {{"A"}, {{"x\xFFy"}}}));
    EXPECT_EQ(broken[0]["A"], "x\xEF\xBF\xBDy");
}

TEST(LogExport, TheChosenNameOrElseTheFilterPicksTheFormat) {
    EXPECT_EQ(exportFormatOf("rows.JSON"), ExportFormat::Json);
    EXPECT_EQ(exportFormatOf("rows.csv"), ExportFormat::Csv);
    EXPECT_EQ(exportFormatOf("rows.txt"), std::nullopt);
    EXPECT_EQ(exportFormatOf("rows"), std::nullopt);
    EXPECT_EQ(exportTarget("a/rows.json", ExportFormat::Csv),
              std::pair(fs::path("a/rows.json"), ExportFormat::Json));
    EXPECT_EQ(exportTarget("a/rows", ExportFormat::Json),
              std::pair(fs::path("a/rows.json"), ExportFormat::Json));
    EXPECT_EQ(exportTarget("a/rows.txt", ExportFormat::Csv),
              std::pair(fs::path("a/rows.txt.csv"), ExportFormat::Csv));
}

TEST(LogExport, ReplacesTheFileWholeOrLeavesItAlone) {
    const fs::path path = fs::path(::testing::TempDir()) / "qm_export.json";
    std::ofstream(path) << "old contents";
    std::string error;
    ASSERT_TRUE(writeExport(path, ExportFormat::Json, kTable, error)) << error;
    EXPECT_EQ(readAll(path), exportText(ExportFormat::Json, kTable));
    EXPECT_FALSE(fs::exists(qmplatform::replacementTempPath(path)));
    const fs::path nowhere = fs::path(::testing::TempDir()) / "qm-no-such-folder" / "x.csv";
    EXPECT_FALSE(writeExport(nowhere, ExportFormat::Csv, kTable, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}

} // namespace
