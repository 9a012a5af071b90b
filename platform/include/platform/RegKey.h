// One open registry key owned by one holder, with one typed read and write
// per value type. Every call returns a Win32 error code; an out-parameter is
// written only when the call succeeds. Closing is destroying (or close()).
#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

class RegKey {
public:
    RegKey() = default;
    RegKey(RegKey&&) noexcept = default;
    RegKey& operator=(RegKey&&) noexcept = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // On failure the key is closed (whatever it held before is let go).
    [[nodiscard]] long open(Registry& registry, RegRoot root, std::wstring_view path, RegAccess access);
    [[nodiscard]] long create(Registry& registry, RegRoot root, std::wstring_view path, RegAccess access);
    void close() { key_.reset(); }
    bool valid() const { return key_ != nullptr; }
    RegistryKey* get() const { return key_.get(); }

    // REG_SZ or REG_EXPAND_SZ (not expanded), up to the terminator.
    [[nodiscard]] long readString(std::wstring_view name, std::wstring& out) const;
    // REG_DWORD of exactly 4 bytes.
    [[nodiscard]] long readDword(std::wstring_view name, std::uint32_t& out) const;
    // The raw bytes of a value of any type.
    [[nodiscard]] long readBinary(std::wstring_view name, std::vector<std::uint8_t>& out) const;
    // REG_MULTI_SZ.
    [[nodiscard]] long readMultiString(std::wstring_view name, std::vector<std::wstring>& out) const;

    // kRegSz or kRegExpandSz; the terminator is stored and counted.
    [[nodiscard]] long writeString(std::wstring_view name, std::wstring_view value,
                                   std::uint32_t type = kRegSz);
    [[nodiscard]] long writeDword(std::wstring_view name, std::uint32_t value);
    [[nodiscard]] long writeBinary(std::wstring_view name, std::span<const std::uint8_t> value);
    [[nodiscard]] long writeMultiString(std::wstring_view name, std::span<const std::wstring> value);
    [[nodiscard]] long deleteValue(std::wstring_view name);

    [[nodiscard]] long queryInfo(std::uint32_t& subKeyCount, std::uint32_t& valueCount) const;
    // A value as stored, of any type, and the same written back.
    [[nodiscard]] long readValue(std::wstring_view name, RegValue& out) const;
    [[nodiscard]] long writeValue(std::wstring_view name, std::uint32_t type, std::span<const std::uint8_t> data);
    // The index-th value with its name, and the index-th subkey's name, in
    // the order the registry keeps them; kErrorNoMoreItems past the last.
    [[nodiscard]] long enumValue(std::uint32_t index, std::wstring& name, RegValue& value) const;
    [[nodiscard]] long enumKey(std::uint32_t index, std::wstring& name) const;

private:
    long query(std::wstring_view name, RegValue& out) const;

    std::unique_ptr<RegistryKey> key_;
};

} // namespace qmplatform
