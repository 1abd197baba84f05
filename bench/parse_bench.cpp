// Parsing cost of the two big tool outputs of a listing, against a plain line scan of the same text.
#include "core/listing/lsof.h"
#include "core/listing/process_table.h"
#include "core/text/text_lines.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace moorix;

// Two sockets per process. lsof lists processes by pid; with `portsFollowPids` false, the ports are
// scattered over the processes as on a real machine, so the entries need sorting.
std::string lsofOutput(int sockets, bool portsFollowPids = true) {
    std::string text;
    for (int i = 0; i < sockets; ++i) {
        const int pid = 1000 + i / 2;
        if (i % 2 == 0) {
            text.append("p").append(std::to_string(pid)).append("\nR1\ncnode-server-");
            text.append(std::to_string(pid)).append("\nu501\nLdev\n");
        }
        const int port = portsFollowPids ? 1024 + i : 1024 + (i * 7919) % sockets;
        text.append("f").append(std::to_string(20 + i % 2)).append("\nPTCP\nn");
        text.append(i % 2 ? "[::1]:" : "127.0.0.1:").append(std::to_string(port)).append("\n");
    }
    return text;
}

std::string psOutput(int processes) {
    std::string text;
    for (int pid = 2; pid < processes + 2; ++pid) {
        text.append("  ").append(std::to_string(pid)).append("  ").append(std::to_string(pid / 2));
        text.append(" /Applications/Some App.app/Contents/MacOS/Some Helper ").append(std::to_string(pid));
        text.append("\n");
    }
    return text;
}

ProcessTable tableFor(int sockets) {
    ProcessTable table;
    for (int i = 0; i < sockets / 2; ++i) table[1000 + i] = {500 + i % 50, "node"};
    for (int i = 0; i < 50; ++i) table[500 + i] = {100, "npm run dev"};
    table[100] = {1, "/bin/zsh"};
    return table;
}

void countLines(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        std::size_t lines = 0;
        forEachLine(text, [&](std::string_view line) { lines += line.size() > 0; });
        benchmark::DoNotOptimize(lines);
    }
}

void BM_Baseline_ScanLsofLines(benchmark::State& state) { countLines(state, lsofOutput(10000)); }
void BM_ParseLsof_10000Sockets(benchmark::State& state) {
    const std::string text = lsofOutput(10000);
    const ProcessTable table = tableFor(10000);
    for (auto _ : state) benchmark::DoNotOptimize(PortCore::parseLsof(text, table));
}
void BM_ParseLsof_10000SocketsScatteredPorts(benchmark::State& state) {
    const std::string text = lsofOutput(10000, false);
    const ProcessTable table = tableFor(10000);
    for (auto _ : state) benchmark::DoNotOptimize(PortCore::parseLsof(text, table));
}
void BM_Baseline_ScanPsLines(benchmark::State& state) { countLines(state, psOutput(5000)); }
void BM_ParseProcessTable_5000Processes(benchmark::State& state) {
    const std::string text = psOutput(5000);
    for (auto _ : state) benchmark::DoNotOptimize(PortCore::parseProcessTable(text));
}

BENCHMARK(BM_Baseline_ScanLsofLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLsof_10000Sockets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLsof_10000SocketsScatteredPorts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_ScanPsLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseProcessTable_5000Processes)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time so that the parsers can be given as multiples of a plain scan of their text.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) m_milliseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    void ratio(const std::string& name, const std::string& baseline, const char* target) const {
        const auto time = m_milliseconds.find(name), base = m_milliseconds.find(baseline);
        if (time == m_milliseconds.end() || base == m_milliseconds.end() || base->second <= 0) return;
        std::printf("%s: %.2f ms, %.1fx %s (%.3f ms) in this run; %s\n", name.c_str(), time->second,
                    time->second / base->second, baseline.c_str(), base->second, target);
    }

private:
    std::map<std::string, double> m_milliseconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.ratio("BM_ParseLsof_10000Sockets", "BM_Baseline_ScanLsofLines",
                   "target under 5 ms and under 10x");
    reporter.ratio("BM_ParseLsof_10000SocketsScatteredPorts", "BM_Baseline_ScanLsofLines",
                   "the same with sorting");
    reporter.ratio("BM_ParseProcessTable_5000Processes", "BM_Baseline_ScanPsLines", "for comparison");
    benchmark::Shutdown();
    return 0;
}
