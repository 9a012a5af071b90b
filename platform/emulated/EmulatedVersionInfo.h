// Version resources on the emulated machine: the file that a Windows path
// names inside the machine folder, read by the project's own PE reader.
#pragma once

#include "platform/ProgramVersion.h"
#include "platform/VersionInfo.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qmplatform::emulated {

class Machine;

class EmulatedVersionInfo final : public VersionInfo {
public:
    // `ownVersion`: the running program's description, answered for its own
    // file (the machine's programPath()) when that file holds no PE version
    // resource itself, as a program built for Linux does not.
    explicit EmulatedVersionInfo(const Machine& machine,
                                 const ProgramVersionDescription* ownVersion = programVersion());

    std::uint32_t infoSize(std::wstring_view windowsPath, long& error) override;
    bool info(std::wstring_view windowsPath, std::span<std::uint8_t> buffer, long& error) override;
    bool queryValue(std::span<const std::uint8_t> block, std::wstring_view subBlock,
                    VersionQueryResult& out) override;

private:
    bool isProgramFile(const std::filesystem::path& host) const;
    long resourceOf(std::wstring_view windowsPath, std::vector<std::uint8_t>& file,
                    std::span<const std::uint8_t>& resource) const;

    const Machine& machine_;
    std::vector<std::uint8_t> ownBlock_;
};

// The block a program's description stands for.
std::vector<std::uint8_t> versionBlockOf(const ProgramVersionDescription& description);

} // namespace qmplatform::emulated
