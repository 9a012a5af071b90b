// The fixed 2380-byte header at the start of every DRF.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace drf {

inline constexpr std::uint32_t kDrfHeaderSize = 2380;
inline constexpr std::size_t kMediaListSize = 512;
inline constexpr std::size_t kMaxSections = 5;
inline constexpr std::array<std::uint8_t, 4> kDrfSignature{0xDC, 0xFA, 0xCE, 0xCD};
inline constexpr std::uint32_t kMinFormatVersion = 0;
inline constexpr std::uint32_t kMaxFormatVersion = 4;

struct HeaderFieldSpec {
    std::string_view name;
    std::uint32_t offset;
    std::uint32_t width; // bytes per element
    std::uint32_t count;
};

enum HeaderField {
    kHdSignature,
    kHdFormatVersion,
    kHdWord2,
    kHdLabelText,
    kHdDriveId,
    kHdByte142,
    kHdPadding143,
    kHdSupportedMedia,
    kHdUnsupportedMedia,
    kHdNoticeText,
    kHdSectionCount,
    kHdPadding2322,
    kHdSectionSize,
    kHdSectionType,
    kHdPadding2354,
    kHdSectionGeneration,
    kHdHeaderSize,
    kHdPadding2378,
};

// One row per field, in file order; paddings included so the rows tile the header.
inline constexpr std::array<HeaderFieldSpec, 18> kHeaderFields{{
    {"signature", 0, 1, 4},
    {"formatVersion", 4, 4, 1},
    {"headerWord2", 8, 4, 1},
    {"labelText", 12, 1, 128},
    {"driveId", 140, 2, 1},
    {"headerByte142", 142, 1, 1},
    {"padding", 143, 1, 1},
    {"supportedMedia", 144, 2, 512},
    {"unsupportedMedia", 1168, 2, 512},
    {"noticeText", 2192, 1, 128},
    {"sectionCount", 2320, 2, 1},
    {"padding", 2322, 2, 1},
    {"sectionSize", 2324, 4, 5},
    {"sectionType", 2344, 2, 5},
    {"padding", 2354, 2, 1},
    {"sectionGeneration", 2356, 4, 5},
    {"headerSize", 2376, 2, 1},
    {"padding", 2378, 2, 1},
}};

struct DrfHeader {
    std::array<std::uint8_t, 4> signature = kDrfSignature;
    std::uint32_t formatVersion = 0;
    std::uint32_t headerWord2 = 0;
    std::array<std::uint8_t, 128> labelText{};
    std::uint16_t driveId = 0;
    std::uint8_t headerByte142 = 0;
    std::array<std::uint16_t, kMediaListSize> supportedMedia{};
    std::array<std::uint16_t, kMediaListSize> unsupportedMedia{};
    std::array<std::uint8_t, 128> noticeText{};
    std::uint16_t sectionCount = 5;
    std::array<std::uint32_t, kMaxSections> sectionSize{};
    std::array<std::uint16_t, kMaxSections> sectionType{1, 2, 3, 4, 5};
    std::array<std::uint32_t, kMaxSections> sectionGeneration{};
    std::uint16_t headerSize = 0;

    bool operator==(const DrfHeader&) const = default;

    // Sections are looked up by type: type t sits at directory position t - 1.
    static bool isSectionType(int type) { return type >= 1 && type <= static_cast<int>(kMaxSections); }
    std::uint32_t sizeOfType(int type) const { return sectionSize[static_cast<std::size_t>(type - 1)]; }
    std::uint32_t generationOfType(int type) const {
        return sectionGeneration[static_cast<std::size_t>(type - 1)];
    }
    // Offset of a type's section: the header plus every section before it.
    std::uint64_t offsetOfType(int type) const;
};

// Copies every field; `bytes` must hold at least kDrfHeaderSize bytes.
void parseDrfHeader(std::span<const std::uint8_t> bytes, DrfHeader& header);
// Writes the 2380 bytes; paddings are zero.
void writeDrfHeader(const DrfHeader& header, std::span<std::uint8_t, kDrfHeaderSize> out);

} // namespace drf
