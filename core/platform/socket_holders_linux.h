#pragma once

#include "core/platform/proc_tree_linux.h"

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

namespace moorix::platform {

struct SocketHolder {
    std::int32_t pid = 0;
    std::int32_t fd = 0;
    std::uint64_t inode = 0;
    bool operator==(const SocketHolder&) const = default;
};

// The descriptors by which processes hold any of `inodes`, ordered by pid and then descriptor; absent
// when the tree cannot be listed. Processes are read in pid order only until every inode has been found.
// With `everyHolder`, the processes not read by then are looked at once more for a socket shared by
// inheritance: the unread ancestors and descendants of the holders found are read too.
std::optional<std::vector<SocketHolder>>
findSocketHolders(const ProcTree& tree, const std::unordered_set<std::uint64_t>& inodes, bool everyHolder);

} // namespace moorix::platform
