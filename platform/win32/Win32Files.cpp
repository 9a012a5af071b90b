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

    bool canonicalPath(std::wstring_view windowsPath, std::wstring& out) const override {
        const std::wstring path(windowsPath);
        // Backup semantics: a folder opens too.
        HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return false;
        }
        std::wstring resolved(MAX_PATH, L'\0');
        DWORD length = GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()),
                                                 FILE_NAME_NORMALIZED);
        if (length >= resolved.size()) {
            resolved.resize(length + 1);
            length = GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()),
                                               FILE_NAME_NORMALIZED);
        }
        CloseHandle(handle);
        if (length == 0 || length >= resolved.size()) {
            return false;
        }
        resolved.resize(length);
        // "\\?\C:\..." and "\\?\UNC\server\share\..." in the forms callers know.
        constexpr std::wstring_view kLong = L"\\\\?\\";
        constexpr std::wstring_view kLongUnc = L"\\\\?\\UNC\\";
        if (resolved.starts_with(kLongUnc)) {
            resolved = L"\\\\" + resolved.substr(kLongUnc.size());
        } else if (resolved.starts_with(kLong)) {
            resolved.erase(0, kLong.size());
        }
        out = std::move(resolved);
        return true;
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
            // Symbolic links and junctions; other reparse points (deduplicated
            // or cloud files) are the files they stand for.
            entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                           (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                            data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
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
