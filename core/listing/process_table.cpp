#include "core/listing/process_table.h"

#include "core/platform/kernel_sources.h"
#include "core/platform/platform.h"
#include "core/platform/test_seams.h"
#include "core/text/decimal.h"
#include "core/text/text_lines.h"
#include "core/text/utf8.h"

namespace moorix::PortCore {

const std::set<std::string, std::less<>>& devCommands() {
    static const std::set<std::string, std::less<>> names{"node", "npm",  "npx",  "bun",        "turbo",
                                                          "pnpm", "yarn", "deno", "next-server"};
    return names;
}

ProcessTable parseProcessTable(std::string_view text) {
    ProcessTable table;
    forEachLine(text, [&](std::string_view line) {
        // Two space-separated columns, then the rest of the line as the command, its spaces kept.
        std::string_view columns[2];
        std::size_t at = 0;
        for (auto& column : columns) {
            while (at < line.size() && line[at] == ' ') ++at;
            const std::size_t end = std::min(line.find(' ', at), line.size());
            column = line.substr(at, end - at);
            at = end;
        }
        if (at >= line.size()) return;
        const std::string_view comm = line.substr(at + 1);
        if (columns[1].empty() || comm.empty()) return;
        const auto pid = parseInt32(columns[0]);
        const auto ppid = parseInt32(columns[1]);
        if (pid && ppid) table[*pid] = ProcessInfo{*ppid, std::string(comm)};
    });
    return table;
}

ProcessTable processTableFromPs(const ToolRunner& run) {
    // Odd bytes in one command name cost that name its exact spelling, not the whole table.
    ProcessTable table =
        parseProcessTable(repairUtf8(run(platform::psPath(), {"-axo", "pid=,ppid=,comm="}, 5.0).output));
    for (auto& [pid, process] : table) process.comm = platform::fullCommandName(pid, process.comm);
    return table;
}

ProcessTable processTable(const ToolRunner& run) {
    if (!toolsOnly())
        if (auto table = platform::kernelProcessTable()) return *std::move(table);
    return processTableFromPs(run);
}

Ancestry ancestry(std::int32_t pid, const ProcessTable& table) {
    Ancestry result{{}, pid};
    auto entry = table.find(pid);
    if (entry == table.end()) return result;
    std::int32_t current = entry->second.ppid;
    while (current >= 2 && result.chain.size() < chainLimit) {
        auto parent = table.find(current);
        if (parent == table.end()) break;
        result.chain.push_back(processName(parent->second.comm));
        result.rootPid = current;
        current = parent->second.ppid;
    }
    return result;
}

std::int32_t topDevAncestor(std::int32_t pid, const ProcessTable& table) {
    std::int32_t best = pid;
    auto entry = table.find(pid);
    if (entry == table.end()) return best;
    std::int32_t current = entry->second.ppid;
    // A snapshot is a tree; the step bound only guards against a corrupt one with a cycle.
    for (std::size_t steps = 0; current >= 2 && steps <= table.size(); ++steps) {
        auto parent = table.find(current);
        if (parent == table.end()) return best;
        const std::string name = processName(parent->second.comm);
        std::string_view word = name;
        const std::size_t start = word.find_first_not_of(' ');
        if (start != std::string_view::npos) {
            word.remove_prefix(start);
            word = word.substr(0, word.find(' '));
        }
        if (!devCommands().contains(word)) return best;
        best = current;
        current = parent->second.ppid;
    }
    return best;
}

} // namespace moorix::PortCore
