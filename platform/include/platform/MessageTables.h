// Messages of a module's message table, formatted as FormatMessageW formats
// them from a module with an argument array.
#pragma once

#include "platform/DynamicLibraries.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace qmplatform {

// One entry of the argument array: a text (what an event record's insertion
// strings are), a number (for %1!d!-style inserts), or nothing. An insert
// whose argument is missing, or beyond the array, inserts nothing.
struct MessageArgument {
    enum class Kind : std::uint8_t { Missing, Text, Number };
    Kind kind = Kind::Missing;
    std::wstring text;
    std::uint64_t number = 0;

    static MessageArgument fromText(std::wstring value) {
        MessageArgument a;
        a.kind = Kind::Text;
        a.text = std::move(value);
        return a;
    }
    static MessageArgument fromNumber(std::uint64_t value) {
        MessageArgument a;
        a.kind = Kind::Number;
        a.number = value;
        return a;
    }
};

// The language the system chooses itself (LANG_NEUTRAL, then the user's and
// the system's, then US English, then any).
inline constexpr std::uint32_t kDefaultLanguage = 0;

class MessageTables {
public:
    virtual ~MessageTables() = default;
    // FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY)
    // of `messageId` from a module loaded through DynamicLibraries (as a data
    // file or not). `maxChars` is the caller's buffer in characters, its
    // terminator included (0: no limit). kErrorSuccess and the text, or
    // kErrorMrMidNotFound (317) when the table lacks the identifier,
    // kErrorResourceTypeNotFound when the module has no message table,
    // kErrorInsufficientBuffer when the text does not fit; `out` is untouched
    // on failure.
    [[nodiscard]] virtual long formatMessage(ModuleHandle module, std::uint32_t messageId, std::uint32_t languageId,
                               std::span<const MessageArgument> arguments, std::size_t maxChars,
                               std::wstring& out) = 0;
};

} // namespace qmplatform
