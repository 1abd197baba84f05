// The pure readers behind the kernel's listing, on bytes recorded from a live system.
#include "core/control/cpu_meter.h"
#include "core/platform/darwin_records.h"
#include "core/platform/listening_socket.h"
#include "core/platform/process_records.h"
#include "core/platform/sock_diag.h"

#include <gtest/gtest.h>

namespace moorix {

namespace {

using namespace std::string_view_literals;

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// Answers of a Linux 6.x kernel to inet_diag dumps (sequence 7) with 127.0.0.1:3000, 0.0.0.0:2024 and
// [::1]:8080 listening, as recv(2) gave them.
const std::string inet4 = fromHex(
    "7c000000140002000700000053550000020a00000bb800007f000001000000000000000000000000000000000000000000000000"
    "00000000000000000c0000000000000000000000000000008000000000000000aef70800050008000000000008000f0000000000"
    "0c001500010000000000000006001600520000007c000000140002000700000053550000020a000007e800000000000000000000"
    "00000000000000000000000000000000000000000000000000000000040000000000000000000000000000008000000000000000"
    "27050000050008000000000008000f00000000000c00150001000000000000000600160052000000");
const std::string inet6 = fromHex(
    "840000001400020007000000535500000a0a00001f90000000000000000000000000000000000001000000000000000000000000"
    "00000000000000000d0000000000000000000000000000008000000000000000aff70800050008000000000005000b0001000000"
    "08000f00000000000c00150001000000000000000600160012000000");
const std::string done = fromHex("1400000003000200070000005355000000000000");

} // namespace

TEST(SockDiag, RecordedAnswersGiveAddressesAsLsofWritesThemPortsOwnersAndInodes) {
    const auto first = SockDiag::parseDatagram(std::string_view(inet4).substr(0, 248), 7);
    const auto six = SockDiag::parseDatagram(inet6, 7);
    EXPECT_FALSE(first.failed || first.done || six.failed);
    ASSERT_EQ(first.sockets.size(), 2u);
    EXPECT_EQ(first.sockets[0],
              (ListeningSocket{ListeningSocket::Family::V4, {127, 0, 0, 1}, 3000, 0, 587694}));
    std::vector<std::string> shown;
    for (const auto& socket : {first.sockets[0], first.sockets[1], six.sockets.at(0)})
        shown.push_back(listenAddressText(socket) + ":" + std::to_string(socket.port));
    EXPECT_EQ(shown, (std::vector<std::string>{"127.0.0.1:3000", "*:2024", "[::1]:8080"}));
    EXPECT_TRUE(SockDiag::parseDatagram(done, 7).done);

    EXPECT_TRUE(SockDiag::parseDatagram(inet4, 8).sockets.empty()) << "another request's answer";
    std::string error = done, interrupted = done;
    error[4] = 2;                                   // NLMSG_ERROR
    interrupted.replace(16, 4, "\xfc\xff\xff\xff"); // NLMSG_DONE carrying -4
    for (const auto& failed : {inet4.substr(0, 100), inet4.substr(0, 12), error, interrupted})
        EXPECT_TRUE(SockDiag::parseDatagram(failed, 7).failed);
    std::string established = inet6;
    established[17] = 1; // TCP_ESTABLISHED
    EXPECT_TRUE(SockDiag::parseDatagram(established, 7).sockets.empty());

    // Addresses as lsof writes them.
    for (const auto& [sixteen, text] : std::vector<std::pair<std::array<std::uint8_t, 16>, std::string>>{
             {{}, "*"},
             {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 127, 0, 0, 1}, "127.0.0.1"}, // IPv4-mapped
             {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff}, "*"},
             {{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "[fe80::1]"},
             {{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x2a}, "[2001:db8::2a]"}})
        EXPECT_EQ(listenAddressText({ListeningSocket::Family::V6, sixteen, 0, 0, 0}), text);
}

TEST(ProcRecords, StatFieldsAndNamesCompletedOnlyByANameThatBeginsWithTheCutOne) {
    const auto record =
        PortCore::parseStat("23997 (we) ird (name)x) R 23995 23995 18804 0 -1 4194304 2905 "
                            "6628 3 0 1 1 3 0 20 0 1 0 510908 17149952 3352 18446744073709551615\n");
    EXPECT_EQ(record, (PortCore::StatRecord{"we) ird (name)x", 23995, 2, 510908}));
    EXPECT_FALSE(PortCore::parseStat("12 (x) S 1 2 3"));
    EXPECT_FALSE(PortCore::parseStat("12 x) S 1"));
    EXPECT_EQ(PortCore::parseStatmResidentPages("4187 3461 1704 1 0 2025 0\n"), 3461u);
    EXPECT_FALSE(PortCore::parseStatmResidentPages("4187"));
    EXPECT_EQ(PortCore::parseUptime("5109.16 4713.12\n"), 5109.16);
    EXPECT_FALSE(PortCore::parseUptime("nan 1"));
    EXPECT_EQ(PortCore::parseSocketLink("socket:[587694]"), 587694u);
    for (auto other :
         {"pipe:[587694]", "socket:[]", "socket:[12x]", "/tmp/socket:[1]", "socket:[99999999999999999999]"})
        EXPECT_FALSE(PortCore::parseSocketLink(other)) << other;

    // The kernel cuts a name to 15 bytes; completing it must never put another program's name in its place.
    // A link to an interpreter is named by its first argument, a script started through its interpreter by a
    // later one.
    using Candidates = std::vector<std::string_view>;
    for (const auto& [comm, candidates, full] :
         std::vector<std::tuple<std::string_view, Candidates, std::string>>{
             {"a-very-long-ser",
              {"/usr/bin/python3.11", "/tmp/x/a-very-long-server-name", "app.py"},
              "a-very-long-server-name"},
             {"webpack-dev-ser",
              {"/usr/bin/node", "node", "/app/node_modules/.bin/webpack-dev-server"},
              "webpack-dev-server"},
             {"a-very-long-ser", {"/opt/a-very-long-server-name (deleted)"}, "a-very-long-server-name"},
             {"exactly15chars!", {"/usr/bin/python3"}, "exactly15chars!"},
             {"node", {"/usr/bin/python3.11"}, "node"}})
        EXPECT_EQ(PortCore::fullProcessName(comm, 15, candidates), full) << comm;
}

TEST(DarwinRecords, SocketDescriptorsAndListeningSockets) {
    // struct proc_fdinfo: {fd, type}; type 1 is a vnode, 2 a socket; the last record is cut.
    const std::string fdInfos("\3\0\0\0\1\0\0\0"
                              "\4\0\0\0\2\0\0\0"
                              "\x0b\0\0\0\2\0\0\0"
                              "\5\0\0\0\2\0"sv);
    EXPECT_EQ(Darwin::socketDescriptors(fdInfos), (std::vector<std::int32_t>{4, 11}));

    // The port is 3000 in network byte order, as a little-endian int holds it.
    const std::array<std::uint8_t, 16> loopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 127, 0, 0, 1};
    Darwin::TcpSocketFields fields{
        Darwin::socketKindTcp, Darwin::familyInet, Darwin::tcpStateListen, loopback, 0xb80b, 0,
        0xffffff8012345678};
    EXPECT_EQ(Darwin::listeningSocket(fields),
              (ListeningSocket{ListeningSocket::Family::V4, {127, 0, 0, 1}, 3000, 0, 0xffffff8012345678}));
    fields.family = Darwin::familyInet6;
    fields.localAddress = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(listenAddressText(*Darwin::listeningSocket(fields)), "[::1]");
    fields.state = 4; // established
    EXPECT_FALSE(Darwin::listeningSocket(fields));
}

// The first reading is the average over the process's life, then the share since the last reading; one too
// soon after that leaves the figure standing; another process under the pid, or one not read for long,
// starts afresh.
TEST(CpuMeterTest, LifetimeAverageFirstThenTheShareSinceTheLastReading) {
    CpuMeter meter;
    const double forget = CpuMeter::forgetAfter;
    for (const auto& [reading, now, expected] : std::vector<std::tuple<CpuMeter::Reading, double, double>>{
             {{100, 30, 60}, 1000, 50},
             {{100, 32, 62}, 1002, 100},
             {{100, 32.01, 62.1}, 1002.1, 100},
             {{100, 32.5, 66}, 1006, 12.5},
             {{200, 1, 4}, 1007, 25},
             {{200, 1, 4 + forget}, 1007 + forget, 100 / (4 + forget)}})
        EXPECT_DOUBLE_EQ(meter.percent(7, reading, now), expected) << now;
}

} // namespace moorix
