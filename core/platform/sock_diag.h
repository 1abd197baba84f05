#pragma once

#include "core/platform/listening_socket.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Reader of the Linux kernel's answer to a NETLINK_SOCK_DIAG dump of TCP sockets (inet_diag). Pure, so
// that it is tested on recorded bytes everywhere; the request and the socket live in the Linux platform
// file, which checks these numbers against the kernel's headers.
namespace moorix::SockDiag {

// The kernel's ABI: netlink message types, address families, the TCP state, and the record layouts.
inline constexpr std::uint16_t messageError = 2, messageDone = 3, sockDiagByFamily = 20;
inline constexpr std::uint8_t familyInet = 2, familyInet6 = 10, tcpListen = 10;
inline constexpr std::size_t headerSize = 16, inetDiagMessageSize = 72;

// What one datagram of the answer held.
struct Batch {
    std::vector<ListeningSocket> sockets;
    bool done = false;   // the dump's last message came: nothing more follows
    bool failed = false; // an error message, or bytes that are no netlink messages
};

// Reads the netlink messages of one datagram. Messages of another sequence number are not ours and are
// skipped; sockets in another state than LISTEN are left out.
Batch parseDatagram(std::string_view bytes, std::uint32_t sequence);

} // namespace moorix::SockDiag
