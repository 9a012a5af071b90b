#include "EmulatedMessageTables.h"

#include "HostFiles.h"
#include "Machine.h"
#include "pe/ModuleResources.h"
#include "platform/Win32Codes.h"

namespace qmplatform::emulated {

EmulatedMessageTables::EmulatedMessageTables(const Machine& machine, DynamicLibraries& libraries,
                                             HostFileOf hostFileOf)
    : machine_(machine), libraries_(libraries), hostFileOf_(std::move(hostFileOf)) {}

long EmulatedMessageTables::formatMessage(ModuleHandle module, std::uint32_t messageId,
                                          std::uint32_t languageId,
                                          std::span<const MessageArgument> arguments, std::size_t maxChars,
                                          std::wstring& out) {
    // The running program (a null module) carries no message table here.
    if (module == nullptr) {
        return kErrorResourceTypeNotFound;
    }
    // A module loaded as a data file has no module file name, yet
    // FormatMessage reads its table like any other: the machine's own loader
    // knows the file behind either kind.
    std::filesystem::path host;
    if (hostFileOf_) {
        host = hostFileOf_(module);
    } else if (std::wstring windowsPath; libraries_.moduleFileName(module, windowsPath) == kErrorSuccess) {
        host = machine_.hostPath(windowsPath);
    }
    if (host.empty()) {
        return kErrorResourceTypeNotFound;
    }
    std::vector<std::uint8_t> file;
    const long error = readHostFile(host, file);
    if (error != kErrorSuccess) {
        return error;
    }
    const long result = pe::formatModuleMessage(file, messageId, languageId, arguments, maxChars, out);
    // A module that is no PE file (a stand-in shared object) has no table.
    return result == kErrorResourceDataNotFound ? kErrorResourceTypeNotFound : result;
}

} // namespace qmplatform::emulated
