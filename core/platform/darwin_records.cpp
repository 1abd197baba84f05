#include "core/platform/darwin_records.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace moorix::Darwin {

std::vector<std::int32_t> socketDescriptors(std::string_view fdInfos) {
    std::vector<std::int32_t> fds;
    for (std::size_t at = 0; at + fdInfoSize <= fdInfos.size(); at += fdInfoSize) {
        std::int32_t fd = 0;
        std::uint32_t type = 0;
        std::memcpy(&fd, fdInfos.data() + at, sizeof fd);
        std::memcpy(&type, fdInfos.data() + at + sizeof fd, sizeof type);
        if (type == fdTypeSocket && fd >= 0) fds.push_back(fd);
    }
    return fds;
}

std::optional<ListeningSocket> listeningSocket(const TcpSocketFields& fields) {
    if (fields.kind != socketKindTcp || fields.state != tcpStateListen) return std::nullopt;
    if (fields.family != familyInet && fields.family != familyInet6) return std::nullopt;
    ListeningSocket socket;
    if (fields.family == familyInet) {
        socket.family = ListeningSocket::Family::V4;
        std::copy(fields.localAddress.begin() + 12, fields.localAddress.end(), socket.address.begin());
    } else {
        socket.family = ListeningSocket::Family::V6;
        socket.address = fields.localAddress;
    }
    socket.port = ntohs(static_cast<std::uint16_t>(fields.localPort));
    socket.uid = fields.uid;
    socket.key = fields.controlBlock;
    return socket;
}

} // namespace moorix::Darwin
