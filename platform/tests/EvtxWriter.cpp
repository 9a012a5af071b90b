#include "EvtxWriter.h"

#include "pe/Bytes.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

namespace qmplatform::evtx::testing {

namespace {

void put8(std::vector<std::uint8_t>& out, std::uint8_t v) {
    out.push_back(v);
}
void setU64(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t v) {
    bytes::setU32(out, at, static_cast<std::uint32_t>(v));
    bytes::setU32(out, at + 4, static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t keyHash(std::wstring_view key) {
    std::uint32_t h = 2166136261u;
    for (wchar_t c : key) {
        h = (h ^ static_cast<std::uint32_t>(c)) * 16777619u;
    }
    return h;
}

// What a chunk has stored so far: names and template definitions by offset.
struct ChunkState {
    std::map<std::wstring, std::uint32_t> names;
    std::map<std::wstring, std::uint32_t> templates;
};

// Binary XML into `out`, whose first byte sits at chunk offset `base`.
class Xml {
public:
    Xml(std::vector<std::uint8_t>& out, std::size_t base, ChunkState& state) : out_(out), base_(base), st_(state) {}

    std::uint32_t here() const { return static_cast<std::uint32_t>(base_ + out_.size()); }
    void name(const std::wstring& n) {
        if (const auto it = st_.names.find(n); it != st_.names.end()) {
            bytes::putU32(out_, it->second);
            return;
        }
        const std::uint32_t at = here() + 4;
        bytes::putU32(out_, at);
        st_.names[n] = at;
        const std::u16string units = bytes::toUtf16(n);
        std::uint16_t hash = 0;
        for (char16_t c : units) {
            hash = static_cast<std::uint16_t>(hash * 65599u + c);
        }
        bytes::putU32(out_, 0);
        bytes::putU16(out_, hash);
        bytes::putU16(out_, static_cast<std::uint16_t>(units.size()));
        bytes::putUtf16(out_, n);
    }
    void fragmentHeader() { out_.insert(out_.end(), {kTokenFragmentHeader, 1, 1, 0}); }
    void open(const std::wstring& n, bool attributes = false) {
        put8(out_, attributes ? kTokenOpenStartElement | kTokenMoreFlag : kTokenOpenStartElement);
        bytes::putU16(out_, 0xFFFF);
        sizes_.push_back(out_.size());
        bytes::putU32(out_, 0);
        name(n);
        if (attributes) {
            // The attribute list's size, known when the start tag closes.
            attributesAt_ = out_.size();
            bytes::putU32(out_, 0);
        }
    }
    void attribute(const std::wstring& n, bool more = false) {
        put8(out_, more ? kTokenAttribute | kTokenMoreFlag : kTokenAttribute);
        name(n);
    }
    void text(std::wstring_view s) {
        const std::u16string units = bytes::toUtf16(s);
        put8(out_, kTokenValue);
        put8(out_, kTypeString);
        bytes::putU16(out_, static_cast<std::uint16_t>(units.size()));
        bytes::putUtf16(out_, s, false);
    }
    void sub(std::uint16_t index, std::uint8_t type, bool optional = true) {
        put8(out_, optional ? kTokenOptionalSubstitution : kTokenNormalSubstitution);
        bytes::putU16(out_, index);
        put8(out_, type);
    }
    void closeStart() {
        endAttributes();
        put8(out_, kTokenCloseStartElement);
    }
    void closeEmpty() {
        endAttributes();
        close(kTokenCloseEmptyElement);
    }
    void end() { close(kTokenEndElement); }
    void eos() { put8(out_, kTokenEndOfStream); }
    void leaf(const std::wstring& n, std::uint16_t index, std::uint8_t type) {
        open(n);
        closeStart();
        sub(index, type);
        end();
    }

    // A template instance: the definition inline the first time the chunk
    // sees `key`, then the values; `valueBytes` gives value i's bytes
    // for the chunk offset it will sit at.
    void instance(const std::wstring& key, const std::function<void(Xml&)>& body, std::size_t count,
                  const std::function<Value(std::size_t, std::size_t, ChunkState&)>& valueAt) {
        put8(out_, kTokenTemplateInstance);
        put8(out_, 1);
        const std::uint32_t id = keyHash(key);
        bytes::putU32(out_, id);
        if (const auto it = st_.templates.find(key); it != st_.templates.end()) {
            bytes::putU32(out_, it->second);
        } else {
            const std::uint32_t at = here() + 4;
            bytes::putU32(out_, at);
            st_.templates[key] = at;
            bytes::putU32(out_, 0);
            for (int i = 0; i < 4; ++i) {
                bytes::putU32(out_, id * static_cast<std::uint32_t>(i + 1));
            }
            const std::size_t sizeAt = out_.size();
            bytes::putU32(out_, 0);
            Xml inner(out_, base_, st_);
            body(inner);
            bytes::setU32(out_, sizeAt, static_cast<std::uint32_t>(out_.size() - sizeAt - 4));
        }
        // Sizes first: a binary XML value is the same size wherever it sits,
        // so a trial on a copy of the chunk's state measures it.
        std::vector<std::size_t> sizes;
        ChunkState trial = st_;
        for (std::size_t i = 0; i < count; ++i) {
            sizes.push_back(valueAt(i, 0, trial).bytes.size());
        }
        std::size_t at = base_ + out_.size() + 4 + 4 * count;
        std::vector<Value> values;
        for (std::size_t i = 0; i < count; ++i) {
            values.push_back(valueAt(i, at, st_));
            at += sizes[i];
        }
        bytes::putU32(out_, static_cast<std::uint32_t>(count));
        for (const Value& v : values) {
            bytes::putU16(out_, static_cast<std::uint16_t>(v.bytes.size()));
            put8(out_, v.type);
            put8(out_, 0);
        }
        for (const Value& v : values) {
            out_.insert(out_.end(), v.bytes.begin(), v.bytes.end());
        }
    }

private:
    void endAttributes() {
        if (attributesAt_ != kNoAttributes) {
            bytes::setU32(out_, attributesAt_, static_cast<std::uint32_t>(out_.size() - attributesAt_ - 4));
            attributesAt_ = kNoAttributes;
        }
    }
    void close(std::uint8_t token) {
        put8(out_, token);
        const std::size_t at = sizes_.back();
        sizes_.pop_back();
        bytes::setU32(out_, at, static_cast<std::uint32_t>(out_.size() - at - 4));
    }

    std::vector<std::uint8_t>& out_;
    std::size_t base_;
    ChunkState& st_;
    std::vector<std::size_t> sizes_;
    static constexpr std::size_t kNoAttributes = static_cast<std::size_t>(-1);
    std::size_t attributesAt_ = kNoAttributes;
};

Value optionalString(const std::wstring& s) {
    return s.empty() ? Value{} : text(s);
}

// EventData or UserData as a binary XML value with a template of its own.
Value dataFragment(const Event& e, std::size_t base, ChunkState& state) {
    Value v{kTypeBinXml, {}};
    Xml x(v.bytes, base, state);
    x.fragmentHeader();
    std::wstring key = e.kind == EvtxDataKind::UserData ? L"U|" + e.userDataName : L"D";
    for (const auto& [name, value] : e.data) {
        key += L"|" + name + L":" + std::to_wstring(value.type);
    }
    x.instance(
        key,
        [&](Xml& t) {
            t.fragmentHeader();
            if (e.kind == EvtxDataKind::UserData) {
                t.open(L"UserData");
                t.closeStart();
                t.open(e.userDataName, true);
                t.attribute(L"xmlns");
                t.text(L"urn:quillmark:events");
                t.closeStart();
            } else {
                t.open(L"EventData");
                t.closeStart();
            }
            for (std::size_t i = 0; i < e.data.size(); ++i) {
                const auto& [name, value] = e.data[i];
                const auto index = static_cast<std::uint16_t>(i);
                if (e.kind == EvtxDataKind::UserData || name == L"Binary") {
                    t.leaf(name, index, value.type);
                } else if (name.empty()) {
                    t.leaf(L"Data", index, value.type);
                } else {
                    t.open(L"Data", true);
                    t.attribute(L"Name");
                    t.text(name);
                    t.closeStart();
                    t.sub(index, value.type);
                    t.end();
                }
            }
            if (e.kind == EvtxDataKind::UserData) {
                t.end();
            }
            t.end();
            t.eos();
        },
        e.data.size(), [&](std::size_t i, std::size_t, ChunkState&) { return e.data[i].second; });
    return v;
}

void systemTemplate(Xml& t) {
    t.fragmentHeader();
    t.open(L"Event", true);
    t.attribute(L"xmlns");
    t.text(L"http://schemas.microsoft.com/win/2004/08/events/event");
    t.closeStart();
    t.open(L"System");
    t.closeStart();
    t.open(L"Provider", true);
    t.attribute(L"Name", true);
    t.sub(0, kTypeString, false);
    t.attribute(L"Guid", true);
    t.sub(1, kTypeGuid);
    t.attribute(L"EventSourceName");
    t.sub(2, kTypeString);
    t.closeEmpty();
    t.open(L"EventID", true);
    t.attribute(L"Qualifiers");
    t.sub(3, kTypeUInt16);
    t.closeStart();
    t.sub(4, kTypeUInt16, false);
    t.end();
    t.leaf(L"Version", 5, kTypeUInt8);
    t.leaf(L"Level", 6, kTypeUInt8);
    t.leaf(L"Task", 7, kTypeUInt16);
    t.leaf(L"Opcode", 8, kTypeUInt8);
    t.leaf(L"Keywords", 9, kTypeHexInt64);
    t.open(L"TimeCreated", true);
    t.attribute(L"SystemTime");
    t.sub(10, kTypeFileTime);
    t.closeEmpty();
    t.leaf(L"EventRecordID", 11, kTypeUInt64);
    t.open(L"Execution", true);
    t.attribute(L"ProcessID", true);
    t.sub(12, kTypeUInt32);
    t.attribute(L"ThreadID");
    t.sub(13, kTypeUInt32);
    t.closeEmpty();
    t.leaf(L"Channel", 14, kTypeString);
    t.leaf(L"Computer", 15, kTypeString);
    t.open(L"Security", true);
    t.attribute(L"UserID");
    t.sub(16, kTypeSid);
    t.closeEmpty();
    t.end();
    t.sub(17, kTypeBinXml);
    t.end();
    t.eos();
}

constexpr std::size_t kSystemValues = 18;

std::vector<std::uint8_t> recordBytes(const Event& e, std::uint64_t number, std::uint64_t written,
                                      std::size_t at, ChunkState& state) {
    std::vector<std::uint8_t> r(kRecordHeaderSize, 0);
    Xml x(r, at, state);
    x.fragmentHeader();
    x.instance(L"System", systemTemplate, kSystemValues, [&](std::size_t i, std::size_t base, ChunkState& st) {
        switch (i) {
        case 0: return text(e.provider);
        case 1: return e.providerGuid.value_or(Value{});
        case 2: return optionalString(e.eventSourceName);
        case 3: return e.qualifiers ? testing::number(kTypeUInt16, *e.qualifiers) : Value{};
        case 4: return testing::number(kTypeUInt16, e.eventId);
        case 5: return testing::number(kTypeUInt8, e.version);
        case 6: return testing::number(kTypeUInt8, e.level);
        case 7: return testing::number(kTypeUInt16, e.task);
        case 8: return testing::number(kTypeUInt8, e.opcode);
        case 9: return testing::number(kTypeHexInt64, e.keywords);
        case 10: return fileTime(e.timeCreated);
        case 11: return testing::number(kTypeUInt64, number);
        case 12: return testing::number(kTypeUInt32, e.processId);
        case 13: return testing::number(kTypeUInt32, e.threadId);
        case 14: return optionalString(e.channel);
        case 15: return text(e.computer);
        case 16: return e.userSid.empty() ? Value{} : sid(e.userSid);
        default: return e.kind == EvtxDataKind::None ? Value{} : dataFragment(e, base, st);
        }
    });
    x.eos();
    bytes::putU32(r, 0);
    const auto size = static_cast<std::uint32_t>(r.size());
    bytes::setU32(r, 0, kRecordSignature);
    bytes::setU32(r, 4, size);
    setU64(r, 8, number);
    setU64(r, 16, written);
    bytes::setU32(r, r.size() - 4, size);
    return r;
}

void sealChunk(std::span<std::uint8_t> chunk) {
    // A test may have damaged the free space offset: the checksum then
    // covers what lies inside the chunk.
    const std::size_t end = std::clamp<std::size_t>(bytes::u32At(chunk, kChunkHeaderFields[kChunkFreeSpace].offset),
                                                    kChunkRecordsOffset, chunk.size());
    const std::uint32_t flags = bytes::u32At(chunk, kChunkHeaderFields[kChunkFlags].offset);
    std::vector<std::uint8_t> c(chunk.begin(), chunk.end());
    const bool sums = (flags & kFlagNoChecksums) == 0;
    bytes::setU32(c, kChunkHeaderFields[kChunkRecordsChecksum].offset,
                  sums ? crc32(std::span(c).subspan(kChunkRecordsOffset, end - kChunkRecordsOffset)) : 0);
    bytes::setU32(c, kChunkHeaderFields[kChunkHeaderChecksum].offset,
                  sums ? crc32(std::span(c).subspan(128, 384), crc32(std::span(c).first(120))) : 0);
    std::copy(c.begin(), c.end(), chunk.begin());
}

void sealFile(std::vector<std::uint8_t>& file) {
    const bool sums = (bytes::u32At(file, kFileHeaderFields[kFileFlags].offset) & kFlagNoChecksums) == 0;
    bytes::setU32(file, kFileHeaderFields[kFileChecksum].offset, sums ? crc32(std::span(file).first(120)) : 0);
}

} // namespace

Value text(std::wstring_view s) {
    Value v{kTypeString, {}};
    bytes::putUtf16(v.bytes, s, false);
    return v;
}

Value ansi(std::string_view s) {
    return {kTypeAnsiString, std::vector<std::uint8_t>(s.begin(), s.end())};
}

Value number(std::uint8_t type, std::uint64_t bits) {
    const ValueType* t = findValueType(type);
    const std::size_t size = type == kTypeSizeT ? 8 : (t != nullptr ? t->size : 0);
    Value v{type, {}};
    for (std::size_t i = 0; i < size; ++i) {
        v.bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    return v;
}

Value guid(const std::uint8_t (&b)[16]) {
    return {kTypeGuid, std::vector<std::uint8_t>(b, b + 16)};
}

Value sid(std::span<const std::uint8_t> b) {
    return {kTypeSid, std::vector<std::uint8_t>(b.begin(), b.end())};
}

Value fileTime(std::uint64_t ticks) {
    Value v = number(kTypeUInt64, ticks);
    v.type = kTypeFileTime;
    return v;
}

Value sysTime(std::uint16_t y, std::uint16_t mo, std::uint16_t d, std::uint16_t h, std::uint16_t mi,
              std::uint16_t s, std::uint16_t ms) {
    Value v{kTypeSysTime, {}};
    for (std::uint16_t part : {y, mo, std::uint16_t{0}, d, h, mi, s, ms}) {
        bytes::putU16(v.bytes, part);
    }
    return v;
}

Value binary(std::vector<std::uint8_t> b) {
    return {kTypeBinary, std::move(b)};
}

Value array(const std::vector<Value>& items) {
    Value v{static_cast<std::uint8_t>((items.empty() ? std::uint8_t{kTypeString} : items.front().type) | kTypeArrayFlag), {}};
    for (const Value& item : items) {
        v.bytes.insert(v.bytes.end(), item.bytes.begin(), item.bytes.end());
        if (item.type == kTypeString) {
            bytes::putU16(v.bytes, 0);
        } else if (item.type == kTypeAnsiString) {
            v.bytes.push_back(0);
        }
    }
    return v;
}

std::vector<std::uint8_t> writeEvtx(std::span<const Event> events, const WriteOptions& options) {
    std::vector<std::vector<std::uint8_t>> chunks;
    std::vector<std::uint8_t> chunk;
    ChunkState state;
    std::size_t inChunk = 0;
    std::uint64_t number = options.firstRecordNumber;
    std::uint64_t firstInChunk = number;
    std::size_t lastRecord = 0;
    auto finish = [&] {
        if (chunk.empty()) {
            return;
        }
        const std::size_t free = chunk.size();
        chunk.resize(kChunkSize, 0);
        std::memcpy(chunk.data(), kChunkSignature.data(), kChunkSignature.size());
        setU64(chunk, 8, firstInChunk);
        setU64(chunk, 16, number - 1);
        setU64(chunk, 24, firstInChunk);
        setU64(chunk, 32, number - 1);
        bytes::setU32(chunk, 40, kChunkHeaderSize);
        bytes::setU32(chunk, 44, static_cast<std::uint32_t>(lastRecord));
        bytes::setU32(chunk, 48, static_cast<std::uint32_t>(free));
        bytes::setU32(chunk, kChunkHeaderFields[kChunkFlags].offset, options.checksums ? 0u : kFlagNoChecksums);
        for (const auto& [name, offset] : state.names) {
            const std::size_t bucket = kChunkHeaderFields[kChunkStringTable].offset + 4 * (keyHash(name) % 64);
            if (bytes::u32At(chunk, bucket) == 0) {
                bytes::setU32(chunk, bucket, offset);
            }
        }
        sealChunk(chunk);
        chunks.push_back(std::move(chunk));
        chunk.clear();
        state = {};
        inChunk = 0;
        firstInChunk = number;
    };
    for (const Event& e : events) {
        const std::uint64_t written = options.timeWritten != 0 ? options.timeWritten : e.timeCreated;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (chunk.empty()) {
                chunk.assign(kChunkRecordsOffset, 0);
            }
            ChunkState trial = state;
            std::vector<std::uint8_t> r = recordBytes(e, number, written, chunk.size(), trial);
            const bool full = options.recordsPerChunk != 0 && inChunk == options.recordsPerChunk;
            if ((chunk.size() + r.size() > kChunkSize || full) && inChunk > 0) {
                finish();
                continue;
            }
            state = std::move(trial);
            lastRecord = chunk.size();
            chunk.insert(chunk.end(), r.begin(), r.end());
            ++number;
            ++inChunk;
            break;
        }
    }
    finish();
    std::vector<std::uint8_t> file(kFileHeaderBlockSize, 0);
    std::memcpy(file.data(), kFileSignature.data(), kFileSignature.size());
    setU64(file, 8, 0);
    setU64(file, 16, chunks.empty() ? 0 : chunks.size() - 1);
    setU64(file, 24, number);
    bytes::setU32(file, 32, kFileHeaderSize);
    bytes::setU16(file, 36, 1);
    bytes::setU16(file, 38, kMajorVersion);
    bytes::setU16(file, 40, kFileHeaderBlockSize);
    bytes::setU16(file, 42, static_cast<std::uint16_t>(chunks.size()));
    bytes::setU32(file, kFileHeaderFields[kFileFlags].offset,
                  (options.dirty ? kFileFlagDirty : 0u) | (options.checksums ? 0u : kFlagNoChecksums));
    sealFile(file);
    for (const auto& c : chunks) {
        file.insert(file.end(), c.begin(), c.end());
    }
    return file;
}

std::vector<std::size_t> recordOffsets(std::span<const std::uint8_t> file) {
    std::vector<std::size_t> offsets;
    for (std::size_t start = kFileHeaderBlockSize; start + kChunkRecordsOffset <= file.size(); start += kChunkSize) {
        const std::size_t end = std::min<std::size_t>(start + bytes::u32At(file, start + 48), file.size());
        for (std::size_t at = start + kChunkRecordsOffset; at + kMinRecordSize <= end;) {
            const std::uint32_t size = bytes::u32At(file, at + 4);
            if (bytes::u32At(file, at) != kRecordSignature || size < kMinRecordSize) {
                break;
            }
            offsets.push_back(at);
            at += size;
        }
    }
    return offsets;
}

void reseal(std::vector<std::uint8_t>& file, std::size_t chunk) {
    sealChunk(std::span(file).subspan(chunkOffset(chunk), kChunkSize));
    sealFile(file);
}

} // namespace qmplatform::evtx::testing
