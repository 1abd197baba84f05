// Listening sockets from the kernel's socket diagnostics (NETLINK_SOCK_DIAG, inet_diag), the interface
// that ss uses: one dump per address family, no file to parse.
#include "core/platform/kernel_sources.h"
#include "core/platform/sock_diag.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>
#include <span>

namespace moorix::platform {

// The reader of the answer knows the kernel's numbers by heart; these keep it honest.
static_assert(sizeof(nlmsghdr) == SockDiag::headerSize);
static_assert(sizeof(inet_diag_msg) == SockDiag::inetDiagMessageSize);
static_assert(offsetof(inet_diag_msg, id) == 4 && offsetof(inet_diag_sockid, idiag_src) == 4);
static_assert(offsetof(inet_diag_msg, idiag_uid) == 64 && offsetof(inet_diag_msg, idiag_inode) == 68);
static_assert(NLMSG_ERROR == SockDiag::messageError && NLMSG_DONE == SockDiag::messageDone);
static_assert(SOCK_DIAG_BY_FAMILY == SockDiag::sockDiagByFamily && TCP_LISTEN == SockDiag::tcpListen);
static_assert(AF_INET == SockDiag::familyInet && AF_INET6 == SockDiag::familyInet6);

namespace {

bool dump(int fd, std::uint8_t family, std::uint32_t sequence, std::span<char> buffer,
          std::vector<ListeningSocket>& sockets) {
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = sequence;
    message.request.sdiag_family = family;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << TCP_LISTEN;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &message, sizeof message, 0, reinterpret_cast<const sockaddr*>(&kernel),
                 sizeof kernel) != static_cast<ssize_t>(sizeof message))
        return false;
    for (;;) {
        const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), MSG_TRUNC);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0 || static_cast<std::size_t>(received) > buffer.size()) return false;
        auto batch = SockDiag::parseDatagram({buffer.data(), static_cast<std::size_t>(received)}, sequence);
        if (batch.failed) return false;
        sockets.insert(sockets.end(), batch.sockets.begin(), batch.sockets.end());
        if (batch.done) return true;
    }
}

} // namespace

std::optional<std::vector<ListeningSocket>> listeningSockets() {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0) return std::nullopt;
    // The kernel answers at once; the limit only keeps a broken interface from hanging the caller.
    const timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    // The kernel fills datagrams of at most 32 KiB; MSG_TRUNC tells a longer one apart instead of cutting it.
    // Left unfilled: the kernel writes what is read, and clearing it only costs page faults.
    constexpr std::size_t bufferSize = 65536;
    const auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
    std::vector<ListeningSocket> sockets;
    const bool answered = dump(fd, AF_INET, 1, {buffer.get(), bufferSize}, sockets) &&
                          dump(fd, AF_INET6, 2, {buffer.get(), bufferSize}, sockets);
    ::close(fd);
    if (!answered) return std::nullopt;
    // The kernel reports every user's sockets; lsof, run by anyone but root, sees only the processes of
    // that user, which hold the sockets that user's uid owns.
    if (const uid_t self = ::geteuid(); self != 0)
        std::erase_if(sockets, [&](const ListeningSocket& socket) { return socket.uid != self; });
    return sockets;
}

} // namespace moorix::platform
