#include "core/platform/socket_holders_linux.h"

#include <algorithm>
#include <unordered_map>

namespace moorix::platform {

namespace {

class Search {
public:
    Search(const ProcTree& tree, const std::unordered_set<std::uint64_t>& inodes)
        : m_tree(tree), m_inodes(inodes) {}

    bool complete() const { return m_found.size() == m_inodes.size(); }

    // Whether the process holds any of the inodes.
    bool read(std::int32_t pid) {
        bool holds = false;
        m_tree.forEachSocket(pid, [&](std::int32_t fd, std::uint64_t inode) {
            if (!m_inodes.contains(inode)) return;
            m_holders.push_back({pid, fd, inode});
            m_found.insert(inode);
            holds = true;
        });
        return holds;
    }

    // Reads the unread processes related to a holder, until reading them finds no further holder.
    void readRelatives(std::vector<std::int32_t> unread) {
        std::unordered_set<std::int32_t> holding;
        for (const auto& holder : m_holders) holding.insert(holder.pid);
        for (bool more = true; more && !unread.empty();) {
            more = false;
            std::unordered_set<std::int32_t> ancestors;
            for (std::int32_t holder : holding)
                forEachAncestor(holder, [&](std::int32_t pid) {
                    ancestors.insert(pid);
                    return false;
                });
            std::vector<std::int32_t> still;
            for (std::int32_t pid : unread) {
                const bool related =
                    ancestors.contains(pid) ||
                    forEachAncestor(pid, [&](std::int32_t parent) { return holding.contains(parent); });
                if (!related) {
                    still.push_back(pid);
                } else if (read(pid)) {
                    holding.insert(pid);
                    more = true;
                }
            }
            unread = std::move(still);
        }
    }

    std::vector<SocketHolder> take() {
        std::sort(m_holders.begin(), m_holders.end(), [](const SocketHolder& a, const SocketHolder& b) {
            return a.pid != b.pid ? a.pid < b.pid : a.fd < b.fd;
        });
        return std::move(m_holders);
    }

private:
    std::int32_t parentOf(std::int32_t pid) {
        auto known = m_parents.find(pid);
        if (known == m_parents.end()) {
            const auto stat = m_tree.stat(pid);
            known = m_parents.emplace(pid, stat ? stat->ppid : 0).first;
        }
        return known->second;
    }

    // Walks up from `pid` until `stop(ancestor)` says so; whether it did.
    template <typename Stop> bool forEachAncestor(std::int32_t pid, Stop stop) {
        // Deep enough for any real tree; the bound only stops a cycle in a corrupt one.
        for (int depth = 0; depth < 256 && pid >= 2; ++depth) {
            pid = parentOf(pid);
            if (pid >= 2 && stop(pid)) return true;
        }
        return false;
    }

    const ProcTree& m_tree;
    const std::unordered_set<std::uint64_t>& m_inodes;
    std::vector<SocketHolder> m_holders;
    std::unordered_set<std::uint64_t> m_found;
    std::unordered_map<std::int32_t, std::int32_t> m_parents;
};

} // namespace

std::optional<std::vector<SocketHolder>>
findSocketHolders(const ProcTree& tree, const std::unordered_set<std::uint64_t>& inodes, bool everyHolder) {
    if (inodes.empty()) return std::vector<SocketHolder>{};
    const auto pids = tree.pids();
    if (!pids) return std::nullopt;
    Search search(tree, inodes);
    auto next = pids->begin();
    while (next != pids->end() && !search.complete()) search.read(*next++);
    if (everyHolder && next != pids->end()) search.readRelatives({next, pids->end()});
    return search.take();
}

} // namespace moorix::platform
