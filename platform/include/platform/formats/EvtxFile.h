// The XML event-log file (.evtx, Windows Vista on, and what Event Viewer's
// "Save All Events As..." writes): a 4 KiB file header, then 64 KiB chunks.
// Each chunk carries its own header, its records, and the names and
// template definitions the records' binary XML refers to by offset inside
// the chunk. A record is one binary XML fragment: usually a template
// instance, the template's definition (inline the first time the chunk
// uses it) and the substitution values that fill it.
//
// The reader treats a file as forensic tools do: a chunk whose signature or
// header checksum is wrong is skipped with a warning that names it; a chunk
// whose record checksum is wrong is read as far as its records stay intact;
// a dirty file is read; a file cut short gives the records before the cut;
// a record whose structure is broken is reported and skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform::evtx {

inline constexpr std::size_t kFileHeaderBlockSize = 0x1000;
inline constexpr std::size_t kFileHeaderSize = 0x80;
inline constexpr std::size_t kChunkSize = 0x10000;
inline constexpr std::size_t kChunkHeaderSize = 0x80;
// The header, the string table (64 offsets) and the template table (32).
inline constexpr std::size_t kChunkRecordsOffset = 0x200;
inline constexpr std::size_t kChunkStringBuckets = 64;
inline constexpr std::size_t kChunkTemplateBuckets = 32;
inline constexpr std::size_t kRecordHeaderSize = 24;
// A record ends with a copy of its size.
inline constexpr std::size_t kMinRecordSize = kRecordHeaderSize + 4;
inline constexpr std::uint32_t kRecordSignature = 0x00002a2a;
inline constexpr std::string_view kFileSignature{"ElfFile\0", 8};
inline constexpr std::string_view kChunkSignature{"ElfChnk\0", 8};
inline constexpr std::uint16_t kMajorVersion = 3;

inline constexpr std::uint32_t kFileFlagDirty = 0x1;
inline constexpr std::uint32_t kFileFlagFull = 0x2;
// Set by writers that leave the checksums out; then none is checked.
inline constexpr std::uint32_t kFlagNoChecksums = 0x4;

struct Field {
    const char* name;
    std::uint32_t offset;
    std::uint32_t size;
};

inline constexpr Field kFileHeaderFields[] = {
    {"Signature", 0, 8},         {"FirstChunkNumber", 8, 8}, {"LastChunkNumber", 16, 8},
    {"NextRecordNumber", 24, 8}, {"HeaderSize", 32, 4},      {"MinorVersion", 36, 2},
    {"MajorVersion", 38, 2},     {"HeaderBlockSize", 40, 2}, {"ChunkCount", 42, 2},
    {"Reserved", 44, 76},        {"Flags", 120, 4},          {"Checksum", 124, 4},
};
enum FileHeaderField : std::size_t {
    kFileSignatureField, kFileFirstChunk, kFileLastChunk, kFileNextRecord, kFileHeaderSizeField,
    kFileMinorVersion, kFileMajorVersion, kFileBlockSize, kFileChunkCount, kFileReserved, kFileFlags,
    kFileChecksum,
};

inline constexpr Field kChunkHeaderFields[] = {
    {"Signature", 0, 8},
    {"FirstRecordNumber", 8, 8},
    {"LastRecordNumber", 16, 8},
    {"FirstRecordIdentifier", 24, 8},
    {"LastRecordIdentifier", 32, 8},
    {"HeaderSize", 40, 4},
    {"LastRecordOffset", 44, 4},
    {"FreeSpaceOffset", 48, 4},
    {"RecordsChecksum", 52, 4},
    {"Reserved", 56, 64},
    {"Flags", 120, 4},
    {"HeaderChecksum", 124, 4},
    {"StringTable", 128, 4 * kChunkStringBuckets},
    {"TemplateTable", 384, 4 * kChunkTemplateBuckets},
};
enum ChunkHeaderField : std::size_t {
    kChunkSignatureField, kChunkFirstNumber, kChunkLastNumber, kChunkFirstIdentifier, kChunkLastIdentifier,
    kChunkHeaderSizeField, kChunkLastRecord, kChunkFreeSpace, kChunkRecordsChecksum, kChunkReserved,
    kChunkFlags, kChunkHeaderChecksum, kChunkStringTable, kChunkTemplateTable,
};

inline constexpr Field kRecordHeaderFields[] = {
    {"Signature", 0, 4},
    {"Size", 4, 4},
    {"Identifier", 8, 8},
    {"Written", 16, 8},
};

// Binary XML tokens; 0x40 on an element says it has attributes, on an
// attribute that another follows, on a value, CDATA or reference that more
// content follows.
enum Token : std::uint8_t {
    kTokenEndOfStream = 0x00,
    kTokenOpenStartElement = 0x01,
    kTokenCloseStartElement = 0x02,
    kTokenCloseEmptyElement = 0x03,
    kTokenEndElement = 0x04,
    kTokenValue = 0x05,
    kTokenAttribute = 0x06,
    kTokenCData = 0x07,
    kTokenCharRef = 0x08,
    kTokenEntityRef = 0x09,
    kTokenPITarget = 0x0a,
    kTokenPIData = 0x0b,
    kTokenTemplateInstance = 0x0c,
    kTokenNormalSubstitution = 0x0d,
    kTokenOptionalSubstitution = 0x0e,
    kTokenFragmentHeader = 0x0f,
};
inline constexpr std::uint8_t kTokenMoreFlag = 0x40;

// Substitution value types; 0x80 makes an array of the base type.
enum ValueTypeCode : std::uint8_t {
    kTypeNull = 0x00, kTypeString = 0x01, kTypeAnsiString = 0x02, kTypeInt8 = 0x03, kTypeUInt8 = 0x04,
    kTypeInt16 = 0x05, kTypeUInt16 = 0x06, kTypeInt32 = 0x07, kTypeUInt32 = 0x08, kTypeInt64 = 0x09,
    kTypeUInt64 = 0x0a, kTypeReal32 = 0x0b, kTypeReal64 = 0x0c, kTypeBoolean = 0x0d, kTypeBinary = 0x0e,
    kTypeGuid = 0x0f, kTypeSizeT = 0x10, kTypeFileTime = 0x11, kTypeSysTime = 0x12, kTypeSid = 0x13,
    kTypeHexInt32 = 0x14, kTypeHexInt64 = 0x15, kTypeEvtHandle = 0x20, kTypeBinXml = 0x21, kTypeEvtXml = 0x23,
};
inline constexpr std::uint8_t kTypeArrayFlag = 0x80;

struct ValueType {
    std::uint8_t code;
    const char* name;
    // Bytes of one value; 0 for the types of variable size.
    std::uint8_t size;
};
inline constexpr ValueType kValueTypes[] = {
    {kTypeNull, "Null", 0},           {kTypeString, "String", 0},       {kTypeAnsiString, "AnsiString", 0},
    {kTypeInt8, "Int8", 1},           {kTypeUInt8, "UInt8", 1},         {kTypeInt16, "Int16", 2},
    {kTypeUInt16, "UInt16", 2},       {kTypeInt32, "Int32", 4},         {kTypeUInt32, "UInt32", 4},
    {kTypeInt64, "Int64", 8},         {kTypeUInt64, "UInt64", 8},       {kTypeReal32, "Real32", 4},
    {kTypeReal64, "Real64", 8},       {kTypeBoolean, "Boolean", 4},     {kTypeBinary, "Binary", 0},
    {kTypeGuid, "Guid", 16},          {kTypeSizeT, "SizeT", 0},         {kTypeFileTime, "FileTime", 8},
    {kTypeSysTime, "SysTime", 16},    {kTypeSid, "Sid", 0},             {kTypeHexInt32, "HexInt32", 4},
    {kTypeHexInt64, "HexInt64", 8},   {kTypeEvtHandle, "EvtHandle", 0}, {kTypeBinXml, "BinXml", 0},
    {kTypeEvtXml, "EvtXml", 0},
};
// The table's row of a base type, or nullptr for an unknown type.
const ValueType* findValueType(std::uint8_t code);

// One EventData or UserData field. EventData's <Data Name="x"> gives "x";
// a <Data> without a name gives ""; other elements (<Binary>) their own
// name. UserData's fields are the leaf elements under its one child, named
// by their path below it ("Param1", "Group/Item").
struct EvtxDataField {
    std::wstring name;
    std::wstring value;
};

enum class EvtxDataKind : std::uint8_t { None, EventData, UserData };

struct EvtxRecord {
    std::uint64_t recordNumber = 0;
    // FILETIMEs (100 ns since 1601-01-01 UTC): System/TimeCreated, and the
    // record header's time the log wrote it.
    std::uint64_t timeCreated = 0;
    std::uint64_t timeWritten = 0;
    std::wstring providerName;
    std::wstring providerGuid;
    // The classic source name that Event Viewer shows for events reported
    // through ReportEvent; empty for manifest providers.
    std::wstring eventSourceName;
    std::uint16_t eventId = 0;
    std::optional<std::uint16_t> qualifiers;
    std::uint8_t version = 0;
    std::uint8_t level = 0;
    std::uint16_t task = 0;
    std::uint8_t opcode = 0;
    std::uint64_t keywords = 0;
    std::uint32_t processId = 0;
    std::uint32_t threadId = 0;
    std::wstring channel;
    std::wstring computer;
    // Security/@UserID in "S-1-5-18" form; empty when the event has none.
    std::wstring userSid;
    EvtxDataKind dataKind = EvtxDataKind::None;
    // UserData's one child element ("EventXML" and the like).
    std::wstring userDataName;
    std::vector<EvtxDataField> data;
    // Where the record was found: chunk index in the file and byte offset.
    std::uint32_t chunk = 0;
    std::uint64_t offset = 0;

    // Event Viewer's Source: the classic source name, else the provider's.
    const std::wstring& source() const { return eventSourceName.empty() ? providerName : eventSourceName; }
    // The 32-bit identifier as a classic source reports it (qualifiers in
    // the high word), which its message file is keyed by.
    std::uint32_t fullEventId() const { return static_cast<std::uint32_t>(qualifiers.value_or(0)) << 16 | eventId; }
};

enum class EvtxProblemKind : std::uint8_t {
    HeaderChecksum,  // the file header's checksum is wrong; chunks are still read
    ChunkSignature,  // a chunk with data but no chunk signature: skipped
    ChunkHeader,     // a chunk header that is wrong or fails its checksum: skipped
    RecordsChecksum, // records checksum wrong: the records read as far as they are intact
    ChunkTruncated,  // the file ends inside the chunk: the records before the cut are read
    RecordsEnd,      // the record walk met bytes that are no record before the chunk's end
    Record,          // a record whose binary XML is broken: skipped
};

struct EvtxProblem {
    EvtxProblemKind kind;
    std::uint32_t chunk = 0;
    std::uint64_t offset = 0; // in the file
    std::string text;         // "chunk 6 at 0x61000: no chunk signature; skipped"
    bool chunkSkipped() const {
        return kind == EvtxProblemKind::ChunkSignature || kind == EvtxProblemKind::ChunkHeader;
    }
};

struct EvtxFileInfo {
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint32_t flags = 0;
    std::uint16_t headerChunkCount = 0;
    // 64 KiB blocks after the file header, the last one possibly cut short.
    std::uint32_t chunksInFile = 0;
    std::uint32_t chunksRead = 0;
    std::uint32_t chunksSkipped = 0;
    std::uint64_t recordsRead = 0;
    std::uint64_t recordsSkipped = 0;
    std::vector<EvtxProblem> problems;
    bool dirty() const { return (flags & kFileFlagDirty) != 0; }
};

// Called once per record read, in file order; return false to stop (the
// read then ends early and still returns true). `progress` is told the
// chunks done and the chunks in the file after each chunk.
struct EvtxCallbacks {
    std::function<bool(const EvtxRecord&)> record;
    std::function<void(std::uint32_t done, std::uint32_t total)> progress;
};

// False, with a reason, when the file is no .evtx file at all (no file
// header signature, or shorter than one). Everything else is read as far as
// it can be and described in `info.problems`.
bool readEvtx(std::span<const std::uint8_t> file, const EvtxCallbacks& callbacks, EvtxFileInfo& info,
              std::string& error);

struct EvtxLog {
    EvtxFileInfo info;
    std::vector<EvtxRecord> records;
};
bool readEvtxFile(std::span<const std::uint8_t> file, EvtxLog& out, std::string& error);

// The classic event type (error, warning, information, audit success or
// failure) a record stands for, as Windows maps ReportEvent's types onto
// levels and keywords.
inline constexpr std::uint64_t kKeywordAuditFailure = 0x0010000000000000;
inline constexpr std::uint64_t kKeywordAuditSuccess = 0x0020000000000000;
std::uint16_t classicEventType(const EvtxRecord& record);

// Texts of values as Event Viewer's XML view writes them.
std::wstring fileTimeText(std::uint64_t fileTime); // 2021-03-31T23:51:45.0187674Z
bool parseFileTimeText(std::wstring_view text, std::uint64_t& fileTime);
// The substitution value `bytes` of `type` as text; false for a type the
// format does not know or bytes that do not fit it (the text then holds
// the bytes in hex).
bool valueText(std::uint8_t type, std::span<const std::uint8_t> bytes, std::wstring& out);

// CRC-32 (ISO-HDLC, as zlib), the checksum of headers and records.
std::uint32_t crc32(std::span<const std::uint8_t> data, std::uint32_t crc = 0);

} // namespace qmplatform::evtx
