#pragma once

#include "core/platform/process_records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace moorix::platform {

// Reads the per-process files of a /proc tree. The root is a parameter so that tests can lay out a tree
// of their own. A process may end at any moment: every read of one answers absent or nothing then.
class ProcTree {
public:
    explicit ProcTree(std::string root = "/proc") : m_root(std::move(root)) {}

    const std::string& root() const { return m_root; }
    // The pids present, ascending; absent when the tree cannot be listed.
    std::optional<std::vector<std::int32_t>> pids() const;
    // A file of the tree, such as "uptime", or "PID/stat" when `pid` is given.
    std::optional<std::string> read(const std::string& name) const;
    std::optional<std::string> read(std::int32_t pid, const char* name) const;
    std::optional<std::string> readLink(std::int32_t pid, const char* name) const;
    std::optional<PortCore::StatRecord> stat(std::int32_t pid) const;
    // The owner of the process's folder: its effective uid, as lsof reports it.
    std::optional<std::uint32_t> owner(std::int32_t pid) const;
    // Calls `visit(fd, inode)` for each descriptor of the process that is a socket.
    void forEachSocket(std::int32_t pid, const std::function<void(std::int32_t, std::uint64_t)>& visit) const;

private:
    std::string path(std::int32_t pid, const char* name) const;

    std::string m_root;
};

} // namespace moorix::platform
