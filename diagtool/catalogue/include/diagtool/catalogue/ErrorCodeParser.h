#pragma once

// How a typed error code becomes a number, shared by the lookup page and qmerror.

#include <cstdint>
#include <optional>
#include <string_view>

// Reads an unsigned 32-bit number with C's automatic base: "0x"/"0X" hexadecimal,
// a leading "0" octal, otherwise decimal. Blanks around the number are allowed
// (codes are often copied out of logs with them); anything else that is not
// wholly such a number, or a value above 4294967295, gives no value.
std::optional<std::uint32_t> tryParseErrorCode(std::string_view text);

// As above, with 0 (a code without an entry) for text that is no number.
std::uint32_t parseErrorCode(std::string_view text);

// COM failures of the labelling API carry a catalogue code in their low 16
// bits under severity "error" and facility 4 (0xC004xxxx); gives that code.
inline constexpr std::uint32_t kComFailureMask = 0xFFFF0000u;
inline constexpr std::uint32_t kComFailurePrefix = 0xC0040000u;
std::optional<std::uint32_t> catalogueCodeOfComFailure(std::uint32_t value);
