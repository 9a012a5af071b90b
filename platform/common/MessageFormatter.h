// FormatMessageW's message language with an argument array, on any system:
// %1..%99 inserts with optional printf-style specs (%1!s!, %2!d!, %3!08x!),
// %n line breaks, %0 to end without one, %% %. %! and any other escaped
// character as itself; line breaks in the text become CR LF.
#pragma once

#include "platform/MessageTables.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace qmplatform {

// kErrorSuccess and the text; kErrorInvalidParameter for a '%' that ends the
// pattern; kErrorInsufficientBuffer when the text and its terminator exceed
// `maxChars` (0: no limit). `out` is untouched on failure.
long formatMessagePattern(std::wstring_view pattern, std::span<const MessageArgument> arguments,
                          std::size_t maxChars, std::wstring& out);

} // namespace qmplatform
