// What the system's version and message functions do with a module file's
// bytes: find the version resource and hand it out as GetFileVersionInfoW
// does, find a message and format it as FormatMessageW does. The emulated
// backends and the command-line tools share these.
#pragma once

#include "platform/MessageTables.h"

#include <cstdint>
#include <span>
#include <string>

namespace qmplatform::pe {

// The resource language order of the system's loader when the caller asks
// for none: neutral, the user's and the system's default (US English on the
// emulated machine), then English; after these, whatever comes first.
inline constexpr std::uint16_t kLoaderLanguages[] = {0x0000, 0x0400, 0x0800, 0x0409, 0x0009};

// kErrorSuccess and the VS_VERSIONINFO resource; kErrorResourceDataNotFound
// for bytes that are no PE file or a module without resources,
// kErrorBadExeFormat for a damaged one, kErrorResourceTypeNotFound /
// kErrorResourceNameNotFound when only the version resource is missing.
long findVersionResource(std::span<const std::uint8_t> file, std::span<const std::uint8_t>& resource);

// GetFileVersionInfoSizeW's answer for a resource: twice its size and four
// bytes, room the system keeps for converting texts for the "A" calls.
std::uint32_t versionInfoBufferSize(std::span<const std::uint8_t> resource);

// GetFileVersionInfoW: the resource cut to the buffer, and the "FE2X" mark
// after the block when the buffer has room for it.
void copyVersionInfo(std::span<const std::uint8_t> resource, std::span<std::uint8_t> buffer);

// FormatMessageW from a module file's message table. `languageId` 0 uses
// the loader's order; another asks for that language only
// (kErrorResourceLangNotFound when the table lacks it).
long formatModuleMessage(std::span<const std::uint8_t> file, std::uint32_t messageId,
                         std::uint32_t languageId, std::span<const MessageArgument> arguments,
                         std::size_t maxChars, std::wstring& out);

} // namespace qmplatform::pe
