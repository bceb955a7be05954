// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "session/ReaderLibrary.h"

#include <cstdint>
#include <functional>

// Within one operation of many calls: after two link-level failures in a row (no answer,
// refused, reset, device gone; not an answer of the reader that refuses), the remaining
// calls fail at once without traffic. A dead reader then costs two timeouts, not one per
// field, while a single lost frame on a noisy line still costs only its own call.
//
// The guard stands for one operation the user started on the reader behind handle: before
// its first call it tells the library so, and that call tries the link even while the library
// pauses reconnecting after earlier failures. A reader that came back is reached by the next
// operation, and one still dead costs that operation a single timeout.
class DeadLinkGuard {
  public:
    static constexpr int kFailuresBeforeGivingUp = 2;

    explicit DeadLinkGuard(std::int32_t handle) : handle_(handle) {}

    // Runs the call unless the link was given up; its result, or READER_ERROR_LINK_LOST for
    // a call that was not made.
    std::int16_t run(ReaderLibrary& library, const std::function<std::int16_t()>& call);

    bool givenUp() const { return consecutiveLinkFailures_ >= kFailuresBeforeGivingUp; }
    // Whether the last run() made its call.
    bool lastCallMade() const { return lastCallMade_; }

  private:
    std::int32_t handle_;
    bool begun_ = false;
    int consecutiveLinkFailures_ = 0;
    bool lastCallMade_ = false;
};
