#include "win32/Win32Backends.h"

#include "platform/FileReplace.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace qmplatform {

namespace {

class Win32Files final : public Files {
public:
    std::FILE* openForReading(std::wstring_view windowsPath) const override {
        const std::wstring path(windowsPath);
        return _wfopen(path.c_str(), L"rb");
    }

    bool replaceFile(std::wstring_view windowsPath, std::span<const std::uint8_t> contents) override {
        const std::filesystem::path path{std::wstring(windowsPath)};
        if (!path.has_parent_path()) {
            return false;
        }
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        std::string error;
        return !ec && writeFileReplacing(path, contents.data(), contents.size(), error);
    }

    bool listFolder(std::wstring_view windowsPath, std::vector<FolderEntry>& out) const override {
        std::wstring pattern(windowsPath);
        if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') {
            pattern += L'\\';
        }
        pattern += L'*';
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            return false;
        }
        std::vector<FolderEntry> entries;
        do {
            const std::wstring_view name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            FolderEntry entry;
            entry.name = data.cFileName;
            entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.size = entry.isFolder ? 0 : (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
            entry.lastWriteTime = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                  data.ftLastWriteTime.dwLowDateTime;
            entries.push_back(std::move(entry));
        } while (FindNextFileW(find, &data));
        const DWORD last = GetLastError();
        FindClose(find);
        if (last != ERROR_NO_MORE_FILES) {
            return false;
        }
        out = std::move(entries);
        return true;
    }
};

} // namespace

std::unique_ptr<Files> makeWin32Files() {
    return std::make_unique<Win32Files>();
}

} // namespace qmplatform
