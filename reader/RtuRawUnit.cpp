#include "RtuRawUnit.h"

#include "ModbusCrc.h"
#include "ReaderRegisters.h"

#include <modbus/modbus.h>
#include <poll.h>
#include <unistd.h>

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

// The request as unit and PDU; libmodbus appends the CRC.
std::vector<uint8_t> rawRequest(const Request& r) {
    std::vector<uint8_t> out{reg::kAnyUnit, static_cast<uint8_t>(r.function)};
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

}  // namespace

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
        if (received.size() >= 3 &&
            (request.function == Function::ReadHolding ||
             request.function == Function::ReadInput) &&
            received[2] != 2 * request.count) {
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

Outcome exchangeAnyUnit(modbus_t* ctx, const Request& request, uint16_t* values,
                        std::chrono::steady_clock::time_point deadline) {
    const std::vector<uint8_t> raw = rawRequest(request);
    if (modbus_send_raw_request(ctx, raw.data(), static_cast<int>(raw.size())) < 0) {
        return Outcome::Broken;
    }
    const int fd = modbus_get_socket(ctx);
    std::array<uint8_t, MODBUS_RTU_MAX_ADU_LENGTH> reply{};
    std::size_t length = 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return Outcome::Garbled;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return Outcome::Broken;
        }
        if (ready == 0) {
            continue;
        }
        const ssize_t n = read(fd, reply.data() + length, reply.size() - length);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            return Outcome::Broken;  // hang-up (0) or device error
        }
        length += static_cast<std::size_t>(n);
        switch (checkReply(request, reg::kAnyUnit, std::span(reply.data(), length), values)) {
            case ReplyCheck::Incomplete:
                if (length == reply.size()) {
                    return Outcome::Garbled;
                }
                break;
            case ReplyCheck::Ok:
                return Outcome::Ok;
            case ReplyCheck::Exception:
                return Outcome::Exception;
            case ReplyCheck::Bad:
                return Outcome::Garbled;
        }
    }
}

}  // namespace reader
