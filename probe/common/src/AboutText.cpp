#include "probe/AboutText.h"

#include "probe/Conversions.h"

#include "platform/ProgramVersion.h"

#include <vector>

namespace probe {

namespace {

// Wide text (UTF-16 on Windows, UTF-32 elsewhere) to UTF-8.
std::string utf8(std::wstring_view text) {
    std::u16string units;
    for (wchar_t c : text) {
        const auto v = static_cast<char32_t>(c);
        if (v >= 0x10000 && v <= 0x10FFFF) {
            units += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(v);
        }
    }
    return fromEngineText(units);
}

} // namespace

bool readAboutStrings(qmplatform::VersionInfo& versions, std::wstring_view programPath, AboutStrings& out) {
    std::vector<std::uint8_t> block;
    long error = 0;
    std::vector<std::uint32_t> translations;
    if (!qmplatform::readVersionBlock(versions, programPath, block, error) ||
        !qmplatform::queryTranslations(versions, block, translations) || translations.empty()) {
        return false;
    }
    const auto language = static_cast<std::uint16_t>(translations[0] & 0xFFFF);
    const auto codePage = static_cast<std::uint16_t>(translations[0] >> 16);
    AboutStrings strings;
    qmplatform::queryVersionString(versions, block, language, codePage, L"FileVersion", strings.fileVersion);
    qmplatform::queryVersionString(versions, block, language, codePage, L"LegalCopyright", strings.notice);
    out = std::move(strings);
    return true;
}

std::string aboutText(const ToolProfile& profile, const AboutStrings& strings) {
    return std::string(profile.name) + " Version " + utf8(strings.fileVersion) + "\n" + utf8(strings.notice);
}

std::string programAboutText(const ToolProfile& profile, qmplatform::VersionInfo& versions,
                             qmplatform::DynamicLibraries& libraries) {
    AboutStrings strings;
    std::wstring self;
    if (libraries.moduleFileName(nullptr, self) == 0 && readAboutStrings(versions, self, strings)) {
        return aboutText(profile, strings);
    }
    if (const qmplatform::ProgramVersionDescription* d = qmplatform::programVersion()) {
        for (std::uint32_t i = 0; i < d->stringCount; ++i) {
            const std::wstring_view name = d->strings[i].name;
            if (name == L"FileVersion") {
                strings.fileVersion = d->strings[i].value;
            } else if (name == L"LegalCopyright") {
                strings.notice = d->strings[i].value;
            }
        }
    }
    return aboutText(profile, strings);
}

} // namespace probe
