#include "drf/DrfHeader.h"

#include "drf/ByteOrder.h"

#include <algorithm>

namespace drf {

namespace {

constexpr std::uint32_t at(HeaderField f) {
    return kHeaderFields[f].offset;
}

template <typename T, std::size_t N>
void readArray(const std::uint8_t* base, HeaderField f, std::array<T, N>& out) {
    for (std::size_t i = 0; i < N; ++i)
        out[i] = readLe<T>(base + at(f) + i * sizeof(T));
}

template <typename T, std::size_t N>
void writeArray(std::uint8_t* base, HeaderField f, const std::array<T, N>& in) {
    for (std::size_t i = 0; i < N; ++i)
        writeLe<T>(base + at(f) + i * sizeof(T), in[i]);
}

} // namespace

std::uint64_t DrfHeader::offsetOfType(int type) const {
    std::uint64_t offset = kDrfHeaderSize;
    for (int t = 1; t < type; ++t)
        offset += sizeOfType(t);
    return offset;
}

void parseDrfHeader(std::span<const std::uint8_t> bytes, DrfHeader& h) {
    const std::uint8_t* p = bytes.data();
    readArray(p, kHdSignature, h.signature);
    h.formatVersion = readLe<std::uint32_t>(p + at(kHdFormatVersion));
    h.headerWord2 = readLe<std::uint32_t>(p + at(kHdWord2));
    readArray(p, kHdLabelText, h.labelText);
    h.driveId = readLe<std::uint16_t>(p + at(kHdDriveId));
    h.headerByte142 = p[at(kHdByte142)];
    readArray(p, kHdSupportedMedia, h.supportedMedia);
    readArray(p, kHdUnsupportedMedia, h.unsupportedMedia);
    readArray(p, kHdNoticeText, h.noticeText);
    h.sectionCount = readLe<std::uint16_t>(p + at(kHdSectionCount));
    readArray(p, kHdSectionSize, h.sectionSize);
    readArray(p, kHdSectionType, h.sectionType);
    readArray(p, kHdSectionGeneration, h.sectionGeneration);
    h.headerSize = readLe<std::uint16_t>(p + at(kHdHeaderSize));
}

void writeDrfHeader(const DrfHeader& h, std::span<std::uint8_t, kDrfHeaderSize> out) {
    std::uint8_t* p = out.data();
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    writeArray(p, kHdSignature, h.signature);
    writeLe(p + at(kHdFormatVersion), h.formatVersion);
    writeLe(p + at(kHdWord2), h.headerWord2);
    writeArray(p, kHdLabelText, h.labelText);
    // The label is a C string for the engine: its last byte always terminates it.
    p[at(kHdLabelText) + 127] = 0;
    writeLe(p + at(kHdDriveId), h.driveId);
    p[at(kHdByte142)] = h.headerByte142;
    writeArray(p, kHdSupportedMedia, h.supportedMedia);
    writeArray(p, kHdUnsupportedMedia, h.unsupportedMedia);
    writeArray(p, kHdNoticeText, h.noticeText);
    writeLe(p + at(kHdSectionCount), h.sectionCount);
    writeArray(p, kHdSectionSize, h.sectionSize);
    writeArray(p, kHdSectionType, h.sectionType);
    writeArray(p, kHdSectionGeneration, h.sectionGeneration);
    writeLe(p + at(kHdHeaderSize), h.headerSize);
}

} // namespace drf
