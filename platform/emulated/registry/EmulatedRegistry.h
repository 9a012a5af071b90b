// The registry of an emulated machine: two hives kept as .reg files
// (HKLM.reg and HKCU.reg in the hive folder; HKEY_CLASSES_ROOT is a view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes).
//
// Several processes may work on one machine at once. Every change takes the
// machine lock, re-reads the hive when the file changed since it was read,
// applies the change and replaces the file atomically before releasing the
// lock, so no process loses another's update. Reads re-read a hive that
// another process changed.
#pragma once

#include "emulated/registry/RegFile.h"
#include "platform/Registry.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qmplatform::emulated {

class EmulatedRegistry final : public qmplatform::Registry {
public:
    struct Options {
        std::filesystem::path hiveFolder; // holds HKLM.reg and HKCU.reg
        std::filesystem::path lockFile;
        // A standard user may read HKEY_LOCAL_MACHINE (and HKEY_CLASSES_ROOT)
        // but neither change it nor open its keys with all access.
        bool administrator = true;
    };

    explicit EmulatedRegistry(Options options);
    ~EmulatedRegistry() override;

    long openKey(RegRoot root, std::wstring_view path, RegAccess access,
                 std::unique_ptr<RegistryKey>& out) override;
    long createKey(RegRoot root, std::wstring_view path, RegAccess access,
                   std::unique_ptr<RegistryKey>& out) override;
    long deleteKey(RegRoot root, std::wstring_view path) override;

    // Applies a .reg file as regedit imports it, all or nothing: with the
    // rights of the machine, in one locked write per hive.
    bool importRegFile(const std::filesystem::path& file, std::string& error);
    bool importRegFile(const RegFileContents& contents, std::string& error);

    // The key and everything below it, as regedit exports it.
    bool exportKey(RegRoot root, std::wstring_view path, RegFileContents& out, std::string& error);
    bool exportRegFile(RegRoot root, std::wstring_view path, const std::filesystem::path& file,
                       std::string& error);

    // Reads the root's hive file afresh: false, with the file and why in
    // `error` ("line N: ..." for text regedit would not take), when it is
    // missing, cannot be read or does not hold a hive of that root.
    bool checkHive(RegRoot root, std::string& error);

    static std::filesystem::path hiveFile(const std::filesystem::path& hiveFolder, RegRoot root);

    struct State;

private:
    std::shared_ptr<State> state_; // shared with the open keys, which may outlive the registry
};

} // namespace qmplatform::emulated
