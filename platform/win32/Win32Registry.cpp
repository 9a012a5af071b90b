#include "win32/Win32Registry.h"

#include <windows.h>

#include <climits>
#include <utility>

namespace qmplatform {

namespace {

// The owner of one HKEY: closes it when destroyed, moves but never copies.
class UniqueHkey {
public:
    UniqueHkey() = default;
    explicit UniqueHkey(HKEY key) : key_(key) {}
    UniqueHkey(UniqueHkey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    UniqueHkey& operator=(UniqueHkey&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.key_, nullptr));
        }
        return *this;
    }
    UniqueHkey(const UniqueHkey&) = delete;
    UniqueHkey& operator=(const UniqueHkey&) = delete;
    ~UniqueHkey() { reset(nullptr); }

    HKEY get() const { return key_; }
    void reset(HKEY key) {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
        key_ = key;
    }

private:
    HKEY key_ = nullptr;
};

HKEY predefined(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
        break;
    }
    return HKEY_LOCAL_MACHINE;
}

REGSAM samOf(RegAccess access) {
    return access == RegAccess::AllAccess ? KEY_ALL_ACCESS : KEY_READ;
}

// wchar_t is UTF-16 here, so names and paths pass as they are; they only
// need their terminator.
std::wstring terminated(std::wstring_view text) {
    return std::wstring(text);
}

class Win32Key final : public RegistryKey {
public:
    explicit Win32Key(UniqueHkey key) : key_(std::move(key)) {}

    long queryValue(std::wstring_view name, RegValue& out) const override {
        const std::wstring n = terminated(name);
        // The value may grow between asking its size and reading it.
        for (;;) {
            DWORD type = 0;
            DWORD size = 0;
            LONG rc = RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type, nullptr, &size);
            if (rc != ERROR_SUCCESS) {
                return rc;
            }
            std::vector<std::uint8_t> data(size);
            rc = RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(),
                                  &size);
            if (rc == ERROR_MORE_DATA) {
                continue;
            }
            if (rc != ERROR_SUCCESS) {
                return rc;
            }
            data.resize(size);
            out.type = type;
            out.data = std::move(data);
            return kErrorSuccess;
        }
    }

    long setValue(std::wstring_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
        if (data.size() > ULONG_MAX) {
            return kErrorInvalidParameter;
        }
        return RegSetValueExW(key_.get(), terminated(name).c_str(), 0, type, data.data(),
                              static_cast<DWORD>(data.size()));
    }

    long deleteValue(std::wstring_view name) override {
        return RegDeleteValueW(key_.get(), terminated(name).c_str());
    }

    long queryInfo(std::uint32_t& subKeyCount, std::uint32_t& valueCount) const override {
        DWORD keys = 0;
        DWORD values = 0;
        const LONG rc = RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr,
                                         &values, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            subKeyCount = keys;
            valueCount = values;
        }
        return rc;
    }

    long enumValue(std::uint32_t index, std::wstring& name, RegValue& value) const override {
        for (;;) {
            DWORD maxName = 0;
            DWORD maxData = 0;
            LONG rc = RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, &maxName, &maxData, nullptr, nullptr);
            if (rc != ERROR_SUCCESS) {
                return rc;
            }
            std::wstring n(maxName + 1, L'\0');
            std::vector<std::uint8_t> data(maxData);
            DWORD nameLength = maxName + 1;
            DWORD size = maxData;
            DWORD type = 0;
            rc = RegEnumValueW(key_.get(), index, n.data(), &nameLength, nullptr, &type,
                               data.empty() ? nullptr : data.data(), &size);
            if (rc == ERROR_MORE_DATA) {
                continue; // changed since the sizes were asked for
            }
            if (rc != ERROR_SUCCESS) {
                return rc;
            }
            n.resize(nameLength);
            data.resize(size);
            name = std::move(n);
            value.type = type;
            value.data = std::move(data);
            return kErrorSuccess;
        }
    }

    long enumKey(std::uint32_t index, std::wstring& name) const override {
        // Key names have at most 255 characters.
        wchar_t buffer[256];
        DWORD length = 256;
        const LONG rc = RegEnumKeyExW(key_.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            name.assign(buffer, length);
        }
        return rc;
    }

private:
    UniqueHkey key_;
};

class Win32Registry final : public Registry {
public:
    long openKey(RegRoot root, std::wstring_view path, RegAccess access,
                 std::unique_ptr<RegistryKey>& out) override {
        HKEY key = nullptr;
        const LONG rc = RegOpenKeyExW(predefined(root), terminated(path).c_str(), 0, samOf(access), &key);
        if (rc == ERROR_SUCCESS) {
            out = std::make_unique<Win32Key>(UniqueHkey(key));
        }
        return rc;
    }

    long createKey(RegRoot root, std::wstring_view path, RegAccess access,
                   std::unique_ptr<RegistryKey>& out) override {
        HKEY key = nullptr;
        const LONG rc = RegCreateKeyExW(predefined(root), terminated(path).c_str(), 0, nullptr, 0,
                                        samOf(access), nullptr, &key, nullptr);
        if (rc == ERROR_SUCCESS) {
            out = std::make_unique<Win32Key>(UniqueHkey(key));
        }
        return rc;
    }

    long deleteKey(RegRoot root, std::wstring_view path) override {
        return RegDeleteKeyW(predefined(root), terminated(path).c_str());
    }
};

} // namespace

std::unique_ptr<Registry> makeWin32Registry() {
    return std::make_unique<Win32Registry>();
}

} // namespace qmplatform
