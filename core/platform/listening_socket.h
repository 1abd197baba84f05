#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace moorix {

// One TCP socket in the LISTEN state, as the kernel reports it.
struct ListeningSocket {
    enum class Family : std::uint8_t { V4, V6 };
    Family family = Family::V4;
    // Network byte order: the first four bytes for IPv4, all sixteen for IPv6.
    std::array<std::uint8_t, 16> address{};
    std::uint16_t port = 0;
    // The owner the kernel records for the socket: the user that created it.
    std::uint32_t uid = 0;
    // Names the socket among all open files: its inode on Linux, its control block on macOS.
    std::uint64_t key = 0;
    bool operator==(const ListeningSocket&) const = default;
};

// A listening socket and one descriptor by which a process holds it.
struct HeldSocket {
    ListeningSocket socket;
    std::int32_t pid = 0;
    std::int32_t fd = 0;
    bool operator==(const HeldSocket&) const = default;
};

// The local address as lsof prints it: "*" for the any-address of either family, dotted IPv4 (an
// IPv4-mapped IPv6 address too), any other IPv6 address in brackets.
std::string listenAddressText(const ListeningSocket& socket);

} // namespace moorix
