// The VS_VERSIONINFO block of a version resource: its query by sub-block
// path as VerQueryValueW answers it, and its writer (used for the programs'
// own version tables and for test files).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qmplatform::pe {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::uint32_t kFixedFileInfoStrucVersion = 0x00010000;
inline constexpr std::size_t kFixedFileInfoSize = 52;
// Node header: wLength, wValueLength, wType.
inline constexpr std::size_t kVersionNodeHeaderSize = 6;

// What VerQueryValueW hands back: the value's bytes inside the block and its
// length as the call reports it (bytes for binary values, characters for
// texts, as the block's wValueLength states).
struct VersionValue {
    std::span<const std::uint8_t> bytes;
    std::uint32_t length = 0;
    bool isText = false;
};

// Finds the value of `subBlock` ("\\", "\\VarFileInfo\\Translation",
// "\\StringFileInfo\\040904b0\\FileVersion"; keys compare case-insensitively).
// False when the block is malformed or has no such node.
bool queryVersionValue(std::span<const std::uint8_t> block, std::wstring_view subBlock, VersionValue& out);

// Every StringFileInfo entry: its table ("040904b0"), name and text.
struct VersionString {
    std::wstring table;
    std::wstring name;
    std::wstring value;
};
bool listVersionStrings(std::span<const std::uint8_t> block, std::vector<VersionString>& out);

// A version resource as the programs describe it.
struct VersionDescription {
    std::uint16_t fileVersion[4] = {0, 0, 0, 0};
    std::uint16_t productVersion[4] = {0, 0, 0, 0};
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = 0x00040004; // VOS_NT_WINDOWS32
    std::uint32_t fileType = 1;        // VFT_APP
    std::uint16_t language = 0x0409;
    std::uint16_t codePage = 1200;
    // StringFileInfo entries in order ("CompanyName", "FileVersion", ...).
    std::vector<std::pair<std::wstring, std::wstring>> strings;
};

// A 32-bit VS_VERSIONINFO block in the layout the resource compilers write.
std::vector<std::uint8_t> writeVersionBlock(const VersionDescription& description);

} // namespace qmplatform::pe
