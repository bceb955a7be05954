// SPDX-License-Identifier: LGPL-2.1-or-later
// Shared by the fuzz targets: invariants that make an input a finding, and a reader that
// takes the input's fields from the front, so that seed files can be written by hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Fields past the end of the input read as 0.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}
    std::size_t remaining() const { return bytes_.size() - at_; }
    std::uint8_t u8() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    std::uint16_t u16() {
        const std::uint8_t high = u8();
        return static_cast<std::uint16_t>(high << 8 | u8());
    }
    // Up to count bytes.
    std::vector<std::uint8_t> bytes(std::size_t count) {
        const std::size_t n = count < remaining() ? count : remaining();
        std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                      bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
        at_ += n;
        return out;
    }
    std::vector<std::uint8_t> rest() { return bytes(remaining()); }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};
