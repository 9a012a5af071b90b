#include "resedit/Paths.h"

#include <system_error>

namespace resedit {

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string shownFileName(std::string_view path) {
    auto cut = path.rfind('/');
    if (cut == std::string_view::npos) {
        cut = path.rfind('\\');
    }
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::filesystem::path backupPathFor(const std::filesystem::path& path) {
    std::filesystem::path backup = path;
    backup += ".bak";
    return backup;
}

bool writeBackup(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        return !ec;
    }
    const std::filesystem::path backup = backupPathFor(file);
    std::filesystem::path temp = backup;
    temp += ".tmp";
    std::filesystem::copy_file(file, temp, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec) {
        std::filesystem::rename(temp, backup, ec);
    }
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return false;
    }
    return true;
}

} // namespace resedit
