#pragma once

#include <cstdint>
#include <span>

namespace sim {

// The CRC of a Modbus RTU frame (polynomial 0xA001 reflected, start 0xFFFF). On the wire
// the low byte goes first.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

// True when the last two bytes of frame are the CRC of the bytes before them.
bool hasValidCrc(std::span<const std::uint8_t> frame);

}  // namespace sim
