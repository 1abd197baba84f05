// Linux netlink answers to an inet_diag dump, as the kernel's socket listing reads them.
#include "core/platform/listening_socket.h"
#include "core/platform/sock_diag.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    // The seeds answer request 7.
    const auto batch = SockDiag::parseDatagram(input, 7);
    require(batch.sockets.size() <= size / (SockDiag::headerSize + SockDiag::inetDiagMessageSize));
    for (const ListeningSocket& socket : batch.sockets) {
        const std::string address = listenAddressText(socket);
        require(!address.empty() && isValidUtf8(address));
        require(address == "*" || address.front() == '[' || address.find(':') == std::string::npos);
    }
    return 0;
}
