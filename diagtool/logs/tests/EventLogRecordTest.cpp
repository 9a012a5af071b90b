// The service's events out of the Application log of an emulated machine:
// which sources are listed, in which order, and how each column reads,
// down to every way a description can fail.
#include "diagtool/logs/EventLogRecord.h"
#include "FailingSystem.h"

#include "platform/RegistryData.h"
#include "platform/System.h"
#include "platform/formats/EvtFile.h"
#include "platform/formats/PeImage.h"
#include "platform/formats/PeWriter.h"
#include "platform/machine/EmulatedSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>

using namespace qmplatform;

namespace {

constexpr wchar_t kMessageFile[] = L"C:\\Program Files\\Common Files\\Quillmark\\QMSvcMsg.dll";
constexpr std::uint32_t kStarted = 0x40000064u;
constexpr std::uint32_t kJobFailed = 0xC0000067u;
constexpr std::uint32_t kManyInserts = 0x40000070u;
constexpr std::uint32_t kNotInTable = 0xC000012Cu;

evt::EventRecordSpec event(const wchar_t* source, std::uint32_t id, std::uint16_t type,
                           std::vector<std::wstring> strings = {}) {
    static std::uint32_t clock = 1793606400u;
    evt::EventRecordSpec r;
    r.timeGenerated = r.timeWritten = clock += 60;
    r.sourceName = source;
    r.eventId = id;
    r.eventType = type;
    r.strings = std::move(strings);
    return r;
}

class EventLogReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto root = std::filesystem::path(::testing::TempDir()) / "qm_eventlog_reader";
        std::filesystem::remove_all(root);
        std::string error;
        auto machine = emulated::Machine::create(root, {}, error);
        ASSERT_TRUE(machine) << error;
        system_ = emulated::makeEmulatedSystem(root, {}, error);
        ASSERT_TRUE(system_) << error;
        writeMessageFile();
        registerSource(L"QuillmarkService", kRegExpandSz, L"%CommonProgramFiles%\\Quillmark\\QMSvcMsg.dll");
        // Registered, but without a message file.
        registerSource(L"QuillmarkServiceMonitor", kRegNone, L"");
        registerSource(L"Old QuillmarkService", kRegSz, std::wstring(kMessageFile) + L";" + kMessageFile);
    }

    void writeMessageFile() {
        const auto table = pe::writeMessageTable({
            {kStarted, L"The %1 service started.\r\n"},
            {kJobFailed, L"Print job %1 failed with error %2: %3\r\n"},
            {kManyInserts, L"[%16][%17]\r\n"},
        });
        const auto image = pe::writeResourceImage(
            {{pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409, table}});
        writeHost(kMessageFile, image);
    }

    void registerSource(const std::wstring& source, std::uint32_t type, const std::wstring& file) {
        std::unique_ptr<RegistryKey> key;
        ASSERT_EQ(system_->registry().createKey(RegRoot::LocalMachine,
                                                std::wstring(kEventLogSourcesKey) + L"Application\\" + source,
                                                RegAccess::AllAccess, key),
                  kErrorSuccess);
        if (type != kRegNone) {
            ASSERT_EQ(key->setValue(kEventMessageFileValue, type, regSzData(file)), kErrorSuccess);
        }
    }

    void writeHost(std::wstring_view windowsPath, const std::vector<std::uint8_t>& bytes) {
        const auto path = system_->machine().hostPath(windowsPath);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<std::uint8_t> evtFile(const std::vector<evt::EventRecordSpec>& records) {
        std::string error;
        auto file = evt::writeEvtFile(records, {}, error);
        EXPECT_FALSE(file.empty()) << error;
        return file;
    }

    void writeLog(const std::vector<evt::EventRecordSpec>& records) {
        writeHost(L"C:\\windows\\system32\\config\\AppEvent.Evt", evtFile(records));
    }

    std::vector<EventLogRecord> scan() {
        EventLogReader reader(*system_);
        std::vector<EventLogRecord> out{{"stale", "", "", "", "", false}};
        EXPECT_EQ(reader.readApplicationLog(out), EventLogReader::Status::Read);
        return out;
    }

    std::unique_ptr<emulated::EmulatedSystem> system_;
};

TEST_F(EventLogReaderTest, ListsSourcesContainingTheServiceNameNewestFirst) {
    writeLog(
        {event(L"QuillmarkService", kStarted, kEventTypeInformation, {L"QuillmarkService"}),
         event(L"Service Control Manager", 0x40001B7Du, kEventTypeInformation),
         event(L"QuillmarkServiceMonitor", 1, kEventTypeWarning),
         event(L"quillmarkservice", kStarted, kEventTypeInformation),
         event(L"QuillmarkService", kJobFailed, kEventTypeError, {L"17", L"0x231", L"drive not ready"})});
    const auto records = scan();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].id, std::to_string(kJobFailed));
    EXPECT_EQ(records[0].type, "Error");
    EXPECT_EQ(records[0].description, "Print job 17 failed with error 0x231: drive not ready\r\n");
    EXPECT_EQ(records[1].id, "1");
    EXPECT_EQ(records[1].type, "Warning");
    EXPECT_EQ(records[2].description, "The QuillmarkService service started.\r\n");
    EXPECT_EQ(records[2].type, "Information");
}

TEST_F(EventLogReaderTest, IdsAreUnsignedDecimalAndTypesFromTheTable) {
    const std::uint16_t types[] = {0, 1, 2, 3, 4, 8, 16, 32, 0xFFFF};
    std::vector<evt::EventRecordSpec> specs;
    for (std::uint16_t t : types)
        specs.push_back(event(L"QuillmarkService", 0xC0000000u + t, t));
    writeLog(specs);
    const auto records = scan();
    ASSERT_EQ(records.size(), std::size(types));
    const char* expected[] = {"Unknown ", "Unknown ", "Audit failure", "Audit success", "Information",
                              "Unknown ", "Warning",  "Error",         "Unknown "};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].type, expected[i]) << i;
        EXPECT_EQ(records[i].id, std::to_string(0xC0000000ull + types[std::size(types) - 1 - i]));
    }
    EXPECT_EQ(records.back().id, "3221225472");
}

TEST_F(EventLogReaderTest, EveryFailureOnTheWayToTheTextIsAnEmptyDescription) {
    writeLog({event(L"QuillmarkService", kNotInTable, kEventTypeError, {L"x"}),
              event(L"QuillmarkServiceMonitor", kStarted, kEventTypeInformation, {L"x"}),
              event(L"QuillmarkService (unregistered)", kStarted, kEventTypeInformation, {L"x"}),
              event(L"Old QuillmarkService", kStarted, kEventTypeInformation, {L"x"})});
    const auto records = scan();
    ASSERT_EQ(records.size(), 4u);
    for (const EventLogRecord& r : records) {
        EXPECT_EQ(r.description, "") << r.id;
        EXPECT_FALSE(r.time.empty());
    }
}

TEST_F(EventLogReaderTest, OnlyTheFirstSixteenStringsAreInserted) {
    std::vector<std::wstring> strings;
    for (int i = 1; i <= 20; ++i)
        strings.push_back(L"s" + std::to_wstring(i));
    writeLog({event(L"QuillmarkService", kManyInserts, kEventTypeInformation, strings),
              event(L"QuillmarkService", kJobFailed, kEventTypeError, {L"only one"})});
    const auto records = scan();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].description, "Print job only one failed with error : \r\n");
    EXPECT_EQ(records[1].description, "[s16][]\r\n");
}

TEST_F(EventLogReaderTest, ReadsLogsLongerThanOneBufferWithoutLosingRecords) {
    std::vector<evt::EventRecordSpec> specs;
    for (int i = 0; i < 700; ++i) {
        specs.push_back(event(i % 3 ? L"QuillmarkService" : L"Other",
                              kStarted + static_cast<std::uint32_t>(i % 2), kEventTypeInformation,
                              {std::wstring(40 + 31 * (i % 7), L'a')}));
    }
    writeLog(specs);
    const auto records = scan();
    ASSERT_EQ(records.size(), 466u);
    // Newest first: the last service record written (i = 698, even id) leads.
    EXPECT_EQ(records.front().id, std::to_string(kStarted));
    EXPECT_EQ(records.back().id, std::to_string(kStarted + 1)); // i = 1
    EXPECT_EQ(records[0].description.rfind("The aaaa", 0), 0u);
}

TEST_F(EventLogReaderTest, SavedLogsListNewestFirstWithThisMachinesTexts) {
    const auto file = evtFile({event(L"QuillmarkService", kStarted, kEventTypeInformation, {L"A"}),
                               event(L"Other", kStarted, kEventTypeInformation, {L"B"}),
                               event(L"QuillmarkService", kStarted, kEventTypeWarning, {L"C"})});
    EventLogReader reader(*system_);
    std::vector<EventLogRecord> out;
    std::string error;
    ASSERT_TRUE(reader.readSavedLog(file, out, error)) << error;
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].description, "The C service started.\r\n");
    EXPECT_EQ(out[1].description, "The A service started.\r\n");
    // Every record counts toward what the page says it walked; each listed
    // one names its source.
    EXPECT_EQ(reader.recordsSeen(), 3u);
    EXPECT_EQ(out[0].source, "QuillmarkService");
    EXPECT_TRUE(out[0].quillmark);

    const std::vector<std::uint8_t> notALog(200, 0x41);
    out = {{"stale", "", "", "", "", false}};
    EXPECT_FALSE(reader.readSavedLog(notALog, out, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(out.empty());
}

TEST_F(EventLogReaderTest, ALogThatCannotBeOpenedLeavesNothingFromTheLastScan) {
    writeLog({event(L"QuillmarkService", kStarted, kEventTypeInformation, {L"A"})});
    FailingSystem failing(*system_);
    EventLogReader reader(failing);
    std::vector<EventLogRecord> out;
    ASSERT_EQ(reader.readApplicationLog(out), EventLogReader::Status::Read);
    ASSERT_EQ(out.size(), 1u);

    failing.eventLogRefused = true;
    EXPECT_EQ(reader.readApplicationLog(out), EventLogReader::Status::CannotOpen);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(failing.eventLogOpens, 2);
}

TEST_F(EventLogReaderTest, AnEmptyLogListsNothing) {
    EXPECT_TRUE(scan().empty());
}

// The same descriptions from the system the program would run on: under
// Wine (the Windows lane sets QM_REAL_SYSTEM) the source key, the expansion
// of its message file path, the loading and FormatMessageW are Windows' own.
TEST(RealSystemEventLog, DescribesAsTheEmulatedMachineDoes) {
    const char* real = std::getenv("QM_REAL_SYSTEM");
    if (real == nullptr || *real == '\0') {
        GTEST_SKIP() << "runs against the real system only (QM_REAL_SYSTEM)";
    }
    std::string error;
    const std::unique_ptr<System> system = makeDefaultSystem(error);
    ASSERT_TRUE(system) << error;

    const std::wstring folder = system->environment().expand(L"%TEMP%\\qm_event_log_reader");
    const auto table = pe::writeMessageTable({
        {kJobFailed, L"Print job %1 failed with error %2: %3\r\n"},
        {kManyInserts, L"[%16][%17]\r\n"},
    });
    const auto image = pe::writeResourceImage(
        {{pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409, table}});
    ASSERT_TRUE(system->files().replaceFile(folder + L"\\QMSvcMsg.dll", image));

    const std::wstring sources = std::wstring(kEventLogSourcesKey) + kApplicationLog + L"\\";
    const std::wstring registered = L"QuillmarkService (reader test)";
    const std::wstring listed = L"QuillmarkService (reader test, two files)";
    const auto registerSource = [&](const std::wstring& source, std::uint32_t type,
                                    const std::wstring& file) {
        std::unique_ptr<RegistryKey> key;
        ASSERT_EQ(
            system->registry().createKey(RegRoot::LocalMachine, sources + source, RegAccess::AllAccess, key),
            kErrorSuccess);
        ASSERT_EQ(key->setValue(kEventMessageFileValue, type, regSzData(file)), kErrorSuccess);
    };
    registerSource(registered, kRegExpandSz, L"%TEMP%\\qm_event_log_reader\\QMSvcMsg.dll");
    registerSource(listed, kRegSz, folder + L"\\QMSvcMsg.dll;" + folder + L"\\QMSvcMsg.dll");

    const auto view = [](const std::wstring& source, std::uint32_t id, std::vector<std::wstring> strings) {
        EventLogRecordView v;
        v.sourceName = source;
        v.eventId = id;
        v.strings = std::move(strings);
        return v;
    };
    std::vector<std::wstring> twenty;
    for (int i = 1; i <= 20; ++i)
        twenty.push_back(L"s" + std::to_wstring(i));
    EventLogReader reader(*system);
    EXPECT_EQ(reader.describe(view(registered, kJobFailed, {L"17", L"0x231", L"drive not ready"})),
              "Print job 17 failed with error 0x231: drive not ready\r\n");
    EXPECT_EQ(reader.describe(view(registered, kJobFailed, {L"only one"})),
              "Print job only one failed with error : \r\n");
    EXPECT_EQ(reader.describe(view(registered, kManyInserts, twenty)), "[s16][]\r\n");
    EXPECT_EQ(reader.describe(view(registered, kNotInTable, {})), "");
    EXPECT_EQ(reader.describe(view(listed, kJobFailed, {L"x"})), "");
    EXPECT_EQ(reader.describe(view(L"QuillmarkService (never registered)", kJobFailed, {L"x"})), "");

    // Whatever the system's own log holds, reading it ends.
    std::vector<EventLogRecord> records;
    EXPECT_EQ(reader.readApplicationLog(records), EventLogReader::Status::Read);
    std::cout << "real Application log: " << records.size() << " service records\n";

    EXPECT_EQ(system->registry().deleteKey(RegRoot::LocalMachine, sources + registered), kErrorSuccess);
    EXPECT_EQ(system->registry().deleteKey(RegRoot::LocalMachine, sources + listed), kErrorSuccess);
}

TEST(EventTypeNames, AreUnique) {
    for (std::size_t i = 0; i < std::size(kEventTypeNames); ++i) {
        for (std::size_t j = i + 1; j < std::size(kEventTypeNames); ++j) {
            EXPECT_NE(kEventTypeNames[i].type, kEventTypeNames[j].type);
            EXPECT_STRNE(kEventTypeNames[i].name, kEventTypeNames[j].name);
        }
    }
}

TEST(EventTime, IsTheLocalDateAndTimeWithinTheBuffer) {
    const std::string early = formatEventTime(1793606400u); // 2026-11-02 08:00 UTC
    const std::string late = formatEventTime(0xFFFFFFFFu);  // 2106-02-07
    EXPECT_FALSE(early.empty());
    EXPECT_LE(early.size(), kMaxTimeChars);
    EXPECT_NE(early, late);
    EXPECT_NE(early.find("26"), std::string::npos);
}

// The formatter of a read makes the same texts as formatEventTime, across
// minutes, hours, days and back in time.
void expectSameTimeTexts(std::uint32_t from) {
    EventTimeFormatter formatter;
    for (std::uint32_t s : {from, from + 1, from + 59, from + 60, from + 61, from + 3599, from + 3600, from + 86399,
                            from + 86400, from + 59, from - 1, from + 31 * 86400 + 17})
        EXPECT_EQ(formatter.format(s), formatEventTime(s)) << s;
}

TEST(EventTime, TheReadsFormatterMakesTheSameTexts) {
    expectSameTimeTexts(1793606400u); // 2026-11-02 08:00 UTC
    expectSameTimeTexts(1774746000u); // 2026-03-29 01:00 UTC, summer time starts in Europe
    expectSameTimeTexts(0xFFFFFFFFu - 40 * 86400);
}

#ifndef _WIN32
// Also in zones of the system's zone files: one with summer time, and one
// whose offset had seconds (Monrovia until 1972, UTC-0:44:30).
TEST(EventTime, TheReadsFormatterFollowsTheZone) {
    if (!std::filesystem::exists("/usr/share/zoneinfo/Africa/Monrovia") ||
        !std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin"))
        GTEST_SKIP() << "no zone files on this machine";
    const char* zone = std::getenv("TZ");
    const std::string before = zone ? zone : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    expectSameTimeTexts(1774746000u - 30);
    setenv("TZ", "Africa/Monrovia", 1);
    tzset();
    expectSameTimeTexts(31536000u + 17); // 1971
    EventTimeFormatter formatter;
    const std::string text = formatter.format(31536000u);
    EXPECT_NE(text.find(":15:30"), std::string::npos) << text;
    if (zone)
        setenv("TZ", before.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

TEST(QuillmarkSource, IsACaseSensitiveSubstring) {
    EXPECT_TRUE(isQuillmarkSource(L"QuillmarkService"));
    EXPECT_TRUE(isQuillmarkSource(L"MyQuillmarkService2"));
    EXPECT_FALSE(isQuillmarkSource(L"quillmarkservice"));
    EXPECT_FALSE(isQuillmarkSource(L"QuillmarkServic"));
    EXPECT_FALSE(isQuillmarkSource(L""));
}

} // namespace
