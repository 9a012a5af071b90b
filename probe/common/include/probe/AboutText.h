// The about box's text, from the program's own version resource: the first
// translation picks the "FileVersion" and "LegalCopyright" strings.
#pragma once

#include "probe/ToolProfile.h"

#include "platform/DynamicLibraries.h"
#include "platform/VersionInfo.h"

#include <string>

namespace probe {

struct AboutStrings {
    std::wstring fileVersion;
    std::wstring notice;
};

// False when the file has no version block or no translation.
bool readAboutStrings(qmplatform::VersionInfo& versions, std::wstring_view programPath, AboutStrings& out);

// "paramscope Version 1.3.0.0" and the notice on a line of its own.
std::string aboutText(const ToolProfile& profile, const AboutStrings& strings);

// The running program's about text: its own file's version resource, found
// through GetModuleFileName; the description the program carries when the
// file cannot be read (a program run from outside the emulated machine).
std::string programAboutText(const ToolProfile& profile, qmplatform::VersionInfo& versions,
                             qmplatform::DynamicLibraries& libraries);

} // namespace probe
