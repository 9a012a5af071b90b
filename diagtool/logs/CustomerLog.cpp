#include "diagtool/logs/CustomerLog.h"

#include "platform/EventLog.h"
#include "platform/WindowsText.h"
#include "platform/formats/EvtFile.h"
#include "platform/formats/EvtxFile.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

namespace evtx = qmplatform::evtx;

namespace {

using DataLines = std::vector<std::pair<std::string, std::string>>;

// A .evt file has no chunks: its read asks to go on after this many records.
constexpr std::size_t kEvtRecordsPerStep = 500;

// Seconds since 1970 of a FILETIME, held to what the time column shows.
std::uint32_t unixSeconds(std::uint64_t fileTime) {
    const std::int64_t seconds = static_cast<std::int64_t>(fileTime / 10000000) - 11644473600;
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(seconds, 0, std::numeric_limits<std::uint32_t>::max()));
}

// Every column but the description. The ID is the event's number as Event
// Viewer shows it on the customer's machine (7036, not the 1073748860 of
// the qualifiers in the high word that the message file is keyed by).
EventLogRecord makeRow(EventLogReader& reader, std::uint16_t type, std::uint32_t seconds,
                       const std::wstring& source, std::uint32_t eventId) {
    EventLogRecord r;
    r.type = eventTypeName(type);
    r.time = reader.formatTime(seconds);
    r.seconds = seconds;
    r.source = qmplatform::toUtf8(source);
    r.id = std::to_string(eventId & 0xFFFF);
    r.quillmark = isQuillmarkSource(source);
    return r;
}

// Records come in file order, oldest first unless the log wrapped; rows go
// out newest first. Records of the same time keep the order they were
// logged in (the later one first).
void newestFirst(std::vector<EventLogRecord>& rows,
                 std::vector<std::pair<std::uint64_t, std::uint64_t>>& keys,
                 std::vector<EventLogRecord>& out) {
    if (std::is_sorted(keys.begin(), keys.end())) {
        std::reverse(rows.begin(), rows.end());
        if (out.empty())
            out = std::move(rows);
        else
            std::move(rows.begin(), rows.end(), std::back_inserter(out));
        return;
    }
    out.reserve(out.size() + rows.size());
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] > keys[b]; });
    for (std::size_t i : order)
        out.push_back(std::move(rows[i]));
}

CustomerLogRead readEvtx(EventLogReader& reader, std::span<const std::uint8_t> file, CustomerLog& out,
                         std::string& error, const std::function<bool(double)>& keepGoing) {
    std::vector<EventLogRecord> rows;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> keys;
    bool cancelled = false;
    std::vector<std::wstring> strings;
    DataLines data;
    evtx::EvtxCallbacks callbacks;
    callbacks.record = [&](const evtx::EvtxRecord& r) {
        if (cancelled)
            return false;
        EventLogRecord row = makeRow(reader, evtx::classicEventType(r), unixSeconds(r.timeCreated),
                                     r.source(), r.fullEventId());
        // The channel names the sources key of the log that wrote it; the
        // message files of a System log's sources are registered there.
        // The values are copied or converted only for the text that uses them.
        if (reader.hasMessageFile(r.channel, r.source())) {
            strings.clear();
            for (const evtx::EvtxDataField& field : r.data)
                strings.push_back(field.value);
            row.description = reader.describe(r.channel, r.source(), r.fullEventId(), strings);
        }
        if (row.description.empty()) {
            data.clear();
            for (const evtx::EvtxDataField& field : r.data)
                data.emplace_back(qmplatform::toUtf8(field.name), qmplatform::toUtf8(field.value));
            row.description = offlineDescription(row.id, row.source, data);
        }
        rows.push_back(std::move(row));
        keys.emplace_back(r.timeCreated, r.recordNumber);
        return true;
    };
    callbacks.progress = [&](std::uint32_t done, std::uint32_t total) {
        if (keepGoing && !cancelled && !keepGoing(total == 0 ? 1.0 : static_cast<double>(done) / total))
            cancelled = true;
    };
    evtx::EvtxFileInfo info;
    if (!evtx::readEvtx(file, callbacks, info, error))
        return CustomerLogRead::NotALog;
    if (cancelled)
        return CustomerLogRead::Cancelled;
    // A full log wraps, so its chunks are in file order, not in time order.
    newestFirst(rows, keys, out.rows);
    out.chunksSkipped = info.chunksSkipped;
    out.recordsSkipped = info.recordsSkipped;
    for (const evtx::EvtxProblem& p : info.problems)
        out.problems.push_back(p.text);
    return CustomerLogRead::Read;
}

CustomerLogRead readEvt(EventLogReader& reader, std::span<const std::uint8_t> file, CustomerLog& out,
                        std::string& error, const std::function<bool(double)>& keepGoing) {
    qmplatform::evt::EvtLog log;
    if (!qmplatform::evt::readEvtFile(file, log, error))
        return CustomerLogRead::NotALog;
    out.rows.reserve(log.records.size());
    DataLines data;
    const std::size_t total = log.records.size();
    for (auto it = log.records.rbegin(); it != log.records.rend(); ++it) {
        const auto done = static_cast<std::size_t>(it - log.records.rbegin());
        if (keepGoing && done != 0 && done % kEvtRecordsPerStep == 0 &&
            !keepGoing(static_cast<double>(done) / static_cast<double>(total)))
            return CustomerLogRead::Cancelled;
        qmplatform::EventLogRecordView view;
        if (!qmplatform::parseEventLogRecord(*it, view)) {
            ++out.recordsSkipped;
            continue;
        }
        EventLogRecord row =
            makeRow(reader, view.eventType, view.timeGenerated, view.sourceName, view.eventId);
        // A .evt file does not name its log; the Application log's sources
        // are the ones whose message files this machine may have.
        row.description = reader.describe(kApplicationLog, view.sourceName, view.eventId, view.strings);
        if (row.description.empty()) {
            data.clear();
            for (const std::wstring& s : view.strings)
                data.emplace_back(std::string(), qmplatform::toUtf8(s));
            row.description = offlineDescription(row.id, row.source, data);
        }
        out.rows.push_back(std::move(row));
    }
    if (out.recordsSkipped != 0)
        out.problems.push_back(std::to_string(out.recordsSkipped) +
                               " records that could not be read skipped");
    if (log.damaged)
        out.problems.push_back("the records end early at a damaged record");
    return CustomerLogRead::Read;
}

} // namespace

CustomerLogRead readCustomerLog(EventLogReader& reader, std::span<const std::uint8_t> file, CustomerLog& out,
                                std::string& error, const std::function<bool(double)>& keepGoing) {
    CustomerLog log;
    const bool isEvtx =
        file.size() >= evtx::kFileSignature.size() &&
        std::memcmp(file.data(), evtx::kFileSignature.data(), evtx::kFileSignature.size()) == 0;
    const CustomerLogRead result =
        isEvtx ? readEvtx(reader, file, log, error, keepGoing) : readEvt(reader, file, log, error, keepGoing);
    if (result == CustomerLogRead::Read)
        out = std::move(log);
    return result;
}

std::string offlineDescription(std::string_view eventId, std::string_view source,
                               std::span<const std::pair<std::string, std::string>> data) {
    // One allocation for the whole text: a long log has one per record.
    std::size_t size = 300 + eventId.size() + source.size();
    for (const auto& [name, value] : data)
        size += name.size() + value.size() + 3;
    std::string text;
    text.reserve(size);
    text += "The description of event ID ";
    text += eventId;
    text += " from source ";
    text += source;
    text += " cannot be found: this computer has no message file for the source. The log may come from "
            "another computer, or the program that logs the event is not installed here.";
    if (data.empty()) {
        text += "\n\nThe event carries no further text.";
        return text;
    }
    text += "\n\nThe event carries:";
    for (const auto& [name, value] : data) {
        text += '\n';
        if (!name.empty()) {
            text += name;
            text += ": ";
        }
        text += value;
    }
    return text;
}

bool inScope(const EventLogRecord& record, SourceScope scope) {
    return scope == SourceScope::AllSources || record.quillmark;
}

std::string statusLine(const ListingStatus& status) {
    if (!status.problem.empty() && status.total == 0)
        return status.problem;
    std::string text = status.problem.empty() ? std::string() : status.problem + "; still listed: ";
    text += std::to_string(status.shown) + " of " + std::to_string(status.total) + " records (source: ";
    text += status.scope == SourceScope::QuillmarkService ? kQuillmarkScopeText : kAllSourcesScopeText;
    text += ')';
    if (!status.origin.empty())
        text += " in " + status.origin;
    if (status.chunksSkipped != 0) {
        text += "; " + std::to_string(status.chunksSkipped) +
                (status.chunksSkipped == 1 ? " damaged chunk" : " damaged chunks") + " skipped";
    }
    if (status.recordsSkipped != 0) {
        text += "; " + std::to_string(status.recordsSkipped) +
                (status.recordsSkipped == 1 ? " damaged record" : " damaged records") + " skipped";
    }
    return text;
}

std::string oneLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' || text[i] == '\r') {
            // A blank line between paragraphs is one blank too.
            if (out.empty() || out.back() != ' ')
                out.push_back(' ');
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}
