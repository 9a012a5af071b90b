#include "win32/Win32Backends.h"

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

namespace qmplatform {

namespace {

class Win32ShellFolders final : public ShellFolders {
public:
    long folderPath(int csidl, std::wstring& out) const override {
        wchar_t buffer[MAX_PATH] = {};
        const HRESULT result = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
        if (result != S_OK) {
            return static_cast<long>(result);
        }
        out = buffer;
        return kSOk;
    }
};

} // namespace

std::unique_ptr<ShellFolders> makeWin32ShellFolders() {
    return std::make_unique<Win32ShellFolders>();
}

bool pathAppend(std::wstring& path, std::wstring_view more) {
    // PathAppendW works in a MAX_PATH buffer; a longer input cannot come out right.
    if (path.size() >= MAX_PATH || more.size() >= MAX_PATH) {
        return false;
    }
    wchar_t buffer[MAX_PATH] = {};
    path.copy(buffer, path.size());
    const std::wstring tail(more);
    if (!PathAppendW(buffer, tail.c_str())) {
        return false;
    }
    path = buffer;
    return true;
}

} // namespace qmplatform
