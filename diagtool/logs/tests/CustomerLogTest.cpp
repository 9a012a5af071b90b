// Customer logs (.evt and .evtx) on an emulated machine that has the
// service's message file and no other: every source listed newest first,
// offline descriptions that keep what the customer sent, damaged and foreign
// files, cancelling, the status line, and the real System logs.
#include "diagtool/logs/CustomerLog.h"

#include "EvtxWriter.h"
#include "platform/RegistryData.h"
#include "platform/System.h"
#include "platform/formats/EvtFile.h"
#include "platform/formats/PeImage.h"
#include "platform/formats/PeWriter.h"
#include "platform/machine/EmulatedSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace qmplatform;
namespace w = qmplatform::evtx::testing;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t kMessageFile[] = L"C:\\Program Files\\Common Files\\Quillmark\\QMSvcMsg.dll";
constexpr char kMissing[] = " cannot be found: this computer has no message file for the source.";

class CustomerLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto root = fs::path(::testing::TempDir()) / "qm_customer_log";
        fs::remove_all(root);
        std::string error;
        ASSERT_TRUE(emulated::Machine::create(root, {}, error)) << error;
        system_ = emulated::makeEmulatedSystem(root, {}, error);
        ASSERT_TRUE(system_) << error;
        const auto image = pe::writeResourceImage(
            {{pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409,
              pe::writeMessageTable({{0x40000064u, L"The %1 service started.\r\n"}})}});
        const auto path = system_->machine().hostPath(kMessageFile);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        // Registered for the Application log only: a System log's record of
        // the same source finds no message file.
        std::unique_ptr<RegistryKey> key;
        ASSERT_EQ(system_->registry().createKey(RegRoot::LocalMachine,
                                                std::wstring(kEventLogSourcesKey) +
                                                    L"Application\\QuillmarkService",
                                                RegAccess::AllAccess, key),
                  kErrorSuccess);
        ASSERT_EQ(key->setValue(kEventMessageFileValue, kRegSz, regSzData(kMessageFile)), kErrorSuccess);
    }

    CustomerLog read(const std::vector<std::uint8_t>& file) {
        EventLogReader reader(*system_);
        CustomerLog log;
        std::string error;
        EXPECT_EQ(readCustomerLog(reader, file, log, error), CustomerLogRead::Read) << error;
        return log;
    }

    static std::vector<std::uint8_t> readHostFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::unique_ptr<emulated::EmulatedSystem> system_;
};

TEST_F(CustomerLogTest, EvtxRecordsOfEverySourceNewestFirstWithOfflineDescriptions) {
    std::vector<w::Event> events(4);
    events[0].provider = L"QuillmarkService";
    events[0].eventId = 0x64;
    events[0].qualifiers = 0x4000;
    events[0].data = {{L"", w::text(L"QuillmarkService")}};
    events[1].provider = L"Microsoft-Windows-Winlogon";
    events[1].eventSourceName = L"Wlclntfy";
    events[1].eventId = 6000;
    events[1].level = 2;
    events[1].timeCreated += 20000000; // the newest, though not the last
    events[1].data = {{L"", w::text(L"WSearch")}, {L"Binary", w::binary({0xD9, 6})}};
    events[2].provider = L"Microsoft-Windows-Kernel-General";
    events[2].timeCreated += 10000000;
    events[2].data = {{L"MajorVersion", w::number(evtx::kTypeUInt16, 10)}};
    // The same source in the System log: its message file is registered
    // for the Application log only.
    events[3] = events[0];
    events[3].channel = L"System";
    const CustomerLog log = read(w::writeEvtx(events));
    ASSERT_EQ(log.rows.size(), 4u);
    EXPECT_EQ(log.rows[0].source, "Wlclntfy");
    EXPECT_EQ(log.rows[0].type, "Error");
    EXPECT_EQ(log.rows[0].id, "6000");
    EXPECT_EQ(
        log.rows[0].description,
        std::string("The description of event ID 6000 from source Wlclntfy") + kMissing +
            " The log may come from another computer, or the program that logs the event is not installed "
            "here.\n\nThe event carries:\nWSearch\nBinary: D906");
    EXPECT_FALSE(log.rows[0].quillmark);
    EXPECT_EQ(log.rows[1].source, "Microsoft-Windows-Kernel-General");
    EXPECT_NE(log.rows[1].description.find("carries:\nMajorVersion: 10"), std::string::npos);
    // Equal times: the record logged later comes first.
    EXPECT_EQ(log.rows[2].source, "QuillmarkService");
    EXPECT_NE(log.rows[2].description.find(kMissing), std::string::npos) << log.rows[2].description;
    EXPECT_EQ(log.rows[3].id, "100"); // as Event Viewer numbers it, without the qualifiers
    EXPECT_EQ(log.rows[3].description, "The QuillmarkService service started.\r\n");
    EXPECT_TRUE(log.rows[3].quillmark);
    EXPECT_EQ(log.chunksSkipped, 0u);
    EXPECT_TRUE(log.problems.empty());
}

TEST_F(CustomerLogTest, EvtRecordsKeepTheirInsertionStringsWhenTheMessageFileIsMissing) {
    evt::EventRecordSpec scm;
    scm.sourceName = L"Service Control Manager";
    scm.eventId = 0x40001B7D;
    scm.eventType = kEventTypeInformation;
    scm.strings = {L"Quillmark Service", L"running"};
    evt::EventRecordSpec bare = scm;
    bare.timeGenerated = 60;
    bare.strings.clear();
    std::string error;
    const CustomerLog log = read(evt::writeEvtFile(std::vector{scm, bare}, {}, error));
    ASSERT_EQ(log.rows.size(), 2u);
    EXPECT_EQ(log.rows[1].source, "Service Control Manager");
    const std::string& d = log.rows[1].description;
    EXPECT_EQ(d.rfind("The description of event ID 7037 from source Service Control Manager" +
                          std::string(kMissing),
                      0),
              0u)
        << d;
    EXPECT_NE(d.find("\n\nThe event carries:\nQuillmark Service\nrunning"), std::string::npos) << d;
    EXPECT_NE(log.rows[0].description.find("\n\nThe event carries no further text."), std::string::npos);
}

TEST_F(CustomerLogTest, DamagedForeignAndCancelledFiles) {
    std::vector<w::Event> events(40);
    std::vector<std::uint8_t> file = w::writeEvtx(events, {.recordsPerChunk = 20});
    file[w::chunkOffset(0)] = 'X';
    const CustomerLog log = read(file);
    EXPECT_EQ(log.rows.size(), 20u);
    EXPECT_EQ(log.chunksSkipped, 1u);
    ASSERT_EQ(log.problems.size(), 1u);
    EXPECT_EQ(log.problems[0], "chunk 0 at 0x1000: no chunk signature; skipped");

    // A file that is no log leaves what was read before as it was.
    EventLogReader reader(*system_);
    CustomerLog out = log;
    std::string error;
    EXPECT_EQ(readCustomerLog(reader, std::vector<std::uint8_t>(100, 'x'), out, error),
              CustomerLogRead::NotALog);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(out.rows.size(), 20u);

    std::vector<double> shares;
    EXPECT_EQ(readCustomerLog(reader, w::writeEvtx(events, {.recordsPerChunk = 10}), out, error,
                              [&](double share) {
                                  shares.push_back(share);
                                  return shares.size() < 2;
                              }),
              CustomerLogRead::Cancelled);
    EXPECT_EQ(shares, (std::vector<double>{0.25, 0.5}));
    EXPECT_EQ(out.rows.size(), 20u);

    // A .evt file is asked about every 500 records.
    std::vector<evt::EventRecordSpec> records(1200);
    for (auto& r : records)
        r.sourceName = L"Disk";
    shares.clear();
    EXPECT_EQ(readCustomerLog(reader, evt::writeEvtFile(records, {}, error), out, error,
                              [&](double share) {
                                  shares.push_back(share);
                                  return shares.size() < 2;
                              }),
              CustomerLogRead::Cancelled);
    EXPECT_EQ(shares, (std::vector<double>{500.0 / 1200, 1000.0 / 1200}));
    EXPECT_EQ(out.rows.size(), 20u);
}

TEST(CustomerLogText, StatusLineSaysWhatIsShownAndWhatWasLeftOut) {
    EXPECT_EQ(statusLine({.shown = 0, .total = 6063, .scope = SourceScope::QuillmarkService}),
              "0 of 6063 records (source: QuillmarkService)");
    EXPECT_EQ(
        statusLine({.shown = 12, .total = 6063, .scope = SourceScope::AllSources, .origin = "SysEvent.Evt"}),
        "12 of 6063 records (source: all) in SysEvent.Evt");
    EXPECT_EQ(statusLine({.shown = 267, .total = 267, .scope = SourceScope::AllSources, .chunksSkipped = 2}),
              "267 of 267 records (source: all); 2 damaged chunks skipped");
    EXPECT_EQ(statusLine({.shown = 1,
                          .total = 1,
                          .scope = SourceScope::AllSources,
                          .chunksSkipped = 1,
                          .recordsSkipped = 1}),
              "1 of 1 records (source: all); 1 damaged chunk skipped; 1 damaged record skipped");
    // A file that could not be read: the reason, then what is still listed.
    EXPECT_EQ(statusLine({.shown = 2,
                          .total = 3,
                          .scope = SourceScope::AllSources,
                          .origin = "customer.evt",
                          .problem = "notes.evt cannot be read: no log"}),
              "notes.evt cannot be read: no log; still listed: 2 of 3 records (source: all) in customer.evt");
    EXPECT_EQ(statusLine({.problem = "notes.evt cannot be read: no log"}),
              "notes.evt cannot be read: no log");
}

TEST(CustomerLogText, DescriptionsShowAsOneLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"The service started.\r\n", "The service started."},
        {"a\r\nb\nc\rd", "a b c d"},
        {"paragraph.\n\nThe event carries:\nx", "paragraph. The event carries: x"},
        {"\n\n", ""},
        {"no breaks", "no breaks"},
        {"trailing blanks \r\n \r\n", "trailing blanks"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(oneLine(in), out) << in;
}

// The real logs of ../shared/data: the System logs of two machines, neither
// with a record of the service.
TEST_F(CustomerLogTest, TheRealSystemLogsListEveryRecordWithItsSourceAndNoneOfTheService) {
    const std::pair<const char*, std::size_t> files[] = {{"evt/SysEvent.Evt", 6063},
                                                         {"evtx/system.evtx", 1881}};
    for (const auto& [name, count] : files) {
        const fs::path path = fs::path(QM_SHARED_DATA_DIR) / name;
        if (!fs::exists(path))
            GTEST_SKIP() << "missing " << path.string();
        const CustomerLog log = read(readHostFile(path));
        EXPECT_EQ(log.rows.size(), count) << name;
        EXPECT_EQ(log.chunksSkipped, 0u) << name;
        EXPECT_TRUE(std::all_of(log.rows.begin(), log.rows.end(), [](const EventLogRecord& r) {
            return !r.source.empty() && !r.description.empty();
        })) << name;
        const auto service = std::count_if(log.rows.begin(), log.rows.end(), [](const EventLogRecord& r) {
            return inScope(r, SourceScope::QuillmarkService);
        });
        EXPECT_EQ(service, 0) << name;
        EXPECT_EQ(statusLine({.shown = static_cast<std::size_t>(service),
                              .total = log.rows.size(),
                              .scope = SourceScope::QuillmarkService,
                              .origin = fs::path(name).filename().string()}),
                  "0 of " + std::to_string(count) + " records (source: QuillmarkService) in " +
                      fs::path(name).filename().string());
    }
}

TEST_F(CustomerLogTest, TheRealDamagedLogSaysWhatItSkipped) {
    const fs::path path = fs::path(QM_SHARED_DATA_DIR) / "evtx/sample_with_a_bad_chunk_magic.evtx";
    if (!fs::exists(path))
        GTEST_SKIP() << "missing " << path.string();
    const CustomerLog log = read(readHostFile(path));
    EXPECT_EQ(log.rows.size(), 267u);
    EXPECT_EQ(log.chunksSkipped, 2u);
    EXPECT_NE(std::find(log.problems.begin(), log.problems.end(),
                        "chunk 6 at 0x61000: no chunk signature; skipped"),
              log.problems.end());
    EXPECT_EQ(statusLine({.shown = log.rows.size(),
                          .total = log.rows.size(),
                          .scope = SourceScope::AllSources,
                          .chunksSkipped = log.chunksSkipped}),
              "267 of 267 records (source: all); 2 damaged chunks skipped");
}

} // namespace
