// SPDX-License-Identifier: LGPL-2.1-or-later
#include "DeadLinkGuard.h"

std::int16_t DeadLinkGuard::run(const ReaderLibrary& library,
                                const std::function<std::int16_t()>& call) {
    lastCallMade_ = !givenUp();
    if (!lastCallMade_) {
        return READER_ERROR_LINK_LOST;
    }
    const std::int16_t result = call();
    if (result == READER_OK || !library.lastError().isLinkFailure()) {
        consecutiveLinkFailures_ = 0;
    } else {
        ++consecutiveLinkFailures_;
    }
    return result;
}
