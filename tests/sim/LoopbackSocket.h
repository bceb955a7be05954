// SPDX-License-Identifier: LGPL-2.1-or-later
// A TCP connection to a port on 127.0.0.1, for the reader-sim tests that hand-make frames.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// The connected socket, or -1. sendBuffer > 0 sets a small send buffer first, so that little
// of what the test pipelines waits on its own side.
inline int connectLoopback(std::uint16_t port, int sendBuffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (sendBuffer > 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
