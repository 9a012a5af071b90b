#include "diagtool/logs/EventLogRecord.h"

#include "platform/LocalTime.h"
#include "platform/RegistryData.h"
#include "platform/System.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"
#include "platform/formats/EvtFile.h"

#include <algorithm>
#include <ctime>
#include <cwchar>
#include <memory>

const char* eventTypeName(std::uint16_t type) {
    for (const EventTypeName& row : kEventTypeNames) {
        if (row.type == type)
            return row.name;
    }
    return kUnknownEventType;
}

namespace {

std::string formatCalendarTime(const std::tm& local) {
    wchar_t buffer[kMaxTimeChars + 1] = {};
    const std::size_t n = std::wcsftime(buffer, kMaxTimeChars + 1, L"%c", &local);
    return qmplatform::toUtf8(std::wstring_view(buffer, n));
}

} // namespace

std::string formatEventTime(std::uint32_t secondsSince1970) {
    std::tm local{};
    if (!qmplatform::localCalendarTime(static_cast<std::time_t>(secondsSince1970), local))
        return {};
    return formatCalendarTime(local);
}

std::string EventTimeFormatter::format(std::uint32_t secondsSince1970) {
    const std::uint32_t minute = secondsSince1970 - secondsSince1970 % 60;
    if (minute != minute_) {
        // Zone offsets and their changes are whole minutes: the local time
        // of every second of a minute is its first second's plus the seconds.
        minute_ = minute;
        text_.clear();
        secondsAt_ = std::string::npos;
        std::tm local{};
        if (!qmplatform::localCalendarTime(static_cast<std::time_t>(minute), local))
            return {};
        const int firstSecond = local.tm_sec;
        local.tm_sec = 7;
        text_ = formatCalendarTime(local);
        local.tm_sec = 48;
        const std::string other = formatCalendarTime(local);
        // The seconds stand where the two texts differ, as "07" and "48",
        // and nowhere else.
        const auto at = static_cast<std::size_t>(
            std::mismatch(text_.begin(), text_.end(), other.begin(), other.end()).first - text_.begin());
        // A zone whose offset had seconds (Monrovia until 1972) starts its
        // minutes elsewhere: every time is made whole there.
        if (firstSecond == 0 && other.size() == text_.size() && at + 2 <= text_.size() &&
            text_.compare(at, 2, "07") == 0 && other.compare(at, 2, "48") == 0 &&
            text_.compare(at + 2, std::string::npos, other, at + 2) == 0)
            secondsAt_ = at;
    }
    if (secondsAt_ == std::string::npos)
        return formatEventTime(secondsSince1970);
    std::string text = text_;
    const std::uint32_t second = secondsSince1970 % 60;
    text[secondsAt_] = static_cast<char>('0' + second / 10);
    text[secondsAt_ + 1] = static_cast<char>('0' + second % 10);
    return text;
}

bool isQuillmarkSource(std::wstring_view sourceName) {
    return sourceName.find(kQuillmarkServiceSource) != std::wstring_view::npos;
}

EventLogReader::EventLogReader(qmplatform::System& system) : system_(system) {}

EventLogReader::~EventLogReader() {
    releaseModules();
}

void EventLogReader::releaseModules() {
    for (auto& [source, module] : modules_) {
        if (module)
            system_.libraries().free(module);
    }
    modules_.clear();
}

EventLogReader::Status EventLogReader::readApplicationLog(std::vector<EventLogRecord>& out) {
    out.clear();
    recordsSeen_ = 0;
    qmplatform::EventLog& log = system_.eventLog();
    long error = 0;
    const qmplatform::EventLogHandle handle = log.open(kApplicationLog, error);
    if (!handle)
        return Status::CannotOpen;
    // The read that ends the walk is the end of the log or a record larger
    // than the buffer; neither is reported.
    (void)qmplatform::readEventLogBackwards(log, handle, kEventLogReadBuffer,
                                            [&](std::span<const std::uint8_t> r) { addIfQuillmark(r, out); });
    log.close(handle);
    releaseModules();
    return Status::Read;
}

bool EventLogReader::readSavedLog(std::span<const std::uint8_t> fileBytes, std::vector<EventLogRecord>& out,
                                  std::string& error) {
    out.clear();
    recordsSeen_ = 0;
    qmplatform::evt::EvtLog log;
    if (!qmplatform::evt::readEvtFile(fileBytes, log, error))
        return false;
    for (auto it = log.records.rbegin(); it != log.records.rend(); ++it)
        addIfQuillmark(*it, out);
    releaseModules();
    return true;
}

void EventLogReader::addIfQuillmark(std::span<const std::uint8_t> bytes, std::vector<EventLogRecord>& out) {
    qmplatform::EventLogRecordView view;
    if (!qmplatform::parseEventLogRecord(bytes, view))
        return;
    ++recordsSeen_;
    if (!isQuillmarkSource(view.sourceName))
        return;
    EventLogRecord record;
    record.type = eventTypeName(view.eventType);
    record.time = formatTime(view.timeGenerated);
    record.seconds = view.timeGenerated;
    record.id = std::to_string(view.eventId);
    record.description = describe(view);
    record.source = qmplatform::toUtf8(view.sourceName);
    record.quillmark = true;
    out.push_back(std::move(record));
}

qmplatform::ModuleHandle EventLogReader::messageModule(std::wstring_view logName,
                                                       const std::wstring& sourceName) {
    // Asked once per record: the key is built in a buffer kept for all of them.
    std::wstring& logKey = lookupKey_;
    logKey.assign(logName.empty() ? std::wstring_view(kApplicationLog) : logName);
    logKey += L'\\';
    logKey += sourceName;
    if (auto it = modules_.find(logKey); it != modules_.end())
        return it->second;
    qmplatform::ModuleHandle module = nullptr;
    std::unique_ptr<qmplatform::RegistryKey> key;
    const std::wstring path = std::wstring(kEventLogSourcesKey) + logKey;
    qmplatform::RegValue value;
    if (system_.registry().openKey(qmplatform::RegRoot::LocalMachine, path, qmplatform::RegAccess::Read,
                                   key) == qmplatform::kErrorSuccess &&
        key->queryValue(kEventMessageFileValue, value) == qmplatform::kErrorSuccess &&
        (value.type == qmplatform::kRegSz || value.type == qmplatform::kRegExpandSz) &&
        value.data.size() <= kMessageFileValueBytes) {
        const std::wstring expanded = system_.environment().expand(qmplatform::regSzText(value.data));
        // The expansion shares the value's buffer, terminator included.
        if (!expanded.empty() && (expanded.size() + 1) * sizeof(wchar_t) <= kMessageFileValueBytes) {
            long error = 0;
            module = system_.libraries().load(expanded, qmplatform::kLoadLibraryAsDatafile, error);
        }
    }
    modules_.emplace(logKey, module);
    return module;
}

std::string EventLogReader::describe(const qmplatform::EventLogRecordView& record) {
    return describe(kApplicationLog, record.sourceName, record.eventId, record.strings);
}

std::string EventLogReader::describe(std::wstring_view logName, const std::wstring& sourceName,
                                     std::uint32_t eventId, std::span<const std::wstring> strings) {
    qmplatform::ModuleHandle module = messageModule(logName, sourceName);
    if (!module)
        return {};
    std::vector<qmplatform::MessageArgument> arguments(kMaxInsertionStrings);
    for (std::size_t i = 0; i < strings.size() && i < kMaxInsertionStrings; ++i)
        arguments[i] = qmplatform::MessageArgument::fromText(strings[i]);
    std::wstring text;
    if (system_.messages().formatMessage(module, eventId, qmplatform::kDefaultLanguage, arguments,
                                         kMaxDescriptionChars, text) != qmplatform::kErrorSuccess)
        return {};
    return qmplatform::toUtf8(text);
}
