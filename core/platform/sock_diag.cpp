#include "core/platform/sock_diag.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace moorix::SockDiag {

namespace {

template <typename Number> Number nativeAt(std::string_view bytes, std::size_t offset) {
    Number value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Offsets inside struct inet_diag_msg.
constexpr std::size_t familyAt = 0, stateAt = 1, sourcePortAt = 4, sourceAddressAt = 8, uidAt = 64,
                      inodeAt = 68;

std::optional<ListeningSocket> socketFrom(std::string_view record) {
    const auto family = static_cast<std::uint8_t>(record[familyAt]);
    if (static_cast<std::uint8_t>(record[stateAt]) != tcpListen) return std::nullopt;
    if (family != familyInet && family != familyInet6) return std::nullopt;
    ListeningSocket socket;
    socket.family = family == familyInet ? ListeningSocket::Family::V4 : ListeningSocket::Family::V6;
    std::memcpy(socket.address.data(), record.data() + sourceAddressAt, family == familyInet ? 4 : 16);
    // The port is in network byte order.
    socket.port = static_cast<std::uint16_t>(static_cast<std::uint8_t>(record[sourcePortAt]) << 8 |
                                             static_cast<std::uint8_t>(record[sourcePortAt + 1]));
    socket.uid = nativeAt<std::uint32_t>(record, uidAt);
    socket.key = nativeAt<std::uint32_t>(record, inodeAt);
    return socket;
}

} // namespace

Batch parseDatagram(std::string_view bytes, std::uint32_t sequence) {
    Batch batch;
    while (!bytes.empty() && !batch.done && !batch.failed) {
        if (bytes.size() < headerSize) {
            batch.failed = true;
            break;
        }
        const auto length = nativeAt<std::uint32_t>(bytes, 0);
        const auto type = nativeAt<std::uint16_t>(bytes, 4);
        if (length < headerSize || length > bytes.size()) {
            batch.failed = true;
            break;
        }
        const std::string_view payload = bytes.substr(headerSize, length - headerSize);
        if (nativeAt<std::uint32_t>(bytes, 8) == sequence) {
            if (type == messageError) {
                batch.failed = true;
            } else if (type == messageDone) {
                // A dump that failed part-way ends with a negative error number here.
                batch.failed = payload.size() >= 4 && nativeAt<std::int32_t>(payload, 0) < 0;
                batch.done = true;
            } else if (type == sockDiagByFamily) {
                if (payload.size() < inetDiagMessageSize) {
                    batch.failed = true;
                } else if (auto socket = socketFrom(payload)) {
                    batch.sockets.push_back(*socket);
                }
            }
        }
        // Messages are aligned to four bytes; the last one may end without its padding.
        bytes.remove_prefix(std::min<std::size_t>(bytes.size(), (length + 3) & ~std::size_t{3}));
    }
    return batch;
}

} // namespace moorix::SockDiag
