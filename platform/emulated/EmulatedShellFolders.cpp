#include "platform/machine/EmulatedBackends.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace qmplatform::emulated {

namespace {

struct FolderRow {
    int csidl;
    const wchar_t* path; // below C:\; "%USER%" stands for the user's folder
};

// The folders of a Windows installation the suite asks for, as this
// machine lays them out.
constexpr std::array kFolders{
    FolderRow{0x1A, L"users\\%USER%\\AppData\\Roaming"}, // CSIDL_APPDATA
    FolderRow{kCsidlLocalAppData, L"users\\%USER%\\AppData\\Local"},
    FolderRow{kCsidlCommonAppData, L"ProgramData"},
    FolderRow{0x24, L"windows"},           // CSIDL_WINDOWS
    FolderRow{0x25, L"windows\\system32"}, // CSIDL_SYSTEM
    FolderRow{kCsidlProgramFiles, L"Program Files"},
    FolderRow{0x28, L"users\\%USER%"}, // CSIDL_PROFILE
    FolderRow{kCsidlProgramFilesCommon, L"Program Files\\Common Files"},
};

} // namespace

long EmulatedShellFolders::folderPath(int csidl, std::wstring& out) const {
    const int folder = csidl & kCsidlFolderMask;
    for (const FolderRow& row : kFolders) {
        if (row.csidl != folder) {
            continue;
        }
        std::wstring path = std::wstring(L"C:\\") + row.path;
        if (const std::size_t user = path.find(L"%USER%"); user != std::wstring::npos) {
            path.replace(user, 6, machine_.userName());
        }
        const std::filesystem::path host = machine_.hostPath(path);
        std::error_code ec;
        if (host.empty()) {
            return kHresultFileNotFound;
        }
        if (!std::filesystem::is_directory(host, ec)) {
            if ((csidl & kCsidlFlagCreate) == 0 || !std::filesystem::create_directories(host, ec)) {
                return kHresultFileNotFound;
            }
        }
        out = std::move(path);
        return kSOk;
    }
    return kEInvalidArg;
}

} // namespace qmplatform::emulated
