// Layout of a print-job file (see standins/jobfile/FORMAT.md) and of the records
// the parser hands over. Every offset and size the reader and the writer use
// comes from these tables.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace JobFile {

struct FieldSpec {
    std::string_view name;
    std::uint32_t offset;
    std::uint32_t size;
};

// Bytes 51 4D 4A 42 ("QMJB") at the start of every job file.
inline constexpr std::uint32_t kMagic = 0x424A4D51u;
// The only format version the viewer accepts.
inline constexpr std::uint16_t kFormatVersion = 3;

inline constexpr FieldSpec kFileHeaderFields[] = {
    {"magic", 0, 4},
    {"formatVersion", 4, 2},
    {"reserved6", 6, 2},
    {"labelingParameters", 8, 36},
    {"driveCapabilities", 44, 20},
    {"trackCount", 64, 4},
};
inline constexpr std::uint32_t kFileHeaderSize = 68;
// What ParseFileHeader reads: the magic and the version, nothing more.
inline constexpr std::uint32_t kVersionPrefixSize = 6;

inline constexpr FieldSpec kLabelingParametersFields[] = {
    {"reserved0", 0, 1},   {"clockwise", 1, 1},    {"reserved2", 2, 4},
    {"spiral", 6, 1},      {"reserved7", 7, 1},    {"reserved8", 8, 12},
    {"trackPitch", 20, 4}, {"markSpacing", 24, 4}, {"reserved28", 28, 8},
};
inline constexpr std::uint32_t kLabelingParametersSize = 36;

inline constexpr FieldSpec kDriveCapabilitiesFields[] = {
    {"reserved0", 0, 4},        {"innerRadius", 4, 2},        {"outerRadius", 6, 2},
    {"firstTrackRadius", 8, 2}, {"angleUnitsPerTurn", 10, 2}, {"reserved12", 12, 8},
};
inline constexpr std::uint32_t kDriveCapabilitiesSize = 20;

// Fixed part of a track in the file; bytes 0 to 13 are those of JobFile::Track,
// byte 14 holds the length of the auxiliary bytes that follow the record.
// After them come (markCount + 7) / 8 mark bytes.
inline constexpr FieldSpec kTrackRecordFields[] = {
    {"reserved0", 0, 1}, {"lastTrack", 1, 1},    {"trackNumber", 2, 2}, {"startAngle", 4, 2},
    {"markCount", 6, 2}, {"radialOffset", 8, 2}, {"reserved10", 10, 4}, {"auxiliaryLength", 14, 2},
};
inline constexpr std::uint32_t kTrackRecordSize = 16;

// Looks a field up by name; an unknown name used in a constant expression
// fails the build instead of reading the wrong bytes.
constexpr const FieldSpec& field(std::span<const FieldSpec> table, std::string_view name) {
    for (const FieldSpec& f : table)
        if (f.name == name)
            return f;
    throw "unknown field";
}

// The file header's fields, as the parser and the writer both use them.
inline constexpr FieldSpec kMagicField = field(kFileHeaderFields, "magic");
inline constexpr FieldSpec kVersionField = field(kFileHeaderFields, "formatVersion");
inline constexpr FieldSpec kLabelingField = field(kFileHeaderFields, "labelingParameters");
inline constexpr FieldSpec kDriveField = field(kFileHeaderFields, "driveCapabilities");
inline constexpr FieldSpec kTrackCountField = field(kFileHeaderFields, "trackCount");

constexpr std::uint32_t markBytesFor(std::uint32_t markCount) {
    return (markCount + 7) / 8;
}

} // namespace JobFile
