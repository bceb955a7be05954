#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ModbusHandler.h"
#include "PollSet.h"

namespace sim {

// Modbus TCP on one listening address, any number of clients at once, non-blocking.
class TcpServer {
  public:
    // address is a dotted IPv4 address (0.0.0.0 for every interface); port 0 picks a free
    // port. Throws std::runtime_error when the address cannot be bound.
    TcpServer(const std::string& address, std::uint16_t port);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    std::uint16_t port() const { return port_; }
    const std::string& address() const { return address_; }
    std::size_t clientCount() const { return clients_.size(); }

    void prepare(PollSet& poll);
    void dispatch(const PollSet& poll, ModbusHandler& handler);

    // Closes every connection once the answers already queued have been sent.
    void dropAllClients();

  private:
    struct Client {
        int fd = -1;
        std::vector<std::uint8_t> in;
        std::vector<std::uint8_t> out;
        bool closing = false;
        std::size_t pollIndex = 0;
    };

    void accept();
    // Returns false when the connection is to be closed now.
    bool receive(Client& client, ModbusHandler& handler);
    bool send(Client& client);

    int listenFd_ = -1;
    std::size_t listenIndex_ = 0;
    std::string address_;
    std::uint16_t port_ = 0;
    std::vector<std::unique_ptr<Client>> clients_;
};

}  // namespace sim
