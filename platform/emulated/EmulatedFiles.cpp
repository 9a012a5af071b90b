#include "emulated/EmulatedBackends.h"

#include "platform/FileReplace.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace qmplatform::emulated {

namespace fs = std::filesystem;

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000LL;

std::uint64_t toFileTime(fs::file_time_type time) {
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
    const auto sys = std::chrono::file_clock::to_sys(time);
    const std::int64_t ticks =
        std::chrono::duration_cast<Ticks>(sys.time_since_epoch()).count() + kFileTimeUnixEpoch;
    return ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
}

std::wstring entryName(const fs::path& name) {
#ifdef _WIN32
    return name.wstring();
#else
    return fromUtf8(name.string());
#endif
}

} // namespace

std::FILE* EmulatedFiles::openForReading(std::wstring_view windowsPath) const {
    const fs::path host = machine_.hostPath(windowsPath);
    std::error_code ec;
    // A folder opens on POSIX but never with _wfopen.
    if (host.empty() || !fs::is_regular_file(host, ec)) {
        return nullptr;
    }
#ifdef _WIN32
    return _wfopen(host.c_str(), L"rb");
#else
    return std::fopen(host.c_str(), "rb");
#endif
}

bool EmulatedFiles::listFolder(std::wstring_view windowsPath, std::vector<FolderEntry>& out) const {
    const fs::path host = machine_.hostPath(windowsPath);
    std::error_code ec;
    if (host.empty() || !fs::is_directory(host, ec)) {
        return false;
    }
    std::vector<FolderEntry> entries;
    for (fs::directory_iterator it(host, ec), end; it != end; it.increment(ec)) {
        if (ec) {
            return false;
        }
        // An entry that vanishes or cannot be examined is listed as far as
        // it can be; the listing itself succeeded.
        std::error_code entryError;
        FolderEntry entry;
        entry.name = entryName(it->path().filename());
        entry.isLink = it->is_symlink(entryError);
        entry.isFolder = it->is_directory(entryError);
        if (!entry.isFolder) {
            const std::uintmax_t size = it->file_size(entryError);
            entry.size = entryError ? 0 : static_cast<std::uint64_t>(size);
        }
        const fs::file_time_type written = it->last_write_time(entryError);
        entry.lastWriteTime = entryError ? 0 : toFileTime(written);
        entries.push_back(std::move(entry));
    }
    if (ec) {
        return false;
    }
    out = std::move(entries);
    return true;
}

bool EmulatedFiles::canonicalPath(std::wstring_view windowsPath, std::wstring& out) const {
    const fs::path host = machine_.hostPath(windowsPath);
    std::error_code ec;
    if (host.empty()) {
        return false;
    }
    const fs::path resolved = fs::canonical(host, ec);
    if (ec) {
        return false;
    }
    // hostPath refuses links that lead out of the machine, so the resolved
    // path is one of its own; windowsPath() says so or gives nothing.
    std::wstring path = machine_.windowsPath(resolved);
    if (path.empty()) {
        return false;
    }
    out = std::move(path);
    return true;
}

bool EmulatedFiles::replaceFile(std::wstring_view windowsPath, std::span<const std::uint8_t> contents) {
    const fs::path host = machine_.hostPath(windowsPath);
    std::error_code ec;
    if (host.empty() || !host.has_parent_path()) {
        return false;
    }
    fs::create_directories(host.parent_path(), ec);
    std::string error;
    return !ec && writeFileReplacing(host, contents.data(), contents.size(), error);
}

} // namespace qmplatform::emulated
