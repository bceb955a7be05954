// SPDX-License-Identifier: LGPL-2.1-or-later
// The clock, the samples of one benchmark row and their percentiles, shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <vector>

using Clock = std::chrono::steady_clock;

template <typename Rep, typename Period>
double milliseconds(std::chrono::duration<Rep, Period> d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Times of one kind of sample, in the unit the row prints.
class Samples {
  public:
    void add(double value) { values_.push_back(value); }
    // The nearest-rank percentile: with 20 samples p99 is the largest.
    double percentile(double p) {
        std::sort(values_.begin(), values_.end());
        const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * double(values_.size())));
        return values_[std::clamp<std::size_t>(rank, 1, values_.size()) - 1];
    }
    double p50() { return percentile(50); }
    double p99() { return percentile(99); }

  private:
    std::vector<double> values_;
};
