// SPDX-License-Identifier: LGPL-2.1-or-later
// One open link to a reader: a libmodbus context over TCP or RTU (serial port or USB
// CDC-ACM), with the timeouts, resynchronisation and reconnection that keep its exchanges
// in step.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "LinkFailure.h"
#include "ModbusRequest.h"
#include "RtuRawUnit.h"

typedef struct _modbus modbus_t;

namespace reader {

enum class LinkKind { Serial, Tcp, Usb };

class ModbusLink {
  public:
    // nullptr when the link cannot be opened; failure then says why. label names the link
    // in reasons and in the trace ("COM1 (/dev/ttyUSB0)"); a TCP link is named
    // address:port.
    static std::unique_ptr<ModbusLink> openTcp(const std::string& address, int port,
                                               LinkFailure& failure);
    static std::unique_ptr<ModbusLink> openSerial(const std::string& device, LinkKind kind,
                                                  std::string label, LinkFailure& failure);

    ~ModbusLink();
    ModbusLink(const ModbusLink&) = delete;
    ModbusLink& operator=(const ModbusLink&) = delete;

    LinkKind kind() const { return kind_; }
    const std::string& label() const { return label_; }
    // Why the last failed execute failed (its code is READER_OK after a success).
    const LinkFailure& lastFailure() const { return lastFailure_; }
    int32_t lineRate() const { return rate_; }

    // One request to the reader at station (1..247 that station, anything else unit 255).
    // Reads store request.count values.
    Outcome execute(int32_t station, const Request& request, uint16_t* values = nullptr);

    // Switches the local serial port to bitsPerSecond in place, so the line never drops.
    bool switchLineRate(int32_t bitsPerSecond);
    // The same without the reader: a reply still due at the old rate would arrive as noise,
    // so it is drained rather than told apart.
    bool setLineRate(int32_t bitsPerSecond);

    // The time the reader is given to start its answer (kAnswerTime until set); the quiet
    // guard after a disturbance follows it (quietGuard).
    void setAnswerTime(std::chrono::milliseconds answerTime) { answerTime_ = answerTime; }
    std::chrono::milliseconds answerTime() const { return answerTime_; }

    // The reader restarted: a TCP connection is gone, a serial line is back at 9600.
    void readerRestarted();

    // Serialises the calls on this link.
    std::mutex& mutex() { return mutex_; }

    // An operation the user started: the next call tries the link even within the reconnect
    // pause after failures. Its failure counts like any other.
    void beginOperation() { reconnectNotBefore_ = {}; }

    // A link opened with its own station keeps it; the others follow the library-wide one.
    void keepStation(int32_t station) { ownStation_ = station; }
    int32_t stationOr(int32_t libraryStation) const { return ownStation_.value_or(libraryStation); }

  private:
    ModbusLink(modbus_t* ctx, LinkKind kind, std::string device, int32_t rate, std::string label);

    bool serialLine() const { return kind_ != LinkKind::Tcp; }
    bool ensureConnected();
    void disconnect();
    // TCP: closes with a reset, discarding whatever is still queued for sending.
    void abortConnection();
    // Serial: the request to send in place of request once the line is fit for it: drained
    // after a disturbance, or kept apart from a late reply that may still come.
    Request settleLine(uint8_t unit, const Request& request);
    void drainLateReplies();
    // Serial, after an exchange: what the next request must wait for or keep apart from.
    void keepInStep(uint8_t unit, const Request& wire, Outcome outcome,
                    const ExchangeDetail& detail);
    void drainBeforeNextRequest();
    bool inputWaiting() const;
    Outcome executeSerial(uint8_t unit, const Request& request, uint16_t* values,
                          ExchangeDetail& detail);
    Outcome executeTcp(int unit, const Request& request, uint16_t* values, ExchangeDetail& detail);
    void afterFailure(Outcome outcome);
    // TCP: counts the calls failing in a row and sets the pause before the next connection.
    void noteTcpOutcome(Outcome outcome);
    std::chrono::microseconds responseTimeout(const Request& request) const;
    Outcome executeDirect(const Request& request, uint16_t* values, ExchangeDetail& detail);
    // The MBAP header of the TCP frame of the current transaction, for the trace.
    std::array<uint8_t, 6> mbapHeader(std::size_t aduBytes) const;
    void traceDirectReply(int unit, const Request& request, const uint16_t* values, Outcome outcome,
                          const ExchangeDetail& detail, std::chrono::steady_clock::time_point sent);

    modbus_t* ctx_;
    LinkKind kind_;
    std::string device_;  // serial device; empty for TCP
    int32_t rate_;
    std::chrono::milliseconds answerTime_;
    std::string label_;
    LinkFailure lastFailure_;
    int connectError_ = 0;  // errno of the last failed reconnection
    bool connected_ = true;
    bool resyncPending_ = false;
    // A reply that may still come to a request that timed out without a byte of answer.
    std::optional<LateReply> lateReply_;
    std::chrono::steady_clock::time_point lastDisturbance_{};
    std::chrono::steady_clock::time_point lastExchangeEnd_{};
    std::optional<int32_t> ownStation_;
    uint16_t tcpTransaction_ = 0;  // as libmodbus numbers this context's requests
    int tcpFailures_ = 0;          // TCP calls failed in a row (answered or refused ones reset it)
    std::chrono::steady_clock::time_point reconnectNotBefore_{};
    std::mutex mutex_;
};

}  // namespace reader
