// The event log: the emulated backend on a machine's .evt files, and the
// Win32 backend's reading through a stand-in record source (the system's
// event log under Wine reads nothing).
#include "emulated/EmulatedEventLog.h"
#include "platform/machine/Machine.h"
#include "platform/formats/EvtFile.h"
#include "platform/Win32Codes.h"

#ifdef _WIN32
#include "win32/Win32Resources.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace qmplatform;
namespace fs = std::filesystem;

namespace {

std::vector<evt::EventRecordSpec> records(std::size_t count) {
    std::vector<evt::EventRecordSpec> out;
    for (std::size_t i = 0; i < count; ++i) {
        evt::EventRecordSpec r;
        r.timeGenerated = 1767225600u + static_cast<std::uint32_t>(60 * i);
        r.timeWritten = r.timeGenerated;
        r.eventId = 0x40000064u + static_cast<std::uint32_t>(i);
        r.eventType = kEventTypeInformation;
        r.sourceName = i % 2 == 0 ? L"QuillmarkService" : L"Service Control Manager";
        // Sizes vary so that buffers fill unevenly.
        r.strings = {std::wstring(20 + 37 * (i % 9), L'a' + static_cast<wchar_t>(i % 26))};
        out.push_back(r);
    }
    return out;
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t recordNumberOf(std::span<const std::uint8_t> record) {
    std::uint32_t number = 0;
    std::memcpy(&number, record.data() + 8, 4);
    return number;
}

class EmulatedEventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path root = fs::path(::testing::TempDir()) / "event_log_machine";
        fs::remove_all(root);
        std::string error;
        machine_ = emulated::Machine::create(root, emulated::MachineSettings{}, error);
        ASSERT_TRUE(machine_) << error;
        log_ = std::make_unique<emulated::EmulatedEventLog>(*machine_);
    }
    void writeLog(const std::wstring& windowsPath, std::size_t count,
                  const evt::EvtWriteOptions& options = {}) {
        std::string error;
        const auto file = evt::writeEvtFile(records(count), options, error);
        ASSERT_FALSE(file.empty()) << error;
        writeFile(machine_->hostPath(windowsPath), file);
    }
    std::vector<std::uint32_t> readAll(EventLogHandle handle, std::size_t bufferSize, long& end) {
        std::vector<std::uint32_t> numbers;
        end = readEventLogBackwards(*log_, handle, bufferSize, [&](std::span<const std::uint8_t> record) {
            numbers.push_back(recordNumberOf(record));
        });
        return numbers;
    }

    std::unique_ptr<emulated::Machine> machine_;
    std::unique_ptr<emulated::EmulatedEventLog> log_;
};

const wchar_t kApplication[] = L"C:\\windows\\system32\\config\\AppEvent.Evt";

TEST_F(EmulatedEventLogTest, ReadsTheWholeLogNewestFirstWhateverTheBufferSize) {
    // A wrapped file, so the records cross the end of the file too.
    evt::EvtWriteOptions options;
    options.fileSize = 0x8000;
    options.startOffset = 0x6000;
    writeLog(kApplication, 40, options);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t n = 40; n >= 1; --n) {
        expected.push_back(n);
    }
    std::size_t largest = 0;
    for (std::size_t i = 0; i < 40; ++i) {
        largest = std::max(largest, evt::encodeEventRecord(records(40)[i], 0).size());
    }
    for (const std::size_t size : {largest, largest + 100, std::size_t{4096}, std::size_t{65536}}) {
        long error = -1;
        const EventLogHandle handle = log_->open(L"Application", error);
        ASSERT_NE(handle, nullptr);
        long end = 0;
        EXPECT_EQ(readAll(handle, size, end), expected) << size;
        EXPECT_EQ(end, kErrorHandleEof);
        EXPECT_TRUE(log_->close(handle));
    }
}

TEST_F(EmulatedEventLogTest, ARecordLargerThanTheBufferEndsTheReading) {
    writeLog(kApplication, 5);
    long error = -1;
    const EventLogHandle handle = log_->open(L"Application", error);
    ASSERT_NE(handle, nullptr);
    const std::size_t newest = evt::encodeEventRecord(records(5)[4], 5).size();
    std::vector<std::uint8_t> buffer(newest - 1);
    std::uint32_t read = 0;
    std::uint32_t needed = 0;
    EXPECT_EQ(log_->read(handle, kEventLogSequentialRead | kEventLogBackwardsRead, 0, buffer, read, needed),
              kErrorInsufficientBuffer);
    EXPECT_EQ(needed, newest);
    long end = 0;
    EXPECT_TRUE(readAll(handle, newest - 1, end).empty());
    EXPECT_EQ(end, kErrorInsufficientBuffer);
    log_->close(handle);
}

TEST_F(EmulatedEventLogTest, LogNamesMapToTheirFiles) {
    writeLog(kApplication, 3);
    writeLog(L"C:\\windows\\system32\\config\\SysEvent.Evt", 7);
    struct Case {
        const wchar_t* name;
        std::size_t count;
    };
    for (const Case& c : {Case{L"Application", 3}, Case{L"APPLICATION", 3}, Case{L"System", 7},
                          Case{L"No Such Log", 3}, Case{L"Security", 0}}) {
        long error = -1;
        const EventLogHandle handle = log_->open(c.name, error);
        ASSERT_NE(handle, nullptr) << error;
        long end = 0;
        EXPECT_EQ(readAll(handle, 65536, end).size(), c.count);
        EXPECT_EQ(end, kErrorHandleEof);
        log_->close(handle);
    }
}

TEST_F(EmulatedEventLogTest, BackupFilesOpenByPath) {
    writeLog(L"C:\\users\\quill\\Desktop\\customer.evt", 4);
    long error = -1;
    EventLogHandle handle = log_->openBackup(L"c:\\USERS\\quill\\desktop\\CUSTOMER.EVT", error);
    ASSERT_NE(handle, nullptr) << error;
    long end = 0;
    EXPECT_EQ(readAll(handle, 65536, end), (std::vector<std::uint32_t>{4, 3, 2, 1}));
    log_->close(handle);

    EXPECT_EQ(log_->openBackup(L"C:\\users\\quill\\Desktop\\missing.evt", error), nullptr);
    EXPECT_EQ(error, kErrorFileNotFound);
    writeFile(machine_->hostPath(L"C:\\users\\quill\\Desktop\\notes.evt"), {'n', 'o', 't', 'e', 's'});
    EXPECT_EQ(log_->openBackup(L"C:\\users\\quill\\Desktop\\notes.evt", error), nullptr);
    EXPECT_EQ(error, kErrorEventlogFileCorrupt);
    // The Application log itself, damaged, cannot be opened either.
    writeFile(machine_->hostPath(kApplication), std::vector<std::uint8_t>(0x30, 0));
    EXPECT_EQ(log_->open(L"Application", error), nullptr);
    EXPECT_EQ(error, kErrorEventlogFileCorrupt);
}

TEST_F(EmulatedEventLogTest, ForwardsAndSeekReads) {
    writeLog(kApplication, 6);
    long error = -1;
    const EventLogHandle handle = log_->open(L"Application", error);
    ASSERT_NE(handle, nullptr);
    std::vector<std::uint8_t> buffer(400);
    std::uint32_t read = 0;
    std::uint32_t needed = 0;
    auto numbersIn = [&] {
        std::vector<std::uint32_t> numbers;
        forEachEventLogRecord(
            std::span<const std::uint8_t>(buffer).first(read),
            [&](std::span<const std::uint8_t> record) { numbers.push_back(recordNumberOf(record)); });
        return numbers;
    };
    ASSERT_EQ(log_->read(handle, kEventLogSequentialRead | kEventLogForwardsRead, 0, buffer, read, needed),
              kErrorSuccess);
    ASSERT_FALSE(numbersIn().empty());
    EXPECT_EQ(numbersIn().front(), 1u);
    ASSERT_EQ(log_->read(handle, kEventLogSeekRead | kEventLogBackwardsRead, 4, buffer, read, needed),
              kErrorSuccess);
    EXPECT_EQ(numbersIn().front(), 4u);
    EXPECT_EQ(log_->read(handle, kEventLogSeekRead | kEventLogForwardsRead, 99, buffer, read, needed),
              kErrorInvalidParameter);

    for (const std::uint32_t flags :
         {0u, kEventLogSequentialRead, kEventLogSequentialRead | kEventLogSeekRead | kEventLogForwardsRead,
          kEventLogSequentialRead | kEventLogForwardsRead | kEventLogBackwardsRead}) {
        EXPECT_EQ(log_->read(handle, flags, 0, buffer, read, needed), kErrorInvalidParameter) << flags;
    }
    std::vector<std::uint8_t> huge(kEventLogMaxReadBuffer + 1);
    EXPECT_EQ(log_->read(handle, kEventLogSequentialRead | kEventLogBackwardsRead, 0, huge, read, needed),
              kErrorInvalidParameter);
    EXPECT_TRUE(log_->close(handle));
    EXPECT_FALSE(log_->close(handle));
    EXPECT_EQ(log_->read(handle, kEventLogSequentialRead | kEventLogBackwardsRead, 0, buffer, read, needed),
              kErrorInvalidHandle);
}

TEST_F(EmulatedEventLogTest, AMissingApplicationLogIsEmpty) {
    long error = -1;
    const EventLogHandle handle = log_->open(L"Application", error);
    ASSERT_NE(handle, nullptr);
    long end = 0;
    EXPECT_TRUE(readAll(handle, 65536, end).empty());
    EXPECT_EQ(end, kErrorHandleEof);
    log_->close(handle);
}

#ifdef _WIN32
// A record source that keeps ReadEventLogW's contract on its own: whole
// records newest first, ERROR_INSUFFICIENT_BUFFER with the size needed,
// ERROR_HANDLE_EOF at the end.
struct FakeSource {
    std::vector<std::vector<std::uint8_t>> records; // oldest first
    std::size_t next = 0;                           // counted from the newest
    std::uint32_t lastError = 0;
    int reads = 0;

    Win32EventLogApi api() {
        Win32EventLogApi a;
        a.open = [this](const wchar_t* name) -> void* {
            if (std::wstring(name) != L"Application") {
                lastError = 1722; // RPC_S_SERVER_UNAVAILABLE
                return nullptr;
            }
            next = 0;
            return this;
        };
        a.openBackup = [this](const wchar_t*) -> void* {
            lastError = kErrorFileNotFound;
            return nullptr;
        };
        a.read = [this](void*, std::uint32_t, std::uint32_t, void* buffer, std::uint32_t size,
                        std::uint32_t* bytesRead, std::uint32_t* bytesNeeded) {
            ++reads;
            std::uint32_t filled = 0;
            while (next < records.size()) {
                const auto& r = records[records.size() - 1 - next];
                if (r.size() > size - filled) {
                    break;
                }
                std::memcpy(static_cast<std::uint8_t*>(buffer) + filled, r.data(), r.size());
                filled += static_cast<std::uint32_t>(r.size());
                ++next;
            }
            if (filled == 0) {
                if (next >= records.size()) {
                    lastError = kErrorHandleEof;
                } else {
                    lastError = kErrorInsufficientBuffer;
                    *bytesNeeded = static_cast<std::uint32_t>(records[records.size() - 1 - next].size());
                }
                return false;
            }
            *bytesRead = filled;
            return true;
        };
        a.close = [](void*) { return true; };
        a.lastError = [this] { return lastError; };
        return a;
    }
};

TEST(Win32EventLog, ReadsARecordSourceNewestFirst) {
    FakeSource source;
    for (std::size_t i = 0; i < 25; ++i) {
        source.records.push_back(evt::encodeEventRecord(records(25)[i], static_cast<std::uint32_t>(i + 1)));
    }
    const auto log = makeWin32EventLog(source.api());
    for (const std::size_t size : {std::size_t{800}, std::size_t{65536}}) {
        long error = -1;
        const EventLogHandle handle = log->open(L"Application", error);
        ASSERT_NE(handle, nullptr);
        source.reads = 0;
        std::vector<std::uint32_t> numbers;
        EXPECT_EQ(readEventLogBackwards(
                      *log, handle, size,
                      [&](std::span<const std::uint8_t> r) { numbers.push_back(recordNumberOf(r)); }),
                  kErrorHandleEof);
        ASSERT_EQ(numbers.size(), 25u) << size;
        EXPECT_EQ(numbers.front(), 25u);
        EXPECT_EQ(numbers.back(), 1u);
        EXPECT_GT(source.reads, size == 800 ? 2 : 1);
        EXPECT_TRUE(log->close(handle));
    }
    long error = 0;
    EXPECT_EQ(log->open(L"Other", error), nullptr);
    EXPECT_EQ(error, 1722);
    EXPECT_EQ(log->openBackup(L"C:\\x.evt", error), nullptr);
    EXPECT_EQ(error, kErrorFileNotFound);
}

TEST(Win32EventLog, ARecordLargerThanTheBufferReportsItsSize) {
    FakeSource source;
    source.records.push_back(evt::encodeEventRecord(records(1)[0], 1));
    const auto log = makeWin32EventLog(source.api());
    long error = -1;
    const EventLogHandle handle = log->open(L"Application", error);
    std::vector<std::uint8_t> buffer(60);
    std::uint32_t read = 0;
    std::uint32_t needed = 0;
    EXPECT_EQ(log->read(handle, kEventLogSequentialRead | kEventLogBackwardsRead, 0, buffer, read, needed),
              kErrorInsufficientBuffer);
    EXPECT_EQ(needed, source.records[0].size());
}

TEST(Win32EventLog, TheSystemsLogCanBeReadToItsEnd) {
    // Whatever the system holds (nothing under Wine), the reading ends.
    const auto log = makeWin32EventLog();
    long error = -1;
    const EventLogHandle handle = log->open(L"Application", error);
    if (handle == nullptr) {
        GTEST_SKIP() << "the system's Application log cannot be opened: " << error;
    }
    std::size_t count = 0;
    const long end =
        readEventLogBackwards(*log, handle, 65536, [&](std::span<const std::uint8_t>) { ++count; });
    EXPECT_NE(end, kErrorSuccess);
    log->close(handle);
    std::cout << "system Application log: " << count << " records, reading ended with " << end << "\n";
}
#endif

} // namespace
