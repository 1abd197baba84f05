#include "core/listing/kernel_listing.h"

#include "core/listing/entry_collector.h"
#include "core/platform/kernel_sources.h"
#include "core/platform/test_seams.h"
#include "core/text/utf8.h"

#include <unordered_map>

namespace moorix::PortCore {

std::optional<std::vector<PortEntry>> kernelSocketEntries() {
    if (toolsOnly()) return std::nullopt;
    const auto held = platform::heldListeningSockets();
    if (!held) return std::nullopt;

    std::unordered_map<std::int32_t, std::optional<platform::ProcessFacts>> facts;
    const auto factsOf = [&](std::int32_t pid) -> const std::optional<platform::ProcessFacts>& {
        auto known = facts.find(pid);
        if (known == facts.end()) known = facts.emplace(pid, platform::processFacts(pid)).first;
        return known->second;
    };
    // The ancestry needs only the holders and the ancestors a chain can reach, not the whole table.
    ProcessTable table;
    for (const HeldSocket& socket : *held) {
        std::int32_t pid = socket.pid;
        for (std::size_t depth = 0; depth <= chainLimit && pid >= 1; ++depth) {
            const auto& process = factsOf(pid);
            if (!process) break;
            table.try_emplace(pid, ProcessInfo{process->ppid, process->comm});
            pid = process->ppid;
        }
    }

    // The collector keeps views: the texts stay here until it is done. Map nodes do not move.
    std::unordered_map<std::uint32_t, std::string> users;
    std::unordered_map<std::uint64_t, std::string> addresses;
    EntryCollector collector(table);
    for (const HeldSocket& socket : *held) {
        const auto& process = factsOf(socket.pid);
        if (!process) continue;
        auto user = users.find(process->uid);
        if (user == users.end())
            user = users.emplace(process->uid, repairUtf8(platform::userName(process->uid))).first;
        auto address = addresses.find(socket.socket.key);
        if (address == addresses.end())
            address = addresses.emplace(socket.socket.key, listenAddressText(socket.socket)).first;
        collector.add(socket.pid, process->command, user->second, address->second, socket.socket.port);
    }
    return collector.take();
}

} // namespace moorix::PortCore
