// The legacy event-log file (.evt, Windows NT to XP and Server 2003, and what
// "Save Log File As" still writes in that format): a file header, the
// EVENTLOGRECORDs in a circular buffer that may wrap from the end of the
// file back to just after the header, and an end-of-file record.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qmplatform::evt {

inline constexpr std::uint32_t kHeaderSize = 0x30;
inline constexpr std::uint32_t kEofRecordSize = 0x28;
inline constexpr std::uint32_t kEofMarkers[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
inline constexpr std::uint32_t kFlagDirty = 0x0001;
inline constexpr std::uint32_t kFlagWrapped = 0x0002;

struct HeaderField {
    const char* name;
    std::uint32_t offset;
};
// ELF_LOGFILE_HEADER, every field four bytes.
inline constexpr HeaderField kHeaderFields[] = {
    {"HeaderSize", 0},   {"Signature", 4},  {"MajorVersion", 8},         {"MinorVersion", 12},
    {"StartOffset", 16}, {"EndOffset", 20}, {"CurrentRecordNumber", 24}, {"OldestRecordNumber", 28},
    {"MaxSize", 32},     {"Flags", 36},     {"Retention", 40},           {"EndHeaderSize", 44},
};
// ELF_EOF_RECORD: size, the four markers, then these, then the size again.
inline constexpr HeaderField kEofFields[] = {
    {"RecordSizeBeginning", 0},
    {"One", 4},
    {"Two", 8},
    {"Three", 12},
    {"Four", 16},
    {"BeginRecord", 20},
    {"EndRecord", 24},
    {"CurrentRecordNumber", 28},
    {"OldestRecordNumber", 32},
    {"RecordSizeEnd", 36},
};

struct EvtLog {
    std::uint32_t flags = 0;
    std::uint32_t currentRecordNumber = 0;
    std::uint32_t oldestRecordNumber = 0;
    std::uint32_t maxSize = 0;
    std::uint32_t retention = 0;
    // Each record's bytes, oldest first, joined when the record wrapped.
    std::vector<std::vector<std::uint8_t>> records;
    // The walk stopped at a damaged record before the end-of-file record;
    // the records before it are kept.
    bool damaged = false;
};

// False, with a reason, when the file header itself is not an event log's.
bool readEvtFile(std::span<const std::uint8_t> file, EvtLog& out, std::string& error);

// A record to write.
struct EventRecordSpec {
    std::uint32_t timeGenerated = 0;
    std::uint32_t timeWritten = 0;
    std::uint32_t eventId = 0;
    std::uint16_t eventType = 0;
    std::uint16_t eventCategory = 0;
    std::wstring sourceName;
    std::wstring computerName = L"QUILLMARK-PC";
    std::vector<std::uint8_t> userSid;
    std::vector<std::wstring> strings;
    std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> encodeEventRecord(const EventRecordSpec& spec, std::uint32_t recordNumber);

struct EvtWriteOptions {
    // The file's size; 0 makes it just large enough. With a size, records are
    // laid into the circular buffer from `startOffset` on and wrap at its end.
    std::uint32_t fileSize = 0;
    std::uint32_t startOffset = kHeaderSize;
    std::uint32_t firstRecordNumber = 1;
    std::uint32_t retention = 0;
    // Leave the header as a system that crashed while writing leaves it:
    // flagged dirty, with stale offsets; the end-of-file record is right.
    bool dirty = false;
};

// Empty, with a reason, when the records do not fit the given size.
std::vector<std::uint8_t> writeEvtFile(std::span<const EventRecordSpec> records,
                                       const EvtWriteOptions& options, std::string& error);

} // namespace qmplatform::evt
