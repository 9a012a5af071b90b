// Writes floyd picture files, for tests, samples and the picture-to-job tools.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct FloydPicture {
    std::uint16_t tracksPerInch = 500;
    std::uint16_t dotsPerInch = 1000;
    std::uint16_t colourCount = 2;
    std::uint8_t flags = 0;
    std::uint8_t bitsPerPixel = 1;
    std::vector<std::vector<std::uint16_t>> rows; // pixel values, one vector per row
};

namespace floyd {

// Rows are packed at `bitsPerPixel` with the row stride the loader expects.
// Throws std::invalid_argument for more than 65535 rows or a depth that is
// not a storage depth.
std::vector<std::uint8_t> serialize(const FloydPicture& picture);

// Temporary file beside the target, then renamed over it.
bool save(const FloydPicture& picture, const std::filesystem::path& path, std::string* error = nullptr);

} // namespace floyd
