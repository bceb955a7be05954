#pragma once

// The reader's parameter memory: 256 bytes in 16 blocks of 16, every setting a field at a
// fixed address and width. Numbers wider than one byte are unsigned and stored high byte
// first; flag bits count from bit 0, the least significant.

#include <cstdint>
#include <vector>

inline constexpr int kParameterMemorySize = 256;
inline constexpr int kParameterBlockSize = 16;
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

namespace addr {

// Blocks the batch dialog moves whole.
inline constexpr Field Block0{0x00, 16};
inline constexpr Field Block1{0x10, 16};

// Product identification.
inline constexpr Field ProductMark{0x20, 16};  // ASCII serial number
inline constexpr Field MagicNumber{0x60, 2};
inline constexpr Field PcbNumber{0x67, 1};
inline constexpr Field PcbVersion{0x68, 1};     // list position
inline constexpr Field PcbType{0x69, 1};        // written only
inline constexpr Field ProductMarker{0x6A, 4};  // fixed bytes, written only

// Extended functions.
inline constexpr Field EncryptionKey{0x30, 16};  // 1..16 bytes, written only
inline constexpr Field EncryptionMode{0x40, 1};  // bits 0-6 mode, bit 7 static storage
inline constexpr Field OfflineSaveInterval{0x54, 2};
inline constexpr Field OfflineEnable{0x57, 1};  // mirrored by the library's offline call
inline constexpr Field RangeFilter{0x6E, 1};    // bit 0
inline constexpr Field RangeLower{0x78, 4};
inline constexpr Field RangeUpper{0x7C, 4};
inline constexpr Field RangeBounds{0x78, 8};     // lower and upper bound moved in one call
inline constexpr Field MountingSide{0x81, 1};    // bit 0: outside of the door
inline constexpr Field TagSuppression{0x8E, 1};  // 0..10

// Basic functions.
inline constexpr Field UserCode{0x63, 2};
inline constexpr Field Buzzer{0x65, 1};         // 1 on, 0 off
inline constexpr Field ResidualClear{0x8C, 1};  // bit 0
inline constexpr Field ResidualClearWait{0x8D, 1};
inline constexpr Field TriggerDelay{0x90, 1};
inline constexpr Field TriggerMode{0x91, 1};  // bit 0: trigger on
inline constexpr Field ShutdownDelay{0x92, 1};
inline constexpr Field TagRefreshInterval{0x94, 2};
inline constexpr Field IdMatchInterval{0x96, 1};
inline constexpr Field IdMatchControl{0x97, 1};  // flag bits, see idmatch below
inline constexpr Field Relay1Delay{0x9B, 1};
inline constexpr Field Relay2Delay{0x9C, 1};
inline constexpr Field RelayAutoClose{0x9D, 1};  // bit 0 relay 1, bit 1 relay 2
inline constexpr Field RelayAutoOpen{0x9E, 1};   // bit 0 relay 1, bit 1 relay 2

// Communication ports.
inline constexpr Field KeepAliveTime{0x50, 2};
inline constexpr Field Rs485Baud{0x83, 1};  // list index 0..7
inline constexpr Field Rs485IdResponse{0x85, 1};
inline constexpr Field WiegandProtocol{0x87, 1};     // 1..4
inline constexpr Field WiegandPulseWidth{0x88, 1};   // 10 us units
inline constexpr Field WiegandPulsePeriod{0x89, 1};  // 100 us units
inline constexpr Field WiegandInterval{0x8B, 1};     // 1..10, 100 ms units
inline constexpr Field WiegandStartByte{0x8F, 1};    // 0..7
inline constexpr Field TcpIpRecord{0xA9, 29};        // always moved whole
inline constexpr Field TcpWorkMode{0xA9, 1};         // bit 1: client mode
inline constexpr Field AutomaticIp{0xAA, 1};         // bit 0
inline constexpr Field TcpReserved{0xAB, 1};         // written 0
inline constexpr Field MacAddress{0xAC, 6};
inline constexpr Field IpAddress{0xB2, 4};  // octets, first octet first
inline constexpr Field SubnetMask{0xB6, 4};
inline constexpr Field Gateway{0xBA, 4};
inline constexpr Field TcpPort{0xBE, 2};
inline constexpr Field TargetIp{0xC0, 4};
inline constexpr Field TargetPort{0xC4, 2};
inline constexpr Field ClientLocalPort{0xEC, 2};

// Upload and data frame.
inline constexpr Field OutputInterfaces{0x82, 1};  // bit mask
inline constexpr Field OutputFormat{0xF0, 1};      // 0 HEX, 1 ASCII
inline constexpr Field OutputIdPart{0xF1, 1};      // high nibble start byte, low nibble count
inline constexpr Field UploadMode{0xF4, 1};        // bit 0: timed
inline constexpr Field UploadPeriod{0xF5, 2};
inline constexpr Field FrameContent{0xF7, 1};   // bits 7..4: preamble, reader, tag, end
inline constexpr Field FramePreamble{0xF8, 4};  // 0..4 bytes, ended by 0xFF when shorter
inline constexpr Field FrameEndCode{0xFC, 4};   // 0..4 bytes, ended by 0xFF when shorter

// RF.
inline constexpr Field RssiThreshold{0xA1, 1};  // signed
inline constexpr Field Attenuations{0xC6, 2};   // channel one, channel two
inline constexpr Field Attenuation1{0xC6, 1};
inline constexpr Field Attenuation2{0xC7, 1};
inline constexpr Field TagTypes1to4{0xC8, 4};
inline constexpr Field TagTypes5to8{0xCC, 4};
inline constexpr Field PowerRate1to4{0xD0, 4};  // bits 0-3 power, bits 4-7 rate code
inline constexpr Field PowerRate5to8{0xD4, 4};
inline constexpr Field Frequency1to4{0xD8, 4};  // channel numbers
inline constexpr Field Frequency5to8{0xDC, 4};

// Positioning.
inline constexpr Field TagFailureJudgement{0x9A, 1};     // 6..30
inline constexpr Field CardReadMode{0x9F, 1};            // 1 = positioning read; read only
inline constexpr Field PositioningSensitivity{0xA7, 1};  // 1..10

static_assert(TcpIpRecord.end() == 0xC6);
static_assert(TcpIpRecord.contains(TcpWorkMode) && TcpIpRecord.contains(TargetPort));
static_assert(Attenuations.contains(Attenuation2));
static_assert(RangeBounds.contains(RangeLower) && RangeBounds.contains(RangeUpper));
static_assert(FrameEndCode.end() == kParameterMemorySize);

}  // namespace addr

// Bits of the ID match control byte (addr::IdMatchControl).
namespace idmatch {
inline constexpr int MatchBit = 0;
inline constexpr int MismatchBit = 1;
inline constexpr int ContinuousAlarmBit = 2;
inline constexpr int SingleAlarmBit = 3;
inline constexpr int Relay1Bit = 4;
inline constexpr int Relay2Bit = 5;
}  // namespace idmatch

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

// A list setting stored as its list position plus a fixed offset.
constexpr std::uint8_t listPositionByte(int position, int offset = 0) {
    return static_cast<std::uint8_t>(position + offset);
}
// The list position a stored byte stands for, or -1 (no selection) when it matches none of
// the count positions.
constexpr int listPositionOf(std::uint8_t stored, int count, int offset = 0) {
    const int position = int{stored} - offset;
    return position >= 0 && position < count ? position : -1;
}
