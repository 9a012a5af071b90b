#include "platform/formats/EvtFile.h"

#include "pe/Bytes.h"
#include "platform/EventLog.h"

#include <algorithm>

namespace qmplatform::evt {

namespace {

constexpr std::uint32_t kMajorVersion = 1;
constexpr std::uint32_t kMinorVersion = 1;

// The circular record area of a file: [kHeaderSize, size).
class Ring {
public:
    explicit Ring(std::span<const std::uint8_t> file) : file_(file) {}
    std::size_t size() const { return file_.size() - kHeaderSize; }
    bool contains(std::size_t offset) const { return offset >= kHeaderSize && offset < file_.size(); }
    std::size_t advance(std::size_t offset, std::size_t count) const {
        return kHeaderSize + (offset - kHeaderSize + count) % size();
    }
    // `count` bytes from `offset` on, wrapping at the end; count <= size().
    void copy(std::size_t offset, std::size_t count, std::vector<std::uint8_t>& out) const {
        out.resize(count);
        // Each run starts inside the ring, so it copies at least one byte.
        std::size_t at = advance(offset, 0);
        for (std::size_t i = 0; i < count;) {
            const std::size_t run = std::min(count - i, file_.size() - at);
            std::copy_n(file_.begin() + static_cast<std::ptrdiff_t>(at), run,
                        out.begin() + static_cast<std::ptrdiff_t>(i));
            i += run;
            at = advance(at, run);
        }
    }
    std::uint32_t u32(std::size_t offset) const {
        std::vector<std::uint8_t> four;
        copy(offset, 4, four);
        return bytes::u32At(four, 0);
    }

private:
    std::span<const std::uint8_t> file_;
};

bool isEofRecordAt(const Ring& ring, std::size_t offset) {
    if (ring.size() < kEofRecordSize || ring.u32(offset) != kEofRecordSize) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (ring.u32(ring.advance(offset, 4 + 4 * i)) != kEofMarkers[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool readEvtFile(std::span<const std::uint8_t> file, EvtLog& out, std::string& error) {
    if (file.size() < kHeaderSize) {
        error = "shorter than an event log header";
        return false;
    }
    auto field = [&file](std::size_t index) { return bytes::u32At(file, kHeaderFields[index].offset); };
    if (field(0) != kHeaderSize || field(11) != kHeaderSize || field(1) != kEventLogSignature) {
        error = "no event log header";
        return false;
    }
    if (field(2) != kMajorVersion || field(3) != kMinorVersion) {
        error = "event log version " + std::to_string(field(2)) + "." + std::to_string(field(3));
        return false;
    }
    EvtLog log;
    log.flags = field(9);
    log.currentRecordNumber = field(6);
    log.oldestRecordNumber = field(7);
    log.maxSize = field(8);
    log.retention = field(10);
    const Ring ring(file);
    std::size_t start = field(4);
    std::size_t end = field(5);
    if ((log.flags & kFlagDirty) != 0) {
        // The header was not brought up to date; the end-of-file record was.
        for (std::size_t at = kHeaderSize; at + kEofRecordSize <= file.size(); at += 4) {
            if (isEofRecordAt(ring, at)) {
                start = bytes::u32At(file, at + kEofFields[5].offset);
                end = at;
                log.currentRecordNumber = bytes::u32At(file, at + kEofFields[7].offset);
                log.oldestRecordNumber = bytes::u32At(file, at + kEofFields[8].offset);
                break;
            }
        }
    }
    if (file.size() == kHeaderSize || !ring.contains(start) || !ring.contains(end)) {
        // Nothing but a header: an empty log that was never written to.
        if (start == end || file.size() == kHeaderSize) {
            out = std::move(log);
            return true;
        }
        error = "record offsets outside the file";
        return false;
    }
    std::size_t at = start;
    std::size_t consumed = 0;
    std::vector<std::uint8_t> record;
    while (at != end && !isEofRecordAt(ring, at)) {
        const std::uint32_t length = ring.u32(at);
        if (length < kEventLogRecordHeaderSize || length % 4 != 0 || length > ring.size() - consumed) {
            log.damaged = true;
            break;
        }
        ring.copy(at, length, record);
        if (bytes::u32At(record, 4) != kEventLogSignature || bytes::u32At(record, length - 4) != length) {
            log.damaged = true;
            break;
        }
        log.records.push_back(record);
        consumed += length;
        at = ring.advance(at, length);
    }
    out = std::move(log);
    return true;
}

std::vector<std::uint8_t> encodeEventRecord(const EventRecordSpec& spec, std::uint32_t recordNumber) {
    std::vector<std::uint8_t> out(kEventLogRecordHeaderSize, 0);
    bytes::putUtf16(out, spec.sourceName);
    bytes::putUtf16(out, spec.computerName);
    bytes::padTo4(out);
    const auto sidOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), spec.userSid.begin(), spec.userSid.end());
    bytes::padTo4(out);
    const auto stringOffset = static_cast<std::uint32_t>(out.size());
    for (const std::wstring& text : spec.strings) {
        bytes::putUtf16(out, text);
    }
    const auto dataOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), spec.data.begin(), spec.data.end());
    bytes::padTo4(out);
    const auto length = static_cast<std::uint32_t>(out.size() + 4);
    bytes::putU32(out, length);
    bytes::setU32(out, 0, length);
    bytes::setU32(out, 4, kEventLogSignature);
    bytes::setU32(out, 8, recordNumber);
    bytes::setU32(out, 12, spec.timeGenerated);
    bytes::setU32(out, 16, spec.timeWritten);
    bytes::setU32(out, 20, spec.eventId);
    bytes::setU16(out, 24, spec.eventType);
    bytes::setU16(out, 26, static_cast<std::uint16_t>(spec.strings.size()));
    bytes::setU16(out, 28, spec.eventCategory);
    bytes::setU32(out, 36, stringOffset);
    bytes::setU32(out, 40, static_cast<std::uint32_t>(spec.userSid.size()));
    bytes::setU32(out, 44, sidOffset);
    bytes::setU32(out, 48, static_cast<std::uint32_t>(spec.data.size()));
    bytes::setU32(out, 52, dataOffset);
    return out;
}

std::vector<std::uint8_t> writeEvtFile(std::span<const EventRecordSpec> records,
                                       const EvtWriteOptions& options, std::string& error) {
    std::vector<std::vector<std::uint8_t>> encoded;
    std::size_t total = 0;
    std::uint32_t number = options.firstRecordNumber;
    for (const EventRecordSpec& spec : records) {
        encoded.push_back(encodeEventRecord(spec, number++));
        total += encoded.back().size();
    }
    std::size_t fileSize = options.fileSize;
    if (fileSize == 0) {
        fileSize = kHeaderSize + total + kEofRecordSize;
    }
    // The ring must hold every record and the end-of-file record without the
    // newest overwriting the oldest.
    if (fileSize < kHeaderSize + total + kEofRecordSize || options.startOffset < kHeaderSize ||
        options.startOffset >= fileSize || options.startOffset % 4 != 0 || fileSize % 4 != 0) {
        error = "the records do not fit a file of " + std::to_string(fileSize) + " bytes from offset " +
                std::to_string(options.startOffset);
        return {};
    }
    std::vector<std::uint8_t> file(fileSize, 0);
    const std::size_t ringSize = fileSize - kHeaderSize;
    std::size_t at = options.startOffset;
    bool atEnd = false;
    bool wrapped = false;
    auto put = [&](const std::vector<std::uint8_t>& data) {
        for (std::uint8_t b : data) {
            // Only a byte written after the end was reached makes a wrap; a
            // log that fills its file exactly has not wrapped.
            wrapped = wrapped || atEnd;
            file[at] = b;
            at = kHeaderSize + (at - kHeaderSize + 1) % ringSize;
            atEnd = at == kHeaderSize;
        }
    };
    for (const auto& record : encoded) {
        put(record);
    }
    const std::size_t eofOffset = at;
    std::vector<std::uint8_t> eof;
    bytes::putU32(eof, kEofRecordSize);
    for (std::uint32_t marker : kEofMarkers) {
        bytes::putU32(eof, marker);
    }
    bytes::putU32(eof, options.startOffset);
    bytes::putU32(eof, static_cast<std::uint32_t>(eofOffset));
    bytes::putU32(eof, number);
    bytes::putU32(eof, options.firstRecordNumber);
    bytes::putU32(eof, kEofRecordSize);
    put(eof);

    std::vector<std::uint8_t> header;
    bytes::putU32(header, kHeaderSize);
    bytes::putU32(header, kEventLogSignature);
    bytes::putU32(header, kMajorVersion);
    bytes::putU32(header, kMinorVersion);
    bytes::putU32(header, options.dirty ? kHeaderSize : options.startOffset);
    bytes::putU32(header, options.dirty ? kHeaderSize : static_cast<std::uint32_t>(eofOffset));
    bytes::putU32(header, options.dirty ? options.firstRecordNumber : number);
    bytes::putU32(header, options.firstRecordNumber);
    bytes::putU32(header, static_cast<std::uint32_t>(fileSize));
    bytes::putU32(header, (options.dirty ? kFlagDirty : 0) | (wrapped ? kFlagWrapped : 0));
    bytes::putU32(header, options.retention);
    bytes::putU32(header, kHeaderSize);
    std::copy(header.begin(), header.end(), file.begin());
    return file;
}

} // namespace qmplatform::evt
