#pragma once

#include <string>

// Reaching the socket behind a request. The HTTP library hands handlers only
// the peer's address, so the socket is found among the process's open files
// by its two ends.
namespace sim {

// The socket whose local port is localPort and whose peer is
// remoteAddr:remotePort, or -1. A negative localPort matches any.
int findConnection(const std::string& remoteAddr, int remotePort, int localPort);

// Shuts the connection down in both directions: the client sees it closed
// before any byte of an answer. Returns whether the socket was found.
bool dropConnection(const std::string& remoteAddr, int remotePort, int localPort);

// Whether the peer has closed its end (or the socket is gone).
// Waits at most waitMs for that to happen.
bool peerClosed(int fd, int waitMs);

}  // namespace sim
