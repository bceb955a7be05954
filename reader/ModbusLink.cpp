// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ModbusLink.h"

#include <arpa/inet.h>
#include <modbus/modbus.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <thread>

#include "LineTiming.h"
#include "Reader.h"
#include "ReaderRegisters.h"
#include "RtuRawUnit.h"
#include "Trace.h"

namespace reader {

namespace {

using Clock = std::chrono::steady_clock;

void setResponseTimeout(modbus_t* ctx, std::chrono::microseconds timeout) {
    const auto us = timeout.count();
    modbus_set_response_timeout(ctx, static_cast<uint32_t>(us / 1'000'000),
                                static_cast<uint32_t>(us % 1'000'000));
}

Outcome classifyModbusError(int error) {
    if (error >= EMBXILFUN && error <= EMBXGTAR) {
        return Outcome::Exception;
    }
    switch (error) {
        case ETIMEDOUT:
        case EMBBADCRC:
        case EMBBADDATA:
        case EMBBADEXC:
        case EMBUNKEXC:
        case EMBMDATA:
        case EMBBADSLAVE:
            return Outcome::Garbled;
        default:
            return Outcome::Broken;
    }
}

std::optional<speed_t> speedFor(int32_t bitsPerSecond) {
    switch (bitsPerSecond) {
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return std::nullopt;
    }
}

modbus_t* newRtuContext(const std::string& device, int32_t rate) {
    modbus_t* ctx = modbus_new_rtu(device.c_str(), rate, 'N', 8, 1);
    if (ctx != nullptr) {
        // The whole reply must arrive within the response timeout.
        modbus_set_byte_timeout(ctx, 0, 0);
    }
    return ctx;
}

// Connects a serial context and takes the device for this process alone: a second program
// (or a second handle) on the same device would garble both sides' frames. 0, or errno.
int connectSerial(modbus_t* ctx) {
    if (modbus_connect(ctx) != 0) {
        return errno != 0 ? errno : EIO;
    }
    if (flock(modbus_get_socket(ctx), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        modbus_close(ctx);
        return error == EWOULDBLOCK ? EBUSY : error;
    }
    return 0;
}

}  // namespace

ModbusLink::ModbusLink(modbus_t* ctx, LinkKind kind, std::string device, int32_t rate,
                       std::string label)
    : ctx_(ctx),
      kind_(kind),
      device_(std::move(device)),
      rate_(rate),
      answerTime_(kAnswerTime),
      label_(std::move(label)) {}

ModbusLink::~ModbusLink() {
    if (connected_) {
        modbus_close(ctx_);
    }
    modbus_free(ctx_);
}

std::unique_ptr<ModbusLink> ModbusLink::openTcp(const std::string& address, int port,
                                                LinkFailure& failure) {
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        failure = {READER_ERROR_ARGUMENT, "not a dotted IP address"};
        return nullptr;
    }
    modbus_t* ctx = modbus_new_tcp(address.c_str(), port);
    if (ctx == nullptr) {
        failure = failureFromErrno(errno);
        return nullptr;
    }
    modbus_set_byte_timeout(ctx, 0, 0);
    setResponseTimeout(ctx, kConnectTimeout);
    if (modbus_connect(ctx) != 0) {
        failure = failureFromErrno(errno);
        if (errno == ETIMEDOUT) {
            failure.reason =
                "no connection within " + std::to_string(kConnectTimeout.count()) + " ms";
        }
        modbus_free(ctx);
        return nullptr;
    }
    return std::unique_ptr<ModbusLink>(
        new ModbusLink(ctx, LinkKind::Tcp, {}, 0, address + ':' + std::to_string(port)));
}

std::unique_ptr<ModbusLink> ModbusLink::openSerial(const std::string& device, LinkKind kind,
                                                   std::string label, LinkFailure& failure) {
    modbus_t* ctx = newRtuContext(device, kOpeningRate);
    if (ctx == nullptr) {
        failure = failureFromErrno(errno);
        return nullptr;
    }
    if (const int error = connectSerial(ctx); error != 0) {
        failure = failureFromErrno(error);
        modbus_free(ctx);
        return nullptr;
    }
    return std::unique_ptr<ModbusLink>(
        new ModbusLink(ctx, kind, device, kOpeningRate, std::move(label)));
}

Outcome ModbusLink::execute(int32_t station, const Request& request, uint16_t* values) {
    ExchangeDetail detail;
    if (!connected_ && kind_ == LinkKind::Tcp && Clock::now() < reconnectNotBefore_) {
        // Still within the pause after repeated failures: no connection attempt.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(reconnectNotBefore_ - Clock::now());
        lastFailure_ = {READER_ERROR_UNREACHABLE, "no answer from " + label_ + " in the last " +
                                                      std::to_string(tcpFailures_) +
                                                      " calls; next connection in " +
                                                      std::to_string(left.count()) + " ms"};
        return Outcome::Broken;
    }
    if (!ensureConnected()) {
        detail.error = connectError_;
        lastFailure_ = failureOf(Outcome::Broken, detail, {});
        noteTcpOutcome(Outcome::Broken);
        return Outcome::Broken;
    }
    const int unit = station >= 1 && station <= 247 ? station : reg::kAnyUnit;
    Outcome outcome = serialLine()
                          ? executeSerial(static_cast<uint8_t>(unit), request, values, detail)
                          : executeTcp(unit, request, values, detail);
    // After a silent timeout the line has been quiet since the request, far longer than the
    // frame gap the next request must keep: it may go out at once (a scan's next probe).
    const bool quietSinceRequest = outcome == Outcome::Garbled && detail.timedOut && detail.silent;
    lastExchangeEnd_ = quietSinceRequest ? Clock::time_point{} : Clock::now();
    afterFailure(outcome);
    noteTcpOutcome(outcome);
    return outcome;
}

Outcome ModbusLink::executeTcp(int unit, const Request& request, uint16_t* values,
                               ExchangeDetail& detail) {
    modbus_set_slave(ctx_, unit);
    setResponseTimeout(ctx_, answerTime_);
    // libmodbus 3.1.6 numbers a context's requests from 1, one more for each, after 65535
    // starting again at 0: the transaction id of the MBAP header the trace shows.
    tcpTransaction_ = tcpTransaction_ < 0xFFFF ? static_cast<uint16_t>(tcpTransaction_ + 1) : 0;
    const bool tracing = trace::enabled();
    if (tracing) {
        const auto adu = requestAdu(static_cast<uint8_t>(unit), request);
        trace::request(label_, adu, mbapHeader(adu.size()));
    }
    const auto sent = Clock::now();
    const Outcome outcome = executeDirect(request, values, detail);
    if (tracing) {
        traceDirectReply(unit, request, values, outcome, detail, sent);
    }
    lastFailure_ = failureOf(outcome, detail, answerTime_);
    return outcome;
}

Outcome ModbusLink::executeSerial(uint8_t unit, const Request& request, uint16_t* values,
                                  ExchangeDetail& detail) {
    if (kind_ == LinkKind::Serial) {
        // The silence that ends the previous frame on the line.
        std::this_thread::sleep_until(lastExchangeEnd_ + frameGap(rate_));
    }
    const Request wire = settleLine(unit, request);
    if (wire.count != request.count && trace::enabled()) {
        trace::note(label_, "next read widened by one register: a late reply may still come",
                    Clock::now());
    }
    modbus_flush(ctx_);  // nothing received before the request can be its answer
    const auto timeout = responseTimeout(wire);
    std::array<uint16_t, MODBUS_MAX_READ_REGISTERS> wireValues{};
    Outcome outcome = exchangeRaw(ctx_, unit, wire, wireValues.data(), Clock::now() + timeout,
                                  detail, label_, lateReply_ ? &*lateReply_ : nullptr);
    if (outcome == Outcome::Garbled && detail.timedOut && detail.silent &&
        detail.lateReplyDropped) {
        // The reader answered the earlier request late: it was still busy when this one came
        // and may have lost it. Sent once more; the same request answered twice is answered
        // right either way, and a second answer that comes late is kept apart like any other.
        lateReply_.reset();
        if (kind_ == LinkKind::Serial) {
            std::this_thread::sleep_for(frameGap(rate_));
        }
        if (trace::enabled()) {
            trace::note(label_, "reader was busy with the late request: sending again",
                        Clock::now());
        }
        outcome = exchangeRaw(ctx_, unit, wire, wireValues.data(), Clock::now() + timeout, detail,
                              label_);
        if (outcome == Outcome::Ok || outcome == Outcome::Exception) {
            lateReply_.emplace(unit, wire, Clock::now());
        }
    }
    if (outcome == Outcome::Ok && values != nullptr && isRead(wire.function)) {
        // A read widened to tell it from a late reply holds one register more.
        std::copy_n(wireValues.begin() + (request.address - wire.address), request.count, values);
    }
    keepInStep(unit, wire, outcome, detail);
    lastFailure_ = failureOf(outcome, detail, timeout);
    return outcome;
}

void ModbusLink::noteTcpOutcome(Outcome outcome) {
    if (kind_ != LinkKind::Tcp) {
        return;
    }
    if (outcome == Outcome::Ok || outcome == Outcome::Exception) {
        tcpFailures_ = 0;
        return;
    }
    ++tcpFailures_;
    reconnectNotBefore_ = Clock::now() + reconnectPause(tcpFailures_);
}

Outcome ModbusLink::executeDirect(const Request& r, uint16_t* values, ExchangeDetail& detail) {
    int done = -1;
    switch (r.function) {
        case Function::ReadHolding:
            done = modbus_read_registers(ctx_, r.address, r.count, values);
            break;
        case Function::ReadInput:
            done = modbus_read_input_registers(ctx_, r.address, r.count, values);
            break;
        case Function::WriteSingle:
            done = modbus_write_register(ctx_, r.address, r.values[0]) == 1 ? r.count : -1;
            break;
        case Function::WriteMultiple:
            done = modbus_write_registers(ctx_, r.address, r.count, r.values);
            break;
    }
    if (done == r.count) {
        return Outcome::Ok;
    }
    if (done >= 0) {
        return Outcome::Garbled;
    }
    const int error = errno;
    const Outcome outcome = classifyModbusError(error);
    detail.timedOut = error == ETIMEDOUT;
    detail.exceptionCode = outcome == Outcome::Exception ? error - MODBUS_ENOBASE : 0;
    detail.error = error;
    return outcome;
}

void ModbusLink::traceDirectReply(int unit, const Request& request, const uint16_t* values,
                                  Outcome outcome, const ExchangeDetail& detail,
                                  std::chrono::steady_clock::time_point sent) {
    const auto u = static_cast<uint8_t>(unit);
    if (outcome == Outcome::Ok || outcome == Outcome::Exception) {
        const auto adu = replyAdu(u, request, values, detail.exceptionCode);
        trace::reply(label_, adu, sent, mbapHeader(adu.size()));
    } else if (detail.timedOut) {
        trace::note(label_, "no answer", sent);
    } else {
        trace::note(label_, outcome == Outcome::Garbled ? "garbled reply" : "link failed", sent);
    }
}

std::array<uint8_t, 6> ModbusLink::mbapHeader(std::size_t aduBytes) const {
    // Transaction id, protocol 0, and the length of what follows: unit and PDU.
    return {static_cast<uint8_t>(tcpTransaction_ >> 8), static_cast<uint8_t>(tcpTransaction_), 0, 0,
            static_cast<uint8_t>(aduBytes >> 8),        static_cast<uint8_t>(aduBytes)};
}

void ModbusLink::afterFailure(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ok:
        case Outcome::Exception:
            return;
        case Outcome::Garbled:
            if (kind_ == LinkKind::Tcp) {
                // A fresh connection can never carry the late reply.
                abortConnection();
            }  // a serial line is kept in step by keepInStep
            return;
        case Outcome::Broken:
            if (kind_ == LinkKind::Tcp) {
                abortConnection();
            } else {
                disconnect();
            }
            return;
    }
}

std::chrono::microseconds ModbusLink::responseTimeout(const Request& request) const {
    if (kind_ == LinkKind::Usb) {
        return answerTime_;
    }
    return answerTime_ + std::chrono::ceil<std::chrono::microseconds>(exchangeWireTime(
                             rtuRequestBytes(request), rtuReplyBytes(request), rate_));
}

bool ModbusLink::ensureConnected() {
    if (connected_) {
        return true;
    }
    if (serialLine()) {
        // A fresh context: the device may have come back, and at the current rate.
        modbus_t* ctx = newRtuContext(device_, rate_);
        if (ctx == nullptr) {
            connectError_ = errno;
            return false;
        }
        modbus_free(ctx_);
        ctx_ = ctx;
        connectError_ = connectSerial(ctx_);
    } else {
        setResponseTimeout(ctx_, kConnectTimeout);
        connectError_ = modbus_connect(ctx_) == 0 ? 0 : errno;
    }
    connected_ = connectError_ == 0;
    resyncPending_ = false;
    lateReply_.reset();
    return connected_;
}

void ModbusLink::disconnect() {
    if (connected_) {
        modbus_close(ctx_);
        connected_ = false;
    }
}

void ModbusLink::abortConnection() {
    if (!connected_) {
        return;
    }
    // A plain close would leave the request of a failed call in the kernel's send queue, to
    // be retransmitted and carried out after the failure was reported (and after later
    // calls on a new connection). A zero linger time makes close drop the queue and reset
    // the connection, so nothing of this connection can reach the reader any more.
    // modbus_close would shut the connection down in order first, sending the queue.
    const int fd = modbus_get_socket(ctx_);
    const linger abort{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(fd);
    modbus_set_socket(ctx_, -1);
    connected_ = false;
}

Request ModbusLink::settleLine(uint8_t unit, const Request& request) {
    if (lateReply_) {
        std::optional<Request> apart;
        if (Clock::now() < lateReply_->timedOut + quietGuard(answerTime_) && !inputWaiting()) {
            apart = requestApartFrom(*lateReply_, unit, request);
        }
        if (apart) {
            // The late reply cannot pass for this request's answer: no need to wait for it.
            return *apart;
        }
        // It may have started, or would look like the answer: wait for the line to be quiet.
        resyncPending_ = true;
        lastDisturbance_ = std::max(lastDisturbance_, lateReply_->timedOut);
        lateReply_.reset();
    }
    drainLateReplies();
    return request;
}

void ModbusLink::keepInStep(uint8_t unit, const Request& wire, Outcome outcome,
                            const ExchangeDetail& detail) {
    if (outcome == Outcome::Garbled && detail.timedOut && detail.silent) {
        // Not a byte of answer: the reply may still come whole, and a request that it cannot
        // be mistaken for may go out meanwhile.
        lateReply_.emplace(unit, wire, Clock::now());
    } else if (outcome == Outcome::Garbled) {
        drainBeforeNextRequest();  // the rest of a bad or partial reply may still come
    } else if (outcome == Outcome::Broken || detail.lateReplyDropped) {
        lateReply_.reset();  // the line is reopened, or the late reply was put aside
    } else if (outcome == Outcome::Exception && lateReply_ &&
               lateReply_->function == wire.function) {
        // The exception may have been the late reply's; the request's own answer may follow.
        drainBeforeNextRequest();
    }
}

void ModbusLink::drainBeforeNextRequest() {
    lateReply_.reset();
    modbus_flush(ctx_);
    resyncPending_ = true;
    lastDisturbance_ = Clock::now();
}

bool ModbusLink::inputWaiting() const {
    pollfd pfd{modbus_get_socket(ctx_), POLLIN, 0};
    return poll(&pfd, 1, 0) > 0;
}

void ModbusLink::drainLateReplies() {
    if (!resyncPending_) {
        return;
    }
    resyncPending_ = false;
    const int fd = modbus_get_socket(ctx_);
    const auto guard = quietGuard(answerTime_);
    auto quietEnd = lastDisturbance_ + guard;
    const auto limit = Clock::now() + kMaxDrain;
    std::array<uint8_t, 256> discard{};
    for (;;) {
        const auto now = Clock::now();
        const auto until = std::min(quietEnd, limit);
        if (now >= until) {
            break;
        }
        pollfd pfd{fd, POLLIN, 0};
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
        const int ready = poll(&pfd, 1, static_cast<int>(wait.count()) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = read(fd, discard.data(), discard.size());
        if (n > 0) {
            quietEnd = Clock::now() + guard;
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;  // the device went away; the request will tell
        }
    }
}

bool ModbusLink::switchLineRate(int32_t bitsPerSecond) {
    const auto speed = speedFor(bitsPerSecond);
    if (!speed || kind_ != LinkKind::Serial) {
        return false;
    }
    if (connected_) {
        const int fd = modbus_get_socket(ctx_);
        termios tios{};
        if (tcgetattr(fd, &tios) != 0 || cfsetispeed(&tios, *speed) != 0 ||
            cfsetospeed(&tios, *speed) != 0 || tcsetattr(fd, TCSADRAIN, &tios) != 0) {
            return false;
        }
    }
    rate_ = bitsPerSecond;
    return true;
}

bool ModbusLink::setLineRate(int32_t bitsPerSecond) {
    if (!switchLineRate(bitsPerSecond)) {
        return false;
    }
    if (lateReply_) {
        resyncPending_ = true;
        lastDisturbance_ = std::max(lastDisturbance_, lateReply_->timedOut);
        lateReply_.reset();
    }
    return true;
}

void ModbusLink::readerRestarted() {
    if (kind_ == LinkKind::Tcp) {
        disconnect();
        return;
    }
    if (kind_ == LinkKind::Serial) {
        switchLineRate(kOpeningRate);
    }
    // Whatever the reader sends while it starts up is not an answer.
    lateReply_.reset();
    resyncPending_ = true;
    lastDisturbance_ = Clock::now();
}

}  // namespace reader
