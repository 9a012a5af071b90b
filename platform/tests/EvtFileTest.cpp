// The .evt writer and reader together, the wrap-around and dirty-header
// forms, damaged files, and the record walker over read buffers.
#include "platform/formats/EvtFile.h"
#include "pe/Bytes.h"
#include "platform/EventLog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace qmplatform;
using namespace qmplatform::evt;

namespace {

std::vector<EventRecordSpec> sampleRecords(std::size_t count) {
    std::vector<EventRecordSpec> records;
    for (std::size_t i = 0; i < count; ++i) {
        EventRecordSpec r;
        r.timeGenerated = 1700000000u + static_cast<std::uint32_t>(i);
        r.timeWritten = r.timeGenerated + 1;
        r.eventId = i % 2 == 0 ? 0xC0000065u : 100u + static_cast<std::uint32_t>(i);
        r.eventType = static_cast<std::uint16_t>(1u << (i % 5));
        r.eventCategory = static_cast<std::uint16_t>(i);
        r.sourceName = i % 3 == 0 ? L"QuillmarkService" : L"Source" + std::to_wstring(i);
        r.strings.resize(i % 4);
        for (std::size_t s = 0; s < r.strings.size(); ++s) {
            r.strings[s] = L"insert " + std::to_wstring(s) + std::wstring(i, L'x');
        }
        r.data.assign(i % 7, static_cast<std::uint8_t>(i));
        if (i % 5 == 1) {
            r.userSid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}; // S-1-5-18
        }
        records.push_back(r);
    }
    return records;
}

void expectSame(const EventLogRecordView& view, const EventRecordSpec& spec, std::uint32_t number) {
    EXPECT_EQ(view.recordNumber, number);
    EXPECT_EQ(view.timeGenerated, spec.timeGenerated);
    EXPECT_EQ(view.timeWritten, spec.timeWritten);
    EXPECT_EQ(view.eventId, spec.eventId);
    EXPECT_EQ(view.eventType, spec.eventType);
    EXPECT_EQ(view.eventCategory, spec.eventCategory);
    EXPECT_EQ(view.sourceName, spec.sourceName);
    EXPECT_EQ(view.computerName, spec.computerName);
    EXPECT_EQ(view.strings, spec.strings);
    EXPECT_EQ(view.data, spec.data);
    EXPECT_EQ(view.userSid, spec.userSid);
}

TEST(EvtFileTables, FieldRowsFollowEachOtherAndFillTheirRecords) {
    auto check = [](const auto& rows, std::uint32_t size, std::uint32_t width) {
        std::set<std::string> names;
        std::uint32_t end = 0;
        for (const auto& row : rows) {
            EXPECT_EQ(row.offset, end) << row.name;
            end = row.offset + width;
            EXPECT_TRUE(names.insert(row.name).second) << row.name;
        }
        EXPECT_EQ(end, size);
    };
    check(kHeaderFields, kHeaderSize, 4);
    check(kEofFields, kEofRecordSize, 4);
    std::set<std::string> names;
    std::uint32_t end = 0;
    for (const EventLogRecordField& row : kEventLogRecordFields) {
        EXPECT_EQ(row.offset, end) << row.name;
        end = row.offset + row.size;
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
    }
    EXPECT_EQ(end, kEventLogRecordHeaderSize);
}

struct Layout {
    const char* name;
    std::uint32_t fileSize;
    std::uint32_t startOffset;
    bool dirty;
    bool wraps;
};

class EvtLayouts : public ::testing::TestWithParam<Layout> {};

TEST_P(EvtLayouts, RecordsReadBackOldestFirst) {
    const auto specs = sampleRecords(12);
    EvtWriteOptions options;
    options.fileSize = GetParam().fileSize;
    options.startOffset = GetParam().startOffset;
    if (options.startOffset == 0) {
        // Place the records so that the end-of-file record straddles the end.
        std::size_t total = 0;
        for (std::size_t i = 0; i < specs.size(); ++i) {
            total += encodeEventRecord(specs[i], 0).size();
        }
        options.startOffset = static_cast<std::uint32_t>(options.fileSize - total - 20);
    }
    options.dirty = GetParam().dirty;
    options.firstRecordNumber = 40;
    std::string error;
    const auto file = writeEvtFile(specs, options, error);
    ASSERT_FALSE(file.empty()) << error;
    EvtLog log;
    ASSERT_TRUE(readEvtFile(file, log, error)) << error;
    EXPECT_FALSE(log.damaged);
    EXPECT_EQ((log.flags & kFlagWrapped) != 0, GetParam().wraps);
    EXPECT_EQ(log.oldestRecordNumber, 40u);
    EXPECT_EQ(log.currentRecordNumber, 52u);
    ASSERT_EQ(log.records.size(), specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i) {
        EventLogRecordView view;
        ASSERT_TRUE(parseEventLogRecord(log.records[i], view)) << i;
        expectSame(view, specs[i], static_cast<std::uint32_t>(40 + i));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, EvtLayouts,
                         ::testing::Values(Layout{"JustLargeEnough", 0, kHeaderSize, false, false},
                                           Layout{"RoomToSpare", 0x10000, kHeaderSize, false, false},
                                           Layout{"WrapsInsideARecord", 0x1000, 0xC00, false, true},
                                           Layout{"WrapsInsideTheEofRecord", 0x1000, 0, false, true},
                                           Layout{"DirtyHeader", 0x10000, 0x400, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EvtFile, WriterRefusesRecordsThatDoNotFit) {
    std::string error;
    EvtWriteOptions options;
    options.fileSize = 0x200;
    EXPECT_TRUE(writeEvtFile(sampleRecords(12), options, error).empty());
    EXPECT_FALSE(error.empty());
}

TEST(EvtFile, AnEmptyLogHasNoRecords) {
    std::string error;
    const auto file = writeEvtFile({}, {}, error);
    EvtLog log;
    ASSERT_TRUE(readEvtFile(file, log, error)) << error;
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(log.damaged);
}

TEST(EvtFile, DamagedHeadersAreRefused) {
    std::string error;
    const auto good = writeEvtFile(sampleRecords(3), {}, error);
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
    };
    for (const Case& c : {Case{"HeaderSize", 0, 0x31}, Case{"Signature", 4, 0x454C664C}, Case{"Major", 8, 2},
                          Case{"EndHeaderSize", 44, 0}, Case{"StartOutside", 16, 0x7FFFFFFF}}) {
        auto file = good;
        bytes::setU32(file, c.offset, c.value);
        EvtLog log;
        error.clear();
        EXPECT_FALSE(readEvtFile(file, log, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
    EvtLog log;
    EXPECT_FALSE(readEvtFile(std::vector<std::uint8_t>(20, 0), log, error));
}

TEST(EvtFile, ADamagedRecordEndsTheWalkAndKeepsWhatCameBefore) {
    std::string error;
    const auto specs = sampleRecords(5);
    const auto good = writeEvtFile(specs, {}, error);
    const std::size_t second = kHeaderSize + encodeEventRecord(specs[0], 1).size();
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
    };
    for (const Case& c :
         {Case{"LengthZero", second, 0}, Case{"LengthBelowHeader", second, 52},
          Case{"LengthNotAligned", second, 0x61}, Case{"LengthBeyondFile", second, 0x7FFFFFF0},
          Case{"NoSignature", second + 4, 0}, Case{"TrailingLengthDiffers", second - 4, 8}}) {
        auto file = good;
        bytes::setU32(file, c.offset, c.value);
        EvtLog log;
        ASSERT_TRUE(readEvtFile(file, log, error)) << c.name;
        EXPECT_TRUE(log.damaged) << c.name;
        EXPECT_EQ(log.records.size(), std::string(c.name) == "TrailingLengthDiffers" ? 0u : 1u) << c.name;
    }
}

TEST(EvtFile, EveryPrefixOfAFileReadsWithoutOverreading) {
    std::string error;
    EvtWriteOptions options;
    options.fileSize = 0x800;
    options.startOffset = 0x500;
    const auto file = writeEvtFile(sampleRecords(6), options, error);
    ASSERT_FALSE(file.empty()) << error;
    for (std::size_t size = 0; size <= file.size(); size += 3) {
        const std::vector<std::uint8_t> prefix(file.begin(),
                                               file.begin() + static_cast<std::ptrdiff_t>(size));
        EvtLog log;
        if (readEvtFile(prefix, log, error)) {
            for (const auto& record : log.records) {
                EventLogRecordView view;
                EXPECT_TRUE(parseEventLogRecord(record, view));
            }
        }
    }
}

TEST(EventLogRecords, MalformedRecordsAreRefused) {
    EventRecordSpec spec = sampleRecords(4)[3];
    const auto good = encodeEventRecord(spec, 9);
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
    };
    for (const Case& c : {Case{"LengthPastSpan", 0, 0x1000}, Case{"LengthBelowHeader", 0, 40},
                          Case{"StringsPastEnd", 36, 0x7FFFFFF0}, Case{"DataPastEnd", 48, 0x1000},
                          Case{"SidPastEnd", 40, 0x7FFFFFFF}}) {
        auto record = good;
        bytes::setU32(record, c.offset, c.value);
        EventLogRecordView view;
        EXPECT_FALSE(parseEventLogRecord(record, view)) << c.name;
    }
    // More strings announced than the record holds.
    auto record = good;
    bytes::setU16(record, 26, 200);
    EventLogRecordView view;
    EXPECT_FALSE(parseEventLogRecord(record, view));
    // A source name without its terminator inside the record.
    record = std::vector<std::uint8_t>(good.begin(), good.begin() + 60);
    bytes::setU32(record, 0, 60);
    record[56] = 'Q';
    record[58] = 'M';
    EXPECT_FALSE(parseEventLogRecord(record, view));
}

TEST(EventLogRecords, TheWalkerStopsAtTheFirstBadLength) {
    const auto specs = sampleRecords(3);
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const auto record = encodeEventRecord(specs[i], static_cast<std::uint32_t>(i + 1));
        buffer.insert(buffer.end(), record.begin(), record.end());
    }
    const std::size_t second = encodeEventRecord(specs[0], 1).size();
    const std::size_t third = second + encodeEventRecord(specs[1], 2).size();
    auto count = [](std::span<const std::uint8_t> b) {
        return forEachEventLogRecord(b, [](std::span<const std::uint8_t>) {});
    };
    EXPECT_EQ(count(buffer), 3u);
    // Cut inside the last record, and with trailing bytes after whole records.
    EXPECT_EQ(count(std::span<const std::uint8_t>(buffer).first(buffer.size() - 1)), 2u);
    auto padded = buffer;
    padded.resize(padded.size() + 30, 0xFF);
    EXPECT_EQ(count(padded), 3u);
    for (std::uint32_t bad : {0u, 4u, 55u, 0xFFFFFFFFu}) {
        auto damaged = buffer;
        bytes::setU32(damaged, third, bad);
        EXPECT_EQ(count(damaged), 2u) << bad;
        bytes::setU32(damaged, second, bad);
        EXPECT_EQ(count(damaged), 1u) << bad;
    }
}

} // namespace
