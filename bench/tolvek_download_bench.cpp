// The download of a full table (32767 records and the end mark) into a
// port that only counts writes, against a bare loop making the same number of
// port calls. The per-entry event yield runs as in the window.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "board/download_session.h"
#include "platform/event_yield.h"

namespace {

// Out32 stays out of line so that neither loop can inline the port: both pay
// the one call per write that every real backend costs.
class CountingPort final : public tolvek::PortOutput {
public:
    __attribute__((noinline)) void Out32(short, short value) override {
        ++writes;
        last = value;
    }
    long long writes = 0;
    short last = 0;
};

tolvek::WaveTable fullTable() {
    tolvek::WaveTable table;
    for (int i = 1; i <= tolvek::kMaxRecords; ++i)
        table[i] = {static_cast<short>(128 + i % 4), static_cast<short>(i % 4096),
                    static_cast<short>((i * 7) % 4096)};
    table[tolvek::kWaveTableSize].ControlWord = 0;
    return table;
}

class BenchHost final : public tolvek::DownloadHost {
public:
    std::string ChooseDataFile(const std::string&, int) override { return {}; }
    void ShowFileName(const std::string&) override {}
    void ShowStatus(const std::string&) override {}
    bool YieldEvents() override {
        yield();
        return true;
    }
    std::uint32_t TickCount() override { return 0; }
    tolvek::EventYield yield;
};

long long writesOfOneDownload() {
    CountingPort port;
    tolvek::DownloadSession session(port);
    session.WaveTable = fullTable();
    session.EntryCount = tolvek::kWaveTableSize;
    BenchHost host;
    session.Download(host);
    return port.writes;
}

void BM_Download(benchmark::State& state) {
    CountingPort port;
    tolvek::DownloadSession session(port);
    session.WaveTable = fullTable();
    session.EntryCount = tolvek::kWaveTableSize;
    BenchHost host;
    for (auto _ : state) {
        session.Download(host);
        benchmark::DoNotOptimize(port.last);
    }
    state.counters["writes_per_s"] =
        benchmark::Counter(static_cast<double>(port.writes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Download)->Unit(benchmark::kMillisecond);

void BM_BareLoop(benchmark::State& state) {
    const long long writes = writesOfOneDownload();
    CountingPort counting;
    tolvek::PortOutput* port = &counting;
    benchmark::DoNotOptimize(port);
    for (auto _ : state) {
        for (long long i = 0; i < writes; ++i)
            port->Out32(0x378, static_cast<short>(i));
        benchmark::DoNotOptimize(counting.last);
    }
    state.counters["writes_per_s"] =
        benchmark::Counter(static_cast<double>(counting.writes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BareLoop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
