// Message tables on the emulated machine: the module's file (as the library
// loader names it) read by the project's own PE reader and formatter.
#pragma once

#include "platform/MessageTables.h"

namespace qmplatform::emulated {

class Machine;

class EmulatedMessageTables final : public MessageTables {
public:
    EmulatedMessageTables(const Machine& machine, DynamicLibraries& libraries);
    long formatMessage(ModuleHandle module, std::uint32_t messageId, std::uint32_t languageId,
                       std::span<const MessageArgument> arguments, std::size_t maxChars,
                       std::wstring& out) override;

private:
    const Machine& machine_;
    DynamicLibraries& libraries_;
};

} // namespace qmplatform::emulated
