// Registry data as Windows stores it, to and from the suite's types. Texts
// are UTF-16LE on both sides; where wchar_t is 32 bits wide, characters
// beyond the Basic Multilingual Plane become surrogate pairs and pairs come
// back as one character.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

// The text's UTF-16LE units, without a terminator.
std::vector<std::uint8_t> utf16leBytes(std::wstring_view text);
// Every whole unit of the bytes, terminators included; an odd last byte is
// not part of any unit and is dropped.
std::wstring fromUtf16le(std::span<const std::uint8_t> bytes);

// REG_SZ / REG_EXPAND_SZ data: the text and its terminator.
std::vector<std::uint8_t> regSzData(std::wstring_view text);
// The text up to its first terminator, or all of it when it has none (the
// registry does not make writers store one).
std::wstring regSzText(std::span<const std::uint8_t> data);

// REG_MULTI_SZ: every text with its terminator, then one more terminator. An
// empty text cannot be stored inside the list: it would end it.
std::vector<std::uint8_t> regMultiSzData(std::span<const std::wstring> texts);
std::vector<std::wstring> regMultiSzTexts(std::span<const std::uint8_t> data);

std::vector<std::uint8_t> regDwordData(std::uint32_t value);
std::vector<std::uint8_t> regQwordData(std::uint64_t value);

} // namespace qmplatform
