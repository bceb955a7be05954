// SPDX-License-Identifier: LGPL-2.1-or-later
// Exchanges in the library's own RTU frames: every exchange on a serial line or USB goes out
// through modbus_send_raw_request (libmodbus adds the CRC) and its reply is read from the port
// and checked here: unit, function code, length, echo and CRC. libmodbus 3.1.6 refuses RTU
// units above 247, yet 255 is how the reader at the other end of a point-to-point line is
// addressed without knowing its station; it takes the echo of a write for an answer without
// comparing its address and value; and it cannot put aside a late reply to an earlier request.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "LinkFailure.h"
#include "ModbusRequest.h"

typedef struct _modbus modbus_t;

namespace reader {

enum class ReplyCheck { Incomplete, Ok, Exception, Bad };

// Judges the bytes received so far as the reply of unit to request. On Ok the values of a
// read are stored in values (request.count of them).
ReplyCheck checkReply(const Request& request, uint8_t unit, std::span<const uint8_t> received,
                      uint16_t* values);

// A request that timed out without a byte of answer: its reply may still come, late.
struct LateReply {
    LateReply(uint8_t replyUnit, const Request& request,
              std::chrono::steady_clock::time_point when);
    Request request() const { return {function, address, count, &value}; }

    uint8_t unit;
    Function function;
    uint16_t address;
    uint16_t count;
    uint16_t value;  // the first written value, which a single write's echo repeats
    // When the request timed out. For a while after it (ModbusLink: kQuietGuard) the next
    // requests go out only in a shape whose answer the late reply cannot pass for.
    std::chrono::steady_clock::time_point timedOut;
};

// The request to send to unit in place of request so that its normal reply cannot be
// mistaken for late's reply: request itself when unit, function, length or echo differ, or a
// read widened by one register (whose reply is longer); nothing when no such request exists
// (the same write again, or a read that cannot grow). An exception reply to the same function
// still looks alike: after one the line must be drained before the next request.
std::optional<Request> requestApartFrom(const LateReply& late, uint8_t unit,
                                        const Request& request);

// Gathers the bytes of one reply as they come in, in pieces of any size, and judges them as the
// reply of unit to request; with late, a complete reply to that earlier request arriving first
// is put aside (detail.lateReplyDropped) and the bytes after it judged.
class ReplyReader {
  public:
    // The largest RTU frame; more bytes without a verdict are garbage.
    static constexpr std::size_t kCapacity = 256;

    ReplyReader(const Request& request, uint8_t unit, uint16_t* values, const LateReply* late)
        : request_(request), unit_(unit), values_(values), late_(late) {}

    // How the exchange ended, once the bytes received so far tell; nothing while they do not.
    std::optional<Outcome> take(std::span<const uint8_t> bytes, ExchangeDetail& detail);
    std::span<const uint8_t> received() const { return {buffer_.data(), length_}; }

  private:
    ReplyCheck judge(ExchangeDetail& detail);

    Request request_;
    uint8_t unit_;
    uint16_t* values_;
    const LateReply* late_;
    std::array<uint8_t, kCapacity> buffer_{};
    std::size_t length_ = 0;
};

// One exchange with unit, waiting for the reply until deadline. detail tells a timeout from
// a garbled reply, and gives the exception code; link names the link in the trace. With late,
// a reply to that earlier request arriving first is put aside (detail.lateReplyDropped).
Outcome exchangeRaw(modbus_t* ctx, uint8_t unit, const Request& request, uint16_t* values,
                    std::chrono::steady_clock::time_point deadline, ExchangeDetail& detail,
                    const std::string& link, const LateReply* late = nullptr);

// The request to unit as unit and PDU, without a CRC.
std::vector<uint8_t> requestAdu(uint8_t unit, const Request& request);
// The normal reply of unit to request as unit and PDU (read values from values), or, with
// exceptionCode non-zero, its exception reply.
std::vector<uint8_t> replyAdu(uint8_t unit, const Request& request, const uint16_t* values,
                              int exceptionCode = 0);

}  // namespace reader
