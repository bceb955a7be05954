// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RtuRawUnit.h"

#include "ModbusCrc.h"
#include "ReaderRegisters.h"
#include "Trace.h"

#include <modbus/modbus.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

namespace reader {

namespace {

uint16_t wordAt(std::span<const uint8_t> b, std::size_t i) {
    return static_cast<uint16_t>((b[i] << 8) | b[i + 1]);
}

void putWord(std::vector<uint8_t>& out, uint16_t w) {
    out.push_back(static_cast<uint8_t>(w >> 8));
    out.push_back(static_cast<uint8_t>(w & 0xFF));
}

}  // namespace

std::vector<uint8_t> requestAdu(uint8_t unit, const Request& r) {
    std::vector<uint8_t> out{unit, static_cast<uint8_t>(r.function)};
    putWord(out, r.address);
    switch (r.function) {
        case Function::ReadHolding:
        case Function::ReadInput:
            putWord(out, r.count);
            break;
        case Function::WriteSingle:
            putWord(out, r.values[0]);
            break;
        case Function::WriteMultiple:
            putWord(out, r.count);
            out.push_back(static_cast<uint8_t>(2 * r.count));
            for (uint16_t i = 0; i < r.count; ++i) {
                putWord(out, r.values[i]);
            }
            break;
    }
    return out;
}

std::vector<uint8_t> replyAdu(uint8_t unit, const Request& r, const uint16_t* values,
                              int exceptionCode) {
    const auto function = static_cast<uint8_t>(r.function);
    if (exceptionCode != 0) {
        return {unit, static_cast<uint8_t>(function | 0x80), static_cast<uint8_t>(exceptionCode)};
    }
    std::vector<uint8_t> out{unit, function};
    switch (r.function) {
        case Function::ReadHolding:
        case Function::ReadInput:
            out.push_back(static_cast<uint8_t>(2 * r.count));
            for (uint16_t i = 0; i < r.count; ++i) {
                putWord(out, values[i]);
            }
            break;
        case Function::WriteSingle:
            putWord(out, r.address);
            putWord(out, r.values[0]);
            break;
        case Function::WriteMultiple:
            putWord(out, r.address);
            putWord(out, r.count);
            break;
    }
    return out;
}

ReplyCheck checkReply(const Request& request, uint8_t unit, std::span<const uint8_t> received,
                      uint16_t* values) {
    const auto function = static_cast<uint8_t>(request.function);
    if (received.size() < 2) {
        return ReplyCheck::Incomplete;
    }
    if (received[0] != unit) {
        return ReplyCheck::Bad;
    }
    if (received[1] == (function | 0x80)) {
        if (received.size() < 5) {
            return ReplyCheck::Incomplete;
        }
        return received.size() == 5 && hasValidCrc(received) ? ReplyCheck::Exception
                                                             : ReplyCheck::Bad;
    }
    if (received[1] != function) {
        return ReplyCheck::Bad;
    }
    const std::size_t expected = static_cast<std::size_t>(rtuReplyBytes(request));
    if (received.size() < expected) {
        if (received.size() >= 3 && isRead(request.function) && received[2] != 2 * request.count) {
            return ReplyCheck::Bad;
        }
        return ReplyCheck::Incomplete;
    }
    if (received.size() > expected || !hasValidCrc(received)) {
        return ReplyCheck::Bad;
    }
    switch (request.function) {
        case Function::ReadHolding:
        case Function::ReadInput:
            if (received[2] != 2 * request.count) {
                return ReplyCheck::Bad;
            }
            for (uint16_t i = 0; i < request.count; ++i) {
                values[i] = wordAt(received, 3 + 2u * i);
            }
            return ReplyCheck::Ok;
        case Function::WriteSingle:
            return wordAt(received, 2) == request.address &&
                           wordAt(received, 4) == request.values[0]
                       ? ReplyCheck::Ok
                       : ReplyCheck::Bad;
        case Function::WriteMultiple:
            return wordAt(received, 2) == request.address && wordAt(received, 4) == request.count
                       ? ReplyCheck::Ok
                       : ReplyCheck::Bad;
    }
    return ReplyCheck::Bad;
}

LateReply::LateReply(uint8_t replyUnit, const Request& request,
                     std::chrono::steady_clock::time_point when)
    : unit(replyUnit),
      function(request.function),
      address(request.address),
      count(request.count),
      value(request.function == Function::WriteSingle ? request.values[0] : 0),
      timedOut(when) {}

namespace {

// The registers a read may cover: the parameter memory, or the input registers.
int readableRegisters(Function function) {
    return function == Function::ReadInput ? reg::kInputCount : reg::kMemorySize;
}

}  // namespace

std::optional<Request> requestApartFrom(const LateReply& late, uint8_t unit,
                                        const Request& request) {
    if (late.unit != unit || late.function != request.function) {
        return request;
    }
    switch (request.function) {
        case Function::ReadHolding:
        case Function::ReadInput: {
            if (late.count != request.count) {
                return request;
            }
            const int end = request.address + request.count;
            if (request.count >= MODBUS_MAX_READ_REGISTERS ||
                end > readableRegisters(request.function)) {
                return std::nullopt;
            }
            Request wider = request;
            wider.count = static_cast<uint16_t>(request.count + 1);
            if (end == readableRegisters(request.function)) {
                if (request.address == 0) {
                    return std::nullopt;
                }
                wider.address = static_cast<uint16_t>(request.address - 1);
            }
            return wider;
        }
        case Function::WriteSingle:
            if (late.address != request.address || late.value != request.values[0]) {
                return request;
            }
            return std::nullopt;
        case Function::WriteMultiple:
            if (late.address != request.address || late.count != request.count) {
                return request;
            }
            return std::nullopt;
    }
    return std::nullopt;
}

namespace {

// The length of a complete reply to late at the front of received, 0 when received does not
// start with one, -1 while it may still become one.
int lateReplyAtFront(const LateReply& late, const Request& request,
                     std::span<const uint8_t> received) {
    const Request lateRequest = late.request();
    const bool exception =
        received.size() >= 2 && received[1] == (static_cast<uint8_t>(late.function) | 0x80);
    const std::size_t frame = exception ? 5 : static_cast<std::size_t>(rtuReplyBytes(lateRequest));
    std::array<uint16_t, MODBUS_MAX_READ_REGISTERS> scratch{};
    switch (checkReply(lateRequest, late.unit, received.first(std::min(received.size(), frame)),
                       scratch.data())) {
        case ReplyCheck::Ok:
            return static_cast<int>(frame);
        case ReplyCheck::Exception:
            // An exception to the same function belongs to the request as much as to late.
            return late.function == request.function ? 0 : static_cast<int>(frame);
        case ReplyCheck::Incomplete:
            return -1;
        case ReplyCheck::Bad:
            return 0;
    }
    return 0;
}

// Traces the end of an exchange: the bytes received, or what was missing.
void traceEnd(const std::string& link, std::span<const uint8_t> received, Outcome outcome,
              const ExchangeDetail& detail, std::chrono::steady_clock::time_point sent) {
    if (!received.empty()) {
        trace::reply(link, received, sent);
    }
    if (outcome == Outcome::Garbled && detail.timedOut) {
        trace::note(link, received.empty() ? "no answer" : "reply incomplete", sent);
    } else if (outcome == Outcome::Garbled) {
        trace::note(link, "garbled reply", sent);
    } else if (outcome == Outcome::Broken) {
        trace::note(link, "link failed", sent);
    }
}

}  // namespace

ReplyCheck ReplyReader::judge(ExchangeDetail& detail) {
    const ReplyCheck check = checkReply(request_, unit_, received(), values_);
    if (late_ == nullptr || check == ReplyCheck::Ok || check == ReplyCheck::Exception) {
        return check;
    }
    const int taken = lateReplyAtFront(*late_, request_, received());
    if (taken < 0) {
        return ReplyCheck::Incomplete;  // the late reply, or garbage: more bytes tell
    }
    if (taken == 0) {
        return check;
    }
    std::copy(buffer_.begin() + taken, buffer_.begin() + static_cast<long>(length_),
              buffer_.begin());
    length_ -= static_cast<std::size_t>(taken);
    late_ = nullptr;
    detail.lateReplyDropped = true;
    detail.silent = length_ == 0;
    return checkReply(request_, unit_, received(), values_);
}

std::optional<Outcome> ReplyReader::take(std::span<const uint8_t> bytes, ExchangeDetail& detail) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    for (;;) {
        const std::size_t fits = std::min(bytes.size(), buffer_.size() - length_);
        std::copy_n(bytes.begin(), fits, buffer_.begin() + static_cast<long>(length_));
        length_ += fits;
        bytes = bytes.subspan(fits);
        detail.silent = length_ == 0;  // nothing of the request's own reply yet
        switch (judge(detail)) {
            case ReplyCheck::Incomplete:
                break;
            case ReplyCheck::Ok:
                return Outcome::Ok;
            case ReplyCheck::Exception:
                detail.exceptionCode = buffer_[2];
                return Outcome::Exception;
            case ReplyCheck::Bad:
                return Outcome::Garbled;
        }
        if (length_ == buffer_.size()) {
            return Outcome::Garbled;  // more than any frame holds
        }
        if (bytes.empty()) {
            return std::nullopt;
        }
        // A late reply was put aside and made room for the rest.
    }
}

Outcome exchangeRaw(modbus_t* ctx, uint8_t unit, const Request& request, uint16_t* values,
                    std::chrono::steady_clock::time_point deadline, ExchangeDetail& detail,
                    const std::string& link, const LateReply* late) {
    detail = {};
    const std::vector<uint8_t> raw = requestAdu(unit, request);
    const auto sent = std::chrono::steady_clock::now();
    const bool tracing = trace::enabled();
    if (tracing) {
        std::vector<uint8_t> frame = raw;
        appendCrc(frame);
        trace::request(link, frame);
    }
    ReplyReader reply(request, unit, values, late);
    const auto finish = [&](Outcome outcome) {
        if (tracing) {
            if (detail.lateReplyDropped) {
                trace::note(link, "late reply put aside", sent);
            }
            traceEnd(link, reply.received(), outcome, detail, sent);
        }
        return outcome;
    };
    if (modbus_send_raw_request(ctx, raw.data(), static_cast<int>(raw.size())) < 0) {
        detail.error = errno;
        return finish(Outcome::Broken);
    }
    const int fd = modbus_get_socket(ctx);
    std::array<uint8_t, ReplyReader::kCapacity> chunk{};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            detail.timedOut = true;
            return finish(Outcome::Garbled);
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            detail.error = errno;
            return finish(Outcome::Broken);
        }
        if (ready == 0) {
            continue;
        }
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            detail.error = n == 0 ? EIO : errno;
            return finish(Outcome::Broken);  // hang-up (0) or device error
        }
        if (const auto outcome =
                reply.take(std::span(chunk.data(), static_cast<std::size_t>(n)), detail)) {
            return finish(*outcome);
        }
    }
}

}  // namespace reader
