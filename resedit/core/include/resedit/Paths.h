// Paths cross from the user interface as UTF-8 text; these convert them
// without the local code page getting in the way.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace resedit {

std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8FromPath(const std::filesystem::path& path);

// The part after the last "/", or failing that after the last "\".
std::string shownFileName(std::string_view path);

// Where the previous contents of a saved file are kept: "NAME.bak" beside it.
std::filesystem::path backupPathFor(const std::filesystem::path& path);

// Copies `file` to its backup name through a temporary file beside it, so an
// old backup is replaced only by a complete new one. A missing `file` needs
// no backup and succeeds.
bool writeBackup(const std::filesystem::path& file);

} // namespace resedit
