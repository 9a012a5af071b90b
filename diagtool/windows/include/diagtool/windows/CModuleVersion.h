#pragma once

// The version resource of one module, read the way the system's loader finds
// it: load the module by path, ask it for its file name, and read the version
// block of that file.

#include "platform/DynamicLibraries.h"
#include "platform/VersionInfo.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CModuleVersion {
public:
    // Code page 1252 (Western) until a translation has been read: the low
    // word is the language, the high word the code page.
    static constexpr std::uint32_t kDefaultTranslation = 1252u << 16;

    CModuleVersion(qmplatform::DynamicLibraries& libraries, qmplatform::VersionInfo& versions);
    virtual ~CModuleVersion();
    CModuleVersion(const CModuleVersion&) = delete;
    CModuleVersion& operator=(const CModuleVersion&) = delete;

    // False when the module cannot be loaded or carries no version
    // resource; the fixed information is zeroed before every read.
    bool GetFileVersionInfo(std::wstring_view modulePath);

    const qmplatform::FixedFileInfo& fixedInfo() const { return fixed_; }
    std::uint32_t translation() const { return translation_; }
    // "major.minor.build.revision" of the file version.
    std::wstring versionText() const;

private:
    qmplatform::DynamicLibraries& libraries_;
    qmplatform::VersionInfo& versions_;
    qmplatform::FixedFileInfo fixed_{};
    std::uint32_t translation_ = kDefaultTranslation;
    std::vector<std::uint8_t> block_;
};

// The four 16-bit parts of a file version joined by ".", high word first.
std::wstring versionText(const qmplatform::FixedFileInfo& info);
