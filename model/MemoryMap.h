// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The reader's parameter memory: 256 bytes in 16 blocks of 16, every setting a field at a
// fixed address and width. Numbers wider than one byte are unsigned and stored high byte
// first; flag bits count from bit 0, the least significant.

#include "reader/Reader.h"

#include <cstdint>
#include <vector>

inline constexpr int kParameterMemorySize = READER_MEMORY_SIZE;
inline constexpr int kParameterBlockSize = READER_BLOCK_SIZE;
inline constexpr int kParameterBlockCount = kParameterMemorySize / kParameterBlockSize;

// One field (or a run of neighbouring fields moved in one call).
struct Field {
    int address;
    int width;

    constexpr int end() const { return address + width; }
    // Position of a field of this run inside the run's bytes.
    constexpr int offsetOf(Field inner) const { return inner.address - address; }
    constexpr bool contains(Field inner) const {
        return inner.address >= address && inner.end() <= end();
    }
    friend constexpr bool operator==(Field, Field) = default;
};

using Bytes = std::vector<std::uint8_t>;

// The low 8*width bits of value, high byte first. A one-byte field takes the low 8 bits.
inline Bytes bigEndian(std::int64_t value, int width) {
    Bytes bytes(static_cast<std::size_t>(width));
    auto remaining = static_cast<std::uint64_t>(value);
    for (int i = width - 1; i >= 0; --i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(remaining & 0xFFu);
        remaining >>= 8;
    }
    return bytes;
}

// The unsigned number stored high byte first in bytes[offset .. offset+width).
inline std::uint32_t fromBigEndian(const Bytes& bytes, int offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | bytes.at(static_cast<std::size_t>(offset + i));
    }
    return value;
}
inline std::uint32_t fromBigEndian(const Bytes& bytes) {
    return fromBigEndian(bytes, 0, static_cast<int>(bytes.size()));
}

// A 1/0 byte: 1 = on. Only the exact value 1 reads as on.
constexpr std::uint8_t onOffByte(bool on) {
    return on ? 1 : 0;
}
constexpr bool isOnByte(std::uint8_t byte) {
    return byte == 1;
}

// Single bits of a flag byte.
constexpr std::uint8_t flagBit(int bit, bool on) {
    return on ? static_cast<std::uint8_t>(1u << bit) : std::uint8_t{0};
}
constexpr bool hasBit(std::uint8_t byte, int bit) {
    return ((byte >> bit) & 1u) != 0;
}

// An Ethernet MAC address whose first byte has bit 0 set is a group address (multicast,
// or broadcast FF:FF:FF:FF:FF:FF), which no station may take as its own.
constexpr bool isGroupMacAddress(std::uint8_t firstByte) {
    return hasBit(firstByte, 0);
}
