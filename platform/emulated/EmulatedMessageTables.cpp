#include "EmulatedMessageTables.h"

#include "platform/machine/EmulatedDynamicLibraries.h"
#include "platform/formats/HostFiles.h"
#include "pe/ModuleResources.h"
#include "platform/Win32Codes.h"

namespace qmplatform::emulated {

EmulatedMessageTables::EmulatedMessageTables(ModuleFiles moduleFiles)
    : moduleFiles_(std::move(moduleFiles)) {}

EmulatedMessageTables::EmulatedMessageTables(const EmulatedDynamicLibraries& libraries)
    : moduleFiles_([&libraries](ModuleHandle module) { return libraries.hostPathOf(module); }) {}

long EmulatedMessageTables::formatMessage(ModuleHandle module, std::uint32_t messageId,
                                          std::uint32_t languageId,
                                          std::span<const MessageArgument> arguments, std::size_t maxChars,
                                          std::wstring& out) {
    // The running program (a null module) carries no message table here.
    const std::filesystem::path file = module == nullptr ? std::filesystem::path() : moduleFiles_(module);
    if (file.empty()) {
        return kErrorResourceTypeNotFound;
    }
    std::vector<std::uint8_t> bytes;
    const long error = readHostFile(file, bytes);
    if (error != kErrorSuccess) {
        return error;
    }
    const long result = pe::formatModuleMessage(bytes, messageId, languageId, arguments, maxChars, out);
    // A module that is no PE file (a stand-in shared object) has no table.
    return result == kErrorResourceDataNotFound ? kErrorResourceTypeNotFound : result;
}

} // namespace qmplatform::emulated
