// A test-only .evtx writer: events as Windows writes them (a System
// template with substitutions, EventData or UserData in a binary XML value
// with a template of its own), templates and names inline at their first
// use in a chunk and referenced after, chunk and file checksums. It makes
// the files the real ones lack: every value type, arrays, damage of each
// kind, and large logs for the benchmark.
#pragma once

#include "platform/formats/EvtxFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace qmplatform::evtx::testing {

struct Value {
    std::uint8_t type = kTypeNull;
    std::vector<std::uint8_t> bytes;
};

Value text(std::wstring_view s);            // String, no terminator
Value ansi(std::string_view s);             // AnsiString
Value number(std::uint8_t type, std::uint64_t bits); // any fixed-size integer, real or boolean type
Value guid(const std::uint8_t (&bytes)[16]);
Value sid(std::span<const std::uint8_t> bytes);
Value fileTime(std::uint64_t ticks);
Value sysTime(std::uint16_t y, std::uint16_t mo, std::uint16_t d, std::uint16_t h, std::uint16_t mi,
              std::uint16_t s, std::uint16_t ms);
Value binary(std::vector<std::uint8_t> bytes);
// An array of the items' type: strings each with a terminator, fixed-size
// values one after another.
Value array(const std::vector<Value>& items);

inline const std::vector<std::uint8_t> kLocalSystemSid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};

struct Event {
    std::wstring provider = L"QuillmarkService";
    std::optional<Value> providerGuid;
    std::wstring eventSourceName;
    std::uint16_t eventId = 100;
    std::optional<std::uint16_t> qualifiers;
    std::uint8_t version = 0;
    std::uint8_t level = 4;
    std::uint16_t task = 0;
    std::uint8_t opcode = 0;
    std::uint64_t keywords = 0x80000000000000;
    std::uint64_t timeCreated = 132617083050187674; // 2021-03-31T23:51:45.0187674Z
    std::uint32_t processId = 0;
    std::uint32_t threadId = 0;
    std::wstring channel = L"Application";
    std::wstring computer = L"QUILLMARK-PC";
    std::vector<std::uint8_t> userSid;
    EvtxDataKind kind = EvtxDataKind::EventData;
    std::wstring userDataName = L"EventXML";
    // EventData: "" writes <Data>, "Binary" <Binary>, any other name
    // <Data Name="...">. UserData: each name is an element under the payload.
    std::vector<std::pair<std::wstring, Value>> data;
};

struct WriteOptions {
    std::uint64_t firstRecordNumber = 1;
    // Records per chunk at most; 0 fills each chunk.
    std::size_t recordsPerChunk = 0;
    bool dirty = false;
    bool checksums = true;
    // Time the log wrote each record; 0 uses the event's time created.
    std::uint64_t timeWritten = 0;
};

std::vector<std::uint8_t> writeEvtx(std::span<const Event> events, const WriteOptions& options = {});

inline std::size_t chunkOffset(std::size_t index) {
    return kFileHeaderBlockSize + index * kChunkSize;
}
// Offsets in the file of each record's header, in order.
std::vector<std::size_t> recordOffsets(std::span<const std::uint8_t> file);
// Recomputes the checksums of a chunk and of the file header after a test
// changed bytes it wants the reader to meet without a checksum failing.
void reseal(std::vector<std::uint8_t>& file, std::size_t chunk);

} // namespace qmplatform::evtx::testing
