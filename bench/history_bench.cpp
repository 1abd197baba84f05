// Reading the history file: a store's first read of a 100,000-event file against a plain read of its
// bytes, and the reads that follow one append (the sampler's 30 seconds, the panel's 30 days).
#include "core/history/history.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace moorix;
using namespace std::chrono_literals;

constexpr int kEvents = 100000;
const Instant kStart = std::chrono::sys_days{std::chrono::year{2026} / 1 / 1};
constexpr auto kSpacing = 300s; // one event every five minutes: the file spans almost a year

PortEvent sampleEvent(int i) {
    const bool opened = i % 2 == 0;
    PortEvent event{kStart + kSpacing * i,
                    opened ? EventAction::Opened : EventAction::Closed,
                    3000 + i % 50,
                    40000 + i / 2,
                    "node",
                    {"npm", "zsh", "Terminal"},
                    "developer",
                    "127.0.0.1",
                    "/Users/developer/shop-" + std::to_string(i % 50),
                    "shop-frontend",
                    std::nullopt,
                    std::nullopt};
    if (opened)
        event.argv = std::vector<std::string>{"/usr/local/bin/node", "node_modules/.bin/vite", "--port",
                                              std::to_string(event.port)};
    else
        event.ending = Ending::ParentExited;
    return event;
}

class Fixture {
public:
    Fixture() {
        char pattern[] = "/tmp/moorix-history-bench-XXXXXX";
        m_folder = ::mkdtemp(pattern);
        m_path = m_folder + "/history.jsonl";
        std::ofstream out(m_path, std::ios::binary);
        for (int i = 0; i < kEvents; ++i) out << *encodeEventLine(sampleEvent(i)) << '\n';
    }
    ~Fixture() { std::filesystem::remove_all(m_folder); }
    const std::string& path() const { return m_path; }
    Instant last() const { return kStart + kSpacing * (kEvents - 1); }

private:
    std::string m_folder, m_path;
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

void BM_Baseline_ReadFileBytes(benchmark::State& state) {
    std::string bytes;
    for (auto _ : state) {
        const int fd = ::open(fixture().path().c_str(), O_RDONLY);
        bytes.resize(static_cast<std::size_t>(std::filesystem::file_size(fixture().path())));
        benchmark::DoNotOptimize(::read(fd, bytes.data(), bytes.size()));
        ::close(fd);
    }
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}

// What copying the events of a 30-day read costs, which a read returning a view no longer pays.
void BM_Baseline_Copy30DaysOfEvents(benchmark::State& state) {
    History history(fixture().path());
    const HistoryView view = history.events(fixture().last() - 30 * 24h);
    const std::vector<PortEvent> events(view.begin(), view.end());
    for (auto _ : state) {
        auto copy = events;
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["events"] = static_cast<double>(events.size());
}

void BM_ColdRead_Last30Days(benchmark::State& state) {
    for (auto _ : state) {
        History history(fixture().path());
        benchmark::DoNotOptimize(history.events(fixture().last() - 30 * 24h));
    }
}

void BM_ColdRead_AllEvents(benchmark::State& state) {
    std::size_t count = 0;
    for (auto _ : state) {
        History history(fixture().path());
        count = history.events(Instant::min()).size();
    }
    state.counters["events"] = static_cast<double>(count);
}

// Each iteration appends one event, then reads; the file keeps growing, as the real one does.
void repeatedRead(benchmark::State& state, std::chrono::seconds window) {
    History history(fixture().path());
    history.events(Instant::min());
    std::size_t found = 0;
    static int next = kEvents; // across runs, so that the file stays in time order
    for (auto _ : state) {
        state.PauseTiming();
        const PortEvent event = sampleEvent(next++);
        history.append(event);
        state.ResumeTiming();
        found = history.events(event.at - window).size();
    }
    state.counters["events"] = static_cast<double>(found);
}

void BM_RepeatedRead_Last30Seconds(benchmark::State& state) { repeatedRead(state, 30s); }
void BM_RepeatedRead_Last30Days(benchmark::State& state) { repeatedRead(state, 30 * 24h); }

BENCHMARK(BM_Baseline_ReadFileBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_Copy30DaysOfEvents)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColdRead_Last30Days)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdRead_AllEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepeatedRead_Last30Seconds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepeatedRead_Last30Days)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    fixture(); // written before any timing starts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
