#include "core/control/process_inspection.h"

#include "core/platform/kernel_sources.h"
#include "core/platform/pid_list.h"
#include "core/platform/platform.h"
#include "core/platform/test_seams.h"
#include "core/text/decimal.h"
#include "core/text/text_lines.h"

#include <charconv>
#include <chrono>
#include <cmath>

namespace moorix::PortCore {

namespace {

// A plain decimal such as "12.5" or "0": no exponent, no "inf" or "nan".
std::optional<double> parsePlainDecimal(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    if (digits.empty() || digits == ".") return std::nullopt;
    bool point = false;
    for (char c : digits) {
        if (c == '.' && !point) {
            point = true;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace

std::unordered_map<std::int32_t, ProcessStats> parseStats(std::string_view text) {
    std::unordered_map<std::int32_t, ProcessStats> result;
    forEachLine(text, [&](std::string_view line) {
        std::string_view fields[4];
        std::size_t count = 0;
        while (count < 4) {
            const std::size_t start = line.find_first_not_of(' ');
            if (start == std::string_view::npos) break;
            line.remove_prefix(start);
            fields[count++] = line.substr(0, line.find(' '));
            line.remove_prefix(fields[count - 1].size());
        }
        if (count != 3) return;
        const auto pid = parseInt32(fields[0]);
        const auto cpu = parsePlainDecimal(fields[1]);
        const auto rss = parseInt64(fields[2]);
        if (pid && cpu && rss) result[*pid] = ProcessStats{*cpu, *rss / 1024};
    });
    return result;
}

std::unordered_map<std::int32_t, ProcessStats> stats(const std::vector<std::int32_t>& pids, CpuMeter& meter,
                                                     const ToolRunner& run) {
    const std::string list = pidList(pids);
    if (list.empty()) return {};
    if (!toolsOnly()) {
        if (const auto usage = platform::processUsage(pids)) {
            const double now =
                std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
            std::unordered_map<std::int32_t, ProcessStats> result;
            constexpr std::int64_t mebibyte = 1024 * 1024;
            for (const auto& [pid, figures] : *usage)
                result.emplace(pid, ProcessStats{meter.percent(pid, figures.cpu, now),
                                                 figures.residentBytes / mebibyte});
            return result;
        }
    }
    return parseStats(run(platform::psPath(), {"-o", "pid=,pcpu=,rss=", "-p", list}, 5.0).text());
}

std::optional<std::vector<std::string>> argv(std::int32_t pid) { return platform::processArguments(pid); }

std::optional<std::uint32_t> uid(std::int32_t pid) { return platform::processOwner(pid); }

} // namespace moorix::PortCore
