// SPDX-License-Identifier: LGPL-2.1-or-later
// The simulator's request handling on any sequence of (unit, PDU) pairs. Besides not
// crashing: a unit it does not answer and an empty PDU get silence; an exception reply (a
// refused request) changes no byte, no rate and no pending effect; a read changes nothing and
// returns the memory's bytes; a write changes exactly the bytes it names and echoes the
// request; an access touching a failing range is never carried out.
//
// Input: station, first failing address (2 bytes), span of the failing range, then requests
// as unit, PDU length, PDU.

#include <algorithm>

#include "FuzzCheck.h"
#include "reader/ReaderRegisters.h"
#include "sim/FactoryImage.h"
#include "sim/ModbusHandler.h"

namespace {

std::uint16_t word(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

bool touches(const sim::FailRange& fail, std::size_t start, std::size_t count) {
    const auto first = static_cast<std::size_t>(fail.first);
    const auto last = static_cast<std::size_t>(fail.last);
    const std::size_t end = start + count;
    const bool offline = start <= sim::reg::kOffline && sim::reg::kOffline < end &&
                         first <= sim::reg::kOfflineByte && sim::reg::kOfflineByte <= last;
    return (start <= last && first < end) || offline;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    sim::ModbusHandler::Config config;
    config.station = 1 + input.u8() % 247;
    const int failFirst = input.u16() % 0x200;
    const sim::FailRange fail{failFirst, failFirst + input.u8() % 16};
    config.fail = {fail};
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, config);

    while (input.remaining() > 0) {
        const std::uint8_t unit = input.u8();
        const std::vector<std::uint8_t> pdu = input.bytes(input.u8());
        const batchtext::Memory before = store.memory();
        const int rateBefore = handler.rateCode();
        const auto reply = handler.handle(unit, pdu);

        if (!handler.answers(unit) || pdu.empty()) {
            FUZZ_CHECK(!reply);
            FUZZ_CHECK(store.memory() == before);
            continue;
        }
        FUZZ_CHECK(reply && !reply->empty());
        const std::uint8_t function = pdu[0];
        if (reply->size() == 2 && (*reply)[0] == (function | 0x80) &&
            (function & 0x80 || (*reply)[0] != function)) {
            FUZZ_CHECK((*reply)[1] >= 1 && (*reply)[1] <= 4);
            FUZZ_CHECK(store.memory() == before);
            FUZZ_CHECK(handler.rateCode() == rateBefore);
            const sim::PendingEffects effects = handler.takeEffects();
            FUZZ_CHECK(!effects.reset && !effects.rateCode);
            continue;
        }
        FUZZ_CHECK((*reply)[0] == function);
        switch (function) {
            case 0x03:
            case 0x04: {
                FUZZ_CHECK(pdu.size() == 5);
                const std::size_t start = word(pdu, 1);
                const std::size_t count = word(pdu, 3);
                FUZZ_CHECK(count >= 1 && count <= reader::reg::kMaxTransfer);
                FUZZ_CHECK(reply->size() == 2 + 2 * count && (*reply)[1] == 2 * count);
                FUZZ_CHECK(store.memory() == before);
                FUZZ_CHECK(function == 0x04 || !touches(fail, start, count));
                for (std::size_t i = 0; i < count; ++i) {
                    const std::size_t address = start + i;
                    const std::uint16_t value = word(*reply, 2 + 2 * i);
                    if (function == 0x03 && address < sim::reg::kMemorySize) {
                        FUZZ_CHECK(value == before[address]);
                    }
                }
                break;
            }
            case 0x06: {
                FUZZ_CHECK(*reply == pdu);
                const std::size_t address = word(pdu, 1);
                FUZZ_CHECK(!touches(fail, address, 1));
                batchtext::Memory expected = before;
                if (address < sim::reg::kMemorySize) {
                    expected[address] = static_cast<std::uint8_t>(word(pdu, 3));
                } else if (address == sim::reg::kOffline) {
                    expected[sim::reg::kOfflineByte] = static_cast<std::uint8_t>(word(pdu, 3));
                }
                FUZZ_CHECK(store.memory() == expected);
                break;
            }
            case 0x10: {
                FUZZ_CHECK(std::equal(reply->begin(), reply->end(), pdu.begin()) &&
                           reply->size() == 5);
                const std::size_t start = word(pdu, 1);
                const std::size_t count = word(pdu, 3);
                FUZZ_CHECK(!touches(fail, start, count));
                batchtext::Memory expected = before;
                for (std::size_t i = 0; i < count; ++i) {
                    const std::size_t address = start + i;
                    const auto value = static_cast<std::uint8_t>(word(pdu, 6 + 2 * i));
                    if (address < sim::reg::kMemorySize) {
                        expected[address] = value;
                    } else if (address == sim::reg::kOffline) {
                        expected[sim::reg::kOfflineByte] = value;
                    }
                }
                FUZZ_CHECK(store.memory() == expected);
                break;
            }
            default:
                FUZZ_CHECK(false);  // an unknown function is always refused
        }
        handler.takeEffects();
    }
    return 0;
}
