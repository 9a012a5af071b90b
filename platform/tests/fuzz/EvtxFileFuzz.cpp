// Fuzzes the .evtx reader. The first byte picks the form: 0 the input is
// one chunk after a good file header; 1 the input patches a good log of
// several chunks, whose checksums are then made right again so that the
// damage reaches the binary XML; 2 the input is the binary XML of one
// record in a good chunk; 3 the input is a value of each type.
#include "EvtxWriter.h"
#include "platform/formats/EvtxFile.h"
#include "pe/Bytes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace qmplatform;
namespace w = qmplatform::evtx::testing;

namespace {

std::vector<std::uint8_t> goodLog() {
    std::vector<w::Event> events(12);
    for (std::size_t i = 0; i < events.size(); ++i) {
        w::Event& e = events[i];
        e.eventId = static_cast<std::uint16_t>(i);
        e.userSid = i % 2 == 0 ? w::kLocalSystemSid : std::vector<std::uint8_t>{};
        e.kind = i % 3 == 0 ? evtx::EvtxDataKind::UserData : evtx::EvtxDataKind::EventData;
        e.data = {{L"Text", w::text(L"value")},
                  {L"List", w::array({w::text(L"a"), w::text(L"b")})},
                  {L"When", w::fileTime(132617083050187674)},
                  {L"Who", w::sid(w::kLocalSystemSid)},
                  {L"", w::number(evtx::kTypeHexInt32, i)}};
    }
    return w::writeEvtx(events, {.recordsPerChunk = 4});
}

void exercise(const std::vector<std::uint8_t>& file) {
    evtx::EvtxLog log;
    std::string error;
    (void)evtx::readEvtxFile(file, log, error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const std::vector<std::uint8_t> base = goodLog();
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        std::vector<std::uint8_t> file(base.begin(), base.begin() + evtx::kFileHeaderBlockSize);
        file.insert(file.end(), input.begin(), input.begin() + static_cast<std::ptrdiff_t>(
                                                                std::min(input.size(), evtx::kChunkSize)));
        exercise(file);
        break;
    }
    case 1: {
        std::vector<std::uint8_t> file = base;
        const std::size_t span = file.size() - evtx::kFileHeaderBlockSize;
        for (std::size_t i = 0; i + 3 < input.size(); i += 4) {
            const std::size_t offset =
                (static_cast<std::size_t>(input[i]) << 16 | static_cast<std::size_t>(input[i + 1]) << 8 | input[i + 2]) % span;
            file[evtx::kFileHeaderBlockSize + offset] = input[i + 3];
        }
        for (std::size_t c = 0; c < span / evtx::kChunkSize; ++c) {
            w::reseal(file, c);
        }
        exercise(file);
        break;
    }
    case 2: {
        // The first record of chunk 0, its binary XML replaced.
        const auto c0 = static_cast<std::ptrdiff_t>(w::chunkOffset(0));
        std::vector<std::uint8_t> chunk(base.begin() + c0, base.begin() + c0 + evtx::kChunkSize);
        const std::size_t at = evtx::kChunkRecordsOffset;
        const std::size_t old = bytes::u32At(chunk, at + 4);
        std::vector<std::uint8_t> record(chunk.begin() + at, chunk.begin() + at + evtx::kRecordHeaderSize);
        record.insert(record.end(), input.begin(), input.end());
        bytes::putU32(record, 0);
        const std::size_t free = bytes::u32At(chunk, 48) - old + record.size();
        if (free > evtx::kChunkSize) {
            break;
        }
        const auto length = static_cast<std::uint32_t>(record.size());
        bytes::setU32(record, 4, length);
        bytes::setU32(record, record.size() - 4, length);
        chunk.erase(chunk.begin() + at, chunk.begin() + static_cast<std::ptrdiff_t>(at + old));
        chunk.insert(chunk.begin() + at, record.begin(), record.end());
        chunk.resize(evtx::kChunkSize, 0);
        bytes::setU32(chunk, 48, static_cast<std::uint32_t>(free));
        std::vector<std::uint8_t> file = base;
        std::copy(chunk.begin(), chunk.end(), file.begin() + c0);
        w::reseal(file, 0);
        exercise(file);
        break;
    }
    default: {
        std::wstring text;
        if (!input.empty()) {
            (void)evtx::valueText(input[0], input.subspan(1), text);
        }
        break;
    }
    }
    return 0;
}
