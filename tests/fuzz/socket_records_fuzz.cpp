// The kernel's answers about sockets, as the native socket listings read them: Linux netlink answers to an
// inet_diag dump, and macOS libproc's PROC_PIDLISTFDS arrays and the fields of a socket's record.
#include "core/platform/darwin_records.h"
#include "core/platform/listening_socket.h"
#include "core/platform/sock_diag.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

#include <cstring>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    // The netlink seeds answer request 7.
    const auto batch = SockDiag::parseDatagram(input, 7);
    require(batch.sockets.size() <= size / (SockDiag::headerSize + SockDiag::inetDiagMessageSize));
    for (const ListeningSocket& socket : batch.sockets) {
        const std::string address = listenAddressText(socket);
        require(!address.empty() && isValidUtf8(address));
        require(address == "*" || address.front() == '[' || address.find(':') == std::string::npos);
    }

    const auto fds = Darwin::socketDescriptors(input);
    require(fds.size() <= size / Darwin::fdInfoSize);
    for (std::int32_t fd : fds) require(fd >= 0);
    Darwin::TcpSocketFields fields;
    if (size < sizeof(int) * 4 + fields.localAddress.size()) return 0;
    std::memcpy(&fields.kind, data, sizeof(int));
    std::memcpy(&fields.family, data + 4, sizeof(int));
    std::memcpy(&fields.state, data + 8, sizeof(int));
    std::memcpy(&fields.localPort, data + 12, sizeof(int));
    std::memcpy(fields.localAddress.data(), data + 16, fields.localAddress.size());
    if (const auto socket = Darwin::listeningSocket(fields)) {
        require(fields.kind == Darwin::socketKindTcp && fields.state == Darwin::tcpStateListen);
        require(!listenAddressText(*socket).empty());
    }
    return 0;
}
