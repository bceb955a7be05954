// SPDX-License-Identifier: LGPL-2.1-or-later
// The requests the library sends: function codes 03, 04, 06 and 16 on registers.
#pragma once

#include <cstdint>

namespace reader {

enum class Function : uint8_t {
    ReadHolding = 0x03,
    ReadInput = 0x04,
    WriteSingle = 0x06,
    WriteMultiple = 0x10,
};

struct Request {
    Function function;
    uint16_t address;
    uint16_t count;                    // registers; 1 for WriteSingle
    const uint16_t* values = nullptr;  // written values (count of them)
};

// How one exchange ended.
enum class Outcome {
    Ok,
    Exception,  // the reader answered with a Modbus exception: the link is in step
    Garbled,    // timeout or framing error: a late or partial reply may still arrive
    Broken,     // the connection or device went away
};

constexpr bool isRead(Function function) {
    return function == Function::ReadHolding || function == Function::ReadInput;
}

// Sizes of the RTU frames (unit, PDU, CRC) of a request and of its normal reply.
constexpr int rtuRequestBytes(const Request& r) {
    return r.function == Function::WriteMultiple ? 9 + 2 * r.count : 8;
}
constexpr int rtuReplyBytes(const Request& r) {
    return isRead(r.function) ? 5 + 2 * r.count : 8;
}

}  // namespace reader
