// Layout of a floyd picture file (".fld"): a 32-byte header, then one row per
// track, each a 16-byte entry followed by the row's pixel data. Little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

namespace floyd {

struct FieldSpec {
    std::string_view name;
    std::uint32_t offset;
    std::uint32_t size;
};

inline constexpr std::uint32_t kMagic = 0x48555584u; // bytes 84 55 55 48
inline constexpr std::uint8_t kFormatByte = 1;
// Bit of `flags`: rows run counter-clockwise on screen.
inline constexpr std::uint8_t kCounterClockwiseFlag = 0x02;

inline constexpr FieldSpec kHeaderFields[] = {
    {"magic", 0, 4},          {"reserved4", 4, 4},    {"reserved8", 8, 2},     {"rowCount", 10, 2},
    {"tracksPerInch", 12, 2}, {"dotsPerInch", 14, 2}, {"reserved16", 16, 4},   {"colourCount", 20, 2},
    {"reserved22", 22, 2},    {"flags", 24, 1},       {"bitsPerPixel", 25, 1}, {"format", 26, 1},
    {"reserved27", 27, 5},
};
inline constexpr std::uint32_t kHeaderSize = 32;

// endOffset is the absolute file offset just past the row's data, which is
// where the next entry starts.
inline constexpr FieldSpec kRowEntryFields[] = {
    {"endOffset", 0, 4},
    {"width", 4, 4},
    {"reserved8", 8, 8},
};
inline constexpr std::uint32_t kRowEntrySize = 16;

// The storage depths a pixel may have, smallest first.
inline constexpr unsigned kStorageDepths[] = {1, 4, 8, 16, 24, 32};

constexpr const FieldSpec& field(std::span<const FieldSpec> table, std::string_view name) {
    for (const FieldSpec& f : table)
        if (f.name == name)
            return f;
    throw "unknown field";
}

// Smallest b >= 1 with 2^b >= colourCount.
constexpr unsigned bitsForColourCount(std::uint32_t colourCount) {
    unsigned b = 1;
    while ((std::uint64_t{1} << b) < colourCount)
        ++b;
    return b;
}

// `bits` rounded up to the next storage depth; 0 when none is deep enough.
constexpr unsigned storageDepthForBits(unsigned bits) {
    for (unsigned d : kStorageDepths)
        if (d >= bits)
            return d;
    return 0;
}

// Bytes a row of `width` pixels needs at depth d: whole bytes, rounded up to
// a multiple of 4. 64-bit so that no width can wrap it.
constexpr std::uint64_t rowStride(std::uint32_t width, unsigned depth) {
    const std::uint64_t bytes = (std::uint64_t{width} * depth + 7) / 8;
    return (bytes + 3) / 4 * 4;
}

// Whether `bytes` can be allocated in an address space measured in `Size`. A
// 32-bit build would otherwise cut a 64-bit total to a small buffer and read
// the rows past its end.
template <typename Size = std::size_t> constexpr bool fitsInMemory(std::uint64_t bytes) {
    return bytes <= std::uint64_t{std::numeric_limits<Size>::max()};
}

// Pixel value of column j of a row at depth d, masked and reduced to 8 bits.
// The caller guarantees the row holds rowStride(width, depth) bytes and j < width.
std::uint8_t pixelOf(const std::uint8_t* row, unsigned depth, std::uint32_t mask, std::uint32_t j);

} // namespace floyd
