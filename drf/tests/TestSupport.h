// Small helpers shared by the DRF tests.
#pragma once

#include "drf/ByteOrder.h"
#include "drf/DrfHeader.h"
#include "drf/LibraryFactory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace drf::test {

inline std::filesystem::path tempDir(const std::string& name) {
    auto dir = std::filesystem::path(::testing::TempDir()) / ("drf_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <typename T> void patch(std::vector<std::uint8_t>& image, std::size_t offset, T value) {
    ASSERT_LE(offset + sizeof(T), image.size());
    writeLe(image.data() + offset, value);
}

template <typename T> T peek(const std::vector<std::uint8_t>& image, std::size_t offset) {
    return readLe<T>(image.data() + offset);
}

// Offset of the section of a type, from the sizes in the image's own header.
inline std::size_t sectionOffset(const std::vector<std::uint8_t>& image, int type) {
    std::size_t offset = kDrfHeaderSize;
    for (int t = 1; t < type; ++t)
        offset += peek<std::uint32_t>(image, kHeaderFields[kHdSectionSize].offset +
                                                 4u * static_cast<unsigned>(t - 1));
    return offset;
}

inline std::size_t sectionSize(const std::vector<std::uint8_t>& image, int type) {
    return peek<std::uint32_t>(image,
                               kHeaderFields[kHdSectionSize].offset + 4u * static_cast<unsigned>(type - 1));
}

// Offset in the image of entry i of a section.
inline std::size_t entryOffset(const std::vector<std::uint8_t>& image, int type, std::size_t entrySize,
                               std::size_t i) {
    return sectionOffset(image, type) + kSectionHeaderSize + i * entrySize;
}

} // namespace drf::test
