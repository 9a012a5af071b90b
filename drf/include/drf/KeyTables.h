// Record layouts of every resource-file kind, and the entry layouts of every
// library and generation. Everything the file format fixes lives in these
// tables; the code that reads and writes records walks them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace drf {

// Type codes of the key tables.
enum KeyType : std::uint8_t {
    kTypeU8 = 0,
    kTypeU16 = 1,
    kTypeU32 = 2,
    kTypeB8 = 3,
    kTypeB16 = 4,
    kTypeB32 = 5,
    kTypeIdentity = 6,
    kTypeI8 = 8,
    kTypeI32 = 10,
};

inline constexpr std::uint32_t kRecordIdentitySize = 28;

// Byte width of one element of a type code; 0 for codes that are not used.
constexpr std::uint32_t elementWidth(std::uint8_t type) {
    switch (type) {
    case kTypeU8:
    case kTypeB8:
    case kTypeI8:
        return 1;
    case kTypeU16:
    case kTypeB16:
        return 2;
    case kTypeU32:
    case kTypeB32:
    case kTypeI32:
        return 4;
    case kTypeIdentity:
        return kRecordIdentitySize;
    default:
        return 0;
    }
}

constexpr bool isSignedType(std::uint8_t type) {
    return type == kTypeI8 || type == kTypeI32;
}

struct KeyDescriptor {
    std::string_view name; // empty for unnamed fields
    std::uint8_t type;
    std::uint32_t count;
    std::uint32_t offset;

    constexpr std::uint32_t byteSize() const { return elementWidth(type) * count; }
    constexpr bool named() const { return !name.empty(); }
};

struct ResourceFileKind {
    std::string_view name;
    std::span<const KeyDescriptor> keys;
    std::uint32_t recordSize;
    std::uint32_t kindIndex;

    std::uint32_t keyCount() const { return static_cast<std::uint32_t>(keys.size()); }
    // Named key by name; nullptr when the kind has no such key.
    const KeyDescriptor* findKey(std::string_view keyName) const;
};

// Where each kind's record offset sits inside a print-mode entry.
inline constexpr std::uint32_t kEntryFixedSize = 12;
inline constexpr std::uint32_t kMaxKinds = 22;

struct LibraryLayout {
    std::string_view factoryName; // generation factory class
    int sectionType;
    std::uint32_t generation;
    std::span<const ResourceFileKind> kinds;
    std::uint32_t entrySize;
    std::span<const std::uint8_t> slots; // u32 slot index per kind index; the slot lies at entry offset 4n
};

// Kinds of the print-engine library by generation (1-4) and of the other libraries.
std::span<const ResourceFileKind> printEngineKinds(std::uint32_t generation);
std::span<const ResourceFileKind> varmelonKinds();
std::span<const ResourceFileKind> quessaKinds();
std::span<const ResourceFileKind> lorvaneKinds();
std::span<const ResourceFileKind> pendritheKinds();

// Layout of one library in one generation; nullptr when the type or generation is not accepted.
const LibraryLayout* findLibraryLayout(int sectionType, std::uint32_t generation);
std::span<const LibraryLayout> allLibraryLayouts();

// Names of the section types' wrapper factories (index = type - 1).
inline constexpr std::array<std::string_view, 5> kFactoryNames{
    "PendritheFactory", "LorvaneFactory", "QuessaFactory", "VarmelonFactory", "PrintEngineFactory"};

// Print-quality values and the names the library factories use, in table order.
struct QualityName {
    std::string_view name;
    std::uint16_t value;
};
inline constexpr std::array<QualityName, 5> kQualityNames{{
    {"invalid", 4},
    {"marvelous", 4},
    {"best", 0},
    {"normal", 1},
    {"draft", 2},
}};
inline constexpr std::uint16_t kQualityBest = 0;
inline constexpr std::uint16_t kQualityNormal = 1;
inline constexpr std::uint16_t kQualityDraft = 2;
inline constexpr std::uint16_t kQualityInvalid = 4;

std::string_view qualityValueToName(std::uint16_t value);
std::uint16_t qualityNameToValue(std::string_view name);

// The three qualities the editors offer, in the order they offer them.
inline constexpr std::array<QualityName, 3> kEditorQualities{{
    {"Draft", kQualityDraft},
    {"Normal", kQualityNormal},
    {"Best", kQualityBest},
}};
// Shown name back to a value; any unknown text means Normal.
std::uint16_t editorQualityValue(std::string_view shownName);
// Shown name of a value; empty for values the editors do not offer.
std::string_view editorQualityName(std::uint16_t value);

} // namespace drf
