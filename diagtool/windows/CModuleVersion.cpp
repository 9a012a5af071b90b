#include "diagtool/windows/CModuleVersion.h"

#include "platform/Win32Codes.h"

#include <span>
#include <utility>

CModuleVersion::CModuleVersion(qmplatform::DynamicLibraries& libraries, qmplatform::VersionInfo& versions)
    : libraries_(libraries), versions_(versions) {}

CModuleVersion::~CModuleVersion() = default;

bool CModuleVersion::GetFileVersionInfo(std::wstring_view modulePath) {
    fixed_ = {};
    long error = 0;
    const qmplatform::ScopedModule module(libraries_, libraries_.load(modulePath, 0, error));
    if (module.get() == nullptr) {
        return false;
    }
    // The file the loader actually took, which for a name without extension
    // is the ".dll" beside it.
    std::wstring fileName;
    if (libraries_.moduleFileName(module.get(), fileName) != qmplatform::kErrorSuccess || fileName.empty()) {
        return false;
    }
    const std::uint32_t size = versions_.infoSize(fileName, error);
    if (size == 0) {
        return false;
    }
    std::vector<std::uint8_t> block(size);
    if (!versions_.info(fileName, block, error)) {
        return false;
    }
    block_ = std::move(block);
    qmplatform::FixedFileInfo fixed;
    if (qmplatform::queryFixedFileInfo(versions_, block_, fixed)) {
        fixed_ = fixed;
    }
    std::vector<std::uint32_t> translations;
    if (qmplatform::queryTranslations(versions_, block_, translations) && !translations.empty()) {
        translation_ = translations.front();
    }
    return true;
}

std::wstring CModuleVersion::versionText() const {
    return ::versionText(fixed_);
}

std::wstring versionText(const qmplatform::FixedFileInfo& info) {
    const std::uint32_t parts[] = {info.fileVersionMS >> 16, info.fileVersionMS & 0xFFFFu,
                                   info.fileVersionLS >> 16, info.fileVersionLS & 0xFFFFu};
    std::wstring text;
    for (const std::uint32_t part : parts) {
        if (!text.empty()) {
            text += L'.';
        }
        text += std::to_wstring(part);
    }
    return text;
}
