#pragma once

// Tests that a host accepts TCP connections: connect, close, nothing sent.

#include <cstdint>
#include <string>

namespace order {

// True when a connection to host:port was established within timeoutMs (any
// address the name resolves to).
bool TcpReachable(const std::string& host, std::uint16_t port, int timeoutMs);

} // namespace order
