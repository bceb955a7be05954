// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ProgramRandom.h"

#include <chrono>

std::mt19937& programRandom() {
    static std::mt19937 generator;
    return generator;
}

void seedProgramRandom() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    programRandom().seed(seed);
}

void seedProgramRandom(std::uint32_t seed) {
    programRandom().seed(seed);
}

std::int32_t drawRandomBelow(std::int32_t bound) {
    std::uniform_int_distribution<std::int32_t> distribution(0, bound - 1);
    return distribution(programRandom());
}
