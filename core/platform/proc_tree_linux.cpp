#include "core/platform/proc_tree_linux.h"

#include "core/text/decimal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace moorix::platform {

namespace {

std::optional<std::int32_t> numericName(const char* name) {
    if (name[0] < '0' || name[0] > '9') return std::nullopt;
    return parseInt32(name);
}

// A read of a folder's entries asks for this many bytes of them.
constexpr std::size_t fullRead = 16384;

// Calls `visit(name)` for the entries of the open folder `folder` until it returns false, straight from
// getdents64: opendir's stat and buffer are not needed. The first read may be asked to be small: listing a
// process's descriptors makes the kernel look each one up, which is wasted when the first one read turns
// out to be another's.
template <typename Visit> void forEachEntry(int folder, std::size_t firstRead, Visit visit) {
    alignas(dirent64) char buffer[fullRead];
    for (std::size_t size = std::min(firstRead, fullRead);; size = fullRead) {
        const ssize_t length = ::getdents64(folder, buffer, size);
        if (length <= 0) return;
        for (ssize_t offset = 0; offset < length;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            if (!visit(entry->d_name)) return;
        }
    }
}

} // namespace

std::string ProcTree::path(std::int32_t pid, const char* name) const {
    return m_root + "/" + std::to_string(pid) + "/" + name;
}

std::optional<std::vector<std::int32_t>> ProcTree::pids() const {
    const int folder = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return std::nullopt;
    std::vector<std::int32_t> pids;
    forEachEntry(folder, fullRead, [&](const char* name) {
        if (const auto pid = numericName(name); pid && *pid > 0) pids.push_back(*pid);
        return true;
    });
    ::close(folder);
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::optional<std::string> ProcTree::read(const std::string& name) const {
    const int fd = ::open((m_root + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    // The kernel makes these files as they are read: their size says nothing, so read to the end.
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            if (n < 0) return std::nullopt;
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

std::optional<std::string> ProcTree::read(std::int32_t pid, const char* name) const {
    return read(std::to_string(pid) + "/" + name);
}

std::optional<std::string> ProcTree::readLink(std::int32_t pid, const char* name) const {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path(pid, name).c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    return target;
}

std::optional<PortCore::StatRecord> ProcTree::stat(std::int32_t pid) const {
    const auto text = read(pid, "stat");
    if (!text) return std::nullopt;
    return PortCore::parseStat(*text);
}

std::optional<std::uint32_t> ProcTree::owner(std::int32_t pid) const {
    struct stat status {};
    if (::stat((m_root + "/" + std::to_string(pid)).c_str(), &status) != 0) return std::nullopt;
    return static_cast<std::uint32_t>(status.st_uid);
}

void ProcTree::forEachSocket(std::int32_t pid,
                             const std::function<void(std::int32_t, std::uint64_t)>& visit) const {
    const int folder = ::open(path(pid, "fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return; // gone, or another user's
    // Room for the descriptors of most processes, so that they take one read and the one that says the end,
    // while a process whose descriptors turn out unreadable costs no more than this many entries.
    constexpr std::size_t firstRead = 1024;
    forEachEntry(folder, firstRead, [&](const char* name) {
        const auto fd = numericName(name);
        if (!fd) return true;
        // "socket:[INODE]" is short; a longer target is a path, which is no socket.
        char link[32];
        const ssize_t length = ::readlinkat(folder, name, link, sizeof link);
        // Access is decided per process: when one descriptor may not be read, none may.
        if (length < 0 && (errno == EACCES || errno == EPERM)) return false;
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof link) return true;
        if (const auto inode = PortCore::parseSocketLink({link, static_cast<std::size_t>(length)}))
            visit(*fd, *inode);
        return true;
    });
    ::close(folder);
}

} // namespace moorix::platform
