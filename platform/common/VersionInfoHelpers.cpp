#include "pe/Bytes.h"
#include "platform/VersionInfo.h"
#include "platform/Win32Codes.h"

#include <cstdio>

namespace qmplatform {

bool readVersionBlock(VersionInfo& versions, std::wstring_view windowsPath, std::vector<std::uint8_t>& block,
                      long& error) {
    const std::uint32_t size = versions.infoSize(windowsPath, error);
    if (size == 0) {
        return false;
    }
    std::vector<std::uint8_t> buffer(size);
    if (!versions.info(windowsPath, buffer, error)) {
        return false;
    }
    block = std::move(buffer);
    return true;
}

bool queryFixedFileInfo(VersionInfo& versions, std::span<const std::uint8_t> block, FixedFileInfo& out) {
    VersionQueryResult result;
    if (!versions.queryValue(block, L"\\", result) || result.value.size() < kFixedFileInfoBytes) {
        return false;
    }
    std::uint32_t fields[13];
    for (std::size_t i = 0; i < 13; ++i) {
        fields[i] = bytes::u32At(result.value, 4 * i);
    }
    if (fields[0] != 0xFEEF04BD) {
        return false;
    }
    out = FixedFileInfo{fields[0], fields[1], fields[2], fields[3],  fields[4],  fields[5], fields[6],
                        fields[7], fields[8], fields[9], fields[10], fields[11], fields[12]};
    return true;
}

bool queryTranslations(VersionInfo& versions, std::span<const std::uint8_t> block,
                       std::vector<std::uint32_t>& out) {
    VersionQueryResult result;
    if (!versions.queryValue(block, L"\\VarFileInfo\\Translation", result)) {
        return false;
    }
    std::vector<std::uint32_t> entries;
    const std::size_t bytesGiven = std::min<std::size_t>(result.length, result.value.size());
    for (std::size_t at = 0; at + 4 <= bytesGiven; at += 4) {
        entries.push_back(bytes::u32At(result.value, at));
    }
    out = std::move(entries);
    return true;
}

bool queryVersionString(VersionInfo& versions, std::span<const std::uint8_t> block, std::uint16_t language,
                        std::uint16_t codePage, std::wstring_view name, std::wstring& out) {
    wchar_t table[16];
    std::swprintf(table, 16, L"%04x%04x", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
    std::wstring path = L"\\StringFileInfo\\";
    path += table;
    path += L"\\";
    path += name;
    VersionQueryResult result;
    if (!versions.queryValue(block, path, result)) {
        return false;
    }
    std::u16string units;
    for (std::size_t at = 0; at + 2 <= result.value.size(); at += 2) {
        const std::uint16_t unit = bytes::u16At(result.value, at);
        if (unit == 0) {
            break;
        }
        units.push_back(static_cast<char16_t>(unit));
    }
    out = bytes::fromUtf16(units);
    return true;
}

std::wstring fileVersionText(const FixedFileInfo& info) {
    return std::to_wstring(info.fileVersionMS >> 16) + L"." + std::to_wstring(info.fileVersionMS & 0xFFFF) +
           L"." + std::to_wstring(info.fileVersionLS >> 16) + L"." +
           std::to_wstring(info.fileVersionLS & 0xFFFF);
}

} // namespace qmplatform
