// Message tables on the emulated machine: the file behind a module the
// machine's loader loaded, read by the project's own PE reader and formatter.
#pragma once

#include "platform/MessageTables.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace qmplatform::emulated {

class EmulatedDynamicLibraries;

class EmulatedMessageTables final : public MessageTables {
public:
    // The host file behind a module handle; empty for an unknown handle.
    using ModuleFiles = std::function<std::filesystem::path(ModuleHandle)>;
    explicit EmulatedMessageTables(ModuleFiles moduleFiles);
    // The bytes of a module's file; null with the error for an unknown
    // handle (kErrorInvalidHandle) or an unreadable file.
    using ModuleImages =
        std::function<std::shared_ptr<const std::vector<std::uint8_t>>(ModuleHandle, long& error)>;
    // Modules of the machine's loader (data files included, which have no
    // module file name for the program, as on Windows).
    explicit EmulatedMessageTables(const EmulatedDynamicLibraries& libraries);
    long formatMessage(ModuleHandle module, std::uint32_t messageId, std::uint32_t languageId,
                       std::span<const MessageArgument> arguments, std::size_t maxChars,
                       std::wstring& out) override;

private:
    ModuleImages images_;
};

} // namespace qmplatform::emulated
