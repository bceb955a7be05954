// SPDX-License-Identifier: LGPL-2.1-or-later
#include "FactoryImage.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "model/Parameters.h"

namespace sim {
namespace {

void put(batchtext::Memory& memory, std::size_t address,
         std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes) {
        memory[address++] = byte;
    }
}

void putText(batchtext::Memory& memory, std::size_t address, std::string_view text) {
    for (char c : text) {
        memory[address++] = static_cast<std::uint8_t>(c);
    }
}

}  // namespace

batchtext::Memory factoryImage() {
    batchtext::Memory m{};  // unnamed and reserved bytes are 0

    // Product identification: model QLX-7321E, January 2026, sequence number 0001.
    putText(m, 0x20, "QLX7321E26010001");
    put(m, 0x60, {0x19, 0x3D});              // reader magic number 6461
    put(m, 0x67, {20, 2, 0x14});             // PCB QLX_PCB_020, version 2, type code 20
    put(m, 0x6A, {0xAA, 0x77, 0x11, 0x00});  // product marker

    // Extended functions.
    put(m, 0x40, {0x00});        // no ID encryption
    put(m, 0x54, {0xFF, 0xFF});  // offline record interval 65535 s
    put(m, 0x57, {0x00});        // offline function off
    put(m, 0x6E, {0x00});        // tag value-range filter off (bounds 0..0 at 0x78)
    put(m, 0x81, {0x01});        // mounted outside the door
    put(m, 0x8E, {0x01});        // tag suppression factor 1

    // Basic functions.
    put(m, 0x63, {0x00, 0x00});              // user code 0
    put(m, 0x65, {0x01});                    // buzzer on
    put(m, 0x8C, {0x00, 0x05});              // residual data not cleared; wait 5 s
    put(m, 0x90, {0x00, 0x00, 0x0A});        // trigger delay 0 s, trigger off, shut-down delay 10 s
    put(m, 0x94, {0x00, 0x3C, 0x0A, 0x00});  // refresh 60 s, match interval 10 s, match off
    put(m, 0x9B, {20, 20, 0x00, 0x00});      // relay delays 20 s, no automatic relays

    // Positioning mode.
    put(m, 0x9A, {6});
    put(m, 0x9F, {0x01});
    put(m, 0xA7, {1});

    // Communication ports: server mode, fixed IP, reader port 4001, client mode to
    // 192.168.0.1:10000 from local port 4002.
    put(m, 0xA9, {0x01, 0x00, 0x00});
    put(m, 0xAC, {0x2A, 0x5C, 0x91, 0x3E, 0x00, 0x01});  // MAC; last two bytes = sequence number
    put(m, 0xB2, {192, 168, 0, 178});
    put(m, 0xB6, {255, 255, 255, 0});
    put(m, 0xBA, {192, 168, 0, 254});
    put(m, 0xBE, {0x0F, 0xA1});
    put(m, 0xC0, {192, 168, 0, 1});
    put(m, 0xC4, {0x27, 0x10});
    put(m, 0xEC, {0x0F, 0xA2});
    put(m, 0x50, {0x01, 0x2C});  // server keep-alive 300 s
    put(m, 0x83, {2});           // RS-485 at 9600 bps
    put(m, 0x85, {0});           // no ID response on RS-485
    put(m, 0x87, {1, 8, 12});    // Wiegand 26, pulse width 80 us, period 1.2 ms
    put(m, 0x8B, {10});          // Wiegand output interval 1000 ms
    put(m, 0x8F, {5});           // Wiegand start byte 5

    // RF: RSSI -110, no attenuation, tag type 8, rate code 2 at power 15, channels 50..80.
    put(m, 0xA1, {0x92});
    put(m, 0xC6, {0, 0});
    for (std::size_t i = 0; i < 8; ++i) {
        m[0xC8 + i] = 0x08;
        m[0xD0 + i] = 0x2F;
    }
    put(m, 0xD8, {0x32, 0x3C, 0x46, 0x50, 0x32, 0x3C, 0x46, 0x50});

    // Upload and data frame: immediate upload (timed period 20 s), no output interface, HEX,
    // frame with reader number and the 8 tag ID bytes from byte 0, no preamble or end code.
    put(m, 0x82, {0x00});
    put(m, 0xF0, {0x00, 0x08});
    put(m, 0xF4, {0x00, 0x00, 0x14, 0x60});
    put(m, 0xF8, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    return m;
}

batchtext::Memory factoryImage(int sequenceNumber) {
    batchtext::Memory m = factoryImage();
    // The serial number ends in four decimal digits of sequence number.
    const std::string digits = std::to_string(10000 + sequenceNumber % 10000).substr(1);
    const auto end = static_cast<std::size_t>(model::productSerialNumber.end());
    putText(m, end - digits.size(), digits);
    return m;
}

}  // namespace sim
