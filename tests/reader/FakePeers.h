// SPDX-License-Identifier: LGPL-2.1-or-later
// Scripted peers for tests of libReader that must see or shape the bytes on the wire.
#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The Modbus CRC, computed here independently of the library under test.
uint16_t modbusCrc(const Bytes& bytes);
// unit + pdu + CRC.
Bytes rtuFrame(uint8_t unit, const Bytes& pdu);

// A Modbus RTU peer on a pseudo-terminal: it cuts the requests out of the byte stream and
// answers each as its script says, after the script's delay.
class FakeRtuPeer {
  public:
    struct Answer {
        Answer() = default;
        Answer(Bytes answerBytes, std::chrono::milliseconds answerDelay = {})
            : bytes(std::move(answerBytes)), delay(answerDelay) {}

        Bytes bytes;  // written as they are; empty = no answer
        std::chrono::milliseconds delay{0};
        std::chrono::nanoseconds perByte{0};  // > 0: one byte at a time, paced like a line
        Bytes later;                          // written laterDelay after the answer, unasked
        std::chrono::milliseconds laterDelay{0};
    };
    // When a request's first byte came in, and when the answer to it was all written (or,
    // without an answer, when the script returned).
    struct Timing {
        std::chrono::steady_clock::time_point requestStart;
        std::chrono::steady_clock::time_point answerEnd;
    };
    using Script = std::function<Answer(const Bytes& request, int index)>;

    explicit FakeRtuPeer(Script script);
    ~FakeRtuPeer();
    FakeRtuPeer(const FakeRtuPeer&) = delete;
    FakeRtuPeer& operator=(const FakeRtuPeer&) = delete;

    bool isOpen() const { return master_ >= 0; }
    QString device() const { return device_; }
    std::vector<Bytes> requests() const;
    std::vector<Timing> timings() const;
    // How many Answer::later byte runs have been written.
    int unsolicitedWrites() const { return unsolicitedWrites_; }
    std::size_t bytesReceived() const;

  private:
    void run();
    void waitUntil(std::chrono::steady_clock::time_point due) const;

    Script script_;
    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the line up while the library has it closed
    QString device_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Bytes> requests_;
    std::vector<Timing> timings_;
    std::atomic<int> unsolicitedWrites_{0};
    std::size_t received_ = 0;
    std::thread thread_;
};

// A reader's answer in RTU form: reads of functions 03 and 04 give seed + register address in
// every register; writes are answered with their echo.
FakeRtuPeer::Answer normalAnswer(const Bytes& request, uint8_t seed);
// The exception reply with that code to a request.
Bytes exceptionReply(const Bytes& request, uint8_t code);

// A Modbus TCP peer on 127.0.0.1 with the same kind of script: the script sees each request
// and answers in RTU form (unit, PDU, CRC); the peer wraps the answer in the request's MBAP
// header. Connections that the library drops and makes anew are served alike.
class FakeTcpPeer {
  public:
    explicit FakeTcpPeer(FakeRtuPeer::Script script);
    ~FakeTcpPeer();
    FakeTcpPeer(const FakeTcpPeer&) = delete;
    FakeTcpPeer& operator=(const FakeTcpPeer&) = delete;

    uint16_t port() const { return port_; }
    // Connections accepted so far, and the most of them open at one time (a connection the
    // library closed or reset counts as closed before the next one is accepted).
    int connections() const { return connections_; }
    int mostOpenAtOnce() const { return mostOpen_; }
    std::vector<Bytes> requests() const;

  private:
    void run();

    FakeRtuPeer::Script script_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<int> mostOpen_{0};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

// A TCP listener on 127.0.0.1 that accepts connections but never answers, to show that a
// call sent nothing.
class SilentTcpPeer {
  public:
    SilentTcpPeer();
    ~SilentTcpPeer();
    SilentTcpPeer(const SilentTcpPeer&) = delete;
    SilentTcpPeer& operator=(const SilentTcpPeer&) = delete;

    uint16_t port() const { return port_; }
    // Bytes received so far on all accepted connections (accepts pending ones first).
    std::size_t bytesReceived();

    // How each accepted connection stands, in the order of acceptance: still open, closed
    // by the peer in order (FIN), or reset (RST, the sender's queue thrown away).
    enum class End { Open, Closed, Reset };
    std::vector<End> connectionEnds();

  private:
    int listener_ = -1;
    uint16_t port_ = 0;
    std::vector<int> clients_;
    std::vector<End> ends_;
    std::size_t received_ = 0;
};
