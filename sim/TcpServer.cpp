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
// A client that sends requests but never reads the answers is cut off here.
constexpr std::size_t kMaxUnsent = 1 << 20;

std::runtime_error socketError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void setNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

TcpServer::TcpServer(const std::string& address, std::uint16_t port) : address_(address) {
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
}

TcpServer::~TcpServer() {
    for (auto& client : clients_) {
        ::close(client->fd);
    }
    ::close(listenFd_);
}

void TcpServer::prepare(PollSet& poll) {
    listenIndex_ = poll.add(listenFd_, POLLIN);
    for (auto& client : clients_) {
        short events = POLLIN;
        if (!client->out.empty()) {
            events |= POLLOUT;
        }
        client->pollIndex = poll.add(client->fd, events);
    }
}

void TcpServer::dispatch(const PollSet& poll, ModbusHandler& handler) {
    // Clients accepted in this turn have no poll entry yet; they are served from the next.
    const std::size_t polled = clients_.size();
    if (poll.revents(listenIndex_) & POLLIN) {
        accept();
    }
    for (std::size_t i = 0; i < polled; ++i) {
        Client& client = *clients_[i];
        const short events = poll.revents(client.pollIndex);
        bool keep = true;
        if (events & (POLLIN | POLLHUP | POLLERR)) {
            keep = receive(client, handler);
        }
        if (keep && !client.out.empty()) {
            keep = send(client);
        }
        if (!keep) {
            ::close(client.fd);
            client.fd = -1;
        }
    }
    std::erase_if(clients_, [](const auto& client) { return client->fd < 0; });
    for (auto& client : clients_) {
        if (client->closing && client->out.empty()) {
            ::close(client->fd);
            client->fd = -1;
        }
    }
    std::erase_if(clients_, [](const auto& client) { return client->fd < 0; });
}

void TcpServer::dropAllClients() {
    for (auto& client : clients_) {
        client->closing = true;
        if (client->out.empty()) {
            ::close(client->fd);
            client->fd = -1;
        }
    }
    std::erase_if(clients_, [](const auto& client) { return client->fd < 0; });
}

void TcpServer::accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;  // EAGAIN, or a connection that went away before it was taken
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto client = std::make_unique<Client>();
        client->fd = fd;
        clients_.push_back(std::move(client));
    }
}

bool TcpServer::receive(Client& client, ModbusHandler& handler) {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (n == 0) {
            return false;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                break;
            }
            return false;
        }
        if (client.closing) {
            continue;  // the reader is restarting; nothing more is answered here
        }
        client.in.insert(client.in.end(), buffer, buffer + n);
    }
    while (client.in.size() >= kHeaderSize) {
        const std::span<const std::uint8_t> in(client.in);
        const std::size_t protocol = std::size_t{in[2]} << 8 | in[3];
        const std::size_t length = std::size_t{in[4]} << 8 | in[5];
        if (protocol != 0 || length < 2 || length > kMaxLengthField) {
            return false;  // not Modbus TCP: no way to find the next frame
        }
        if (in.size() < 6 + length) {
            break;
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
        client.in.erase(client.in.begin(),
                        client.in.begin() + static_cast<std::ptrdiff_t>(6 + length));
    }
    if (client.out.size() > kMaxUnsent) {
        return false;
    }
    return true;
}

bool TcpServer::send(Client& client) {
    while (!client.out.empty()) {
        const ssize_t n = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        client.out.erase(client.out.begin(), client.out.begin() + n);
    }
    return true;
}

}  // namespace sim
