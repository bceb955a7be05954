// Unit 255 on Modbus RTU. libmodbus 3.1.6 refuses RTU units above 247, yet 255 is how the
// reader at the other end of a point-to-point line is addressed without knowing its station.
// The request goes out through modbus_send_raw_request (libmodbus adds the CRC); the reply is
// read from the port and checked here: unit, function code, length, echo and CRC.
#pragma once

#include <chrono>
#include <cstdint>
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

// One exchange with unit 255, waiting for the reply until deadline. detail tells a timeout
// from a garbled reply, and gives the exception code; link names the link in the trace.
Outcome exchangeAnyUnit(modbus_t* ctx, const Request& request, uint16_t* values,
                        std::chrono::steady_clock::time_point deadline, ExchangeDetail& detail,
                        const std::string& link);

// The request to unit as unit and PDU, without a CRC.
std::vector<uint8_t> requestAdu(uint8_t unit, const Request& request);
// The normal reply of unit to request as unit and PDU (read values from values), or, with
// exceptionCode non-zero, its exception reply.
std::vector<uint8_t> replyAdu(uint8_t unit, const Request& request, const uint16_t* values,
                              int exceptionCode = 0);
// Appends the CRC of frame, low byte first.
void appendCrc(std::vector<uint8_t>& frame);

}  // namespace reader
