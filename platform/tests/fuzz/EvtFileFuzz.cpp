// Fuzzes the .evt reader and the record walker. The first byte picks the
// form: 0 the input is a whole file; 1 the input patches a well-formed
// wrapped log; 2 the input is a read buffer for the walker.
#include "platform/formats/EvtFile.h"
#include "platform/EventLog.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace qmplatform;

namespace {

std::vector<std::uint8_t> templateLog() {
    std::vector<evt::EventRecordSpec> records(6);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].sourceName = L"QuillmarkService";
        records[i].eventId = 0xC0000065u + static_cast<std::uint32_t>(i);
        records[i].strings.assign(i % 3, L"insert");
        records[i].data.assign(i, 0xAA);
        if (i % 2 == 0) {
            records[i].userSid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
        }
    }
    evt::EvtWriteOptions options;
    options.fileSize = 0x600;
    options.startOffset = 0x400;
    std::string error;
    return evt::writeEvtFile(records, options, error);
}

void exercise(std::span<const std::uint8_t> file) {
    evt::EvtLog log;
    std::string error;
    if (evt::readEvtFile(file, log, error)) {
        for (const auto& record : log.records) {
            EventLogRecordView view;
            (void)parseEventLogRecord(record, view);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: {
        const std::vector<std::uint8_t> file(input.begin(), input.end());
        exercise(file);
        break;
    }
    case 1: {
        static const std::vector<std::uint8_t> base = templateLog();
        std::vector<std::uint8_t> file = base;
        for (std::size_t i = 0; i + 2 < input.size(); i += 3) {
            const std::size_t offset = (static_cast<std::size_t>(input[i]) << 8 | input[i + 1]) % file.size();
            file[offset] = input[i + 2];
        }
        exercise(file);
        break;
    }
    default: {
        const std::vector<std::uint8_t> buffer(input.begin(), input.end());
        forEachEventLogRecord(buffer, [](std::span<const std::uint8_t> record) {
            EventLogRecordView view;
            (void)parseEventLogRecord(record, view);
        });
        break;
    }
    }
    return 0;
}
