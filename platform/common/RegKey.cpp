#include "platform/RegKey.h"

#include "platform/RegistryData.h"

namespace qmplatform {

long RegKey::open(Registry& registry, RegRoot root, std::wstring_view path, RegAccess access) {
    key_.reset();
    return registry.openKey(root, path, access, key_);
}

long RegKey::create(Registry& registry, RegRoot root, std::wstring_view path, RegAccess access) {
    key_.reset();
    return registry.createKey(root, path, access, key_);
}

long RegKey::query(std::wstring_view name, RegValue& out) const {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    return key_->queryValue(name, out);
}

long RegKey::readString(std::wstring_view name, std::wstring& out) const {
    RegValue value;
    if (const long rc = query(name, value); rc != kErrorSuccess) {
        return rc;
    }
    if (value.type != kRegSz && value.type != kRegExpandSz) {
        return kErrorCantRead;
    }
    out = regSzText(value.data);
    return kErrorSuccess;
}

long RegKey::readDword(std::wstring_view name, std::uint32_t& out) const {
    RegValue value;
    if (const long rc = query(name, value); rc != kErrorSuccess) {
        return rc;
    }
    if (value.type != kRegDword || value.data.size() != 4) {
        return kErrorCantRead;
    }
    out = value.data[0] | (static_cast<std::uint32_t>(value.data[1]) << 8) |
          (static_cast<std::uint32_t>(value.data[2]) << 16) |
          (static_cast<std::uint32_t>(value.data[3]) << 24);
    return kErrorSuccess;
}

long RegKey::readBinary(std::wstring_view name, std::vector<std::uint8_t>& out) const {
    RegValue value;
    if (const long rc = query(name, value); rc != kErrorSuccess) {
        return rc;
    }
    out = std::move(value.data);
    return kErrorSuccess;
}

long RegKey::readMultiString(std::wstring_view name, std::vector<std::wstring>& out) const {
    RegValue value;
    if (const long rc = query(name, value); rc != kErrorSuccess) {
        return rc;
    }
    if (value.type != kRegMultiSz) {
        return kErrorCantRead;
    }
    out = regMultiSzTexts(value.data);
    return kErrorSuccess;
}

long RegKey::writeString(std::wstring_view name, std::wstring_view value, std::uint32_t type) {
    if (type != kRegSz && type != kRegExpandSz) {
        return kErrorInvalidParameter;
    }
    if (!key_) {
        return kErrorInvalidHandle;
    }
    return key_->setValue(name, type, regSzData(value));
}

long RegKey::writeDword(std::wstring_view name, std::uint32_t value) {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    return key_->setValue(name, kRegDword, regDwordData(value));
}

long RegKey::writeBinary(std::wstring_view name, std::span<const std::uint8_t> value) {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    return key_->setValue(name, kRegBinary, value);
}

long RegKey::writeMultiString(std::wstring_view name, std::span<const std::wstring> value) {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    for (const std::wstring& text : value) {
        if (text.empty()) {
            return kErrorInvalidParameter; // it would end the list early
        }
    }
    return key_->setValue(name, kRegMultiSz, regMultiSzData(value));
}

long RegKey::deleteValue(std::wstring_view name) {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    return key_->deleteValue(name);
}

long RegKey::queryInfo(std::uint32_t& subKeyCount, std::uint32_t& valueCount) const {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    std::uint32_t keys = 0;
    std::uint32_t values = 0;
    if (const long rc = key_->queryInfo(keys, values); rc != kErrorSuccess) {
        return rc;
    }
    subKeyCount = keys;
    valueCount = values;
    return kErrorSuccess;
}

long RegKey::readValue(std::wstring_view name, RegValue& out) const {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    RegValue value;
    if (const long rc = key_->queryValue(name, value); rc != kErrorSuccess) {
        return rc;
    }
    out = std::move(value);
    return kErrorSuccess;
}

long RegKey::writeValue(std::wstring_view name, std::uint32_t type, std::span<const std::uint8_t> data) {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    return key_->setValue(name, type, data);
}

long RegKey::enumValue(std::uint32_t index, std::wstring& name, RegValue& value) const {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    std::wstring foundName;
    RegValue found;
    if (const long rc = key_->enumValue(index, foundName, found); rc != kErrorSuccess) {
        return rc;
    }
    name = std::move(foundName);
    value = std::move(found);
    return kErrorSuccess;
}

long RegKey::enumKey(std::uint32_t index, std::wstring& name) const {
    if (!key_) {
        return kErrorInvalidHandle;
    }
    std::wstring found;
    if (const long rc = key_->enumKey(index, found); rc != kErrorSuccess) {
        return rc;
    }
    name = std::move(found);
    return kErrorSuccess;
}

} // namespace qmplatform
