// The .evtx reader on real logs from Windows machines and on the test
// writer's files: every value type, arrays, templates shared within a chunk,
// and each kind of damage.
#include "EvtxWriter.h"
#include "platform/formats/EvtxFile.h"
#include "pe/Bytes.h"
#include "platform/EventLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

using namespace qmplatform;
using namespace qmplatform::evtx;
namespace w = qmplatform::evtx::testing;

namespace {

EvtxLog read(std::span<const std::uint8_t> file) {
    EvtxLog log;
    std::string error;
    EXPECT_TRUE(readEvtxFile(file, log, error)) << error;
    return log;
}

std::vector<EvtxProblemKind> kinds(const EvtxLog& log) {
    std::vector<EvtxProblemKind> out;
    for (const EvtxProblem& p : log.info.problems) {
        out.push_back(p.kind);
    }
    return out;
}

std::vector<w::Event> events(std::size_t count) {
    std::vector<w::Event> list(count);
    for (std::size_t i = 0; i < count; ++i) {
        w::Event& e = list[i];
        e.provider = i % 3 == 0 ? L"QuillmarkService" : L"Provider-" + std::to_wstring(i % 5);
        e.eventId = static_cast<std::uint16_t>(100 + i);
        e.timeCreated += i * 10000000ull;
        e.level = static_cast<std::uint8_t>(1 + i % 5);
        e.data = {{L"Job", w::text(L"job " + std::to_wstring(i))}, {L"Count", w::number(kTypeUInt32, i)}};
    }
    return list;
}

TEST(EvtxTables, FieldRowsFollowEachOtherAndFillTheirStructures) {
    auto check = [](std::span<const Field> rows, std::uint32_t size) {
        std::set<std::string> names;
        std::uint32_t end = 0;
        for (const Field& row : rows) {
            EXPECT_EQ(row.offset, end) << row.name;
            EXPECT_TRUE(names.insert(row.name).second) << row.name;
            end = row.offset + row.size;
        }
        EXPECT_EQ(end, size);
    };
    check(kFileHeaderFields, kFileHeaderSize);
    check(kChunkHeaderFields, kChunkRecordsOffset);
    check(kRecordHeaderFields, kRecordHeaderSize);
    std::set<int> codes;
    std::set<std::string> names;
    for (const ValueType& t : kValueTypes) {
        EXPECT_TRUE(codes.insert(t.code).second) << t.name;
        EXPECT_TRUE(names.insert(t.name).second) << t.name;
        EXPECT_EQ(t.code & kTypeArrayFlag, 0) << t.name;
    }
}

// ---- real logs --------------------------------------------------------------

std::filesystem::path sharedFile(const char* name) {
    return std::filesystem::path(QM_SHARED_DATA_DIR) / "evtx" / name;
}

std::vector<std::uint8_t> load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct RealLog {
    const char* file;
    std::size_t records;
    std::uint32_t chunksSkipped;
    bool dirty;
    std::uint64_t firstNumber;
    const wchar_t* firstProvider;
    std::uint16_t firstEventId;
    std::optional<std::uint16_t> firstQualifiers;
    const wchar_t* computer;
    const wchar_t* channel;
};

class RealLogs : public ::testing::TestWithParam<RealLog> {};

// The checksum of the file and chunk headers: the standard check value,
// and every length and split point against the bit-by-bit definition, so
// the eight-bytes-a-step loop and its tail agree with it.
TEST(EvtxTables, Crc32IsTheStandardOneForEveryLengthAndSplit) {
    const std::string check = "123456789";
    EXPECT_EQ(crc32(std::span(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())), 0xCBF43926u);
    std::vector<std::uint8_t> data(40);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const auto bitwise = [](std::span<const std::uint8_t> bytes) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::uint8_t b : bytes) {
            c ^= b;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        return ~c;
    };
    for (std::size_t n = 0; n <= data.size(); ++n) {
        const std::span<const std::uint8_t> part = std::span(data).first(n);
        EXPECT_EQ(crc32(part), bitwise(part)) << n;
        for (std::size_t split = 0; split <= n; split += 3)
            EXPECT_EQ(crc32(part.subspan(split), crc32(part.first(split))), bitwise(part)) << n << "/" << split;
    }
}

TEST_P(RealLogs, ReadEveryRecordOfTheirGoodChunks) {
    const RealLog& p = GetParam();
    const auto path = sharedFile(p.file);
    if (!std::filesystem::exists(path)) {
        GTEST_SKIP() << "missing " << path.string();
    }
    const std::vector<std::uint8_t> file = load(path);
    const EvtxLog log = read(file);
    EXPECT_EQ(log.records.size(), p.records);
    EXPECT_EQ(log.info.recordsSkipped, 0u);
    EXPECT_EQ(log.info.chunksSkipped, p.chunksSkipped);
    EXPECT_EQ(log.info.dirty(), p.dirty);
    ASSERT_FALSE(log.records.empty());
    const EvtxRecord& first = log.records.front();
    EXPECT_EQ(first.recordNumber, p.firstNumber);
    EXPECT_EQ(first.providerName, p.firstProvider);
    EXPECT_EQ(first.eventId, p.firstEventId);
    EXPECT_EQ(first.qualifiers, p.firstQualifiers);
    EXPECT_EQ(first.computer, p.computer);
    EXPECT_EQ(first.channel, p.channel);
    for (const EvtxRecord& r : log.records) {
        EXPECT_NE(r.timeCreated, 0u) << r.recordNumber;
        EXPECT_FALSE(r.source().empty()) << r.recordNumber;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shared, RealLogs,
    ::testing::Values(RealLog{"system.evtx", 1881, 0, true, 1, L"EventLog", 6009, 32768, L"WIN-P4SIAA0SQCO", L"System"},
                      RealLog{"Application_no_crc32.evtx", 17, 0, false, 426, L"SecurityCenter", 1, 0,
                              L"DESKTOP-0HIJB49", L"Application"},
                      RealLog{"sample_with_a_bad_chunk_magic.evtx", 267, 2, true, 46728,
                              L"Microsoft-Windows-AppXDeployment", 325, std::nullopt, L"DESKTOP-1N4R894",
                              L"Microsoft-Windows-AppXDeployment/Operational"}));

TEST(RealLogDetails, FieldsOfKnownRecords) {
    const auto path = sharedFile("system.evtx");
    if (!std::filesystem::exists(path)) {
        GTEST_SKIP() << "missing " << path.string();
    }
    const EvtxLog log = read(load(path));
    ASSERT_GE(log.records.size(), 3u);
    const EvtxRecord& eventLog = log.records[1];
    EXPECT_EQ(eventLog.fullEventId(), 0x80001775u);
    ASSERT_EQ(eventLog.data.size(), 1u);
    EXPECT_EQ(eventLog.data[0].name, L"Binary");
    EXPECT_EQ(eventLog.data[0].value, L"E107070003000C00110010001C00D6000000000000000000");
    const EvtxRecord& kernel = log.records[2];
    EXPECT_EQ(fileTimeText(kernel.timeCreated), L"2017-07-12T17:16:05.5394507Z");
    EXPECT_EQ(kernel.userSid, L"S-1-5-18");
    EXPECT_EQ(kernel.keywords, 0x8000000000000080u);
    EXPECT_EQ(kernel.task, 1);
    EXPECT_EQ(kernel.processId, 4u);
    ASSERT_EQ(kernel.data.size(), 7u);
    EXPECT_EQ(kernel.data[6].name, L"StartTime");
    EXPECT_EQ(kernel.data[6].value, L"2017-07-12T17:16:05.4992599Z");
}

TEST(RealLogDetails, TheDamagedLogNamesItsSkippedChunks) {
    const auto path = sharedFile("sample_with_a_bad_chunk_magic.evtx");
    if (!std::filesystem::exists(path)) {
        GTEST_SKIP() << "missing " << path.string();
    }
    const EvtxLog log = read(load(path));
    std::vector<std::string> skipped;
    for (const EvtxProblem& p : log.info.problems) {
        if (p.chunkSkipped()) {
            skipped.push_back(p.text);
        }
    }
    EXPECT_EQ(skipped, (std::vector<std::string>{"chunk 6 at 0x61000: no chunk signature; skipped",
                                                 "chunk 10 at 0xa1000: no chunk signature; skipped"}));
}

// ---- written files ------------------------------------------------------------

// Other readers (libevtx among them) step over an element's attributes by
// the attribute list's size, which this reader does not need: the writer
// must still fill it in. The first record's template starts with <Event
// xmlns=...>: its list size sits after the inline name "Event", and the
// list ends at the token that closes the start tag.
TEST(EvtxRoundTrip, TheWriterGivesEachAttributeListItsSize) {
    const std::vector<std::uint8_t> file = w::writeEvtx(std::vector<w::Event>(1));
    // Chunk at 4096, first record 512 into it, 24-byte record header, then
    // fragment header, template instance (10 bytes), definition header (24),
    // fragment header, and the element: token, dependency, size, name offset.
    const std::size_t element = 4096 + 512 + 24 + 4 + 10 + 24 + 4;
    ASSERT_EQ(file.at(element), kTokenOpenStartElement | 0x40);
    const std::size_t name = element + 11;
    ASSERT_EQ(bytes::u16At(file, name + 6), 5u); // "Event"
    const std::size_t listSize = name + 8 + 2 * 5 + 2;
    const std::uint32_t size = bytes::u32At(file, listSize);
    EXPECT_GT(size, 0u);
    EXPECT_EQ(file.at(listSize + 4 + size), kTokenCloseStartElement);
}

TEST(EvtxRoundTrip, SystemFieldsComeBackAsWritten) {
    w::Event e;
    e.provider = L"Microsoft-Windows-Winlogon";
    const std::uint8_t g[16] = {0x83, 0xB3, 0xE9, 0xDB, 0xF3, 0x7C, 0x31, 0x43, 0x91, 0xCC, 0xA3, 0xCB, 0x16, 0xA3, 0xB5, 0x38};
    e.providerGuid = w::guid(g);
    e.eventSourceName = L"Wlclntfy";
    e.eventId = 6000;
    e.qualifiers = 32768;
    e.version = 2;
    e.level = 3;
    e.task = 7;
    e.opcode = 1;
    e.keywords = 0x8000000000000010;
    e.processId = 1276;
    e.threadId = 1368;
    e.channel = L"System";
    e.computer = L"DESKTOP-0HIJB49";
    e.userSid = w::kLocalSystemSid;
    const EvtxLog log = read(w::writeEvtx(std::span(&e, 1), {.firstRecordNumber = 41, .timeWritten = 132617659060000000}));
    ASSERT_EQ(log.records.size(), 1u);
    const EvtxRecord& r = log.records[0];
    EXPECT_EQ(r.recordNumber, 41u);
    EXPECT_EQ(r.timeCreated, e.timeCreated);
    EXPECT_EQ(r.timeWritten, 132617659060000000u);
    EXPECT_EQ(r.providerName, e.provider);
    EXPECT_EQ(r.providerGuid, L"{DBE9B383-7CF3-4331-91CC-A3CB16A3B538}");
    EXPECT_EQ(r.source(), L"Wlclntfy");
    EXPECT_EQ(r.fullEventId(), 0x80001770u);
    EXPECT_EQ(r.version, 2);
    EXPECT_EQ(r.level, 3);
    EXPECT_EQ(r.task, 7);
    EXPECT_EQ(r.opcode, 1);
    EXPECT_EQ(r.keywords, e.keywords);
    EXPECT_EQ(r.processId, 1276u);
    EXPECT_EQ(r.threadId, 1368u);
    EXPECT_EQ(r.channel, L"System");
    EXPECT_EQ(r.computer, e.computer);
    EXPECT_EQ(r.userSid, L"S-1-5-18");
    EXPECT_EQ(classicEventType(r), kEventTypeWarning);
    EXPECT_TRUE(log.info.problems.empty());
}

struct TypedValue {
    const char* what;
    w::Value value;
    std::vector<std::wstring> texts; // one per field: arrays repeat the field
};

class ValueTypes : public ::testing::TestWithParam<TypedValue> {};

TEST_P(ValueTypes, RenderAsEventViewerShowsThem) {
    const TypedValue& p = GetParam();
    for (EvtxDataKind kind : {EvtxDataKind::EventData, EvtxDataKind::UserData}) {
        w::Event e;
        e.kind = kind;
        e.data = {{L"Value", p.value}, {L"After", w::text(L"end")}};
        const EvtxLog log = read(w::writeEvtx(std::span(&e, 1)));
        ASSERT_EQ(log.records.size(), 1u) << p.what;
        const EvtxRecord& r = log.records[0];
        EXPECT_EQ(r.dataKind, kind);
        std::vector<std::wstring> got;
        for (const EvtxDataField& f : r.data) {
            if (f.name == L"Value") {
                got.push_back(f.value);
            }
        }
        if (kind == EvtxDataKind::UserData) {
            // A UserData element holds its value as one text.
            std::wstring joined;
            for (const std::wstring& t : p.texts) {
                joined += (joined.empty() ? L"" : L", ") + t;
            }
            EXPECT_EQ(got, std::vector<std::wstring>{joined}) << p.what;
            EXPECT_EQ(r.userDataName, L"EventXML");
        } else {
            EXPECT_EQ(got, p.texts) << p.what;
        }
        ASSERT_FALSE(r.data.empty());
        EXPECT_EQ(r.data.back().value, L"end") << p.what;
    }
}

const std::uint8_t kGuid[16] = {0x53, 0xEE, 0xDE, 0x1E, 0xFE, 0x0A, 0x09, 0x46, 0xB8, 0x46, 0xD8, 0xC0, 0xB2, 0x07, 0x5B, 0x1F};
const std::vector<std::uint8_t> kDomainSid = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0x2A, 0, 0, 0,
                                             0xE8, 3, 0, 0, 0xF4, 1, 0, 0, 0x51, 4, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    All, ValueTypes,
    ::testing::Values(
        TypedValue{"string", w::text(L"Caf\u00e9 \u00fcber \U0001F4BF"), {L"Caf\u00e9 \u00fcber \U0001F4BF"}},
        TypedValue{"string with terminator", w::text(std::wstring(L"abc\0", 4)), {L"abc"}},
        TypedValue{"ansi", w::ansi("plain\xE9"), {L"plain\u00e9"}},
        TypedValue{"int8", w::number(kTypeInt8, 0xFE), {L"-2"}},
        TypedValue{"uint8", w::number(kTypeUInt8, 0xFE), {L"254"}},
        TypedValue{"int16", w::number(kTypeInt16, 0x8000), {L"-32768"}},
        TypedValue{"uint16", w::number(kTypeUInt16, 0xFFFF), {L"65535"}},
        TypedValue{"int32", w::number(kTypeInt32, 0xFFFFFFFF), {L"-1"}},
        TypedValue{"uint32", w::number(kTypeUInt32, 4000000000u), {L"4000000000"}},
        TypedValue{"int64", w::number(kTypeInt64, 0x8000000000000000u), {L"-9223372036854775808"}},
        TypedValue{"uint64", w::number(kTypeUInt64, 18446744073709551615u), {L"18446744073709551615"}},
        TypedValue{"real32", w::number(kTypeReal32, 0x3FC00000), {L"1.5"}},
        TypedValue{"real64", w::number(kTypeReal64, 0x3FB999999999999A), {L"0.1"}},
        TypedValue{"boolean", w::number(kTypeBoolean, 1), {L"true"}},
        TypedValue{"boolean false", w::number(kTypeBoolean, 0), {L"false"}},
        TypedValue{"binary", w::binary({0xD9, 0x06, 0x00, 0xAB}), {L"D90600AB"}},
        TypedValue{"guid", w::guid(kGuid), {L"{1EDEEE53-0AFE-4609-B846-D8C0B2075B1F}"}},
        TypedValue{"size_t", w::number(kTypeSizeT, 0x1F), {L"0x000000000000001f"}},
        TypedValue{"filetime", w::fileTime(132617083050187674), {L"2021-03-31T23:51:45.0187674Z"}},
        TypedValue{"systime", w::sysTime(2024, 2, 29, 23, 59, 58, 7), {L"2024-02-29T23:59:58.007Z"}},
        TypedValue{"sid", w::sid(kDomainSid), {L"S-1-5-21-42-1000-500-1105"}},
        TypedValue{"hexint32", w::number(kTypeHexInt32, 0xC000006D), {L"0xc000006d"}},
        TypedValue{"hexint64", w::number(kTypeHexInt64, 0x80000000000000), {L"0x80000000000000"}},
        TypedValue{"string array", w::array({w::text(L"one"), w::text(L""), w::text(L"three")}),
                   {L"one", L"", L"three"}},
        TypedValue{"ansi array", w::array({w::ansi("a"), w::ansi("bc")}), {L"a", L"bc"}},
        TypedValue{"uint16 array", w::array({w::number(kTypeUInt16, 1), w::number(kTypeUInt16, 65535)}),
                   {L"1", L"65535"}},
        TypedValue{"guid array", w::array({w::guid(kGuid), w::guid(kGuid)}),
                   {L"{1EDEEE53-0AFE-4609-B846-D8C0B2075B1F}", L"{1EDEEE53-0AFE-4609-B846-D8C0B2075B1F}"}},
        TypedValue{"sid array", w::array({w::sid(w::kLocalSystemSid), w::sid(kDomainSid)}),
                   {L"S-1-5-18", L"S-1-5-21-42-1000-500-1105"}},
        TypedValue{"hexint64 array", w::array({w::number(kTypeHexInt64, 16), w::number(kTypeHexInt64, 0)}),
                   {L"0x10", L"0x0"}}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(EvtxValues, BadSizesFallBackToHexAndSayTheyFailed) {
    std::wstring out;
    EXPECT_FALSE(valueText(kTypeUInt32, std::vector<std::uint8_t>{1, 2, 3}, out));
    EXPECT_EQ(out, L"010203");
    out.clear();
    EXPECT_FALSE(valueText(kTypeSid, std::vector<std::uint8_t>{1, 2, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, out));
    out.clear();
    EXPECT_FALSE(valueText(0x7F, std::vector<std::uint8_t>{0xAB}, out));
    EXPECT_EQ(out, L"AB");
    out.clear();
    EXPECT_FALSE(valueText(kTypeSysTime, w::sysTime(2024, 13, 1, 0, 0, 0, 0).bytes, out));
}

TEST(EvtxValues, FileTimeTextsRoundTrip) {
    for (std::uint64_t t : {0ull, 1ull, 116444736000000000ull, 132617083050187674ull, 2650467743999999999ull}) {
        std::uint64_t back = 7;
        ASSERT_TRUE(parseFileTimeText(fileTimeText(t), back)) << t;
        EXPECT_EQ(back, t);
    }
    EXPECT_EQ(fileTimeText(0), L"1601-01-01T00:00:00.0000000Z");
    std::uint64_t t = 0;
    EXPECT_TRUE(parseFileTimeText(L"2021-03-31T23:51:45.018767400Z", t));
    EXPECT_EQ(t, 132617083050187674u);
    for (const wchar_t* bad : {L"", L"2021-03-31 23:51:45Z", L"2021-13-31T23:51:45Z", L"2021-03-31T23:51:45",
                               L"1600-01-01T00:00:00Z", L"2021-03-31T23:51:45.1Zx"}) {
        EXPECT_FALSE(parseFileTimeText(bad, t)) << bad;
    }
}

TEST(EvtxRoundTrip, ManyChunksShareTemplatesAndNamesWithinEachChunk) {
    const std::vector<w::Event> list = events(1500);
    const std::vector<std::uint8_t> file = w::writeEvtx(list);
    ASSERT_GT(file.size(), kFileHeaderBlockSize + 3 * kChunkSize); // several chunks
    std::vector<std::uint32_t> progress;
    EvtxFileInfo info;
    std::string error;
    std::vector<EvtxRecord> records;
    EvtxCallbacks callbacks;
    callbacks.record = [&](const EvtxRecord& r) {
        records.push_back(r);
        return true;
    };
    callbacks.progress = [&](std::uint32_t done, std::uint32_t total) {
        EXPECT_EQ(total, info.chunksInFile);
        progress.push_back(done);
    };
    ASSERT_TRUE(readEvtx(file, callbacks, info, error)) << error;
    ASSERT_EQ(records.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(records[i].recordNumber, i + 1);
        EXPECT_EQ(records[i].providerName, list[i].provider);
        EXPECT_EQ(records[i].eventId, list[i].eventId);
        EXPECT_EQ(records[i].level, list[i].level);
        ASSERT_EQ(records[i].data.size(), 2u);
        EXPECT_EQ(records[i].data[0].value, L"job " + std::to_wstring(i));
        EXPECT_EQ(records[i].data[1].value, std::to_wstring(i));
    }
    EXPECT_EQ(progress.size(), info.chunksInFile);
    EXPECT_EQ(progress.back(), info.chunksInFile);
    EXPECT_TRUE(info.problems.empty());
}

TEST(EvtxRoundTrip, ACallbackThatSaysStopEndsTheRead) {
    const std::vector<std::uint8_t> file = w::writeEvtx(events(10));
    EvtxFileInfo info;
    std::string error;
    std::size_t seen = 0;
    EvtxCallbacks callbacks;
    callbacks.record = [&](const EvtxRecord&) { return ++seen < 4; };
    ASSERT_TRUE(readEvtx(file, callbacks, info, error));
    EXPECT_EQ(seen, 4u);
}

TEST(EvtxRoundTrip, EventsWithoutDataAndWithUnnamedData) {
    std::vector<w::Event> list(2);
    list[0].kind = EvtxDataKind::None;
    list[1].data = {{L"", w::text(L"first")}, {L"", w::text(L"second")}, {L"Binary", w::binary({1, 2})}};
    const EvtxLog log = read(w::writeEvtx(list));
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0].dataKind, EvtxDataKind::None);
    EXPECT_TRUE(log.records[0].data.empty());
    ASSERT_EQ(log.records[1].data.size(), 3u);
    EXPECT_EQ(log.records[1].data[0].name, L"");
    EXPECT_EQ(log.records[1].data[1].value, L"second");
    EXPECT_EQ(log.records[1].data[2].name, L"Binary");
    EXPECT_EQ(log.records[1].data[2].value, L"0102");
}

// ---- damage -------------------------------------------------------------------

struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> apply;
    std::size_t records; // of 3 chunks x 20 = 60
    std::uint32_t chunksSkipped;
    std::vector<EvtxProblemKind> problems;
};

class Damaged : public ::testing::TestWithParam<Damage> {};

TEST_P(Damaged, ReadWhatSurvivesAndSayWhatWasLost) {
    const Damage& p = GetParam();
    std::vector<std::uint8_t> file = w::writeEvtx(events(60), {.recordsPerChunk = 20});
    ASSERT_EQ(file.size(), kFileHeaderBlockSize + 3 * kChunkSize);
    p.apply(file);
    const EvtxLog log = read(file);
    EXPECT_EQ(log.records.size(), p.records) << p.what;
    EXPECT_EQ(log.info.chunksSkipped, p.chunksSkipped) << p.what;
    EXPECT_EQ(kinds(log), p.problems) << p.what;
    for (const EvtxProblem& problem : log.info.problems) {
        EXPECT_EQ(problem.text.rfind("chunk " + std::to_string(problem.chunk) + " at ", 0),
                  problem.kind == EvtxProblemKind::HeaderChecksum ? std::string::npos : 0u)
            << problem.text;
    }
}

// Damage the checksums cannot see: the header's own checksum made right
// again after a change to what it covers.
void sealHeaderOnly(std::vector<std::uint8_t>& f, std::size_t chunk) {
    const std::span<const std::uint8_t> c = std::span(f).subspan(w::chunkOffset(chunk), kChunkSize);
    bytes::setU32(f, w::chunkOffset(chunk) + 124, crc32(c.subspan(128, 384), crc32(c.first(120))));
}

// The first byte of the n-th record's binary XML (its fragment header).
std::size_t recordBody(const std::vector<std::uint8_t>& file, std::size_t n) {
    return w::recordOffsets(file).at(n) + kRecordHeaderSize;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Damaged,
    ::testing::Values(
        Damage{"intact", [](auto&) {}, 60, 0, {}},
        Damage{"dirty", [](auto& f) { f[kFileHeaderFields[kFileFlags].offset] |= kFileFlagDirty; w::reseal(f, 0); },
               60, 0, {}},
        Damage{"file header checksum", [](auto& f) { f[kFileHeaderFields[kFileChecksum].offset] ^= 1; }, 60, 0,
               {EvtxProblemKind::HeaderChecksum}},
        Damage{"chunk signature", [](auto& f) { f[w::chunkOffset(1)] = 'X'; }, 40, 1,
               {EvtxProblemKind::ChunkSignature}},
        Damage{"chunk header checksum", [](auto& f) { f[w::chunkOffset(1) + 8] ^= 1; }, 40, 1,
               {EvtxProblemKind::ChunkHeader}},
        Damage{"free space offset outside the chunk",
               [](auto& f) {
                   bytes::setU32(f, w::chunkOffset(2) + 48, 0x20000);
                   w::reseal(f, 2);
               },
               40, 1, {EvtxProblemKind::ChunkHeader}},
        Damage{"records checksum, records intact",
               [](auto& f) {
                   bytes::setU32(f, w::chunkOffset(0) + 52, bytes::u32At(f, w::chunkOffset(0) + 52) ^ 1);
                   sealHeaderOnly(f, 0);
               },
               60, 0, {EvtxProblemKind::RecordsChecksum}},
        Damage{"records wiped from the middle of a chunk",
               [](auto& f) {
                   const std::size_t from = w::recordOffsets(f)[30];
                   std::fill(f.begin() + static_cast<std::ptrdiff_t>(from),
                             f.begin() + static_cast<std::ptrdiff_t>(w::chunkOffset(2)), 0);
                   sealHeaderOnly(f, 1);
               },
               50, 0, {EvtxProblemKind::RecordsChecksum, EvtxProblemKind::RecordsEnd}},
        Damage{"cut inside the last chunk",
               [](auto& f) { f.resize(w::recordOffsets(f)[45] + 30); }, 45, 0, {EvtxProblemKind::ChunkTruncated}},
        Damage{"cut inside the last chunk's header",
               [](auto& f) { f.resize(w::chunkOffset(2) + 100); }, 40, 1, {EvtxProblemKind::ChunkTruncated}},
        Damage{"cut right after a chunk", [](auto& f) { f.resize(w::chunkOffset(2)); }, 40, 0, {}},
        Damage{"cut inside the file's header block, before any chunk",
               [](auto& f) { f.resize(3000); }, 0, 0, {EvtxProblemKind::ChunkTruncated}},
        Damage{"record whose template offset points outside the chunk",
               [](auto& f) {
                   bytes::setU32(f, recordBody(f, 25) + 10, 0xFFF0);
                   w::reseal(f, 1);
               },
               59, 0, {EvtxProblemKind::Record}},
        Damage{"record with an unknown token",
               [](auto& f) {
                   // The first record of a chunk defines the template inline.
                   f[recordBody(f, 20) + 4 + 10 + 24 + 4] = 0x1F;
                   w::reseal(f, 1);
               },
               // Every record of the chunk uses the broken template.
               40, 0, std::vector<EvtxProblemKind>(20, EvtxProblemKind::Record)},
        Damage{"record whose values run past its end",
               [](auto& f) {
                   const std::size_t at = w::recordOffsets(f)[5];
                   const std::size_t count = bytes::u32At(f, at + bytes::u32At(f, at + 4) - 4);
                   (void)count;
                   // The second record of a chunk refers to the template:
                   // fragment header, instance (10 bytes), then the count.
                   bytes::setU32(f, at + kRecordHeaderSize + 4 + 10, 0x40000);
                   w::reseal(f, 0);
               },
               59, 0, {EvtxProblemKind::Record}},
        Damage{"record size copy wrong",
               [](auto& f) {
                   const std::size_t at = w::recordOffsets(f)[3];
                   f[at + bytes::u32At(f, at + 4) - 4] ^= 1;
                   w::reseal(f, 0);
               },
               3 + 40, 0, {EvtxProblemKind::RecordsEnd}}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

TEST(EvtxDamage, LogsWithoutChecksumsAreReadWithoutComplaint) {
    std::vector<std::uint8_t> file = w::writeEvtx(events(30), {.checksums = false});
    EXPECT_EQ(bytes::u32At(file, w::chunkOffset(0) + 124), 0u);
    const EvtxLog log = read(file);
    EXPECT_EQ(log.records.size(), 30u);
    EXPECT_TRUE(log.info.problems.empty());
}

TEST(EvtxDamage, WhatIsNoEvtxFileIsRefused) {
    EvtxLog log;
    std::string error;
    EXPECT_FALSE(readEvtxFile(std::vector<std::uint8_t>(200, 0), log, error));
    EXPECT_EQ(error, "no .evtx file header");
    EXPECT_FALSE(readEvtxFile(std::vector<std::uint8_t>{'E', 'l', 'f'}, log, error));
    EXPECT_EQ(error, "shorter than an .evtx file header");
    std::vector<std::uint8_t> file = w::writeEvtx(events(1));
    bytes::setU16(file, kFileHeaderFields[kFileMajorVersion].offset, 4);
    EXPECT_FALSE(readEvtxFile(file, log, error));
    EXPECT_EQ(error, ".evtx version 4.1");
    // A header alone is an empty log.
    file.resize(kFileHeaderBlockSize);
    bytes::setU16(file, kFileHeaderFields[kFileMajorVersion].offset, 3);
    const EvtxLog empty = read(file);
    EXPECT_TRUE(empty.records.empty());
}

// Random damage to a good file: whatever the bytes, the reader returns, and
// never reports more records than the file holds.
TEST(EvtxDamage, RandomBytesNeverBreakTheReader) {
    const std::vector<std::uint8_t> good = w::writeEvtx(events(40), {.recordsPerChunk = 20});
    std::mt19937 random(26);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> file = good;
        const int flips = 1 + round % 16;
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = w::chunkOffset(0) + random() % (2 * kChunkSize);
            file[at] = static_cast<std::uint8_t>(random());
        }
        w::reseal(file, 0);
        w::reseal(file, 1);
        const EvtxLog log = read(file);
        EXPECT_LE(log.records.size(), 40u);
    }
}

} // namespace
