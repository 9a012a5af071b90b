// The text format of "Windows Registry Editor Version 5.00" (.reg files):
// what regedit exports and imports, and what the emulated machine keeps its
// hives in.
//
// Reading takes UTF-16LE with a byte-order mark (regedit's own exports) or
// UTF-8 (with or without a mark). Writing always produces UTF-16LE with a
// byte-order mark and CRLF line ends, as regedit writes; hex lines wrap at
// 80 columns with a trailing backslash.
#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qmplatform::emulated {

struct RegFileValue {
    std::wstring name;   // empty: the key's default value, "@"
    bool remove = false; // "name"=-
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data; // as the registry stores it: texts in UTF-16LE with terminator
};

struct RegFileKey {
    // The full path as the file names it, root included
    // ("HKEY_LOCAL_MACHINE\SOFTWARE\Quillmark").
    std::wstring path;
    bool remove = false; // [-KEY]: the key and everything below it
    std::vector<RegFileValue> values;
};

struct RegFileContents {
    std::vector<RegFileKey> keys; // in file order; a key may appear more than once
};

inline bool operator==(const RegFileValue& a, const RegFileValue& b) {
    return a.name == b.name && a.remove == b.remove && (a.remove || (a.type == b.type && a.data == b.data));
}
inline bool operator==(const RegFileKey& a, const RegFileKey& b) {
    return a.path == b.path && a.remove == b.remove && a.values == b.values;
}
inline bool operator==(const RegFileContents& a, const RegFileContents& b) {
    return a.keys == b.keys;
}

// False with "line N: why" in `error` for anything regedit would not take as
// it stands; `out` is then untouched.
bool parseRegFile(std::span<const std::uint8_t> bytes, RegFileContents& out, std::string& error);

std::vector<std::uint8_t> writeRegFile(const RegFileContents& contents);

// "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT".
std::wstring rootName(RegRoot root);

// Splits "HKEY_CURRENT_USER\Software\X" into its root and the path below it
// (the root name compares case-insensitively). False for any other root.
bool splitRootPath(std::wstring_view fullPath, RegRoot& root, std::wstring& path);

} // namespace qmplatform::emulated
