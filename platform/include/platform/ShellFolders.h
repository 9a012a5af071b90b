// The shell's special folders and PathAppend, in Windows form
// ("C:\Program Files\Common Files").
#pragma once

#include <string>
#include <string_view>

namespace qmplatform {

class ShellFolders {
public:
    virtual ~ShellFolders() = default;
    // SHGetFolderPathW: 0 (S_OK) and the folder without a trailing
    // backslash, or a failure HRESULT and `out` untouched.
    [[nodiscard]] virtual long folderPath(int csidl, std::wstring& out) const = 0;
};

// PathAppendW: joins with exactly one backslash; a `more` that starts with a
// backslash is still appended (leading backslashes dropped), unless it names
// a share ("\\server\x"), which like "X:\..." replaces the path; "." and
// ".." components are resolved; false, with `path` untouched, when the result
// would not fit in MAX_PATH.
bool pathAppend(std::wstring& path, std::wstring_view more);

} // namespace qmplatform
