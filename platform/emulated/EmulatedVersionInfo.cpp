#include "EmulatedVersionInfo.h"

#include "platform/formats/HostFiles.h"
#include "platform/machine/Machine.h"
#include "pe/ModuleResources.h"
#include "platform/formats/VersionBlock.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

namespace qmplatform::emulated {

std::vector<std::uint8_t> versionBlockOf(const ProgramVersionDescription& d) {
    pe::VersionDescription description;
    for (int i = 0; i < 4; ++i) {
        description.fileVersion[i] = d.fileVersion[i];
        description.productVersion[i] = d.productVersion[i];
    }
    description.language = d.language;
    description.codePage = d.codePage;
    for (std::uint32_t i = 0; i < d.stringCount; ++i) {
        description.strings.emplace_back(d.strings[i].name, d.strings[i].value);
    }
    return pe::writeVersionBlock(description);
}

EmulatedVersionInfo::EmulatedVersionInfo(const Machine& machine, const ProgramVersionDescription* ownVersion)
    : machine_(machine) {
    if (ownVersion != nullptr) {
        ownBlock_ = versionBlockOf(*ownVersion);
    }
}

bool EmulatedVersionInfo::isProgramFile(const std::filesystem::path& host) const {
    // The mapping keeps the caller's spelling below a folder that does not
    // exist, so two spellings of a missing file compare ignoring case.
    const std::filesystem::path own = machine_.hostPath(machine_.programPath());
    const std::u8string a = host.generic_u8string();
    const std::u8string b = own.generic_u8string();
    return equalNoCase(fromUtf8(std::string(a.begin(), a.end())), fromUtf8(std::string(b.begin(), b.end())));
}

long EmulatedVersionInfo::resourceOf(std::wstring_view windowsPath, std::vector<std::uint8_t>& file,
                                     std::span<const std::uint8_t>& resource) const {
    const std::filesystem::path host = machine_.hostPath(windowsPath);
    long error = readHostFile(host, file);
    if (error == kErrorSuccess) {
        error = pe::findVersionResource(file, resource);
    }
    if (error != kErrorSuccess && !ownBlock_.empty() && !machine_.programPath().empty() && !host.empty() &&
        isProgramFile(host)) {
        resource = ownBlock_;
        return kErrorSuccess;
    }
    return error;
}

std::uint32_t EmulatedVersionInfo::infoSize(std::wstring_view windowsPath, long& error) {
    std::vector<std::uint8_t> file;
    std::span<const std::uint8_t> resource;
    error = resourceOf(windowsPath, file, resource);
    return error == kErrorSuccess ? pe::versionInfoBufferSize(resource) : 0;
}

bool EmulatedVersionInfo::info(std::wstring_view windowsPath, std::span<std::uint8_t> buffer, long& error) {
    std::vector<std::uint8_t> file;
    std::span<const std::uint8_t> resource;
    error = resourceOf(windowsPath, file, resource);
    if (error != kErrorSuccess) {
        return false;
    }
    pe::copyVersionInfo(resource, buffer);
    return true;
}

bool EmulatedVersionInfo::queryValue(std::span<const std::uint8_t> block, std::wstring_view subBlock,
                                     VersionQueryResult& out) {
    pe::VersionValue value;
    if (!pe::queryVersionValue(block, subBlock, value)) {
        return false;
    }
    out.value = value.bytes;
    out.length = value.length;
    return true;
}

} // namespace qmplatform::emulated
