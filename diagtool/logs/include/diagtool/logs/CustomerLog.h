#pragma once

// An event log file a customer sent (.evt or .evtx): every record with its
// source, described with this machine's message files where it has the
// source's, and otherwise with a line saying the description is missing
// followed by what the record carries, so nothing the customer sent is
// hidden. Also what the event log page says about the rows it lists.
// Standard C++ only.

#include "diagtool/logs/EventLogRecord.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CustomerLog {
    std::vector<EventLogRecord> rows; // newest first
    // Damaged parts left out: chunks of a .evtx file, records of either
    // kind; and every problem met, as the file reader words it.
    std::uint32_t chunksSkipped = 0;
    std::uint64_t recordsSkipped = 0;
    std::vector<std::string> problems;
};

enum class CustomerLogRead { Read, NotALog, Cancelled };

// Reads a .evt or .evtx file, told apart by their signatures. IDs are the
// events' numbers as Event Viewer shows them (the low word). NotALog, with
// the reason in `error`, when it is neither or its header is unreadable.
// `keepGoing` is asked after each chunk of a .evtx file, and after every
// 500 records of a .evt file, with the share done (0 to 1); false cancels.
// `out` changes only when the file was read.
CustomerLogRead readCustomerLog(EventLogReader& reader, std::span<const std::uint8_t> file, CustomerLog& out,
                                std::string& error, const std::function<bool(double)>& keepGoing = {});

// The description of a record whose source has no message file here: the
// line saying so, then the record's insertion strings (.evt) or event data
// ("name: value", or the value alone for an unnamed field), one a line.
std::string offlineDescription(std::string_view eventId, std::string_view source,
                               std::span<const std::pair<std::string, std::string>> data);

enum class SourceScope { QuillmarkService, AllSources };
inline constexpr char kQuillmarkScopeText[] = "QuillmarkService";
inline constexpr char kAllSourcesScopeText[] = "all";

bool inScope(const EventLogRecord& record, SourceScope scope);

// What the status line under the event log tree is made of.
struct ListingStatus {
    std::size_t shown = 0; // after the scope and the filter text
    std::size_t total = 0; // every record of the log, of any source
    SourceScope scope = SourceScope::QuillmarkService;
    std::string origin{}; // "SysEvent.Evt", "the Application log"
    std::uint32_t chunksSkipped = 0;
    std::uint64_t recordsSkipped = 0;
    // Why the last scan or file gave nothing new ("customer.evt cannot be
    // read: ..."); the rows of the one before stay listed.
    std::string problem{};
};

// Before the first scan or file.
inline constexpr char kNothingListedYet[] =
    "No log listed yet: scan this machine's Application log or open a log file.";

// "12 of 6063 records (source: all) in SysEvent.Evt; 2 damaged chunks
// skipped": says what the list holds, so an empty list is never
// unexplained. A problem comes first, then what is still listed, if
// anything is.
std::string statusLine(const ListingStatus& status);

// A description as one line for a row: the trailing line breaks (message
// texts end with "\r\n") and blanks go, the others become one blank each.
std::string oneLine(std::string_view text);
