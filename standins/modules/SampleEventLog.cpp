// Writes the Application event log of the sample machines: events of the
// QuillmarkService source (one of them with an identifier its message file
// lacks, one with event type 0), of a source whose name merely contains
// "QuillmarkService" (one registered without a message file, one not
// registered at all), and of other sources. The file is laid out wrapped,
// as a log that has filled its 64 KiB once is.
#include "platform/formats/EvtFile.h"
#include "platform/EventLog.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using qmplatform::evt::EventRecordSpec;

// 2026-11-02 08:00:00 UTC, then a few minutes between events.
constexpr std::uint32_t kStart = 1793606400u;

struct SampleEvent {
    std::uint32_t minutes;
    const wchar_t* source;
    std::uint32_t eventId;
    std::uint16_t type;
    std::vector<std::wstring> strings;
};

const SampleEvent kEvents[] = {
    // A source registered without a message file (its key has no
    // EventMessageFile value).
    {0, L"QuillmarkService Updater", 0x40000001u, qmplatform::kEventTypeInformation, {L"3.10.0.7"}},
    {0, L"EventLog", 0x80001776u, qmplatform::kEventTypeInformation, {}},
    {1,
     L"Service Control Manager",
     0x40001B7Du,
     qmplatform::kEventTypeInformation,
     {L"QuillmarkService", L"running"}},
    {1, L"QuillmarkService", 0x40000064u, qmplatform::kEventTypeInformation, {L"QuillmarkService"}},
    {7, L"QuillmarkService", 0x80000066u, qmplatform::kEventTypeWarning, {L"E:", L"30"}},
    {9,
     L"MsiInstaller",
     0x000003F3u,
     qmplatform::kEventTypeInformation,
     {L"Quillmark System Software", L"3.10.0.7"}},
    {12,
     L"QuillmarkService",
     0xC0000067u,
     qmplatform::kEventTypeError,
     {L"17", L"0x231", L"drive not ready"}},
    {15, L"QuillmarkServiceMonitor", 0x00000001u, qmplatform::kEventTypeInformation, {L"heartbeat"}},
    {20, L"QuillmarkService", 0xC000012Cu, qmplatform::kEventTypeError, {L"unknown condition"}},
    {21, L"QuillmarkService", 0x40000065u, 0, {L"QuillmarkService"}},
    {30,
     L"QuillmarkService",
     0xC00000C8u,
     qmplatform::kEventTypeError,
     {L"C:\\Program Files\\Common Files\\Quillmark\\QMPrtEn.dll"}},
    {31, L"Application Error", 0x000003E8u, qmplatform::kEventTypeError, {L"jobview.exe", L"1.0.0.0"}},
    {40, L"QuillmarkService", 0x40000064u, qmplatform::kEventTypeInformation, {L"QuillmarkService"}},
};

} // namespace

int main(int argc, char** argv) {
    // The layout: "sample" (what the machines have), or one of the forms the
    // cross-check with other readers needs: "plain" (not wrapped, the file
    // just large enough), "eof-wrapped" (the end-of-file record itself
    // crosses the end of the file), "dirty" (a header left unflushed).
    const std::string layout = argc == 3 ? argv[2] : "sample";
    if (argc < 2 || argc > 3 ||
        (layout != "sample" && layout != "plain" && layout != "eof-wrapped" && layout != "dirty")) {
        std::fprintf(stderr, "usage: %s OUTPUT.evt [sample|plain|eof-wrapped|dirty]\n", argv[0]);
        return 2;
    }
    std::vector<EventRecordSpec> records;
    for (const SampleEvent& e : kEvents) {
        EventRecordSpec r;
        r.timeGenerated = kStart + 60 * e.minutes;
        r.timeWritten = r.timeGenerated;
        r.eventId = e.eventId;
        r.eventType = e.type;
        r.sourceName = e.source;
        r.strings = e.strings;
        if (std::wstring(e.source) == L"Application Error") {
            r.data = {0x41, 0x70, 0x70, 0x43, 0x72, 0x61, 0x73, 0x68};
        }
        if (std::wstring(e.source) == L"Service Control Manager") {
            r.userSid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}; // S-1-5-18, LocalSystem
        }
        records.push_back(r);
    }
    qmplatform::evt::EvtWriteOptions options;
    options.fileSize = 0x10000;
    options.startOffset = 0xFC00;
    options.firstRecordNumber = 1207;
    options.retention = 604800;
    if (layout == "plain") {
        options = {};
        options.firstRecordNumber = 1207;
    } else if (layout == "dirty") {
        options.startOffset = 0x400;
        options.dirty = true;
    } else if (layout == "eof-wrapped") {
        std::size_t total = 0;
        for (const EventRecordSpec& r : records) {
            total += qmplatform::evt::encodeEventRecord(r, 0).size();
        }
        options.startOffset = static_cast<std::uint32_t>(options.fileSize - total - 20);
    }
    std::string error;
    const auto file = qmplatform::evt::writeEvtFile(records, options, error);
    if (file.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}
