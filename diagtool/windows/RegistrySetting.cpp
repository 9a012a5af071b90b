#include "RegistrySetting.h"

#include "platform/RegKey.h"

#include <algorithm>
#include <utility>

using qmplatform::RegAccess;
using qmplatform::RegRoot;

namespace {

// Only the two roots the labelling system keeps settings under; the names are
// the registry's own spelling, compared exactly as the callers pass them.
struct RootName {
    std::wstring_view name;
    RegRoot root;
};
constexpr RootName kRoots[] = {
    {RegistrySetting::kLocalMachine, RegRoot::LocalMachine},
    {RegistrySetting::kCurrentUser, RegRoot::CurrentUser},
};

} // namespace

RegistrySetting::RegistrySetting(qmplatform::Registry& registry, std::wstring rootName,
                                 std::wstring valueName, std::wstring keyPath, std::wstring subkey)
    : registry_(registry), rootName_(std::move(rootName)), keyPath_(std::move(keyPath)),
      valueName_(std::move(valueName)), subkey_(std::move(subkey)) {}

std::wstring RegistrySetting::completeKeyPath() const {
    std::wstring path = keyPath_.empty() ? std::wstring(kDefaultKeyPath) : keyPath_;
    if (!subkey_.empty()) {
        path += L'\\';
        path += subkey_;
    }
    return path;
}

std::optional<RegRoot> RegistrySetting::root() const {
    for (const RootName& entry : kRoots) {
        if (rootName_ == entry.name) {
            return entry.root;
        }
    }
    return std::nullopt;
}

bool RegistrySetting::openForReading(qmplatform::RegKey& key) const {
    const std::optional<RegRoot> selected = root();
    return selected &&
           key.create(registry_, *selected, completeKeyPath(), RegAccess::Read) == qmplatform::kErrorSuccess;
}

bool RegistrySetting::openForWriting(qmplatform::RegKey& key) const {
    const std::optional<RegRoot> selected = root();
    if (!selected) {
        return false;
    }
    const std::wstring path = completeKeyPath();
    if (key.open(registry_, *selected, path, RegAccess::AllAccess) == qmplatform::kErrorSuccess) {
        return true;
    }
    return key.create(registry_, *selected, path, RegAccess::AllAccess) == qmplatform::kErrorSuccess;
}

bool RegistrySetting::readFlag() {
    // The flag is whatever the value holds in a 4-byte buffer, of any type:
    // the components that set it are not all careful to store a REG_DWORD,
    // and RegQueryValueEx does not look at the type either. Longer data does
    // not fit, and the read fails as it would with ERROR_MORE_DATA.
    constexpr std::size_t kFlagBytes = 4;
    qmplatform::RegKey key;
    qmplatform::RegValue value;
    if (!openForReading(key) || key.get()->queryValue(valueName_, value) != qmplatform::kErrorSuccess ||
        value.data.size() > kFlagBytes) {
        return false;
    }
    flag_ = std::any_of(value.data.begin(), value.data.end(), [](std::uint8_t b) { return b != 0; });
    return true;
}

bool RegistrySetting::readNumber() {
    std::uint32_t number = 0;
    qmplatform::RegKey key;
    if (!openForReading(key) || key.readDword(valueName_, number) != qmplatform::kErrorSuccess) {
        return false;
    }
    number_ = number;
    return true;
}

bool RegistrySetting::readText() {
    std::wstring text;
    qmplatform::RegKey key;
    if (!openForReading(key) || key.readString(valueName_, text) != qmplatform::kErrorSuccess) {
        return false;
    }
    text_ = std::move(text);
    return true;
}

bool RegistrySetting::writeFlag(bool flag) {
    qmplatform::RegKey key;
    if (!openForWriting(key) || key.writeDword(valueName_, flag ? 1u : 0u) != qmplatform::kErrorSuccess) {
        return false;
    }
    flag_ = flag;
    return true;
}

bool RegistrySetting::writeNumber(std::uint32_t number) {
    qmplatform::RegKey key;
    if (!openForWriting(key) || key.writeDword(valueName_, number) != qmplatform::kErrorSuccess) {
        return false;
    }
    number_ = number;
    return true;
}

bool RegistrySetting::writeText(std::wstring_view text) {
    qmplatform::RegKey key;
    if (!openForWriting(key) || key.writeString(valueName_, text) != qmplatform::kErrorSuccess) {
        return false;
    }
    text_ = text;
    return true;
}
