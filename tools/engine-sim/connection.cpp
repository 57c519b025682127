#include "connection.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>

namespace sim {
namespace {

// The address text and port of a socket end, as the HTTP library writes them.
bool endpoint(const sockaddr_storage& addr, std::string& text, int& port) {
    char buf[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, buf, sizeof buf);
        port = ntohs(in6->sin6_port);
    } else {
        return false;
    }
    text = buf;
    return true;
}

bool matches(int fd, const std::string& remoteAddr, int remotePort, int localPort) {
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return false;
    std::string peerAddr;
    int peerPort = -1;
    if (!endpoint(peer, peerAddr, peerPort) || peerPort != remotePort || peerAddr != remoteAddr) return false;
    if (localPort < 0) return true;
    sockaddr_storage self{};
    len = sizeof self;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&self), &len) != 0) return false;
    std::string selfAddr;
    int selfPort = -1;
    return endpoint(self, selfAddr, selfPort) && selfPort == localPort;
}

}  // namespace

int findConnection(const std::string& remoteAddr, int remotePort, int localPort) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    int found = -1;
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir)) continue;
        if (matches(static_cast<int>(fd), remoteAddr, remotePort, localPort)) {
            found = static_cast<int>(fd);
            break;
        }
    }
    closedir(dir);
    return found;
}

bool dropConnection(const std::string& remoteAddr, int remotePort, int localPort) {
    const int fd = findConnection(remoteAddr, remotePort, localPort);
    return fd >= 0 && shutdown(fd, SHUT_RDWR) == 0;
}

bool peerClosed(int fd, int waitMs) {
    pollfd p{fd, POLLRDHUP, 0};
    const int n = poll(&p, 1, waitMs);
    return n > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace sim
