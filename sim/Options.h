// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ModbusHandler.h"

namespace sim {

struct Options {
    std::optional<std::string> tcpAddress;  // dotted IPv4
    std::uint16_t tcpPort = 0;
    std::optional<std::string> serialDevice;
    std::optional<std::string> ptyLink;
    std::optional<std::string> memoryFile;
    bool lineRate = false;
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
