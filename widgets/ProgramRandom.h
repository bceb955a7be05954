// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <cstdint>
#include <random>

// The program's one pseudo-random generator. The main window seeds it from the clock when
// it is first shown, so that every run draws a different sequence.
std::mt19937& programRandom();
void seedProgramRandom();
// A fixed seed, so that a test draws a known sequence.
void seedProgramRandom(std::uint32_t seed);

// A number r with 0 <= r < bound (bound > 0) from the program's generator.
std::int32_t drawRandomBelow(std::int32_t bound);
