// Saving a user's file without ever losing it: the new contents go to a
// temporary file beside the target, are flushed, and only then renamed over
// the target. On any failure the target is as it was and the temporary file
// is gone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qmplatform {

// Where the new contents of the target are written before the rename.
std::filesystem::path replacementTempPath(const std::filesystem::path& target);

// False with a readable reason in `error` when the file could not be replaced.
bool writeFileReplacing(const std::filesystem::path& target, const std::uint8_t* data, std::size_t size,
                        std::string& error);

inline bool writeFileReplacing(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes,
                               std::string& error) {
    return writeFileReplacing(target, bytes.data(), bytes.size(), error);
}

} // namespace qmplatform
