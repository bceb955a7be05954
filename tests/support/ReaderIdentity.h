// SPDX-License-Identifier: LGPL-2.1-or-later
// The bytes that belong to one reader and never travel with a batch text: blocks 0 and 2 (the
// serial number), the PCB identity at 0x67..0x69 and the MAC address at 0xAC..0xB1. Stated
// here apart from the product's own rule, so that the tests catch a change of that rule.
#pragma once

#include <cstddef>

constexpr bool belongsToTheReader(std::size_t address) {
    return address < 0x10 || (address >= 0x20 && address < 0x30) ||
           (address >= 0x67 && address <= 0x69) || (address >= 0xAC && address <= 0xB1);
}
