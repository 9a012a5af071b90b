// Reading .evtx logs. For each log the baseline is libevtx's evtxexport
// exporting it to /dev/null; beside it run `qmres evtx` printing the same
// log to /dev/null, and the bare reader walking it in this process, so the
// ratios say how much of evtxexport's time each takes. Throughput in MB/s
// is Google Benchmark's bytes_per_second of each case. The logs: the real
// ones beside the checkout and a ~30 MB log the test writer makes by
// repeating a set of varied events.
#include "EvtxWriter.h"
#include "RatioReporter.h"
#include "platform/formats/EvtxFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace qmplatform;
namespace w = qmplatform::evtx::testing;

namespace {

std::vector<w::Event> variedEvents() {
    std::vector<w::Event> list;
    const std::uint8_t g[16] = {0x83, 0xB3, 0xE9, 0xDB, 0xF3, 0x7C, 0x31, 0x43, 0x91, 0xCC, 0xA3, 0xCB, 0x16, 0xA3, 0xB5, 0x38};
    for (int i = 0; i < 12; ++i) {
        w::Event e;
        e.provider = i % 4 == 0 ? L"QuillmarkService" : L"Microsoft-Windows-Provider-" + std::to_wstring(i % 5);
        if (i % 4 != 0) {
            e.providerGuid = w::guid(g);
        }
        e.eventId = static_cast<std::uint16_t>(7000 + i);
        e.level = static_cast<std::uint8_t>(2 + i % 3);
        e.processId = 600 + static_cast<std::uint32_t>(i);
        e.threadId = 900;
        e.channel = i % 2 == 0 ? L"System" : L"Application";
        e.userSid = i % 3 == 0 ? w::kLocalSystemSid : std::vector<std::uint8_t>{};
        e.kind = i % 5 == 4 ? evtx::EvtxDataKind::UserData : evtx::EvtxDataKind::EventData;
        e.data = {{L"param1", w::text(L"The Quillmark print service entered the running state.")},
                  {L"param2", w::text(L"C:\\Program Files\\Quillmark\\QMService.exe")},
                  {L"Status", w::number(evtx::kTypeHexInt32, 0xC0000001u + static_cast<unsigned>(i))},
                  {L"When", w::fileTime(132617083050187674 + static_cast<std::uint64_t>(i))},
                  {L"Count", w::number(evtx::kTypeUInt32, static_cast<unsigned>(i) * 17)}};
        if (i % 3 == 1) {
            e.data.push_back({L"Binary", w::binary(std::vector<std::uint8_t>(24, static_cast<std::uint8_t>(i)))});
        }
        list.push_back(std::move(e));
    }
    return list;
}

struct Log {
    std::string name;
    fs::path path;
    std::vector<std::uint8_t> bytes;
};

std::vector<Log>& logs() {
    static std::vector<Log> all = [] {
        std::vector<Log> out;
        for (const char* name : {"system.evtx", "Application_no_crc32.evtx", "sample_with_a_bad_chunk_magic.evtx"}) {
            const fs::path path = fs::path(QM_SHARED_DATA_DIR) / "evtx" / name;
            std::ifstream in(path, std::ios::binary);
            if (in) {
                out.push_back({fs::path(name).stem().string(), path, {std::istreambuf_iterator<char>(in), {}}});
            }
        }
        const std::vector<w::Event> set = variedEvents();
        std::vector<w::Event> events;
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < 30u << 20) {
            for (std::size_t i = 0; i < 8000; ++i) {
                events.push_back(set[events.size() % set.size()]);
                events.back().timeCreated += events.size() * 10000;
            }
            bytes = w::writeEvtx(events);
        }
        const fs::path path = fs::temp_directory_path() / "qm-evtx-bench-30mb.evtx";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.push_back({"written30mb", path, std::move(bytes)});
        return out;
    }();
    return all;
}

void runCommand(benchmark::State& state, const std::string& command, std::size_t bytes) {
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void evtxexport(benchmark::State& state, const Log* log) {
    runCommand(state, "evtxexport \"" + log->path.string() + "\" >/dev/null 2>&1", log->bytes.size());
}

void qmres(benchmark::State& state, const Log* log) {
    runCommand(state, std::string("\"") + QM_QMRES + "\" evtx \"" + log->path.string() + "\" >/dev/null 2>&1",
               log->bytes.size());
}

void reader(benchmark::State& state, const Log* log) {
    std::size_t records = 0;
    for (auto _ : state) {
        evtx::EvtxFileInfo info;
        std::string error;
        evtx::EvtxCallbacks callbacks;
        callbacks.record = [&](const evtx::EvtxRecord& r) {
            benchmark::DoNotOptimize(r.data.size());
            return true;
        };
        evtx::readEvtx(log->bytes, callbacks, info, error);
        records = info.recordsRead;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log->bytes.size()));
    state.counters["records"] = static_cast<double>(records);
}

} // namespace

int main(int argc, char** argv) {
    const bool haveEvtxexport = std::system("command -v evtxexport >/dev/null 2>&1") == 0;
    for (const Log& log : logs()) {
        if (haveEvtxexport) {
            benchmark::RegisterBenchmark((log.name + "/baseline").c_str(), evtxexport, &log)
                ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
        }
        benchmark::RegisterBenchmark((log.name + "/qmres").c_str(), qmres, &log)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
        benchmark::RegisterBenchmark((log.name + "/reader").c_str(), reader, &log)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
    }
    if (!haveEvtxexport) {
        std::printf("evtxexport is missing (scripts/setup installs libevtx-utils): no ratios\n");
    }
    return qmbench::runWithRatios(argc, argv);
}
