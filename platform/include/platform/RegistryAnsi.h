// The narrow ("A") forms of the registry calls, over any Registry: names,
// paths and the data of the text types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)
// pass through the ANSI code page as RegOpenKeyExA, RegQueryValueExA,
// RegEnumValueA, RegEnumKeyExA and RegSetValueExA convert them: every
// character of the data, terminators included, becomes one narrow character
// and the byte count is that of the converted data. Other types pass as they
// are. RegQueryInfoKeyA counts what RegistryKey::queryInfo counts.
#pragma once

#include "platform/Registry.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

bool isRegTextType(std::uint32_t type);

// Text-type data from the registry's UTF-16LE to ANSI, and back.
std::vector<std::uint8_t> regDataToAnsi(const TextCodec& codec, std::uint32_t type,
                                        std::span<const std::uint8_t> data);
std::vector<std::uint8_t> regDataFromAnsi(const TextCodec& codec, std::uint32_t type,
                                          std::span<const std::uint8_t> data);

long openKeyA(Registry& registry, const TextCodec& codec, RegRoot root, std::string_view path,
              RegAccess access, std::unique_ptr<RegistryKey>& out);
long createKeyA(Registry& registry, const TextCodec& codec, RegRoot root, std::string_view path,
                RegAccess access, std::unique_ptr<RegistryKey>& out);
long queryValueA(const RegistryKey& key, const TextCodec& codec, std::string_view name, RegValue& out);
long setValueA(RegistryKey& key, const TextCodec& codec, std::string_view name, std::uint32_t type,
               std::span<const std::uint8_t> data);
long enumValueA(const RegistryKey& key, const TextCodec& codec, std::uint32_t index, std::string& name,
                RegValue& value);
long enumKeyA(const RegistryKey& key, const TextCodec& codec, std::uint32_t index, std::string& name);

} // namespace qmplatform
