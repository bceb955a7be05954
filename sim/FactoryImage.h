// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "model/BatchText.h"

namespace sim {

// The parameter memory of a reader as it leaves the factory. It matches the values the
// configuration window shows before its first query, so a fresh virtual reader and a fresh
// window agree; docs/protocol.md lists it.
batchtext::Memory factoryImage();

// The factory image of the reader whose serial number ends in the sequence number
// (0..9999), so that readers made one after the other tell themselves apart.
batchtext::Memory factoryImage(int sequenceNumber);

}  // namespace sim
