// Files by Windows path ("C:\Program Files\..."), on both sides.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

struct FolderEntry {
    std::wstring name;
    bool isFolder = false;
    // A symbolic link (on Windows a symbolic-link or junction reparse
    // point), to a file or a folder; isFolder and size are its target's.
    bool isLink = false;
    std::uint64_t size = 0;
    // Last write time as a Windows FILETIME (100 ns since 1601-01-01 UTC).
    std::uint64_t lastWriteTime = 0;
};

class Files {
public:
    virtual ~Files() = default;
    // _wfopen(path, L"rb"); null when it cannot be opened. The caller closes it.
    virtual std::FILE* openForReading(std::wstring_view windowsPath) const = 0;
    // The entries of a folder (without "." and ".."); false when it cannot be read.
    virtual bool listFolder(std::wstring_view windowsPath, std::vector<FolderEntry>& out) const = 0;
    // The folder's or file's path with every link resolved, "." and ".."
    // gone and each name spelt as on disk ("C:\Program Files\..."); false
    // when it does not exist. A backend that cannot tell says false.
    virtual bool canonicalPath(std::wstring_view windowsPath, std::wstring& out) const {
        (void)windowsPath;
        (void)out;
        return false;
    }
    // Replaces the file's contents without ever leaving it half written
    // (FileReplace.h), making the missing folders above it first. A backend
    // that cannot write files says false.
    virtual bool replaceFile(std::wstring_view windowsPath, std::span<const std::uint8_t> contents) {
        (void)windowsPath;
        (void)contents;
        return false;
    }
};

} // namespace qmplatform
