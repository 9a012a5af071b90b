// Message tables on the emulated machine: the module's file (as the library
// loader names it) read by the project's own PE reader and formatter.
#pragma once

#include "platform/MessageTables.h"

#include <filesystem>
#include <functional>

namespace qmplatform::emulated {

class Machine;

class EmulatedMessageTables final : public MessageTables {
public:
    // `hostFileOf` names the file behind a module, data files included
    // (which have no module file name); without it the loader's module
    // file name is mapped onto the machine.
    using HostFileOf = std::function<std::filesystem::path(ModuleHandle)>;
    EmulatedMessageTables(const Machine& machine, DynamicLibraries& libraries, HostFileOf hostFileOf = {});
    long formatMessage(ModuleHandle module, std::uint32_t messageId, std::uint32_t languageId,
                       std::span<const MessageArgument> arguments, std::size_t maxChars,
                       std::wstring& out) override;

private:
    const Machine& machine_;
    DynamicLibraries& libraries_;
    HostFileOf hostFileOf_;
};

} // namespace qmplatform::emulated
