// The event log: open a log by name or a backup log file by path, read
// whole EVENTLOGRECORDs into the caller's buffer, close. Records arrive as
// Windows lays them out, so one walker reads buffers of either backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {

// ReadEventLogW flags.
inline constexpr std::uint32_t kEventLogSequentialRead = 0x0001;
inline constexpr std::uint32_t kEventLogSeekRead = 0x0002;
inline constexpr std::uint32_t kEventLogForwardsRead = 0x0004;
inline constexpr std::uint32_t kEventLogBackwardsRead = 0x0008;
// The largest buffer ReadEventLogW accepts.
inline constexpr std::size_t kEventLogMaxReadBuffer = 0x7FFFF;

// Event types.
inline constexpr std::uint16_t kEventTypeError = 0x0001;
inline constexpr std::uint16_t kEventTypeWarning = 0x0002;
inline constexpr std::uint16_t kEventTypeInformation = 0x0004;
inline constexpr std::uint16_t kEventTypeAuditSuccess = 0x0008;
inline constexpr std::uint16_t kEventTypeAuditFailure = 0x0010;

// EVENTLOGRECORD: fixed part, then the source and computer names (wide,
// terminated), the user SID, the strings, the data, padding and the length
// once more.
inline constexpr std::size_t kEventLogRecordHeaderSize = 56;
inline constexpr std::uint32_t kEventLogSignature = 0x654C664C; // "LfLe"

struct EventLogRecordField {
    const char* name;
    std::uint32_t offset;
    std::uint32_t size;
};
inline constexpr EventLogRecordField kEventLogRecordFields[] = {
    {"Length", 0, 4},
    {"Reserved", 4, 4},
    {"RecordNumber", 8, 4},
    {"TimeGenerated", 12, 4},
    {"TimeWritten", 16, 4},
    {"EventID", 20, 4},
    {"EventType", 24, 2},
    {"NumStrings", 26, 2},
    {"EventCategory", 28, 2},
    {"ReservedFlags", 30, 2},
    {"ClosingRecordNumber", 32, 4},
    {"StringOffset", 36, 4},
    {"UserSidLength", 40, 4},
    {"UserSidOffset", 44, 4},
    {"DataLength", 48, 4},
    {"DataOffset", 52, 4},
};

// One record read out of a buffer; texts converted, the rest as stored.
struct EventLogRecordView {
    std::uint32_t length = 0;
    std::uint32_t recordNumber = 0;
    std::uint32_t timeGenerated = 0; // seconds since 1970-01-01 UTC
    std::uint32_t timeWritten = 0;
    std::uint32_t eventId = 0;
    std::uint16_t eventType = 0;
    std::uint16_t eventCategory = 0;
    std::wstring sourceName;
    std::wstring computerName;
    std::vector<std::wstring> strings;
    std::vector<std::uint8_t> userSid;
    std::vector<std::uint8_t> data;
};

// Reads one record. False when the record is malformed: its length is
// smaller than the header or than the span, or a name, string, SID or data
// range lies outside it. Strings beyond the record's end are not invented:
// a record that announces more than it holds is malformed.
bool parseEventLogRecord(std::span<const std::uint8_t> record, EventLogRecordView& out);

// Walks the whole records of a filled buffer by each record's own length.
// A length of zero, smaller than the header or past the buffer ends the
// walk, so a damaged buffer never hangs the walker or makes it over-read.
// Returns how many records were handed to `visit`.
std::size_t forEachEventLogRecord(std::span<const std::uint8_t> buffer,
                                  const std::function<void(std::span<const std::uint8_t> record)>& visit);

struct EventLogTag;
using EventLogHandle = EventLogTag*;

class EventLog {
public:
    virtual ~EventLog() = default;
    // OpenEventLogW on the local computer. A log name the system does not
    // know opens the Application log, as Windows does. Null and the error on
    // failure.
    virtual EventLogHandle open(std::wstring_view logName, long& error) = 0;
    // OpenBackupEventLogW: a saved .evt file by Windows path.
    virtual EventLogHandle openBackup(std::wstring_view windowsPath, long& error) = 0;
    // ReadEventLogW: as many whole records as fit in `buffer`. On failure:
    // kErrorHandleEof at the end of the log; kErrorInsufficientBuffer when the
    // next record alone is larger than the buffer (`bytesNeeded` says how
    // large); kErrorInvalidParameter for bad flags or a buffer over 0x7FFFF.
    [[nodiscard]] virtual long read(EventLogHandle log, std::uint32_t flags, std::uint32_t recordNumber,
                      std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                      std::uint32_t& bytesNeeded) = 0;
    // CloseEventLog; like FreeLibrary's, its result leaves nothing to do.
    virtual bool close(EventLogHandle log) = 0;
};

// Reads a whole open log newest first, `bufferSize` bytes per read, handing
// each record to `visit`, until a read fails (the end of the log, or a
// record larger than the buffer). Returns the error of the read that ended
// it (kErrorHandleEof when the whole log was read).
long readEventLogBackwards(EventLog& log, EventLogHandle handle, std::size_t bufferSize,
                           const std::function<void(std::span<const std::uint8_t> record)>& visit);

} // namespace qmplatform
