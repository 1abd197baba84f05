#include "core/platform/proc_tree_linux.h"

#include "core/decimal.h"

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

} // namespace

std::string ProcTree::path(std::int32_t pid, const char* name) const {
    return m_root + "/" + std::to_string(pid) + "/" + name;
}

std::optional<std::vector<std::int32_t>> ProcTree::pids() const {
    DIR* dir = ::opendir(m_root.c_str());
    if (!dir) return std::nullopt;
    std::vector<std::int32_t> pids;
    while (const dirent* entry = ::readdir(dir))
        if (const auto pid = numericName(entry->d_name); pid && *pid > 0) pids.push_back(*pid);
    ::closedir(dir);
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
    DIR* dir = ::opendir(path(pid, "fd").c_str());
    if (!dir) return; // gone, or another user's
    const int folder = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const auto fd = numericName(entry->d_name);
        if (!fd) continue;
        // "socket:[INODE]" is short; a longer target is a path, which is no socket.
        char link[32];
        const ssize_t length = ::readlinkat(folder, entry->d_name, link, sizeof link);
        // Access is decided per process: when one descriptor may not be read, none may.
        if (length < 0 && (errno == EACCES || errno == EPERM)) break;
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof link) continue;
        if (const auto inode = PortCore::parseSocketLink({link, static_cast<std::size_t>(length)}))
            visit(*fd, *inode);
    }
    ::closedir(dir);
}

} // namespace moorix::platform
