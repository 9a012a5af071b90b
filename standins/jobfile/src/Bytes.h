// Little-endian helpers and file access shared by the reader and the writer.
#pragma once

#include <bit>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace JobFile::detail {

static_assert(std::endian::native == std::endian::little,
              "records are handed over as their file images; a big-endian port must swap them");

inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline void putLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

// Paths cross the library boundary as UTF-8 narrow strings.
inline std::filesystem::path pathFromUtf8(std::string_view s) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

// Reads at most `limit` bytes from the start of the file. False when the file
// cannot be opened or read.
bool readFilePrefix(const std::filesystem::path& path, std::size_t limit, std::vector<std::uint8_t>& out);
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out, std::string& error);

} // namespace JobFile::detail
