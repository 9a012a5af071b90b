// The registry: three roots, keys opened by path, values as Windows stores
// them (type and raw bytes; texts in UTF-16LE with their terminator counted).
// Names compare case-insensitively and keep their case. Every failure is a
// Win32 error code (Win32Codes.h), never an exception; an out-parameter is
// left untouched when a call fails.
#pragma once

#include "platform/Win32Codes.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

// HKEY_CLASSES_ROOT is a view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
enum class RegRoot : std::uint8_t { ClassesRoot, CurrentUser, LocalMachine };

// KEY_READ or KEY_ALL_ACCESS; writes through a key opened for reading fail
// with kErrorAccessDenied, as on Windows.
enum class RegAccess : std::uint8_t { Read, AllAccess };

struct RegValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

// One open key of a backend. Closing is destroying it.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // An empty name is the key's default value ("@" in a .reg file).
    [[nodiscard]] virtual long queryValue(std::wstring_view name, RegValue& out) const = 0;
    [[nodiscard]] virtual long setValue(std::wstring_view name, std::uint32_t type, std::span<const std::uint8_t> data) = 0;
    [[nodiscard]] virtual long deleteValue(std::wstring_view name) = 0;
    [[nodiscard]] virtual long queryInfo(std::uint32_t& subKeyCount, std::uint32_t& valueCount) const = 0;
    // Values in creation order, subkeys sorted case-insensitively; past the
    // last one kErrorNoMoreItems.
    [[nodiscard]] virtual long enumValue(std::uint32_t index, std::wstring& name, RegValue& value) const = 0;
    [[nodiscard]] virtual long enumKey(std::uint32_t index, std::wstring& name) const = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // A path may end in a backslash; an empty path opens the root itself.
    [[nodiscard]] virtual long openKey(RegRoot root, std::wstring_view path, RegAccess access,
                         std::unique_ptr<RegistryKey>& out) = 0;
    // Creates the missing keys along the path, or opens it when it exists.
    [[nodiscard]] virtual long createKey(RegRoot root, std::wstring_view path, RegAccess access,
                           std::unique_ptr<RegistryKey>& out) = 0;
    // Deletes a key that has no subkeys.
    [[nodiscard]] virtual long deleteKey(RegRoot root, std::wstring_view path) = 0;
};

} // namespace qmplatform
