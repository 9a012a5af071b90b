#include "diagtool/bundle/ZipWriter.h"

#include <zlib.h>

#include <chrono>
#include <limits>

namespace qmbundle {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint16_t kVersionNeeded = 20;
constexpr std::uint16_t kUtf8NamesFlag = 0x0800;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::size_t kMaxEntries = 0xFFFF;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

// Raw deflate (no zlib header), as zip entries hold it.
bool deflateRaw(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    out.resize(deflateBound(&stream, static_cast<uLong>(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END;
}

} // namespace

bool ZipWriter::add(const std::string& name, std::span<const std::uint8_t> data, std::string& error) {
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
    if (name.empty() || name.size() > 0xFFFF) {
        error = "bad entry name";
        return false;
    }
    if (entries_.size() >= kMaxEntries || data.size() >= kLimit || data.size() > std::numeric_limits<uInt>::max()) {
        error = name + ": the archive cannot hold it";
        return false;
    }
    std::vector<std::uint8_t> packed;
    if (!deflateRaw(data, packed)) {
        error = name + ": compression failed";
        return false;
    }
    Central entry;
    entry.name = name;
    entry.method = packed.size() < data.size() ? kDeflated : kStored;
    const std::span<const std::uint8_t> stored = entry.method == kDeflated ? std::span<const std::uint8_t>(packed) : data;
    entry.crc = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
    entry.size = static_cast<std::uint32_t>(data.size());
    entry.compressedSize = static_cast<std::uint32_t>(stored.size());
    if (body_.size() + 30 + name.size() + stored.size() >= kLimit) {
        error = name + ": the archive cannot hold it";
        return false;
    }
    entry.localOffset = static_cast<std::uint32_t>(body_.size());
    put32(body_, kLocalSignature);
    put16(body_, kVersionNeeded);
    put16(body_, kUtf8NamesFlag);
    put16(body_, entry.method);
    put16(body_, dosTime_);
    put16(body_, dosDate_);
    put32(body_, entry.crc);
    put32(body_, entry.compressedSize);
    put32(body_, entry.size);
    put16(body_, static_cast<std::uint16_t>(name.size()));
    put16(body_, 0);
    body_.insert(body_.end(), name.begin(), name.end());
    body_.insert(body_.end(), stored.begin(), stored.end());
    entries_.push_back(std::move(entry));
    return true;
}

std::vector<std::uint8_t> ZipWriter::finish() const {
    std::vector<std::uint8_t> out = body_;
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    for (const Central& e : entries_) {
        put32(out, kCentralSignature);
        put16(out, kVersionNeeded); // made by: MS-DOS attributes
        put16(out, kVersionNeeded);
        put16(out, kUtf8NamesFlag);
        put16(out, e.method);
        put16(out, dosTime_);
        put16(out, dosDate_);
        put32(out, e.crc);
        put32(out, e.compressedSize);
        put32(out, e.size);
        put16(out, static_cast<std::uint16_t>(e.name.size()));
        put16(out, 0); // extra
        put16(out, 0); // comment
        put16(out, 0); // disk
        put16(out, 0); // internal attributes
        put32(out, 0); // external attributes: a plain file
        put32(out, e.localOffset);
        out.insert(out.end(), e.name.begin(), e.name.end());
    }
    const auto directorySize = static_cast<std::uint32_t>(out.size() - directoryOffset);
    put32(out, kEndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint16_t>(entries_.size()));
    put16(out, static_cast<std::uint16_t>(entries_.size()));
    put32(out, directorySize);
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

void dosDateTime(std::int64_t secondsSince1970, std::uint16_t& dosTime, std::uint16_t& dosDate) {
    using namespace std::chrono;
    const sys_seconds when{seconds(secondsSince1970)};
    const sys_days day = floor<days>(when);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> time{when - day};
    const int year = static_cast<int>(ymd.year());
    if (year < 1980) {
        dosTime = 0;
        dosDate = (1 << 5) | 1;
        return;
    }
    dosDate = static_cast<std::uint16_t>(((year - 1980) << 9) | (static_cast<unsigned>(ymd.month()) << 5) |
                                         static_cast<unsigned>(ymd.day()));
    dosTime = static_cast<std::uint16_t>((time.hours().count() << 11) | (time.minutes().count() << 5) |
                                         (time.seconds().count() / 2));
}

} // namespace qmbundle
