#include "FakePeers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

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

std::size_t FakeRtuPeer::bytesReceived() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeRtuPeer::run() {
    Bytes pending;
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
            const auto due = std::chrono::steady_clock::now() + answer.delay;
            while (!stop_ && std::chrono::steady_clock::now() < due) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (!answer.bytes.empty()) {
                (void)!::write(master_, answer.bytes.data(), answer.bytes.size());
            }
        }
    }
}

SilentTcpPeer::SilentTcpPeer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
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
    }
    for (int client : clients_) {
        uint8_t chunk[512];
        ssize_t n;
        while ((n = ::recv(client, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) {
            received_ += static_cast<std::size_t>(n);
        }
    }
    return received_;
}
