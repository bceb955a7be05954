// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ModbusHandler.h"

#include "reader/ReaderRegisters.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

constexpr std::uint8_t kReadHolding = 0x03;
constexpr std::uint8_t kReadInput = 0x04;
constexpr std::uint8_t kWriteSingle = 0x06;
constexpr std::uint8_t kWriteMultiple = 0x10;
constexpr std::size_t kMaxRead = reader::reg::kMaxTransfer;
constexpr std::size_t kMaxWrite = reader::reg::kMaxWriteTransfer;

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void appendWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> exceptionPdu(std::uint8_t function, ModbusException code) {
    return {static_cast<std::uint8_t>(function | 0x80), static_cast<std::uint8_t>(code)};
}

ModbusHandler::ModbusHandler(ParameterStore& store, Config config)
    : store_(store), config_(std::move(config)), rateCode_(config_.rateCode) {}

bool ModbusHandler::answers(std::uint8_t unit) const {
    return unit == reg::kAnyUnit || unit == config_.station;
}

PendingEffects ModbusHandler::takeEffects() {
    return std::exchange(effects_, PendingEffects{});
}

std::optional<std::vector<std::uint8_t>> ModbusHandler::handle(std::uint8_t unit,
                                                               std::span<const std::uint8_t> pdu) {
    if (!answers(unit) || pdu.empty()) {
        return std::nullopt;
    }
    const std::uint8_t function = pdu[0];
    switch (function) {
        case kReadHolding:
        case kReadInput:
            return read(function, pdu);
        case kWriteSingle:
            return writeSingle(pdu);
        case kWriteMultiple:
            return writeMultiple(pdu);
        default:
            return exceptionPdu(function, ModbusException::IllegalFunction);
    }
}

bool ModbusHandler::isStuck(std::size_t address) const {
    return std::any_of(config_.stuck.begin(), config_.stuck.end(),
                       [&](const FailRange& range) { return range.contains(address); });
}

bool ModbusHandler::touchesFailure(std::uint16_t start, std::size_t count) const {
    const std::size_t end = start + count;  // exclusive, in registers
    for (const FailRange& range : config_.fail) {
        const auto first = static_cast<std::size_t>(range.first);
        const auto last = static_cast<std::size_t>(range.last);
        if (start <= last && first < end) {
            return true;
        }
        // The offline register is the parameter byte 0x57 seen through another door.
        if (start <= reg::kOffline && reg::kOffline < end && range.contains(reg::kOfflineByte)) {
            return true;
        }
    }
    return false;
}

std::vector<std::uint8_t> ModbusHandler::read(std::uint8_t function,
                                              std::span<const std::uint8_t> pdu) {
    if (pdu.size() != 5) {
        return exceptionPdu(function, ModbusException::IllegalValue);
    }
    const std::uint16_t start = word(pdu, 1);
    const std::uint16_t count = word(pdu, 3);
    if (count == 0 || count > kMaxRead) {
        return exceptionPdu(function, ModbusException::IllegalValue);
    }
    const std::size_t limit = function == kReadHolding ? reg::kHoldingCount : reg::kInputCount;
    if (std::size_t{start} + count > limit) {
        return exceptionPdu(function, ModbusException::IllegalAddress);
    }
    if (function == kReadHolding && touchesFailure(start, count)) {
        return exceptionPdu(function, ModbusException::DeviceFailure);
    }
    std::vector<std::uint8_t> out{function, static_cast<std::uint8_t>(count * 2)};
    const auto& memory = store_.memory();
    for (std::size_t address = start; address < std::size_t{start} + count; ++address) {
        std::uint16_t value = 0;
        if (function == kReadInput) {
            value = address == reg::kStation ? static_cast<std::uint16_t>(config_.station)
                                             : config_.firmware[address];
        } else if (address < reg::kMemorySize) {
            value = memory[address];
        } else if (address == reg::kRateCode) {
            value = static_cast<std::uint16_t>(rateCode_);
        } else if (address == reg::kOffline) {
            value = memory[reg::kOfflineByte];
        }  // the command register reads 0
        appendWord(out, value);
    }
    return out;
}

std::vector<std::uint8_t> ModbusHandler::writeSingle(std::span<const std::uint8_t> pdu) {
    if (pdu.size() != 5) {
        return exceptionPdu(kWriteSingle, ModbusException::IllegalValue);
    }
    const std::uint16_t address = word(pdu, 1);
    const std::uint16_t value = word(pdu, 3);
    if (address >= reg::kHoldingCount) {
        return exceptionPdu(kWriteSingle, ModbusException::IllegalAddress);
    }
    if (auto failure = writeHolding(address, std::span(&value, 1))) {
        return exceptionPdu(kWriteSingle, *failure);
    }
    return {pdu.begin(), pdu.end()};
}

std::vector<std::uint8_t> ModbusHandler::writeMultiple(std::span<const std::uint8_t> pdu) {
    if (pdu.size() < 6) {
        return exceptionPdu(kWriteMultiple, ModbusException::IllegalValue);
    }
    const std::uint16_t start = word(pdu, 1);
    const std::uint16_t count = word(pdu, 3);
    const std::size_t byteCount = pdu[5];
    if (count == 0 || count > kMaxWrite || byteCount != std::size_t{count} * 2 ||
        pdu.size() != 6 + byteCount) {
        return exceptionPdu(kWriteMultiple, ModbusException::IllegalValue);
    }
    if (std::size_t{start} + count > reg::kHoldingCount) {
        return exceptionPdu(kWriteMultiple, ModbusException::IllegalAddress);
    }
    std::vector<std::uint16_t> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = word(pdu, 6 + 2 * i);
    }
    if (auto failure = writeHolding(start, values)) {
        return exceptionPdu(kWriteMultiple, *failure);
    }
    std::vector<std::uint8_t> out{kWriteMultiple};
    appendWord(out, start);
    appendWord(out, count);
    return out;
}

std::optional<ModbusException> ModbusHandler::writeHolding(std::uint16_t start,
                                                           std::span<const std::uint16_t> values) {
    // Everything is checked before anything changes: a refused request changes no byte.
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t address = start + i;
        const std::uint16_t value = values[i];
        const bool valid = address < reg::kMemorySize  ? value <= 0xFF
                           : address == reg::kRateCode ? value <= reg::kMaxRateCode
                           : address == reg::kOffline  ? value <= 1
                                                       : value <= reg::kResetCommand;
        if (!valid) {
            return ModbusException::IllegalValue;
        }
    }
    if (touchesFailure(start, values.size())) {
        return ModbusException::DeviceFailure;
    }

    // The parameters and the offline flag go to the store in one replacement, and the rate
    // and the command act only once it has succeeded: a refused write changes nothing.
    batchtext::Memory next = store_.memory();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t address = start + i;
        if (address < reg::kMemorySize) {
            if (!isStuck(address)) {
                next[address] = static_cast<std::uint8_t>(values[i]);
            }
        } else if (address == reg::kOffline) {
            next[reg::kOfflineByte] = static_cast<std::uint8_t>(values[i]);
        }
    }
    if (!store_.write(0, next)) {
        return ModbusException::DeviceFailure;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t address = start + i;
        const std::uint16_t value = values[i];
        if (address == reg::kRateCode) {
            rateCode_ = value;
            effects_.rateCode = value;
        } else if (address == reg::kCommand && value == reg::kResetCommand) {
            rateCode_ = reg::kDefaultRateCode;
            effects_.reset = true;
            effects_.rateCode = reg::kDefaultRateCode;
        }
    }
    return std::nullopt;
}

}  // namespace sim
