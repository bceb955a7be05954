// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ModbusHandler.h"

namespace sim {

// One reader on a shared RS-485 line (--bus STATION[@RATE]:FILE).
struct BusStation {
    int station = 1;                       // 1..247
    int rateCode = reg::kDefaultRateCode;  // its serial rate at start
    std::string memoryFile;
};

struct Options {
    std::optional<std::string> tcpAddress;  // dotted IPv4
    std::uint16_t tcpPort = 0;
    std::optional<std::string> serialDevice;
    std::optional<std::string> ptyLink;
    std::optional<std::string> memoryFile;
    bool lineRate = false;
    // The reader's processing time: every answer leaves this long after its request came.
    std::chrono::milliseconds replyDelay{0};
    // Readers sharing the serial line, each with its own memory and rate; empty: one reader.
    std::vector<BusStation> bus;
    ModbusHandler::Config handler;
    bool help = false;
    bool version = false;
};

// Parses the command line (without the program name). Throws std::invalid_argument with a
// message for the user.
Options parseOptions(const std::vector<std::string>& args);

const char* usage();

// The program name and version, one line.
const char* version();

}  // namespace sim
