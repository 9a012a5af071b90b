#pragma once

// The rows a log page shows, written to a file for a ticket or a
// spreadsheet: CSV or JSON, chosen by the file's name. Standard C++ only.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class ExportFormat { Csv, Json };

// UTF-8 texts; every row has one field per header (missing ones export as
// empty, extra ones are left out).
struct ExportTable {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

// CSV: every field quoted, quotes doubled, line breaks kept inside fields,
// CRLF after each record, UTF-8 with a byte order mark so spreadsheet
// programs take it as UTF-8. JSON: an array of objects keyed by the headers;
// bytes that are not UTF-8 become U+FFFD.
std::string exportText(ExportFormat format, const ExportTable& table);

// The format a file name asks for by its extension (either case), if any.
std::optional<ExportFormat> exportFormatOf(const std::filesystem::path& path);

// The file to write when the user chose `path` with the filter of
// `filterFormat`: a name with a known extension keeps it and its format;
// any other name gets the filter's extension added.
std::pair<std::filesystem::path, ExportFormat> exportTarget(const std::filesystem::path& path,
                                                            ExportFormat filterFormat);

// Writes atomically (a temporary file beside the target, then renamed over
// it); false with a reason, the old file untouched.
bool writeExport(const std::filesystem::path& path, ExportFormat format, const ExportTable& table,
                 std::string& error);
