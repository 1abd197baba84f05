#include "core/listing/docker.h"

#include "core/platform/platform.h"
#include "core/platform/test_seams.h"
#include "core/text/decimal.h"
#include "core/text/text_lines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace moorix::Docker {

namespace fs = std::filesystem;

namespace {

constexpr double clientTimeoutSeconds = 2.0;

void readPortsColumn(std::string_view column, const std::string& name, PortMap& ports) {
    while (!column.empty()) {
        const std::size_t comma = column.find(',');
        const std::string_view piece = column.substr(0, comma);
        column.remove_prefix(comma == std::string_view::npos ? column.size() : comma + 1);
        // e.g. "0.0.0.0:5432->5432/tcp" or "[::]:5432->5432/tcp"; "5432/tcp" is not published.
        const std::size_t arrow = piece.find("->");
        if (arrow == std::string_view::npos) continue;
        const std::string_view binding = piece.substr(0, arrow);
        const std::size_t colon = binding.rfind(':');
        if (colon == std::string_view::npos) continue;
        if (const auto port = parseInt64(binding.substr(colon + 1))) ports[*port] = name;
    }
}

bool ownerIsTrusted(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && isTrustedOwner(info.st_uid);
}

} // namespace

PortMap parseContainerPorts(std::string_view output) {
    PortMap ports;
    forEachLine(output, [&](std::string_view line) {
        const std::size_t nameStart = line.find_first_not_of('\t');
        if (nameStart == std::string_view::npos) return;
        line.remove_prefix(nameStart);
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab + 1 == line.size()) return;
        readPortsColumn(line.substr(tab + 1), std::string(line.substr(0, tab)), ports);
    });
    return ports;
}

bool isTrustedOwner(uid_t owner) { return owner == 0 || owner == ::getuid(); }

// Whoever owns a folder on the way can swap the client for their own program, so the folders
// must be as trusted as the file itself.
bool trusted(const std::string& path) {
    if (path.empty() || path.front() != '/') return false;
    fs::path item(path);
    for (;;) {
        if (!ownerIsTrusted(item)) return false;
        if (item == item.root_path()) return true;
        item = item.parent_path();
    }
}

std::optional<std::string> locateClient(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        struct stat info {};
        if (::stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            ::access(candidate.c_str(), X_OK) != 0)
            continue;
        if (!trusted(candidate)) continue;
        std::error_code error;
        const fs::path resolved = fs::canonical(candidate, error);
        if (error || !trusted(resolved.string())) continue;
        return candidate;
    }
    return std::nullopt;
}

const std::optional<std::string>& binary() {
    static const std::optional<std::string> client = [] {
        if (const auto fake = testOverride("MOORIX_TEST_DOCKER")) return locateClient({*fake});
        return locateClient(platform::dockerCandidates());
    }();
    return client;
}

PortMap fetchContainerPorts(const std::optional<std::string>& client, const PortCore::ToolRunner& run) {
    if (!client) return {};
    return parseContainerPorts(
        run(*client, {"ps", "--format", "{{.Names}}\t{{.Ports}}"}, clientTimeoutSeconds).text());
}

PortMap ContainerPortCache::get() {
    {
        std::lock_guard lock(m_mutex);
        if (m_cache) {
            const double age = m_clock() - m_cache->second;
            if (age >= 0 && age < lifetimeSeconds) return m_cache->first;
        }
    }
    PortMap ports = m_fetch();
    const double now = m_clock();
    std::lock_guard lock(m_mutex);
    m_cache.emplace(ports, now);
    return ports;
}

PortMap containerPorts() {
    static ContainerPortCache cache([] { return fetchContainerPorts(binary(), PortCore::runToolWithStatus); },
                                    platform::continuousSeconds);
    return cache.get();
}

} // namespace moorix::Docker
