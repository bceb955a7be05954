// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ModbusHandler.h"
#include "PollSet.h"

namespace sim {

// Modbus TCP on one listening address, many clients at once, non-blocking. No client can
// take the reader from the others: each one's requests and unsent answers are bounded, a
// client that does not take its answers is no longer read from (its requests wait in the
// network instead of in memory) and is dropped when it stays stuck, and when the clients or
// the process's descriptors run out a new connection is refused at once rather than left
// waiting in the backlog.
class TcpServer {
  public:
    struct Limits {
        std::size_t maxClients = 64;
        // Request bytes read ahead of the handling; well above one frame (260 bytes).
        std::size_t maxInput = 4096;
        // Unsent answer bytes at which a client is no longer read from.
        std::size_t maxOutput = 16384;
        // A client with a request or an answer under way that makes no progress for this
        // long (takes no answer, finishes no request) is dropped.
        Clock::duration stallTimeout = std::chrono::seconds(10);
        // When every place is taken, a client that sent nothing for this long gives its
        // place to a new connection. Below the limit idle clients stay connected, as a
        // configuration tool keeps its connection open between operations.
        Clock::duration idleTimeout = std::chrono::seconds(30);
        // Accepting is paused this long when no descriptor can be had even for refusing.
        Clock::duration acceptPause = std::chrono::milliseconds(100);
    };

    // address is a dotted IPv4 address (0.0.0.0 for every interface); port 0 picks a free
    // port. Throws std::runtime_error when the address cannot be bound.
    TcpServer(const std::string& address, std::uint16_t port);
    TcpServer(const std::string& address, std::uint16_t port, Limits limits);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    std::uint16_t port() const { return port_; }
    const std::string& address() const { return address_; }
    std::size_t clientCount() const { return clients_.size(); }
    // Request and answer bytes held for all clients together.
    std::size_t bufferedBytes() const;
    // Connections refused so far (client limit or no descriptor left).
    std::size_t refusedCount() const { return refused_; }

    // The reader's processing time: each request is handled this long after it came in (one
    // after the other per client, every client on its own clock), without holding up the
    // loop.
    void setReplyDelay(Clock::duration delay) { replyDelay_ = delay; }

    void prepare(PollSet& poll);
    void dispatch(const PollSet& poll, ModbusHandler& handler);

    // Closes every connection once the answers already queued have been sent.
    void dropAllClients();

  private:
    struct Client {
        int fd = -1;
        std::vector<std::uint8_t> in;
        std::size_t inStart = 0;  // bytes of in already handled
        std::vector<std::uint8_t> out;
        std::size_t outSent = 0;  // bytes of out already sent
        bool closing = false;
        std::size_t pollIndex = 0;
        Clock::time_point lastProgress{};  // request finished or answer bytes taken
        Clock::time_point lastRequest{};
        // With a reply delay: when the request at the front of in is handled.
        std::optional<Clock::time_point> due;

        std::size_t pendingIn() const { return in.size() - inStart; }
        std::size_t pendingOut() const { return out.size() - outSent; }
    };

    void accept(Clock::time_point now);
    bool makeRoom(Clock::time_point now);
    void refuse(int fd);
    bool wantsInput(const Client& client) const;
    static bool completeFrameWaiting(const Client& client);
    // Each returns false when the connection is to be closed now.
    bool receive(Client& client, Clock::time_point now);
    bool handleRequests(Client& client, ModbusHandler& handler, Clock::time_point now);
    bool send(Client& client, Clock::time_point now);
    bool stalled(const Client& client, Clock::time_point now) const;
    void closeFinished();

    Limits limits_;
    int listenFd_ = -1;
    int spareFd_ = -1;  // given up to take and refuse a connection when descriptors run out
    std::size_t listenIndex_ = 0;
    bool listenPolled_ = false;
    Clock::time_point acceptPausedUntil_{};
    std::size_t refused_ = 0;
    Clock::duration replyDelay_{};
    std::string address_;
    std::uint16_t port_ = 0;
    std::vector<std::unique_ptr<Client>> clients_;
};

}  // namespace sim
