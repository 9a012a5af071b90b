#include "ModuleResources.h"

#include "Bytes.h"
#include "MessageFormatter.h"
#include "platform/formats/MessageTable.h"
#include "platform/formats/PeImage.h"
#include "platform/Win32Codes.h"

#include <algorithm>
#include <cstring>

namespace qmplatform::pe {

namespace {

long lookupError(PeStatus status) {
    switch (status) {
    case PeStatus::Ok:
        return kErrorSuccess;
    case PeStatus::NotPe:
        return kErrorResourceDataNotFound;
    case PeStatus::NoResources:
    case PeStatus::ResourceTypeNotFound:
        return kErrorResourceTypeNotFound;
    case PeStatus::ResourceNameNotFound:
        return kErrorResourceNameNotFound;
    case PeStatus::ResourceLangNotFound:
        return kErrorResourceLangNotFound;
    case PeStatus::Malformed:
    case PeStatus::BadResourceData:
        return kErrorBadExeFormat;
    }
    return kErrorBadExeFormat;
}

} // namespace

long findVersionResource(std::span<const std::uint8_t> file, std::span<const std::uint8_t>& resource) {
    PeImage image;
    PeStatus status = PeImage::parse(file, image);
    if (status == PeStatus::Ok) {
        status = image.findResource(kRtVersion, 1, kLoaderLanguages, resource);
    }
    // A module without any resources is told apart from one that has others.
    return status == PeStatus::NoResources ? kErrorResourceDataNotFound : lookupError(status);
}

std::uint32_t versionInfoBufferSize(std::span<const std::uint8_t> resource) {
    return static_cast<std::uint32_t>(resource.size() * 2 + 4);
}

void copyVersionInfo(std::span<const std::uint8_t> resource, std::span<std::uint8_t> buffer) {
    const std::size_t count = std::min(resource.size(), buffer.size());
    std::copy_n(resource.begin(), count, buffer.begin());
    std::uint16_t length = 0;
    if (bytes::readU16(resource, 0, length) && buffer.size() >= static_cast<std::size_t>(length) + 4) {
        std::memcpy(buffer.data() + length, "FE2X", 4);
    }
}

long formatModuleMessage(std::span<const std::uint8_t> file, std::uint32_t messageId,
                         std::uint32_t languageId, std::span<const MessageArgument> arguments,
                         std::size_t maxChars, std::wstring& out) {
    PeImage image;
    PeStatus status = PeImage::parse(file, image);
    std::span<const std::uint8_t> table;
    if (status == PeStatus::Ok) {
        if (languageId == 0) {
            status = image.findResource(kRtMessageTable, 1, kLoaderLanguages, table);
        } else {
            const auto language = static_cast<std::uint16_t>(languageId);
            std::uint16_t found = 0;
            status = image.findResource(kRtMessageTable, 1, std::span<const std::uint16_t>(&language, 1),
                                        table, &found);
            if (status == PeStatus::Ok && found != language) {
                status = PeStatus::ResourceLangNotFound;
            }
        }
    }
    if (status != PeStatus::Ok) {
        return lookupError(status);
    }
    std::wstring pattern;
    switch (findMessage(table, messageId, pattern)) {
    case MessageLookup::Found:
        return formatMessagePattern(pattern, arguments, maxChars, out);
    case MessageLookup::NotFound:
        return kErrorMrMidNotFound;
    case MessageLookup::Malformed:
        break;
    }
    return kErrorBadExeFormat;
}

} // namespace qmplatform::pe
