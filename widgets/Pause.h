// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <functional>

// The blocking pauses of the operations (after the communication-port set, before the
// offline record interval). One replaceable sleeper serves all of them, so tests see each
// pause requested without waiting for it.
using Sleeper = std::function<void(int milliseconds)>;

void pauseFor(int milliseconds);

// Installs a sleeper (an empty one restores the blocking default) and returns the previous.
Sleeper setSleeper(Sleeper sleeper);
