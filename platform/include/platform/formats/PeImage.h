// A reader of Portable Executable files (PE32 and PE32+) that goes as far as
// the resources: DOS header, PE headers, section table, the resource
// directory tree and its data entries. The file's bytes are untrusted: every
// offset, count and size is checked before use, and a bad file yields a
// status, never a read past the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qmplatform::pe {

enum class PeStatus : std::uint8_t {
    Ok,
    NotPe,                // no "MZ" or no "PE\0\0" where the DOS header points
    Malformed,            // a header, table or directory runs past the file
    NoResources,          // no resource directory
    ResourceTypeNotFound, // the tree has no such type
    ResourceNameNotFound, // the type has no such name
    ResourceLangNotFound, // the name has no leaves at all
    BadResourceData,      // a data entry points outside the file
};

const char* statusText(PeStatus status);

// Format knowledge: one row per header field the reader uses.
struct FieldSpec {
    const char* name;
    std::uint32_t offset;
    std::uint32_t size;
};
inline constexpr std::uint16_t kDosSignature = 0x5A4D;    // "MZ"
inline constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
inline constexpr std::uint16_t kMagicPe32 = 0x10B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x20B;
inline constexpr std::uint32_t kDosHeaderSize = 64;
inline constexpr std::uint32_t kDosLfanewOffset = 0x3C;
inline constexpr std::uint32_t kFileHeaderSize = 20; // after the signature
inline constexpr std::uint32_t kSectionHeaderSize = 40;
inline constexpr std::uint32_t kDataDirectorySize = 8;
inline constexpr std::uint32_t kResourceDirectoryIndex = 2;
inline constexpr std::uint32_t kResourceDirectoryHeaderSize = 16;
inline constexpr std::uint32_t kResourceEntrySize = 8;
inline constexpr std::uint32_t kResourceDataEntrySize = 16;

// COFF file header, relative to the byte after "PE\0\0".
inline constexpr FieldSpec kFileHeaderFields[] = {
    {"Machine", 0, 2},          {"NumberOfSections", 2, 2},
    {"TimeDateStamp", 4, 4},    {"PointerToSymbolTable", 8, 4},
    {"NumberOfSymbols", 12, 4}, {"SizeOfOptionalHeader", 16, 2},
    {"Characteristics", 18, 2},
};
// Where the data directories start in each optional header form, and where
// their count stands.
struct OptionalHeaderForm {
    std::uint16_t magic;
    std::uint32_t numberOfRvaAndSizesOffset;
    std::uint32_t dataDirectoryOffset;
};
inline constexpr OptionalHeaderForm kOptionalHeaderForms[] = {
    {kMagicPe32, 92, 96},
    {kMagicPe32Plus, 108, 112},
};
inline constexpr FieldSpec kSectionHeaderFields[] = {
    {"Name", 0, 8},
    {"VirtualSize", 8, 4},
    {"VirtualAddress", 12, 4},
    {"SizeOfRawData", 16, 4},
    {"PointerToRawData", 20, 4},
    {"PointerToRelocations", 24, 4},
    {"PointerToLinenumbers", 28, 4},
    {"NumberOfRelocations", 32, 2},
    {"NumberOfLinenumbers", 34, 2},
    {"Characteristics", 36, 4},
};

// Resource types the suite reads.
inline constexpr std::uint16_t kRtMessageTable = 11;
inline constexpr std::uint16_t kRtVersion = 16;

struct Section {
    std::string name;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
};

// A resource type or name: a number, or a text when the entry is named.
struct ResourceId {
    bool isName = false;
    std::uint16_t id = 0;
    std::wstring name;
};

struct ResourceLeaf {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;
    std::uint32_t dataRva = 0;
    std::uint32_t size = 0;
    std::uint32_t codePage = 0;
};

class PeImage {
public:
    // The image refers to `file`, which must outlive it.
    static PeStatus parse(std::span<const std::uint8_t> file, PeImage& out);

    std::uint16_t machine() const { return machine_; }
    bool isPe32Plus() const { return pe32Plus_; }
    const std::vector<Section>& sections() const { return sections_; }
    bool hasResources() const { return resourceSize_ != 0; }

    // The file bytes of `size` bytes at `rva`, when one section holds them all.
    bool mapRva(std::uint32_t rva, std::uint32_t size, std::span<const std::uint8_t>& out) const;

    // Every leaf of the resource tree, in directory order.
    PeStatus resources(std::vector<ResourceLeaf>& out) const;

    // The data of a resource with a numeric type and name. The language is
    // chosen as the loader chooses it: the first of `languages` that exists,
    // else the first language the directory lists.
    PeStatus findResource(std::uint16_t type, std::uint16_t name, std::span<const std::uint16_t> languages,
                          std::span<const std::uint8_t>& data, std::uint16_t* foundLanguage = nullptr) const;

private:
    struct Entry {
        std::uint32_t nameField;
        std::uint32_t offsetField;
    };
    bool directoryEntries(std::uint32_t offset, std::vector<Entry>& out) const;
    bool readName(std::uint32_t nameField, ResourceId& out) const;
    PeStatus leafData(std::uint32_t offset, ResourceLeaf& leaf) const;

    std::span<const std::uint8_t> file_;
    std::uint16_t machine_ = 0;
    bool pe32Plus_ = false;
    std::vector<Section> sections_;
    // The resource tree: its bytes from the directory root to the end of the
    // section that holds it (offsets inside the tree are relative to it).
    std::span<const std::uint8_t> resourceTree_;
    std::uint32_t resourceSize_ = 0;
};

} // namespace qmplatform::pe
