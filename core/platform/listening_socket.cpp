#include "core/platform/listening_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>

namespace moorix {

namespace {

bool allZero(const std::uint8_t* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0; });
}

std::string ipv4Text(const std::uint8_t* bytes) {
    if (allZero(bytes, 4)) return "*";
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    std::copy(bytes, bytes + 4, reinterpret_cast<std::uint8_t*>(&address));
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

} // namespace

std::string listenAddressText(const ListeningSocket& socket) {
    const std::uint8_t* bytes = socket.address.data();
    if (socket.family == ListeningSocket::Family::V4) return ipv4Text(bytes);
    constexpr std::uint8_t mappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::equal(mappedPrefix, mappedPrefix + 12, bytes)) return ipv4Text(bytes + 12);
    if (allZero(bytes, 16)) return "*";
    char text[INET6_ADDRSTRLEN] = {};
    in6_addr address{};
    std::copy(bytes, bytes + 16, reinterpret_cast<std::uint8_t*>(&address));
    ::inet_ntop(AF_INET6, &address, text, sizeof text);
    return std::string("[") + text + "]";
}

} // namespace moorix
