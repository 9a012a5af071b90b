#include "platform/formats/PeWriter.h"

#include "Bytes.h"
#include "platform/formats/MessageTable.h"

#include <algorithm>
#include <map>

namespace qmplatform::pe {

namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kDataDirectoryCount = 16;

std::uint32_t alignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// Directory order: named entries first, sorted by name, then numbers rising.
bool idLess(const ResourceId& a, const ResourceId& b) {
    if (a.isName != b.isName) {
        return a.isName;
    }
    return a.isName ? a.name < b.name : a.id < b.id;
}

struct IdLess {
    bool operator()(const ResourceId& a, const ResourceId& b) const { return idLess(a, b); }
};

using LanguageMap = std::map<std::uint16_t, const ResourceToWrite*>;
using NameMap = std::map<ResourceId, LanguageMap, IdLess>;
using TypeMap = std::map<ResourceId, NameMap, IdLess>;

std::vector<std::uint8_t> buildResourceSection(const std::vector<ResourceToWrite>& resources,
                                               std::uint32_t rva) {
    TypeMap tree;
    for (const ResourceToWrite& r : resources) {
        tree[r.type][r.name][r.language] = &r;
    }
    // First pass: sizes of the directory tables, to place strings and data.
    auto tableSize = [](std::size_t entries) {
        return static_cast<std::uint32_t>(kResourceDirectoryHeaderSize + entries * kResourceEntrySize);
    };
    std::uint32_t tables = tableSize(tree.size());
    std::size_t leafCount = 0;
    for (const auto& [type, names] : tree) {
        tables += tableSize(names.size());
        for (const auto& [name, languages] : names) {
            tables += tableSize(languages.size());
            leafCount += languages.size();
        }
    }
    std::vector<std::uint8_t> strings;
    std::map<std::wstring, std::uint32_t> stringOffsets;
    auto nameField = [&](const ResourceId& id) -> std::uint32_t {
        if (!id.isName) {
            return id.id;
        }
        auto [it, inserted] = stringOffsets.try_emplace(id.name, 0);
        if (inserted) {
            it->second = tables + static_cast<std::uint32_t>(strings.size());
            const std::u16string units = bytes::toUtf16(id.name);
            bytes::putU16(strings, static_cast<std::uint16_t>(units.size()));
            bytes::putUtf16(strings, id.name, false);
        }
        return 0x80000000u | it->second;
    };
    for (const auto& [type, names] : tree) {
        nameField(type);
        for (const auto& [name, languages] : names) {
            nameField(name);
        }
    }
    bytes::padTo4(strings);
    const std::uint32_t dataEntries = tables + static_cast<std::uint32_t>(strings.size());
    std::uint32_t dataAt = dataEntries + static_cast<std::uint32_t>(leafCount * kResourceDataEntrySize);

    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> entries;
    std::vector<std::uint8_t> data;
    auto header = [&out](std::size_t named, std::size_t ids) {
        bytes::putU32(out, 0);
        bytes::putU32(out, 0);
        bytes::putU16(out, 4);
        bytes::putU16(out, 0);
        bytes::putU16(out, static_cast<std::uint16_t>(named));
        bytes::putU16(out, static_cast<std::uint16_t>(ids));
    };
    auto countNamed = [](const auto& map) {
        return static_cast<std::size_t>(
            std::count_if(map.begin(), map.end(), [](const auto& entry) { return entry.first.isName; }));
    };
    // Tables in breadth order: root, each type's names, each name's languages.
    std::uint32_t next = tableSize(tree.size());
    header(countNamed(tree), tree.size() - countNamed(tree));
    for (const auto& [type, names] : tree) {
        bytes::putU32(out, nameField(type));
        bytes::putU32(out, 0x80000000u | next);
        next += tableSize(names.size());
    }
    for (const auto& [type, names] : tree) {
        header(countNamed(names), names.size() - countNamed(names));
        for (const auto& [name, languages] : names) {
            bytes::putU32(out, nameField(name));
            bytes::putU32(out, 0x80000000u | next);
            next += tableSize(languages.size());
        }
    }
    std::uint32_t leafEntry = dataEntries;
    for (const auto& [type, names] : tree) {
        for (const auto& [name, languages] : names) {
            header(0, languages.size());
            for (const auto& [language, resource] : languages) {
                bytes::putU32(out, language);
                bytes::putU32(out, leafEntry);
                leafEntry += kResourceDataEntrySize;
                bytes::putU32(entries, rva + dataAt + static_cast<std::uint32_t>(data.size()));
                bytes::putU32(entries, static_cast<std::uint32_t>(resource->data.size()));
                bytes::putU32(entries, 0);
                bytes::putU32(entries, 0);
                data.insert(data.end(), resource->data.begin(), resource->data.end());
                while (data.size() % 8 != 0) {
                    data.push_back(0);
                }
            }
        }
    }
    out.insert(out.end(), strings.begin(), strings.end());
    out.insert(out.end(), entries.begin(), entries.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

} // namespace

std::vector<std::uint8_t> writeResourceImage(const std::vector<ResourceToWrite>& resources,
                                             const PeWriteOptions& options) {
    const bool plus = options.machine == kMachineAmd64;
    const std::vector<std::uint8_t> rsrc = buildResourceSection(resources, options.resourceRva);
    const auto rawSize = alignUp(static_cast<std::uint32_t>(rsrc.size()), kFileAlignment);
    const std::uint32_t headersSize = kFileAlignment;

    std::vector<std::uint8_t> out(64, 0);
    bytes::setU16(out, 0, kDosSignature);
    bytes::setU32(out, kDosLfanewOffset, 64);
    bytes::putU32(out, kPeSignature);
    const std::uint16_t optionalSize =
        static_cast<std::uint16_t>((plus ? 112 : 96) + kDataDirectoryCount * kDataDirectorySize);
    bytes::putU16(out, options.machine);
    bytes::putU16(out, 1); // sections
    bytes::putU32(out, 0); // time stamp: reproducible output
    bytes::putU32(out, 0);
    bytes::putU32(out, 0);
    bytes::putU16(out, optionalSize);
    bytes::putU16(out, plus ? 0x2022 : 0x210E); // DLL, executable (, 32-bit machine / large addresses)

    const std::size_t optional = out.size();
    out.resize(optional + optionalSize, 0);
    bytes::setU16(out, optional, plus ? kMagicPe32Plus : kMagicPe32);
    out[optional + 2] = 2;                                  // linker version
    bytes::setU32(out, optional + 8, rawSize);              // initialised data
    bytes::setU32(out, optional + 20, options.resourceRva); // BaseOfCode
    if (plus) {
        bytes::setU32(out, optional + 24, 0x80000000u); // ImageBase, low half
        bytes::setU32(out, optional + 28, 0x1);
    } else {
        bytes::setU32(out, optional + 24, options.resourceRva); // BaseOfData
        bytes::setU32(out, optional + 28, 0x10000000u);         // ImageBase
    }
    bytes::setU32(out, optional + 32, kSectionAlignment);
    bytes::setU32(out, optional + 36, kFileAlignment);
    bytes::setU16(out, optional + 40, plus ? 6 : 4); // OS version
    bytes::setU16(out, optional + 48, plus ? 6 : 4); // subsystem version
    bytes::setU32(out, optional + 56,
                  options.resourceRva + alignUp(static_cast<std::uint32_t>(rsrc.size()), kSectionAlignment));
    bytes::setU32(out, optional + 60, headersSize);
    bytes::setU16(out, optional + 68, 2);      // Windows GUI
    bytes::setU16(out, optional + 70, 0x0140); // dynamic base, NX compatible
    const std::size_t sizes = optional + (plus ? 72 : 72);
    if (plus) {
        bytes::setU32(out, sizes, 0x100000);
        bytes::setU32(out, sizes + 8, 0x1000);
        bytes::setU32(out, sizes + 16, 0x100000);
        bytes::setU32(out, sizes + 24, 0x1000);
    } else {
        bytes::setU32(out, sizes, 0x100000);
        bytes::setU32(out, sizes + 4, 0x1000);
        bytes::setU32(out, sizes + 8, 0x100000);
        bytes::setU32(out, sizes + 12, 0x1000);
    }
    bytes::setU32(out, optional + (plus ? 108 : 92), kDataDirectoryCount);
    const std::size_t resourceDirectory =
        optional + (plus ? 112 : 96) + kResourceDirectoryIndex * kDataDirectorySize;
    bytes::setU32(out, resourceDirectory, options.resourceRva);
    bytes::setU32(out, resourceDirectory + 4, static_cast<std::uint32_t>(rsrc.size()));

    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    out.insert(out.end(), name, name + 8);
    bytes::putU32(out, static_cast<std::uint32_t>(rsrc.size()));
    bytes::putU32(out, options.resourceRva);
    bytes::putU32(out, rawSize);
    bytes::putU32(out, headersSize);
    bytes::putU32(out, 0);
    bytes::putU32(out, 0);
    bytes::putU16(out, 0);
    bytes::putU16(out, 0);
    bytes::putU32(out, 0x40000040u); // initialised data, readable
    out.resize(headersSize, 0);
    out.insert(out.end(), rsrc.begin(), rsrc.end());
    out.resize(headersSize + rawSize, 0);
    return out;
}

std::vector<std::uint8_t>
writeMessageTable(const std::vector<std::pair<std::uint32_t, std::wstring>>& messages) {
    std::vector<std::pair<std::uint32_t, std::wstring>> sorted = messages;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::vector<std::size_t>> blocks;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (blocks.empty() || sorted[i].first != sorted[blocks.back().back()].first + 1) {
            blocks.emplace_back();
        }
        blocks.back().push_back(i);
    }
    std::vector<std::uint8_t> out;
    bytes::putU32(out, static_cast<std::uint32_t>(blocks.size()));
    std::vector<std::uint8_t> entries;
    const std::size_t entriesStart = 4 + blocks.size() * kMessageBlockSize;
    for (const auto& block : blocks) {
        bytes::putU32(out, sorted[block.front()].first);
        bytes::putU32(out, sorted[block.back()].first);
        bytes::putU32(out, static_cast<std::uint32_t>(entriesStart + entries.size()));
        for (std::size_t index : block) {
            std::vector<std::uint8_t> text;
            bytes::putUtf16(text, sorted[index].second);
            bytes::padTo4(text);
            bytes::putU16(entries, static_cast<std::uint16_t>(text.size() + 4));
            bytes::putU16(entries, 1);
            entries.insert(entries.end(), text.begin(), text.end());
        }
    }
    out.insert(out.end(), entries.begin(), entries.end());
    return out;
}

} // namespace qmplatform::pe
