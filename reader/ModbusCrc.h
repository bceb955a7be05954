// SPDX-License-Identifier: LGPL-2.1-or-later
// The CRC of a Modbus RTU frame (polynomial 0xA001 reflected, start 0xFFFF), shared by the
// library and the virtual reader. On the wire the low byte goes first.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace reader {

constexpr std::uint16_t crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

// True when the last two bytes of frame are the CRC of the bytes before them.
constexpr bool hasValidCrc(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::uint16_t crc = crc16(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

inline void appendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

}  // namespace reader
