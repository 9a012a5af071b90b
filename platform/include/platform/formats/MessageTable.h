// The RT_MESSAGETABLE resource (MESSAGE_RESOURCE_DATA): blocks of message
// identifier ranges and their entries, ANSI, UTF-16 or UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace qmplatform::pe {

inline constexpr std::uint16_t kMessageResourceAnsi = 0x0000;
inline constexpr std::uint16_t kMessageResourceUnicode = 0x0001;
inline constexpr std::uint16_t kMessageResourceUtf8 = 0x0002;
inline constexpr std::size_t kMessageBlockSize = 12;      // LowId, HighId, OffsetToEntries
inline constexpr std::size_t kMessageEntryHeaderSize = 4; // Length, Flags

enum class MessageLookup : std::uint8_t { Found, NotFound, Malformed };

// The text of message `id`, with its line breaks and format codes as stored.
// ANSI entries are read in code page 1252, the emulated machine's.
MessageLookup findMessage(std::span<const std::uint8_t> table, std::uint32_t id, std::wstring& text);

// Every message of the table in identifier order, at most `limit` of them;
// Malformed when an entry lies outside the table.
MessageLookup listMessages(std::span<const std::uint8_t> table,
                           std::vector<std::pair<std::uint32_t, std::wstring>>& out,
                           std::size_t limit = 100000);

// Code page 1252 to UTF-32/UTF-16 code point; bytes 1252 leaves undefined
// map to themselves, as MultiByteToWideChar maps them.
wchar_t fromCp1252(std::uint8_t byte);

} // namespace qmplatform::pe
