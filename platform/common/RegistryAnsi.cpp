#include "platform/RegistryAnsi.h"

#include "platform/RegistryData.h"

namespace qmplatform {

bool isRegTextType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::vector<std::uint8_t> regDataToAnsi(const TextCodec& codec, std::uint32_t type,
                                        std::span<const std::uint8_t> data) {
    if (!isRegTextType(type)) {
        return {data.begin(), data.end()};
    }
    const std::string narrow = codec.toAnsi(fromUtf16le(data));
    return {narrow.begin(), narrow.end()};
}

std::vector<std::uint8_t> regDataFromAnsi(const TextCodec& codec, std::uint32_t type,
                                          std::span<const std::uint8_t> data) {
    if (!isRegTextType(type)) {
        return {data.begin(), data.end()};
    }
    const std::string narrow(data.begin(), data.end());
    return utf16leBytes(codec.fromAnsi(narrow));
}

long openKeyA(Registry& registry, const TextCodec& codec, RegRoot root, std::string_view path,
              RegAccess access, std::unique_ptr<RegistryKey>& out) {
    return registry.openKey(root, codec.fromAnsi(path), access, out);
}

long createKeyA(Registry& registry, const TextCodec& codec, RegRoot root, std::string_view path,
                RegAccess access, std::unique_ptr<RegistryKey>& out) {
    return registry.createKey(root, codec.fromAnsi(path), access, out);
}

long queryValueA(const RegistryKey& key, const TextCodec& codec, std::string_view name, RegValue& out) {
    RegValue wide;
    if (const long rc = key.queryValue(codec.fromAnsi(name), wide); rc != kErrorSuccess) {
        return rc;
    }
    out.data = regDataToAnsi(codec, wide.type, wide.data);
    out.type = wide.type;
    return kErrorSuccess;
}

long setValueA(RegistryKey& key, const TextCodec& codec, std::string_view name, std::uint32_t type,
               std::span<const std::uint8_t> data) {
    return key.setValue(codec.fromAnsi(name), type, regDataFromAnsi(codec, type, data));
}

long enumValueA(const RegistryKey& key, const TextCodec& codec, std::uint32_t index, std::string& name,
                RegValue& value) {
    std::wstring wideName;
    RegValue wide;
    if (const long rc = key.enumValue(index, wideName, wide); rc != kErrorSuccess) {
        return rc;
    }
    name = codec.toAnsi(wideName);
    value.data = regDataToAnsi(codec, wide.type, wide.data);
    value.type = wide.type;
    return kErrorSuccess;
}

long enumKeyA(const RegistryKey& key, const TextCodec& codec, std::uint32_t index, std::string& name) {
    std::wstring wideName;
    if (const long rc = key.enumKey(index, wideName); rc != kErrorSuccess) {
        return rc;
    }
    name = codec.toAnsi(wideName);
    return kErrorSuccess;
}

} // namespace qmplatform
