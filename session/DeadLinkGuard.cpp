// SPDX-License-Identifier: LGPL-2.1-or-later
#include "DeadLinkGuard.h"

std::int16_t DeadLinkGuard::run(ReaderLibrary& library, const std::function<std::int16_t()>& call) {
    lastCallMade_ = !givenUp();
    if (!lastCallMade_) {
        return READER_ERROR_LINK_LOST;
    }
    if (!begun_) {
        begun_ = true;
        // Its result tells nothing the first call will not: an unknown handle fails there.
        library.BeginOperation(handle_);
    }
    const std::int16_t result = call();
    if (result == READER_OK || !library.lastError().isLinkFailure()) {
        consecutiveLinkFailures_ = 0;
    } else {
        ++consecutiveLinkFailures_;
    }
    return result;
}
