#pragma once

#include "core/platform/listening_socket.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Pure readers of what macOS's libproc answers, kept apart from the calls so that they are tested on
// every system. The macOS platform file checks these numbers against <sys/proc_info.h>.
namespace moorix::Darwin {

inline constexpr std::uint32_t fdTypeSocket = 2; // PROX_FDTYPE_SOCKET
inline constexpr std::size_t fdInfoSize = 8;     // struct proc_fdinfo: int32 proc_fd, uint32 proc_fdtype
inline constexpr int socketKindTcp = 2;          // SOCKINFO_TCP
inline constexpr int tcpStateListen = 1;         // TSI_S_LISTEN
inline constexpr int familyInet = 2, familyInet6 = 30;

// The socket descriptors of a PROC_PIDLISTFDS answer, an array of struct proc_fdinfo; a part record at
// the end is ignored.
std::vector<std::int32_t> socketDescriptors(std::string_view fdInfos);

// The fields of a PROC_PIDFDSOCKETINFO answer (struct socket_fdinfo) that describe a listening TCP socket.
struct TcpSocketFields {
    int kind = 0;   // psi.soi_kind
    int family = 0; // psi.soi_family
    int state = 0;  // psi.soi_proto.pri_tcp.tcpsi_state
    // psi.soi_proto.pri_tcp.tcpsi_ini.insi_laddr as stored: an IPv4 address in its last four bytes.
    std::array<std::uint8_t, 16> localAddress{};
    int localPort = 0; // tcpsi_ini.insi_lport: the port in network byte order, widened to an int
    std::uint32_t uid = 0;
    std::uint64_t controlBlock = 0; // psi.soi_pcb
};

// The listening socket those fields describe; absent for anything that is not TCP in the LISTEN state.
std::optional<ListeningSocket> listeningSocket(const TcpSocketFields& fields);

} // namespace moorix::Darwin
