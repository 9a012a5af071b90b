#include "pe/Bytes.h"
#include "platform/EventLog.h"
#include "platform/Win32Codes.h"

namespace qmplatform {

bool parseEventLogRecord(std::span<const std::uint8_t> record, EventLogRecordView& out) {
    std::uint32_t length = 0;
    if (!bytes::readU32(record, 0, length) || length < kEventLogRecordHeaderSize || length > record.size()) {
        return false;
    }
    record = record.first(length);
    EventLogRecordView view;
    view.length = length;
    view.recordNumber = bytes::u32At(record, 8);
    view.timeGenerated = bytes::u32At(record, 12);
    view.timeWritten = bytes::u32At(record, 16);
    view.eventId = bytes::u32At(record, 20);
    view.eventType = bytes::u16At(record, 24);
    const std::uint16_t stringCount = bytes::u16At(record, 26);
    view.eventCategory = bytes::u16At(record, 28);
    const std::uint32_t stringOffset = bytes::u32At(record, 36);
    const std::uint32_t sidLength = bytes::u32At(record, 40);
    const std::uint32_t sidOffset = bytes::u32At(record, 44);
    const std::uint32_t dataLength = bytes::u32At(record, 48);
    const std::uint32_t dataOffset = bytes::u32At(record, 52);

    std::size_t next = 0;
    if (!bytes::readUtf16Z(record, kEventLogRecordHeaderSize, length, view.sourceName, next) ||
        !bytes::readUtf16Z(record, next, length, view.computerName, next)) {
        return false;
    }
    if (sidLength != 0) {
        if (!bytes::fits(record, sidOffset, sidLength)) {
            return false;
        }
        view.userSid.assign(record.begin() + sidOffset, record.begin() + sidOffset + sidLength);
    }
    if (dataLength != 0) {
        if (!bytes::fits(record, dataOffset, dataLength)) {
            return false;
        }
        view.data.assign(record.begin() + dataOffset, record.begin() + dataOffset + dataLength);
    }
    std::size_t at = stringOffset;
    for (std::uint16_t i = 0; i < stringCount; ++i) {
        std::wstring text;
        if (!bytes::readUtf16Z(record, at, length, text, at)) {
            return false;
        }
        view.strings.push_back(std::move(text));
    }
    out = std::move(view);
    return true;
}

std::size_t forEachEventLogRecord(std::span<const std::uint8_t> buffer,
                                  const std::function<void(std::span<const std::uint8_t> record)>& visit) {
    std::size_t count = 0;
    std::size_t at = 0;
    std::uint32_t length = 0;
    while (bytes::readU32(buffer, at, length) && length >= kEventLogRecordHeaderSize &&
           bytes::fits(buffer, at, length)) {
        visit(buffer.subspan(at, length));
        ++count;
        at += length;
    }
    return count;
}

long readEventLogBackwards(EventLog& log, EventLogHandle handle, std::size_t bufferSize,
                           const std::function<void(std::span<const std::uint8_t> record)>& visit) {
    std::vector<std::uint8_t> buffer(bufferSize);
    for (;;) {
        std::uint32_t bytesRead = 0;
        std::uint32_t bytesNeeded = 0;
        const long error = log.read(handle, kEventLogSequentialRead | kEventLogBackwardsRead, 0, buffer,
                                    bytesRead, bytesNeeded);
        if (error != kErrorSuccess) {
            return error;
        }
        const std::size_t filled = std::min<std::size_t>(bytesRead, buffer.size());
        // A read that claims success but hands back no whole record would
        // otherwise be asked again forever.
        if (forEachEventLogRecord(std::span<const std::uint8_t>(buffer).first(filled), visit) == 0) {
            return kErrorEventlogFileCorrupt;
        }
    }
}

} // namespace qmplatform
