// SPDX-License-Identifier: LGPL-2.1-or-later
#include "TcpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <stdexcept>

namespace sim {
namespace {

constexpr std::size_t kHeaderSize = 7;        // transaction, protocol, length, unit
constexpr std::size_t kMaxLengthField = 254;  // unit + the largest PDU

std::runtime_error socketError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void setNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int openSpareDescriptor() {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

std::size_t frameLength(std::span<const std::uint8_t> in) {
    return 6 + (std::size_t{in[4]} << 8 | in[5]);
}

// Drops the front of a buffer once it has been handled: once per turn, never per frame, so
// the work stays linear in the bytes.
void compact(std::vector<std::uint8_t>& buffer, std::size_t& start) {
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
    start = 0;
}

}  // namespace

TcpServer::TcpServer(const std::string& address, std::uint16_t port)
    : TcpServer(address, port, Limits{}) {}

TcpServer::TcpServer(const std::string& address, std::uint16_t port, Limits limits)
    : limits_(limits), address_(address) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        throw std::runtime_error("not an IPv4 address: " + address);
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        throw socketError("socket");
    }
    const int on = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const auto error = socketError("cannot listen on " + address + ":" + std::to_string(port));
        ::close(listenFd_);
        throw error;
    }
    if (::listen(listenFd_, 64) != 0) {
        const auto error = socketError("listen");
        ::close(listenFd_);
        throw error;
    }
    socklen_t length = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    setNonBlocking(listenFd_);
    spareFd_ = openSpareDescriptor();
}

TcpServer::~TcpServer() {
    for (auto& client : clients_) {
        ::close(client->fd);
    }
    if (spareFd_ >= 0) {
        ::close(spareFd_);
    }
    ::close(listenFd_);
}

std::size_t TcpServer::bufferedBytes() const {
    std::size_t total = 0;
    for (const auto& client : clients_) {
        total += client->in.size() + client->out.size();
    }
    return total;
}

bool TcpServer::completeFrameWaiting(const Client& client) {
    const auto in = std::span<const std::uint8_t>(client.in).subspan(client.inStart);
    return in.size() >= kHeaderSize && in.size() >= frameLength(in);
}

bool TcpServer::wantsInput(const Client& client) const {
    return client.pendingIn() < limits_.maxInput && client.pendingOut() < limits_.maxOutput;
}

bool TcpServer::stalled(const Client& client, Clock::time_point now) const {
    if (client.due && now < *client.due) {
        return false;  // the reader itself is still at work on the request
    }
    const bool underWay = client.pendingIn() > 0 || client.pendingOut() > 0;
    return underWay && now - client.lastProgress >= limits_.stallTimeout;
}

void TcpServer::prepare(PollSet& poll) {
    const auto now = Clock::now();
    listenPolled_ = now >= acceptPausedUntil_;
    if (listenPolled_) {
        listenIndex_ = poll.add(listenFd_, POLLIN);
    } else {
        poll.wakeAt(acceptPausedUntil_);
    }
    for (auto& client : clients_) {
        // Without POLLIN a client that does not take its answers sends into a full window:
        // its requests wait on its side, not in this process.
        short events = wantsInput(*client) ? POLLIN : 0;
        if (client->pendingOut() > 0) {
            events |= POLLOUT;
        }
        client->pollIndex = poll.add(client->fd, events);
        if (completeFrameWaiting(*client) && client->pendingOut() < limits_.maxOutput) {
            // Requests held back earlier can go on now, or once the reader is done.
            poll.wakeAt(client->due ? *client->due : now);
        } else if (client->pendingIn() > 0 || client->pendingOut() > 0) {
            poll.wakeAt(client->lastProgress + limits_.stallTimeout);
        }
    }
}

void TcpServer::dispatch(const PollSet& poll, ModbusHandler& handler) {
    const auto now = Clock::now();
    // Clients accepted in this turn have no poll entry yet; they are served from the next.
    const std::size_t polled = clients_.size();
    for (std::size_t i = 0; i < polled; ++i) {
        Client& client = *clients_[i];
        const short events = poll.revents(client.pollIndex);
        // A reset or a connection closed both ways: no answer can reach the client any more,
        // and a client that is not being read from would be reported again at once.
        bool keep = (events & (POLLHUP | POLLERR)) == 0;
        if (keep && (events & POLLIN)) {
            keep = receive(client, now);
        }
        // Requests read in an earlier turn wait while the answers are not taken; they go
        // on as soon as there is room again.
        if (keep) {
            keep = handleRequests(client, handler, now);
        }
        if (keep && client.pendingOut() > 0) {
            keep = send(client, now);
        }
        if (keep && stalled(client, now)) {
            keep = false;
        }
        if (!keep) {
            ::close(client.fd);
            client.fd = -1;
        }
    }
    closeFinished();
    if (listenPolled_ && (poll.revents(listenIndex_) & POLLIN)) {
        accept(now);
    }
}

void TcpServer::closeFinished() {
    for (auto& client : clients_) {
        if (client->fd >= 0 && client->closing && client->pendingOut() == 0) {
            ::close(client->fd);
            client->fd = -1;
        }
    }
    std::erase_if(clients_, [](const auto& client) { return client->fd < 0; });
}

void TcpServer::dropAllClients() {
    for (auto& client : clients_) {
        client->closing = true;
        client->in.clear();
        client->inStart = 0;
        client->due.reset();
    }
    closeFinished();
}

void TcpServer::refuse(int fd) {
    // A reset tells the client at once; nothing of it is kept.
    const linger abort{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd);
    ++refused_;
}

bool TcpServer::makeRoom(Clock::time_point now) {
    if (clients_.size() < limits_.maxClients) {
        return true;
    }
    // The place of the client that has been idle longest, if long enough.
    Client* idlest = nullptr;
    for (auto& client : clients_) {
        if (client->pendingIn() == 0 && client->pendingOut() == 0 &&
            now - client->lastRequest >= limits_.idleTimeout &&
            (!idlest || client->lastRequest < idlest->lastRequest)) {
            idlest = client.get();
        }
    }
    if (!idlest) {
        return false;
    }
    ::close(idlest->fd);
    idlest->fd = -1;
    std::erase_if(clients_, [](const auto& client) { return client->fd < 0; });
    return true;
}

void TcpServer::accept(Clock::time_point now) {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) {
                continue;  // that connection went away before it was taken
            }
            if (errno == EMFILE || errno == ENFILE) {
                // The connection would stay in the backlog and keep the listening socket
                // readable: a busy loop serving nobody. The spare descriptor takes it, and
                // it is refused at once.
                if (spareFd_ >= 0) {
                    ::close(spareFd_);
                    spareFd_ = -1;
                    const int taken = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
                    if (taken >= 0) {
                        refuse(taken);
                    }
                    spareFd_ = openSpareDescriptor();
                    if (taken >= 0 && spareFd_ >= 0) {
                        continue;
                    }
                }
                acceptPausedUntil_ = now + limits_.acceptPause;
                return;
            }
            if (errno == ENOBUFS || errno == ENOMEM) {
                acceptPausedUntil_ = now + limits_.acceptPause;
            }
            return;  // EAGAIN: nobody else is waiting
        }
        if (!makeRoom(now)) {
            refuse(fd);
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto client = std::make_unique<Client>();
        client->fd = fd;
        client->lastProgress = now;
        client->lastRequest = now;
        clients_.push_back(std::move(client));
    }
}

bool TcpServer::receive(Client& client, Clock::time_point now) {
    compact(client.in, client.inStart);
    while (wantsInput(client) || client.closing) {
        std::uint8_t buffer[4096];
        const std::size_t room =
            client.closing ? sizeof buffer
                           : std::min(sizeof buffer, limits_.maxInput - client.pendingIn());
        const ssize_t n = ::recv(client.fd, buffer, room, 0);
        if (n == 0) {
            return false;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (client.closing) {
            continue;  // the reader is restarting; nothing more is answered here
        }
        if (client.pendingIn() == 0 && client.pendingOut() == 0) {
            // An idle client starts a request: its stall clock starts now, not at its last
            // answer, however long ago that was.
            client.lastProgress = now;
        }
        client.in.insert(client.in.end(), buffer, buffer + n);
    }
    return true;
}

bool TcpServer::handleRequests(Client& client, ModbusHandler& handler, Clock::time_point now) {
    while (client.pendingIn() >= kHeaderSize && client.pendingOut() < limits_.maxOutput) {
        const auto in = std::span<const std::uint8_t>(client.in).subspan(client.inStart);
        const std::size_t protocol = std::size_t{in[2]} << 8 | in[3];
        const std::size_t length = frameLength(in) - 6;
        if (protocol != 0 || length < 2 || length > kMaxLengthField) {
            return false;  // not Modbus TCP: no way to find the next frame
        }
        if (in.size() < 6 + length) {
            break;
        }
        if (replyDelay_ > Clock::duration::zero()) {
            if (!client.due) {
                client.due = now + replyDelay_;
                client.lastProgress = now;
            }
            if (now < *client.due) {
                break;
            }
            client.due.reset();
        }
        const std::uint8_t unit = in[6];
        const auto reply = handler.handle(unit, in.subspan(kHeaderSize, length - 1));
        if (reply) {
            const std::size_t replyLength = reply->size() + 1;
            client.out.insert(client.out.end(),
                              {in[0], in[1], 0, 0, static_cast<std::uint8_t>(replyLength >> 8),
                               static_cast<std::uint8_t>(replyLength & 0xFF), unit});
            client.out.insert(client.out.end(), reply->begin(), reply->end());
        }
        client.inStart += 6 + length;
        client.lastProgress = now;
        client.lastRequest = now;
    }
    compact(client.in, client.inStart);
    return true;
}

bool TcpServer::send(Client& client, Clock::time_point now) {
    while (client.pendingOut() > 0) {
        const ssize_t n = ::send(client.fd, client.out.data() + client.outSent, client.pendingOut(),
                                 MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                break;
            }
            return false;
        }
        client.outSent += static_cast<std::size_t>(n);
        client.lastProgress = now;
    }
    compact(client.out, client.outSent);
    return true;
}

}  // namespace sim
