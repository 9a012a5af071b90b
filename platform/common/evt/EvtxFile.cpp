#include "platform/formats/EvtxFile.h"

#include "platform/EventLog.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <deque>
#include <memory>
#include <unordered_map>

namespace qmplatform::evtx {

namespace {

// ---- bytes ----------------------------------------------------------------

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint64_t u64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(u32(p)) | static_cast<std::uint64_t>(u32(p + 4)) << 32;
}

std::string hexOffset(std::uint64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    return "0x" + std::string(text, end);
}

// Appends UTF-16LE code units; pairs of surrogates become one character
// where wchar_t is 32 bits wide, a lone one stays as Windows keeps it.
void appendUtf16(const std::uint8_t* p, std::size_t units, std::wstring& out) {
    const std::size_t start = out.size();
    out.resize(start + units);
    std::size_t at = start;
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t c = u16(p + 2 * i);
        if constexpr (sizeof(wchar_t) == 4) {
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
                const std::uint32_t low = u16(p + 2 * i + 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        out[at++] = static_cast<wchar_t>(c);
    }
    out.resize(at);
}

void appendAscii(std::wstring& out, std::string_view text) {
    out.append(text.begin(), text.end());
}

template <typename T> void appendNumber(std::wstring& out, T value, int base = 10) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, base).ptr;
    appendAscii(out, std::string_view(text, static_cast<std::size_t>(end - text)));
}

void appendHexBytes(std::wstring& out, std::span<const std::uint8_t> bytes) {
    static const char digits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        out.push_back(static_cast<wchar_t>(digits[b >> 4]));
        out.push_back(static_cast<wchar_t>(digits[b & 15]));
    }
}

// Digits of hexadecimal numbers are upper case, as in GUIDs, unless asked.
void appendPadded(std::wstring& out, std::uint64_t value, int width, int base = 10, bool lower = false) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, base).ptr;
    for (auto n = end - text; n < width; ++n) {
        out.push_back(L'0');
    }
    for (char* c = text; c != end; ++c) {
        out.push_back(static_cast<wchar_t>(*c >= 'a' && !lower ? *c - 'a' + 'A' : *c));
    }
}

// ---- dates ------------------------------------------------------------------

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kDaysFrom1601To1970 = 134774;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

void appendDateTime(std::wstring& out, std::int64_t days1970, std::uint64_t secondOfDay) {
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(days1970, y, m, d);
    appendPadded(out, static_cast<std::uint64_t>(y), 4);
    out.push_back(L'-');
    appendPadded(out, m, 2);
    out.push_back(L'-');
    appendPadded(out, d, 2);
    out.push_back(L'T');
    appendPadded(out, secondOfDay / 3600, 2);
    out.push_back(L':');
    appendPadded(out, secondOfDay / 60 % 60, 2);
    out.push_back(L':');
    appendPadded(out, secondOfDay % 60, 2);
}

void appendFileTime(std::wstring& out, std::uint64_t fileTime) {
    const std::uint64_t seconds = fileTime / kTicksPerSecond;
    appendDateTime(out, static_cast<std::int64_t>(seconds / 86400) - kDaysFrom1601To1970, seconds % 86400);
    out.push_back(L'.');
    appendPadded(out, fileTime % kTicksPerSecond, 7);
    out.push_back(L'Z');
}

// ---- values -----------------------------------------------------------------

bool appendGuid(std::wstring& out, const std::uint8_t* p) {
    out.push_back(L'{');
    appendPadded(out, u32(p), 8, 16);
    out.push_back(L'-');
    appendPadded(out, u16(p + 4), 4, 16);
    out.push_back(L'-');
    appendPadded(out, u16(p + 6), 4, 16);
    out.push_back(L'-');
    appendHexBytes(out, {p + 8, 2});
    out.push_back(L'-');
    appendHexBytes(out, {p + 10, 6});
    out.push_back(L'}');
    return true;
}

bool appendSid(std::wstring& out, std::span<const std::uint8_t> b) {
    if (b.size() < 8 || b.size() != 8 + 4 * static_cast<std::size_t>(b[1])) {
        return false;
    }
    std::uint64_t authority = 0;
    for (std::size_t i = 2; i < 8; ++i) {
        authority = authority << 8 | b[i];
    }
    out.append(L"S-");
    appendNumber(out, b[0]);
    out.push_back(L'-');
    appendNumber(out, authority);
    for (std::size_t i = 0; i < b[1]; ++i) {
        out.push_back(L'-');
        appendNumber(out, u32(b.data() + 8 + 4 * i));
    }
    return true;
}

bool appendSysTime(std::wstring& out, const std::uint8_t* p) {
    const unsigned year = u16(p);
    const unsigned month = u16(p + 2);
    const unsigned day = u16(p + 6);
    const unsigned hour = u16(p + 8);
    const unsigned minute = u16(p + 10);
    const unsigned second = u16(p + 12);
    const unsigned milli = u16(p + 14);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 ||
        milli > 999) {
        return false;
    }
    appendDateTime(out, daysFromCivil(year, month, day), hour * 3600u + minute * 60u + second);
    out.push_back(L'.');
    appendPadded(out, milli, 3);
    out.push_back(L'Z');
    return true;
}

// One value of a base type of fixed size.
bool appendFixed(std::wstring& out, std::uint8_t type, const std::uint8_t* p, std::size_t size) {
    switch (type) {
    case kTypeInt8: appendNumber(out, static_cast<std::int8_t>(p[0])); return true;
    case kTypeUInt8: appendNumber(out, p[0]); return true;
    case kTypeInt16: appendNumber(out, static_cast<std::int16_t>(u16(p))); return true;
    case kTypeUInt16: appendNumber(out, u16(p)); return true;
    case kTypeInt32: appendNumber(out, static_cast<std::int32_t>(u32(p))); return true;
    case kTypeUInt32: appendNumber(out, u32(p)); return true;
    case kTypeInt64: appendNumber(out, static_cast<std::int64_t>(u64(p))); return true;
    case kTypeUInt64: appendNumber(out, u64(p)); return true;
    case kTypeReal32: {
        float value = 0;
        std::memcpy(&value, p, 4);
        char text[48];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        appendAscii(out, std::string_view(text, static_cast<std::size_t>(end - text)));
        return true;
    }
    case kTypeReal64: {
        double value = 0;
        std::memcpy(&value, p, 8);
        char text[48];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        appendAscii(out, std::string_view(text, static_cast<std::size_t>(end - text)));
        return true;
    }
    case kTypeBoolean: out.append(u32(p) != 0 ? L"true" : L"false"); return true;
    case kTypeGuid: return appendGuid(out, p);
    case kTypeFileTime: appendFileTime(out, u64(p)); return true;
    case kTypeSysTime: return appendSysTime(out, p);
    case kTypeHexInt32:
        out.append(L"0x");
        appendPadded(out, u32(p), 0, 16, true);
        return true;
    case kTypeHexInt64:
        out.append(L"0x");
        appendPadded(out, u64(p), 0, 16, true);
        return true;
    case kTypeSizeT:
        out.append(L"0x");
        appendPadded(out, size == 4 ? u32(p) : u64(p), static_cast<int>(2 * size), 16, true);
        return true;
    default: return false;
    }
}

std::size_t fixedSize(std::uint8_t base, std::size_t total) {
    if (base == kTypeSizeT) {
        return total % 8 == 0 ? 8 : 4;
    }
    const ValueType* type = findValueType(base);
    return type != nullptr ? type->size : 0;
}

// The items of a value: one for a scalar, each element for an array.
// `items` receives [begin, end) offsets into `out` of each item's text.
bool appendItems(std::uint8_t type, std::span<const std::uint8_t> b, std::wstring& out,
                 std::vector<std::size_t>* bounds) {
    const std::uint8_t base = static_cast<std::uint8_t>(type & ~kTypeArrayFlag);
    const bool array = (type & kTypeArrayFlag) != 0;
    auto mark = [&]() {
        if (bounds != nullptr) {
            bounds->push_back(out.size());
        }
    };
    auto separate = [&](bool first) {
        if (!first && bounds == nullptr) {
            out.append(L", ");
        }
        mark();
    };
    switch (base) {
    case kTypeNull: mark(); return true;
    case kTypeString:
    case kTypeAnsiString: {
        // A scalar drops its terminating zeros; an array's items each end
        // with one.
        const std::size_t unit = base == kTypeString ? 2 : 1;
        const std::size_t units = b.size() / unit;
        auto at = [&](std::size_t i) -> std::uint32_t { return unit == 2 ? u16(b.data() + 2 * i) : b[i]; };
        auto append = [&](std::size_t from, std::size_t to) {
            if (unit == 2) {
                appendUtf16(b.data() + 2 * from, to - from, out);
            } else {
                for (std::size_t k = from; k < to; ++k) {
                    out.push_back(static_cast<wchar_t>(b[k]));
                }
            }
        };
        if (!array) {
            std::size_t n = units;
            while (n > 0 && at(n - 1) == 0) {
                --n;
            }
            mark();
            append(0, n);
            return true;
        }
        std::size_t begin = 0;
        bool first = true;
        for (std::size_t i = 0; i <= units; ++i) {
            if (i == units || at(i) == 0) {
                if (i == units && begin == units) {
                    break; // after the last item's terminator
                }
                separate(first);
                first = false;
                append(begin, i);
                begin = i + 1;
            }
        }
        return true;
    }
    case kTypeBinary:
    case kTypeEvtHandle:
    case kTypeEvtXml:
        mark();
        appendHexBytes(out, b);
        return !array;
    case kTypeBinXml: mark(); return !array;
    case kTypeSid: {
        if (!array) {
            mark();
            return appendSid(out, b);
        }
        bool first = true;
        for (std::size_t at = 0; at < b.size();) {
            if (b.size() - at < 8) {
                return false;
            }
            const std::size_t size = 8 + 4 * static_cast<std::size_t>(b[at + 1]);
            if (size > b.size() - at) {
                return false;
            }
            separate(first);
            first = false;
            appendSid(out, b.subspan(at, size));
            at += size;
        }
        return true;
    }
    default: {
        const std::size_t size = fixedSize(base, b.size());
        if (size == 0 || b.size() % size != 0 || (!array && b.size() != size)) {
            return false;
        }
        bool first = true;
        for (std::size_t at = 0; at < b.size(); at += size) {
            separate(first);
            first = false;
            if (!appendFixed(out, base, b.data() + at, size)) {
                return false;
            }
        }
        return true;
    }
    }
}

// ---- names known to the record extraction ---------------------------------

enum Known : std::uint8_t {
    kUnknown, kSystem, kProvider, kEventId, kVersion, kLevel, kTask, kOpcode, kKeywords, kTimeCreated,
    kEventRecordId, kExecution, kChannel, kComputer, kSecurity, kEventData, kUserData, kData,
    // attributes
    kName, kGuid, kEventSourceName, kQualifiers, kSystemTime, kProcessId, kThreadId, kUserId,
};
struct KnownName {
    const wchar_t* text;
    Known id;
};
constexpr KnownName kKnownNames[] = {
    {L"System", kSystem},         {L"Provider", kProvider},       {L"EventID", kEventId},
    {L"Version", kVersion},       {L"Level", kLevel},             {L"Task", kTask},
    {L"Opcode", kOpcode},         {L"Keywords", kKeywords},       {L"TimeCreated", kTimeCreated},
    {L"EventRecordID", kEventRecordId}, {L"Execution", kExecution}, {L"Channel", kChannel},
    {L"Computer", kComputer},     {L"Security", kSecurity},       {L"EventData", kEventData},
    {L"UserData", kUserData},     {L"Data", kData},               {L"Name", kName},
    {L"Guid", kGuid},             {L"EventSourceName", kEventSourceName}, {L"Qualifiers", kQualifiers},
    {L"SystemTime", kSystemTime}, {L"ProcessID", kProcessId},     {L"ThreadID", kThreadId},
    {L"UserID", kUserId},
};
Known knownName(std::wstring_view name) {
    for (const KnownName& k : kKnownNames) {
        if (name == k.text) {
            return k.id;
        }
    }
    return kUnknown;
}

// ---- compiled templates ---------------------------------------------------

struct Piece {
    enum Kind : std::uint8_t { Text, Substitution, Child };
    Kind kind = Text;
    bool optional = false;
    std::uint16_t index = 0; // substitution index, or element index for a child
    std::wstring text;
};

struct Attribute {
    std::wstring name;
    Known known = kUnknown;
    std::vector<Piece> value;
};

struct Element {
    std::wstring name;
    Known known = kUnknown;
    std::vector<Attribute> attributes;
    std::vector<Piece> content;
};

// A fragment's elements compiled once: names resolved, texts decoded; a
// record fills in only its substitution values.
struct Template {
    std::vector<Element> elements;
    std::vector<Piece> top;
    bool ok = false;
};

struct Value {
    std::uint8_t type = kTypeNull;
    std::uint32_t offset = 0; // in the chunk
    std::uint32_t size = 0;
};

struct Instance {
    const Template* tmpl = nullptr;
    std::unique_ptr<Template> owned; // a fragment of plain elements
    std::vector<Value> values;
};

constexpr int kMaxElementDepth = 64;
constexpr int kMaxFragmentDepth = 8;
// Pieces a record's extraction may visit: a template can name one binary
// XML value many times, and each of those can do the same.
constexpr int kStepBudget = 1 << 16;

struct Cursor {
    std::span<const std::uint8_t> chunk;
    std::size_t pos;
    std::size_t end;
    bool ok = true;

    bool need(std::size_t n) {
        if (!ok || n > end - pos) {
            ok = false;
        }
        return ok;
    }
    std::uint8_t byte() { return need(1) ? chunk[pos++] : 0; }
    std::uint16_t word() {
        if (!need(2)) {
            return 0;
        }
        pos += 2;
        return u16(chunk.data() + pos - 2);
    }
    std::uint32_t dword() {
        if (!need(4)) {
            return 0;
        }
        pos += 4;
        return u32(chunk.data() + pos - 4);
    }
    void skip(std::size_t n) {
        if (need(n)) {
            pos += n;
        }
    }
};

class ChunkReader {
public:
    explicit ChunkReader(std::span<const std::uint8_t> chunk) : chunk_(chunk) {}

    // The record's binary XML in [begin, end) into `record`; false with a
    // reason when its structure is broken.
    bool readRecord(std::size_t begin, std::size_t end, EvtxRecord& record, std::string& why);

private:
    bool nameAt(std::size_t offset, std::wstring& out) const;
    bool readName(Cursor& c, std::wstring& out) const;
    const Template* templateAt(std::uint32_t offset);
    bool compile(std::size_t begin, std::size_t end, bool inTemplate, Template& t, std::size_t* stop) const;
    bool parseFragment(std::size_t begin, std::size_t end, Instance& out, int depth);
    Instance* nested(const Instance& in, std::uint16_t index, int depth);

    // Extraction.
    bool valueOf(const Instance& in, const Piece& p, const Value*& v) const;
    bool empty(const Instance& in, const Piece& p) const;
    bool omitted(const Instance& in, const std::vector<Piece>& pieces) const;
    void text(const Instance& in, const std::vector<Piece>& pieces, std::wstring& out, int depth);
    const Attribute* attribute(const Instance& in, const Element& e, Known id) const;
    bool attributeText(const Instance& in, const Element& e, Known id, std::wstring& out, int depth);
    template <typename F> void forEachChild(const Instance& in, const std::vector<Piece>& pieces, int depth, F&& f);
    void readSystem(const Instance& in, const Element& system, EvtxRecord& r, int depth);
    void readEventData(const Instance& in, const Element& data, EvtxRecord& r, int depth);
    void readUserData(const Instance& in, const Element& e, const std::wstring& path, EvtxRecord& r, int depth);
    bool step() { return --budget_ >= 0; }

    std::span<const std::uint8_t> chunk_;
    std::unordered_map<std::uint32_t, std::unique_ptr<Template>> templates_;
    std::deque<Instance> instances_;
    std::unordered_map<std::uint32_t, Instance*> nested_;
    std::wstring scratch_;
    int budget_ = 0;
    std::string why_;
};

bool ChunkReader::nameAt(std::size_t offset, std::wstring& out) const {
    // Next name in the hash bucket, hash, length, the characters, a zero.
    if (offset > chunk_.size() || chunk_.size() - offset < 8) {
        return false;
    }
    const std::size_t units = u16(chunk_.data() + offset + 6);
    if ((chunk_.size() - offset - 8) / 2 < units + 1) {
        return false;
    }
    out.clear();
    appendUtf16(chunk_.data() + offset + 8, units, out);
    return true;
}

// A name reference; the name itself follows inline when it is stored here.
bool ChunkReader::readName(Cursor& c, std::wstring& out) const {
    const std::uint32_t offset = c.dword();
    if (!c.ok || !nameAt(offset, out)) {
        return c.ok = false;
    }
    if (offset == c.pos) {
        c.skip(8 + 2 * (u16(chunk_.data() + offset + 6) + std::size_t{1}));
    }
    return c.ok;
}

const Template* ChunkReader::templateAt(std::uint32_t offset) {
    auto& slot = templates_[offset];
    if (!slot) {
        slot = std::make_unique<Template>();
        // Next template in the bucket, GUID, data size, then the fragment.
        if (offset <= chunk_.size() && chunk_.size() - offset >= 24) {
            const std::size_t size = u32(chunk_.data() + offset + 20);
            const std::size_t begin = offset + std::size_t{24};
            if (size <= chunk_.size() - begin) {
                slot->ok = compile(begin, begin + size, true, *slot, nullptr);
            }
        }
    }
    return slot->ok ? slot.get() : nullptr;
}

// Compiles elements in [begin, end) up to the end of the stream or of the
// outermost element. Element tokens inside template definitions carry a
// dependency identifier; elsewhere the reader sees which form fits.
bool ChunkReader::compile(std::size_t begin, std::size_t end, bool inTemplate, Template& t,
                          std::size_t* stop) const {
    Cursor c{chunk_, begin, end};
    std::vector<std::uint16_t> open;
    bool inStartTag = false;
    bool seenElement = false;
    auto target = [&]() -> std::vector<Piece>* {
        if (inStartTag) {
            Element& e = t.elements[open.back()];
            return e.attributes.empty() ? nullptr : &e.attributes.back().value;
        }
        return open.empty() ? &t.top : &t.elements[open.back()].content;
    };
    auto addText = [&](std::vector<Piece>* to) -> std::wstring* {
        if (to == nullptr) {
            return nullptr;
        }
        if (to->empty() || to->back().kind != Piece::Text) {
            to->push_back({});
        }
        return &to->back().text;
    };
    std::wstring name;
    while (c.ok && c.pos < c.end) {
        const std::uint8_t token = c.byte();
        const std::uint8_t base = static_cast<std::uint8_t>(token & ~kTokenMoreFlag);
        switch (base) {
        case kTokenEndOfStream:
            if (stop != nullptr) {
                *stop = c.pos;
            }
            return open.empty() && !inStartTag;
        case kTokenFragmentHeader: c.skip(3); break;
        case kTokenOpenStartElement: {
            if (inStartTag || open.size() >= kMaxElementDepth || t.elements.size() >= 0xFFFF) {
                return false;
            }
            bool dependency = inTemplate;
            if (!inTemplate && c.pos + 10 <= c.end) {
                // With the identifier the name offset sits two bytes later;
                // an inline name sits right after the offset.
                const std::size_t withId = u32(chunk_.data() + c.pos + 6);
                const std::size_t without = u32(chunk_.data() + c.pos + 4);
                dependency = withId == c.pos + 10 || (without != c.pos + 8 && withId < c.pos);
            }
            if (dependency) {
                c.word();
            }
            c.dword(); // data size
            if (!readName(c, name)) {
                return false;
            }
            if ((token & kTokenMoreFlag) != 0) {
                c.dword(); // size of the attribute list
            }
            const auto index = static_cast<std::uint16_t>(t.elements.size());
            target()->push_back({Piece::Child, false, index, {}});
            Element e;
            e.known = knownName(name);
            e.name = std::move(name);
            t.elements.push_back(std::move(e));
            open.push_back(index);
            inStartTag = true;
            seenElement = true;
            break;
        }
        case kTokenAttribute: {
            if (!inStartTag || !readName(c, name)) {
                return false;
            }
            Attribute a;
            a.known = knownName(name);
            a.name = std::move(name);
            t.elements[open.back()].attributes.push_back(std::move(a));
            break;
        }
        case kTokenCloseStartElement:
            if (!inStartTag) {
                return false;
            }
            inStartTag = false;
            break;
        case kTokenCloseEmptyElement:
        case kTokenEndElement:
            if ((base == kTokenCloseEmptyElement) != inStartTag || open.empty()) {
                return false;
            }
            inStartTag = false;
            open.pop_back();
            if (open.empty() && !inTemplate && seenElement) {
                if (stop != nullptr) {
                    *stop = c.pos;
                }
                return true;
            }
            break;
        case kTokenValue:
            c.byte(); // value type: always a string here; then text as in CDATA
            [[fallthrough]];
        case kTokenCData: {
            const std::size_t units = c.word();
            if (!c.need(2 * units)) {
                return false;
            }
            std::wstring* to = addText(target());
            if (to == nullptr) {
                return false;
            }
            appendUtf16(chunk_.data() + c.pos, units, *to);
            c.pos += 2 * units;
            break;
        }
        case kTokenCharRef: {
            const std::uint16_t ch = c.word();
            std::wstring* to = addText(target());
            if (!c.ok || to == nullptr) {
                return false;
            }
            to->push_back(static_cast<wchar_t>(ch));
            break;
        }
        case kTokenEntityRef: {
            if (!readName(c, name)) {
                return false;
            }
            std::wstring* to = addText(target());
            if (to == nullptr) {
                return false;
            }
            static const std::pair<const wchar_t*, wchar_t> entities[] = {
                {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}};
            const auto it = std::find_if(std::begin(entities), std::end(entities),
                                         [&](const auto& e) { return name == e.first; });
            if (it != std::end(entities)) {
                to->push_back(it->second);
            } else {
                *to += L"&" + name + L";";
            }
            break;
        }
        case kTokenPITarget:
            if (!readName(c, name)) {
                return false;
            }
            break;
        case kTokenPIData: c.skip(2 * std::size_t{c.word()}); break;
        case kTokenNormalSubstitution:
        case kTokenOptionalSubstitution: {
            if (token != base) {
                return false;
            }
            const std::uint16_t index = c.word();
            c.byte(); // declared type; the value's own type counts
            std::vector<Piece>* to = target();
            if (!c.ok || to == nullptr) {
                return false;
            }
            to->push_back({Piece::Substitution, base == kTokenOptionalSubstitution, index, {}});
            break;
        }
        default: return false;
        }
    }
    if (stop != nullptr) {
        *stop = c.pos;
    }
    return c.ok && open.empty() && !inStartTag && inTemplate;
}

// A fragment: a template instance with its values, or plain elements.
bool ChunkReader::parseFragment(std::size_t begin, std::size_t end, Instance& out, int depth) {
    if (depth > kMaxFragmentDepth) {
        why_ = "binary XML nested too deeply";
        return false;
    }
    Cursor c{chunk_, begin, end};
    if (c.pos < c.end && chunk_[c.pos] == kTokenFragmentHeader) {
        c.skip(4);
    }
    if (!c.ok || c.pos >= c.end) {
        why_ = "empty binary XML fragment";
        return false;
    }
    if (chunk_[c.pos] != kTokenTemplateInstance) {
        out.owned = std::make_unique<Template>();
        out.owned->ok = compile(c.pos, c.end, false, *out.owned, nullptr);
        out.tmpl = out.owned.get();
        why_ = "broken elements";
        return out.tmpl->ok;
    }
    c.skip(2);
    c.dword(); // template identifier
    const std::uint32_t definition = c.dword();
    if (!c.ok) {
        why_ = "template instance cut short";
        return false;
    }
    if (definition == c.pos) {
        c.skip(20);
        c.skip(c.dword());
    }
    out.tmpl = c.ok ? templateAt(definition) : nullptr;
    if (out.tmpl == nullptr) {
        why_ = "broken template definition at chunk offset " + hexOffset(definition);
        return false;
    }
    const std::size_t count = c.dword();
    if (!c.ok || count > (c.end - c.pos) / 4) {
        why_ = "substitution values beyond the record";
        return false;
    }
    out.values.resize(count);
    std::size_t at = c.pos + 4 * count;
    for (Value& v : out.values) {
        const std::size_t size = c.word();
        v.type = c.byte();
        c.byte();
        if (size > c.end - at) {
            why_ = "substitution values beyond the record";
            return false;
        }
        v.offset = static_cast<std::uint32_t>(at);
        v.size = static_cast<std::uint32_t>(size);
        at += size;
    }
    return true;
}

// A binary XML value, parsed once per record however often the templates
// name it.
Instance* ChunkReader::nested(const Instance& in, std::uint16_t index, int depth) {
    const Value& v = in.values[index];
    if (const auto it = nested_.find(v.offset); it != nested_.end()) {
        return it->second;
    }
    instances_.emplace_back();
    Instance* inner = &instances_.back();
    if (!parseFragment(v.offset, v.offset + std::size_t{v.size}, *inner, depth + 1)) {
        budget_ = -1; // the record is broken
        inner = nullptr;
    }
    nested_.emplace(v.offset, inner);
    return inner;
}

bool ChunkReader::valueOf(const Instance& in, const Piece& p, const Value*& v) const {
    if (p.index >= in.values.size()) {
        v = nullptr;
        return false;
    }
    v = &in.values[p.index];
    return true;
}

bool ChunkReader::empty(const Instance& in, const Piece& p) const {
    const Value* v = nullptr;
    return !valueOf(in, p, v) || v->type == kTypeNull || v->size == 0;
}

// An optional substitution without a value removes its element or
// attribute.
bool ChunkReader::omitted(const Instance& in, const std::vector<Piece>& pieces) const {
    return std::any_of(pieces.begin(), pieces.end(), [&](const Piece& p) {
        return p.kind == Piece::Substitution && p.optional && empty(in, p);
    });
}

void ChunkReader::text(const Instance& in, const std::vector<Piece>& pieces, std::wstring& out, int depth) {
    for (const Piece& p : pieces) {
        if (!step()) {
            return;
        }
        if (p.kind == Piece::Text) {
            out += p.text;
        } else if (p.kind == Piece::Substitution) {
            const Value* v = nullptr;
            if (!valueOf(in, p, v)) {
                continue;
            }
            if (v->type == kTypeBinXml) {
                if (const Instance* inner = nested(in, p.index, depth)) {
                    text(*inner, inner->tmpl->top, out, depth + 1);
                }
            } else {
                valueText(v->type, chunk_.subspan(v->offset, v->size), out);
            }
        } else {
            const Element& child = in.tmpl->elements[p.index];
            if (!omitted(in, child.content)) {
                text(in, child.content, out, depth);
            }
        }
    }
}

const Attribute* ChunkReader::attribute(const Instance& in, const Element& e, Known id) const {
    for (const Attribute& a : e.attributes) {
        if (a.known == id) {
            return omitted(in, a.value) ? nullptr : &a;
        }
    }
    return nullptr;
}

bool ChunkReader::attributeText(const Instance& in, const Element& e, Known id, std::wstring& out, int depth) {
    const Attribute* a = attribute(in, e, id);
    if (a == nullptr) {
        return false;
    }
    out.clear();
    text(in, a->value, out, depth);
    return true;
}

// Calls f(instance, element) for each element among `pieces`, those a
// binary XML value brings in included.
template <typename F>
void ChunkReader::forEachChild(const Instance& in, const std::vector<Piece>& pieces, int depth, F&& f) {
    for (const Piece& p : pieces) {
        if (!step()) {
            return;
        }
        if (p.kind == Piece::Child) {
            const Element& e = in.tmpl->elements[p.index];
            if (!omitted(in, e.content)) {
                f(in, e);
            }
        } else if (p.kind == Piece::Substitution) {
            const Value* v = nullptr;
            if (valueOf(in, p, v) && v->type == kTypeBinXml) {
                if (const Instance* inner = nested(in, p.index, depth)) {
                    forEachChild(*inner, inner->tmpl->top, depth + 1, f);
                }
            }
        }
    }
}

std::uint64_t number(std::wstring_view text) {
    std::uint64_t value = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    for (wchar_t c : text) {
        unsigned digit = 0;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<unsigned>(c - L'0');
        } else if (base == 16 && c >= L'a' && c <= L'f') {
            digit = static_cast<unsigned>(c - L'a' + 10);
        } else if (base == 16 && c >= L'A' && c <= L'F') {
            digit = static_cast<unsigned>(c - L'A' + 10);
        } else {
            break;
        }
        value = value * static_cast<unsigned>(base) + digit;
    }
    return value;
}

void ChunkReader::readSystem(const Instance& in, const Element& system, EvtxRecord& r, int depth) {
    std::wstring& t = scratch_;
    forEachChild(in, system.content, depth, [&](const Instance& inst, const Element& e) {
        switch (e.known) {
        case kProvider:
            attributeText(inst, e, kName, r.providerName, depth);
            attributeText(inst, e, kGuid, r.providerGuid, depth);
            attributeText(inst, e, kEventSourceName, r.eventSourceName, depth);
            break;
        case kEventId:
            t.clear();
            text(inst, e.content, t, depth);
            r.eventId = static_cast<std::uint16_t>(number(t));
            if (attributeText(inst, e, kQualifiers, t, depth)) {
                r.qualifiers = static_cast<std::uint16_t>(number(t));
            }
            break;
        case kVersion:
        case kLevel:
        case kTask:
        case kOpcode:
        case kKeywords:
        case kEventRecordId: {
            t.clear();
            text(inst, e.content, t, depth);
            const std::uint64_t n = number(t);
            switch (e.known) {
            case kVersion: r.version = static_cast<std::uint8_t>(n); break;
            case kLevel: r.level = static_cast<std::uint8_t>(n); break;
            case kTask: r.task = static_cast<std::uint16_t>(n); break;
            case kOpcode: r.opcode = static_cast<std::uint8_t>(n); break;
            case kKeywords: r.keywords = n; break;
            default: break; // the record header's number counts
            }
            break;
        }
        case kTimeCreated: {
            const Attribute* a = attribute(inst, e, kSystemTime);
            const Value* v = nullptr;
            if (a != nullptr && a->value.size() == 1 && a->value[0].kind == Piece::Substitution &&
                valueOf(inst, a->value[0], v) && v->type == kTypeFileTime && v->size == 8) {
                r.timeCreated = u64(chunk_.data() + v->offset);
            } else if (attributeText(inst, e, kSystemTime, t, depth)) {
                parseFileTimeText(t, r.timeCreated);
            }
            break;
        }
        case kExecution:
            if (attributeText(inst, e, kProcessId, t, depth)) {
                r.processId = static_cast<std::uint32_t>(number(t));
            }
            if (attributeText(inst, e, kThreadId, t, depth)) {
                r.threadId = static_cast<std::uint32_t>(number(t));
            }
            break;
        case kChannel:
            r.channel.clear();
            text(inst, e.content, r.channel, depth);
            break;
        case kComputer:
            r.computer.clear();
            text(inst, e.content, r.computer, depth);
            break;
        case kSecurity: attributeText(inst, e, kUserId, r.userSid, depth); break;
        default: break;
        }
    });
}

// Each child of EventData is one field; an array value gives one field per
// element, as Event Viewer repeats the element for each.
void ChunkReader::readEventData(const Instance& in, const Element& data, EvtxRecord& r, int depth) {
    r.dataKind = EvtxDataKind::EventData;
    forEachChild(in, data.content, depth, [&](const Instance& inst, const Element& e) {
        std::wstring name;
        if (e.known != kData) {
            name = e.name;
        } else {
            attributeText(inst, e, kName, name, depth);
        }
        const Value* v = nullptr;
        if (e.content.size() == 1 && e.content[0].kind == Piece::Substitution && valueOf(inst, e.content[0], v) &&
            (v->type & kTypeArrayFlag) != 0) {
            std::wstring items;
            std::vector<std::size_t> bounds;
            if (appendItems(v->type, chunk_.subspan(v->offset, v->size), items, &bounds)) {
                bounds.push_back(items.size());
                for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
                    r.data.push_back({name, items.substr(bounds[i], bounds[i + 1] - bounds[i])});
                }
                return;
            }
        }
        EvtxDataField field{std::move(name), {}};
        text(inst, e.content, field.value, depth);
        r.data.push_back(std::move(field));
    });
}

void ChunkReader::readUserData(const Instance& in, const Element& e, const std::wstring& path, EvtxRecord& r,
                               int depth) {
    bool leaf = true;
    forEachChild(in, e.content, depth, [&](const Instance& inst, const Element& child) {
        leaf = false;
        if (depth < kMaxElementDepth) {
            readUserData(inst, child, path.empty() ? child.name : path + L"/" + child.name, r, depth + 1);
        }
    });
    if (leaf && !path.empty()) {
        EvtxDataField field{path, {}};
        text(in, e.content, field.value, depth);
        r.data.push_back(std::move(field));
    }
}

bool ChunkReader::readRecord(std::size_t begin, std::size_t end, EvtxRecord& r, std::string& why) {
    instances_.clear();
    nested_.clear();
    budget_ = kStepBudget;
    why_.clear();
    instances_.emplace_back();
    Instance& root = instances_.back();
    if (!parseFragment(begin, end, root, 0)) {
        why = why_;
        return false;
    }
    forEachChild(root, root.tmpl->top, 0, [&](const Instance& in, const Element& event) {
        forEachChild(in, event.content, 0, [&](const Instance& inst, const Element& part) {
            if (part.known == kSystem) {
                readSystem(inst, part, r, 1);
            } else if (part.known == kEventData) {
                readEventData(inst, part, r, 1);
            } else if (part.known == kUserData) {
                r.dataKind = EvtxDataKind::UserData;
                bool first = true;
                forEachChild(inst, part.content, 1, [&](const Instance& i2, const Element& payload) {
                    if (first) {
                        first = false;
                        r.userDataName = payload.name;
                        readUserData(i2, payload, {}, r, 2);
                    }
                });
            }
        });
    });
    if (budget_ < 0) {
        why = why_.empty() ? "binary XML repeats itself beyond any real record" : why_;
        return false;
    }
    return true;
}

// ---- chunks -----------------------------------------------------------------

std::uint32_t chunkHeaderChecksum(std::span<const std::uint8_t> chunk) {
    return crc32(chunk.subspan(kChunkRecordsOffset - 384, 384),
                 crc32(chunk.first(kChunkHeaderFields[kChunkFlags].offset)));
}

bool allZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::string chunkName(std::uint32_t index, std::uint64_t offset) {
    return "chunk " + std::to_string(index) + " at " + hexOffset(offset);
}

} // namespace

const ValueType* findValueType(std::uint8_t code) {
    for (const ValueType& type : kValueTypes) {
        if (type.code == code) {
            return &type;
        }
    }
    return nullptr;
}

std::uint32_t crc32(std::span<const std::uint8_t> data, std::uint32_t crc) {
    // Eight bytes a step ("slicing by eight"): table s gives the remainder
    // of a byte followed by s zero bytes, so eight lookups replace eight
    // dependent steps. Every chunk is summed whole, so this is most of the
    // reader's own time on a checked file.
    static const auto tables = [] {
        std::array<std::array<std::uint32_t, 256>, 8> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            for (std::size_t s = 1; s < 8; ++s) {
                t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
            }
        }
        return t;
    }();
    crc = ~crc;
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    while (n >= 8) {
        const std::uint32_t low = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                         std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
        crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
              tables[4][low >> 24] ^ tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^ tables[0][p[7]];
        p += 8;
        n -= 8;
    }
    for (; n != 0; --n, ++p) {
        crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

std::uint16_t classicEventType(const EvtxRecord& record) {
    if ((record.keywords & kKeywordAuditFailure) != 0) {
        return kEventTypeAuditFailure;
    }
    if ((record.keywords & kKeywordAuditSuccess) != 0) {
        return kEventTypeAuditSuccess;
    }
    // Levels: 1 critical, 2 error, 3 warning, 4 information, 5 verbose, 0 any.
    if (record.level == 1 || record.level == 2) {
        return kEventTypeError;
    }
    return record.level == 3 ? kEventTypeWarning : kEventTypeInformation;
}

std::wstring fileTimeText(std::uint64_t fileTime) {
    std::wstring out;
    appendFileTime(out, fileTime);
    return out;
}

bool parseFileTimeText(std::wstring_view t, std::uint64_t& fileTime) {
    auto digits = [&](std::size_t at, std::size_t n, unsigned& out) {
        out = 0;
        if (at + n > t.size()) {
            return false;
        }
        for (std::size_t i = at; i < at + n; ++i) {
            if (t[i] < L'0' || t[i] > L'9') {
                return false;
            }
            out = out * 10 + static_cast<unsigned>(t[i] - L'0');
        }
        return true;
    };
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(0, 4, y) || t.size() < 20 || t[4] != L'-' || !digits(5, 2, mo) || t[7] != L'-' ||
        !digits(8, 2, d) || t[10] != L'T' || !digits(11, 2, h) || t[13] != L':' || !digits(14, 2, mi) ||
        t[16] != L':' || !digits(17, 2, s) || y < 1601 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 ||
        mi > 59 || s > 59) {
        return false;
    }
    std::size_t at = 19;
    std::uint64_t fraction = 0;
    std::uint64_t scale = kTicksPerSecond;
    if (at < t.size() && t[at] == L'.') {
        for (++at; at < t.size() && t[at] >= L'0' && t[at] <= L'9'; ++at) {
            if (scale > 1) {
                scale /= 10;
                fraction += static_cast<std::uint64_t>(t[at] - L'0') * scale;
            }
        }
    }
    if (at + 1 != t.size() || t[at] != L'Z') {
        return false;
    }
    const std::int64_t days = daysFromCivil(y, mo, d) + kDaysFrom1601To1970;
    fileTime = (static_cast<std::uint64_t>(days) * 86400 + h * 3600u + mi * 60u + s) * kTicksPerSecond + fraction;
    return true;
}

bool valueText(std::uint8_t type, std::span<const std::uint8_t> bytes, std::wstring& out) {
    const std::size_t start = out.size();
    if (appendItems(type, bytes, out, nullptr)) {
        return true;
    }
    out.resize(start);
    appendHexBytes(out, bytes);
    return false;
}

bool readEvtx(std::span<const std::uint8_t> file, const EvtxCallbacks& callbacks, EvtxFileInfo& info,
              std::string& error) {
    info = {};
    if (file.size() < kFileHeaderSize ||
        std::memcmp(file.data(), kFileSignature.data(), kFileSignature.size()) != 0) {
        error = file.size() < kFileHeaderSize ? "shorter than an .evtx file header" : "no .evtx file header";
        return false;
    }
    auto field = [&](std::size_t index) { return file.data() + kFileHeaderFields[index].offset; };
    info.majorVersion = u16(field(kFileMajorVersion));
    info.minorVersion = u16(field(kFileMinorVersion));
    info.flags = u32(field(kFileFlags));
    info.headerChunkCount = u16(field(kFileChunkCount));
    if (info.majorVersion != kMajorVersion) {
        error = ".evtx version " + std::to_string(info.majorVersion) + "." + std::to_string(info.minorVersion);
        return false;
    }
    const bool checkSums = (info.flags & kFlagNoChecksums) == 0;
    if (checkSums && crc32(file.first(kFileHeaderFields[kFileFlags].offset)) != u32(field(kFileChecksum))) {
        info.problems.push_back({EvtxProblemKind::HeaderChecksum, 0, 0,
                                 "file header checksum is wrong; the chunks are read all the same"});
    }
    // Chunks are found by the file's size: a dirty header's count is stale.
    const std::size_t body = file.size() > kFileHeaderBlockSize ? file.size() - kFileHeaderBlockSize : 0;
    info.chunksInFile = static_cast<std::uint32_t>((body + kChunkSize - 1) / kChunkSize);
    if (file.size() < kFileHeaderBlockSize) {
        // Cut before its first chunk: say so, or the empty result is unexplained.
        info.problems.push_back({EvtxProblemKind::ChunkTruncated, 0, file.size(),
                                 chunkName(0, kFileHeaderBlockSize) + ": the file ends at " +
                                     std::to_string(file.size()) + " bytes, before it; the file holds no chunk"});
    }
    EvtxRecord record;
    std::string why;
    for (std::uint32_t index = 0; index < info.chunksInFile; ++index) {
        const std::size_t start = kFileHeaderBlockSize + std::size_t{index} * kChunkSize;
        const std::span<const std::uint8_t> chunk = file.subspan(start, std::min(kChunkSize, file.size() - start));
        const std::string name = chunkName(index, start);
        auto problem = [&](EvtxProblemKind kind, std::uint64_t offset, std::string text) {
            info.problems.push_back({kind, index, offset, name + ": " + std::move(text)});
        };
        auto report = [&] {
            if (callbacks.progress) {
                callbacks.progress(index + 1, info.chunksInFile);
            }
        };
        if (chunk.size() < kChunkSignature.size() ||
            std::memcmp(chunk.data(), kChunkSignature.data(), kChunkSignature.size()) != 0) {
            // An unused chunk is all zeros; anything else lost its header.
            if (!allZero(chunk)) {
                problem(EvtxProblemKind::ChunkSignature, start, "no chunk signature; skipped");
                ++info.chunksSkipped;
            }
            report();
            continue;
        }
        if (chunk.size() < kChunkRecordsOffset) {
            problem(EvtxProblemKind::ChunkTruncated, start, "the file ends inside the chunk header; skipped");
            ++info.chunksSkipped;
            report();
            continue;
        }
        auto chunkField = [&](std::size_t i) { return chunk.data() + kChunkHeaderFields[i].offset; };
        const std::uint32_t chunkFlags = u32(chunkField(kChunkFlags));
        const bool checkChunk = checkSums && (chunkFlags & kFlagNoChecksums) == 0;
        if (checkChunk && chunkHeaderChecksum(chunk) != u32(chunkField(kChunkHeaderChecksum))) {
            problem(EvtxProblemKind::ChunkHeader, start, "chunk header checksum is wrong; skipped");
            ++info.chunksSkipped;
            report();
            continue;
        }
        std::size_t end = u32(chunkField(kChunkFreeSpace));
        bool cut = false;
        if (end < kChunkRecordsOffset || end > kChunkSize) {
            problem(EvtxProblemKind::ChunkHeader, start, "free space offset " + hexOffset(end) + " is outside the chunk; skipped");
            ++info.chunksSkipped;
            report();
            continue;
        }
        ++info.chunksRead;
        if (end > chunk.size()) {
            problem(EvtxProblemKind::ChunkTruncated, start + chunk.size(),
                    "the file ends inside the chunk; the records before the cut are read");
            end = chunk.size();
            cut = true;
        } else if (checkChunk && crc32(chunk.subspan(kChunkRecordsOffset, end - kChunkRecordsOffset)) !=
                                     u32(chunkField(kChunkRecordsChecksum))) {
            problem(EvtxProblemKind::RecordsChecksum, start,
                    "records checksum is wrong; the records are read as far as they are intact");
        }
        ChunkReader reader(chunk);
        for (std::size_t at = kChunkRecordsOffset; at < end;) {
            const std::size_t size = end - at >= 8 ? u32(chunk.data() + at + 4) : 0;
            if (cut && (end - at < 8 || size > end - at)) {
                break; // the record the cut went through
            }
            if (end - at < kMinRecordSize || u32(chunk.data() + at) != kRecordSignature || size < kMinRecordSize ||
                size > end - at || u32(chunk.data() + at + size - 4) != size) {
                problem(EvtxProblemKind::RecordsEnd, start + at,
                        "no record at chunk offset " + hexOffset(at) + "; the rest of the chunk is skipped");
                break;
            }
            record = {};
            record.recordNumber = u64(chunk.data() + at + 8);
            record.timeWritten = u64(chunk.data() + at + 16);
            record.chunk = index;
            record.offset = start + at;
            if (!reader.readRecord(at + kRecordHeaderSize, at + size - 4, record, why)) {
                problem(EvtxProblemKind::Record, start + at,
                        "record " + std::to_string(record.recordNumber) + " at chunk offset " + hexOffset(at) +
                            " is broken (" + why + "); skipped");
                ++info.recordsSkipped;
            } else {
                ++info.recordsRead;
                if (callbacks.record && !callbacks.record(record)) {
                    return true;
                }
            }
            at += size;
        }
        report();
    }
    return true;
}

bool readEvtxFile(std::span<const std::uint8_t> file, EvtxLog& out, std::string& error) {
    EvtxLog log;
    EvtxCallbacks callbacks;
    callbacks.record = [&log](const EvtxRecord& r) {
        log.records.push_back(r);
        return true;
    };
    if (!readEvtx(file, callbacks, log.info, error)) {
        return false;
    }
    out = std::move(log);
    return true;
}

} // namespace qmplatform::evtx
