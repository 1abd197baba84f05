#pragma once

#include <cstdint>

namespace moorix::PortCore {

inline constexpr int probeBudgetMilliseconds = 1500;

// Whether something on this machine answers HTTP on `port`: one HEAD request to http://127.0.0.1:PORT/,
// and to http://[::1]:PORT/ when the IPv4 loopback refuses the connection, all within 1.5 seconds. Any
// status code counts; no proxy is ever used. Blocks its caller; safe to call from many threads at once.
bool probe(std::int64_t port);

} // namespace moorix::PortCore
