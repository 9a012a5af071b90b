#include "platform/formats/PeImage.h"

#include "Bytes.h"

#include <algorithm>

namespace qmplatform::pe {

using bytes::readU16;
using bytes::readU32;

namespace {

// The Windows loader refuses more sections than this; a larger count in a
// file is damage, not a real image.
constexpr std::uint32_t kMaxSections = 96;
// A resource tree with more leaves than this is taken as hostile: directories
// may share subdirectories, so a small file could otherwise describe billions.
constexpr std::size_t kMaxLeaves = 65536;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;

} // namespace

const char* statusText(PeStatus status) {
    switch (status) {
    case PeStatus::Ok:
        return "ok";
    case PeStatus::NotPe:
        return "not a PE file";
    case PeStatus::Malformed:
        return "malformed PE headers or resource directory";
    case PeStatus::NoResources:
        return "no resources";
    case PeStatus::ResourceTypeNotFound:
        return "resource type not found";
    case PeStatus::ResourceNameNotFound:
        return "resource name not found";
    case PeStatus::ResourceLangNotFound:
        return "resource language not found";
    case PeStatus::BadResourceData:
        return "resource data outside the file";
    }
    return "?";
}

PeStatus PeImage::parse(std::span<const std::uint8_t> file, PeImage& out) {
    PeImage image;
    image.file_ = file;
    std::uint16_t dosSignature = 0;
    if (!readU16(file, 0, dosSignature) || dosSignature != kDosSignature || file.size() < kDosHeaderSize) {
        return PeStatus::NotPe;
    }
    std::uint32_t ntOffset = 0;
    readU32(file, kDosLfanewOffset, ntOffset);
    std::uint32_t peSignature = 0;
    if (!readU32(file, ntOffset, peSignature) || peSignature != kPeSignature) {
        return PeStatus::NotPe;
    }
    const std::size_t fileHeader = static_cast<std::size_t>(ntOffset) + 4;
    if (!bytes::fits(file, fileHeader, kFileHeaderSize)) {
        return PeStatus::Malformed;
    }
    image.machine_ = bytes::u16At(file, fileHeader + kFileHeaderFields[0].offset);
    const std::uint16_t sectionCount = bytes::u16At(file, fileHeader + kFileHeaderFields[1].offset);
    const std::uint16_t optionalSize = bytes::u16At(file, fileHeader + kFileHeaderFields[5].offset);
    const std::size_t optional = fileHeader + kFileHeaderSize;
    if (!bytes::fits(file, optional, optionalSize) || optionalSize < 2) {
        return PeStatus::Malformed;
    }
    const std::uint16_t magic = bytes::u16At(file, optional);
    const OptionalHeaderForm* form = nullptr;
    for (const OptionalHeaderForm& candidate : kOptionalHeaderForms) {
        if (candidate.magic == magic) {
            form = &candidate;
        }
    }
    if (form == nullptr) {
        return PeStatus::Malformed;
    }
    image.pe32Plus_ = magic == kMagicPe32Plus;

    // Directories count only as far as both their count and the optional
    // header's stated size reach.
    std::uint32_t directoryCount = 0;
    if (form->numberOfRvaAndSizesOffset + 4 <= optionalSize) {
        directoryCount = bytes::u32At(file, optional + form->numberOfRvaAndSizesOffset);
    }
    const std::uint32_t directoriesInHeader =
        optionalSize > form->dataDirectoryOffset
            ? (optionalSize - form->dataDirectoryOffset) / kDataDirectorySize
            : 0;
    directoryCount = std::min(directoryCount, directoriesInHeader);
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
    if (directoryCount > kResourceDirectoryIndex) {
        const std::size_t entry =
            optional + form->dataDirectoryOffset + kResourceDirectoryIndex * kDataDirectorySize;
        resourceRva = bytes::u32At(file, entry);
        resourceSize = bytes::u32At(file, entry + 4);
    }

    if (sectionCount > kMaxSections) {
        return PeStatus::Malformed;
    }
    const std::size_t sectionTable = optional + optionalSize;
    if (!bytes::fits(file, sectionTable, static_cast<std::size_t>(sectionCount) * kSectionHeaderSize)) {
        return PeStatus::Malformed;
    }
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sectionTable + static_cast<std::size_t>(i) * kSectionHeaderSize;
        Section section;
        for (std::size_t c = 0; c < 8 && file[at + c] != 0; ++c) {
            section.name.push_back(static_cast<char>(file[at + c]));
        }
        section.virtualSize = bytes::u32At(file, at + kSectionHeaderFields[1].offset);
        section.virtualAddress = bytes::u32At(file, at + kSectionHeaderFields[2].offset);
        section.sizeOfRawData = bytes::u32At(file, at + kSectionHeaderFields[3].offset);
        section.pointerToRawData = bytes::u32At(file, at + kSectionHeaderFields[4].offset);
        image.sections_.push_back(section);
    }

    if (resourceRva != 0 && resourceSize != 0) {
        std::span<const std::uint8_t> root;
        if (!image.mapRva(resourceRva, kResourceDirectoryHeaderSize, root)) {
            return PeStatus::Malformed;
        }
        // The tree may reach to the end of the section's bytes in the file.
        for (const Section& section : image.sections_) {
            if (resourceRva >= section.virtualAddress &&
                resourceRva - section.virtualAddress < section.sizeOfRawData) {
                const std::size_t start = static_cast<std::size_t>(section.pointerToRawData) +
                                          (resourceRva - section.virtualAddress);
                const std::size_t end = std::min(
                    static_cast<std::size_t>(section.pointerToRawData) + section.sizeOfRawData, file.size());
                image.resourceTree_ = file.subspan(start, end - start);
                break;
            }
        }
        image.resourceSize_ = resourceSize;
    }
    out = std::move(image);
    return PeStatus::Ok;
}

bool PeImage::mapRva(std::uint32_t rva, std::uint32_t size, std::span<const std::uint8_t>& out) const {
    for (const Section& section : sections_) {
        if (rva < section.virtualAddress) {
            continue;
        }
        const std::uint64_t delta = rva - section.virtualAddress;
        // Bytes beyond the raw data exist only in memory, as zeros; the
        // resources the suite reads never live there.
        if (delta + size > section.sizeOfRawData) {
            continue;
        }
        const std::uint64_t start = static_cast<std::uint64_t>(section.pointerToRawData) + delta;
        if (start + size > file_.size()) {
            return false;
        }
        out = file_.subspan(static_cast<std::size_t>(start), size);
        return true;
    }
    return false;
}

bool PeImage::directoryEntries(std::uint32_t offset, std::vector<Entry>& out) const {
    std::uint16_t named = 0;
    std::uint16_t ids = 0;
    if (!readU16(resourceTree_, static_cast<std::size_t>(offset) + 12, named) ||
        !readU16(resourceTree_, static_cast<std::size_t>(offset) + 14, ids)) {
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(named) + ids;
    const std::size_t first = static_cast<std::size_t>(offset) + kResourceDirectoryHeaderSize;
    if (!bytes::fits(resourceTree_, first, count * kResourceEntrySize)) {
        return false;
    }
    out.clear();
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = first + i * kResourceEntrySize;
        out.push_back({bytes::u32At(resourceTree_, at), bytes::u32At(resourceTree_, at + 4)});
    }
    return true;
}

bool PeImage::readName(std::uint32_t nameField, ResourceId& out) const {
    if ((nameField & kSubdirectoryFlag) == 0) {
        out.isName = false;
        out.id = static_cast<std::uint16_t>(nameField);
        return true;
    }
    const std::size_t at = nameField & ~kSubdirectoryFlag;
    std::uint16_t length = 0;
    if (!readU16(resourceTree_, at, length) || !bytes::fits(resourceTree_, at + 2, length * std::size_t{2})) {
        return false;
    }
    std::u16string units;
    for (std::size_t i = 0; i < length; ++i) {
        units.push_back(static_cast<char16_t>(bytes::u16At(resourceTree_, at + 2 + 2 * i)));
    }
    out.isName = true;
    out.id = 0;
    out.name = bytes::fromUtf16(units);
    return true;
}

PeStatus PeImage::leafData(std::uint32_t offset, ResourceLeaf& leaf) const {
    if (!bytes::fits(resourceTree_, offset, kResourceDataEntrySize)) {
        return PeStatus::Malformed;
    }
    leaf.dataRva = bytes::u32At(resourceTree_, offset);
    leaf.size = bytes::u32At(resourceTree_, offset + 4);
    leaf.codePage = bytes::u32At(resourceTree_, offset + 8);
    return PeStatus::Ok;
}

PeStatus PeImage::resources(std::vector<ResourceLeaf>& out) const {
    out.clear();
    if (!hasResources()) {
        return PeStatus::NoResources;
    }
    std::vector<Entry> types;
    std::vector<Entry> names;
    std::vector<Entry> languages;
    if (!directoryEntries(0, types)) {
        return PeStatus::Malformed;
    }
    for (const Entry& type : types) {
        // A leaf where a directory belongs cannot be placed in the tree.
        if ((type.offsetField & kSubdirectoryFlag) == 0) {
            return PeStatus::Malformed;
        }
        ResourceLeaf leaf;
        if (!readName(type.nameField, leaf.type) ||
            !directoryEntries(type.offsetField & ~kSubdirectoryFlag, names)) {
            return PeStatus::Malformed;
        }
        for (const Entry& name : names) {
            if ((name.offsetField & kSubdirectoryFlag) == 0 || !readName(name.nameField, leaf.name) ||
                !directoryEntries(name.offsetField & ~kSubdirectoryFlag, languages)) {
                return PeStatus::Malformed;
            }
            for (const Entry& language : languages) {
                if ((language.offsetField & kSubdirectoryFlag) != 0) {
                    return PeStatus::Malformed;
                }
                leaf.language = static_cast<std::uint16_t>(language.nameField);
                if (leafData(language.offsetField, leaf) != PeStatus::Ok || out.size() >= kMaxLeaves) {
                    return PeStatus::Malformed;
                }
                out.push_back(leaf);
            }
        }
    }
    return PeStatus::Ok;
}

PeStatus PeImage::findResource(std::uint16_t type, std::uint16_t name,
                               std::span<const std::uint16_t> languages, std::span<const std::uint8_t>& data,
                               std::uint16_t* foundLanguage) const {
    if (!hasResources()) {
        return PeStatus::NoResources;
    }
    std::vector<Entry> entries;
    auto findId = [&entries](std::uint16_t id, const Entry*& found) {
        for (const Entry& entry : entries) {
            if ((entry.nameField & kSubdirectoryFlag) == 0 &&
                static_cast<std::uint16_t>(entry.nameField) == id && (entry.nameField >> 16) == 0) {
                found = &entry;
                return;
            }
        }
    };
    const Entry* found = nullptr;
    if (!directoryEntries(0, entries)) {
        return PeStatus::Malformed;
    }
    findId(type, found);
    if (found == nullptr) {
        return PeStatus::ResourceTypeNotFound;
    }
    if ((found->offsetField & kSubdirectoryFlag) == 0 ||
        !directoryEntries(found->offsetField & ~kSubdirectoryFlag, entries)) {
        return PeStatus::Malformed;
    }
    found = nullptr;
    findId(name, found);
    if (found == nullptr) {
        return PeStatus::ResourceNameNotFound;
    }
    if ((found->offsetField & kSubdirectoryFlag) == 0 ||
        !directoryEntries(found->offsetField & ~kSubdirectoryFlag, entries)) {
        return PeStatus::Malformed;
    }
    found = nullptr;
    for (std::uint16_t language : languages) {
        findId(language, found);
        if (found != nullptr) {
            break;
        }
    }
    if (found == nullptr && !entries.empty()) {
        found = &entries.front();
    }
    if (found == nullptr) {
        return PeStatus::ResourceLangNotFound;
    }
    if ((found->offsetField & kSubdirectoryFlag) != 0) {
        return PeStatus::Malformed;
    }
    ResourceLeaf leaf;
    if (leafData(found->offsetField, leaf) != PeStatus::Ok) {
        return PeStatus::Malformed;
    }
    if (!mapRva(leaf.dataRva, leaf.size, data)) {
        return PeStatus::BadResourceData;
    }
    if (foundLanguage != nullptr) {
        *foundLanguage = static_cast<std::uint16_t>(found->nameField);
    }
    return PeStatus::Ok;
}

} // namespace qmplatform::pe
