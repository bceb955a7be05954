// SPDX-License-Identifier: LGPL-2.1-or-later
// The reader's Modbus objects (docs/protocol.md), shared by the library and the virtual reader.
#pragma once

#include "reader/Reader.h"

#include <cstdint>

namespace reader::reg {

// Holding registers 0x0000-0x00FF: the parameter memory, register n holding byte n.
inline constexpr uint16_t kMemoryFirst = 0x0000;
inline constexpr int kMemorySize = READER_MEMORY_SIZE;
// Input registers 0x0000-0x0003: the firmware version, four numbers.
inline constexpr uint16_t kFirmwareFirst = 0x0000;
inline constexpr uint16_t kFirmwareCount = 4;
// Input register 0x0004: the reader's station number.
inline constexpr uint16_t kStation = 0x0004;
inline constexpr uint16_t kInputCount = 0x0005;
// Holding register 0x0100: serial rate code 0..6.
inline constexpr uint16_t kRateCode = 0x0100;
inline constexpr int kDefaultRateCode = 2;  // 9600 bps
inline constexpr int kMaxRateCode = 6;
// Holding register 0x0101: offline function, 1 on, 0 off (mirrored at parameter byte 0x57).
inline constexpr uint16_t kOffline = 0x0101;
inline constexpr uint8_t kOfflineByte = 0x57;
// Holding register 0x0102: writing kResetCommand resets the reader.
inline constexpr uint16_t kCommand = 0x0102;
inline constexpr uint16_t kResetCommand = 1;
inline constexpr uint16_t kHoldingCount = 0x0103;

// The unit that reaches the reader at the other end of a point-to-point link.
inline constexpr uint8_t kAnyUnit = 255;

// Most bytes one GetParameter or SetParameter may move (the Modbus limit of function 03);
// function 16 writes at most 123 registers at a time.
inline constexpr int kMaxTransfer = READER_MAX_READ;
inline constexpr int kMaxWriteTransfer = READER_MAX_WRITE;

}  // namespace reader::reg
