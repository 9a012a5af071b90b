// Writes resource-only PE images (a DLL with one .rsrc section), PE32 or
// PE32+: what the system's loader accepts as a data file. Used to make test
// files and fuzzing seeds with exactly the resources a case needs.
#pragma once

#include "platform/formats/PeImage.h"

#include <cstdint>
#include <vector>

namespace qmplatform::pe {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;

struct ResourceToWrite {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0x0409;
    std::vector<std::uint8_t> data;
};

struct PeWriteOptions {
    std::uint16_t machine = kMachineI386; // i386 writes PE32, amd64 PE32+
    std::uint32_t resourceRva = 0x1000;
};

std::vector<std::uint8_t> writeResourceImage(const std::vector<ResourceToWrite>& resources,
                                             const PeWriteOptions& options = {});

// An RT_MESSAGETABLE resource: UTF-16 entries, consecutive identifiers
// grouped into blocks.
std::vector<std::uint8_t>
writeMessageTable(const std::vector<std::pair<std::uint32_t, std::wstring>>& messages);

inline ResourceId resourceNumber(std::uint16_t id) {
    return ResourceId{false, id, {}};
}

} // namespace qmplatform::pe
