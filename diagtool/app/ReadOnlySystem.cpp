#include "diagtool/app/ReadOnlySystem.h"

#include "platform/Win32Codes.h"

namespace qmdiag {

namespace {

using qmplatform::RegAccess;
using qmplatform::RegistryKey;
using qmplatform::RegRoot;
using qmplatform::RegValue;

class ReadOnlyKey final : public RegistryKey {
public:
    explicit ReadOnlyKey(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}
    long queryValue(std::wstring_view name, RegValue& out) const override {
        return key_->queryValue(name, out);
    }
    long setValue(std::wstring_view, std::uint32_t, std::span<const std::uint8_t>) override {
        return qmplatform::kErrorAccessDenied;
    }
    long deleteValue(std::wstring_view) override { return qmplatform::kErrorAccessDenied; }
    long queryInfo(std::uint32_t& subKeyCount, std::uint32_t& valueCount) const override {
        return key_->queryInfo(subKeyCount, valueCount);
    }
    long enumValue(std::uint32_t index, std::wstring& name, RegValue& value) const override {
        return key_->enumValue(index, name, value);
    }
    long enumKey(std::uint32_t index, std::wstring& name) const override {
        return key_->enumKey(index, name);
    }

private:
    std::unique_ptr<RegistryKey> key_;
};

class ReadOnlyRegistry final : public qmplatform::Registry {
public:
    explicit ReadOnlyRegistry(qmplatform::Registry& registry) : registry_(registry) {}
    static qmplatform::SystemParts over(const qmplatform::SystemParts& parts) {
        qmplatform::SystemParts readOnly = parts;
        readOnly.registry = std::make_shared<ReadOnlyRegistry>(*parts.registry);
        return readOnly;
    }
    long openKey(RegRoot root, std::wstring_view path, RegAccess access,
                 std::unique_ptr<RegistryKey>& out) override {
        if (access != RegAccess::Read) {
            return qmplatform::kErrorAccessDenied;
        }
        std::unique_ptr<RegistryKey> key;
        const long result = registry_.openKey(root, path, access, key);
        if (result == qmplatform::kErrorSuccess) {
            out = std::make_unique<ReadOnlyKey>(std::move(key));
        }
        return result;
    }
    // An existing key opens as it would be created; a missing one stays
    // missing, which a read sees as the value being absent.
    long createKey(RegRoot root, std::wstring_view path, RegAccess access,
                   std::unique_ptr<RegistryKey>& out) override {
        return openKey(root, path, access, out);
    }
    long deleteKey(RegRoot, std::wstring_view) override { return qmplatform::kErrorAccessDenied; }

private:
    qmplatform::Registry& registry_;
};

// The system it reads stays alive inside it: its parts may refer to what
// only it owns.
class ReadOnlySystem final : public qmplatform::System {
public:
    explicit ReadOnlySystem(std::unique_ptr<qmplatform::System> system)
        : System(ReadOnlyRegistry::over(system->parts())), system_(std::move(system)) {}

private:
    std::unique_ptr<qmplatform::System> system_;
};

} // namespace

std::unique_ptr<qmplatform::System> makeReadOnlySystem(std::unique_ptr<qmplatform::System> system) {
    return std::make_unique<ReadOnlySystem>(std::move(system));
}

} // namespace qmdiag
