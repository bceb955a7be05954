// SPDX-License-Identifier: LGPL-2.1-or-later
#include "FakePeers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

uint16_t modbusCrc(const Bytes& bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            const bool lsb = crc & 1;
            crc = static_cast<uint16_t>(crc >> 1);
            if (lsb) {
                crc ^= 0xA001;
            }
        }
    }
    return crc;
}

Bytes rtuFrame(uint8_t unit, const Bytes& pdu) {
    Bytes frame;
    frame.reserve(pdu.size() + 3);
    frame.push_back(unit);
    for (uint8_t b : pdu) {
        frame.push_back(b);
    }
    const uint16_t crc = modbusCrc(frame);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

FakeRtuPeer::Answer normalAnswer(const Bytes& request, uint8_t seed) {
    const auto wordAt = [&request](std::size_t i) {
        return static_cast<uint16_t>(request[i] << 8 | request[i + 1]);
    };
    const uint8_t unit = request[0];
    const uint8_t function = request[1];
    if (function == 0x03 || function == 0x04) {
        const uint16_t address = wordAt(2);
        const uint16_t count = wordAt(4);
        Bytes pdu{function, static_cast<uint8_t>(2 * count)};
        for (uint16_t i = 0; i < count; ++i) {
            pdu.push_back(0);
            pdu.push_back(static_cast<uint8_t>(seed + address + i));
        }
        return {rtuFrame(unit, pdu)};
    }
    return {rtuFrame(unit, Bytes(request.begin() + 1, request.begin() + 6))};
}

Bytes exceptionReply(const Bytes& request, uint8_t code) {
    return rtuFrame(request[0], {static_cast<uint8_t>(request[1] | 0x80), code});
}

FakeRtuPeer::FakeRtuPeer(Script script) : script_(std::move(script)) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return;
    }
    device_ = QString::fromLocal8Bit(ptsname(master_));
    slaveKeeper_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
    termios tios{};
    tcgetattr(master_, &tios);
    cfmakeraw(&tios);
    tcsetattr(master_, TCSANOW, &tios);
    thread_ = std::thread([this] { run(); });
}

FakeRtuPeer::~FakeRtuPeer() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (slaveKeeper_ >= 0) {
        ::close(slaveKeeper_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

std::vector<Bytes> FakeRtuPeer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<FakeRtuPeer::Timing> FakeRtuPeer::timings() const {
    std::lock_guard lock(mutex_);
    return timings_;
}

void FakeRtuPeer::waitUntil(std::chrono::steady_clock::time_point due) const {
    while (!stop_ && std::chrono::steady_clock::now() < due) {
        std::this_thread::sleep_until(
            std::min(due, std::chrono::steady_clock::now() + std::chrono::milliseconds(2)));
    }
}

std::size_t FakeRtuPeer::bytesReceived() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeRtuPeer::run() {
    using Clock = std::chrono::steady_clock;
    Bytes pending;
    Clock::time_point requestStart{};
    int index = 0;
    while (!stop_) {
        pollfd pfd{master_, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN)) {
            continue;
        }
        uint8_t chunk[256];
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0) {
            continue;
        }
        if (pending.empty()) {
            requestStart = Clock::now();
        }
        pending.insert(pending.end(), chunk, chunk + n);
        {
            std::lock_guard lock(mutex_);
            received_ += static_cast<std::size_t>(n);
        }
        // Requests of functions 03, 04 and 06 are 8 bytes; 16 carries its byte count.
        for (;;) {
            std::size_t length = 8;
            if (pending.size() >= 2 && pending[1] == 0x10) {
                if (pending.size() < 7) {
                    break;
                }
                length = 9u + pending[6];
            }
            if (pending.size() < length) {
                break;
            }
            const Bytes request(pending.begin(), pending.begin() + static_cast<long>(length));
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(length));
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const Answer answer = script_(request, index++);
            waitUntil(Clock::now() + answer.delay);
            // The end is taken before the last write, so that a pause of this thread can
            // only make the silence after it look longer, never shorter.
            Clock::time_point answerEnd = Clock::now();
            if (answer.perByte.count() > 0) {
                auto due = answerEnd;
                for (uint8_t byte : answer.bytes) {
                    waitUntil(due);
                    (void)!::write(master_, &byte, 1);
                    due += answer.perByte;
                }
                answerEnd = due;  // the last byte is on the line only after its own time
                waitUntil(due);
            } else if (!answer.bytes.empty()) {
                (void)!::write(master_, answer.bytes.data(), answer.bytes.size());
            }
            {
                std::lock_guard lock(mutex_);
                timings_.push_back({requestStart, answerEnd});
            }
            if (!answer.later.empty()) {
                waitUntil(Clock::now() + answer.laterDelay);
                (void)!::write(master_, answer.later.data(), answer.later.size());
                ++unsolicitedWrites_;
            }
            requestStart = Clock::now();  // for a request already pending
        }
    }
}

namespace {

// A listening socket on a free loopback port; -1 on failure.
int listenOnLoopback(uint16_t& port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 8) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (listener >= 0) {
            ::close(listener);
        }
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

// Whether the other end closed or reset the connection; data still to be read is not a close.
bool closedByOtherEnd(int fd) {
    uint8_t byte = 0;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

}  // namespace

FakeTcpPeer::FakeTcpPeer(FakeRtuPeer::Script script) : script_(std::move(script)) {
    listener_ = listenOnLoopback(port_);
    if (listener_ >= 0) {
        thread_ = std::thread([this] { run(); });
    }
}

FakeTcpPeer::~FakeTcpPeer() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

std::vector<Bytes> FakeTcpPeer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void FakeTcpPeer::run() {
    struct Client {
        int fd;
        Bytes pending;
    };
    std::vector<Client> clients;
    int index = 0;
    while (!stop_) {
        std::vector<pollfd> fds{{listener_, POLLIN, 0}};
        for (const Client& c : clients) {
            fds.push_back({c.fd, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), 20) <= 0) {
            continue;
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP))) {
                continue;
            }
            Client& client = clients[i - 1];
            uint8_t chunk[512];
            const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                ::close(client.fd);
                client.fd = -1;
                continue;
            }
            client.pending.insert(client.pending.end(), chunk, chunk + n);
            // MBAP: transaction id, protocol id, length of unit + PDU, then unit and PDU.
            while (client.pending.size() >= 7) {
                const std::size_t length =
                    6u + static_cast<std::size_t>(client.pending[4] << 8 | client.pending[5]);
                if (client.pending.size() < length) {
                    break;
                }
                Bytes request(client.pending.begin() + 6,
                              client.pending.begin() + static_cast<long>(length));
                const Bytes header(client.pending.begin(), client.pending.begin() + 4);
                client.pending.erase(client.pending.begin(),
                                     client.pending.begin() + static_cast<long>(length));
                request.push_back(0);  // room for the CRC of the RTU form
                request.push_back(0);
                {
                    std::lock_guard lock(mutex_);
                    requests_.push_back(request);
                }
                const FakeRtuPeer::Answer answer = script_(request, index++);
                const auto due = std::chrono::steady_clock::now() + answer.delay;
                while (!stop_ && std::chrono::steady_clock::now() < due) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                if (answer.bytes.size() < 4) {
                    continue;
                }
                Bytes reply = header;
                const std::size_t body = answer.bytes.size() - 2;  // unit + PDU
                reply.push_back(static_cast<uint8_t>(body >> 8));
                reply.push_back(static_cast<uint8_t>(body & 0xFF));
                reply.insert(reply.end(), answer.bytes.begin(),
                             answer.bytes.begin() + static_cast<long>(body));
                (void)::send(client.fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
        }
        if (fds[0].revents & POLLIN) {
            // The library closes a connection before it makes the next one: a close that the
            // poll above came too early to see is taken in before the new one is counted.
            for (Client& client : clients) {
                if (client.fd >= 0 && closedByOtherEnd(client.fd)) {
                    ::close(client.fd);
                    client.fd = -1;
                }
            }
        }
        std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd >= 0) {
                clients.push_back({fd, {}});
                ++connections_;
                mostOpen_ = std::max(mostOpen_.load(), static_cast<int>(clients.size()));
            }
        }
    }
    for (const Client& c : clients) {
        ::close(c.fd);
    }
}

SilentTcpPeer::SilentTcpPeer() {
    listener_ = listenOnLoopback(port_);
}

SilentTcpPeer::~SilentTcpPeer() {
    for (int client : clients_) {
        ::close(client);
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

std::size_t SilentTcpPeer::bytesReceived() {
    for (;;) {
        pollfd pfd{listener_, POLLIN, 0};
        if (poll(&pfd, 1, 0) <= 0) {
            break;
        }
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) {
            break;
        }
        clients_.push_back(client);
        ends_.push_back(End::Open);
    }
    for (std::size_t i = 0; i < clients_.size(); ++i) {
        while (ends_[i] == End::Open) {
            uint8_t chunk[512];
            const ssize_t n = ::recv(clients_[i], chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0) {
                received_ += static_cast<std::size_t>(n);
            } else if (n == 0) {
                ends_[i] = End::Closed;
            } else if (errno == ECONNRESET) {
                ends_[i] = End::Reset;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    return received_;
}

std::vector<SilentTcpPeer::End> SilentTcpPeer::connectionEnds() {
    bytesReceived();
    return ends_;
}
