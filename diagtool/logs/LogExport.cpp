#include "diagtool/logs/LogExport.h"

#include "platform/FileReplace.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

void csvRecord(std::string& out, const std::vector<std::string>& fields, std::size_t count) {
    for (std::size_t c = 0; c < count; ++c) {
        out += c == 0 ? "\"" : ",\"";
        if (c < fields.size()) {
            for (char ch : fields[c]) {
                if (ch == '"')
                    out += '"';
                out += ch;
            }
        }
        out += '"';
    }
    out += "\r\n";
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

std::string exportText(ExportFormat format, const ExportTable& table) {
    const std::size_t columns = table.headers.size();
    if (format == ExportFormat::Json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const auto& row : table.rows) {
            nlohmann::ordered_json object = nlohmann::ordered_json::object();
            for (std::size_t c = 0; c < columns; ++c)
                object[table.headers[c]] = c < row.size() ? row[c] : std::string();
            array.push_back(std::move(object));
        }
        return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    std::string out(kUtf8ByteOrderMark);
    csvRecord(out, table.headers, columns);
    for (const auto& row : table.rows)
        csvRecord(out, row, columns);
    return out;
}

std::optional<ExportFormat> exportFormatOf(const std::filesystem::path& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".csv")
        return ExportFormat::Csv;
    if (ext == ".json")
        return ExportFormat::Json;
    return std::nullopt;
}

std::pair<std::filesystem::path, ExportFormat> exportTarget(const std::filesystem::path& path,
                                                            ExportFormat filterFormat) {
    if (const auto format = exportFormatOf(path))
        return {path, *format};
    std::filesystem::path withExtension = path;
    withExtension += filterFormat == ExportFormat::Json ? ".json" : ".csv";
    return {withExtension, filterFormat};
}

bool writeExport(const std::filesystem::path& path, ExportFormat format, const ExportTable& table,
                 std::string& error) {
    const std::string text = exportText(format, table);
    return qmplatform::writeFileReplacing(path, reinterpret_cast<const std::uint8_t*>(text.data()),
                                          text.size(), error);
}
