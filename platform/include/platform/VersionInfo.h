// Version resources of files, by Windows path: GetFileVersionInfoSizeW,
// GetFileVersionInfoW and VerQueryValueW.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

// VS_FIXEDFILEINFO, 52 bytes in the block.
struct FixedFileInfo {
    std::uint32_t signature = 0;
    std::uint32_t strucVersion = 0;
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;
};
inline constexpr std::size_t kFixedFileInfoBytes = 52;

// A value found by VerQueryValueW: its bytes inside the block, and the
// length the call reports (bytes for binary values, characters for texts).
struct VersionQueryResult {
    std::span<const std::uint8_t> value;
    std::uint32_t length = 0;
};

class VersionInfo {
public:
    virtual ~VersionInfo() = default;
    // GetFileVersionInfoSizeW: the size of buffer the block needs, or 0 and
    // the error (kErrorFileNotFound, kErrorResourceDataNotFound for a file
    // that is no module, kErrorResourceTypeNotFound for a module without a
    // version resource).
    virtual std::uint32_t infoSize(std::wstring_view windowsPath, long& error) = 0;
    // GetFileVersionInfoW: the block, cut to the buffer's size.
    [[nodiscard]] virtual bool info(std::wstring_view windowsPath, std::span<std::uint8_t> buffer, long& error) = 0;
    // VerQueryValueW on a block that info() filled: "\\",
    // "\\VarFileInfo\\Translation", "\\StringFileInfo\\<lang><cp>\\<name>".
    [[nodiscard]] virtual bool queryValue(std::span<const std::uint8_t> block, std::wstring_view subBlock,
                            VersionQueryResult& out) = 0;
};

// --- Helpers over any backend ---------------------------------------------

// Size, allocate, read: the whole block of a file, or false and the error.
bool readVersionBlock(VersionInfo& versions, std::wstring_view windowsPath, std::vector<std::uint8_t>& block,
                      long& error);
// "\\" as VS_FIXEDFILEINFO; false when missing, short or without its signature.
bool queryFixedFileInfo(VersionInfo& versions, std::span<const std::uint8_t> block, FixedFileInfo& out);
// "\\VarFileInfo\\Translation": each entry language in the low word, code
// page in the high word, as the DWORDs of the block read.
bool queryTranslations(VersionInfo& versions, std::span<const std::uint8_t> block,
                       std::vector<std::uint32_t>& out);
// "\\StringFileInfo\\<language><codepage>\\<name>", without terminator.
bool queryVersionString(VersionInfo& versions, std::span<const std::uint8_t> block, std::uint16_t language,
                        std::uint16_t codePage, std::wstring_view name, std::wstring& out);
// The four 16-bit parts of the file version, "1.8.13.1".
std::wstring fileVersionText(const FixedFileInfo& info);

} // namespace qmplatform
