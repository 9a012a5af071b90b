#pragma once

// The events of the labelling system's service in the Windows "Application"
// log, read through the platform's event log and rendered with the message
// texts of each source's registered message file. Standard C++ only, so the
// Windows lane checks it against the real event log API.

#include "platform/DynamicLibraries.h"
#include "platform/EventLog.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform {
class System;
} // namespace qmplatform

// One listed event; UTF-8 texts.
struct EventLogRecord {
    std::string type;
    std::string time;
    std::string id;
    std::string description;
    // The source that logged it, and whether that is one of the labelling
    // system's service (isQuillmarkSource). The live scan keeps only those.
    std::string source;
    bool quillmark = false;
    // The time as seconds since 1970 (UTC): lists sort by it, not by the
    // text, whose form is the locale's.
    std::uint32_t seconds = 0;

    bool operator==(const EventLogRecord&) const = default;
};

struct EventTypeName {
    std::uint16_t type;
    const char* name;
};
inline constexpr EventTypeName kEventTypeNames[] = {
    {qmplatform::kEventTypeError, "Error"},
    {qmplatform::kEventTypeWarning, "Warning"},
    {qmplatform::kEventTypeInformation, "Information"},
    {qmplatform::kEventTypeAuditSuccess, "Audit success"},
    {qmplatform::kEventTypeAuditFailure, "Audit failure"},
};
// Every other event type, 0 included; the blank belongs to the text.
inline constexpr char kUnknownEventType[] = "Unknown ";

inline constexpr wchar_t kQuillmarkServiceSource[] = L"QuillmarkService";
inline constexpr wchar_t kApplicationLog[] = L"Application";
inline constexpr wchar_t kEventLogSourcesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\";
inline constexpr wchar_t kEventMessageFileValue[] = L"EventMessageFile";
inline constexpr std::size_t kEventLogReadBuffer = 65536;
inline constexpr std::size_t kMessageFileValueBytes = 131072;
inline constexpr std::size_t kMaxInsertionStrings = 16;
inline constexpr std::size_t kMaxDescriptionChars = 1024;
inline constexpr std::size_t kMaxTimeChars = 127;

const char* eventTypeName(std::uint16_t type);

// Local time of the seconds since 1970 (UTC) in the runtime library's "%c"
// form; empty when the time cannot be converted.
std::string formatEventTime(std::uint32_t secondsSince1970);

// formatEventTime for the records of one read: a log has many records in
// the same minute, and only the seconds of their texts differ. The text of
// a minute is made once (the seconds found by making it twice); where the
// form shows the seconds otherwise than as two digits, every time is made
// whole.
class EventTimeFormatter {
public:
    std::string format(std::uint32_t secondsSince1970);

private:
    static constexpr std::uint32_t kNoMinute = 0xFFFFFFFFu;
    std::uint32_t minute_ = kNoMinute; // the first second of the kept minute
    std::string text_;                 // its text; empty when it cannot be made
    std::size_t secondsAt_ = std::string::npos;
};

// Does the source name mark an event of the labelling system's service?
// A plain case-sensitive substring test, as the service's sources are
// registered under names that contain it.
bool isQuillmarkSource(std::wstring_view sourceName);

class EventLogReader {
public:
    enum class Status { Read, CannotOpen };

    explicit EventLogReader(qmplatform::System& system);
    ~EventLogReader();
    EventLogReader(const EventLogReader&) = delete;
    EventLogReader& operator=(const EventLogReader&) = delete;

    // The whole Application log, newest first, 64 KiB per read, the
    // service's records only. Replaces `out`; on CannotOpen it is left empty.
    Status readApplicationLog(std::vector<EventLogRecord>& out);

    // Records taken out of a saved log file (oldest first, as a .evt file
    // keeps them) listed newest first, with descriptions from this
    // machine's message files, as the system's own viewer shows a saved log.
    // False, with the reason, when the file is not an event log.
    bool readSavedLog(std::span<const std::uint8_t> fileBytes, std::vector<EventLogRecord>& out,
                      std::string& error);

    // An event time as formatEventTime makes it.
    std::string formatTime(std::uint32_t secondsSince1970) { return times_.format(secondsSince1970); }

    // Every record the last read walked, of any source (the service's and
    // all others), so a page can say how many of them it lists.
    std::size_t recordsSeen() const { return recordsSeen_; }

    // The message text of one record; empty on every failure on the way.
    std::string describe(const qmplatform::EventLogRecordView& record);
    // The same for a record of any log: the log whose sources key names the
    // message file ("System"; empty for the Application log), the source,
    // the full event identifier and the insertion strings.
    std::string describe(std::wstring_view logName, const std::wstring& sourceName, std::uint32_t eventId,
                         std::span<const std::wstring> strings);
    // Does this machine name a message file for the source that loads?
    bool hasMessageFile(std::wstring_view logName, const std::wstring& sourceName) {
        return messageModule(logName, sourceName) != nullptr;
    }

private:
    void addIfQuillmark(std::span<const std::uint8_t> bytes, std::vector<EventLogRecord>& out);
    qmplatform::ModuleHandle messageModule(std::wstring_view logName, const std::wstring& sourceName);
    void releaseModules();

    qmplatform::System& system_;
    // Message files stay loaded for one scan: a source logs many records and
    // loading its file again for each one would dominate a long log. Keyed
    // by "log\\source".
    std::map<std::wstring, qmplatform::ModuleHandle, std::less<>> modules_;
    std::wstring lookupKey_;
    EventTimeFormatter times_;
    std::size_t recordsSeen_ = 0;
};
