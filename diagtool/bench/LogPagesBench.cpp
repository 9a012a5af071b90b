// The two log pages against what they cannot avoid doing, on one emulated
// machine made here:
//   errorfiles/: 2,000 XML logs of 50 entries each; the page's scan (read,
//     build the entries, fill the flat tree, live progress) against a bare
//     QDomDocument parse of the same files.
//   eventlog/: a 50,000-record Application log (about 20 MB, written by the
//     project's .evt writer); the page's scan against a bare backwards walk
//     that formats each record's description once.
//   evtx/: a 50,000-record .evtx file a customer sent (the platform tests'
//     writer; four sources, one with a message file here): the page core's
//     read (every row with its time, source and description, newest first)
//     and the whole page's open (the core, then the tree) against a bare
//     walk of the file with the platform's reader.
#include "ErrorFilesTreeWidget.h"
#include "ErrorFilesWidget.h"
#include "EventLogView.h"
#include "EventLogWidget.h"
#include "MessagePrompter.h"
#include "RatioReporter.h"

#include "EvtxWriter.h"
#include "diagtool/logs/CustomerLog.h"

#include "platform/RegistryData.h"
#include "platform/formats/EvtFile.h"
#include "platform/formats/PeImage.h"
#include "platform/formats/PeWriter.h"
#include "platform/machine/EmulatedSystem.h"

#include <QApplication>
#include <QDomDocument>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace qmplatform;

namespace {

constexpr int kLogFiles = 2000;
constexpr int kEntriesPerFile = 50;
constexpr int kEvents = 50000;
constexpr wchar_t kLogFolder[] = L"C:\\Program Files\\Common Files\\Quillmark\\log";

class SilentPrompter final : public MessagePrompter {
public:
    void warning(QWidget*, const QString&, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, QString*) override {
        return {};
    }
};

void writeHost(const fs::path& path, const void* data, std::size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string logFile(int file) {
    std::string xml = "<?xml version=\"1.0\"?>\n<QMLog>\n";
    for (int e = 0; e < kEntriesPerFile; ++e) {
        const std::string n = std::to_string(file * kEntriesPerFile + e);
        if (e % 3 == 0) {
            xml +=
                "  <Error><Time>2026-11-02 08:" + n +
                "</Time><Category>LabelingAPI</Category><ErrorInfo>"
                "<Context>CQMDrive::Burn</Context><ExternalErrorNum>0x80040231</ExternalErrorNum>"
                "<InternalErrorNum>4268</InternalErrorNum><ErrorMessage>Writing to the service pipe failed "
                "(" +
                n + ").</ErrorMessage></ErrorInfo></Error>\n";
        } else {
            xml += "  <Info><Time>2026-11-02 08:" + n + "</Time><Category>Service</Category><ErrorInfo>Job " +
                   n + " finished on drive E:.</ErrorInfo></Info>\n";
        }
    }
    return xml + "</QMLog>\n";
}

struct Fixture {
    Fixture() {
        root = fs::temp_directory_path() / "qm_diagtool_logs_bench";
        fs::remove_all(root);
        std::string error;
        emulated::Machine::create(root, {}, error);
        system = emulated::makeEmulatedSystem(root, {}, error);
        if (!system)
            throw std::runtime_error(error);
        for (int f = 0; f < kLogFiles; ++f) {
            const std::string xml = logFile(f);
            const fs::path host =
                system->machine().hostPath(std::wstring(kLogFolder) + L"\\QM" + std::to_wstring(f) + L".xml");
            writeHost(host, xml.data(), xml.size());
            logPaths.push_back(host);
        }
        const auto table =
            pe::writeMessageTable({{0x40000064u, L"The %1 service started.\r\n"},
                                   {0xC0000067u, L"Print job %1 failed with error %2: %3\r\n"}});
        const auto image = pe::writeResourceImage(
            {{pe::resourceNumber(pe::kRtMessageTable), pe::resourceNumber(1), 0x0409, table}});
        writeHost(system->machine().hostPath(L"C:\\Program Files\\Common Files\\Quillmark\\QMSvcMsg.dll"),
                  image.data(), image.size());
        std::unique_ptr<RegistryKey> key;
        system->registry().createKey(
            RegRoot::LocalMachine,
            L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\QuillmarkService",
            RegAccess::AllAccess, key);
        key->setValue(L"EventMessageFile", kRegExpandSz,
                      regSzData(L"%CommonProgramFiles%\\Quillmark\\QMSvcMsg.dll"));
        std::vector<evt::EventRecordSpec> records;
        for (int i = 0; i < kEvents; ++i) {
            evt::EventRecordSpec r;
            r.timeGenerated = r.timeWritten = 1793606400u + static_cast<std::uint32_t>(i);
            r.sourceName = i % 5 == 4 ? L"Service Control Manager" : L"QuillmarkService";
            r.eventId = i % 2 ? 0xC0000067u : 0x40000064u;
            r.eventType = i % 2 ? kEventTypeError : kEventTypeInformation;
            r.strings = {std::to_wstring(i), L"0x231", std::wstring(120, L'd')};
            r.data.assign(48, 0x5A);
            records.push_back(r);
        }
        const auto file = evt::writeEvtFile(records, {}, error);
        writeHost(system->machine().hostPath(L"C:\\windows\\system32\\config\\AppEvent.Evt"), file.data(),
                  file.size());
        std::fprintf(stderr, "event log: %.1f MB\n", double(file.size()) / 1e6);

        namespace w = evtx::testing;
        const wchar_t* const sources[] = {L"QuillmarkService", L"Service Control Manager", L"Disk", L"Tcpip"};
        std::vector<w::Event> events(kEvents);
        for (int i = 0; i < kEvents; ++i) {
            w::Event& e = events[static_cast<std::size_t>(i)];
            e.provider = sources[i % 4];
            e.eventId = i % 2 ? 0x67 : 0x64;
            e.qualifiers = i % 2 ? 0xC000 : 0x4000;
            e.level = i % 2 ? 2 : 4;
            e.timeCreated += static_cast<std::uint64_t>(i) * 10000000;
            e.data = {{L"", w::text(std::to_wstring(i))},
                      {L"", w::text(L"0x231")},
                      {L"", w::text(std::wstring(120, L'd'))}};
        }
        evtxBytes = w::writeEvtx(events);
        evtxPath = root / "customer.evtx";
        writeHost(evtxPath, evtxBytes.data(), evtxBytes.size());
        std::fprintf(stderr, "evtx file: %.1f MB\n", double(evtxBytes.size()) / 1e6);
    }
    fs::path root;
    std::unique_ptr<emulated::EmulatedSystem> system;
    std::vector<fs::path> logPaths;
    std::vector<std::uint8_t> evtxBytes;
    fs::path evtxPath;
    SilentPrompter prompter;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void ErrorFilesBaseline(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        QDomDocument document;
        int elements = 0;
        for (const fs::path& path : f.logPaths) {
            std::ifstream in(path, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            document.setContent(QByteArray::fromStdString(bytes), true);
            elements += document.documentElement().childNodes().count();
        }
        benchmark::DoNotOptimize(elements);
    }
}
BENCHMARK(ErrorFilesBaseline)
    ->Name("errorfiles/baseline")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);

void ErrorFilesScan(benchmark::State& state) {
    Fixture& f = fixture();
    ErrorFilesWidget page(nullptr, *f.system, f.prompter);
    page.show();
    for (auto _ : state) {
        page.scan();
        if (page.tree()->topLevelItemCount() != kLogFiles * kEntriesPerFile)
            state.SkipWithError("wrong row count");
    }
}
BENCHMARK(ErrorFilesScan)
    ->Name("errorfiles/scan")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);

void EventLogBaseline(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        long error = 0;
        EventLog& log = f.system->eventLog();
        const EventLogHandle handle = log.open(L"Application", error);
        const ModuleHandle module = f.system->libraries().load(
            L"C:\\Program Files\\Common Files\\Quillmark\\QMSvcMsg.dll", kLoadLibraryAsDatafile, error);
        std::size_t chars = 0;
        readEventLogBackwards(log, handle, 65536, [&](std::span<const std::uint8_t> bytes) {
            EventLogRecordView view;
            if (!parseEventLogRecord(bytes, view))
                return;
            std::vector<MessageArgument> args;
            for (const std::wstring& s : view.strings)
                args.push_back(MessageArgument::fromText(s));
            std::wstring text;
            f.system->messages().formatMessage(module, view.eventId, kDefaultLanguage, args, 1024, text);
            chars += text.size();
        });
        f.system->libraries().free(module);
        log.close(handle);
        benchmark::DoNotOptimize(chars);
    }
}
BENCHMARK(EventLogBaseline)
    ->Name("eventlog/baseline")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);

void EventLogScan(benchmark::State& state) {
    Fixture& f = fixture();
    EventLogWidget page(*f.system, f.prompter);
    page.show();
    for (auto _ : state) {
        page.scan();
        if (page.tree()->shownCount() != kEvents / 5 * 4)
            state.SkipWithError("wrong row count");
    }
}
BENCHMARK(EventLogScan)->Name("eventlog/page")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void EvtxBaseline(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        std::size_t records = 0;
        evtx::EvtxCallbacks callbacks;
        callbacks.record = [&](const evtx::EvtxRecord& r) {
            records += r.data.size() + 1;
            return true;
        };
        evtx::EvtxFileInfo info;
        std::string error;
        if (!evtx::readEvtx(f.evtxBytes, callbacks, info, error) || info.recordsRead != kEvents)
            state.SkipWithError("the walk did not read every record");
        benchmark::DoNotOptimize(records);
    }
}
BENCHMARK(EvtxBaseline)->Name("evtx/baseline")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void EvtxCore(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        EventLogReader reader(*f.system);
        CustomerLog log;
        std::string error;
        if (readCustomerLog(reader, f.evtxBytes, log, error) != CustomerLogRead::Read ||
            log.rows.size() != kEvents)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(log.rows.data());
    }
}
BENCHMARK(EvtxCore)->Name("evtx/core")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void EvtxPage(benchmark::State& state) {
    Fixture& f = fixture();
    EventLogWidget page(*f.system, f.prompter);
    page.show();
    const QString path = QString::fromStdString(f.evtxPath.string());
    for (auto _ : state) {
        if (!page.openLog(path) || page.tree()->shownCount() != kEvents)
            state.SkipWithError("wrong row count");
    }
}
BENCHMARK(EvtxPage)->Name("evtx/page")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return qmbench::runWithRatios(argc, argv);
}
