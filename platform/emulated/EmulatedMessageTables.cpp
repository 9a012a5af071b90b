#include "EmulatedMessageTables.h"

#include "pe/ModuleResources.h"
#include "platform/Win32Codes.h"
#include "platform/formats/HostFiles.h"
#include "platform/machine/EmulatedDynamicLibraries.h"

namespace qmplatform::emulated {

EmulatedMessageTables::EmulatedMessageTables(ModuleFiles moduleFiles)
    : images_([files = std::move(moduleFiles)](ModuleHandle module, long& error) {
          const std::filesystem::path file = files(module);
          if (file.empty()) {
              error = kErrorInvalidHandle;
              return std::shared_ptr<const std::vector<std::uint8_t>>();
          }
          auto bytes = std::make_shared<std::vector<std::uint8_t>>();
          error = readHostFile(file, *bytes);
          return error == kErrorSuccess ? std::shared_ptr<const std::vector<std::uint8_t>>(std::move(bytes))
                                        : nullptr;
      }) {}

// The loader keeps each loaded module's bytes, so a log of thousands of
// records reads each message file once.
EmulatedMessageTables::EmulatedMessageTables(const EmulatedDynamicLibraries& libraries)
    : images_([&libraries](ModuleHandle module, long& error) { return libraries.imageOf(module, error); }) {}

long EmulatedMessageTables::formatMessage(ModuleHandle module, std::uint32_t messageId,
                                          std::uint32_t languageId,
                                          std::span<const MessageArgument> arguments, std::size_t maxChars,
                                          std::wstring& out) {
    // The running program (a null module) carries no message table here.
    if (module == nullptr) {
        return kErrorResourceTypeNotFound;
    }
    long error = kErrorSuccess;
    const std::shared_ptr<const std::vector<std::uint8_t>> bytes = images_(module, error);
    if (!bytes) {
        return error == kErrorInvalidHandle ? kErrorResourceTypeNotFound : error;
    }
    const long result = pe::formatModuleMessage(*bytes, messageId, languageId, arguments, maxChars, out);
    // A module that is no PE file (a stand-in shared object) has no table.
    return result == kErrorResourceDataNotFound ? kErrorResourceTypeNotFound : result;
}

} // namespace qmplatform::emulated
