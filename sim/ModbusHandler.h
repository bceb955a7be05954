// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ParameterStore.h"
#include "reader/ReaderRegisters.h"

namespace sim {

// The reader's Modbus objects (docs/protocol.md).
namespace reg = reader::reg;

enum class ModbusException : std::uint8_t {
    IllegalFunction = 0x01,
    IllegalAddress = 0x02,
    IllegalValue = 0x03,
    DeviceFailure = 0x04,
};

// An inclusive range of parameter addresses whose accesses fail with exception 04.
struct FailRange {
    int first = 0;
    int last = 0;
    bool contains(std::size_t address) const {
        return address >= static_cast<std::size_t>(first) &&
               address <= static_cast<std::size_t>(last);
    }
};

// Effects of handled requests that the transports carry out once the answer is on its way.
struct PendingEffects {
    bool reset = false;           // drop TCP connections, serial rate back to 9600
    std::optional<int> rateCode;  // switch the serial rate after the answer
};

// The reader's request logic: one request PDU in, one response PDU (or silence) out. Knows
// nothing of sockets or serial lines.
class ModbusHandler {
  public:
    struct Config {
        int station = 1;                       // 1..247
        int rateCode = reg::kDefaultRateCode;  // the serial rate at start
        std::array<std::uint16_t, 4> firmware{2, 1, 0, 7};
        std::vector<FailRange> fail;
        // Parameter addresses whose writes are acknowledged but leave the byte as it was,
        // like a reader whose memory cell does not take a value.
        std::vector<FailRange> stuck;
    };

    ModbusHandler(ParameterStore& store, Config config);
    ModbusHandler(const ModbusHandler&) = delete;
    ModbusHandler& operator=(const ModbusHandler&) = delete;

    // The reader answers its own station and unit 255; unit 0 (broadcast) and every other
    // unit are ignored.
    bool answers(std::uint8_t unit) const;

    // The response PDU for a request to unit, or nothing when the reader stays silent.
    std::optional<std::vector<std::uint8_t>> handle(std::uint8_t unit,
                                                    std::span<const std::uint8_t> pdu);

    int rateCode() const { return rateCode_; }
    const Config& config() const { return config_; }
    const ParameterStore& store() const { return store_; }

    // Hands over the effects collected since the last call.
    PendingEffects takeEffects();

  private:
    std::vector<std::uint8_t> read(std::uint8_t function, std::span<const std::uint8_t> pdu);
    std::vector<std::uint8_t> writeSingle(std::span<const std::uint8_t> pdu);
    std::vector<std::uint8_t> writeMultiple(std::span<const std::uint8_t> pdu);
    // Validates and stores values for holding registers start.. ; nullopt on success.
    std::optional<ModbusException> writeHolding(std::uint16_t start,
                                                std::span<const std::uint16_t> values);
    bool touchesFailure(std::uint16_t start, std::size_t count) const;
    bool isStuck(std::size_t address) const;

    ParameterStore& store_;
    Config config_;
    int rateCode_ = reg::kDefaultRateCode;
    PendingEffects effects_;
};

// An exception response PDU.
std::vector<std::uint8_t> exceptionPdu(std::uint8_t function, ModbusException code);

}  // namespace sim
