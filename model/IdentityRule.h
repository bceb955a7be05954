// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// What a batch text may write into a reader. Some bytes belong to each reader and never
// travel with a batch text: block 0, the product serial number (block 2), the PCB identity
// at 0x67..0x69 inside block 6, and the Ethernet MAC address at 0xAC..0xB1: a batch text
// configures many readers alike, and readers sharing one MAC address on a network cut each
// other off. Blocks 6, 10 and 11 are therefore written in pieces around those bytes. The
// batch dialog, the command-line tool and their tests share this rule.

#include "model/Addresses.h"

#include <vector>

namespace batchtext {

inline constexpr Field kIdentityBlock0 = model::identityBlock;
inline constexpr Field kIdentitySerialNumber = model::productSerialNumber;
inline constexpr Field kIdentityPcb{model::pcbIdentifier.address,
                                    model::pcbType.end() - model::pcbIdentifier.address};
static_assert(kIdentityPcb == Field{0x67, 3});
inline constexpr Field kIdentityMacAddress = model::macAddress;

constexpr bool isIdentityByte(int address) {
    return kIdentityBlock0.contains({address, 1}) || kIdentitySerialNumber.contains({address, 1}) ||
           kIdentityPcb.contains({address, 1}) || kIdentityMacAddress.contains({address, 1});
}

// The runs of block (0..15) a batch text writes, in address order: none, one whole block,
// or the pieces of a block around its identity bytes.
inline std::vector<Field> writableRuns(int block) {
    const Field whole{block * kParameterBlockSize, kParameterBlockSize};
    std::vector<Field> runs;
    int start = whole.address;
    for (int address = whole.address; address <= whole.end(); ++address) {
        if (address == whole.end() || isIdentityByte(address)) {
            if (address > start) {
                runs.push_back({start, address - start});
            }
            start = address + 1;
        }
    }
    return runs;
}

}  // namespace batchtext
