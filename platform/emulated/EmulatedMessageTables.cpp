#include "EmulatedMessageTables.h"

#include "HostFiles.h"
#include "Machine.h"
#include "pe/ModuleResources.h"
#include "platform/Win32Codes.h"

namespace qmplatform::emulated {

EmulatedMessageTables::EmulatedMessageTables(const Machine& machine, DynamicLibraries& libraries)
    : machine_(machine), libraries_(libraries) {}

long EmulatedMessageTables::formatMessage(ModuleHandle module, std::uint32_t messageId,
                                          std::uint32_t languageId,
                                          std::span<const MessageArgument> arguments, std::size_t maxChars,
                                          std::wstring& out) {
    std::wstring windowsPath;
    // The running program (a null module) carries no message table here.
    if (module == nullptr || libraries_.moduleFileName(module, windowsPath) != kErrorSuccess) {
        return kErrorResourceTypeNotFound;
    }
    std::vector<std::uint8_t> file;
    const long error = readHostFile(machine_.hostPath(windowsPath), file);
    if (error != kErrorSuccess) {
        return error;
    }
    const long result = pe::formatModuleMessage(file, messageId, languageId, arguments, maxChars, out);
    // A module that is no PE file (a stand-in shared object) has no table.
    return result == kErrorResourceDataNotFound ? kErrorResourceTypeNotFound : result;
}

} // namespace qmplatform::emulated
