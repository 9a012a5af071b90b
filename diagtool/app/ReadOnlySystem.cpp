#include "ReadOnlySystem.h"

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

class ReadOnlySystem final : public qmplatform::System {
public:
    explicit ReadOnlySystem(std::unique_ptr<qmplatform::System> system)
        : system_(std::move(system)), registry_(system_->registry()) {}
    qmplatform::Registry& registry() override { return registry_; }
    qmplatform::TextCodec& text() override { return system_->text(); }
    qmplatform::Environment& environment() override { return system_->environment(); }
    qmplatform::ShellFolders& shellFolders() override { return system_->shellFolders(); }
    qmplatform::Files& files() override { return system_->files(); }
    qmplatform::ServiceControl& services() override { return system_->services(); }
    qmplatform::Power& power() override { return system_->power(); }
    qmplatform::Clock& clock() override { return system_->clock(); }
    qmplatform::DynamicLibraries& libraries() override { return system_->libraries(); }
    qmplatform::VersionInfo& versionInfo() override { return system_->versionInfo(); }
    qmplatform::MessageTables& messages() override { return system_->messages(); }
    qmplatform::EventLog& eventLog() override { return system_->eventLog(); }

private:
    std::unique_ptr<qmplatform::System> system_;
    ReadOnlyRegistry registry_;
};

} // namespace

std::unique_ptr<qmplatform::System> makeReadOnlySystem(std::unique_ptr<qmplatform::System> system) {
    return std::make_unique<ReadOnlySystem>(std::move(system));
}

} // namespace qmdiag
